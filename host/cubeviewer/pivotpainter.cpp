#include "pivotpainter.h"

#include "host/cube/pivotmodel.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <set>

namespace vorn {

namespace {

constexpr int CellPadding = 4;
constexpr int ToggleSize = 9;
constexpr int SampleHeadRows = 400;
constexpr int SampleTailRows = 60;
constexpr int SampleLinesPerSlot = 60;

const QColor GridLine(0xC8, 0xCC, 0xD2);
const QColor HeadingFill(0xEC, 0xEF, 0xF4);
const QColor TotalFill(0xF6, 0xF7, 0xF9);
const QColor SelectionFill(0xC7, 0xDC, 0xF7);
const QColor HeatLow(0xFF, 0xFF, 0xFF);
const QColor HeatHigh(0xF2, 0x8C, 0x4B);

QVariant Data(const TPivotTableModel& model, int row, int column, int role) {
    return model.data(model.index(row, column), role);
}

/// The rows whose texts fit the widths: the headings, the first rows and the last (the totals).
std::vector<int> SampleRows(const TPivotTableModel& model) {
    std::vector<int> rows;
    const int count = model.rowCount();
    for (int row = 0; row < count && row < model.HeaderRowCount() + SampleHeadRows; ++row)
        rows.push_back(row);
    for (int row = std::max(static_cast<int>(rows.size()), count - SampleTailRows); row < count; ++row)
        rows.push_back(row);
    return rows;
}

/// Per measure slot, some of its columns spread over the column lines, the last (the totals) too.
std::vector<int> SampleColumnsOfSlot(const TPivotTableModel& model, int slot, int slotsPerLine) {
    const int lines = (model.columnCount() - model.HeaderColumnCount()) / std::max(slotsPerLine, 1);
    std::vector<int> columns;
    if (lines <= 0)
        return columns;
    const int step = std::max(1, lines / SampleLinesPerSlot);
    for (int line = 0; line < lines; line += step)
        columns.push_back(model.HeaderColumnCount() + line * slotsPerLine + slot);
    columns.push_back(model.HeaderColumnCount() + (lines - 1) * slotsPerLine + slot);
    return columns;
}

int TextWidth(const QFontMetrics& plain, const QFontMetrics& bold, const TPivotTableModel& model, int row,
              int column) {
    const QSize span = model.Span(row, column);
    if (span.width() != 1)
        return 0; // a merged label may take the room of the cells it covers
    const QString text = Data(model, row, column, Qt::DisplayRole).toString();
    if (text.isEmpty())
        return 0;
    const bool total = Data(model, row, column, TPivotTableModel::TotalRole).toBool();
    return (total ? bold : plain).horizontalAdvance(text);
}

QColor HeatColour(double value, double low, double high) {
    const double share = high > low ? std::clamp((value - low) / (high - low), 0.0, 1.0) : 1.0;
    const auto mix = [share](int from, int to) {
        return static_cast<int>(std::lround(from + (to - from) * share));
    };
    return QColor(mix(HeatLow.red(), HeatHigh.red()), mix(HeatLow.green(), HeatHigh.green()),
                  mix(HeatLow.blue(), HeatHigh.blue()));
}

bool Selected(const TPivotPaintOptions& options, int row, int column) {
    return !options.selection.isNull() && options.selection.contains(column, row);
}

} // namespace

int TPivotGeometry::ColumnAt(int x) const {
    if (ColumnCount() == 0)
        return 0;
    const auto found = std::upper_bound(left.begin(), left.end(), x);
    const int column = static_cast<int>(found - left.begin()) - 1;
    return std::clamp(column, 0, ColumnCount() - 1);
}

TPivotGeometry MeasurePivot(const TPivotTableModel& model, int measureSlots, const QFont& font,
                            QPaintDevice* device) {
    QFont boldFont = font;
    boldFont.setBold(true);
    const QFontMetrics plain(font, device);
    const QFontMetrics bold(boldFont, device);
    const int padding = plain.averageCharWidth();
    TPivotGeometry geometry;
    geometry.rowHeight = plain.height() + plain.height() / 3;
    const int columns = model.columnCount();
    std::vector<int> widths(static_cast<std::size_t>(columns), 0);
    const std::vector<int> rows = SampleRows(model);
    const int headerColumns = std::min(model.HeaderColumnCount(), columns);
    const int toggleRoom = ToggleSize + padding;
    for (int column = 0; column < headerColumns; ++column) {
        int widest = bold.horizontalAdvance(QStringLiteral("Eindtotaal")); // the grand total, in bold
        for (const int row : rows)
            widest = std::max(widest, TextWidth(plain, bold, model, row, column));
        widths[static_cast<std::size_t>(column)] = std::min(widest + toggleRoom + 2 * padding, 40 * padding);
    }
    // Value columns of one measure get one width: that of the widest sampled text of the measure.
    const int slotCount = std::max(measureSlots, 1);
    for (int slot = 0; slot < slotCount; ++slot) {
        int widest = 5 * plain.averageCharWidth();
        const std::vector<int> sampled = SampleColumnsOfSlot(model, slot, slotCount);
        for (const int column : sampled)
            for (const int row : rows)
                widest = std::max(widest, TextWidth(plain, bold, model, row, column));
        const int width = std::min(widest + 2 * padding, 30 * padding);
        for (int column = headerColumns + slot; column < columns; column += slotCount)
            widths[static_cast<std::size_t>(column)] = width;
    }
    geometry.left.assign(static_cast<std::size_t>(columns) + 1, 0);
    for (int column = 0; column < columns; ++column)
        geometry.left[static_cast<std::size_t>(column) + 1] =
            geometry.left[static_cast<std::size_t>(column)] + widths[static_cast<std::size_t>(column)];
    return geometry;
}

QPoint SpanOrigin(const TPivotTableModel& model, int row, int column) {
    if (model.Span(row, column) != QSize(0, 0))
        return {column, row};
    // A covering span is a rectangle: going up and then left from the cell reaches its origin, and
    // a cell that is not covered ends the search in its direction.
    for (int r = row; r >= 0; --r) {
        int c = column;
        while (c > 0 && model.Span(r, c) == QSize(0, 0))
            --c;
        const QSize span = model.Span(r, c);
        if (span != QSize(0, 0) && c + span.width() > column && r + span.height() > row)
            return {c, r};
        if (model.Span(r, column) != QSize(0, 0))
            break;
    }
    return {column, row};
}

std::optional<TMemberToggle> ToggleAt(const TPivot& pivot, const TPivotTableModel& model, int row,
                                      int column) {
    const int headerRows = model.HeaderRowCount();
    const int headerColumns = model.HeaderColumnCount();
    const TPivotLayout& layout = pivot.Layout();
    TPivotAxis axis = TPivotAxis::Rows;
    int line = 0;
    int level = 0;
    if (row >= headerRows && column < headerColumns) {
        line = row - headerRows;
        level = column;
    } else if (row < headerRows - 1 && column >= headerColumns) {
        axis = TPivotAxis::Columns;
        line = (column - headerColumns) / std::max(pivot.MeasureSlotCount(), 1);
        level = row;
    } else {
        return std::nullopt;
    }
    const int depth =
        static_cast<int>((axis == TPivotAxis::Rows ? layout.rows : layout.columns).dimensions.size());
    if (level >= depth - 1 || line >= pivot.LineCount(axis))
        return std::nullopt;
    const TAxisLine axisLine = pivot.Line(axis, line);
    const int lineDepth = static_cast<int>(axisLine.path.size());
    switch (axisLine.kind) {
    case TLineKind::Member:
        break;
    case TLineKind::Collapsed:
        if (level >= lineDepth)
            return std::nullopt;
        break;
    case TLineKind::Subtotal:
        if (level >= lineDepth - 1)
            return std::nullopt;
        break;
    case TLineKind::GrandTotal:
        return std::nullopt;
    }
    TMemberToggle toggle;
    toggle.axis = axis;
    toggle.path.assign(axisLine.path.begin(), axisLine.path.begin() + level + 1);
    toggle.collapsed = axisLine.kind == TLineKind::Collapsed && level == lineDepth - 1;
    return toggle;
}

QRect TPivotBlock::CellRect(const TPivotGeometry& geometry, int row, int column, int rows,
                            int columns) const {
    const int x = area.left() - shift.x() + geometry.Left(column) - geometry.Left(cells.left());
    const int y = area.top() - shift.y() + (row - cells.top()) * geometry.rowHeight;
    const int width =
        geometry.Left(std::min(column + columns, geometry.ColumnCount())) - geometry.Left(column);
    return QRect(x, y, width, rows * geometry.rowHeight);
}

QRect ToggleBox(const QRect& visibleCell, int rowHeight) {
    const int size = std::min(ToggleSize, rowHeight - 2);
    return QRect(visibleCell.left() + 3, visibleCell.top() + (rowHeight - size) / 2, size, size);
}

namespace {

/// One cell (or merged cell) whose origin is (row, column), painted into `rect`.
void PaintCell(QPainter& painter, const TPivotTableModel& model, const TPivotGeometry& geometry,
               const TPivotBlock& block, const TPivotPaintOptions& options, int row, int column,
               const QRect& rect) {
    const bool heading = Data(model, row, column, TPivotTableModel::HeaderRole).toBool();
    const bool total = Data(model, row, column, TPivotTableModel::TotalRole).toBool();
    QColor fill = heading ? HeadingFill : (total ? TotalFill : QColor(Qt::white));
    if (!heading && !total && !options.heat.empty()) {
        const QVariant value = Data(model, row, column, Qt::EditRole);
        const auto slot = static_cast<std::size_t>(column - model.HeaderColumnCount()) % options.heat.size();
        if (value.isValid())
            fill = HeatColour(value.toDouble(), options.heat[slot].low, options.heat[slot].high);
    }
    if (Selected(options, row, column))
        fill = SelectionFill;
    painter.fillRect(rect, fill);
    painter.setPen(GridLine);
    painter.drawLine(rect.topRight(), rect.bottomRight());
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    const QString text = Data(model, row, column, Qt::DisplayRole).toString();
    // The text of a merged cell stays in the part of it that shows, as a frozen heading does.
    const QRect visible = rect.intersected(block.area);
    const int padding = std::max(2, painter.fontMetrics().averageCharWidth() / 2);
    QRect textRect = visible.adjusted(padding, 0, -padding, 0);
    textRect.setHeight(std::min(textRect.height(), geometry.rowHeight));
    if (options.pivot != nullptr && heading) {
        if (const std::optional<TMemberToggle> toggle = ToggleAt(*options.pivot, model, row, column)) {
            const QRect box = ToggleBox(visible, geometry.rowHeight);
            painter.setPen(Qt::darkGray);
            painter.drawRect(box.adjusted(0, 0, -1, -1));
            const int middle = box.top() + box.height() / 2;
            painter.drawLine(box.left() + 2, middle, box.right() - 2, middle);
            if (toggle->collapsed) {
                const int centre = box.left() + box.width() / 2;
                painter.drawLine(centre, box.top() + 2, centre, box.bottom() - 2);
            }
            textRect.setLeft(box.right() + padding);
        }
    }
    // On screen the heading of the column that sorts the rows carries a small triangle.
    const QVariant sorted = options.pivot != nullptr && heading
                                ? Data(model, row, column, TPivotTableModel::SortRole)
                                : QVariant();
    if (sorted.isValid()) {
        const int size = std::max(4, geometry.rowHeight / 4);
        const QPoint centre(textRect.right() - size,
                            visible.top() + std::min(visible.height(), geometry.rowHeight) / 2);
        const bool down = sorted.toInt() == Qt::DescendingOrder;
        const QPolygon arrow =
            down ? QPolygon({centre + QPoint(-size, -size / 2), centre + QPoint(size, -size / 2),
                             centre + QPoint(0, size / 2)})
                 : QPolygon({centre + QPoint(-size, size / 2), centre + QPoint(size, size / 2),
                             centre + QPoint(0, -size / 2)});
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::darkGray);
        painter.drawPolygon(arrow);
        painter.setBrush(Qt::NoBrush);
        textRect.setRight(textRect.right() - 2 * size - padding);
    }
    if (text.isEmpty())
        return;
    QFont font = painter.font();
    font.setBold(total);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const Qt::Alignment align =
        heading ? (Qt::AlignLeft | Qt::AlignVCenter) : (Qt::AlignRight | Qt::AlignVCenter);
    painter.drawText(textRect, static_cast<int>(align),
                     painter.fontMetrics().elidedText(text, Qt::ElideRight, textRect.width()));
}

} // namespace

void PaintPivotBlock(QPainter& painter, const TPivotTableModel& model, const TPivotGeometry& geometry,
                     const TPivotBlock& block, const TPivotPaintOptions& options) {
    if (block.cells.isEmpty() || block.area.isEmpty())
        return;
    painter.save();
    painter.setClipRect(block.area);
    const QFont base = painter.font();
    std::set<std::pair<int, int>> painted; // merged cells from outside the block, painted once
    for (int row = block.cells.top(); row <= block.cells.bottom(); ++row)
        for (int column = block.cells.left(); column <= block.cells.right(); ++column) {
            QSize span = model.Span(row, column);
            QPoint origin(column, row);
            if (span == QSize(0, 0)) {
                if (row != block.cells.top() && column != block.cells.left())
                    continue;
                origin = SpanOrigin(model, row, column);
                if (block.cells.contains(origin) || !painted.insert({origin.y(), origin.x()}).second)
                    continue;
                span = model.Span(origin.y(), origin.x());
            }
            const QRect rect = block.CellRect(geometry, origin.y(), origin.x(), std::max(span.height(), 1),
                                              std::max(span.width(), 1));
            painter.setFont(base);
            PaintCell(painter, model, geometry, block, options, origin.y(), origin.x(), rect);
        }
    painter.restore();
}

std::vector<THeatRange> HeatRanges(const TPivotTableModel& model, int measureSlots) {
    const int slotCount = std::max(measureSlots, 1);
    std::vector<THeatRange> ranges(static_cast<std::size_t>(slotCount));
    std::vector<bool> seen(ranges.size(), false);
    for (int row = model.HeaderRowCount(); row < model.rowCount(); ++row)
        for (int column = model.HeaderColumnCount(); column < model.columnCount(); ++column) {
            if (Data(model, row, column, TPivotTableModel::TotalRole).toBool())
                continue;
            const QVariant value = Data(model, row, column, Qt::EditRole);
            if (!value.isValid())
                continue;
            const double number = value.toDouble();
            const auto slot = static_cast<std::size_t>((column - model.HeaderColumnCount()) % slotCount);
            THeatRange& range = ranges[slot];
            range.low = seen[slot] ? std::min(range.low, number) : number;
            range.high = seen[slot] ? std::max(range.high, number) : number;
            seen[slot] = true;
        }
    return ranges;
}

} // namespace vorn
