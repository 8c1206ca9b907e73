// Showing cells along a field (difference from the previous member, that difference in percent,
// running total, rank): the rule on its own, and pivots against sums counted from the raw rows.
#include "memorycolumns.h"

#include "host/cube/pivot.h"
#include "tests/common/qtprint.h"

#include <gtest/gtest.h>

using namespace vorn;
using vorn::testing::Enrolments;
using vorn::testing::TMemoryColumns;

namespace {

enum Dimension { Graad, Klas, Geslacht };
enum Measure { Uren };

TOLAPDefinition HoursCube() {
    return ParseCubeDefinition(QByteArray(R"({"format": "vorn-cube", "version": 1,
        "dimensions": [{"field": "GRAAD", "caption": "Graad"}, {"field": "KLAS", "caption": "Klas"},
                       {"field": "GESLACHT", "caption": "Geslacht"}],
        "measures": [{"name": "Uren", "field": "UREN", "aggregate": "sum", "format": "0.0"}]})"));
}

// Enrolments() once more, read by hand: grade, class, sex, hours (0 for the one left empty).
struct RawRow {
    int graad;
    const char* klas;
    const char* geslacht;
    double uren;
};
constexpr RawRow RawRows[] = {{1, "1A", "M", 2.0}, {1, "1A", "V", 3.0}, {1, "1B", "M", 1.5},
                              {2, "2A", "V", 0.0}, {2, "2A", "V", 4.0}, {2, "2A", "M", 0.5}};

/// The hours of the rows whose grade, class and sex match (an empty text or 0 matches all).
double Hours(int graad, const QString& klas, const QString& geslacht = {}) {
    double sum = 0;
    for (const RawRow& row : RawRows)
        if ((graad == 0 || row.graad == graad) && (klas.isEmpty() || klas == QLatin1String(row.klas)) &&
            (geslacht.isEmpty() || geslacht == QLatin1String(row.geslacht)))
            sum += row.uren;
    return sum;
}

struct ShowAs : ::testing::Test {
    TMemoryColumns columns = Enrolments();
    std::shared_ptr<const TCube> cube = TCube::Build(HoursCube(), columns);

    TPivotLayout layout(std::vector<int> rows, std::vector<int> columnAxis, TShowAs showAs,
                        int base = -1) const {
        TPivotLayout made = DefinedLayout(*cube);
        made.rows.dimensions = std::move(rows);
        made.columns.dimensions = std::move(columnAxis);
        made.measures = {Uren};
        made.showAs = showAs;
        made.showAsDimension = base;
        return made;
    }
};

/// The line whose labels (one per level, totals included) are these; -1 when none.
int LineOf(const TPivot& pivot, TPivotAxis axis, const QStringList& labels) {
    for (int line = 0; line < pivot.LineCount(axis); ++line) {
        QStringList shown;
        for (int level = 0; level < labels.size(); ++level)
            shown << pivot.LineLabel(axis, line, level);
        if (shown == labels)
            return line;
    }
    return -1;
}

using Values = std::vector<std::optional<double>>;

} // namespace

TEST(AlongAField, EachRuleOnARunOfMembers) {
    const Values values{10.0, std::nullopt, 4.0, 0.0, 8.0, 8.0};
    EXPECT_EQ(AlongAField(TShowAs::DifferenceFromPrevious, values),
              (Values{std::nullopt, -10.0, 4.0, -4.0, 8.0, 0.0}))
        << "nothing for the first; a member without rows counts as 0 beside one with rows";
    EXPECT_EQ(AlongAField(TShowAs::PercentDifferenceFromPrevious, values),
              (Values{std::nullopt, -1.0, std::nullopt, -1.0, std::nullopt, 0.0}))
        << "nothing from an absent or zero previous value; from a value to nothing: -100 %";
    EXPECT_EQ(AlongAField(TShowAs::RunningTotal, values), (Values{10.0, 10.0, 14.0, 14.0, 22.0, 30.0}));
    EXPECT_EQ(AlongAField(TShowAs::Rank, values), (Values{1.0, std::nullopt, 4.0, 5.0, 2.0, 2.0}))
        << "equal values share a rank, the next one skips";
    EXPECT_EQ(AlongAField(TShowAs::RunningTotal, Values{std::nullopt, 1.0}), (Values{std::nullopt, 1.0}));
    EXPECT_EQ(AlongAField(TShowAs::Value, values), values);
    EXPECT_TRUE(AlongAField(TShowAs::Rank, {}).empty());
}

TEST_F(ShowAs, DifferencesFollowTheClassesInEveryColumnAndTotalsShowNothing) {
    const TPivot pivot(cube, layout({Graad, Klas}, {Geslacht}, TShowAs::DifferenceFromPrevious));
    EXPECT_EQ(ShowAsBaseDimension(pivot.Layout()), Klas) << "the innermost row field";
    for (const QString sex : {"M", "V", ""}) {
        const int column =
            LineOf(pivot, TPivotAxis::Columns, {sex.isEmpty() ? QStringLiteral("Eindtotaal") : sex});
        ASSERT_GE(column, 0);
        const auto cell = [&](const QStringList& row) {
            return pivot.Value(LineOf(pivot, TPivotAxis::Rows, row), column, 0);
        };
        EXPECT_EQ(cell({"1", "1A"}), std::nullopt) << "the first class of its grade";
        EXPECT_DOUBLE_EQ(cell({"1", "1B"}).value_or(-99), Hours(1, "1B", sex) - Hours(1, "1A", sex));
        EXPECT_EQ(cell({"2", "2A"}), std::nullopt) << "the run starts again in every grade";
        EXPECT_EQ(cell({"Totaal 1", ""}), std::nullopt);
        EXPECT_EQ(pivot.Value(LineOf(pivot, TPivotAxis::Rows, {"Eindtotaal", ""}), column, 0), std::nullopt);
    }
}

TEST_F(ShowAs, AlongAnOuterFieldTheSameInnerMemberOfThePreviousOneIsTheBase) {
    // Grades on the rows, sex within them: grade 2's boys against grade 1's boys.
    TPivot pivot(cube, layout({Graad, Geslacht}, {}, TShowAs::DifferenceFromPrevious, Graad));
    const auto cell = [&](const QStringList& row) {
        return pivot.Value(LineOf(pivot, TPivotAxis::Rows, row), 0, 0);
    };
    for (const QString sex : {"M", "V"})
        EXPECT_DOUBLE_EQ(cell({"2", sex}).value_or(-99), Hours(2, {}, sex) - Hours(1, {}, sex))
            << sex.toStdString();
    EXPECT_DOUBLE_EQ(cell({"Totaal 2", ""}).value_or(-99), Hours(2, {}) - Hours(1, {}));
    EXPECT_EQ(cell({"1", "M"}), std::nullopt);

    TPivotLayout percent = pivot.Layout();
    percent.showAs = TShowAs::PercentDifferenceFromPrevious;
    pivot.SetLayout(percent);
    EXPECT_DOUBLE_EQ(cell({"2", "M"}).value_or(-99),
                     (Hours(2, {}, "M") - Hours(1, {}, "M")) / Hours(1, {}, "M"));
    EXPECT_EQ(pivot.Text(LineOf(pivot, TPivotAxis::Rows, {"2", "M"}), 0, 0), QStringLiteral("-85,7%"));
}

TEST_F(ShowAs, RunningTotalsAndRanksFollowTheOrderShown) {
    TPivot pivot(cube, layout({Klas}, {}, TShowAs::RunningTotal));
    const auto cell = [&](const QString& klas) {
        return pivot.Value(LineOf(pivot, TPivotAxis::Rows, {klas}), 0, 0);
    };
    EXPECT_DOUBLE_EQ(cell("1A").value_or(-99), Hours(0, "1A"));
    EXPECT_DOUBLE_EQ(cell("1B").value_or(-99), Hours(0, "1A") + Hours(0, "1B"));
    EXPECT_DOUBLE_EQ(cell("2A").value_or(-99), Hours(0, {}));
    // Shown from the last class to the first, the running total runs the other way.
    TPivotLayout descending = pivot.Layout();
    descending.rows.descending = true;
    pivot.SetLayout(descending);
    EXPECT_DOUBLE_EQ(cell("2A").value_or(-99), Hours(0, "2A"));
    EXPECT_DOUBLE_EQ(cell("1A").value_or(-99), Hours(0, {}));

    descending.showAs = TShowAs::Rank;
    pivot.SetLayout(descending);
    // 1A has 5 hours, 2A 4.5, 1B 1.5.
    EXPECT_EQ(cell("1A"), 1.0);
    EXPECT_EQ(cell("2A"), 2.0);
    EXPECT_EQ(cell("1B"), 3.0);
    EXPECT_EQ(pivot.Text(LineOf(pivot, TPivotAxis::Rows, {"1B"}), 0, 0), QStringLiteral("3"));
}

TEST_F(ShowAs, AFieldOnTheColumnsIsABaseToo) {
    const TPivot pivot(cube, layout({Klas}, {Geslacht}, TShowAs::DifferenceFromPrevious, Geslacht));
    const int girls = LineOf(pivot, TPivotAxis::Columns, {"V"});
    for (const QString klas : {"1A", "1B", "2A"})
        EXPECT_DOUBLE_EQ(pivot.Value(LineOf(pivot, TPivotAxis::Rows, {klas}), girls, 0).value_or(-99),
                         Hours(0, klas, "V") - Hours(0, klas, "M"))
            << klas.toStdString();
}

TEST_F(ShowAs, TheBaseFieldSurvivesSavingTheLayoutAndAFaultyOneIsRefused) {
    const TPivotLayout shown = layout({Graad, Klas}, {Geslacht}, TShowAs::Rank, Graad);
    const TCubeLayoutDef stored = LayoutDefinition(*cube, shown);
    EXPECT_EQ(stored.showAsField, QStringLiteral("GRAAD"));
    EXPECT_EQ(DefinedLayout(*cube, stored).showAsDimension, Graad);
    EXPECT_EQ(DefinedLayout(*cube, stored).showAs, TShowAs::Rank);
    TPivot pivot(cube, shown);
    TPivotLayout faulty = shown;
    faulty.showAsDimension = 7;
    EXPECT_THROW(pivot.SetLayout(faulty), ECubeError);
    EXPECT_EQ(pivot.Layout(), shown);
}

TEST(ShowAsDefinition, TheStoredLayoutNamesTheKindAndItsField) {
    const TOLAPDefinition definition = ParseCubeDefinition(QByteArray(R"({"format": "vorn-cube", "version": 1,
        "dimensions": [{"field": "GRAAD"}, {"field": "KLAS"}],
        "measures": [{"name": "Uren", "field": "UREN", "aggregate": "sum"}],
        "layout": {"rows": ["GRAAD", "KLAS"], "showAs": "percentDifferenceFromPrevious", "showAsField": "GRAAD"}})"));
    EXPECT_EQ(definition.layout.showAs, TShowAs::PercentDifferenceFromPrevious);
    EXPECT_EQ(definition.layout.showAsField, QStringLiteral("GRAAD"));
    EXPECT_THROW(ParseCubeDefinition(QByteArray(R"({"format": "vorn-cube", "version": 1,
        "dimensions": [{"field": "GRAAD"}], "measures": [{"aggregate": "count"}],
        "layout": {"showAs": "rank", "showAsField": "KLAS"}})")),
                 ECubeError)
        << "a field the cube does not have";
}
