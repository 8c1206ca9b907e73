#pragma once

#include "fielddef.h"
#include "table.h"

#include <QVariant>
#include <cstdint>
#include <string>
#include <variant>

namespace vorn {

/// One stored value: null, an integer (also scaled decimals), a double (also dates) or UTF-8 bytes.
using Cell = std::variant<std::monostate, std::int64_t, double, std::string>;

inline bool IsNullCell(const Cell& cell) {
    return std::holds_alternative<std::monostate>(cell);
}

/// Converts a value to the stored form of a field; raises, naming the field, when it does not fit.
/// Texts longer than the field's width are cut to the width.
Cell ToCell(const FieldDef& def, const QVariant& value);
/// The natural value of a stored cell: qint64, double (decimals, floats), QDate, QDateTime, QString
/// or QByteArray; a null QVariant for null.
QVariant FromCell(const FieldDef& def, const Cell& cell);

/// The integer, double or bytes of a cell; raises, naming the field, when the cell holds another type.
const std::int64_t& StoredInteger(const FieldDef& def, const Cell& cell);
const double& StoredDouble(const FieldDef& def, const Cell& cell);
const std::string& StoredBytes(const FieldDef& def, const Cell& cell);

/// A stored value as plain text: integers in decimal, decimals without trailing zeros, dates as
/// YYYY-MM-DD (with the time where there is one), texts as they are; empty for null.
QString CellText(const FieldDef& def, const Cell& cell);

Cell CellAt(const Column& column, std::size_t row);
void AppendCell(Column& column, const Cell& cell);
/// Appends a text to a text column as a field of `def` stores it (cut to the field's width), without
/// building a cell.
void AppendText(Column& column, const FieldDef& def, const QString& text);
void SetCell(Column& column, std::size_t row, const Cell& cell);

/// 10 to the power `scale`, the factor of a decimal's stored integer.
std::int64_t DecimalFactor(int scale);
/// Rescales a stored decimal; raises when the result does not fit in 64 bits.
std::int64_t RescaleDecimal(std::int64_t value, int fromScale, int toScale, const QString& fieldName);

} // namespace vorn
