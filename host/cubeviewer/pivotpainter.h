#pragma once

#include "host/cube/pivot.h"

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <optional>
#include <vector>

class QPainter;
class QPaintDevice;

namespace vorn {

class TPivotTableModel;

/// Where the cells of a pivot table lie: the left edge of every column, one height for every row.
struct TPivotGeometry {
    std::vector<int> left; // one more than there are columns: the last is the right edge
    int rowHeight = 0;

    int ColumnCount() const { return left.empty() ? 0 : static_cast<int>(left.size()) - 1; }
    int Left(int column) const { return left[static_cast<std::size_t>(column)]; }
    int Width(int column) const { return Left(column + 1) - Left(column); }
    int TotalWidth() const { return left.empty() ? 0 : left.back(); }
    /// The column whose span holds x (clamped to the columns).
    int ColumnAt(int x) const;
};

/// Column widths fitted to the texts of a sample of rows and columns (a pivot of 100,000 lines is
/// not measured whole), in the units of `device` (null: the screen).
TPivotGeometry MeasurePivot(const TPivotTableModel& model, int measureSlots, const QFont& font,
                            QPaintDevice* device);

/// The top-left cell of the merged cell that covers a cell; the cell itself when none covers it.
QPoint SpanOrigin(const TPivotTableModel& model, int row, int column);

/// The member a heading cell's +/- collapses or expands: its axis and path.
struct TMemberToggle {
    TPivotAxis axis = TPivotAxis::Rows;
    TMemberPath path;
    bool collapsed = false; // the member shows "+"
};

/// The member whose label a heading cell shows, when it can be collapsed or expanded: a member
/// of any but the innermost dimension of its axis.
std::optional<TMemberToggle> ToggleAt(const TPivot& pivot, const TPivotTableModel& model, int row,
                                      int column);

/// The lowest and highest value of one measure among the value cells that are no totals.
struct THeatRange {
    double low = 0;
    double high = 0;
};

/// What a block of cells is painted with besides the model.
struct TPivotPaintOptions {
    const TPivot* pivot = nullptr; // draws the +/- of members; null draws none
    /// Heat map: per measure slot the lowest and highest value; empty for no heat map.
    std::vector<THeatRange> heat;
    QRect selection; // model cells: x columns, y rows; null for none
};

/// One rectangle of cells painted into `area`: the cells `cells` (x columns, y rows), the first of
/// them at area.topLeft() - shift. Merged cells that start outside the block are painted clipped,
/// their text in the part that shows.
struct TPivotBlock {
    QRect cells;
    QRect area;
    QPoint shift;

    QRect CellRect(const TPivotGeometry& geometry, int row, int column, int rows = 1, int columns = 1) const;
};

void PaintPivotBlock(QPainter& painter, const TPivotTableModel& model, const TPivotGeometry& geometry,
                     const TPivotBlock& block, const TPivotPaintOptions& options);

/// Where a heading cell's +/- box is drawn, given the visible part of its (merged) cell.
QRect ToggleBox(const QRect& visibleCell, int rowHeight);

/// Per measure slot, the lowest and highest value of the shown value cells that are no totals:
/// each measure is coloured on its own scale (counts and hours do not share one).
std::vector<THeatRange> HeatRanges(const TPivotTableModel& model, int measureSlots);

} // namespace vorn
