#pragma once

#include "host/controls/barchart.h"
#include "host/controls/dbgrid.h"
#include "host/forms/screenresults.h"

#include <stdexcept>

#include <QStringList>

namespace vorn::testing {

/// The grid of a result table, by its page caption.
inline TVornDBgrid& ResultGrid(IScreenResults& results, const QString& caption) {
    for (const TResultTable& table : results.Tables())
        if (table.caption == caption)
            if (auto* grid = qobject_cast<TVornDBgrid*>(table.view))
                return *grid;
    throw std::runtime_error("no grid " + caption.toStdString());
}

/// The chart of a result series, by its page caption.
inline const TBarChart& ResultChart(IScreenResults& results, const QString& caption) {
    for (const TResultSeries& series : results.Series())
        if (series.caption == caption)
            return *series.chart;
    throw std::runtime_error("no chart " + caption.toStdString());
}

/// The column captions of a grid, joined by '|'.
inline QString GridHeader(TVornDBgrid& grid) {
    TVornGridDBTableView* view = grid.GetActiveDBView();
    QStringList captions;
    for (int column = 0; column < view->columnCount(); ++column)
        captions << view->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    return captions.join(u'|');
}

/// The rows as the grid shows them, cells joined by '|'.
inline QStringList GridRows(TVornDBgrid& grid) {
    TVornGridDBTableView* view = grid.GetActiveDBView();
    QStringList rows;
    for (int row = 0; row < view->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < view->columnCount(); ++column)
            cells << view->data(view->index(row, column), Qt::DisplayRole).toString();
        rows << cells.join(u'|');
    }
    return rows;
}

/// The bars in the order shown, as "label=value".
inline QStringList Bars(const TBarChart& chart) {
    QStringList bars;
    for (int bar = 0; bar < chart.BarCount(); ++bar)
        bars << QStringLiteral("%1=%2").arg(chart.Bars(bar).label).arg(chart.Bars(bar).value);
    return bars;
}

} // namespace vorn::testing
