#pragma once

#include "pivot.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace vorn {

/// What the chart of a pivot shows: one bar per row line that is no total (a member of the
/// innermost row dimension, or a collapsed member), labelled by its members, with the chosen
/// measure over all columns, or, by columns, one value per column member (a member of the innermost
/// column dimension, or a collapsed one) as the series. Values are as the grid shows them; a
/// percentage is in percent (25 for 25 %).
struct TPivotChartData {
    struct Bar {
        QString label;
        std::vector<double> values; // one per series, or the one value without series
    };
    QStringList series; // the column members' labels; empty: one value per bar
    std::vector<Bar> bars;
    int seriesLeftOut = 0; // column members beyond the most a chart shows
    bool percent = false;
    /// Whether a bar's series add up to its row's total: a count or a sum shown as values. A
    /// distinct count, average, minimum or maximum (or a percentage of the column or the whole)
    /// does not, so a stacked bar's length is then no total.
    bool seriesAddUp = true;
};

/// The chart of the pivot of `cube` in `layout` for one cube measure; `byColumns` makes the column
/// members its series (at most `maxSeries`, the first ones in the grid's order). Raises ECubeError
/// when the layout does not fit the cube.
TPivotChartData PivotChartData(std::shared_ptr<const TCube> cube, const TPivotLayout& layout, int measure,
                               bool byColumns, int maxSeries);

} // namespace vorn
