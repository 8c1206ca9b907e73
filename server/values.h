#pragma once

#include "host/data/params.h"
#include "host/data/table.h"

#include <QVariant>
#include <string_view>

namespace vorn::server {

/// Day number (days since 30 December 1899) of an ISO date or date-time text; false when it is none.
bool ParseIsoDateTime(std::string_view text, double& dayNumber);
/// "YYYY-MM-DD", or "YYYY-MM-DD HH:MM:SS" when the value has a time of day.
std::string IsoText(double dayNumber);

/// Appends a value that a database delivered as text to a column of type `def`.
void AppendText(Column& column, const FieldDef& def, std::string_view text);
void AppendInteger(Column& column, const FieldDef& def, std::int64_t value);
void AppendReal(Column& column, const FieldDef& def, double value);

/// A parameter value as the text or integer a database binds; null stays null.
struct BindValue {
    enum class Kind { Null, Integer, Text } kind = Kind::Null;
    std::int64_t integer = 0;
    std::string text;
};
BindValue BindValueOf(const TParam& param);
/// The value of the first parameter of that name; an absent parameter binds null.
BindValue BindValueNamed(const TParams& params, const QString& name);
BindValue BindValueOf(const QVariant& value, TFieldType type);

} // namespace vorn::server
