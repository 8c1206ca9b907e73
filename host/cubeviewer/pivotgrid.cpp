#include "pivotgrid.h"

#include "pivotwriters.h"

#include "host/cube/pivotmodel.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <algorithm>

namespace vorn {

namespace {
/// A column dragged narrower keeps room for a digit or two.
constexpr int MinimumColumnWidth = 16;
} // namespace

TPivotGrid::TPivotGrid(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    // The pointer shows where a column's edge can be dragged.
    viewport()->setMouseTracking(true);
}

void TPivotGrid::SetColumnWidths(const TPivotColumnWidths& widths) {
    widths_ = widths;
    Relayout();
}

void TPivotGrid::applyColumnWidths() {
    if (model_ == nullptr || pivot_ == nullptr || geometry_.ColumnCount() == 0)
        return;
    const int headerColumns = std::min(model_->HeaderColumnCount(), geometry_.ColumnCount());
    const int slotCount = std::max(pivot_->MeasureSlotCount(), 1);
    std::vector<int> widths;
    for (int column = 0; column < geometry_.ColumnCount(); ++column) {
        int width = geometry_.Width(column);
        if (column < headerColumns) {
            if (const auto found = widths_.headings.find(column); found != widths_.headings.end())
                width = found->second;
        } else {
            const int measure =
                pivot_->Layout().measures[static_cast<std::size_t>((column - headerColumns) % slotCount)];
            if (const auto found = widths_.measures.find(measure); found != widths_.measures.end())
                width = found->second;
        }
        widths.push_back(width);
    }
    for (std::size_t column = 0; column < widths.size(); ++column)
        geometry_.left[column + 1] = geometry_.left[column] + widths[column];
}

int TPivotGrid::edgeAt(const QPoint& point) const {
    constexpr int Grip = 3;
    if (model_ == nullptr || point.y() < 0 || point.y() >= fixedHeight())
        return -1;
    const int fw = fixedWidth();
    const int x = point.x() < fw + Grip ? point.x() : point.x() + horizontalScrollBar()->value();
    for (int column = 0; column < geometry_.ColumnCount(); ++column)
        if (std::abs(x - geometry_.Left(column + 1)) <= Grip)
            return column;
    return -1;
}

void TPivotGrid::setColumnWidth(int column, int width) {
    const int change = std::max(MinimumColumnWidth, width) - geometry_.Width(column);
    for (std::size_t edge = static_cast<std::size_t>(column) + 1; edge < geometry_.left.size(); ++edge)
        geometry_.left[edge] += change;
    updateScrollBars();
    viewport()->update();
}

void TPivotGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (resizing_ < 0) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    const int column = resizing_;
    resizing_ = -1;
    emit columnResized(column, geometry_.Width(column));
}

void TPivotGrid::SetPivot(const TPivot* pivot, const TPivotTableModel* model) {
    pivot_ = pivot;
    model_ = model;
    Relayout();
}

void TPivotGrid::Relayout() {
    geometry_ = model_ != nullptr && pivot_ != nullptr
                    ? MeasurePivot(*model_, pivot_->MeasureSlotCount(), font(), viewport())
                    : TPivotGeometry{};
    applyColumnWidths();
    selection_ = QRect();
    anchor_ = current_ = QPoint(-1, -1);
    refreshHeat();
    updateScrollBars();
    viewport()->update();
}

void TPivotGrid::SetHeatMap(bool on) {
    heatMap_ = on;
    refreshHeat();
    viewport()->update();
}

void TPivotGrid::refreshHeat() {
    heat_.clear();
    if (heatMap_ && model_ != nullptr && pivot_ != nullptr)
        heat_ = HeatRanges(*model_, pivot_->MeasureSlotCount());
}

int TPivotGrid::fixedWidth() const {
    return model_ == nullptr ? 0
                             : geometry_.Left(std::min(model_->HeaderColumnCount(), geometry_.ColumnCount()));
}

int TPivotGrid::fixedHeight() const {
    return model_ == nullptr ? 0 : model_->HeaderRowCount() * geometry_.rowHeight;
}

void TPivotGrid::updateScrollBars() {
    const QSize view = viewport()->size();
    if (model_ == nullptr) {
        verticalScrollBar()->setRange(0, 0);
        horizontalScrollBar()->setRange(0, 0);
        return;
    }
    const int bodyHeight = std::max(0, view.height() - fixedHeight());
    const int bodyWidth = std::max(0, view.width() - fixedWidth());
    const int bodyRows = model_->rowCount() - model_->HeaderRowCount();
    verticalScrollBar()->setRange(0, std::max(0, bodyRows * geometry_.rowHeight - bodyHeight));
    verticalScrollBar()->setSingleStep(geometry_.rowHeight);
    verticalScrollBar()->setPageStep(std::max(bodyHeight, geometry_.rowHeight));
    horizontalScrollBar()->setRange(0, std::max(0, geometry_.TotalWidth() - fixedWidth() - bodyWidth));
    horizontalScrollBar()->setSingleStep(20);
    horizontalScrollBar()->setPageStep(std::max(bodyWidth, 20));
}

TPivotGrid::TBlocks TPivotGrid::blocks() const {
    TBlocks result;
    if (model_ == nullptr || geometry_.ColumnCount() == 0)
        return result;
    const QSize view = viewport()->size();
    const int h = geometry_.rowHeight;
    const int headerRows = model_->HeaderRowCount();
    const int headerColumns = std::min(model_->HeaderColumnCount(), geometry_.ColumnCount());
    const int rows = model_->rowCount();
    const int columns = geometry_.ColumnCount();
    const int sx = horizontalScrollBar()->value();
    const int sy = verticalScrollBar()->value();
    const int fw = fixedWidth();
    const int fh = fixedHeight();
    const int bodyWidth = std::max(0, view.width() - fw);
    const int bodyHeight = std::max(0, view.height() - fh);

    const int firstRow = headerRows + sy / h;
    const int lastRow = std::min(rows - 1, headerRows + (sy + bodyHeight) / h);
    const bool anyColumn = headerColumns < columns;
    const int firstColumn = anyColumn ? std::max(headerColumns, geometry_.ColumnAt(fw + sx)) : columns;
    const int lastColumn = anyColumn ? geometry_.ColumnAt(fw + sx + std::max(bodyWidth - 1, 0)) : columns - 1;
    const QPoint shift(anyColumn ? fw + sx - geometry_.Left(firstColumn) : 0, sy % h);

    result.corner = {QRect(QPoint(0, 0), QPoint(headerColumns - 1, headerRows - 1)), QRect(0, 0, fw, fh), {}};
    if (anyColumn)
        result.columnHeadings = {QRect(QPoint(firstColumn, 0), QPoint(lastColumn, headerRows - 1)),
                                 QRect(fw, 0, bodyWidth, fh), QPoint(shift.x(), 0)};
    if (firstRow <= lastRow) {
        result.rowHeadings = {QRect(QPoint(0, firstRow), QPoint(headerColumns - 1, lastRow)),
                              QRect(0, fh, fw, bodyHeight), QPoint(0, shift.y())};
        if (anyColumn)
            result.body = {QRect(QPoint(firstColumn, firstRow), QPoint(lastColumn, lastRow)),
                           QRect(fw, fh, bodyWidth, bodyHeight), shift};
    }
    return result;
}

void TPivotGrid::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().base());
    if (model_ == nullptr)
        return;
    TPivotPaintOptions options;
    options.pivot = pivot_;
    options.heat = heat_;
    options.selection = selection_;
    const TBlocks all = blocks();
    for (const TPivotBlock* block : {&all.body, &all.rowHeadings, &all.columnHeadings, &all.corner})
        PaintPivotBlock(painter, *model_, geometry_, *block, options);
    // The line under and beside the frozen headings.
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(0, fixedHeight() - 1, viewport()->width(), fixedHeight() - 1);
    painter.drawLine(fixedWidth() - 1, 0, fixedWidth() - 1, viewport()->height());
}

void TPivotGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void TPivotGrid::scrollContentsBy(int, int) {
    viewport()->update();
}

QPoint TPivotGrid::CellAt(const QPoint& point) const {
    if (model_ == nullptr || geometry_.ColumnCount() == 0 || point.x() < 0 || point.y() < 0)
        return {-1, -1};
    const int h = geometry_.rowHeight;
    const int fw = fixedWidth();
    const int fh = fixedHeight();
    const int x = point.x() < fw ? point.x() : point.x() + horizontalScrollBar()->value();
    const int row = point.y() < fh
                        ? point.y() / h
                        : model_->HeaderRowCount() + (point.y() - fh + verticalScrollBar()->value()) / h;
    if (x >= geometry_.TotalWidth() || row >= model_->rowCount())
        return {-1, -1};
    return {geometry_.ColumnAt(x), row};
}

QRect TPivotGrid::VisibleCellRect(int row, int column) const {
    if (model_ == nullptr)
        return {};
    const TBlocks all = blocks();
    const bool headingRow = row < model_->HeaderRowCount();
    const bool headingColumn = column < model_->HeaderColumnCount();
    const TPivotBlock& block = headingRow ? (headingColumn ? all.corner : all.columnHeadings)
                                          : (headingColumn ? all.rowHeadings : all.body);
    const QSize span = model_->Span(row, column);
    return block.CellRect(geometry_, row, column, std::max(span.height(), 1), std::max(span.width(), 1))
        .intersected(block.area);
}

void TPivotGrid::ScrollTo(int row, int column) {
    if (model_ == nullptr)
        return;
    if (row >= model_->HeaderRowCount()) {
        const int top = (row - model_->HeaderRowCount()) * geometry_.rowHeight;
        const int height = viewport()->height() - fixedHeight();
        if (top < verticalScrollBar()->value())
            verticalScrollBar()->setValue(top);
        else if (top + geometry_.rowHeight > verticalScrollBar()->value() + height)
            verticalScrollBar()->setValue(top + geometry_.rowHeight - height);
    }
    if (column >= model_->HeaderColumnCount() && column < geometry_.ColumnCount()) {
        const int left = geometry_.Left(column) - fixedWidth();
        const int width = viewport()->width() - fixedWidth();
        if (left < horizontalScrollBar()->value())
            horizontalScrollBar()->setValue(left);
        else if (left + geometry_.Width(column) > horizontalScrollBar()->value() + width)
            horizontalScrollBar()->setValue(left + geometry_.Width(column) - width);
    }
}

void TPivotGrid::SetSelection(const QRect& cells) {
    selection_ = cells;
    anchor_ = cells.isNull() ? QPoint(-1, -1) : cells.topLeft();
    current_ = cells.isNull() ? QPoint(-1, -1) : cells.bottomRight();
    viewport()->update();
}

QString TPivotGrid::SelectionAsText() const {
    return model_ == nullptr || selection_.isNull() ? QString() : PivotCellsAsText(*model_, selection_);
}

void TPivotGrid::CopySelection() const {
    const QString text = SelectionAsText();
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}

bool TPivotGrid::isValueCell(int row, int column) const {
    return model_ != nullptr && row >= model_->HeaderRowCount() && column >= model_->HeaderColumnCount() &&
           row < model_->rowCount() && column < model_->columnCount();
}

void TPivotGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        resizing_ = edgeAt(event->position().toPoint());
        if (resizing_ >= 0) {
            dragStart_ = event->position().toPoint().x();
            widthAtStart_ = geometry_.Width(resizing_);
            return;
        }
    }
    const QPoint cell = CellAt(event->position().toPoint());
    if (cell.x() < 0 || event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const QPoint origin = SpanOrigin(*model_, cell.y(), cell.x());
    if (pivot_ != nullptr && ToggleAt(*pivot_, *model_, origin.y(), origin.x()) &&
        ToggleBox(VisibleCellRect(origin.y(), origin.x()), geometry_.rowHeight)
            .adjusted(-2, -2, 2, 2)
            .contains(event->position().toPoint())) {
        emit toggleClicked(origin.y(), origin.x());
        return;
    }
    if (!(event->modifiers() & Qt::ShiftModifier) || anchor_.x() < 0)
        anchor_ = cell;
    current_ = cell;
    selection_ = QRect(anchor_, current_).normalized();
    viewport()->update();
    if (cell.y() == model_->HeaderRowCount() - 1 && cell.x() >= model_->HeaderColumnCount() &&
        !(event->modifiers() & Qt::ShiftModifier))
        emit valueHeadingClicked(cell.x());
}

void TPivotGrid::mouseMoveEvent(QMouseEvent* event) {
    if (resizing_ >= 0) {
        setColumnWidth(resizing_, widthAtStart_ + event->position().toPoint().x() - dragStart_);
        return;
    }
    if (!(event->buttons() & Qt::LeftButton)) {
        if (edgeAt(event->position().toPoint()) >= 0)
            viewport()->setCursor(Qt::SplitHCursor);
        else
            viewport()->unsetCursor();
        return;
    }
    if (anchor_.x() < 0)
        return;
    const QPoint cell = CellAt(event->position().toPoint());
    if (cell.x() < 0 || cell == current_)
        return;
    current_ = cell;
    selection_ = QRect(anchor_, current_).normalized();
    viewport()->update();
}

void TPivotGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint cell = CellAt(event->position().toPoint());
    if (isValueCell(cell.y(), cell.x()))
        emit valueCellActivated(cell.y(), cell.x());
}

void TPivotGrid::moveCurrent(int rows, int columns, bool extend) {
    if (model_ == nullptr || model_->rowCount() == 0)
        return;
    QPoint next = current_.x() < 0 ? QPoint(model_->HeaderColumnCount(), model_->HeaderRowCount())
                                   : current_ + QPoint(columns, rows);
    next.setX(std::clamp(next.x(), 0, model_->columnCount() - 1));
    next.setY(std::clamp(next.y(), 0, model_->rowCount() - 1));
    current_ = next;
    if (!extend || anchor_.x() < 0)
        anchor_ = next;
    selection_ = QRect(anchor_, current_).normalized();
    ScrollTo(next.y(), next.x());
    viewport()->update();
}

void TPivotGrid::keyPressEvent(QKeyEvent* event) {
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    if (event->matches(QKeySequence::Copy)) {
        CopySelection();
    } else if (event->matches(QKeySequence::SelectAll) && model_ != nullptr) {
        SetSelection(QRect(0, 0, model_->columnCount(), model_->rowCount()));
    } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (isValueCell(current_.y(), current_.x()))
            emit valueCellActivated(current_.y(), current_.x());
    } else if (event->key() == Qt::Key_Up) {
        moveCurrent(-1, 0, extend);
    } else if (event->key() == Qt::Key_Down) {
        moveCurrent(1, 0, extend);
    } else if (event->key() == Qt::Key_Left) {
        moveCurrent(0, -1, extend);
    } else if (event->key() == Qt::Key_Right) {
        moveCurrent(0, 1, extend);
    } else {
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void TPivotGrid::contextMenuEvent(QContextMenuEvent* event) {
    QPoint cell = CellAt(event->pos());
    if (event->reason() == QContextMenuEvent::Keyboard)
        cell = current_;
    if (cell.x() < 0)
        return;
    if (selection_.isNull() || !selection_.contains(cell)) {
        anchor_ = current_ = cell;
        selection_ = QRect(cell, cell);
        viewport()->update();
    }
    emit cellMenuRequested(cell.y(), cell.x(), event->globalPos());
}

/// A cell cut off at its width shows its whole text as a tooltip.
bool TPivotGrid::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip || model_ == nullptr)
        return QAbstractScrollArea::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QPoint cell = CellAt(help->pos());
    QString text;
    if (cell.x() >= 0) {
        const QPoint origin = SpanOrigin(*model_, cell.y(), cell.x());
        text = model_->data(model_->index(origin.y(), origin.x())).toString();
    }
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), text, viewport());
    return true;
}

} // namespace vorn
