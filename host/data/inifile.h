#pragma once

#include <QSettings>
#include <QString>
#include <memory>
#include <optional>

namespace vorn {

/// The user's INI-style settings file. Sections are prefixed with the prefix the host gives
/// each screen class, so two screens never share a section.
class TVornIniFile {
public:
    explicit TVornIniFile(const QString& fileName, const QString& sectionPrefix = {});

    QString FileName() const;
    /// A missing key, or a value that is not a number, gives the default; any non-zero number is true.
    bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;
    int ReadInteger(const QString& section, const QString& key, int defaultValue) const;
    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    void WriteBool(const QString& section, const QString& key, bool value);
    void WriteInteger(const QString& section, const QString& key, int value);
    void WriteString(const QString& section, const QString& key, const QString& value);
    /// Writes pending changes to disk; raises when the file cannot be written.
    void UpdateFile();

private:
    QString keyPath(const QString& section, const QString& key) const;
    std::optional<int> readNumber(const QString& section, const QString& key) const;
    std::unique_ptr<QSettings> settings_;
    QString prefix_;
};

} // namespace vorn
