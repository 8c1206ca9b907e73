#include "inifile.h"

#include "errors.h"

namespace vorn {

TVornIniFile::TVornIniFile(const QString& fileName, const QString& sectionPrefix)
    : settings_(std::make_unique<QSettings>(fileName, QSettings::IniFormat)), prefix_(sectionPrefix) {}

QString TVornIniFile::FileName() const {
    return settings_->fileName();
}

QString TVornIniFile::keyPath(const QString& section, const QString& key) const {
    return prefix_ + section + u'/' + key;
}

std::optional<int> TVornIniFile::readNumber(const QString& section, const QString& key) const {
    const QVariant value = settings_->value(keyPath(section, key));
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok);
    return value.isValid() && ok ? std::optional<int>(number) : std::nullopt;
}

int TVornIniFile::ReadInteger(const QString& section, const QString& key, int defaultValue) const {
    return readNumber(section, key).value_or(defaultValue);
}

bool TVornIniFile::ReadBool(const QString& section, const QString& key, bool defaultValue) const {
    const std::optional<int> number = readNumber(section, key);
    return number ? *number != 0 : defaultValue;
}

QString TVornIniFile::ReadString(const QString& section, const QString& key,
                                 const QString& defaultValue) const {
    return settings_->value(keyPath(section, key), defaultValue).toString();
}

void TVornIniFile::WriteBool(const QString& section, const QString& key, bool value) {
    settings_->setValue(keyPath(section, key), value ? 1 : 0);
}

void TVornIniFile::WriteInteger(const QString& section, const QString& key, int value) {
    settings_->setValue(keyPath(section, key), value);
}

void TVornIniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    settings_->setValue(keyPath(section, key), value);
}

void TVornIniFile::UpdateFile() {
    settings_->sync();
    if (settings_->status() != QSettings::NoError)
        RaiseDatabaseError(QStringLiteral("Instellingen konden niet bewaard worden in '%s'"), {FileName()});
}

} // namespace vorn
