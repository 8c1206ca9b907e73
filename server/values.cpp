#include "values.h"

#include "host/data/cell.h"
#include "host/data/errors.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vorn::server {

namespace {

/// Days since 1 January 1970 of a proleptic Gregorian date.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

const std::int64_t DayZeroSinceEpoch = daysFromCivil(1899, 12, 30);

bool digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
    if (at + count > text.size())
        return false;
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

[[noreturn]] void raiseBadValue(const FieldDef& def, std::string_view text) {
    RaiseDatabaseError(QStringLiteral("Waarde '%s' van kolom '%s' is geen geldige %s"),
                       {QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), def.name,
                        FieldTypeName(def.type)});
}

bool parseDecimal(std::string_view text, int scale, std::int64_t& scaled) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    std::int64_t value = 0;
    int fractionDigits = 0;
    bool seenDigit = false;
    bool roundUp = false;
    for (bool afterPoint = false; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && !afterPoint) {
            afterPoint = true;
            continue;
        }
        if (c < '0' || c > '9')
            return false;
        seenDigit = true;
        if (afterPoint && fractionDigits == scale) {
            // The first digit past the scale decides the rounding, half away from zero.
            roundUp = c >= '5';
            for (++i; i < text.size(); ++i)
                if (text[i] < '0' || text[i] > '9')
                    return false;
            break;
        }
        if (__builtin_mul_overflow(value, 10, &value) || __builtin_add_overflow(value, c - '0', &value))
            return false;
        if (afterPoint)
            ++fractionDigits;
    }
    if (!seenDigit)
        return false;
    for (; fractionDigits < scale; ++fractionDigits)
        if (__builtin_mul_overflow(value, 10, &value))
            return false;
    if (roundUp)
        ++value;
    scaled = negative ? -value : value;
    return true;
}

void appendChecked(Column& column, const FieldDef& def, std::int64_t value) {
    if (column.kind() == StorageKind::Int32 && (value < INT32_MIN || value > INT32_MAX))
        RaiseDatabaseError(QStringLiteral("Waarde %s van kolom '%s' past niet in 32 bits"),
                           {qint64(value), def.name});
    column.appendInt(value);
}

} // namespace

bool ParseIsoDateTime(std::string_view text, double& dayNumber) {
    int year = 0, month = 0, day = 0;
    if (text.size() < 10 || text[4] != '-' || text[7] != '-' || !digits(text, 0, 4, year) ||
        !digits(text, 5, 2, month) || !digits(text, 8, 2, day))
        return false;
    if (month < 1 || month > 12 || day < 1 || day > 31)
        return false;
    double days = static_cast<double>(
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - DayZeroSinceEpoch);
    int hour = 0, minute = 0, second = 0;
    if (text.size() >= 16 && (text[10] == ' ' || text[10] == 'T') && digits(text, 11, 2, hour) &&
        text[13] == ':' && digits(text, 14, 2, minute)) {
        if (text.size() >= 19 && text[16] == ':')
            digits(text, 17, 2, second);
        const double fraction = (hour * 3600 + minute * 60 + second) / 86400.0;
        days = days >= 0 ? days + fraction : days - fraction;
    } else if (text.size() > 10 && text[10] != ' ' && text[10] != 'T') {
        return false;
    }
    dayNumber = days;
    return true;
}

std::string IsoText(double dayNumber) {
    const auto whole = static_cast<std::int64_t>(std::trunc(dayNumber));
    // civil from days (Howard Hinnant's algorithm)
    std::int64_t z = whole + DayZeroSinceEpoch + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
    char buffer[64];
    const int seconds =
        static_cast<int>(std::llround(std::fabs(dayNumber - static_cast<double>(whole)) * 86400.0)) % 86400;
    if (seconds == 0)
        std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02u", static_cast<long long>(y), m, d);
    else
        std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02u %02d:%02d:%02d", static_cast<long long>(y), m,
                      d, seconds / 3600, seconds / 60 % 60, seconds % 60);
    return buffer;
}

void AppendText(Column& column, const FieldDef& def, std::string_view text) {
    switch (def.type) {
    case TFieldType::Smallint:
    case TFieldType::Integer:
    case TFieldType::Largeint: {
        std::int64_t value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error == std::errc() && end == text.data() + text.size()) {
            appendChecked(column, def, value);
            return;
        }
        if (text == "t" || text == "f") {
            column.appendInt(text == "t" ? 1 : 0);
            return;
        }
        std::int64_t rounded = 0;
        if (parseDecimal(text, 0, rounded)) {
            appendChecked(column, def, rounded);
            return;
        }
        raiseBadValue(def, text);
    }
    case TFieldType::Decimal: {
        std::int64_t scaled = 0;
        if (!parseDecimal(text, def.scale, scaled))
            raiseBadValue(def, text);
        column.appendInt(scaled);
        return;
    }
    case TFieldType::Float: {
        const std::string copy(text);
        char* end = nullptr;
        const double value = std::strtod(copy.c_str(), &end);
        if (end != copy.c_str() + copy.size())
            raiseBadValue(def, text);
        column.appendDouble(value);
        return;
    }
    case TFieldType::Date:
    case TFieldType::DateTime: {
        double value = 0;
        if (!ParseIsoDateTime(text, value))
            raiseBadValue(def, text);
        column.appendDouble(def.type == TFieldType::Date ? std::trunc(value) : value);
        return;
    }
    default:
        column.appendBytes(text);
        return;
    }
}

void AppendInteger(Column& column, const FieldDef& def, std::int64_t value) {
    switch (StorageOf(def.type)) {
    case StorageKind::Int32:
    case StorageKind::Int64:
        if (def.type == TFieldType::Decimal) {
            std::int64_t scaled = 0;
            if (__builtin_mul_overflow(value, DecimalFactor(def.scale), &scaled))
                RaiseDatabaseError(QStringLiteral("Waarde van kolom '%s' is te groot"), {def.name});
            column.appendInt(scaled);
        } else {
            appendChecked(column, def, value);
        }
        return;
    case StorageKind::Double:
        column.appendDouble(static_cast<double>(value));
        return;
    case StorageKind::Bytes:
        column.appendBytes(std::to_string(value));
        return;
    }
}

void AppendReal(Column& column, const FieldDef& def, double value) {
    switch (StorageOf(def.type)) {
    case StorageKind::Int32:
    case StorageKind::Int64: {
        const double scaled =
            def.type == TFieldType::Decimal ? value * static_cast<double>(DecimalFactor(def.scale)) : value;
        if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.2e18)
            RaiseDatabaseError(QStringLiteral("Waarde van kolom '%s' is te groot"), {def.name});
        appendChecked(column, def, std::llround(scaled));
        return;
    }
    case StorageKind::Double:
        column.appendDouble(value);
        return;
    case StorageKind::Bytes:
        column.appendBytes(QString::number(value, 'g', 15).toStdString());
        return;
    }
}

BindValue BindValueOf(const QVariant& value, TFieldType type) {
    BindValue bind;
    if (value.isNull() || !value.isValid())
        return bind;
    switch (type) {
    case TFieldType::Smallint:
    case TFieldType::Integer:
    case TFieldType::Largeint:
        bind.kind = BindValue::Kind::Integer;
        bind.integer = value.toLongLong();
        return bind;
    case TFieldType::Date:
        bind.kind = BindValue::Kind::Text;
        bind.text = IsoText(std::trunc(value.toDouble()));
        return bind;
    case TFieldType::DateTime:
        bind.kind = BindValue::Kind::Text;
        bind.text = IsoText(value.toDouble());
        return bind;
    default:
        bind.kind = BindValue::Kind::Text;
        bind.text = value.toString().toStdString();
        return bind;
    }
}

BindValue BindValueOf(const TParam& param) {
    return BindValueOf(param.Value(), param.DataType());
}

BindValue BindValueNamed(const TParams& params, const QString& name) {
    const TParam* param = params.FindParam(name);
    return param == nullptr ? BindValue{} : BindValueOf(*param);
}

} // namespace vorn::server
