// The chart of a pivot: its bars and series against a recount of the raw rows, totals left out,
// collapsed members, the limit on series and percentages.
#include "memorycolumns.h"

#include "host/cube/pivotchart.h"
#include "tests/common/qtprint.h"

#include <gtest/gtest.h>
#include <map>

using namespace vorn;
using vorn::testing::Enrolments;
using vorn::testing::TMemoryColumns;

namespace {

enum Dimension { Graad, Klas, Geslacht };
enum Measure { Uren, Leerlingen };

TOLAPDefinition HoursCube() {
    return ParseCubeDefinition(QByteArray(R"({"format": "vorn-cube", "version": 1,
        "dimensions": [{"field": "GRAAD", "caption": "Graad"}, {"field": "KLAS", "caption": "Klas"},
                       {"field": "GESLACHT", "caption": "Geslacht"}],
        "measures": [{"name": "Uren", "field": "UREN", "aggregate": "sum"},
                     {"name": "Leerlingen", "field": "LL_ID", "aggregate": "countDistinct"}]})"));
}

// The rows of Enrolments() once more, read by hand, so that the sums below are counted apart from
// the cube: class, sex, grade, hours (nothing for an hour left empty).
struct RawRow {
    const char* klas;
    const char* geslacht;
    int graad;
    double uren;
};
constexpr RawRow RawRows[] = {{"1A", "M", 1, 2.0}, {"1A", "V", 1, 3.0}, {"1B", "M", 1, 1.5},
                              {"2A", "V", 2, 0.0}, {"2A", "V", 2, 4.0}, {"2A", "M", 2, 0.5}};

double HoursOf(const QString& klas, const QString& geslacht = {}) {
    double sum = 0;
    for (const RawRow& row : RawRows)
        if (klas == QLatin1String(row.klas) &&
            (geslacht.isEmpty() || geslacht == QLatin1String(row.geslacht)))
            sum += row.uren;
    return sum;
}

struct PivotChart : ::testing::Test {
    TMemoryColumns columns = Enrolments();
    std::shared_ptr<const TCube> cube = TCube::Build(HoursCube(), columns);

    TPivotLayout byClassAndSex() const {
        TPivotLayout layout = DefinedLayout(*cube);
        layout.rows.dimensions = {Klas};
        layout.columns.dimensions = {Geslacht};
        layout.measures = {Uren};
        return layout;
    }
};

QStringList LabelsOf(const TPivotChartData& data) {
    QStringList labels;
    for (const TPivotChartData::Bar& bar : data.bars)
        labels << bar.label;
    return labels;
}

} // namespace

TEST_F(PivotChart, ByColumnsEachBarHasTheValueOfEveryColumnMemberAndNoTotals) {
    const TPivotChartData data = PivotChartData(cube, byClassAndSex(), Uren, true, 12);
    EXPECT_EQ(data.series, QStringList({"M", "V"}));
    EXPECT_EQ(LabelsOf(data), QStringList({"1A", "1B", "2A"}));
    EXPECT_EQ(data.seriesLeftOut, 0);
    EXPECT_FALSE(data.percent);
    for (const TPivotChartData::Bar& bar : data.bars) {
        ASSERT_EQ(bar.values.size(), 2U) << bar.label.toStdString();
        EXPECT_DOUBLE_EQ(bar.values[0], HoursOf(bar.label, "M")) << bar.label.toStdString();
        EXPECT_DOUBLE_EQ(bar.values[1], HoursOf(bar.label, "V"))
            << bar.label.toStdString(); // 1B has no girl: 0
    }
}

TEST_F(PivotChart, RowTotalsGiveOneValuePerBarWhateverTheColumnsHold) {
    for (const bool byColumns : {false, true}) {
        TPivotLayout layout = byClassAndSex();
        if (byColumns)
            layout.columns.dimensions.clear(); // by columns without a column field: row totals too
        const TPivotChartData data = PivotChartData(cube, layout, Uren, byColumns, 12);
        EXPECT_TRUE(data.series.isEmpty());
        ASSERT_EQ(LabelsOf(data), QStringList({"1A", "1B", "2A"}));
        for (const TPivotChartData::Bar& bar : data.bars) {
            ASSERT_EQ(bar.values.size(), 1U);
            EXPECT_DOUBLE_EQ(bar.values[0], HoursOf(bar.label)) << bar.label.toStdString();
        }
    }
}

TEST_F(PivotChart, NestedRowsGiveABarPerInnerMemberOrPerCollapsedMember) {
    TPivotLayout layout = byClassAndSex();
    layout.rows.dimensions = {Graad, Klas};
    EXPECT_EQ(LabelsOf(PivotChartData(cube, layout, Uren, true, 12)),
              QStringList({"1 / 1A", "1 / 1B", "2 / 2A"}));
    SetCollapsed(layout.rows, {*cube->FindMember(Graad, QStringLiteral("1"))}, true);
    const TPivotChartData data = PivotChartData(cube, layout, Uren, false, 12);
    ASSERT_EQ(LabelsOf(data), QStringList({"1", "2 / 2A"}));
    EXPECT_DOUBLE_EQ(data.bars[0].values[0], HoursOf("1A") + HoursOf("1B"));
}

TEST_F(PivotChart, SeriesBeyondTheLimitAreLeftOutAndCounted) {
    const TPivotChartData data = PivotChartData(cube, byClassAndSex(), Uren, true, 1);
    EXPECT_EQ(data.series, QStringList({"M"}));
    EXPECT_EQ(data.seriesLeftOut, 1);
    for (const TPivotChartData::Bar& bar : data.bars)
        EXPECT_EQ(bar.values.size(), 1U);
}

TEST_F(PivotChart, PercentagesAreInPercentAndARowsSeriesAddUpToAHundred) {
    TPivotLayout layout = byClassAndSex();
    layout.showAs = TShowAs::PercentOfRow;
    const TPivotChartData data = PivotChartData(cube, layout, Uren, true, 12);
    EXPECT_TRUE(data.percent);
    for (const TPivotChartData::Bar& bar : data.bars) {
        EXPECT_NEAR(bar.values[0] + bar.values[1], 100.0, 1e-9) << bar.label.toStdString();
        EXPECT_NEAR(bar.values[0], 100.0 * HoursOf(bar.label, "M") / HoursOf(bar.label), 1e-9)
            << bar.label.toStdString();
    }
}

TEST_F(PivotChart, OnlyCountsAndSumsOfValuesOrOfTheRowAddUpAcrossTheSeries) {
    TPivotLayout layout = byClassAndSex();
    EXPECT_TRUE(PivotChartData(cube, layout, Uren, true, 12).seriesAddUp);
    // Pupil 3 of class 2A is counted once in the class, and once among the girls.
    const TPivotChartData distinct = PivotChartData(cube, layout, Leerlingen, true, 12);
    EXPECT_FALSE(distinct.seriesAddUp);
    layout.showAs = TShowAs::PercentOfColumn;
    EXPECT_FALSE(PivotChartData(cube, layout, Uren, true, 12).seriesAddUp);
    layout.showAs = TShowAs::PercentOfRow;
    EXPECT_TRUE(PivotChartData(cube, layout, Uren, true, 12).seriesAddUp);
}
