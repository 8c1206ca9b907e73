#include "cube.h"

#include "host/data/idmap.h"

#include "host/data/datetime.h"
#include "host/data/schoolyear.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace vorn {

namespace {

constexpr std::size_t BlockRows = 4096;

[[noreturn]] void Fail(const QString& what) {
    throw ECubeError(QStringLiteral("Kubusdefinitie: ") + what);
}

// ------------------------------------------------------------------ distinct values of a column

/// The distinct values of a column: per row the id of its value (NoId for none), and the values by id.
template <typename Value> struct TDistinct {
    std::vector<std::uint32_t> ids;
    std::vector<Value> values;
};

TDistinct<std::int64_t> DistinctIntegers(const ICubeColumns& columns, int column) {
    const std::size_t rows = columns.RowCount();
    TDistinct<std::int64_t> distinct;
    distinct.ids.resize(rows);
    TIntegerIds ids;
    std::vector<std::int64_t> values(BlockRows);
    std::vector<std::uint8_t> nulls(BlockRows);
    for (std::size_t first = 0; first < rows; first += BlockRows) {
        const std::size_t count = std::min(BlockRows, rows - first);
        columns.ReadIntegers(column, first, count, values.data(), nulls.data());
        for (std::size_t i = 0; i < count; ++i)
            distinct.ids[first + i] =
                nulls[i] != 0 ? NoId : ids.Insert(static_cast<std::uint64_t>(values[i]));
    }
    for (const std::uint64_t key : ids.Keys())
        distinct.values.push_back(static_cast<std::int64_t>(key));
    return distinct;
}

/// A number as a hash key: both zeros are one value.
std::uint64_t NumberKey(double value) {
    return std::bit_cast<std::uint64_t>(value == 0.0 ? 0.0 : value);
}

/// NaN and infinities are no value: they cannot be grouped, summed or compared.
bool IsValue(double value) {
    return std::isfinite(value);
}

TDistinct<double> DistinctNumbers(const ICubeColumns& columns, int column) {
    const std::size_t rows = columns.RowCount();
    TDistinct<double> distinct;
    distinct.ids.resize(rows);
    TIntegerIds ids;
    std::vector<double> values(BlockRows);
    std::vector<std::uint8_t> nulls(BlockRows);
    for (std::size_t first = 0; first < rows; first += BlockRows) {
        const std::size_t count = std::min(BlockRows, rows - first);
        columns.ReadNumbers(column, first, count, values.data(), nulls.data());
        for (std::size_t i = 0; i < count; ++i)
            distinct.ids[first + i] =
                nulls[i] != 0 || !IsValue(values[i]) ? NoId : ids.Insert(NumberKey(values[i]));
    }
    for (const std::uint64_t key : ids.Keys())
        distinct.values.push_back(std::bit_cast<double>(key));
    return distinct;
}

TDistinct<std::string_view> DistinctTexts(const ICubeColumns& columns, int column) {
    const std::size_t rows = columns.RowCount();
    TDistinct<std::string_view> distinct;
    distinct.ids.resize(rows);
    TTextIds ids;
    std::vector<std::string_view> values(BlockRows);
    std::vector<std::uint8_t> nulls(BlockRows);
    for (std::size_t first = 0; first < rows; first += BlockRows) {
        const std::size_t count = std::min(BlockRows, rows - first);
        columns.ReadTexts(column, first, count, values.data(), nulls.data());
        for (std::size_t i = 0; i < count; ++i)
            distinct.ids[first + i] = nulls[i] != 0 ? NoId : ids.Insert(values[i]);
    }
    distinct.values = ids.Keys();
    return distinct;
}

/// The ids of the distinct values of any column, for counting distinct values.
std::vector<std::uint32_t> DistinctIds(const ICubeColumns& columns, int column, std::size_t& distinctCount) {
    switch (columns.ColumnKind(column)) {
    case TCubeValueKind::Integer: {
        TDistinct<std::int64_t> distinct = DistinctIntegers(columns, column);
        distinctCount = distinct.values.size();
        return std::move(distinct.ids);
    }
    case TCubeValueKind::Number:
    case TCubeValueKind::Date: {
        TDistinct<double> distinct = DistinctNumbers(columns, column);
        distinctCount = distinct.values.size();
        return std::move(distinct.ids);
    }
    case TCubeValueKind::Text:
        break;
    }
    TDistinct<std::string_view> distinct = DistinctTexts(columns, column);
    distinctCount = distinct.values.size();
    return std::move(distinct.ids);
}

// ------------------------------------------------------------------ members in natural order

/// The members of a dimension: labels in order, and the code of each distinct value.
struct TMembers {
    QStringList labels;
    std::vector<std::uint32_t> codeOfValue;
    bool hasEmpty = false;
};

/// Orders the members that the distinct values map to (`memberOf`; nothing for a value that has no
/// member, such as a band beyond the numbers) and gives each value its member's code.
template <typename Member, typename Less, typename Label>
TMembers SortMembers(const std::vector<std::optional<Member>>& memberOf, bool rowsWithoutValue, Less less,
                     Label label) {
    std::vector<std::uint32_t> order;
    order.reserve(memberOf.size());
    for (std::uint32_t value = 0; value < memberOf.size(); ++value)
        if (memberOf[value])
            order.push_back(value);
    std::sort(order.begin(), order.end(),
              [&](std::uint32_t a, std::uint32_t b) { return less(*memberOf[a], *memberOf[b]); });
    TMembers members;
    members.codeOfValue.assign(memberOf.size(), NoId);
    for (std::size_t i = 0; i < order.size(); ++i) {
        const Member& member = *memberOf[order[i]];
        if (i == 0 || less(*memberOf[order[i - 1]], member))
            members.labels << label(member);
        members.codeOfValue[order[i]] = static_cast<std::uint32_t>(members.labels.size() - 1);
    }
    members.hasEmpty = rowsWithoutValue || order.size() < memberOf.size();
    if (members.hasEmpty) {
        members.labels << EmptyMemberLabel();
        for (std::uint32_t& code : members.codeOfValue)
            if (code == NoId)
                code = static_cast<std::uint32_t>(members.labels.size() - 1);
    }
    return members;
}

bool AnyWithoutValue(const std::vector<std::uint32_t>& ids) {
    return std::find(ids.begin(), ids.end(), NoId) != ids.end();
}

/// Turns the value ids of the rows into member codes, in place.
TCubeDimension Encoded(const TCubeDimensionDef& def, std::vector<std::uint32_t> ids,
                       const TMembers& members) {
    const std::uint32_t emptyCode = static_cast<std::uint32_t>(members.labels.size()) - 1;
    for (std::uint32_t& id : ids)
        id = id == NoId ? emptyCode : members.codeOfValue[id];
    return TCubeDimension{def, members.labels, std::move(ids), members.hasEmpty};
}

QString NumberLabel(double value) {
    return QString::number(value, 'g', 15).replace(u'.', u',');
}

/// A number as its label shows it (15 significant digits): values that print alike are one member.
double ShownNumber(double value) {
    return QByteArray::number(value, 'g', 15).toDouble();
}

/// A moment to the second, as its label shows it: moments that print alike are one member.
TDateTime ShownMoment(TDateTime value) {
    constexpr double SecondsPerDay = 86400.0;
    return std::round(value * SecondsPerDay) / SecondsPerDay;
}

QString DateLabel(TDateTime value) {
    const QDateTime moment = DateTimeToQDateTime(value);
    const QTime time = moment.time();
    if (time == QTime(0, 0))
        return moment.toString(QStringLiteral("yyyy-MM-dd"));
    return moment.toString(time.second() == 0 ? QStringLiteral("yyyy-MM-dd HH:mm")
                                              : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

/// Days beyond these lie outside the calendar QDate counts in; they are no value.
bool IsCalendarDay(TDateTime value) {
    constexpr double MostDays = 2.0e9;
    return std::abs(value) < MostDays;
}

std::int64_t FloorDivide(std::int64_t value, std::int64_t width) {
    std::int64_t quotient = value / width;
    if (value % width != 0 && value < 0)
        --quotient;
    return quotient;
}

/// "10-14" for a band of whole numbers of width 5, "-5 t/m -1" where it starts below zero.
QString IntegerBandLabel(std::int64_t band, std::int64_t width) {
    std::int64_t low = 0;
    std::int64_t high = 0;
    if (__builtin_mul_overflow(band, width, &low) || __builtin_add_overflow(low, width - 1, &high))
        return NumberLabel(static_cast<double>(band) * static_cast<double>(width)) +
               QStringLiteral(" en meer");
    if (low < 0)
        return QStringLiteral("%1 t/m %2").arg(low).arg(high);
    return QStringLiteral("%1-%2").arg(low).arg(high);
}

/// "2,5 tot 5": a band of numbers with fractions holds its lower bound and not its upper bound.
QString NumberBandLabel(double band, double width) {
    return QStringLiteral("%1 tot %2").arg(NumberLabel(band * width), NumberLabel((band + 1) * width));
}

std::optional<double> NumberBand(double value, double width) {
    const double band = std::floor(value / width);
    if (!std::isfinite(band) || !std::isfinite((band + 1) * width))
        return std::nullopt;
    return band;
}

bool IsWholeWidth(double width) {
    return width == std::floor(width) &&
           width <= static_cast<double>(std::numeric_limits<std::int32_t>::max());
}

// ------------------------------------------------------------------ one dimension per column kind

TCubeDimension TextDimension(const TCubeDimensionDef& def, const ICubeColumns& columns, int column) {
    TDistinct<std::string_view> distinct = DistinctTexts(columns, column);
    QCollator collator(QLocale(QLocale::Dutch, QLocale::Belgium));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    struct TText {
        std::string_view bytes;
        QCollatorSortKey key;
    };
    std::vector<std::optional<TText>> texts;
    texts.reserve(distinct.values.size());
    for (const std::string_view bytes : distinct.values)
        texts.push_back(TText{
            bytes, collator.sortKey(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())))});
    // Texts equal but for letter case are still different members, in a fixed order.
    const auto less = [](const TText& a, const TText& b) {
        const int order = a.key.compare(b.key);
        return order != 0 ? order < 0 : a.bytes < b.bytes;
    };
    const auto label = [](const TText& text) {
        return QString::fromUtf8(text.bytes.data(), static_cast<qsizetype>(text.bytes.size()));
    };
    const TMembers members = SortMembers(texts, AnyWithoutValue(distinct.ids), less, label);
    return Encoded(def, std::move(distinct.ids), members);
}

TCubeDimension IntegerDimension(const TCubeDimensionDef& def, const ICubeColumns& columns, int column) {
    TDistinct<std::int64_t> distinct = DistinctIntegers(columns, column);
    const bool withoutValue = AnyWithoutValue(distinct.ids);
    TMembers members;
    if (def.group == TCubeGroup::Band && !IsWholeWidth(def.width)) {
        std::vector<std::optional<double>> bands;
        for (const std::int64_t value : distinct.values)
            bands.push_back(NumberBand(static_cast<double>(value), def.width));
        members = SortMembers(bands, withoutValue, std::less<double>(),
                              [&](double band) { return NumberBandLabel(band, def.width); });
    } else if (def.group == TCubeGroup::Band) {
        const auto width = static_cast<std::int64_t>(def.width);
        std::vector<std::optional<std::int64_t>> bands;
        for (const std::int64_t value : distinct.values)
            bands.push_back(FloorDivide(value, width));
        members = SortMembers(bands, withoutValue, std::less<std::int64_t>(),
                              [&](std::int64_t band) { return IntegerBandLabel(band, width); });
    } else {
        std::vector<std::optional<std::int64_t>> values(distinct.values.begin(), distinct.values.end());
        members = SortMembers(values, withoutValue, std::less<std::int64_t>(),
                              [](std::int64_t value) { return QString::number(value); });
    }
    return Encoded(def, std::move(distinct.ids), members);
}

TCubeDimension NumberDimension(const TCubeDimensionDef& def, const ICubeColumns& columns, int column) {
    TDistinct<double> distinct = DistinctNumbers(columns, column);
    const bool withoutValue = AnyWithoutValue(distinct.ids);
    std::vector<std::optional<double>> members;
    for (const double value : distinct.values)
        members.push_back(def.group == TCubeGroup::Band ? NumberBand(value, def.width)
                                                        : std::optional(ShownNumber(value)));
    if (def.group == TCubeGroup::Band)
        return Encoded(def, std::move(distinct.ids),
                       SortMembers(members, withoutValue, std::less<double>(),
                                   [&](double band) { return NumberBandLabel(band, def.width); }));
    return Encoded(def, std::move(distinct.ids),
                   SortMembers(members, withoutValue, std::less<double>(), NumberLabel));
}

/// The year, month or school year of a day as one number that sorts in time.
std::int64_t PeriodOf(TCubeGroup group, TDateTime value) {
    const QDate day = DateTimeToDate(value);
    switch (group) {
    case TCubeGroup::Year:
        return day.year();
    case TCubeGroup::Month:
        return static_cast<std::int64_t>(day.year()) * 12 + (day.month() - 1);
    default:
        return GetSchooljaarFrom(value);
    }
}

QString PeriodLabel(TCubeGroup group, std::int64_t period) {
    switch (group) {
    case TCubeGroup::Year:
        return QString::number(period);
    case TCubeGroup::Month: {
        const std::int64_t year = period >= 0 ? period / 12 : (period - 11) / 12;
        return QStringLiteral("%1-%2")
            .arg(year, 4, 10, QLatin1Char('0'))
            .arg(period - year * 12 + 1, 2, 10, QLatin1Char('0'));
    }
    default:
        return QStringLiteral("%1-%2").arg(period).arg(period + 1);
    }
}

TCubeDimension DateDimension(const TCubeDimensionDef& def, const ICubeColumns& columns, int column) {
    TDistinct<double> distinct = DistinctNumbers(columns, column);
    const bool withoutValue = AnyWithoutValue(distinct.ids);
    if (def.group == TCubeGroup::None) {
        std::vector<std::optional<double>> days;
        for (const double value : distinct.values)
            days.push_back(IsCalendarDay(value) ? std::optional(ShownMoment(value)) : std::nullopt);
        return Encoded(def, std::move(distinct.ids),
                       SortMembers(days, withoutValue, std::less<double>(), DateLabel));
    }
    std::vector<std::optional<std::int64_t>> periods;
    for (const double value : distinct.values)
        periods.push_back(IsCalendarDay(value) ? std::optional(PeriodOf(def.group, value)) : std::nullopt);
    return Encoded(def, std::move(distinct.ids),
                   SortMembers(periods, withoutValue, std::less<std::int64_t>(),
                               [&](std::int64_t period) { return PeriodLabel(def.group, period); }));
}

TCubeDimension BuildDimension(const TCubeDimensionDef& def, const ICubeColumns& columns, int column) {
    switch (columns.ColumnKind(column)) {
    case TCubeValueKind::Integer:
        return IntegerDimension(def, columns, column);
    case TCubeValueKind::Number:
        return NumberDimension(def, columns, column);
    case TCubeValueKind::Date:
        return DateDimension(def, columns, column);
    case TCubeValueKind::Text:
        break;
    }
    return TextDimension(def, columns, column);
}

// ------------------------------------------------------------------ measures

std::vector<double> NumbersOf(const ICubeColumns& columns, int column) {
    const std::size_t rows = columns.RowCount();
    std::vector<double> numbers(rows);
    std::vector<std::uint8_t> nulls(BlockRows);
    const bool integers = columns.ColumnKind(column) == TCubeValueKind::Integer;
    std::vector<std::int64_t> whole(integers ? BlockRows : 0);
    for (std::size_t first = 0; first < rows; first += BlockRows) {
        const std::size_t count = std::min(BlockRows, rows - first);
        double* target = numbers.data() + first;
        if (integers) {
            columns.ReadIntegers(column, first, count, whole.data(), nulls.data());
            for (std::size_t i = 0; i < count; ++i)
                target[i] = static_cast<double>(whole[i]);
        } else {
            columns.ReadNumbers(column, first, count, target, nulls.data());
        }
        for (std::size_t i = 0; i < count; ++i)
            if (nulls[i] != 0 || !IsValue(target[i]))
                target[i] = std::numeric_limits<double>::quiet_NaN();
    }
    return numbers;
}

std::vector<std::uint8_t> PresenceOf(const ICubeColumns& columns, int column) {
    std::size_t distinctCount = 0;
    const std::vector<std::uint32_t> ids = DistinctIds(columns, column, distinctCount);
    std::vector<std::uint8_t> present(ids.size());
    for (std::size_t row = 0; row < ids.size(); ++row)
        present[row] = ids[row] != NoId ? 1 : 0;
    return present;
}

/// Groups the rows that have a value by their value (a counting sort on the value ids).
void GroupRowsByValue(const ICubeColumns& columns, int column, TCubeMeasure& measure) {
    std::size_t distinctCount = 0;
    const std::vector<std::uint32_t> ids = DistinctIds(columns, column, distinctCount);
    measure.valueStarts.assign(distinctCount + 1, 0);
    for (const std::uint32_t id : ids)
        if (id != NoId)
            ++measure.valueStarts[id + 1];
    for (std::size_t value = 0; value < distinctCount; ++value)
        measure.valueStarts[value + 1] += measure.valueStarts[value];
    measure.rowsByValue.resize(measure.valueStarts.back());
    std::vector<std::uint32_t> next(measure.valueStarts.begin(), measure.valueStarts.end() - 1);
    for (std::uint32_t row = 0; row < ids.size(); ++row)
        if (ids[row] != NoId)
            measure.rowsByValue[next[ids[row]]++] = row;
}

TCubeMeasure BuildMeasure(const TCubeMeasureDef& def, const ICubeColumns& columns, int column) {
    TCubeMeasure measure;
    measure.def = def;
    measure.format = *TNumberFormat::Parse(!def.format.isEmpty() ? def.format : DefaultFormat(def.aggregate));
    if (column < 0) {
        measure.countsRows = true;
        return measure;
    }
    if (def.aggregate == TCubeAggregate::Count)
        measure.present = PresenceOf(columns, column);
    else if (def.aggregate == TCubeAggregate::CountDistinct)
        GroupRowsByValue(columns, column, measure);
    else
        measure.values = NumbersOf(columns, column);
    return measure;
}

// ------------------------------------------------------------------ binding to the columns

int RequireColumn(const ICubeColumns& columns, const QString& field) {
    const int column = FindCubeColumn(columns, field);
    if (column < 0)
        Fail(QStringLiteral("kolom \"%1\" komt niet voor in het resultaat van de query").arg(field));
    return column;
}

bool IsNumberKind(TCubeValueKind kind) {
    return kind == TCubeValueKind::Integer || kind == TCubeValueKind::Number;
}

QString CaptionOf(const QString& caption, const QString& name) {
    return caption.isEmpty() ? name : caption;
}

int BindDimension(const TCubeDimensionDef& def, const ICubeColumns& columns) {
    const int column = RequireColumn(columns, def.field);
    const TCubeValueKind kind = columns.ColumnKind(column);
    const QString where = QStringLiteral("dimensie \"%1\"").arg(CaptionOf(def.caption, def.name));
    const bool dateGroup = def.group == TCubeGroup::Year || def.group == TCubeGroup::Month ||
                           def.group == TCubeGroup::SchoolYear;
    if (dateGroup && kind != TCubeValueKind::Date)
        Fail(
            QStringLiteral("%1: groepering \"%2\" vraagt een datumkolom, maar kolom \"%3\" bevat geen datums")
                .arg(where, GroupName(def.group), def.field));
    if (def.group == TCubeGroup::Band && !IsNumberKind(kind))
        Fail(QStringLiteral(
                 "%1: groepering \"band\" vraagt een kolom met getallen, maar kolom \"%2\" bevat geen "
                 "getallen")
                 .arg(where, def.field));
    return column;
}

int BindMeasure(const TCubeMeasureDef& def, const ICubeColumns& columns) {
    if (def.field.isEmpty())
        return -1;
    const int column = RequireColumn(columns, def.field);
    if (NeedsNumbers(def.aggregate) && !IsNumberKind(columns.ColumnKind(column)))
        Fail(QStringLiteral(
                 "maat \"%1\": samenvatting \"%2\" vraagt een kolom met getallen, maar kolom \"%3\" "
                 "bevat geen getallen")
                 .arg(CaptionOf(def.caption, def.name), AggregateName(def.aggregate), def.field));
    return column;
}

template <typename T> std::size_t BytesOf(const std::vector<T>& items) {
    return items.capacity() * sizeof(T);
}

} // namespace

QString EmptyMemberLabel() {
    return QStringLiteral("(leeg)");
}

QString DefaultFormat(TCubeAggregate aggregate) {
    switch (aggregate) {
    case TCubeAggregate::Count:
    case TCubeAggregate::CountDistinct:
        return QStringLiteral("#,##0");
    case TCubeAggregate::Average:
        return QStringLiteral("#,##0.00");
    default:
        return QStringLiteral("#,##0.##");
    }
}

std::shared_ptr<const TCube> TCube::Build(const TOLAPDefinition& definition, const ICubeColumns& columns) {
    // A definition made in code passes the same checks as a stored one (names, bands, fields).
    const TOLAPDefinition checked = ParseCubeDefinition(definition.ToBytes());
    if (columns.RowCount() >= NoId)
        Fail(QStringLiteral("de query geeft meer rijen dan een kubus kan bevatten"));
    std::vector<int> dimensionColumns;
    for (const TCubeDimensionDef& def : checked.dimensions)
        dimensionColumns.push_back(BindDimension(def, columns));
    std::vector<int> measureColumns;
    for (const TCubeMeasureDef& def : checked.measures)
        measureColumns.push_back(BindMeasure(def, columns));
    std::shared_ptr<TCube> cube(new TCube);
    cube->definition_ = checked;
    cube->rowCount_ = columns.RowCount();
    for (std::size_t i = 0; i < checked.dimensions.size(); ++i)
        cube->dimensions_.push_back(BuildDimension(checked.dimensions[i], columns, dimensionColumns[i]));
    for (std::size_t i = 0; i < checked.measures.size(); ++i)
        cube->measures_.push_back(BuildMeasure(checked.measures[i], columns, measureColumns[i]));
    return cube;
}

std::shared_ptr<const TCube> TCube::Build(const TOLAPDefinition& definition,
                                          const TVornClientDataSet& dataSet) {
    return Build(definition, TDataSetCubeColumns(dataSet));
}

std::uint32_t TCube::MemberCount(int dimension) const {
    return static_cast<std::uint32_t>(Dimension(dimension).labels.size());
}

const QString& TCube::MemberLabel(int dimension, std::uint32_t code) const {
    return Dimension(dimension).labels.at(code);
}

std::optional<std::uint32_t> TCube::FindMember(int dimension, const QString& label) const {
    const qsizetype index = Dimension(dimension).labels.indexOf(label);
    if (index < 0)
        return std::nullopt;
    return static_cast<std::uint32_t>(index);
}

std::size_t TCube::MemoryBytes() const {
    std::size_t bytes = sizeof(TCube);
    for (const TCubeDimension& dimension : dimensions_) {
        bytes += BytesOf(dimension.codes);
        for (const QString& label : dimension.labels)
            bytes += sizeof(QString) + static_cast<std::size_t>(label.capacity()) * sizeof(QChar);
    }
    for (const TCubeMeasure& measure : measures_)
        bytes += BytesOf(measure.values) + BytesOf(measure.present) + BytesOf(measure.rowsByValue) +
                 BytesOf(measure.valueStarts);
    return bytes;
}

QHash<QString, QString> SourceFieldCaptions(const TCube& cube) {
    QHash<QString, QString> captions;
    for (int dimension = 0; dimension < cube.DimensionCount(); ++dimension) {
        const TCubeDimensionDef& def = cube.Dimension(dimension).def;
        if (!def.caption.isEmpty())
            captions.insert(def.field.toUpper(), def.caption);
    }
    for (int measure = 0; measure < cube.MeasureCount(); ++measure) {
        const TCubeMeasureDef& def = cube.Measure(measure).def;
        // A count's caption names the count, not the values counted.
        const bool namesTheValues =
            def.aggregate != TCubeAggregate::Count && def.aggregate != TCubeAggregate::CountDistinct;
        if (namesTheValues && !def.field.isEmpty() && !def.caption.isEmpty() &&
            !captions.contains(def.field.toUpper()))
            captions.insert(def.field.toUpper(), def.caption);
    }
    return captions;
}

} // namespace vorn
