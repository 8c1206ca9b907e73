#include "host/controls/actions.h"
#include "host/controls/barchart.h"
#include "host/controls/dbgrid.h"
#include "host/controls/editors.h"
#include "host/controls/lookupedit.h"
#include "host/data/clientdataset.h"
#include "host/data/datasource.h"
#include "host/data/errors.h"
#include "host/forms/screenresults.h"
#include "tests/common/qtprint.h"

#include <QApplication>
#include <QClipboard>
#include <QEventLoop>
#include <QHeaderView>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace vorn;

namespace {

/// Lets the event loop run out of work, as it does between the user's actions.
void Idle() {
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
}

void FillTable(TVornClientDataSet& table, int rows) {
    table.AddField(FieldDef::integer("ID"));
    table.AddField(FieldDef::wideString("CODE", 10).label("Code"));
    table.AddField(FieldDef::wideString("KLAS", 10));
    table.AddField(FieldDef::integer("AANTAL").label("Aantal"));
    table.CreateDataSet();
    for (int i = 0; i < rows; ++i) {
        table.Append();
        table.FieldByName("ID").SetAsInteger(i + 1);
        table.FieldByName("CODE").SetAsString(QString("C%1").arg(i + 1));
        table.FieldByName("KLAS").SetAsString(i % 2 == 0 ? "A" : "");
        table.FieldByName("AANTAL").SetAsInteger(10 * (i + 1) - 25);
        table.Post();
    }
    table.First();
}

} // namespace

TEST(Actions, TheIdleUpdateEnablesAndDisablesTheButton) {
    TVornActionList actions;
    TVornAction* fetch = actions.Add("&Ophalen");
    bool ready = false;
    int executed = 0;
    fetch->OnUpdate = [&ready](QObject* sender) { qobject_cast<QAction*>(sender)->setEnabled(ready); };
    fetch->OnExecute = [&executed](QObject*) { ++executed; };
    TVornButton button;
    button.SetAction(fetch);
    EXPECT_EQ(button.text(), "&Ophalen");
    Idle();
    EXPECT_FALSE(button.isEnabled());
    button.click();
    EXPECT_EQ(executed, 0);
    ready = true;
    Idle();
    EXPECT_TRUE(button.isEnabled());
    button.click();
    EXPECT_EQ(executed, 1);
}

TEST(BarChart, BarsKeepTheirOrderAndUpdatesNest) {
    TBarChart chart;
    chart.BeginUpdate();
    chart.BeginUpdate();
    chart.AddBar("b", 5, clBlue);
    chart.AddBar("a", -3, clYellow);
    chart.EndUpdate();
    chart.EndUpdate();
    chart.EndUpdate(); // unbalanced: ignored
    ASSERT_EQ(chart.BarCount(), 2);
    EXPECT_EQ(chart.Bars(0).label, "b");
    EXPECT_EQ(chart.Bars(1).value, -3);
    chart.SetHeight(36 * 12);
    EXPECT_EQ(chart.Height(), 432);
    chart.Clear();
    EXPECT_EQ(chart.BarCount(), 0);
    EXPECT_EQ(ToQColor(clBlue), QColor(0, 0, 255));
    EXPECT_EQ(ToQColor(clYellow), QColor(255, 255, 0));
}

TEST(BarChart, EachBarTellsItsWholeLabelAndValueUnderThePointer) {
    TBarChart chart;
    const QString longLabel = QString("Een heel lange omschrijving van een klas ").repeated(4).trimmed();
    chart.AddBar("kort", 3, clYellow);
    chart.AddBar(longLabel, 12, clYellow);
    chart.resize(300, 100);
    chart.show();
    const TBarChart::BarRows rows = chart.BarRowsIn(chart.rect(), chart.fontMetrics());
    const QPoint onSecond(150, rows.top + static_cast<int>(rows.height * 1.5));
    EXPECT_EQ(chart.BarAt(QPoint(150, rows.top + 2)), 0);
    EXPECT_EQ(chart.BarAt(onSecond), 1);
    EXPECT_EQ(chart.BarAt(QPoint(150, 99)), -1) << "below the last bar";
    QHelpEvent help(QEvent::ToolTip, onSecond, chart.mapToGlobal(onSecond));
    QApplication::sendEvent(&chart, &help);
    EXPECT_EQ(QToolTip::text(), longLabel + ": 12") << "the whole label, though the chart elides it";
}

TEST(BarChart, OnlyVisibleBarsArePaintedAndNegativeBarsLieLeftOfTheAxis) {
    TBarChart chart;
    chart.resize(600, 100);
    chart.SetHeight(26 * 1000);
    for (int i = 0; i < 1000; ++i)
        chart.AddBar(QString("Klas %1").arg(i), i % 3 == 0 ? -50 : 100, clBlue);
    QImage image(600, 200, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    chart.Render(painter, QRect(0, 0, 600, 26 * 1000), QRect(0, 0, 600, 200));
    painter.end();
    EXPECT_LE(chart.LastPaintedBars(), 10);
    EXPECT_GE(chart.LastPaintedBars(), 7);
    // Bar 0 is negative: blue pixels left of the middle of the plot; bar 1 positive: right of it.
    const int rowNegative = 13;
    const int rowPositive = 26 + 13;
    int blueLeft = 0;
    int blueRight = 0;
    for (int x = 0; x < 600; ++x) {
        blueLeft += image.pixelColor(x, rowNegative) == QColor(0, 0, 255) ? 1 : 0;
        blueRight += image.pixelColor(x, rowPositive) == QColor(0, 0, 255) ? x : 0;
    }
    EXPECT_GT(blueLeft, 0);
    EXPECT_GT(blueRight, 0);
}

namespace {

/// Where a colour lies on one line of an image: its first and last column, or -1 when absent.
std::pair<int, int> ColourSpan(const QImage& image, int y, const QColor& colour) {
    int first = -1;
    int last = -1;
    for (int x = 0; x < image.width(); ++x)
        if (image.pixelColor(x, y) == colour) {
            first = first < 0 ? x : first;
            last = x;
        }
    return {first, last};
}

/// The lines of an image on which a colour appears.
std::vector<int> LinesWith(const QImage& image, const QColor& colour, int fromY, int toY) {
    std::vector<int> lines;
    for (int y = fromY; y < toY; ++y)
        if (ColourSpan(image, y, colour).first >= 0)
            lines.push_back(y);
    return lines;
}

QImage Painted(const TBarChart& chart, const QSize& size) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    chart.Render(painter, image.rect(), image.rect());
    return image;
}

} // namespace

TEST(BarChart, ClusteredSeriesLieUnderEachOtherAtTheirOwnLengthWithALegendAbove) {
    TBarChart chart;
    chart.SetSeries({{"jongens", SeriesColour(0)}, {"meisjes", SeriesColour(1)}}, TBarStacking::Clustered);
    chart.AddGroup("1A", {40, 20});
    chart.AddGroup("1B", {10, 0});
    const QImage image = Painted(chart, QSize(600, 200));
    const TBarChart::BarRows rows = chart.BarRowsIn(QRect(0, 0, 600, 200), chart.fontMetrics());
    const QColor boys = ToQColor(SeriesColour(0));
    const QColor girls = ToQColor(SeriesColour(1));
    // The legend: both colours above the first bar.
    EXPECT_FALSE(LinesWith(image, boys, 0, rows.top).empty());
    EXPECT_FALSE(LinesWith(image, girls, 0, rows.top).empty());
    const int firstBarEnd = rows.top + static_cast<int>(rows.height);
    const std::vector<int> boysLines = LinesWith(image, boys, rows.top, firstBarEnd);
    const std::vector<int> girlsLines = LinesWith(image, girls, rows.top, firstBarEnd);
    ASSERT_FALSE(boysLines.empty());
    ASSERT_FALSE(girlsLines.empty());
    EXPECT_LT(boysLines.back(), girlsLines.front()) << "the first series above the second";
    const auto [boysStart, boysEnd] = ColourSpan(image, boysLines[boysLines.size() / 2], boys);
    const auto [girlsStart, girlsEnd] = ColourSpan(image, girlsLines[girlsLines.size() / 2], girls);
    EXPECT_NEAR(boysStart, girlsStart, 1) << "both start at the axis";
    EXPECT_NEAR(boysEnd - boysStart, 2 * (girlsEnd - girlsStart), 3);
    EXPECT_EQ(chart.Bars(0).value, 60) << "a group's value is the sum of its series";
}

TEST(BarChart, StackedSeriesFollowEachOtherAndNegativeOnesLieLeftOfTheAxis) {
    TBarChart chart;
    chart.SetSeries({{"a", SeriesColour(0)}, {"b", SeriesColour(1)}, {"c", SeriesColour(2)}},
                    TBarStacking::Stacked);
    chart.AddGroup("eerste", {30, 10, -20});
    chart.AddGroup("tweede", {5, 5, 0});
    const QImage image = Painted(chart, QSize(600, 200));
    const TBarChart::BarRows rows = chart.BarRowsIn(QRect(0, 0, 600, 200), chart.fontMetrics());
    const int middle = rows.top + static_cast<int>(rows.height / 2);
    const auto [aStart, aEnd] = ColourSpan(image, middle, ToQColor(SeriesColour(0)));
    const auto [bStart, bEnd] = ColourSpan(image, middle, ToQColor(SeriesColour(1)));
    const auto [cStart, cEnd] = ColourSpan(image, middle, ToQColor(SeriesColour(2)));
    ASSERT_GE(aStart, 0);
    ASSERT_GE(bStart, 0);
    ASSERT_GE(cStart, 0);
    EXPECT_LT(cEnd, aStart) << "the negative value left of the axis";
    EXPECT_NEAR(bStart, aEnd + 2, 2) << "the second series where the first ends";
    // Numbers inside the segments take pixels of other colours: compare the segments' extents.
    // Outlines take a pixel or two of each segment's fill.
    EXPECT_NEAR(double(aEnd - aStart) / (bEnd - bStart), 3.0, 0.15);
    EXPECT_NEAR(double(cEnd - cStart) / (bEnd - bStart), 2.0, 0.15);
    // The scale spans the stacks: 40 to the right, 20 to the left.
    EXPECT_GT(bEnd, 600 / 2);
}

TEST(BarChart, AGroupsToolTipNamesEverySeries) {
    TBarChart chart;
    chart.SetSeries({{"M", SeriesColour(0)}, {"V", SeriesColour(1)}}, TBarStacking::Clustered);
    chart.AddGroup("1A", {4, 7});
    chart.resize(300, 100);
    chart.show();
    const TBarChart::BarRows rows = chart.BarRowsIn(chart.rect(), chart.fontMetrics());
    const QPoint onBar(150, rows.top + 2);
    QHelpEvent help(QEvent::ToolTip, onBar, chart.mapToGlobal(onBar));
    QApplication::sendEvent(&chart, &help);
    EXPECT_EQ(QToolTip::text(), "1A\nM: 4\nV: 7");
}

TEST(BarChart, FillBarChartJoinsTheLabelFieldsFromTheCurrentRowOn) {
    TVornClientDataSet table("CDSPerKlas");
    FillTable(table, 3);
    TBarChart chart;
    FillBarChart(chart, table, "CODE; KLAS", "aantal", clBlue);
    ASSERT_EQ(chart.BarCount(), 3);
    EXPECT_EQ(chart.Bars(0).label, "C1 A");
    EXPECT_EQ(chart.Bars(1).label, "C2 ");
    EXPECT_EQ(chart.Bars(2).value, 5);
    EXPECT_THROW(FillBarChart(chart, table, "GEEN", "AANTAL", clBlue), EDatabaseError);
}

TEST(Grid, ShowsTheRowsOfItsDatasetAndRefusesEdits) {
    TVornClientDataSet table("CDSStatKlas");
    FillTable(table, 4);
    TVornDatasource source;
    source.SetDataSet(&table);
    TVornDBgrid grid;
    TVornGridDBTableView* view = grid.GetActiveDBView();
    view->SetDataSource(&source);
    view->AddColumn({"AANTAL", "Totaal", 0});
    view->CreateAllItems(true);
    ASSERT_EQ(view->columnCount(), 4) << "missing fields only, the declared column stays first";
    EXPECT_EQ(view->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "Totaal");
    EXPECT_EQ(view->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "Code");
    EXPECT_EQ(view->rowCount(), 4);
    EXPECT_EQ(view->data(view->index(3, 2), Qt::DisplayRole).toString(), "C4");
    EXPECT_FALSE(view->flags(view->index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(view->setData(view->index(0, 0), 99, Qt::EditRole));
    EXPECT_EQ(grid.editTriggers(), QAbstractItemView::NoEditTriggers);

    grid.setCurrentIndex(view->index(2, 1));
    EXPECT_EQ(table.RecNo(), 3) << "the grid moves the dataset";
    EXPECT_EQ(view->headerData(2, Qt::Vertical, Qt::DisplayRole).toString(), QString::fromUtf8("\u25B6"));
    table.Close();
    EXPECT_EQ(view->rowCount(), 0);
}

TEST(Grid, AHeaderClickSortsTheRowsShownAndTheThirdRestoresTheScreensOrder) {
    TVornClientDataSet table("rows");
    FillTable(table, 12); // AANTAL -15, -5, 5, ... 95; CODE C1 ... C12
    TVornDatasource source;
    source.SetDataSet(&table);
    TVornDBgrid grid;
    TVornGridDBTableView* view = grid.GetActiveDBView();
    view->SetDataSource(&source);
    view->CreateAllItems(false);
    const auto column = [view](int c) {
        QStringList cells;
        for (int row = 0; row < view->rowCount(); ++row)
            cells << view->CellText(row, c);
        return cells;
    };
    EXPECT_EQ(view->data(view->index(0, 3), Qt::TextAlignmentRole).toInt() & Qt::AlignRight, Qt::AlignRight)
        << "numbers are right-aligned";
    EXPECT_EQ(view->data(view->index(0, 1), Qt::TextAlignmentRole).toInt() & Qt::AlignLeft, Qt::AlignLeft);

    grid.horizontalHeader()->sectionClicked(1);
    EXPECT_EQ(column(1).mid(0, 4), (QStringList{"C1", "C10", "C11", "C12"})) << "texts in collation order";
    grid.horizontalHeader()->sectionClicked(3);
    EXPECT_EQ(column(3).first(), "-15");
    grid.horizontalHeader()->sectionClicked(3);
    EXPECT_EQ(column(3).first(), "95") << "a second click sorts descending";
    EXPECT_EQ(ResultTableOf("Rijen", grid).rowOrder.front(), 11) << "exports take the rows as shown";
    grid.setCurrentIndex(view->index(0, 0));
    EXPECT_EQ(table.FieldByName("ID").AsInteger(), 12) << "the row chosen in the grid is the dataset's row";
    grid.horizontalHeader()->sectionClicked(3);
    EXPECT_EQ(column(0).first(), "1") << "a third click brings the screen's order back";
    EXPECT_TRUE(ResultTableOf("Rijen", grid).rowOrder.empty());
    grid.horizontalHeader()->sectionClicked(3);
    table.Append(); // new rows come in the screen's order
    table.FieldByName("ID").SetAsInteger(13);
    table.Post();
    EXPECT_EQ(column(0).first(), "1");
}

TEST(Grid, NewRowsAndASortAreShownFromTheTop) {
    TVornClientDataSet table("rows");
    FillTable(table, 300);
    TVornDatasource source;
    source.SetDataSet(&table);
    TVornDBgrid grid;
    grid.resize(300, 200);
    grid.show();
    TVornGridDBTableView* view = grid.GetActiveDBView();
    view->CreateAllItems(false);
    table.Last(); // a counting pass leaves the cursor on the last row
    view->SetDataSource(&source);
    view->CreateAllItems(false);
    QApplication::processEvents();
    EXPECT_EQ(table.RecNo(), 300) << "the screen's dataset keeps its row";
    EXPECT_EQ(grid.verticalScrollBar()->value(), 0) << "a fetched list is read from its first row";
    grid.scrollToBottom();
    grid.horizontalHeader()->sectionClicked(3);
    QApplication::processEvents();
    EXPECT_EQ(grid.verticalScrollBar()->value(), 0) << "a sorted list too";
}

TEST(Grid, CopyGivesTheSelectedCellsWithTheirCaptionsAsTabSeparatedText) {
    TVornClientDataSet table("rows");
    FillTable(table, 3);
    table.FieldByName("CODE");
    TVornDatasource source;
    source.SetDataSet(&table);
    TVornDBgrid grid;
    grid.GetActiveDBView()->SetDataSource(&source);
    grid.GetActiveDBView()->CreateAllItems(false);
    TVornGridDBTableView* view = grid.GetActiveDBView();
    grid.selectionModel()->select(QItemSelection(view->index(0, 1), view->index(1, 3)),
                                  QItemSelectionModel::Select);
    EXPECT_EQ(grid.SelectionAsText(), "Code\tKLAS\tAantal\nC1\tA\t-15\nC2\t\t-5\n");
    grid.selectAll();
    EXPECT_EQ(grid.SelectionAsText().count('\n'), 4) << "the captions and every row";
    grid.selectionModel()->select(QItemSelection(view->index(0, 1), view->index(0, 1)),
                                  QItemSelectionModel::ClearAndSelect);
    QTest::keyClick(&grid, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "Code\nC1\n");
}

TEST(LookupEdit, GivesTheKeyOfTheChosenRowShowsItsNameAndFollowsANewListSource) {
    TVornClientDataSet institutions("CDSSelectInstelling");
    institutions.AddField(FieldDef::integer("IS_ID"));
    institutions.AddField(FieldDef::wideString("IS_CODE", 5));
    institutions.AddField(FieldDef::wideString("SC_INSTELLINGSNUMMER", 6));
    institutions.AddField(FieldDef::wideString("IS_NAAMGEBRUIKER", 80));
    institutions.CreateDataSet();
    for (const auto& [id, code, name] : std::vector<std::tuple<int, QString, QString>>{
             {7, "SJCAA", "Sint-Jozefscollege"}, {9, "KAGNT", "Koninklijk Atheneum"}}) {
        institutions.Append();
        institutions.FieldByName("IS_ID").SetAsInteger(id);
        institutions.FieldByName("IS_CODE").SetAsString(code);
        institutions.FieldByName("IS_NAAMGEBRUIKER").SetAsString(name);
        institutions.Post();
    }
    institutions.First();
    TVornDatasource source;
    source.SetDataSet(&institutions);
    TVornLookupEdit lookup;
    QLabel name;
    lookup.SetAssociatedLabel(&name, "IS_NAAMGEBRUIKER");
    int changes = 0;
    QObject::connect(&lookup, &TVornLookupEdit::changed, [&changes] { ++changes; });
    InitInstellingLookup(lookup, &source);
    EXPECT_EQ(lookup.GetLookupID(), -1) << "nothing chosen yet";
    lookup.setCurrentIndex(1);
    EXPECT_EQ(lookup.GetLookupID(), 9);
    EXPECT_EQ(name.text(), "Koninklijk Atheneum");
    EXPECT_EQ(institutions.RecNo(), 2) << "a synchronised list follows the choice";
    EXPECT_EQ(changes, 1);

    institutions.Close();
    EXPECT_EQ(lookup.GetLookupID(), -1) << "a closed list leaves nothing chosen";
    institutions.CreateDataSet();
    TVornDatasource other;
    lookup.GetProperties().SetListSource(&other);
    EXPECT_EQ(lookup.GetProperties().ListSource(), &other);
}

TEST(Editors, TheDateEditUsesZeroForEmptyAndTheSpinEditKeepsItsRange) {
    TVornDateEdit date;
    EXPECT_EQ(date.Date(), NoDate);
    int changes = 0;
    QObject::connect(&date, &TVornDateEdit::changed, [&changes] { ++changes; });
    date.SetDate(EncodeDate(2025, 3, 4) + 0.5);
    EXPECT_EQ(date.Date(), EncodeDate(2025, 3, 4));
    date.SetDate(NoDate);
    EXPECT_EQ(date.Date(), NoDate);
    EXPECT_EQ(changes, 2);
    TVornSpinEdit scale(1, 10, 5);
    scale.setValue(42);
    EXPECT_EQ(scale.GetI(), 10);
    TVornPageControl pages;
    pages.addTab(new QWidget, "Rasters");
    pages.SetTabsVisible(false);
    EXPECT_FALSE(pages.tabBar()->isVisibleTo(&pages));
}

TEST(Editors, TabbingIntoADateEditAndTypingADateReplacesTheWholeDateAndTabLeavesIt) {
    QWidget window;
    auto* before = new QLineEdit(&window);
    auto* edit = new vorn::TVornDateEdit(&window, true, true);
    auto* after = new QLineEdit(&window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(before);
    layout->addWidget(edit);
    layout->addWidget(after);
    edit->SetDate(vorn::EncodeDate(2026, 12, 7));
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    before->setFocus();
    QTest::keyClick(before, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), edit->Editor());
    QTest::keyClicks(edit->Editor(), "01/09/2024");
    QTest::keyClick(edit->Editor(), Qt::Key_Tab);
    EXPECT_EQ(edit->Date(), vorn::EncodeDate(2024, 9, 1)) << edit->Editor()->text().toStdString();
    EXPECT_EQ(QApplication::focusWidget(), after) << "Tab leaves the date, not into its next section";
}

TEST(Editors, ATypedWholeDateIsTakenInEveryUsualFormAndAnImpossibleOneKeepsThePreviousDate) {
    vorn::TVornDateEdit edit(nullptr, true, true);
    edit.resize(121, 24);
    edit.show();
    int changes = 0;
    QObject::connect(&edit, &vorn::TVornDateEdit::changed, [&changes] { ++changes; });
    const auto type = [&edit](const char* typed, Qt::Key end) {
        edit.SetDate(vorn::EncodeDate(2024, 1, 1));
        edit.Editor()->setFocus();
        edit.Editor()->selectAll();
        QTest::keyClicks(edit.Editor(), QString::fromLatin1(typed));
        QTest::keyClick(edit.Editor(), end);
    };
    for (const char* typed : {"15/09/2025", "15-09-2025", "15092025", "15.09.2025", "15/9/25"}) {
        type(typed, Qt::Key_Return);
        EXPECT_EQ(edit.Date(), vorn::EncodeDate(2025, 9, 15)) << typed;
        EXPECT_EQ(edit.Editor()->text(), "15/09/2025") << typed;
    }
    type("31/02/2025", Qt::Key_Tab);
    EXPECT_EQ(edit.Date(), vorn::EncodeDate(2024, 1, 1)) << "an impossible date is refused";
    EXPECT_EQ(edit.Editor()->text(), "01/01/2024");
    type("15/09/2025", Qt::Key_Escape);
    EXPECT_EQ(edit.Date(), vorn::EncodeDate(2024, 1, 1)) << "Escape keeps the date";
    changes = 0;
    type("02032026", Qt::Key_Enter);
    EXPECT_EQ(changes, 1) << "the typed date is one change";
    EXPECT_GE(edit.Editor()->width(), edit.Editor()->minimumSizeHint().width())
        << "a whole date fits beside both buttons at the screens' width of 121 pixels";
}

namespace {

/// A date edit between two line edits in a shown window, showing 15/12/2026.
struct DateWindow {
    QWidget window;
    QLineEdit* before = new QLineEdit(&window);
    vorn::TVornDateEdit* edit = new vorn::TVornDateEdit(&window, true, true);
    QLineEdit* after = new QLineEdit(&window);
    DateWindow() {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(before);
        layout->addWidget(edit);
        layout->addWidget(after);
        edit->SetDate(vorn::EncodeDate(2026, 12, 15));
        window.show();
        QApplication::setActiveWindow(&window);
    }
    /// A click into the edit's text at `x`, the way a user enters the day or the year part.
    void ClickAt(int x) const {
        QTest::mouseClick(edit->Editor()->findChild<QLineEdit*>(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(x, edit->Editor()->findChild<QLineEdit*>()->height() / 2));
    }
};

} // namespace

TEST(Editors, AWholeDateTypedAfterAClickIntoAnyPartOfTheDateIsTaken) {
    DateWindow shown;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&shown.window));
    const int yearPart = shown.edit->Editor()->findChild<QLineEdit*>()->width() - 12;
    for (const int x : {4, yearPart}) {
        shown.edit->SetDate(vorn::EncodeDate(2026, 12, 15));
        shown.before->setFocus();
        shown.ClickAt(x);
        ASSERT_EQ(QApplication::focusWidget(), shown.edit->Editor());
        QTest::keyClicks(shown.edit->Editor(), "01/10/2025");
        QTest::keyClick(shown.edit->Editor(), Qt::Key_Tab);
        EXPECT_EQ(shown.edit->Date(), vorn::EncodeDate(2025, 10, 1)) << "clicked at " << x;
        // Clicked again while the edit has the focus.
        shown.ClickAt(x);
        QTest::keyClicks(shown.edit->Editor(), "15/09/2025");
        QTest::keyClick(shown.edit->Editor(), Qt::Key_Return);
        EXPECT_EQ(shown.edit->Date(), vorn::EncodeDate(2025, 9, 15)) << "clicked again at " << x;
    }
    // A day, or a day and a month, keep what is shown of the rest.
    shown.ClickAt(4);
    QTest::keyClicks(shown.edit->Editor(), "3");
    QTest::keyClick(shown.edit->Editor(), Qt::Key_Return);
    EXPECT_EQ(shown.edit->Date(), vorn::EncodeDate(2025, 9, 3));
    shown.ClickAt(4);
    QTest::keyClicks(shown.edit->Editor(), "1/10");
    QTest::keyClick(shown.edit->Editor(), Qt::Key_Return);
    EXPECT_EQ(shown.edit->Date(), vorn::EncodeDate(2025, 10, 1));
    // The arrow keys still step the part the cursor is in.
    shown.ClickAt(4);
    QTest::keyClick(shown.edit->Editor(), Qt::Key_Up);
    EXPECT_EQ(shown.edit->Date(), vorn::EncodeDate(2025, 10, 2));
}

TEST(Editors, AnImpossibleDateLeftWithTabKeepsThePreviousDateAndSaysSoWhereItStays) {
    DateWindow shown;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&shown.window));
    shown.before->setFocus();
    QTest::keyClick(shown.before, Qt::Key_Tab);
    QTest::keyClicks(shown.edit->Editor(), "31/02/2025");
    QTest::keyClick(shown.edit->Editor(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), shown.after);
    EXPECT_EQ(shown.edit->Date(), vorn::EncodeDate(2026, 12, 15));
    EXPECT_TRUE(shown.edit->Editor()->LastTypingRefused());
    QTest::qWait(50); // what a tooltip would not survive: the focus has moved and keys went on
    QTest::keyClicks(shown.after, "x");
    const auto* note = shown.edit->findChild<QLabel*>("DatumMelding");
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(note->isVisible());
    EXPECT_TRUE(note->text().contains("31/02/2025") && note->text().contains("15/12/2026"))
        << note->text().toStdString();

    // Entered with the whole date selected, then clicked into the month: Tab must not take the
    // typed day into the shown date.
    QTest::keyClick(shown.after, Qt::Key_Backtab);
    shown.ClickAt(shown.edit->Editor()->findChild<QLineEdit*>()->width() / 3);
    QTest::keyClicks(shown.edit->Editor(), "31/02/2025");
    QTest::keyClick(shown.edit->Editor(), Qt::Key_Tab);
    EXPECT_EQ(shown.edit->Date(), vorn::EncodeDate(2026, 12, 15)) << "not 31/12/2026";
    EXPECT_EQ(QApplication::focusWidget(), shown.after);

    QTest::keyClick(shown.after, Qt::Key_Backtab);
    QTest::keyClicks(shown.edit->Editor(), "28/02/2025");
    QTest::keyClick(shown.edit->Editor(), Qt::Key_Tab);
    EXPECT_EQ(shown.edit->Date(), vorn::EncodeDate(2025, 2, 28));
    EXPECT_FALSE(shown.edit->Editor()->LastTypingRefused());
    EXPECT_FALSE(note->isVisible());
}
