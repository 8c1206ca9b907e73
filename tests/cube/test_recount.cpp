// The pivot engine against a naive recount on random rows of many shapes: random column values with
// nulls, random dimensions and groupings, random layouts (axes, filters, sorts, totals, collapsed
// members, shown measures, show-as). Every line of both axes, every cell of every cube measure,
// every shown value and every drill-through is recomputed here from the rows alone, by labels the
// test derives itself.
#include "memorycolumns.h"

#include "host/cube/pivot.h"
#include "host/data/clientdataset.h"
#include "host/data/datetime.h"
#include "tests/common/qtprint.h"

#include <gtest/gtest.h>

#include <QCollator>
#include <QDate>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <random>
#include <set>

using namespace vorn;
using vorn::testing::TMemoryColumns;

namespace {

using TRandom = std::mt19937;

// ------------------------------------------------------------------ random rows

struct TRows {
    std::vector<std::optional<std::string>> text;     // T
    std::vector<std::optional<std::int64_t>> integer; // I
    std::vector<std::optional<double>> number;        // F
    std::vector<std::optional<double>> date;          // D, whole days
    std::vector<std::optional<std::int64_t>> id;      // ID
    std::vector<std::optional<double>> hours;         // UREN

    std::size_t size() const { return text.size(); }
};

int Pick(TRandom& random, int count) {
    return std::uniform_int_distribution<int>(0, count - 1)(random);
}

bool Chance(TRandom& random, double probability) {
    return std::uniform_real_distribution<double>(0, 1)(random) < probability;
}

template <typename T> std::optional<T> OrNull(TRandom& random, double nulls, T value) {
    return Chance(random, nulls) ? std::nullopt : std::optional<T>(value);
}

TRows RandomRows(TRandom& random) {
    static const std::vector<int> sizes{0, 1, 2, 5, 17, 40, 60, 100, 150};
    const int count = sizes[static_cast<std::size_t>(Pick(random, static_cast<int>(sizes.size())))];
    const double nulls = std::vector<double>{0, 0.1, 0.35}[static_cast<std::size_t>(Pick(random, 3))];
    static const std::vector<std::string> texts{"a", "A", "b", "Klas 2", "klas 10", "\xc3\xa9", "z"};
    static const std::vector<double> numbers{-2.5, -0.25, 0, 0.1, 1, 2.5, 3.75, 7.5, 12.25};
    static const std::vector<QDate> days{QDate(2023, 8, 31), QDate(2023, 9, 1), QDate(2024, 2, 29),
                                         QDate(2024, 8, 31), QDate(2024, 9, 1), QDate(2024, 12, 31),
                                         QDate(2025, 1, 1),  QDate(2025, 3, 17)};
    TRows rows;
    for (int i = 0; i < count; ++i) {
        rows.text.push_back(OrNull(random, nulls, texts[static_cast<std::size_t>(Pick(random, 7))]));
        rows.integer.push_back(OrNull<std::int64_t>(random, nulls, Pick(random, 25) - 12));
        rows.number.push_back(OrNull(random, nulls, numbers[static_cast<std::size_t>(Pick(random, 9))]));
        rows.date.push_back(
            OrNull(random, nulls, DateToDateTime(days[static_cast<std::size_t>(Pick(random, 8))])));
        rows.id.push_back(OrNull<std::int64_t>(random, nulls, Pick(random, 8) + 1));
        rows.hours.push_back(OrNull(random, nulls, 0.25 * Pick(random, 40)));
    }
    return rows;
}

TMemoryColumns MemoryColumnsOf(const TRows& rows) {
    TMemoryColumns columns;
    columns.AddTexts("T", rows.text);
    columns.AddIntegers("I", rows.integer);
    columns.AddNumbers("F", TCubeValueKind::Number, rows.number);
    columns.AddNumbers("D", TCubeValueKind::Date, rows.date);
    columns.AddIntegers("ID", rows.id);
    columns.AddNumbers("UREN", TCubeValueKind::Number, rows.hours);
    return columns;
}

/// The same rows in a client dataset, with the lower-case names PostgreSQL gives.
void FillDataSet(const TRows& rows, TVornClientDataSet& dataSet) {
    dataSet.AddField(FieldDef::wideString("t", 20));
    dataSet.AddField(FieldDef::integer("i"));
    dataSet.AddField(FieldDef::floating("f"));
    dataSet.AddField(FieldDef::date("d"));
    dataSet.AddField(FieldDef::largeint("id"));
    dataSet.AddField(FieldDef::decimal("uren", 10, 2));
    dataSet.CreateDataSet();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        dataSet.Append();
        if (rows.text[r])
            dataSet.Fields(0).SetAsString(QString::fromStdString(*rows.text[r]));
        if (rows.integer[r])
            dataSet.Fields(1).SetAsInteger(*rows.integer[r]);
        if (rows.number[r])
            dataSet.Fields(2).SetAsFloat(*rows.number[r]);
        if (rows.date[r])
            dataSet.Fields(3).SetAsDateTime(*rows.date[r]);
        if (rows.id[r])
            dataSet.Fields(4).SetAsInteger(*rows.id[r]);
        if (rows.hours[r])
            dataSet.Fields(5).SetAsFloat(*rows.hours[r]);
        dataSet.Post();
    }
}

// ------------------------------------------------------------------ members, derived independently

enum class TCandidate {
    Text,
    Integer,
    IntegerBand,
    NumberBand,
    Month,
    SchoolYear,
    Year,
    Number,
    IntegerHalfBand
};
constexpr int CandidateCount = 9;

struct TCandidateDef {
    TCandidate kind;
    const char* name;
    const char* field;
    TCubeGroup group;
    double width;
};

const TCandidateDef& CandidateDef(int candidate) {
    static const std::vector<TCandidateDef> defs{
        {TCandidate::Text, "Tekst", "T", TCubeGroup::None, 0},
        {TCandidate::Integer, "Geheel", "I", TCubeGroup::None, 0},
        {TCandidate::IntegerBand, "Band5", "I", TCubeGroup::Band, 5},
        {TCandidate::NumberBand, "Band2,5", "F", TCubeGroup::Band, 2.5},
        {TCandidate::Month, "Maand", "D", TCubeGroup::Month, 0},
        {TCandidate::SchoolYear, "Schooljaar", "D", TCubeGroup::SchoolYear, 0},
        {TCandidate::Year, "Jaar", "D", TCubeGroup::Year, 0},
        {TCandidate::Number, "Getal", "F", TCubeGroup::None, 0},
        {TCandidate::IntegerHalfBand, "GeheelBand2,5", "I", TCubeGroup::Band, 2.5}};
    return defs[static_cast<std::size_t>(candidate)];
}

/// A row's member of one dimension: its label and what orders it.
struct TMember {
    bool empty = true;
    double order = 0;
    std::string text; // text dimensions order by this instead
    QString label = QStringLiteral("(leeg)");
};

QString Decimal(double value) {
    return QString::number(value, 'g', 15).replace(u'.', u',');
}

TMember NumberMember(double order, const QString& label) {
    TMember member;
    member.empty = false;
    member.order = order;
    member.label = label;
    return member;
}

TMember FractionBand(double value, double width) {
    const double low = std::floor(value / width) * width;
    return NumberMember(low, Decimal(low) + QStringLiteral(" tot ") + Decimal(low + width));
}

TMember MemberOf(const TRows& rows, int candidate, std::size_t row) {
    switch (CandidateDef(candidate).kind) {
    case TCandidate::Text: {
        if (!rows.text[row])
            return {};
        TMember member = NumberMember(0, QString::fromStdString(*rows.text[row]));
        member.text = *rows.text[row];
        return member;
    }
    case TCandidate::Integer:
        return rows.integer[row]
                   ? NumberMember(double(*rows.integer[row]), QString::number(*rows.integer[row]))
                   : TMember{};
    case TCandidate::IntegerBand: {
        if (!rows.integer[row])
            return {};
        const auto low = static_cast<int>(std::floor(double(*rows.integer[row]) / 5) * 5);
        return NumberMember(low, low < 0 ? QStringLiteral("%1 t/m %2").arg(low).arg(low + 4)
                                         : QStringLiteral("%1-%2").arg(low).arg(low + 4));
    }
    case TCandidate::IntegerHalfBand:
        return rows.integer[row] ? FractionBand(double(*rows.integer[row]), 2.5) : TMember{};
    case TCandidate::NumberBand:
        return rows.number[row] ? FractionBand(*rows.number[row], 2.5) : TMember{};
    case TCandidate::Number:
        return rows.number[row] ? NumberMember(*rows.number[row], Decimal(*rows.number[row])) : TMember{};
    default:
        break;
    }
    if (!rows.date[row])
        return {};
    const QDate day = QDate(1899, 12, 30).addDays(static_cast<qint64>(*rows.date[row]));
    if (CandidateDef(candidate).kind == TCandidate::Month)
        return NumberMember(day.year() * 12 + day.month(), day.toString(QStringLiteral("yyyy-MM")));
    if (CandidateDef(candidate).kind == TCandidate::Year)
        return NumberMember(day.year(), QString::number(day.year()));
    const int schoolYear = day.month() >= 9 ? day.year() : day.year() - 1;
    return NumberMember(schoolYear, QStringLiteral("%1-%2").arg(schoolYear).arg(schoolYear + 1));
}

/// Natural order: numbers and dates by value, texts alphabetically (letter case ignored, numbers by
/// value, then by their bytes), no value last.
bool Before(const TMember& a, const TMember& b) {
    static const QCollator collator = [] {
        QCollator made(QLocale(QLocale::Dutch, QLocale::Belgium));
        made.setCaseSensitivity(Qt::CaseInsensitive);
        made.setNumericMode(true);
        return made;
    }();
    if (a.empty || b.empty)
        return !a.empty && b.empty;
    if (a.text.empty() && b.text.empty())
        return a.order < b.order;
    const int order = collator.compare(QString::fromStdString(a.text), QString::fromStdString(b.text));
    return order != 0 ? order < 0 : a.text < b.text;
}

// ------------------------------------------------------------------ the recount

struct TCase {
    TRows rows;
    std::vector<int> candidates; // the cube's dimensions, by candidate
    std::shared_ptr<const TCube> cube;
    TPivotLayout layout;
    /// Per cube dimension, per row: its member.
    std::vector<std::vector<TMember>> members;
};

const std::vector<TCubeMeasureDef>& Measures() {
    static const std::vector<TCubeMeasureDef> measures{
        {"Rijen", "", "Rijen", "", TCubeAggregate::Count},
        {"Met uren", "UREN", "", "", TCubeAggregate::Count},
        {"Ids", "ID", "", "", TCubeAggregate::CountDistinct},
        {"Teksten", "T", "", "", TCubeAggregate::CountDistinct},
        {"Uren", "UREN", "", "0.00", TCubeAggregate::Sum},
        {"Gemiddeld", "UREN", "", "", TCubeAggregate::Average},
        {"Kleinste", "I", "", "", TCubeAggregate::Minimum},
        {"Grootste", "F", "", "", TCubeAggregate::Maximum}};
    return measures;
}

/// The aggregate of measure `m` over some rows; nothing when there are no rows.
std::optional<double> Recount(const TRows& rows, int m, const std::vector<std::size_t>& which) {
    if (which.empty())
        return std::nullopt;
    std::vector<double> values;
    std::set<std::string> distinct;
    for (const std::size_t r : which) {
        if (m == 1 && rows.hours[r])
            values.push_back(1);
        if (m == 2 && rows.id[r])
            distinct.insert(std::to_string(*rows.id[r]));
        if (m == 3 && rows.text[r])
            distinct.insert(*rows.text[r]);
        if ((m == 4 || m == 5) && rows.hours[r])
            values.push_back(*rows.hours[r]);
        if (m == 6 && rows.integer[r])
            values.push_back(double(*rows.integer[r]));
        if (m == 7 && rows.number[r])
            values.push_back(*rows.number[r]);
    }
    double sum = 0;
    for (const double value : values)
        sum += value;
    switch (m) {
    case 0:
        return double(which.size());
    case 1:
        return double(values.size());
    case 2:
    case 3:
        return double(distinct.size());
    default:
        break;
    }
    if (values.empty())
        return std::nullopt;
    if (m == 4)
        return sum;
    if (m == 5)
        return sum / double(values.size());
    return m == 6 ? *std::min_element(values.begin(), values.end())
                  : *std::max_element(values.begin(), values.end());
}

std::vector<std::size_t> KeptRows(const TCase& test) {
    std::vector<std::size_t> kept;
    for (std::size_t r = 0; r < test.rows.size(); ++r) {
        bool keep = true;
        for (const auto& [dimension, codes] : test.layout.filters) {
            QStringList labels;
            for (const std::uint32_t code : codes)
                labels << test.cube->MemberLabel(dimension, code);
            keep = keep && labels.contains(test.members[static_cast<std::size_t>(dimension)][r].label);
        }
        if (keep)
            kept.push_back(r);
    }
    return kept;
}

/// The rows among `rows` whose members on the axis's first dimensions have these labels.
std::vector<std::size_t> RowsOnPath(const TCase& test, const std::vector<int>& dimensions,
                                    const QStringList& path, const std::vector<std::size_t>& rows) {
    std::vector<std::size_t> on;
    for (const std::size_t r : rows) {
        bool match = true;
        for (qsizetype level = 0; level < path.size(); ++level)
            match = match &&
                    test.members[static_cast<std::size_t>(dimensions[static_cast<std::size_t>(level)])][r]
                            .label == path[level];
        if (match)
            on.push_back(r);
    }
    return on;
}

struct TExpectedLine {
    TLineKind kind;
    QStringList path;
    bool operator==(const TExpectedLine&) const = default;
};

void PrintTo(const TExpectedLine& line, std::ostream* out) {
    *out << int(line.kind) << ":" << line.path.join('/').toStdString();
}

/// The lines of one axis, laid out from the rows: children in member order (or by their total of
/// the sort measure), collapsed members as one line, subtotals after the children, grand total last.
class TExpectedAxis {
public:
    TExpectedAxis(const TCase& test, const TAxisLayout& axis, std::vector<std::size_t> kept)
        : test_(test), axis_(axis), kept_(std::move(kept)) {}

    std::vector<TExpectedLine> Lines() {
        if (axis_.dimensions.empty())
            return {{TLineKind::GrandTotal, {}}};
        addChildren({}, kept_);
        if (axis_.grandTotal)
            lines_.push_back({TLineKind::GrandTotal, {}});
        return lines_;
    }

private:
    bool collapsed(const QStringList& path) const {
        TMemberPath codes;
        for (qsizetype level = 0; level < path.size(); ++level)
            codes.push_back(
                *test_.cube->FindMember(axis_.dimensions[static_cast<std::size_t>(level)], path[level]));
        const bool levelCollapsed = axis_.collapsedLevels.count(static_cast<int>(path.size())) > 0;
        return axis_.collapsed.count(codes) > 0 || (levelCollapsed && axis_.expanded.count(codes) == 0);
    }

    void addChildren(const QStringList& path, const std::vector<std::size_t>& rows) {
        const auto level = static_cast<std::size_t>(path.size());
        const std::vector<TMember>& members =
            test_.members[static_cast<std::size_t>(axis_.dimensions[level])];
        std::vector<TMember> children;
        for (const std::size_t r : rows)
            if (std::none_of(children.begin(), children.end(),
                             [&](const TMember& child) { return child.label == members[r].label; }))
                children.push_back(members[r]);
        std::sort(children.begin(), children.end(), Before);
        order(children, path, rows);
        for (const TMember& child : children) {
            const QStringList childPath = path + QStringList{child.label};
            const std::vector<std::size_t> childRows = RowsOnPath(test_, axis_.dimensions, childPath, rows);
            if (level + 1 == axis_.dimensions.size()) {
                lines_.push_back({TLineKind::Member, childPath});
            } else if (collapsed(childPath)) {
                lines_.push_back({TLineKind::Collapsed, childPath});
            } else {
                addChildren(childPath, childRows);
                if (axis_.subtotals)
                    lines_.push_back({TLineKind::Subtotal, childPath});
            }
        }
    }

    void order(std::vector<TMember>& children, const QStringList& path,
               const std::vector<std::size_t>& rows) const {
        if (axis_.sortBy == TSortBy::Label) {
            if (axis_.descending) {
                const bool emptyLast = !children.empty() && children.back().empty;
                std::reverse(children.begin(), children.end() - (emptyLast ? 1 : 0));
            }
            return;
        }
        std::vector<std::optional<double>> totals;
        for (const TMember& child : children)
            totals.push_back(
                Recount(test_.rows, axis_.sortMeasure,
                        RowsOnPath(test_, axis_.dimensions, path + QStringList{child.label}, rows)));
        std::vector<std::size_t> order(children.size());
        std::iota(order.begin(), order.end(), 0u);
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            if (!totals[a] || !totals[b])
                return totals[a].has_value() && !totals[b].has_value();
            return axis_.descending ? *totals[a] > *totals[b] : *totals[a] < *totals[b];
        });
        std::vector<TMember> sorted;
        for (const std::size_t i : order)
            sorted.push_back(children[i]);
        children = sorted;
    }

    const TCase& test_;
    const TAxisLayout& axis_;
    std::vector<std::size_t> kept_;
    std::vector<TExpectedLine> lines_;
};

// ------------------------------------------------------------------ random cubes and layouts

/// Collapses some members and levels of an axis, by the label paths that occur in the rows.
void CollapseRandomly(TRandom& random, const TCase& test, TAxisLayout& axis) {
    const auto depth = static_cast<int>(axis.dimensions.size());
    for (int level = 1; level < depth; ++level)
        if (Chance(random, 0.2))
            axis.collapsedLevels.insert(level);
    for (std::size_t r = 0; r < test.rows.size(); ++r)
        for (int level = 1; level < depth; ++level) {
            if (!Chance(random, 0.1))
                continue;
            TMemberPath path;
            for (int k = 0; k < level; ++k) {
                const int dimension = axis.dimensions[static_cast<std::size_t>(k)];
                path.push_back(*test.cube->FindMember(
                    dimension, test.members[static_cast<std::size_t>(dimension)][r].label));
            }
            (axis.collapsedLevels.count(level) > 0 ? axis.expanded : axis.collapsed).insert(path);
        }
}

TAxisLayout RandomAxis(TRandom& random, std::vector<int> dimensions) {
    TAxisLayout axis;
    axis.dimensions = std::move(dimensions);
    axis.grandTotal = Chance(random, 0.7);
    axis.subtotals = Chance(random, 0.6);
    axis.sortBy = Chance(random, 0.5) ? TSortBy::Label : TSortBy::Measure;
    axis.sortMeasure = Pick(random, static_cast<int>(Measures().size()));
    axis.descending = Chance(random, 0.5);
    return axis;
}

TPivotLayout RandomLayout(TRandom& random, const TCase& test) {
    std::vector<int> dimensions(test.candidates.size());
    std::iota(dimensions.begin(), dimensions.end(), 0);
    std::shuffle(dimensions.begin(), dimensions.end(), random);
    const int onRows = Pick(random, static_cast<int>(dimensions.size()) + 1);
    const int onColumns = Pick(random, static_cast<int>(dimensions.size()) - onRows + 1);
    TPivotLayout layout;
    layout.rows = RandomAxis(random, {dimensions.begin(), dimensions.begin() + onRows});
    layout.columns =
        RandomAxis(random, {dimensions.begin() + onRows, dimensions.begin() + onRows + onColumns});
    for (int dimension = 0; dimension < test.cube->DimensionCount(); ++dimension) {
        if (!Chance(random, 0.25))
            continue;
        std::set<std::uint32_t>& kept = layout.filters[dimension];
        for (std::uint32_t member = 0; member < test.cube->MemberCount(dimension); ++member)
            if (Chance(random, 0.7))
                kept.insert(member);
    }
    for (int m = 0; m < static_cast<int>(Measures().size()); ++m)
        if (Chance(random, 0.4) || (m == 7 && layout.measures.empty()))
            layout.measures.push_back(m);
    std::shuffle(layout.measures.begin(), layout.measures.end(), random);
    layout.showAs = static_cast<TShowAs>(Pick(random, 4));
    CollapseRandomly(random, test, layout.rows);
    CollapseRandomly(random, test, layout.columns);
    return layout;
}

TCase RandomCase(unsigned seed) {
    TRandom random(seed);
    TCase test;
    test.rows = RandomRows(random);
    std::vector<int> candidates(CandidateCount);
    std::iota(candidates.begin(), candidates.end(), 0);
    std::shuffle(candidates.begin(), candidates.end(), random);
    test.candidates.assign(candidates.begin(), candidates.begin() + 1 + Pick(random, 5));
    TOLAPDefinition definition;
    for (const int candidate : test.candidates) {
        const TCandidateDef& def = CandidateDef(candidate);
        definition.dimensions.push_back({def.name, def.field, def.name, def.group, def.width});
        std::vector<TMember> members;
        for (std::size_t r = 0; r < test.rows.size(); ++r)
            members.push_back(MemberOf(test.rows, candidate, r));
        test.members.push_back(members);
    }
    definition.measures = Measures();
    definition.layout.rows << definition.dimensions.front().name;
    definition.layout.measures << Measures().front().name;
    if (seed % 4 == 0) {
        TVornClientDataSet dataSet;
        FillDataSet(test.rows, dataSet);
        test.cube = TCube::Build(definition, dataSet);
    } else {
        test.cube = TCube::Build(definition, MemoryColumnsOf(test.rows));
    }
    test.layout = RandomLayout(random, test);
    return test;
}

// ------------------------------------------------------------------ comparing

::testing::AssertionResult Same(const std::optional<double>& engine, const std::optional<double>& recount) {
    if (engine.has_value() != recount.has_value())
        return ::testing::AssertionFailure()
               << "engine " << (engine ? std::to_string(*engine) : "nothing") << ", recount "
               << (recount ? std::to_string(*recount) : "nothing");
    if (engine && std::abs(*engine - *recount) > 1e-9 * std::max(1.0, std::abs(*recount)))
        return ::testing::AssertionFailure() << "engine " << *engine << ", recount " << *recount;
    return ::testing::AssertionSuccess();
}

std::vector<TExpectedLine> EngineLines(const TPivot& pivot, TPivotAxis axis) {
    const std::vector<int>& dimensions =
        axis == TPivotAxis::Rows ? pivot.Layout().rows.dimensions : pivot.Layout().columns.dimensions;
    std::vector<TExpectedLine> lines;
    for (int i = 0; i < pivot.LineCount(axis); ++i) {
        const TAxisLine line = pivot.Line(axis, i);
        QStringList path;
        for (std::size_t level = 0; level < line.path.size(); ++level)
            path << pivot.Cube().MemberLabel(dimensions[level], line.path[level]);
        lines.push_back({line.kind, path});
    }
    return lines;
}

std::optional<double> ShownRecount(const TCase& test, int m, const std::vector<std::size_t>& cell,
                                   const std::vector<std::size_t>& rowTotal,
                                   const std::vector<std::size_t>& columnTotal,
                                   const std::vector<std::size_t>& grandTotal) {
    const std::optional<double> value = Recount(test.rows, m, cell);
    if (test.layout.showAs == TShowAs::Value || !value)
        return value;
    const std::vector<std::size_t>& of = test.layout.showAs == TShowAs::PercentOfRow      ? rowTotal
                                         : test.layout.showAs == TShowAs::PercentOfColumn ? columnTotal
                                                                                          : grandTotal;
    const std::optional<double> total = Recount(test.rows, m, of);
    if (!total || *total == 0)
        return std::nullopt;
    return *value / *total;
}

void CheckMembers(const TCase& test) {
    for (std::size_t d = 0; d < test.candidates.size(); ++d) {
        std::vector<TMember> distinct;
        for (const TMember& member : test.members[d])
            if (std::none_of(distinct.begin(), distinct.end(),
                             [&](const TMember& seen) { return seen.label == member.label; }))
                distinct.push_back(member);
        std::sort(distinct.begin(), distinct.end(), Before);
        QStringList labels;
        for (const TMember& member : distinct)
            labels << member.label;
        EXPECT_EQ(test.cube->Dimension(static_cast<int>(d)).labels, labels) << "dimension " << d;
    }
}

void CheckCells(const TCase& test, const TPivot& pivot, const std::vector<TExpectedLine>& rowLines,
                const std::vector<TExpectedLine>& columnLines) {
    const std::vector<std::size_t> kept = KeptRows(test);
    std::vector<std::vector<std::size_t>> rowsOfRowLine;
    for (const TExpectedLine& line : rowLines)
        rowsOfRowLine.push_back(RowsOnPath(test, test.layout.rows.dimensions, line.path, kept));
    std::vector<std::vector<std::size_t>> rowsOfColumnLine;
    for (const TExpectedLine& line : columnLines)
        rowsOfColumnLine.push_back(RowsOnPath(test, test.layout.columns.dimensions, line.path, kept));
    for (std::size_t i = 0; i < rowLines.size(); ++i)
        for (std::size_t j = 0; j < columnLines.size(); ++j) {
            std::vector<std::size_t> cell;
            std::set_intersection(rowsOfRowLine[i].begin(), rowsOfRowLine[i].end(),
                                  rowsOfColumnLine[j].begin(), rowsOfColumnLine[j].end(),
                                  std::back_inserter(cell));
            const int row = static_cast<int>(i);
            const int column = static_cast<int>(j);
            for (int m = 0; m < static_cast<int>(Measures().size()); ++m)
                EXPECT_TRUE(Same(pivot.Aggregate(row, column, m), Recount(test.rows, m, cell)))
                    << "cell " << i << "," << j << " measure " << m;
            for (int slot = 0; slot < pivot.MeasureSlotCount(); ++slot)
                EXPECT_TRUE(Same(pivot.Value(row, column, slot),
                                 ShownRecount(test, test.layout.measures[static_cast<std::size_t>(slot)],
                                              cell, rowsOfRowLine[i], rowsOfColumnLine[j], kept)))
                    << "shown cell " << i << "," << j << " slot " << slot;
            const std::vector<std::uint32_t> drilled = pivot.DrillThrough(row, column);
            EXPECT_EQ(std::vector<std::size_t>(drilled.begin(), drilled.end()), cell)
                << "cell " << i << "," << j;
        }
}

void CheckCase(const TCase& test) {
    CheckMembers(test);
    const TPivot pivot(test.cube, test.layout);
    const std::vector<std::size_t> kept = KeptRows(test);
    const std::vector<TExpectedLine> rowLines = TExpectedAxis(test, test.layout.rows, kept).Lines();
    const std::vector<TExpectedLine> columnLines = TExpectedAxis(test, test.layout.columns, kept).Lines();
    ASSERT_EQ(EngineLines(pivot, TPivotAxis::Rows), rowLines);
    ASSERT_EQ(EngineLines(pivot, TPivotAxis::Columns), columnLines);
    CheckCells(test, pivot, rowLines, columnLines);
}

} // namespace

TEST(CubeRecount, EveryLineCellAndDrillThroughOfRandomPivots) {
    for (unsigned seed = 1; seed <= 600; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const TCase test = RandomCase(seed);
        CheckCase(test);
        if (::testing::Test::HasFailure())
            break;
    }
}

TEST(CubeRecount, ALayoutChangeGivesWhatAFreshPivotGives) {
    for (unsigned seed = 1000; seed < 1060; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        TCase test = RandomCase(seed);
        TPivot pivot(test.cube, test.layout);
        TRandom random(seed);
        // The same axes and filters with other sorts, totals and collapsed members reuse the aggregates.
        TPivotLayout changed = RandomLayout(random, test);
        changed.rows.dimensions = test.layout.rows.dimensions;
        changed.columns.dimensions = test.layout.columns.dimensions;
        changed.filters = test.layout.filters;
        changed.rows.collapsed.clear();
        changed.columns.collapsed.clear();
        changed.rows.expanded.clear();
        changed.columns.expanded.clear();
        for (const TPivotLayout& layout : {changed, RandomLayout(random, test), test.layout}) {
            pivot.SetLayout(layout);
            test.layout = layout;
            const std::vector<std::size_t> kept = KeptRows(test);
            EXPECT_EQ(EngineLines(pivot, TPivotAxis::Rows), TExpectedAxis(test, layout.rows, kept).Lines());
            EXPECT_EQ(EngineLines(pivot, TPivotAxis::Columns),
                      TExpectedAxis(test, layout.columns, kept).Lines());
            const TPivot fresh(test.cube, layout);
            for (int i = 0; i < pivot.LineCount(TPivotAxis::Rows); ++i)
                for (int j = 0; j < pivot.LineCount(TPivotAxis::Columns); ++j)
                    for (int slot = 0; slot < pivot.MeasureSlotCount(); ++slot)
                        EXPECT_TRUE(Same(pivot.Value(i, j, slot), fresh.Value(i, j, slot)));
        }
    }
}
