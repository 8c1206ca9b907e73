#include "clientdataset.h"
#include "errors.h"

#include <QLocale>
#include <cmath>
#include <limits>

namespace vorn {

namespace {

std::int64_t roundedDecimal(std::int64_t scaled, int scale) {
    return RescaleDecimal(scaled, scale, 0, QString());
}

QString decimalText(std::int64_t scaled, int scale) {
    if (scale <= 0)
        return QString::number(scaled);
    const std::int64_t factor = DecimalFactor(scale);
    const bool negative = scaled < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
    QString fraction =
        QString::number(magnitude % static_cast<std::uint64_t>(factor)).rightJustified(scale, u'0');
    while (fraction.endsWith(u'0'))
        fraction.chop(1);
    QString text = QString::number(magnitude / static_cast<std::uint64_t>(factor));
    if (!fraction.isEmpty())
        text += u'.' + fraction;
    return negative ? u'-' + text : text;
}

QString dateTimeText(TDateTime value, bool dateOnly) {
    if (dateOnly || value == std::trunc(value))
        return DateTimeToDate(value).toString(Qt::ISODate);
    return DateTimeToQDateTime(value).toString(Qt::ISODate);
}

} // namespace

QString CellText(const FieldDef& def, const Cell& cell) {
    if (const auto* i = std::get_if<std::int64_t>(&cell))
        return def.type == TFieldType::Decimal ? decimalText(*i, def.scale) : QString::number(*i);
    if (const auto* d = std::get_if<double>(&cell)) {
        if (def.type == TFieldType::Date || def.type == TFieldType::DateTime)
            return dateTimeText(*d, def.type == TFieldType::Date);
        return QString::number(*d, 'g', 15);
    }
    if (const auto* s = std::get_if<std::string>(&cell))
        return QString::fromStdString(*s);
    return {};
}

TField::TField(TVornClientDataSet* dataSet, FieldDef def, int index)
    : dataSet_(dataSet), def_(std::move(def)), index_(index) {}

void TField::SetDisplayLabel(const QString& label) {
    def_.displayLabel = label;
    dataSet_->fieldSettingsChanged(*this);
}

int TField::DisplayWidth() const {
    if (def_.displayWidth > 0)
        return def_.displayWidth;
    switch (def_.type) {
    case TFieldType::Smallint:
        return 6;
    case TFieldType::Integer:
        return 10;
    case TFieldType::Largeint:
        return 15;
    case TFieldType::Decimal:
        return def_.precision > 0 ? def_.precision + 2 : 20;
    case TFieldType::Float:
        return 15;
    case TFieldType::Date:
        return 10;
    case TFieldType::DateTime:
        return 18;
    case TFieldType::String:
    case TFieldType::WideString:
    case TFieldType::FixedChar:
        return def_.size > 0 ? def_.size : 20;
    case TFieldType::Blob:
    case TFieldType::Memo:
        return 10;
    }
    return 10;
}

void TField::SetDisplayWidth(int width) {
    def_.displayWidth = width;
    dataSet_->fieldSettingsChanged(*this);
}

void TField::SetVisible(bool visible) {
    def_.visible = visible;
    dataSet_->fieldSettingsChanged(*this);
}

void TField::SetRequired(bool required) {
    def_.required = required;
    dataSet_->fieldSettingsChanged(*this);
}

void TField::SetProviderFlags(TProviderFlags flags) {
    def_.providerFlags = flags;
    dataSet_->fieldSettingsChanged(*this);
}

bool TField::IsNull() const {
    return dataSet_->isNullAt(*this);
}

qint64 TField::AsLargeInt() const {
    if (IsIntegerType(def_.type) && def_.kind == TFieldKind::Data)
        if (const std::optional<std::int64_t> value = dataSet_->browsedInteger(*this))
            return *value;
    const Cell cell = dataSet_->readCell(*this);
    if (const auto* i = std::get_if<std::int64_t>(&cell))
        return def_.type == TFieldType::Decimal ? roundedDecimal(*i, def_.scale) : *i;
    if (const auto* d = std::get_if<double>(&cell)) {
        if (def_.type == TFieldType::Date || def_.type == TFieldType::DateTime)
            return static_cast<qint64>(std::trunc(*d));
        if (std::fabs(*d) >= 9.2e18)
            RaiseDatabaseError(QStringLiteral("Waarde van veld '%s' past niet in een geheel getal"),
                               {def_.name});
        return std::llround(*d);
    }
    if (const auto* s = std::get_if<std::string>(&cell)) {
        bool ok = false;
        const qint64 value = QString::fromStdString(*s).trimmed().toLongLong(&ok);
        if (!ok && !s->empty())
            RaiseDatabaseError(QStringLiteral("'%s' is geen geldig geheel getal (veld '%s')"),
                               {QString::fromStdString(*s), def_.name});
        return value;
    }
    return 0;
}

int TField::AsInteger() const {
    const qint64 value = AsLargeInt();
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        RaiseDatabaseError(QStringLiteral("Waarde %s van veld '%s' past niet in 32 bits"),
                           {value, def_.name});
    return static_cast<int>(value);
}

double TField::AsFloat() const {
    const Cell cell = dataSet_->readCell(*this);
    if (const auto* i = std::get_if<std::int64_t>(&cell))
        return def_.type == TFieldType::Decimal
                   ? static_cast<double>(*i) / static_cast<double>(DecimalFactor(def_.scale))
                   : static_cast<double>(*i);
    if (const auto* d = std::get_if<double>(&cell))
        return *d;
    if (const auto* s = std::get_if<std::string>(&cell)) {
        bool ok = false;
        const double value = QString::fromStdString(*s).trimmed().toDouble(&ok);
        if (!ok && !s->empty())
            RaiseDatabaseError(QStringLiteral("'%s' is geen geldig getal (veld '%s')"),
                               {QString::fromStdString(*s), def_.name});
        return value;
    }
    return 0.0;
}

QString TField::AsString() const {
    return CellText(def_, dataSet_->readCell(*this));
}

TDateTime TField::AsDateTime() const {
    const Cell cell = dataSet_->readCell(*this);
    if (const auto* d = std::get_if<double>(&cell))
        return *d;
    if (const auto* i = std::get_if<std::int64_t>(&cell))
        return static_cast<double>(*i);
    if (std::holds_alternative<std::string>(cell)) {
        FieldDef asDate = def_;
        asDate.type = TFieldType::DateTime;
        return std::get<double>(ToCell(asDate, AsString()));
    }
    return NoDate;
}

QByteArray TField::AsBytes() const {
    const std::string_view bytes = dataSet_->readUtf8(*this);
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string_view TField::AsUtf8() const {
    return dataSet_->readUtf8(*this);
}

QVariant TField::AsVariant() const {
    return FromCell(def_, dataSet_->readCell(*this));
}

QVariant TField::ValueOf(const Cell& cell) const {
    return FromCell(def_, cell);
}

QString TField::DisplayText() const {
    return DisplayTextOf(dataSet_->readCell(*this));
}

QString TField::DisplayTextOf(const Cell& cell) const {
    if (IsNullCell(cell))
        return {};
    const QLocale locale;
    switch (def_.type) {
    case TFieldType::Date:
        return locale.toString(DateTimeToDate(StoredDouble(def_, cell)), QLocale::ShortFormat);
    case TFieldType::DateTime:
        return locale.toString(DateTimeToQDateTime(StoredDouble(def_, cell)), QLocale::ShortFormat);
    case TFieldType::Decimal:
        return locale.toString(static_cast<double>(StoredInteger(def_, cell)) /
                                   static_cast<double>(DecimalFactor(def_.scale)),
                               'f', def_.scale);
    case TFieldType::Float:
        return locale.toString(StoredDouble(def_, cell), 'g', 15);
    default:
        return FromCell(def_, cell).toString();
    }
}

void TField::SetAsInteger(qint64 value) {
    dataSet_->writeCell(*this, ToCell(def_, QVariant::fromValue(value)));
}

void TField::SetAsFloat(double value) {
    dataSet_->writeCell(*this, ToCell(def_, QVariant(value)));
}

void TField::SetAsString(const QString& value) {
    dataSet_->writeCell(*this, ToCell(def_, QVariant(value)));
}

void TField::SetAsDateTime(TDateTime value) {
    const bool isDate = def_.type == TFieldType::Date || def_.type == TFieldType::DateTime;
    const QVariant v = isDate ? QVariant(value) : QVariant(DateTimeToQDateTime(value));
    dataSet_->writeCell(*this, ToCell(def_, v));
}

void TField::SetValue(const QVariant& value) {
    dataSet_->writeCell(*this, ToCell(def_, value));
}

void TField::Clear() {
    dataSet_->writeCell(*this, std::monostate{});
}

} // namespace vorn
