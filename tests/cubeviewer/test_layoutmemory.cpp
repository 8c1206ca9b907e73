// Rearranged layouts remembered per statistic in the settings file by names and labels, restored
// on the next showing, forgotten by "Standaardindeling", and ignored when they no longer fit.
#include "framefixture.h"

#include "host/cubeviewer/pivotgrid.h"
#include "host/data/inifile.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QTemporaryDir>

using namespace vorn;
using namespace vorn::testing;

namespace {

struct RememberedLayout : CubeFrame {
    QTemporaryDir folder;
    QString file = folder.filePath("vorn.ini");
    TVornIniFile settings{file};

    void SetUp() override {
        CubeFrame::SetUp();
        frame.SetSettings(&settings, "LEERLINGEN");
        frame.ShowCube();
    }
    /// A frame of its own over the same settings file, showing the cube of `rows`.
    std::unique_ptr<TOLAPFrame> showAgain(TVornClientDataSet& rows, TVornIniFile& fresh) {
        auto again = std::make_unique<TOLAPFrame>();
        again->LoadDefinition(BlobDataSet(EnrolmentCube)->FieldByName("L_DEFINITIE"));
        again->SetSettings(&fresh, "LEERLINGEN");
        again->SetDataset(&rows);
        again->ShowCube();
        return again;
    }
};

} // namespace

TEST_F(RememberedLayout, IsShownAgainNextTime) {
    std::unique_ptr<QMenu> menu = frame.FieldList()->MenuFor(TCubeZone::Rows, 0);
    for (QAction* action : menu->actions())
        if (action->text() == "Naar kolommen")
            action->trigger();
    TPivotLayout changed = frame.Pivot()->Layout();
    changed.filters[dimension("KLAS")] = {0, 2}; // 1A and 2A
    changed.rows.descending = true;
    frame.ApplyLayout(changed);

    TVornIniFile fresh(file);
    const std::unique_ptr<TOLAPFrame> again = showAgain(*dataSet, fresh);
    EXPECT_EQ(again->Pivot()->Layout(), frame.Pivot()->Layout());
    EXPECT_TRUE(errors.empty());
}

TEST_F(RememberedLayout, IsReadByLabelsInALaterFetch) {
    TPivotLayout changed = frame.Pivot()->Layout();
    changed.filters[dimension("KLAS")] = {1, 3}; // 1B and 2B
    frame.ApplyLayout(changed);
    // A later fetch without 1A: the member codes shift, the labels still name the same classes.
    std::vector<TEnrolment> later;
    for (const TEnrolment& row : rows)
        if (row.klas != "1A")
            later.push_back(row);
    const auto laterRows = EnrolmentDataSet(later);
    TVornIniFile fresh(file);
    const std::unique_ptr<TOLAPFrame> again = showAgain(*laterRows, fresh);
    const TCube& cube = again->Pivot()->Cube();
    const int klas = dimension("KLAS");
    std::set<QString> kept;
    for (const std::uint32_t member : again->Pivot()->Layout().filters.at(klas))
        kept.insert(cube.MemberLabel(klas, member));
    EXPECT_EQ(kept, (std::set<QString>{"1B", "2B"}));
}

TEST_F(RememberedLayout, ThatNoLongerFitsGivesTheDefinedLayout) {
    for (const char* stored :
         {R"({"rows": ["BESTAAT_NIET"]})", R"({"rows": ["KLAS"], "filters": {"KLAS": ["9Z"]}})", "geen json",
          R"({"rows": ["KLAS"], "columns": ["KLAS"]})"}) {
        settings.WriteString("Kubusindeling", "LEERLINGEN", stored);
        settings.UpdateFile();
        TVornIniFile fresh(file);
        const std::unique_ptr<TOLAPFrame> again = showAgain(*dataSet, fresh);
        EXPECT_EQ(again->Pivot()->Layout(), DefinedLayout(again->Pivot()->Cube())) << stored;
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(RememberedLayout, StandardLayoutForgetsIt) {
    TPivotLayout changed = frame.Pivot()->Layout();
    changed.showAs = TShowAs::PercentOfColumn;
    frame.ApplyLayout(changed);
    EXPECT_FALSE(settings.ReadString("Kubusindeling", "LEERLINGEN", {}).isEmpty());
    frame.findChild<QAction*>("ACStandaardindeling")->trigger();
    EXPECT_EQ(frame.Pivot()->Layout(), DefinedLayout(frame.Pivot()->Cube()));
    EXPECT_TRUE(settings.ReadString("Kubusindeling", "LEERLINGEN", {}).isEmpty());
    TVornIniFile fresh(file);
    EXPECT_EQ(showAgain(*dataSet, fresh)->Pivot()->Layout().showAs, TShowAs::Value);
}

TEST_F(RememberedLayout, RestoredFiltersAreShownWithANote) {
    TPivotLayout changed = frame.Pivot()->Layout();
    changed.filters[dimension("KLAS")] = {0, 2}; // 1A and 2A
    frame.ApplyLayout(changed);
    EXPECT_EQ(frame.FilterNote()->text(), QStringLiteral("Gefilterd: Klas: 1A, 2A"));

    TVornIniFile fresh(file);
    const std::unique_ptr<TOLAPFrame> again = showAgain(*dataSet, fresh);
    EXPECT_FALSE(again->FilterNote()->isHidden());
    EXPECT_TRUE(again->FilterNote()->text().startsWith("Filter van de vorige keer hersteld"))
        << again->FilterNote()->text().toStdString();
    EXPECT_TRUE(again->FilterNote()->text().endsWith("Klas: 1A, 2A"));
    EXPECT_EQ(again->Heading().filters, QStringList{"Klas: 1A, 2A"});

    again->RestoreDefinedLayout();
    EXPECT_TRUE(again->FilterNote()->isHidden());
}

TEST_F(RememberedLayout, ASortByOneColumnIsShownAgainNextTime) {
    const int column = ColumnOf(model(), {"M"}, "Aantal");
    ASSERT_GE(column, 0);
    frame.SortRowsByColumn(column);
    frame.SortRowsByColumn(column);
    ASSERT_TRUE(frame.Pivot()->Layout().rows.descending);
    TVornIniFile fresh(file);
    const std::unique_ptr<TOLAPFrame> again = showAgain(*dataSet, fresh);
    EXPECT_EQ(again->Pivot()->Layout().rows.sortLine, frame.Pivot()->Layout().rows.sortLine);
    EXPECT_EQ(again->Pivot()->Layout(), frame.Pivot()->Layout());
}

namespace {

/// Drags the right edge of a heading column by `by` pixels, as a mouse does.
void DragEdge(TPivotGrid& grid, int column, int by) {
    const int x = grid.Geometry().Left(column + 1); // a heading column, which does not scroll
    const QPoint from(x, 3);
    const QPoint to(x + by, 3);
    QWidget* viewport = grid.viewport();
    QMouseEvent press(QEvent::MouseButtonPress, from, viewport->mapToGlobal(from), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &press);
    QMouseEvent move(QEvent::MouseMove, to, viewport->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, to, viewport->mapToGlobal(to), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &release);
}

} // namespace

TEST_F(RememberedLayout, ColumnsResizedByHandAreShownAgainAndStandaardindelingForgetsThem) {
    frame.show();
    TPivotGrid& grid = *frame.Grid();
    const int heading = grid.Geometry().Width(1); // "Klas"
    DragEdge(grid, 1, 40);
    EXPECT_EQ(grid.Geometry().Width(1), heading + 40);

    const int hours = ColumnOf(model(), {"M"}, "Uren");
    const int otherHours = ColumnOf(model(), {"V"}, "Uren");
    ASSERT_LT(hours, grid.Geometry().ColumnCount());
    frame.ResizeColumn(hours, 90);
    EXPECT_EQ(grid.Geometry().Width(hours), 90);
    EXPECT_EQ(grid.Geometry().Width(otherHours), 90) << "every column of the measure";
    EXPECT_NE(grid.Geometry().Width(hours - 1), 90) << "not the other measure";

    TVornIniFile fresh(file);
    const std::unique_ptr<TOLAPFrame> again = showAgain(*dataSet, fresh);
    EXPECT_EQ(again->Grid()->Geometry().Width(1), heading + 40);
    EXPECT_EQ(again->Grid()->Geometry().Width(ColumnOf(*again->Model(), {"V"}, "Uren")), 90);

    again->RestoreDefinedLayout();
    EXPECT_EQ(again->Grid()->Geometry().Width(1), heading);
}
