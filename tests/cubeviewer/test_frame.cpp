// The cube viewer driven through its controls: the field list's menus and drops, the filter popup,
// the toolbar's sorting, totals and show-as, collapsing members, drill-through and the chart; every
// figure checked against a recount of the rows the test built.
#include "framefixture.h"

#include "host/controls/barchart.h"
#include "host/controls/dbgrid.h"
#include "host/cubeviewer/drillthrough.h"
#include "host/cubeviewer/pivotgrid.h"
#include "host/data/errors.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest/QTest>
#include <set>

using namespace vorn;
using namespace vorn::testing;

namespace {

QAction* ActionOf(QMenu& menu, const QString& text) {
    for (QAction* action : menu.actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

QAction* FrameAction(const TOLAPFrame& frame, const QString& name) {
    return frame.findChild<QAction*>(name);
}

/// Runs `handle` on the filter popup as soon as it is shown modally.
void OnFilterDialog(const std::function<void(TMemberFilterDialog&)>& handle) {
    QTimer::singleShot(0, [handle] {
        auto* dialog = qobject_cast<TMemberFilterDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        handle(*dialog);
    });
}

} // namespace

TEST_F(CubeFrame, ShowsEveryCellAsTheRowsCountIt) {
    ASSERT_TRUE(frame.CubeShown());
    EXPECT_EQ(frame.findChild<QTabWidget*>(QStringLiteral("PCOLAP"))->tabText(0), QStringLiteral("Rooster"));
    EXPECT_NE(frame.findChild<TPivotGrid*>(QStringLiteral("GOLAP")), nullptr);
    for (const QString& klas : QStringList{"1A", "1B", "2A", "2B", "3A"})
        for (const QString& sex : QStringList{"M", "V"}) {
            const QString graad = klas.left(1);
            const int row = RowOf(model(), {graad, klas});
            ASSERT_GE(row, 0) << klas.toStdString();
            const auto keep = [&](const TEnrolment& e) { return e.klas == klas && e.geslacht == sex; };
            EXPECT_EQ(number(row, ColumnOf(model(), {sex}, "Aantal")), recount(keep));
            EXPECT_DOUBLE_EQ(number(row, ColumnOf(model(), {sex}, "Uren")), sumOfHours(keep));
        }
    const int total = RowOf(model(), {"Eindtotaal", "Eindtotaal"});
    EXPECT_EQ(number(total, ColumnOf(model(), {"Eindtotaal"}, "Aantal")), static_cast<double>(rows.size()));
}

TEST_F(CubeFrame, ContextMenuMovesADimensionToTheColumns) {
    TZoneList* rowsZone = frame.FieldList()->Zone(TCubeZone::Rows);
    ASSERT_EQ(rowsZone->count(), 2);
    std::unique_ptr<QMenu> menu = frame.FieldList()->MenuFor(TCubeZone::Rows, 1); // KLAS
    ActionOf(*menu, "Naar kolommen")->trigger();
    EXPECT_EQ(frame.Pivot()->Layout().rows.dimensions, std::vector<int>{dimension("GRAAD")});
    EXPECT_EQ(frame.Pivot()->Layout().columns.dimensions,
              (std::vector<int>{dimension("GESLACHT"), dimension("KLAS")}));
    EXPECT_EQ(frame.FieldList()->Zone(TCubeZone::Columns)->count(), 2);
    const int row = RowOf(model(), {"2"});
    const int column = ColumnOf(model(), {"V", "2B"}, "Aantal");
    ASSERT_GE(column, 0);
    EXPECT_EQ(number(row, column), recount([](const TEnrolment& e) {
                  return e.graad == 2 && e.geslacht == "V" && e.klas == "2B";
              }));

    std::unique_ptr<QMenu> up = frame.FieldList()->MenuFor(TCubeZone::Columns, 1);
    ActionOf(*up, "Omhoog")->trigger();
    EXPECT_EQ(frame.Pivot()->Layout().columns.dimensions,
              (std::vector<int>{dimension("KLAS"), dimension("GESLACHT")}));
    std::unique_ptr<QMenu> remove = frame.FieldList()->MenuFor(TCubeZone::Columns, 0);
    ActionOf(*remove, "Verwijderen")->trigger();
    EXPECT_EQ(frame.Pivot()->Layout().columns.dimensions, std::vector<int>{dimension("GESLACHT")});
    EXPECT_EQ(frame.FieldList()->Zone(TCubeZone::Unused)->count(), 1);
}

TEST_F(CubeFrame, DroppingADimensionMovesIt) {
    TZoneList* columns = frame.FieldList()->Zone(TCubeZone::Columns);
    QMimeData data;
    data.setData(DimensionMimeType(), QByteArray::number(dimension("GRAAD")));
    // Dropped on the first item of the column zone: before GESLACHT.
    const QPoint at = columns->visualItemRect(columns->item(0)).center();
    frame.show();
    QDragEnterEvent enter(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(columns->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(columns->viewport(), &drop);
    EXPECT_EQ(frame.Pivot()->Layout().columns.dimensions,
              (std::vector<int>{dimension("GRAAD"), dimension("GESLACHT")}));
    EXPECT_EQ(frame.Pivot()->Layout().rows.dimensions, std::vector<int>{dimension("KLAS")});

    // Reordered within its zone, and something that is no dimension is refused.
    EXPECT_TRUE(columns->DropDimension(&data, 2));
    EXPECT_EQ(frame.Pivot()->Layout().columns.dimensions,
              (std::vector<int>{dimension("GESLACHT"), dimension("GRAAD")}));
    QMimeData text;
    text.setText("GRAAD");
    EXPECT_FALSE(columns->DropDimension(&text, 0));
}

TEST_F(CubeFrame, KeyboardMovesAnUnusedDimensionToTheRows) {
    ActionOf(*frame.FieldList()->MenuFor(TCubeZone::Rows, 0), "Verwijderen")->trigger();
    TZoneList* unused = frame.FieldList()->Zone(TCubeZone::Unused);
    ASSERT_EQ(unused->count(), 1);
    unused->setCurrentRow(0);
    QTest::keyClick(unused, Qt::Key_Return);
    EXPECT_EQ(frame.Pivot()->Layout().rows.dimensions,
              (std::vector<int>{dimension("KLAS"), dimension("GRAAD")}));
}

TEST_F(CubeFrame, FilterPopupKeepsTheCheckedMembers) {
    OnFilterDialog([this](TMemberFilterDialog& dialog) {
        KeepScreenshot(dialog, "kubus-filter");
        // Every member says how many rows it has.
        for (int row = 0; row < dialog.Members()->count(); ++row) {
            const QString text = dialog.Members()->item(row)->text();
            const QString klas = text.section(u' ', 0, 0);
            EXPECT_EQ(text, QStringLiteral("%1  (%2)").arg(klas).arg(recount([&](const TEnrolment& e) {
                return e.klas == klas;
            })));
        }
        dialog.Search()->setText("2"); // the count "(12)" is not searched
        int found = 0;
        for (int row = 0; row < dialog.Members()->count(); ++row)
            found += dialog.Members()->item(row)->isHidden() ? 0 : 1;
        EXPECT_EQ(found, 2) << "2A and 2B";
        dialog.Search()->setText("1b");
        int shown = 0;
        for (int row = 0; row < dialog.Members()->count(); ++row)
            shown += dialog.Members()->item(row)->isHidden() ? 0 : 1;
        EXPECT_EQ(shown, 1);
        dialog.findChild<QPushButton*>("BTNiets")->click();
        dialog.accept();
    });
    frame.EditFilter(dimension("KLAS"));
    EXPECT_EQ(RowOf(model(), {"1", "1B"}), -1);
    EXPECT_GE(RowOf(model(), {"1", "1A"}), 0);
    const int total = RowOf(model(), {"Eindtotaal", "Eindtotaal"});
    EXPECT_EQ(number(total, ColumnOf(model(), {"Eindtotaal"}, "Aantal")),
              recount([](const TEnrolment& e) { return e.klas != "1B"; }));

    // A filter on a dimension on no axis puts it in the filter zone.
    OnFilterDialog([](TMemberFilterDialog& dialog) {
        dialog.findChild<QPushButton*>("BTNiets")->click();
        EXPECT_FALSE(dialog.findChild<QPushButton*>("BTAlles")->isHidden());
        dialog.Members()->item(0)->setCheckState(Qt::Checked); // M
        dialog.accept();
    });
    ActionOf(*frame.FieldList()->MenuFor(TCubeZone::Columns, 0), "Naar filters")->trigger();
    ASSERT_EQ(frame.FilterZone(), std::vector<int>{dimension("GESLACHT")});
    frame.EditFilter(dimension("GESLACHT"));
    EXPECT_EQ(number(RowOf(model(), {"Eindtotaal", "Eindtotaal"}), ColumnOf(model(), {}, "Aantal")),
              recount([](const TEnrolment& e) { return e.klas != "1B" && e.geslacht == "M"; }));
}

TEST_F(CubeFrame, FilterPopupCancelledChangesNothing) {
    const TPivotLayout before = frame.Pivot()->Layout();
    OnFilterDialog([](TMemberFilterDialog& dialog) {
        dialog.Members()->item(0)->setCheckState(Qt::Unchecked);
        dialog.reject();
    });
    frame.EditFilter(dimension("KLAS"));
    EXPECT_EQ(frame.Pivot()->Layout(), before);
}

TEST_F(CubeFrame, SortsRowsByAMeasureDescending) {
    ActionOf(*frame.FieldList()->MenuFor(TCubeZone::Rows, 0), "Verwijderen")->trigger(); // rows: KLAS
    FrameAction(frame, "ACSortRijenMaat2")->trigger();                                   // by Uren
    FrameAction(frame, "ACSortRijenAflopend")->trigger();
    ASSERT_EQ(frame.Pivot()->Layout().rows.sortBy, TSortBy::Measure);
    ASSERT_TRUE(frame.Pivot()->Layout().rows.descending);
    std::vector<double> hours;
    for (int row = model().HeaderRowCount(); row < model().rowCount() - 1; ++row) {
        const QString klas = ShownText(model(), row, 0);
        hours.push_back(sumOfHours([&](const TEnrolment& e) { return e.klas == klas; }));
    }
    ASSERT_EQ(hours.size(), 5u);
    EXPECT_TRUE(std::is_sorted(hours.rbegin(), hours.rend()));
    FrameAction(frame, "ACSortRijenNaam")->trigger();
    FrameAction(frame, "ACSortRijenAflopend")->trigger();
    EXPECT_EQ(ShownText(model(), model().HeaderRowCount(), 0), QStringLiteral("1A"));
}

TEST_F(CubeFrame, AClickOnAValueHeadingSortsTheRowsByThatColumnAndAgainReverses) {
    ActionOf(*frame.FieldList()->MenuFor(TCubeZone::Rows, 0), "Verwijderen")->trigger(); // rows: KLAS
    frame.show();
    const int column = ColumnOf(model(), {"V"}, "Uren");
    ASSERT_GE(column, 0);
    const auto hoursOfGirls = [this] {
        std::vector<double> hours;
        for (int row = model().HeaderRowCount(); row < model().rowCount() - 1; ++row) {
            const QString klas = ShownText(model(), row, 0);
            hours.push_back(
                sumOfHours([&](const TEnrolment& e) { return e.klas == klas && e.geslacht == "V"; }));
        }
        return hours;
    };
    const QRect heading = frame.Grid()->VisibleCellRect(model().HeaderRowCount() - 1, column);
    ASSERT_FALSE(heading.isEmpty());
    QTest::mouseClick(frame.Grid()->viewport(), Qt::LeftButton, {}, heading.center());
    ASSERT_EQ(frame.Pivot()->Layout().rows.sortBy, TSortBy::Measure);
    EXPECT_EQ(frame.Pivot()->Layout().rows.sortLine.size(), 1u)
        << "by the column of the girls, not the total";
    std::vector<double> hours = hoursOfGirls();
    ASSERT_EQ(hours.size(), 5u);
    EXPECT_TRUE(std::is_sorted(hours.begin(), hours.end())) << "first click: ascending";
    EXPECT_EQ(
        model().data(model().index(model().HeaderRowCount() - 1, column), TPivotTableModel::SortRole).toInt(),
        Qt::AscendingOrder);
    EXPECT_FALSE(
        model()
            .data(model().index(model().HeaderRowCount() - 1, column - 1), TPivotTableModel::SortRole)
            .isValid());

    frame.SortRowsByColumn(column);
    KeepScreenshot(frame, "kubus-gesorteerd-op-kolom");
    hours = hoursOfGirls();
    EXPECT_TRUE(std::is_sorted(hours.rbegin(), hours.rend())) << "again: descending";

    // Remembered with the layout by the column's labels.
    const TCubeLayoutDef stored = LayoutDefinition(frame.Pivot()->Cube(), frame.Pivot()->Layout());
    EXPECT_EQ(stored.rowSort.line, QStringList{"V"});
    EXPECT_EQ(DefinedLayout(frame.Pivot()->Cube(), stored), frame.Pivot()->Layout());
    EXPECT_THROW(frame.SortRowsByColumn(0), EVornError) << "a heading column has no values to sort by";
}

TEST_F(CubeFrame, MeasuresAreReorderedInTheValuesList) {
    const std::vector<int> before = frame.Pivot()->Layout().measures; // Aantal, Uren
    ASSERT_EQ(before.size(), 2u);
    frame.FieldList()->MoveMeasure(1, -1);
    EXPECT_EQ(frame.Pivot()->Layout().measures, (std::vector<int>{before[1], before[0]}));
    EXPECT_GE(ColumnOf(model(), {"M"}, "Uren"), 0);
    EXPECT_EQ(ColumnOf(model(), {"M"}, "Uren") + 1, ColumnOf(model(), {"M"}, "Aantal"))
        << "Uren now comes first";

    frame.show();
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    QListWidget* values = frame.FieldList()->Measures();
    values->setFocus();
    values->setCurrentRow(0);
    QTest::keyClick(values, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(frame.Pivot()->Layout().measures, before) << "Ctrl+Down moves it back";
    frame.FieldList()->MoveMeasure(0, -1); // nothing above the first
    EXPECT_EQ(frame.Pivot()->Layout().measures, before);
}

TEST_F(CubeFrame, AValueFilterKeepsTheMembersByAMeasureAndTheTotalsFollow) {
    const int klas = dimension("KLAS");
    const int uren = frame.Definition().MeasureIndex("Uren");
    const QStringList classes{"1A", "1B", "2A", "2B", "3A"};
    // Hours per class among the boys only: the value filter judges within the other filters.
    TPivotLayout boys = frame.Pivot()->Layout();
    boys.filters[dimension("GESLACHT")] = {0}; // M
    frame.ApplyLayout(boys);
    std::vector<std::pair<double, QString>> hours;
    for (const QString& name : classes)
        hours.emplace_back(
            sumOfHours([&](const TEnrolment& e) { return e.klas == name && e.geslacht == "M"; }), name);
    std::stable_sort(hours.begin(), hours.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });

    frame.ApplyValueFilter({klas, uren, TValueFilterKind::Top, 2});
    std::set<QString> kept;
    for (const std::uint32_t member : frame.Pivot()->Layout().filters.at(klas))
        kept.insert(frame.Pivot()->Cube().MemberLabel(klas, member));
    EXPECT_EQ(kept, (std::set<QString>{hours[0].second, hours[1].second}));
    const int total = RowOf(model(), {"Eindtotaal", "Eindtotaal"});
    EXPECT_DOUBLE_EQ(number(total, ColumnOf(model(), {"M"}, "Uren")), hours[0].first + hours[1].first)
        << "the totals count only the classes shown";
    EXPECT_TRUE(frame.FilterNote()->text().contains("Klas: ")) << "shown as a filter";

    const double threshold = hours[2].first;
    frame.ApplyValueFilter({klas, uren, TValueFilterKind::Below, threshold});
    for (const std::uint32_t member : frame.Pivot()->Layout().filters.at(klas)) {
        const QString name = frame.Pivot()->Cube().MemberLabel(klas, member);
        EXPECT_LT(sumOfHours([&](const TEnrolment& e) { return e.klas == name && e.geslacht == "M"; }),
                  threshold);
    }
    const TPivotLayout before = frame.Pivot()->Layout();
    EXPECT_THROW(frame.ApplyValueFilter({klas, uren, TValueFilterKind::Above, 1e9}), EVornError);
    EXPECT_EQ(frame.Pivot()->Layout(), before) << "a filter nobody passes changes nothing";
}

TEST_F(CubeFrame, TotalsAreSwitchedPerAxis) {
    FrameAction(frame, "ACEindtotaalRijen")->trigger();
    EXPECT_EQ(RowOf(model(), {"Eindtotaal", "Eindtotaal"}), -1);
    FrameAction(frame, "ACSubtotalenRijen")->trigger();
    EXPECT_EQ(RowOf(model(), {"Totaal 1", "Totaal 1"}), -1);
    EXPECT_EQ(model().rowCount(), model().HeaderRowCount() + 5);
    FrameAction(frame, "ACEindtotaalKolommen")->trigger();
    EXPECT_EQ(ColumnOf(model(), {"Eindtotaal"}, "Aantal"), -1);
    FrameAction(frame, "ACEindtotaalRijen")->trigger();
    EXPECT_GE(RowOf(model(), {"Eindtotaal", "Eindtotaal"}), 0);
    EXPECT_FALSE(frame.Pivot()->Layout().rows.subtotals);
}

TEST_F(CubeFrame, ShowsCellsAlongAChosenFieldAndNamesItInTheHeading) {
    frame.show();
    auto* along = frame.findChild<QComboBox*>("CBTonenLangs");
    ASSERT_NE(along, nullptr);
    QAction* alongAction = FrameAction(frame, "ACTonenLangs");
    EXPECT_FALSE(alongAction->isVisible()) << "only for a show-as along a field";
    {
        TOLAPFrame empty;
        EXPECT_FALSE(FrameAction(empty, "ACTonenLangs")->isVisible()) << "nor without a cube";
    }
    frame.ShowAs()->setCurrentIndex(static_cast<int>(TShowAs::Rank));
    ASSERT_EQ(frame.Pivot()->Layout().showAs, TShowAs::Rank);
    EXPECT_TRUE(alongAction->isVisible());
    EXPECT_EQ(along->currentText(), QStringLiteral("langs Klas")) << "the innermost row field";
    EXPECT_EQ(along->count(), 3) << "Graad, Klas, Geslacht";
    // The classes of grade 2 ranked by their number of enrolments among each other.
    const int column = ColumnOf(model(), {"Eindtotaal"}, "Aantal (rang binnen Klas)");
    ASSERT_GE(column, 0);
    const int twoA = recount([](const TEnrolment& e) { return e.klas == "2A"; });
    const int twoB = recount([](const TEnrolment& e) { return e.klas == "2B"; });
    EXPECT_DOUBLE_EQ(number(RowOf(model(), {"2", "2A"}), column), twoA >= twoB ? 1.0 : 2.0);
    EXPECT_DOUBLE_EQ(number(RowOf(model(), {"2", "2B"}), column), twoB >= twoA ? 1.0 : 2.0);

    along->setCurrentIndex(along->findText(QStringLiteral("langs Geslacht")));
    EXPECT_EQ(frame.Pivot()->Layout().showAsDimension, dimension("GESLACHT"));
    EXPECT_GE(ColumnOf(model(), {"M"}, "Aantal (rang binnen Geslacht)"), 0);
}

TEST_F(CubeFrame, ShowsCellsAsAShareOfTheTotal) {
    frame.ShowAs()->setCurrentIndex(3);
    ASSERT_EQ(frame.Pivot()->Layout().showAs, TShowAs::PercentOfTotal);
    const int row = RowOf(model(), {"2", "2A"});
    const int column = ColumnOf(model(), {"M"}, "Aantal (% van totaal)");
    ASSERT_GE(column, 0);
    EXPECT_DOUBLE_EQ(number(row, column), recount([](const TEnrolment& e) {
                                              return e.klas == "2A" && e.geslacht == "M";
                                          }) / static_cast<double>(rows.size()));
    frame.ShowAs()->setCurrentIndex(1);
    const int total = ColumnOf(model(), {"Eindtotaal"}, "Aantal (% van rij)");
    EXPECT_DOUBLE_EQ(number(row, total), 1.0);
}

TEST_F(CubeFrame, ClickingTheMinusCollapsesAMember) {
    const int row = RowOf(model(), {"1", "1A"});
    const int before = model().rowCount();
    TPivotGrid* grid = frame.Grid();
    frame.show();
    const QRect cell = grid->VisibleCellRect(row, 0);
    ASSERT_FALSE(cell.isEmpty());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      ToggleBox(cell, grid->Geometry().rowHeight).center());
    EXPECT_EQ(model().rowCount(), before - 2); // 1A, 1B and "Totaal 1" become one line
    const int collapsed = RowOf(model(), {"1", "1"});
    ASSERT_GE(collapsed, 0);
    EXPECT_EQ(number(collapsed, ColumnOf(model(), {"V"}, "Aantal")),
              recount([](const TEnrolment& e) { return e.graad == 1 && e.geslacht == "V"; }));
    frame.ToggleMemberAt(collapsed, 0);
    EXPECT_EQ(model().rowCount(), before);

    std::unique_ptr<QMenu> menu = frame.CellMenu(row, 0);
    ActionOf(*menu, "Alle Graad samenvouwen")->trigger();
    EXPECT_EQ(model().rowCount(), model().HeaderRowCount() + 4); // three grades and the total
}

TEST_F(CubeFrame, DrillThroughGivesTheRowsOfTheCell) {
    const int row = RowOf(model(), {"Totaal 2", "Totaal 2"});
    const int column = ColumnOf(model(), {"V"}, "Uren");
    std::unique_ptr<TDrillThroughDialog> dialog = frame.DrillThroughDialog(row, column);
    TVornClientDataSet& details = dialog->Rows();
    std::multiset<QString> names;
    for (details.First(); !details.Eof(); details.Next()) {
        const QVariant hours = details.FieldByName("UREN").AsVariant();
        names.insert(details.FieldByName("NAAM").AsString() + " " + details.FieldByName("KLAS").AsString() +
                     " " + (hours.isNull() ? QStringLiteral("-") : QString::number(hours.toDouble())));
    }
    std::multiset<QString> expected;
    for (const TEnrolment& e : rows)
        if (e.graad == 2 && e.geslacht == "V")
            expected.insert(e.naam + " " + e.klas + " " +
                            (e.uren ? QString::number(*e.uren) : QStringLiteral("-")));
    EXPECT_EQ(names, expected);
    EXPECT_EQ(details.FieldCount(), dataSet->FieldCount());

    dialog->Grid()->selectAll();
    const QStringList lines = dialog->Grid()->SelectionAsText().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), static_cast<int>(expected.size()) + 1);
    // Captions of the definition, else the field's name made readable; never a bare column name.
    EXPECT_EQ(lines.front(), QStringLiteral("Klas\tGeslacht\tGraad\tLl id\tUren\tNaam"));
}

TEST_F(CubeFrame, DrillThroughRefusesRowsThatChangedOrder) {
    dataSet->Sort("NAAM", "NAAM");
    EXPECT_THROW(frame.DrillThroughDialog(model().HeaderRowCount(), model().HeaderColumnCount()),
                 EClientError);
    EXPECT_THROW(frame.DrillThroughDialog(0, 0), EClientError);
}

TEST_F(CubeFrame, ChartShowsTheRowLinesByTheChosenMeasure) {
    frame.show();
    frame.Pages()->setCurrentIndex(1);
    TBarChart* chart = frame.Chart();
    ASSERT_EQ(chart->BarCount(), 5);
    KeepScreenshot(frame, "kubus-grafiek");
    EXPECT_EQ(chart->Bars(0).label, QStringLiteral("1 / 1A"));
    EXPECT_EQ(chart->Bars(0).value, recount([](const TEnrolment& e) { return e.klas == "1A"; }));
    frame.ChartMeasure()->setCurrentIndex(1); // Uren
    EXPECT_EQ(chart->Bars(3).value,
              static_cast<int>(std::lround(sumOfHours([](const TEnrolment& e) { return e.klas == "2B"; }))));
    ActionOf(*frame.CellMenu(RowOf(model(), {"1", "1A"}), 0), "Alle Graad samenvouwen")->trigger();
    EXPECT_EQ(chart->BarCount(), 3);
}

TEST_F(CubeFrame, ChartSeriesByTheColumnFieldSideBySideOrStacked) {
    frame.show();
    frame.Pages()->setCurrentIndex(1);
    TBarChart* chart = frame.Chart();
    EXPECT_TRUE(frame.ChartSeries()->isEnabled()) << "the columns hold Geslacht";
    frame.ChartSeries()->setCurrentIndex(static_cast<int>(TChartArrangement::Clustered));
    ASSERT_EQ(chart->Painter().SeriesCount(), 3);
    EXPECT_EQ(chart->Painter().SeriesAt(0).name, QStringLiteral("M"));
    EXPECT_EQ(chart->Painter().SeriesAt(1).name, QStringLiteral("V"));
    EXPECT_EQ(chart->Painter().Stacking(), TBarStacking::Clustered);
    KeepScreenshot(frame, "kubus-grafiek-reeksen");
    for (int bar = 0; bar < chart->BarCount(); ++bar) {
        const QString klas = chart->Bars(bar).label.section(QStringLiteral(" / "), 1);
        EXPECT_EQ(chart->Bars(bar).values[0],
                  recount([&](const TEnrolment& e) { return e.klas == klas && e.geslacht == "M"; }))
            << klas.toStdString();
        EXPECT_EQ(chart->Bars(bar).values[1],
                  recount([&](const TEnrolment& e) { return e.klas == klas && e.geslacht == "V"; }))
            << klas.toStdString();
        EXPECT_EQ(chart->Bars(bar).value, recount([&](const TEnrolment& e) { return e.klas == klas; }))
            << "the sexes and the unknown add up to the class";
    }
    frame.ChartSeries()->setCurrentIndex(static_cast<int>(TChartArrangement::Stacked));
    EXPECT_EQ(chart->Painter().Stacking(), TBarStacking::Stacked);
    auto* note = frame.findChild<QLabel*>("LGrafiekNoot");
    ASSERT_NE(note, nullptr);
    EXPECT_FALSE(note->isVisible()) << "counted rows add up";
    KeepScreenshot(frame, "kubus-grafiek-gestapeld");
    TPivotLayout distinctPupils = frame.Pivot()->Layout();
    distinctPupils.measures = {frame.Definition().MeasureIndex("Cursisten")};
    frame.ApplyLayout(distinctPupils);
    EXPECT_TRUE(note->isVisible()) << "distinct pupils do not add up over the sexes";
    EXPECT_TRUE(note->text().contains("tellen niet op")) << note->text().toStdString();
    distinctPupils.measures = {frame.Definition().MeasureIndex("Aantal")};
    frame.ApplyLayout(distinctPupils);

    frame.MoveDimension(dimension("GESLACHT"), TCubeZone::Unused, 0);
    frame.Pages()->setCurrentIndex(1);
    EXPECT_FALSE(frame.ChartSeries()->isEnabled()) << "no column field, no series";
    EXPECT_EQ(chart->Painter().SeriesCount(), 0);
    EXPECT_EQ(chart->Bars(0).value, recount([](const TEnrolment& e) { return e.klas == "1A"; }));
}

TEST_F(CubeFrame, PrintingWithoutACubeSaysWhy) {
    frame.CloseCube();
    EXPECT_FALSE(frame.CubeShown());
    EXPECT_EQ(frame.Pivot(), nullptr);
    for (const auto& print : {std::function<void()>([&] { frame.PrintCube(); }),
                              std::function<void()>([&] { frame.PreviewCube(); })}) {
        try {
            print();
            ADD_FAILURE() << "printed without a cube";
        } catch (const EClientError& error) {
            EXPECT_TRUE(error.message().contains("geen kubus")) << error.message().toStdString();
        }
    }
    EXPECT_THROW(frame.WriteCsv("/tmp/nergens.csv"), EClientError);
    EXPECT_THROW(frame.ShowCube(), EClientError); // the dataset was forgotten too
}

TEST_F(CubeFrame, ADefinitionThatDoesNotFitLeavesTheShownCube) {
    const TPivot* shown = frame.Pivot();
    const auto blob = BlobDataSet(R"({"format": "vorn-cube", "version": 1,
        "dimensions": [{"field": "BESTAAT_NIET"}], "measures": [{"aggregate": "count"}]})");
    frame.LoadDefinition(blob->FieldByName("L_DEFINITIE"));
    EXPECT_THROW(frame.ShowCube(), ECubeError);
    ASSERT_TRUE(frame.CubeShown());
    EXPECT_EQ(frame.Pivot(), shown);
    EXPECT_EQ(
        number(RowOf(model(), {"Eindtotaal", "Eindtotaal"}), ColumnOf(model(), {"Eindtotaal"}, "Aantal")),
        static_cast<double>(rows.size()));
}

struct UnusualRows : ::testing::TestWithParam<int> {};

TEST_P(UnusualRows, ShowAndRearrangeWithoutFault) {
    const std::vector<TEnrolment> rows = Enrolments(GetParam());
    const auto dataSet = EnrolmentDataSet(rows);
    const std::vector<const char*> layouts{R"("rows": ["GRAAD", "KLAS"], "columns": ["GESLACHT"])",
                                           R"("rows": ["GRAAD", "KLAS", "GESLACHT"], "columns": [])",
                                           R"("rows": [], "columns": ["GRAAD", "KLAS", "GESLACHT"])"};
    for (std::size_t shape = 0; shape < layouts.size(); ++shape) {
        const char* layout = layouts[shape];
        const QByteArray text = QByteArray(R"({"format": "vorn-cube", "version": 1,
            "dimensions": [{"field": "GRAAD"}, {"field": "KLAS"}, {"field": "GESLACHT"}],
            "measures": [{"aggregate": "count"}, {"field": "UREN", "aggregate": "average"}],
            "layout": {)") + layout +
                                "}}";
        TOLAPFrame frame;
        frame.resize(800, 500);
        frame.LoadDefinition(BlobDataSet(text)->FieldByName("L_DEFINITIE"));
        frame.SetDataset(dataSet.get());
        frame.ShowCube();
        frame.show();
        KeepScreenshot(frame, QStringLiteral("kubus-%1-%2").arg(GetParam()).arg(shape));
        frame.Grid()->SetHeatMap(true);
        frame.Grid()->SetSelection(QRect(0, 0, frame.Model()->columnCount(), frame.Model()->rowCount()));
        EXPECT_FALSE(frame.grab().isNull());
        EXPECT_FALSE(frame.Grid()->SelectionAsText().isEmpty());
        frame.Pages()->setCurrentIndex(1);
        frame.ShowAs()->setCurrentIndex(2);
        FrameAction(frame, "ACEindtotaalRijen")->trigger();
        FrameAction(frame, "ACEindtotaalKolommen")->trigger();
        EXPECT_FALSE(frame.grab().isNull());
        const int total = frame.Model()->rowCount();
        EXPECT_GE(total, frame.Model()->HeaderRowCount());
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, UnusualRows, ::testing::Values(0, 1, 2));

TEST_F(CubeFrame, TheValueFilterDialogTakesWholeCountsAndAnyAmount) {
    TValueFilterDialog dialog(frame.Pivot()->Cube(), dimension("KLAS"));
    KeepScreenshot(dialog, "kubus-waardefilter");
    EXPECT_EQ(dialog.Amount()->decimals(), 0) << "the highest N";
    EXPECT_EQ(dialog.Amount()->minimum(), 1);
    dialog.Kind()->setCurrentIndex(2); // "Groter dan"
    EXPECT_EQ(dialog.Amount()->decimals(), 2);
    dialog.Amount()->setValue(-2.5);
    dialog.Measure()->setCurrentIndex(2); // Uren
    const TValueFilter filter = dialog.Filter();
    EXPECT_EQ(filter.dimension, dimension("KLAS"));
    EXPECT_EQ(filter.kind, TValueFilterKind::Above);
    EXPECT_EQ(filter.measure, frame.Definition().MeasureIndex("Uren"));
    EXPECT_DOUBLE_EQ(filter.amount, -2.5);
    std::unique_ptr<QMenu> menu = frame.FieldList()->MenuFor(TCubeZone::Rows, 1);
    EXPECT_NE(ActionOf(*menu, "Waardefilter..."), nullptr);
}
