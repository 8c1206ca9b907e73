#include "params.h"

#include "errors.h"

#include <cmath>

namespace vorn {

void TParam::SetAsInteger(qint64 value) {
    type_ = TFieldType::Integer;
    value_ = value;
}

void TParam::SetAsDateTime(TDateTime value) {
    type_ = TFieldType::DateTime;
    value_ = value;
}

void TParam::SetAsDate(TDateTime value) {
    type_ = TFieldType::Date;
    value_ = DateOf(value);
}

void TParam::SetAsString(const QString& value) {
    type_ = TFieldType::WideString;
    value_ = value;
}

qint64 TParam::AsInteger() const {
    if (value_.isNull())
        return 0;
    bool ok = false;
    const qint64 result = value_.toLongLong(&ok);
    if (!ok)
        RaiseDatabaseError(QStringLiteral("Parameter '%s': '%s' is geen geheel getal"),
                           {name_, value_.toString()});
    return result;
}

TDateTime TParam::AsDateTime() const {
    if (value_.isNull())
        return NoDate;
    bool ok = false;
    const double result = value_.toDouble(&ok);
    if (!ok)
        RaiseDatabaseError(QStringLiteral("Parameter '%s': '%s' is geen datum"), {name_, value_.toString()});
    return result;
}

QString TParam::AsString() const {
    return value_.isNull() ? QString() : value_.toString();
}

TParams::TParams(const TParams& other) {
    items_.reserve(other.items_.size());
    for (const auto& item : other.items_)
        items_.push_back(std::make_unique<TParam>(*item));
}

TParams& TParams::operator=(const TParams& other) {
    if (this != &other) {
        TParams copy(other);
        items_ = std::move(copy.items_);
    }
    return *this;
}

TParam& TParams::CreateParam(TFieldType type, const QString& name) {
    items_.push_back(std::make_unique<TParam>(name, type));
    return *items_.back();
}

TParam* TParams::FindParam(const QString& name) const {
    for (const auto& item : items_)
        if (item->Name().compare(name, Qt::CaseInsensitive) == 0)
            return item.get();
    return nullptr;
}

TParam& TParams::ParamByName(const QString& name) const {
    TParam* param = FindParam(name);
    if (param == nullptr)
        RaiseDatabaseError(QStringLiteral("Parameter '%s' niet gevonden"), {name});
    return *param;
}

QStringList ParseCommandParams(const QString& commandText) {
    QStringList names;
    QChar quote;
    const qsizetype n = commandText.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = commandText[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
            continue;
        }
        if (c != u':')
            continue;
        if (i + 1 < n && commandText[i + 1] == u':') {
            ++i; // a cast, not a parameter
            continue;
        }
        qsizetype end = i + 1;
        while (end < n && (commandText[end].isLetterOrNumber() || commandText[end] == u'_'))
            ++end;
        if (end > i + 1)
            names << commandText.mid(i + 1, end - i - 1);
        i = end - 1;
    }
    return names;
}

} // namespace vorn
