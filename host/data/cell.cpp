#include "cell.h"

#include "datetime.h"
#include "errors.h"

#include <QLocale>
#include <cmath>
#include <limits>

namespace vorn {

namespace {

[[noreturn]] void raiseMismatch(const FieldDef& def, const QVariant& value) {
    RaiseDatabaseError(QStringLiteral("Waarde '%s' past niet in veld '%s' (%s)"),
                       {value.toString(), def.name, FieldTypeName(def.type)});
}

[[noreturn]] void raiseRange(const FieldDef& def, const QVariant& value) {
    RaiseDatabaseError(QStringLiteral("Waarde %s valt buiten het bereik van veld '%s' (%s)"),
                       {value.toString(), def.name, FieldTypeName(def.type)});
}

bool isIntegerVariant(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

bool isFloatVariant(const QVariant& value) {
    return value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float;
}

/// A number in the C locale or the user's locale.
bool parseDouble(const QString& text, double& result) {
    bool ok = false;
    result = text.toDouble(&ok);
    if (!ok)
        result = QLocale().toDouble(text, &ok);
    return ok && std::isfinite(result);
}

std::int64_t integerOf(const FieldDef& def, const QVariant& value) {
    if (value.typeId() == QMetaType::ULongLong &&
        value.toULongLong() > std::numeric_limits<std::int64_t>::max())
        raiseRange(def, value);
    if (isIntegerVariant(value))
        return value.toLongLong();
    if (isFloatVariant(value)) {
        const double d = value.toDouble();
        if (!std::isfinite(d) || std::fabs(d) >= 9.2e18)
            raiseRange(def, value);
        return std::llround(d);
    }
    if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray) {
        const QString text = value.toString().trimmed();
        bool ok = false;
        const qint64 parsed = text.toLongLong(&ok);
        if (ok)
            return parsed;
        double d = 0;
        if (parseDouble(text, d) && d == std::trunc(d) && std::fabs(d) < 9.2e18)
            return static_cast<std::int64_t>(d);
    }
    raiseMismatch(def, value);
}

Cell toIntegerCell(const FieldDef& def, const QVariant& value) {
    const std::int64_t v = integerOf(def, value);
    std::int64_t lo = std::numeric_limits<std::int64_t>::min();
    std::int64_t hi = std::numeric_limits<std::int64_t>::max();
    if (def.type == TFieldType::Smallint) {
        lo = std::numeric_limits<std::int16_t>::min();
        hi = std::numeric_limits<std::int16_t>::max();
    } else if (def.type == TFieldType::Integer) {
        lo = std::numeric_limits<std::int32_t>::min();
        hi = std::numeric_limits<std::int32_t>::max();
    }
    if (v < lo || v > hi)
        raiseRange(def, value);
    return v;
}

Cell toDecimalCell(const FieldDef& def, const QVariant& value) {
    const std::int64_t factor = DecimalFactor(def.scale);
    std::int64_t scaled = 0;
    if (isIntegerVariant(value)) {
        const std::int64_t v = value.toLongLong();
        if (__builtin_mul_overflow(v, factor, &scaled))
            raiseRange(def, value);
    } else {
        double d = 0;
        if (isFloatVariant(value))
            d = value.toDouble();
        else if (!(value.typeId() == QMetaType::QString && parseDouble(value.toString().trimmed(), d)))
            raiseMismatch(def, value);
        const double s = d * static_cast<double>(factor);
        if (!std::isfinite(s) || std::fabs(s) >= 9.2e18)
            raiseRange(def, value);
        scaled = std::llround(s);
    }
    if (def.precision > 0 && def.precision < 19) {
        const std::int64_t limit = DecimalFactor(def.precision);
        if (scaled >= limit || scaled <= -limit)
            raiseRange(def, value);
    }
    return scaled;
}

Cell toFloatCell(const FieldDef& def, const QVariant& value) {
    if (isIntegerVariant(value) || isFloatVariant(value)) {
        const double d = value.toDouble();
        if (!std::isfinite(d))
            raiseRange(def, value);
        return d;
    }
    double d = 0;
    if (value.typeId() == QMetaType::QString && parseDouble(value.toString().trimmed(), d))
        return d;
    raiseMismatch(def, value);
}

TDateTime parseDateText(const FieldDef& def, const QVariant& value) {
    const QString text = value.toString().trimmed();
    QDateTime dt = QDateTime::fromString(text, Qt::ISODate);
    if (dt.isValid())
        return QDateTimeToDateTime(dt);
    QDate d = QDate::fromString(text, Qt::ISODate);
    if (!d.isValid())
        d = QLocale().toDate(text, QLocale::ShortFormat);
    if (!d.isValid())
        raiseMismatch(def, value);
    return DateToDateTime(d);
}

Cell toDateCell(const FieldDef& def, const QVariant& value) {
    TDateTime v = 0;
    if (value.typeId() == QMetaType::QDate)
        v = DateToDateTime(value.toDate());
    else if (value.typeId() == QMetaType::QDateTime)
        v = QDateTimeToDateTime(value.toDateTime());
    else if (isIntegerVariant(value) || isFloatVariant(value))
        v = value.toDouble();
    else if (value.typeId() == QMetaType::QString)
        v = parseDateText(def, value);
    else
        raiseMismatch(def, value);
    if (!std::isfinite(v) || std::fabs(v) > 3.0e6)
        raiseRange(def, value);
    return def.type == TFieldType::Date ? DateOf(v) : v;
}

bool hasWidth(const FieldDef& def) {
    return def.type == TFieldType::String || def.type == TFieldType::WideString ||
           def.type == TFieldType::FixedChar;
}

Cell toTextCell(const FieldDef& def, const QVariant& value) {
    if (value.typeId() == QMetaType::QByteArray && def.type == TFieldType::Blob) {
        const QByteArray bytes = value.toByteArray();
        return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    QString text = value.toString();
    if (hasWidth(def) && def.size > 0 && text.size() > def.size)
        text.truncate(def.size);
    return text.toStdString();
}

} // namespace

std::int64_t DecimalFactor(int scale) {
    std::int64_t factor = 1;
    for (int i = 0; i < scale && i < 18; ++i)
        factor *= 10;
    return factor;
}

std::int64_t RescaleDecimal(std::int64_t value, int fromScale, int toScale, const QString& fieldName) {
    if (fromScale == toScale)
        return value;
    if (toScale < fromScale) {
        const std::int64_t f = DecimalFactor(fromScale - toScale);
        const std::int64_t q = value / f;
        const std::int64_t r = value % f;
        // Half away from zero, like the conversion of a typed value.
        return 2 * (r < 0 ? -r : r) >= f ? q + (value < 0 ? -1 : 1) : q;
    }
    std::int64_t result = 0;
    if (__builtin_mul_overflow(value, DecimalFactor(toScale - fromScale), &result))
        RaiseDatabaseError(QStringLiteral("Waarde valt buiten het bereik van veld '%s'"), {fieldName});
    return result;
}

Cell ToCell(const FieldDef& def, const QVariant& value) {
    if (value.isNull() || !value.isValid())
        return std::monostate{};
    switch (def.type) {
    case TFieldType::Smallint:
    case TFieldType::Integer:
    case TFieldType::Largeint:
        if (value.typeId() == QMetaType::QString && value.toString().trimmed().isEmpty())
            return std::monostate{};
        return toIntegerCell(def, value);
    case TFieldType::Decimal:
        return toDecimalCell(def, value);
    case TFieldType::Float:
        return toFloatCell(def, value);
    case TFieldType::Date:
    case TFieldType::DateTime:
        if (value.typeId() == QMetaType::QString && value.toString().trimmed().isEmpty())
            return std::monostate{};
        return toDateCell(def, value);
    case TFieldType::String:
    case TFieldType::WideString:
    case TFieldType::FixedChar:
    case TFieldType::Blob:
    case TFieldType::Memo:
        return toTextCell(def, value);
    }
    raiseMismatch(def, value);
}

namespace {

/// The stored value of a cell, or an error naming the field when the cell holds another type than
/// the field stores: a fault that must show as a message, not end the program.
template <class Stored> const Stored& stored(const FieldDef& def, const Cell& cell) {
    if (const auto* value = std::get_if<Stored>(&cell))
        return *value;
    RaiseDatabaseError(QStringLiteral("Veld '%s' (%s) bevat een waarde van een ander type"),
                       {def.name, FieldTypeName(def.type)});
}

} // namespace

const std::int64_t& StoredInteger(const FieldDef& def, const Cell& cell) {
    return stored<std::int64_t>(def, cell);
}

const double& StoredDouble(const FieldDef& def, const Cell& cell) {
    return stored<double>(def, cell);
}

const std::string& StoredBytes(const FieldDef& def, const Cell& cell) {
    return stored<std::string>(def, cell);
}

QVariant FromCell(const FieldDef& def, const Cell& cell) {
    if (IsNullCell(cell))
        return {};
    switch (def.type) {
    case TFieldType::Smallint:
    case TFieldType::Integer:
    case TFieldType::Largeint:
        return QVariant::fromValue<qint64>(StoredInteger(def, cell));
    case TFieldType::Decimal:
        return static_cast<double>(StoredInteger(def, cell)) / static_cast<double>(DecimalFactor(def.scale));
    case TFieldType::Float:
        return StoredDouble(def, cell);
    case TFieldType::Date:
        return DateTimeToDate(StoredDouble(def, cell));
    case TFieldType::DateTime:
        return DateTimeToQDateTime(StoredDouble(def, cell));
    case TFieldType::Blob: {
        const std::string& s = StoredBytes(def, cell);
        return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
    }
    case TFieldType::String:
    case TFieldType::WideString:
    case TFieldType::FixedChar:
    case TFieldType::Memo:
        return QString::fromStdString(StoredBytes(def, cell));
    }
    return {};
}

Cell CellAt(const Column& column, std::size_t row) {
    if (column.isNull(row))
        return std::monostate{};
    switch (column.kind()) {
    case StorageKind::Int32:
    case StorageKind::Int64:
        return column.intAt(row);
    case StorageKind::Double:
        return column.doubleAt(row);
    case StorageKind::Bytes:
        return std::string(column.bytesAt(row));
    }
    return std::monostate{};
}

void AppendCell(Column& column, const Cell& cell) {
    if (const auto* i = std::get_if<std::int64_t>(&cell))
        column.appendInt(*i);
    else if (const auto* d = std::get_if<double>(&cell))
        column.appendDouble(*d);
    else if (const auto* s = std::get_if<std::string>(&cell))
        column.appendBytes(*s);
    else
        column.appendNull();
}

void SetCell(Column& column, std::size_t row, const Cell& cell) {
    if (const auto* i = std::get_if<std::int64_t>(&cell))
        column.setInt(row, *i);
    else if (const auto* d = std::get_if<double>(&cell))
        column.setDouble(row, *d);
    else if (const auto* s = std::get_if<std::string>(&cell))
        column.setBytes(row, *s);
    else
        column.setNull(row);
}

void AppendText(Column& column, const FieldDef& def, const QString& text) {
    const QByteArray bytes = hasWidth(def) && def.size > 0 && text.size() > def.size
                                 ? QStringView(text).left(def.size).toUtf8()
                                 : text.toUtf8();
    column.appendBytes(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

} // namespace vorn
