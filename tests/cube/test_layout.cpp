// The pivot layout as a value: remembered by names and labels and read back whole, fields moved
// between zones, member filters, sorting by a column, and the column widths remembered beside it.
#include "memorycolumns.h"

#include "host/cube/pivot.h"
#include "tests/common/qtprint.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

using namespace vorn;
using vorn::testing::TMemoryColumns;

namespace {

enum Dimension { Klas, Geslacht, Graad, Urenband, Stroom };
enum Measure { Cursisten, Uren, Inschrijvingen };

TOLAPDefinition MixedCube() {
    return ParseCubeDefinition(R"({"format": "vorn-cube", "version": 1,
        "dimensions": [{"field": "KLAS", "caption": "Klas"}, {"field": "GESLACHT"},
                       {"field": "GRAAD", "caption": "Graad"},
                       {"name": "Urenband", "field": "UREN", "group": "band", "width": 2},
                       {"field": "STROOM", "caption": "Stroom"}],
        "measures": [{"name": "Cursisten", "field": "LL_ID", "aggregate": "countDistinct"},
                     {"name": "Uren", "field": "UREN", "aggregate": "sum", "format": "0.0"},
                     {"name": "Inschrijvingen", "aggregate": "count"}]})");
}

/// Rows with empty values in every dimension, so that "(leeg)" members are remembered too.
TMemoryColumns MixedRows(std::mt19937& random) {
    const std::vector<std::string> classes = {"1A", "1B", "2A", "2B", "3LAT", "4ECO", "5WEWI"};
    std::vector<std::optional<std::string>> klas, geslacht, stroom;
    std::vector<std::optional<std::int64_t>> graad, pupil;
    std::vector<std::optional<double>> uren;
    for (int row = 0; row < 240; ++row) {
        const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        klas.push_back(pick(15) == 0 ? std::nullopt : std::optional(classes[pick(7)]));
        geslacht.push_back(pick(20) == 0 ? std::nullopt : std::optional<std::string>(pick(2) ? "M" : "V"));
        stroom.push_back(std::optional<std::string>(pick(2) ? "A-stroom" : "B-stroom"));
        graad.push_back(pick(12) == 0 ? std::nullopt : std::optional<std::int64_t>(1 + pick(3)));
        pupil.push_back(1 + pick(90));
        uren.push_back(pick(10) == 0 ? std::nullopt : std::optional(0.5 * pick(20)));
    }
    TMemoryColumns columns;
    columns.AddTexts("KLAS", klas);
    columns.AddTexts("GESLACHT", geslacht);
    columns.AddIntegers("GRAAD", graad);
    columns.AddIntegers("LL_ID", pupil);
    columns.AddNumbers("UREN", TCubeValueKind::Number, uren);
    columns.AddTexts("STROOM", stroom);
    return columns;
}

/// Any layout a user can make in the viewer, drawn at random.
class LayoutDraw {
public:
    LayoutDraw(const TCube& cube, std::mt19937& random) : cube_(cube), random_(random) {}

    TPivotLayout Next() {
        std::vector<int> dimensions(static_cast<std::size_t>(cube_.DimensionCount()));
        std::iota(dimensions.begin(), dimensions.end(), 0);
        std::shuffle(dimensions.begin(), dimensions.end(), random_);
        TPivotLayout layout;
        const int rows = pick(4);
        const int columns = pick(std::min(3, cube_.DimensionCount() - rows) + 1);
        layout.rows.dimensions.assign(dimensions.begin(), dimensions.begin() + rows);
        layout.columns.dimensions.assign(dimensions.begin() + rows, dimensions.begin() + rows + columns);
        for (int dimension = 0; dimension < cube_.DimensionCount(); ++dimension)
            if (pick(3) == 0)
                layout.filters[dimension] = someMembers(dimension);
        std::vector<int> measures(static_cast<std::size_t>(cube_.MeasureCount()));
        std::iota(measures.begin(), measures.end(), 0);
        std::shuffle(measures.begin(), measures.end(), random_);
        layout.measures.assign(measures.begin(), measures.begin() + 1 + pick(cube_.MeasureCount()));
        layout.showAs = static_cast<TShowAs>(pick(8));
        layout.showAsDimension = pick(3) == 0 ? -1 : pick(cube_.DimensionCount());
        arrange(layout.rows, layout.columns.dimensions);
        arrange(layout.columns, layout.rows.dimensions);
        return layout;
    }

private:
    int pick(int n) { return static_cast<int>(random_() % static_cast<unsigned>(n)); }

    std::set<std::uint32_t> someMembers(int dimension) {
        std::set<std::uint32_t> kept;
        const auto members = static_cast<int>(cube_.MemberCount(dimension));
        while (kept.empty())
            for (int member = 0; member < members; ++member)
                if (pick(2) == 0)
                    kept.insert(static_cast<std::uint32_t>(member));
        return kept;
    }

    void arrange(TAxisLayout& axis, const std::vector<int>& other) {
        axis.grandTotal = pick(2) == 0;
        axis.subtotals = pick(2) == 0;
        axis.descending = pick(2) == 0;
        axis.collapsedLevels = {1}; // not remembered: the members may not be there next time
        if (pick(2) == 0)
            return;
        axis.sortBy = TSortBy::Measure;
        axis.sortMeasure = pick(cube_.MeasureCount());
        const int depth = pick(static_cast<int>(other.size()) + 1);
        for (int level = 0; level < depth; ++level)
            axis.sortLine.push_back(
                static_cast<std::uint32_t>(pick(static_cast<int>(cube_.MemberCount(other[level])))));
    }

    const TCube& cube_;
    std::mt19937& random_;
};

struct Layouts : ::testing::Test {
    std::mt19937 random{20261208};
    TMemoryColumns columns = MixedRows(random);
    std::shared_ptr<const TCube> cube = TCube::Build(MixedCube(), columns);

    TZonedLayout zoned(std::vector<int> rows, std::vector<int> columnDimensions,
                       std::vector<int> filterZone = {}) const {
        TZonedLayout layout{DefinedLayout(*cube), std::move(filterZone)};
        layout.pivot.rows.dimensions = std::move(rows);
        layout.pivot.columns.dimensions = std::move(columnDimensions);
        return layout;
    }
};

} // namespace

TEST_F(Layouts, EveryLayoutIsRememberedWholeAndStillPivots) {
    LayoutDraw draw(*cube, random);
    for (int drawn = 0; drawn < 400; ++drawn) {
        const TPivotLayout layout = draw.Next();
        const QString text = RememberedLayoutText(*cube, layout);
        const std::optional<TPivotLayout> restored = LayoutFromRememberedText(*cube, text);
        ASSERT_TRUE(restored.has_value()) << text.toStdString();
        TPivotLayout expected = layout;
        expected.rows.collapsedLevels.clear();
        expected.columns.collapsedLevels.clear();
        ASSERT_EQ(*restored, expected) << text.toStdString();

        EXPECT_NO_THROW(TPivot(cube, *restored)) << text.toStdString();
    }
}

TEST_F(Layouts, ARememberedLayoutThatNoLongerFitsIsNotRestored) {
    TPivotLayout layout = DefinedLayout(*cube);
    layout.filters[Klas] = {*cube->FindMember(Klas, "5WEWI")};
    const QString text = RememberedLayoutText(*cube, layout);
    ASSERT_TRUE(LayoutFromRememberedText(*cube, text).has_value());

    TMemoryColumns without;
    without.AddTexts("KLAS", {"1A", "1B"});
    without.AddTexts("GESLACHT", {"M", "V"});
    without.AddIntegers("GRAAD", {1, 1});
    without.AddIntegers("LL_ID", {1, 2});
    without.AddNumbers("UREN", TCubeValueKind::Number, {1.0, 2.0});
    without.AddTexts("STROOM", {"A-stroom", "A-stroom"});
    const auto later = TCube::Build(MixedCube(), without);
    EXPECT_FALSE(LayoutFromRememberedText(*later, text).has_value()) << "every kept class is gone";

    QString renamed = text;
    renamed.replace("\"KLAS\"", "\"KLASSE\"");
    ASSERT_NE(renamed, text);
    EXPECT_FALSE(LayoutFromRememberedText(*cube, renamed).has_value()) << "a field renamed in the definition";
    for (const QString broken : {"", "{", "[]", R"({"rows": "KLAS"})", R"({"showAs": "median"})"})
        EXPECT_FALSE(LayoutFromRememberedText(*cube, broken).has_value()) << broken.toStdString();
}

TEST_F(Layouts, WidthsAreRememberedByMeasureNameAndKeptWithinReason) {
    const TPivotColumnWidths widths{{{0, 120}, {2, 80}}, {{Uren, 70}}};
    const QString text = RememberedWidthsText(*cube, widths);
    EXPECT_EQ(WidthsFromRememberedText(*cube, text), widths);
    EXPECT_EQ(RememberedWidthsText(*cube, {}), QString());

    const TPivotColumnWidths odd = WidthsFromRememberedText(
        *cube, R"({"koppen": {"0": 99999, "x": 50, "-1": 40, "1": -5}, "maten": {"Uren": 60, "Weg": 90}})");
    EXPECT_EQ(odd, (TPivotColumnWidths{{{0, 2000}}, {{Uren, 60}}}));
    EXPECT_EQ(WidthsFromRememberedText(*cube, "geen json"), TPivotColumnWidths{});
}

TEST_F(Layouts, AFieldMovesBetweenZonesAndWithinOne) {
    const TZonedLayout start = zoned({Klas, Geslacht, Graad}, {Stroom}, {Urenband});
    // Within a zone, positions count as they were before the move: before Graad is index 2.
    EXPECT_EQ(MovedDimension(*cube, start, Klas, TCubeZone::Rows, 2).pivot.rows.dimensions,
              (std::vector<int>{Geslacht, Klas, Graad}));
    EXPECT_EQ(MovedDimension(*cube, start, Graad, TCubeZone::Rows, 0).pivot.rows.dimensions,
              (std::vector<int>{Graad, Klas, Geslacht}));
    const TZonedLayout across = MovedDimension(*cube, start, Geslacht, TCubeZone::Columns, 99);
    EXPECT_EQ(across.pivot.rows.dimensions, (std::vector<int>{Klas, Graad}));
    EXPECT_EQ(across.pivot.columns.dimensions, (std::vector<int>{Stroom, Geslacht}));
    const TZonedLayout toFilters = MovedDimension(*cube, start, Urenband, TCubeZone::Rows, -4);
    EXPECT_EQ(toFilters.pivot.rows.dimensions, (std::vector<int>{Urenband, Klas, Geslacht, Graad}));
    EXPECT_TRUE(toFilters.filterZone.empty());
    EXPECT_EQ(MovedDimension(*cube, start, Stroom, TCubeZone::Filters, 0).filterZone,
              (std::vector<int>{Stroom, Urenband}));
    EXPECT_THROW(MovedDimension(*cube, start, 5, TCubeZone::Rows, 0), ECubeError);
    EXPECT_THROW(MovedDimension(*cube, start, -1, TCubeZone::Rows, 0), ECubeError);
}

TEST_F(Layouts, AMovedFieldForgetsWhatNoLongerAppliesAndKeepsTheRest) {
    TZonedLayout start = zoned({Klas, Geslacht}, {Stroom});
    start.pivot.filters[Geslacht] = {0};
    start.pivot.filters[Stroom] = {1};
    SetCollapsed(start.pivot.rows, {0}, true);
    SetCollapsed(start.pivot.columns, {1}, true);

    const TZonedLayout rowsChanged = MovedDimension(*cube, start, Graad, TCubeZone::Rows, 1);
    EXPECT_TRUE(rowsChanged.pivot.rows.collapsed.empty()) << "paths over other dimensions mean other members";
    EXPECT_EQ(rowsChanged.pivot.columns.collapsed, start.pivot.columns.collapsed);

    const TZonedLayout removed = MovedDimension(*cube, start, Stroom, TCubeZone::Unused, 0);
    EXPECT_EQ(removed.pivot.filters.count(Stroom), 0U) << "a field taken out of the pivot filters no more";
    EXPECT_EQ(removed.pivot.filters.count(Geslacht), 1U);
    EXPECT_TRUE(removed.pivot.columns.dimensions.empty());

    const TZonedLayout toFilters = MovedDimension(*cube, start, Geslacht, TCubeZone::Filters, 0);
    EXPECT_EQ(toFilters.pivot.filters.at(Geslacht), (std::set<std::uint32_t>{0}));
    EXPECT_EQ(toFilters.filterZone, (std::vector<int>{Geslacht}));
}

TEST_F(Layouts, TheFilterZoneHoldsWhatIsPutThereAndEveryFilterOffTheAxes) {
    TPivotLayout layout = zoned({Klas}, {Geslacht}).pivot;
    layout.filters[Stroom] = {0};
    layout.filters[Klas] = {1};
    layout.filters[Graad] = {0};
    EXPECT_EQ(SettledFilterZone(layout, {Urenband, Klas, Graad}),
              (std::vector<int>{Urenband, Graad, Stroom}));
    EXPECT_EQ(SettledFilterZone(layout, {}), (std::vector<int>{Graad, Stroom}));
}

TEST_F(Layouts, KeepingNoneOrAllMembersIsNoFilter) {
    TPivotLayout layout = DefinedLayout(*cube);
    KeepMembers(layout, *cube, Geslacht, {0});
    EXPECT_EQ(layout.filters.at(Geslacht), (std::set<std::uint32_t>{0}));
    std::set<std::uint32_t> all;
    for (std::uint32_t member = 0; member < cube->MemberCount(Geslacht); ++member)
        all.insert(member);
    KeepMembers(layout, *cube, Geslacht, all);
    EXPECT_EQ(layout.filters.count(Geslacht), 0U);
    KeepMembers(layout, *cube, Geslacht, {1});
    KeepMembers(layout, *cube, Geslacht, {});
    EXPECT_TRUE(layout.filters.empty());
}

TEST_F(Layouts, SortingByTheSameColumnAgainTurnsTheOrder) {
    TAxisLayout rows;
    SortRowsByMeasure(rows, Uren, {1});
    EXPECT_EQ(rows.sortBy, TSortBy::Measure);
    EXPECT_FALSE(rows.descending);
    SortRowsByMeasure(rows, Uren, {1});
    EXPECT_TRUE(rows.descending);
    SortRowsByMeasure(rows, Uren, {1});
    EXPECT_FALSE(rows.descending);
    SortRowsByMeasure(rows, Uren, {0});
    EXPECT_FALSE(rows.descending) << "another column starts ascending";
    EXPECT_EQ(rows.sortLine, (TMemberPath{0}));
    SortRowsByMeasure(rows, Cursisten, {0});
    EXPECT_FALSE(rows.descending);
    EXPECT_EQ(rows.sortMeasure, Cursisten);
}
