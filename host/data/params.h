#pragma once

#include "datetime.h"
#include "fielddef.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

namespace vorn {

/// One named parameter of a provider call, with the type it was last set as.
class TParam {
public:
    TParam(const QString& name, TFieldType type) : name_(name), type_(type) {}

    const QString& Name() const { return name_; }
    TFieldType DataType() const { return type_; }
    bool IsNull() const { return value_.isNull(); }
    /// The value as set: qint64 for integers, double for dates, QString for text; null when unset.
    const QVariant& Value() const { return value_; }

    void SetAsInteger(qint64 value);
    void SetAsDateTime(TDateTime value);
    void SetAsDate(TDateTime value);
    void SetAsString(const QString& value);
    void Clear() { value_ = QVariant(); }

    qint64 AsInteger() const;
    TDateTime AsDateTime() const;
    QString AsString() const;

private:
    QString name_;
    TFieldType type_;
    QVariant value_;
};

/// Parameters in declared order. A name may occur twice; lookups give the first, ignoring letter case.
class TParams {
public:
    TParams() = default;
    TParams(const TParams& other);
    TParams& operator=(const TParams& other);
    TParams(TParams&&) noexcept = default;
    TParams& operator=(TParams&&) noexcept = default;

    int Count() const { return static_cast<int>(items_.size()); }
    TParam& Items(int index) const { return *items_.at(static_cast<std::size_t>(index)); }
    TParam& CreateParam(TFieldType type, const QString& name);
    /// The first parameter of that name, or null.
    TParam* FindParam(const QString& name) const;
    /// The first parameter of that name; raises when there is none.
    TParam& ParamByName(const QString& name) const;
    void Clear() { items_.clear(); }

private:
    std::vector<std::unique_ptr<TParam>> items_;
};

/// The colon-prefixed parameter names of a command text, in order of appearance; names inside
/// quoted literals and PostgreSQL casts (::) are skipped.
QStringList ParseCommandParams(const QString& commandText);

} // namespace vorn
