// The slice grid as a user meets it: painted headings and totals, the selection copied with its
// headings, keyboard copy, scrolling a large pivot with frozen headings, double-click details.
#include "framefixture.h"

#include "host/cubeviewer/drillthrough.h"
#include "host/cubeviewer/pivotgrid.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>
#include <QtTest/QTest>

using namespace vorn;
using namespace vorn::testing;

namespace {

QString Dutch(double value) {
    return QString::number(value, 'f', 1).replace('.', ',');
}

} // namespace

TEST_F(CubeFrame, CopiesTheSelectionWithItsHeadings) {
    const int row = RowOf(model(), {"1", "1A"});
    const int first = ColumnOf(model(), {"M"}, "Aantal");
    frame.Grid()->SetSelection(QRect(first, row, 3, 1));
    const auto inRow = [](const QString& sex) {
        return [sex](const TEnrolment& e) { return e.klas == "1A" && e.geslacht == sex; };
    };
    const QString expected = QStringLiteral("\tGeslacht\tM\tM\tV\n"
                                            "Graad\tKlas\tAantal\tUren\tAantal\n"
                                            "1\t1A\t%1\t%2\t%3\n")
                                 .arg(recount(inRow("M")))
                                 .arg(Dutch(sumOfHours(inRow("M"))))
                                 .arg(recount(inRow("V")));
    EXPECT_EQ(frame.Grid()->SelectionAsText(), expected);

    QApplication::clipboard()->clear();
    QTest::keyClick(frame.Grid(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), expected);
}

TEST_F(CubeFrame, ContextMenuCopiesTheSelection) {
    const int row = RowOf(model(), {"Eindtotaal", "Eindtotaal"});
    const int column = ColumnOf(model(), {"Eindtotaal"}, "Aantal");
    frame.Grid()->SetSelection(QRect(column, row, 1, 1));
    QApplication::clipboard()->clear();
    std::unique_ptr<QMenu> menu = frame.CellMenu(row, column);
    ASSERT_EQ(menu->actions().size(), 3); // "Kopiëren", "Rijen sorteren op deze kolom", "Details tonen..."
    menu->actions().front()->trigger();
    EXPECT_EQ(QApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts).last(),
              QStringLiteral("Eindtotaal\tEindtotaal\t%1").arg(rows.size()));
}

TEST_F(CubeFrame, ACellShowsItsTextAsATooltip) {
    frame.show();
    const int row = RowOf(model(), {"1", "1B"});
    const QRect cell = frame.Grid()->VisibleCellRect(row, 1);
    QHelpEvent help(QEvent::ToolTip, cell.center(), frame.Grid()->viewport()->mapToGlobal(cell.center()));
    QApplication::sendEvent(frame.Grid()->viewport(), &help);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("1B"));
    // In 1B's row, the first column is under the label of grade 1, merged over 1A and 1B.
    const QRect grade = frame.Grid()->VisibleCellRect(RowOf(model(), {"1", "1A"}), 0);
    const QPoint covered(grade.center().x(), cell.center().y());
    QHelpEvent merged(QEvent::ToolTip, covered, frame.Grid()->viewport()->mapToGlobal(covered));
    QApplication::sendEvent(frame.Grid()->viewport(), &merged);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("1"));
}

TEST_F(CubeFrame, ARowBelowAMergedHeadingCopiesTheHeading) {
    const int row = RowOf(model(), {"1", "1B"});
    frame.Grid()->SetSelection(QRect(model().HeaderColumnCount(), row, 1, 1));
    const QStringList lines = frame.Grid()->SelectionAsText().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[2].startsWith("1\t1B\t"));
}

TEST_F(CubeFrame, PaintsHeadingsTotalsAndHeatMap) {
    frame.show();
    TPivotGrid* grid = frame.Grid();
    const QImage plain = grid->viewport()->grab().toImage();
    KeepScreenshot(frame, "kubus");
    const QRect heading = grid->VisibleCellRect(0, model().HeaderColumnCount());
    ASSERT_FALSE(heading.isEmpty());
    EXPECT_EQ(plain.pixelColor(heading.center() + QPoint(0, 3)).name(), QStringLiteral("#eceff4"));
    const int row = RowOf(model(), {"1", "1A"});
    const QRect value = grid->VisibleCellRect(row, ColumnOf(model(), {"M"}, "Aantal"));
    EXPECT_EQ(plain.pixelColor(value.topLeft() + QPoint(2, 2)).name(), QStringLiteral("#ffffff"));

    frame.findChild<QAction*>("ACHeatmap")->trigger();
    const QImage heat = grid->viewport()->grab().toImage();
    KeepScreenshot(frame, "kubus-heatmap");
    // The largest value cell that is no total is the most coloured; a total keeps its colour.
    const int total = RowOf(model(), {"Eindtotaal", "Eindtotaal"});
    const QRect totalCell = grid->VisibleCellRect(total, ColumnOf(model(), {"M"}, "Aantal"));
    EXPECT_EQ(heat.pixelColor(totalCell.topLeft() + QPoint(2, 2)),
              plain.pixelColor(totalCell.topLeft() + QPoint(2, 2)));
    // Each measure on its own scale: the largest count and the largest hours are both the deepest.
    for (const char* measure : {"Aantal", "Uren"}) {
        bool deepest = false;
        for (int r = model().HeaderRowCount(); r < model().rowCount(); ++r) {
            const QRect cell = grid->VisibleCellRect(r, ColumnOf(model(), {"M"}, measure));
            if (!cell.isEmpty() &&
                heat.pixelColor(cell.topLeft() + QPoint(2, 2)).name() == QStringLiteral("#f28c4b"))
                deepest = true;
        }
        EXPECT_TRUE(deepest) << measure;
    }
}

TEST(CubeGrid, ScrollsALargePivotWithFrozenHeadings) {
    const std::vector<TEnrolment> rows = Enrolments(3000);
    auto dataSet = EnrolmentDataSet(rows);
    const auto blob = BlobDataSet(R"({"format": "vorn-cube", "version": 1,
        "dimensions": [{"field": "GRAAD", "caption": "Graad"}, {"field": "NAAM", "caption": "Naam"}],
        "measures": [{"aggregate": "count"}], "layout": {"rows": ["GRAAD", "NAAM"]}})");
    TOLAPFrame frame;
    frame.LoadDefinition(blob->FieldByName("L_DEFINITIE"));
    frame.SetDataset(dataSet.get());
    frame.resize(900, 500);
    frame.show();
    frame.ShowCube();
    TPivotGrid* grid = frame.Grid();
    const TPivotTableModel& model = *frame.Model();
    grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum() / 2);
    const QImage image = grid->viewport()->grab().toImage();
    KeepScreenshot(*grid, "kubus-gescrold");
    // The headings stay at the top; the grade whose names fill the view keeps its label in view.
    const QPoint below(5, grid->Geometry().rowHeight * model.HeaderRowCount() + 2);
    const QPoint cell = grid->CellAt(below);
    ASSERT_GT(cell.y(), 1000);
    const QRect grade = grid->VisibleCellRect(SpanOrigin(model, cell.y(), 0).y(), 0);
    EXPECT_EQ(grade.top(), grid->Geometry().rowHeight * model.HeaderRowCount());
    EXPECT_EQ(grid->CellAt(QPoint(5, 2)), QPoint(0, 0));
    grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
    const QPoint last = grid->CellAt(QPoint(5, grid->viewport()->height() - 2));
    EXPECT_EQ(last.y(), model.rowCount() - 1);
}

TEST_F(CubeFrame, DoubleClickOnAValueShowsItsRows) {
    frame.show();
    const int row = RowOf(model(), {"3", "3A"});
    const int column = ColumnOf(model(), {"Eindtotaal"}, "Aantal");
    const QRect cell = frame.Grid()->VisibleCellRect(row, column);
    ASSERT_FALSE(cell.isEmpty());
    int shown = -1;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TDrillThroughDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shown = dialog->Rows().RecordCount();
        KeepScreenshot(*dialog, "kubus-details");
        dialog->reject();
    });
    QTest::mouseDClick(frame.Grid()->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(shown, recount([](const TEnrolment& e) { return e.klas == "3A"; }));
}
