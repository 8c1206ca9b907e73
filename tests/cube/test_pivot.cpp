// Pivots of a few enrolments, worked out by hand: totals that are true aggregates, empty cells,
// formatted texts, percentages, sorting and collapsing, drill-through, faulty layouts and the
// stored layout of a definition.
#include "memorycolumns.h"

#include "host/cube/pivot.h"
#include "tests/common/qtprint.h"

#include <gtest/gtest.h>

using namespace vorn;
using vorn::testing::Enrolments;
using vorn::testing::TMemoryColumns;

namespace {

enum Measure { Cursisten, Uren, Gemiddeld, Inschrijvingen };

TOLAPDefinition EnrolmentCube(const char* layout = "") {
    return ParseCubeDefinition(QByteArray(R"({"format": "vorn-cube", "version": 1,
        "dimensions": [{"field": "GRAAD", "caption": "Graad"}, {"field": "KLAS", "caption": "Klas"},
                       {"field": "GESLACHT", "caption": "Geslacht"}],
        "measures": [{"name": "Cursisten", "field": "LL_ID", "aggregate": "countDistinct"},
                     {"name": "Uren", "field": "UREN", "aggregate": "sum", "format": "0.0"},
                     {"name": "Gemiddeld", "field": "UREN", "aggregate": "average"},
                     {"name": "Inschrijvingen", "aggregate": "count"}])") +
                               layout + "}");
}

/// Grade and class on the rows, sex on the columns.
TPivotLayout ByGradeClassAndSex(const TCube& cube) {
    TPivotLayout layout = DefinedLayout(cube);
    layout.rows.dimensions = {0, 1};
    layout.columns.dimensions = {2};
    layout.measures = {Cursisten, Uren, Gemiddeld};
    return layout;
}

/// Every line as its labels joined by bars.
QStringList LineNames(const TPivot& pivot, TPivotAxis axis) {
    const std::vector<int>& dimensions =
        axis == TPivotAxis::Rows ? pivot.Layout().rows.dimensions : pivot.Layout().columns.dimensions;
    QStringList names;
    for (int line = 0; line < pivot.LineCount(axis); ++line) {
        QStringList labels;
        for (int level = 0; level < std::max<int>(1, static_cast<int>(dimensions.size())); ++level)
            labels << pivot.LineLabel(axis, line, level);
        names << labels.join(QLatin1Char('|'));
    }
    return names;
}

int FindLine(const TPivot& pivot, TPivotAxis axis, TLineKind kind, const QStringList& labels) {
    for (int line = 0; line < pivot.LineCount(axis); ++line) {
        const TAxisLine found = pivot.Line(axis, line);
        const std::vector<int>& dimensions =
            axis == TPivotAxis::Rows ? pivot.Layout().rows.dimensions : pivot.Layout().columns.dimensions;
        QStringList path;
        for (std::size_t level = 0; level < found.path.size(); ++level)
            path << pivot.Cube().MemberLabel(dimensions[level], found.path[level]);
        if (found.kind == kind && path == labels)
            return line;
    }
    return -1;
}

struct EnrolmentPivot : ::testing::Test {
    TMemoryColumns columns = Enrolments();
    std::shared_ptr<const TCube> cube = TCube::Build(EnrolmentCube(), columns);
    TPivot pivot{cube, ByGradeClassAndSex(*cube)};

    int row(TLineKind kind, const QStringList& labels) const {
        return FindLine(pivot, TPivotAxis::Rows, kind, labels);
    }
    int column(TLineKind kind, const QStringList& labels) const {
        return FindLine(pivot, TPivotAxis::Columns, kind, labels);
    }
    int grandRow() const { return row(TLineKind::GrandTotal, {}); }
    int grandColumn() const { return column(TLineKind::GrandTotal, {}); }
};

} // namespace

TEST_F(EnrolmentPivot, LaysOutMembersSubtotalsAndTheGrandTotal) {
    EXPECT_EQ(LineNames(pivot, TPivotAxis::Rows),
              (QStringList{"1|1A", "1|1B", "Totaal 1|", "2|2A", "Totaal 2|", "Eindtotaal|"}));
    EXPECT_EQ(pivot.LineCount(TPivotAxis::Columns), 3);
    EXPECT_EQ(pivot.LineLabel(TPivotAxis::Columns, 0, 0), QStringLiteral("M"));
    EXPECT_EQ(pivot.LineLabel(TPivotAxis::Columns, 2, 0), QStringLiteral("Eindtotaal"));
    EXPECT_EQ(pivot.Line(TPivotAxis::Rows, 2), (TAxisLine{TLineKind::Subtotal, {0}}));
    EXPECT_EQ(pivot.LineDepth(TPivotAxis::Rows, 3), 2);
    EXPECT_EQ(pivot.LineKind(TPivotAxis::Rows, 5), TLineKind::GrandTotal);
}

TEST_F(EnrolmentPivot, DistinctCountsOfTotalsAreNotSumsOfTheirParts) {
    const int male = column(TLineKind::Member, {"M"});
    // Pupil 1 is a boy in 1A and in 1B: one boy in grade 1.
    EXPECT_EQ(pivot.Aggregate(row(TLineKind::Member, {"1", "1A"}), male, Cursisten), 1.0);
    EXPECT_EQ(pivot.Aggregate(row(TLineKind::Member, {"1", "1B"}), male, Cursisten), 1.0);
    EXPECT_EQ(pivot.Aggregate(row(TLineKind::Subtotal, {"1"}), male, Cursisten), 1.0);
    EXPECT_EQ(pivot.Aggregate(grandRow(), male, Cursisten), 2.0);
    EXPECT_EQ(pivot.Aggregate(grandRow(), grandColumn(), Cursisten), 4.0);
    EXPECT_EQ(pivot.Aggregate(grandRow(), grandColumn(), Inschrijvingen), 6.0);
}

TEST_F(EnrolmentPivot, AveragesOfTotalsAreOverTheirRowsAndNullsAreLeftOut) {
    const int girls = column(TLineKind::Member, {"V"});
    const int class2A = row(TLineKind::Member, {"2", "2A"});
    EXPECT_EQ(pivot.Aggregate(class2A, girls, Uren), 4.0);
    EXPECT_EQ(pivot.Aggregate(class2A, girls, Gemiddeld), 4.0);
    EXPECT_DOUBLE_EQ(*pivot.Aggregate(grandRow(), grandColumn(), Gemiddeld), 11.0 / 5);
    EXPECT_DOUBLE_EQ(*pivot.Aggregate(row(TLineKind::Subtotal, {"1"}), grandColumn(), Gemiddeld), 6.5 / 3);
}

TEST_F(EnrolmentPivot, ACellWithoutRowsIsEmptyNotZero) {
    const int class1B = row(TLineKind::Member, {"1", "1B"});
    const int girls = column(TLineKind::Member, {"V"});
    EXPECT_FALSE(pivot.Aggregate(class1B, girls, Inschrijvingen));
    EXPECT_FALSE(pivot.Value(class1B, girls, 0));
    EXPECT_EQ(pivot.Text(class1B, girls, 0), QString());
    EXPECT_TRUE(pivot.DrillThrough(class1B, girls).empty());
}

TEST_F(EnrolmentPivot, TextsFollowTheMeasuresFormats) {
    EXPECT_EQ(pivot.Text(grandRow(), grandColumn(), 0), QStringLiteral("4"));
    EXPECT_EQ(pivot.Text(grandRow(), grandColumn(), 1), QStringLiteral("11,0"));
    EXPECT_EQ(pivot.Text(grandRow(), grandColumn(), 2), QStringLiteral("2,20"));
}

TEST_F(EnrolmentPivot, PercentagesAreOfTheRowTheColumnOrTheGrandTotal) {
    const int class1A = row(TLineKind::Member, {"1", "1A"});
    const int male = column(TLineKind::Member, {"M"});
    TPivotLayout layout = pivot.Layout();
    layout.showAs = TShowAs::PercentOfColumn;
    pivot.SetLayout(layout);
    EXPECT_EQ(pivot.Value(class1A, male, 0), 0.5); // one of the two boys
    EXPECT_EQ(pivot.Text(class1A, male, 0), QStringLiteral("50,0%"));
    layout.showAs = TShowAs::PercentOfRow;
    pivot.SetLayout(layout);
    EXPECT_EQ(pivot.Value(class1A, male, 0), 0.5); // one of the two pupils of 1A
    layout.showAs = TShowAs::PercentOfTotal;
    pivot.SetLayout(layout);
    EXPECT_DOUBLE_EQ(*pivot.Value(class1A, male, 1), 2.0 / 11);
    EXPECT_EQ(pivot.Text(grandRow(), grandColumn(), 1), QStringLiteral("100,0%"));
}

TEST_F(EnrolmentPivot, SortsMembersWithinTheirParentByATotal) {
    TPivotLayout layout = pivot.Layout();
    layout.rows.sortBy = TSortBy::Measure;
    layout.rows.sortMeasure = Uren;
    pivot.SetLayout(layout);
    EXPECT_EQ(LineNames(pivot, TPivotAxis::Rows),
              (QStringList{"2|2A", "Totaal 2|", "1|1B", "1|1A", "Totaal 1|", "Eindtotaal|"}));
    layout.rows.descending = true;
    layout.rows.sortBy = TSortBy::Label;
    pivot.SetLayout(layout);
    EXPECT_EQ(LineNames(pivot, TPivotAxis::Rows),
              (QStringList{"2|2A", "Totaal 2|", "1|1B", "1|1A", "Totaal 1|", "Eindtotaal|"}));
}

TEST_F(EnrolmentPivot, ACollapsedMemberIsOneLineWithItsTotal) {
    TPivotLayout layout = pivot.Layout();
    SetCollapsed(layout.rows, {0}, true);
    pivot.SetLayout(layout);
    EXPECT_EQ(LineNames(pivot, TPivotAxis::Rows), (QStringList{"1|", "2|2A", "Totaal 2|", "Eindtotaal|"}));
    EXPECT_EQ(pivot.LineKind(TPivotAxis::Rows, 0), TLineKind::Collapsed);
    EXPECT_EQ(pivot.Aggregate(0, grandColumn(), Uren), 6.5);
    EXPECT_EQ(pivot.DrillThrough(0, grandColumn()), (std::vector<std::uint32_t>{0, 1, 2}));

    SetLevelCollapsed(layout.rows, 1, true);
    SetCollapsed(layout.rows, {1}, false);
    pivot.SetLayout(layout);
    EXPECT_EQ(LineNames(pivot, TPivotAxis::Rows), (QStringList{"1|", "2|2A", "Totaal 2|", "Eindtotaal|"}));
    SetLevelCollapsed(layout.rows, 1, false);
    pivot.SetLayout(layout);
    EXPECT_EQ(pivot.LineCount(TPivotAxis::Rows), 6);
}

TEST(PivotLayouts, CollapsingFollowsTheMemberThenItsLevel) {
    TAxisLayout axis;
    EXPECT_FALSE(IsCollapsed(axis, {3}));
    SetCollapsed(axis, {3}, true);
    EXPECT_TRUE(IsCollapsed(axis, {3}));
    SetLevelCollapsed(axis, 1, true);
    EXPECT_TRUE(axis.collapsed.empty());
    EXPECT_TRUE(IsCollapsed(axis, {4}));
    EXPECT_FALSE(IsCollapsed(axis, {4, 1}));
    SetCollapsed(axis, {4}, false);
    EXPECT_FALSE(IsCollapsed(axis, {4}));
    EXPECT_TRUE(IsCollapsed(axis, {5}));
    SetLevelCollapsed(axis, 1, false);
    EXPECT_TRUE(axis.expanded.empty());
    EXPECT_FALSE(IsCollapsed(axis, {5}));
}

TEST_F(EnrolmentPivot, DrillThroughGivesTheRowsOfAnyCellInSourceOrder) {
    const int male = column(TLineKind::Member, {"M"});
    EXPECT_EQ(pivot.DrillThrough(row(TLineKind::Subtotal, {"1"}), male), (std::vector<std::uint32_t>{0, 2}));
    EXPECT_EQ(pivot.DrillThrough(grandRow(), grandColumn()), (std::vector<std::uint32_t>{0, 1, 2, 3, 4, 5}));
    TPivotLayout layout = pivot.Layout();
    layout.filters[2] = {*cube->FindMember(2, "V")};
    pivot.SetLayout(layout);
    EXPECT_EQ(pivot.DrillThrough(grandRow(), grandColumn()), (std::vector<std::uint32_t>{1, 3, 4}));
}

TEST_F(EnrolmentPivot, FiltersKeepRowsAlsoOnDimensionsOffTheAxes) {
    TPivotLayout layout = pivot.Layout();
    layout.columns.dimensions.clear();
    layout.filters[2] = {*cube->FindMember(2, "M")};
    pivot.SetLayout(layout);
    EXPECT_EQ(LineNames(pivot, TPivotAxis::Rows),
              (QStringList{"1|1A", "1|1B", "Totaal 1|", "2|2A", "Totaal 2|", "Eindtotaal|"}));
    EXPECT_EQ(pivot.LineCount(TPivotAxis::Columns), 1);
    EXPECT_EQ(pivot.Aggregate(pivot.LineCount(TPivotAxis::Rows) - 1, 0, Cursisten), 2.0);
    layout.filters[2].clear();
    pivot.SetLayout(layout);
    EXPECT_EQ(LineNames(pivot, TPivotAxis::Rows), QStringList{"Eindtotaal|"});
    EXPECT_FALSE(pivot.Value(0, 0, 0));
}

TEST(Pivot, AnEmptyCubeHasOnlyItsTotals) {
    TMemoryColumns columns;
    columns.AddTexts("KLAS", {});
    columns.AddIntegers("LL_ID", {});
    const auto cube = TCube::Build(
        ParseCubeDefinition(
            R"({"rows": ["KLAS"], "values": [{"field": "LL_ID", "aggregate": "countDistinct"}]})"),
        columns);
    TPivot pivot(cube);
    ASSERT_EQ(pivot.LineCount(TPivotAxis::Rows), 1);
    EXPECT_EQ(pivot.LineKind(TPivotAxis::Rows, 0), TLineKind::GrandTotal);
    EXPECT_EQ(pivot.LineCount(TPivotAxis::Columns), 1);
    EXPECT_FALSE(pivot.Value(0, 0, 0));
    EXPECT_TRUE(pivot.DrillThrough(0, 0).empty());
    TPivotLayout layout = pivot.Layout();
    layout.rows.grandTotal = false;
    pivot.SetLayout(layout);
    EXPECT_EQ(pivot.LineCount(TPivotAxis::Rows), 0);
}

TEST_F(EnrolmentPivot, AFaultyLayoutIsRefusedAndTheOldOneKept) {
    const TPivotLayout before = pivot.Layout();
    const auto refused = [&](const TPivotLayout& layout) {
        try {
            pivot.SetLayout(layout);
        } catch (const ECubeError& error) {
            return error.message();
        }
        return QStringLiteral("(geen fout)");
    };
    TPivotLayout twice = before;
    twice.columns.dimensions = {1};
    EXPECT_EQ(refused(twice),
              QStringLiteral("Kubusindeling: dimensie \"Klas\" staat meer dan eens op de assen"));
    TPivotLayout beyond = before;
    beyond.rows.dimensions = {7};
    EXPECT_EQ(refused(beyond), QStringLiteral("Kubusindeling: dimensie 7 bestaat niet"));
    TPivotLayout member = before;
    member.filters[0] = {2};
    EXPECT_EQ(refused(member),
              QStringLiteral("Kubusindeling: filter op dimensie \"Graad\" noemt een lid dat niet bestaat"));
    TPivotLayout measure = before;
    measure.measures = {4};
    EXPECT_EQ(refused(measure), QStringLiteral("Kubusindeling: maat 4 bestaat niet"));
    TPivotLayout sort = before;
    sort.columns.sortBy = TSortBy::Measure;
    sort.columns.sortMeasure = -1;
    EXPECT_EQ(refused(sort), QStringLiteral("Kubusindeling: sorteren op maat -1, die niet bestaat"));
    EXPECT_EQ(pivot.Layout(), before);
    EXPECT_EQ(pivot.LineCount(TPivotAxis::Rows), 6);
}

TEST(PivotLayouts, TheDefinitionsLayoutBecomesCodesAndBack) {
    TMemoryColumns columns = Enrolments();
    const auto cube = TCube::Build(EnrolmentCube(R"(, "layout": {"rows": ["KLAS"], "columns": ["GESLACHT"],
            "filters": {"GRAAD": ["2", "9"]}, "measures": ["Uren", "Cursisten"], "showAs": "percentOfRow",
            "sort": {"columns": {"by": "measure", "measure": "Inschrijvingen", "order": "descending"}},
            "totals": {"rows": {"sub": false}, "columns": {"grand": false}}})"),
                                   columns);
    const TPivotLayout layout = DefinedLayout(*cube);
    EXPECT_EQ(layout.rows.dimensions, std::vector<int>{1});
    EXPECT_EQ(layout.columns.dimensions, std::vector<int>{2});
    // The rows have no grade 9: it is left out.
    EXPECT_EQ(layout.filters, (std::map<int, std::set<std::uint32_t>>{{0, {1}}}));
    EXPECT_EQ(layout.measures, (std::vector<int>{Uren, Cursisten}));
    EXPECT_EQ(layout.showAs, TShowAs::PercentOfRow);
    EXPECT_EQ(layout.columns.sortBy, TSortBy::Measure);
    EXPECT_EQ(layout.columns.sortMeasure, Inschrijvingen);
    EXPECT_TRUE(layout.columns.descending);
    EXPECT_FALSE(layout.rows.subtotals);
    EXPECT_FALSE(layout.columns.grandTotal);

    TPivot pivot(cube);
    EXPECT_EQ(pivot.Layout(), layout);
    EXPECT_EQ(pivot.LineCount(TPivotAxis::Rows), 2); // 2A and the grand total
    TOLAPDefinition saved = cube->Definition();
    saved.layout = LayoutDefinition(*cube, layout);
    const TOLAPDefinition reread = ParseCubeDefinition(saved.ToBytes());
    EXPECT_EQ(reread.layout.filters, (std::vector<TCubeFilterDef>{{"GRAAD", {"2"}}}));
    EXPECT_EQ(DefinedLayout(*TCube::Build(reread, columns)), layout);
}

TEST(Pivot, TheShortFormPivotsAsTheDemoDatabasesStoreIt) {
    TMemoryColumns columns;
    columns.AddTexts("klas", {"1A", "1A", "1B"});
    columns.AddTexts("geslacht", {"M", "V", "V"});
    columns.AddIntegers("aantal", {12, 10, 7});
    const auto cube = TCube::Build(
        ParseCubeDefinition(
            R"({"rows":["KLAS"],"columns":["GESLACHT"],"values":[{"field":"AANTAL","aggregate":"sum",)"
            R"("caption":"Aantal leerlingen"}]})"),
        columns);
    const TPivot pivot(cube);
    EXPECT_EQ(pivot.LineCount(TPivotAxis::Rows), 3);
    EXPECT_EQ(pivot.LineCount(TPivotAxis::Columns), 3);
    EXPECT_EQ(pivot.Text(2, 2, 0), QStringLiteral("29"));
    EXPECT_EQ(pivot.Text(0, 1, 0), QStringLiteral("10"));
}
