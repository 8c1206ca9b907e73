#include "pivotchart.h"

#include "cube.h"

#include <algorithm>

namespace vorn {

namespace {

/// A line that stands for members rather than for a total of them.
bool ShowsMembers(const TPivot& pivot, TPivotAxis axis, int line) {
    const TLineKind kind = pivot.LineKind(axis, line);
    return kind == TLineKind::Member || kind == TLineKind::Collapsed;
}

QString LineLabels(const TPivot& pivot, TPivotAxis axis, int line) {
    QStringList labels;
    for (int level = 0; level < std::max(pivot.LineDepth(axis, line), 1); ++level)
        labels << pivot.LineLabel(axis, line, level);
    return labels.join(QStringLiteral(" / "));
}

/// The bars' lines: every member line, or the one grand total of an axis without dimensions.
std::vector<int> ChartLines(const TPivot& pivot, TPivotAxis axis, bool hasDimensions) {
    std::vector<int> lines;
    for (int line = 0; line < pivot.LineCount(axis); ++line)
        if (!hasDimensions || ShowsMembers(pivot, axis, line))
            lines.push_back(line);
    return lines;
}

} // namespace

TPivotChartData PivotChartData(std::shared_ptr<const TCube> cube, const TPivotLayout& layout, int measure,
                               bool byColumns, int maxSeries) {
    TPivotLayout charted = layout;
    charted.measures = {measure};
    const bool series = byColumns && !layout.columns.dimensions.empty();
    if (!series)
        charted.columns = TAxisLayout{};
    const TPivot pivot(std::move(cube), charted);

    TPivotChartData data;
    data.percent = ShowsFraction(charted.showAs);
    const TCubeAggregate aggregate = pivot.Cube().Measure(measure).def.aggregate;
    data.seriesAddUp = (aggregate == TCubeAggregate::Count || aggregate == TCubeAggregate::Sum) &&
                       (charted.showAs == TShowAs::Value || charted.showAs == TShowAs::PercentOfRow);
    std::vector<int> columns = ChartLines(pivot, TPivotAxis::Columns, series);
    if (series) {
        const int kept = std::min(static_cast<int>(columns.size()), std::max(maxSeries, 1));
        data.seriesLeftOut = static_cast<int>(columns.size()) - kept;
        columns.resize(static_cast<std::size_t>(kept));
        for (const int column : columns)
            data.series << LineLabels(pivot, TPivotAxis::Columns, column);
    }
    const double scale = data.percent ? 100.0 : 1.0;
    for (const int row : ChartLines(pivot, TPivotAxis::Rows, !charted.rows.dimensions.empty())) {
        TPivotChartData::Bar bar{LineLabels(pivot, TPivotAxis::Rows, row), {}};
        for (const int column : columns)
            bar.values.push_back(pivot.Value(row, column, 0).value_or(0.0) * scale);
        data.bars.push_back(std::move(bar));
    }
    return data;
}

} // namespace vorn
