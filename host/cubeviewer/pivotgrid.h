#pragma once

#include "pivotpainter.h"

#include "host/cube/pivotlayout.h"

#include <QAbstractScrollArea>
#include <QRect>
#include <map>

namespace vorn {

class TPivot;
class TPivotTableModel;

/// The slice grid of the cube viewer: the pivot table with its column headings frozen at the top
/// and its row headings frozen at the left. Only the cells in view are painted (a pivot of 100,000
/// lines costs its visible window), merged headings keep their label in the part that shows (a
/// cell's whole text is its tooltip),
/// totals are bold and a heat map can colour the value cells. A heading's +/- collapses or expands
/// its member; cells are selected as a rectangle and copied with their headings.
class TPivotGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TPivotGrid(QWidget* parent = nullptr);

    /// What to show (not owned); null shows an empty grid. Call Relayout after the model changed.
    void SetPivot(const TPivot* pivot, const TPivotTableModel* model);
    void Relayout();
    const TPivotGeometry& Geometry() const { return geometry_; }

    /// Widths that replace the measured ones from the next layout on.
    void SetColumnWidths(const TPivotColumnWidths& widths);

    void SetHeatMap(bool on);
    bool HeatMap() const { return heatMap_; }

    /// The selected cells (x columns, y rows of the model); null when none.
    QRect Selection() const { return selection_; }
    void SetSelection(const QRect& cells);
    /// The selected value cells with their row and column headings, tab-separated.
    QString SelectionAsText() const;
    void CopySelection() const;

    /// The model cell at a point of the viewport; (-1, -1) where there is none.
    QPoint CellAt(const QPoint& point) const;
    /// The visible part of the (merged) cell that starts at a model cell, in viewport coordinates.
    QRect VisibleCellRect(int row, int column) const;
    /// Scrolls so that a model cell is in view.
    void ScrollTo(int row, int column);

signals:
    /// A value cell was double-clicked or Enter was pressed on it.
    void valueCellActivated(int row, int column);
    /// The +/- of a heading cell (the origin of its merged cell) was clicked.
    void toggleClicked(int row, int column);
    /// The measure heading of a value column (the lowest heading row) was clicked.
    void valueHeadingClicked(int column);
    void cellMenuRequested(int row, int column, const QPoint& globalPosition);
    /// A column's right edge was dragged in the headings to a new width.
    void columnResized(int column, int width);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    struct TBlocks {
        TPivotBlock corner, columnHeadings, rowHeadings, body;
    };
    TBlocks blocks() const;
    int fixedWidth() const;
    int fixedHeight() const;
    void updateScrollBars();
    void refreshHeat();
    bool isValueCell(int row, int column) const;
    void moveCurrent(int rows, int columns, bool extend);
    void applyColumnWidths();
    /// The column whose right edge is at a point of the headings; -1 elsewhere.
    int edgeAt(const QPoint& point) const;
    void setColumnWidth(int column, int width);

    const TPivot* pivot_ = nullptr;
    const TPivotTableModel* model_ = nullptr;
    TPivotGeometry geometry_;
    bool heatMap_ = false;
    std::vector<THeatRange> heat_;
    QRect selection_;
    QPoint anchor_{-1, -1};
    QPoint current_{-1, -1};
    TPivotColumnWidths widths_;
    int resizing_ = -1; // the column whose edge is being dragged
    int dragStart_ = 0;
    int widthAtStart_ = 0;
};

} // namespace vorn
