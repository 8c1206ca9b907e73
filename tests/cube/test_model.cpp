// The table model of a pivot as shown: headings of both axes with their merged cells, the corner,
// measure captions, values with their numbers, and the flags of total cells.
#include "memorycolumns.h"

#include "host/cube/pivotmodel.h"
#include "tests/common/qtprint.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vorn;
using vorn::testing::Enrolments;
using vorn::testing::TMemoryColumns;

namespace {

const char* const Definition = R"({"format": "vorn-cube", "version": 1,
    "dimensions": [{"field": "GRAAD", "caption": "Graad"}, {"field": "KLAS", "caption": "Klas"},
                   {"field": "GESLACHT", "caption": "Geslacht"}],
    "measures": [{"name": "Cursisten", "field": "LL_ID", "aggregate": "countDistinct"},
                 {"name": "Uren", "field": "UREN", "aggregate": "sum", "format": "0.0"}],
    "layout": {"rows": ["GRAAD", "KLAS"], "columns": ["GESLACHT"]}})";

struct PivotModel : ::testing::Test {
    TMemoryColumns columns = Enrolments();
    std::shared_ptr<const TCube> cube = TCube::Build(ParseCubeDefinition(Definition), columns);
    TPivot pivot{cube};
    TPivotTableModel model{pivot};

    QString text(int row, int column) const { return model.data(model.index(row, column)).toString(); }
    QVariant role(int row, int column, int role) const { return model.data(model.index(row, column), role); }
    QStringList textsOfRow(int row) const {
        QStringList texts;
        for (int column = 0; column < model.columnCount(); ++column)
            texts << text(row, column);
        return texts;
    }
};

} // namespace

TEST_F(PivotModel, HeadsColumnsWithMembersAndMeasures) {
    EXPECT_EQ(model.HeaderRowCount(), 2);
    EXPECT_EQ(model.HeaderColumnCount(), 2);
    EXPECT_EQ(model.rowCount(), 2 + 6);
    EXPECT_EQ(model.columnCount(), 2 + 3 * 2);
    EXPECT_EQ(textsOfRow(0), (QStringList{"", "Geslacht", "M", "", "V", "", "Eindtotaal", ""}));
    EXPECT_EQ(textsOfRow(1),
              (QStringList{"Graad", "Klas", "Cursisten", "Uren", "Cursisten", "Uren", "Cursisten", "Uren"}));
    EXPECT_EQ(model.Span(0, 2), QSize(2, 1));
    EXPECT_EQ(model.Span(0, 3), QSize(0, 0));
    EXPECT_EQ(model.Span(1, 3), QSize(1, 1));
    EXPECT_TRUE(role(0, 0, TPivotTableModel::HeaderRole).toBool());
    EXPECT_TRUE(role(1, 7, TPivotTableModel::TotalRole).toBool());
    EXPECT_FALSE(role(1, 2, TPivotTableModel::TotalRole).toBool());
}

TEST_F(PivotModel, HeadsRowsWithMergedMembersAndTotals) {
    QStringList heads;
    for (int row = 2; row < model.rowCount(); ++row)
        heads << text(row, 0) + "|" + text(row, 1);
    EXPECT_EQ(heads, (QStringList{"1|1A", "|1B", "Totaal 1|", "2|2A", "Totaal 2|", "Eindtotaal|"}));
    EXPECT_EQ(model.Span(2, 0), QSize(1, 2)); // grade 1 over 1A and 1B
    EXPECT_EQ(model.Span(3, 0), QSize(0, 0));
    EXPECT_EQ(model.Span(4, 0), QSize(2, 1)); // "Totaal 1" over both levels
    EXPECT_EQ(model.Span(4, 1), QSize(0, 0));
    EXPECT_EQ(model.Span(5, 0), QSize(1, 1));
    EXPECT_TRUE(role(4, 0, TPivotTableModel::TotalRole).toBool());
    EXPECT_FALSE(role(2, 1, TPivotTableModel::TotalRole).toBool());
    std::vector<TMergedCell> merged = model.MergedCells();
    const std::vector<TMergedCell> expected{{0, 2, 1, 2}, {0, 4, 1, 2}, {0, 6, 1, 2}, {2, 0, 2, 1},
                                            {4, 0, 1, 2}, {6, 0, 1, 2}, {7, 0, 1, 2}};
    EXPECT_EQ(merged, expected);
}

TEST_F(PivotModel, ValuesAreTextsAndNumbers) {
    EXPECT_EQ(textsOfRow(2).mid(2), (QStringList{"1", "2,0", "1", "3,0", "2", "5,0"}));
    EXPECT_EQ(textsOfRow(7).mid(2), (QStringList{"2", "4,0", "2", "7,0", "4", "11,0"}));
    EXPECT_EQ(role(7, 6, Qt::EditRole), QVariant(4.0));
    // 1B has no girls: an empty cell, not a zero.
    EXPECT_EQ(text(3, 4), QString());
    EXPECT_FALSE(role(3, 4, Qt::EditRole).isValid());
    EXPECT_EQ(role(3, 4, Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));
    EXPECT_TRUE(role(2, 6, TPivotTableModel::TotalRole).toBool());
    EXPECT_FALSE(role(2, 2, TPivotTableModel::TotalRole).toBool());
}

TEST_F(PivotModel, FollowsTheLayoutAfterARefresh) {
    TPivotLayout layout = pivot.Layout();
    layout.rows.dimensions.clear();
    layout.measures = {1};
    layout.showAs = TShowAs::PercentOfTotal;
    pivot.SetLayout(layout);
    model.Refresh();
    EXPECT_EQ(model.HeaderColumnCount(), 1);
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.columnCount(), 1 + 3);
    EXPECT_EQ(textsOfRow(1),
              (QStringList{"", "Uren (% van totaal)", "Uren (% van totaal)", "Uren (% van totaal)"}));
    EXPECT_EQ(textsOfRow(2), (QStringList{"Totaal", "36,4%", "63,6%", "100,0%"}));
    // Without row dimensions the one line is everything, not a total to set apart.
    EXPECT_FALSE(role(2, 0, TPivotTableModel::TotalRole).toBool());
    EXPECT_TRUE(model.MergedCells().empty());
}

TEST_F(PivotModel, NestedColumnTotalsSpanTheLevelsBelowThem) {
    TPivotLayout layout = pivot.Layout();
    layout.rows.dimensions = {};
    layout.columns.dimensions = {0, 1};
    layout.measures = {0};
    pivot.SetLayout(layout);
    model.Refresh();
    EXPECT_EQ(model.HeaderRowCount(), 3);
    EXPECT_EQ(textsOfRow(0), (QStringList{"Graad", "1", "", "Totaal 1", "2", "Totaal 2", "Eindtotaal"}));
    EXPECT_EQ(textsOfRow(1), (QStringList{"Klas", "1A", "1B", "", "2A", "", ""}));
    EXPECT_EQ(model.Span(0, 1), QSize(2, 1));
    EXPECT_EQ(model.Span(0, 3), QSize(1, 2));
    EXPECT_EQ(model.Span(1, 3), QSize(0, 0));
    EXPECT_EQ(model.Span(0, 6), QSize(1, 2));
}

TEST_F(PivotModel, KeepsItsShapeUntilRefreshedAndShowsNothingOfAPivotThatNoLongerFits) {
    TPivotLayout layout = pivot.Layout();
    layout.rows.dimensions = {1};
    pivot.SetLayout(layout);
    EXPECT_EQ(model.rowCount(), 2 + 6);
    EXPECT_FALSE(model.data(model.index(7, 6)).isValid());
    EXPECT_EQ(model.Span(2, 0), QSize(1, 1));
    model.Refresh();
    EXPECT_EQ(model.rowCount(), 2 + 4);
    EXPECT_EQ(text(5, 0), QStringLiteral("Eindtotaal"));
}
