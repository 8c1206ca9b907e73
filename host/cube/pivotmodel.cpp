#include "pivotmodel.h"

#include <QSize>
#include <algorithm>

namespace vorn {

namespace {

int DepthOf(const TPivot& pivot, TPivotAxis axis) {
    const TPivotLayout& layout = pivot.Layout();
    return static_cast<int>((axis == TPivotAxis::Rows ? layout.rows : layout.columns).dimensions.size());
}

/// Whether the line shows the label of one of its members at this level (and not a total's).
bool ShowsMember(const TAxisLine& line, int level, int depth) {
    const int lineDepth = static_cast<int>(line.path.size());
    switch (line.kind) {
    case TLineKind::Member:
        return level < depth;
    case TLineKind::Collapsed:
        return level < lineDepth;
    case TLineKind::Subtotal:
        return level < lineDepth - 1;
    case TLineKind::GrandTotal:
        break;
    }
    return false;
}

/// The level where a total's or a collapsed member's label starts to span the levels below it.
int SpanningLevel(const TAxisLine& line, int depth) {
    switch (line.kind) {
    case TLineKind::Collapsed:
    case TLineKind::Subtotal:
        return static_cast<int>(line.path.size()) - 1;
    case TLineKind::GrandTotal:
        return 0;
    case TLineKind::Member:
        break;
    }
    return depth;
}

bool SamePrefix(const TAxisLine& a, const TAxisLine& b, int length) {
    const auto n = static_cast<std::size_t>(length);
    return a.path.size() >= n && b.path.size() >= n &&
           std::equal(a.path.begin(), a.path.begin() + length, b.path.begin());
}

/// What the measure headings add when the cells show something else than the value.
QString ShowAsSuffix(const TPivot& pivot) {
    const int base = ShowAsBaseDimension(pivot.Layout());
    const QString field = base >= 0 ? DimensionCaption(pivot.Cube(), base) : QString();
    switch (pivot.Layout().showAs) {
    case TShowAs::PercentOfRow:
        return QStringLiteral(" (% van rij)");
    case TShowAs::PercentOfColumn:
        return QStringLiteral(" (% van kolom)");
    case TShowAs::PercentOfTotal:
        return QStringLiteral(" (% van totaal)");
    case TShowAs::DifferenceFromPrevious:
        return QStringLiteral(" (verschil met vorige %1)").arg(field);
    case TShowAs::PercentDifferenceFromPrevious:
        return QStringLiteral(" (% verschil met vorige %1)").arg(field);
    case TShowAs::RunningTotal:
        return QStringLiteral(" (lopend totaal langs %1)").arg(field);
    case TShowAs::Rank:
        return QStringLiteral(" (rang binnen %1)").arg(field);
    case TShowAs::Value:
        break;
    }
    return {};
}

} // namespace

TPivotTableModel::TPivotTableModel(const TPivot& pivot, QObject* parent)
    : QAbstractTableModel(parent), pivot_(pivot) {
    readShape();
}

void TPivotTableModel::Refresh() {
    beginResetModel();
    readShape();
    endResetModel();
}

void TPivotTableModel::readShape() {
    rowSpans_ = spansOf(TPivotAxis::Rows);
    columnSpans_ = spansOf(TPivotAxis::Columns);
    measures_ = pivot_.MeasureSlotCount();
}

bool TPivotTableModel::isStale() const {
    return pivot_.LineCount(TPivotAxis::Rows) != rowSpans_.lines ||
           pivot_.LineCount(TPivotAxis::Columns) != columnSpans_.lines ||
           pivot_.MeasureSlotCount() != measures_ || DepthOf(pivot_, TPivotAxis::Rows) != rowSpans_.levels ||
           DepthOf(pivot_, TPivotAxis::Columns) != columnSpans_.levels;
}

TPivotTableModel::TAxisSpans TPivotTableModel::spansOf(TPivotAxis axis) const {
    TAxisSpans spans;
    spans.levels = DepthOf(pivot_, axis);
    const int lineCount = pivot_.LineCount(axis);
    spans.lines = lineCount;
    std::vector<TAxisLine> lines;
    lines.reserve(static_cast<std::size_t>(lineCount));
    for (int line = 0; line < lineCount; ++line)
        lines.push_back(pivot_.Line(axis, line));
    spans.along.assign(static_cast<std::size_t>(lineCount * spans.levels), 1);
    spans.across.assign(static_cast<std::size_t>(lineCount * spans.levels), 1);
    for (int line = 0; line < lineCount; ++line) {
        const int spanning = SpanningLevel(lines[static_cast<std::size_t>(line)], spans.levels);
        for (int level = spanning; level < spans.levels; ++level) {
            spans.across[static_cast<std::size_t>(spans.at(line, level))] =
                level == spanning ? spans.levels - level : 0;
            spans.along[static_cast<std::size_t>(spans.at(line, level))] = level == spanning ? 1 : 0;
        }
    }
    // A member's label spans the neighbouring lines of the same member.
    for (int level = 0; level < spans.levels; ++level)
        for (int line = 0; line < lineCount;) {
            const TAxisLine& first = lines[static_cast<std::size_t>(line)];
            int end = line + 1;
            if (ShowsMember(first, level, spans.levels))
                while (end < lineCount &&
                       ShowsMember(lines[static_cast<std::size_t>(end)], level, spans.levels) &&
                       SamePrefix(first, lines[static_cast<std::size_t>(end)], level + 1))
                    ++end;
            for (int covered = line + 1; covered < end; ++covered)
                spans.along[static_cast<std::size_t>(spans.at(covered, level))] = 0;
            if (end > line + 1)
                spans.along[static_cast<std::size_t>(spans.at(line, level))] = end - line;
            line = end;
        }
    return spans;
}

int TPivotTableModel::measureCount() const {
    return measures_;
}

int TPivotTableModel::HeaderRowCount() const {
    return columnSpans_.levels + 1;
}

int TPivotTableModel::HeaderColumnCount() const {
    return std::max(rowSpans_.levels, 1);
}

int TPivotTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : HeaderRowCount() + rowSpans_.lines;
}

int TPivotTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : HeaderColumnCount() + columnSpans_.lines * measureCount();
}

QSize TPivotTableModel::Span(int row, int column) const {
    if (row < 0 || column < 0 || row >= rowCount() || column >= columnCount() || isStale())
        return QSize(1, 1);
    const int headerRows = HeaderRowCount();
    const int headerColumns = HeaderColumnCount();
    if (row < columnSpans_.levels && column >= headerColumns) {
        const int measures = measureCount();
        const int line = (column - headerColumns) / measures;
        if ((column - headerColumns) % measures != 0)
            return QSize(0, 0);
        const auto at = static_cast<std::size_t>(columnSpans_.at(line, row));
        if (columnSpans_.along[at] == 0 || columnSpans_.across[at] == 0)
            return QSize(0, 0);
        return QSize(columnSpans_.along[at] * measures, columnSpans_.across[at]);
    }
    if (row >= headerRows && column < rowSpans_.levels) {
        const auto at = static_cast<std::size_t>(rowSpans_.at(row - headerRows, column));
        if (rowSpans_.along[at] == 0 || rowSpans_.across[at] == 0)
            return QSize(0, 0);
        return QSize(rowSpans_.across[at], rowSpans_.along[at]);
    }
    return QSize(1, 1);
}

std::vector<TMergedCell> TPivotTableModel::MergedCells() const {
    std::vector<TMergedCell> merged;
    const int headerRows = HeaderRowCount();
    const int headerColumns = HeaderColumnCount();
    const auto add = [&](int row, int column) {
        const QSize span = Span(row, column);
        if (span.width() * span.height() > 1)
            merged.push_back({row, column, span.height(), span.width()});
    };
    for (int level = 0; level < columnSpans_.levels; ++level)
        for (int column = headerColumns; column < columnCount(); ++column)
            add(level, column);
    for (int row = headerRows; row < rowCount(); ++row)
        for (int level = 0; level < rowSpans_.levels; ++level)
            add(row, level);
    return merged;
}

bool TPivotTableModel::isTotalLine(TPivotAxis axis, int line) const {
    if (DepthOf(pivot_, axis) == 0)
        return false;
    const TLineKind kind = pivot_.LineKind(axis, line);
    return kind == TLineKind::Subtotal || kind == TLineKind::GrandTotal;
}

QString TPivotTableModel::measureCaption(int slot) const {
    const TCubeMeasureDef& measure =
        pivot_.Cube().Measure(pivot_.Layout().measures.at(static_cast<std::size_t>(slot))).def;
    return (measure.caption.isEmpty() ? measure.name : measure.caption) + ShowAsSuffix(pivot_);
}

QVariant TPivotTableModel::cornerData(int row, int column, int role) const {
    if (role == HeaderRole)
        return true;
    if (role != Qt::DisplayRole)
        return {};
    const TPivotLayout& layout = pivot_.Layout();
    const auto captionOf = [&](int dimension) { return pivot_.Cube().Dimension(dimension).def.caption; };
    if (row < columnSpans_.levels && column == HeaderColumnCount() - 1)
        return captionOf(layout.columns.dimensions[static_cast<std::size_t>(row)]);
    if (row == HeaderRowCount() - 1 && column < rowSpans_.levels)
        return captionOf(layout.rows.dimensions[static_cast<std::size_t>(column)]);
    return QString();
}

QVariant TPivotTableModel::headingData(TPivotAxis axis, int line, int level, int role) const {
    if (role == HeaderRole)
        return true;
    if (role == TotalRole)
        return isTotalLine(axis, line);
    if (role != Qt::DisplayRole)
        return {};
    const TAxisSpans& spans = axis == TPivotAxis::Rows ? rowSpans_ : columnSpans_;
    if (spans.levels == 0)
        return QStringLiteral("Totaal");
    const auto at = static_cast<std::size_t>(spans.at(line, level));
    if (spans.along[at] == 0 || spans.across[at] == 0)
        return QString();
    return pivot_.LineLabel(axis, line, level);
}

/// The order the rows go by when this value column sorts them; nothing when it does not.
QVariant TPivotTableModel::sortOrderOf(int columnLine, int slot) const {
    const TAxisLayout& rows = pivot_.Layout().rows;
    if (rows.sortBy != TSortBy::Measure ||
        pivot_.Layout().measures[static_cast<std::size_t>(slot)] != rows.sortMeasure ||
        pivot_.Line(TPivotAxis::Columns, columnLine).path != rows.sortLine)
        return {};
    return static_cast<int>(rows.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

QVariant TPivotTableModel::valueData(int rowLine, int columnLine, int slot, int role) const {
    switch (role) {
    case Qt::DisplayRole:
        return pivot_.Text(rowLine, columnLine, slot);
    case Qt::EditRole: {
        const std::optional<double> value = pivot_.Value(rowLine, columnLine, slot);
        return value ? QVariant(*value) : QVariant();
    }
    case Qt::TextAlignmentRole:
        return static_cast<int>(Qt::AlignRight | Qt::AlignVCenter);
    case TotalRole:
        return isTotalLine(TPivotAxis::Rows, rowLine) || isTotalLine(TPivotAxis::Columns, columnLine);
    case HeaderRole:
        return false;
    default:
        return {};
    }
}

QVariant TPivotTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount() || isStale())
        return {};
    const int headerRows = HeaderRowCount();
    const int headerColumns = HeaderColumnCount();
    const int row = index.row();
    const int column = index.column();
    if (row < headerRows && column < headerColumns)
        return cornerData(row, column, role);
    if (row >= headerRows && column < headerColumns)
        return headingData(TPivotAxis::Rows, row - headerRows, column, role);
    const int line = (column - headerColumns) / measureCount();
    const int slot = (column - headerColumns) % measureCount();
    if (row == headerRows - 1) {
        if (role == Qt::DisplayRole)
            return measureCaption(slot);
        if (role == SortRole)
            return sortOrderOf(line, slot);
        return role == HeaderRole
                   ? QVariant(true)
                   : (role == TotalRole ? QVariant(isTotalLine(TPivotAxis::Columns, line)) : QVariant());
    }
    if (row < headerRows && slot != 0 && role == Qt::DisplayRole)
        return QString(); // covered by the label over the line's first measure
    if (row < headerRows)
        return headingData(TPivotAxis::Columns, line, row, role);
    return valueData(row - headerRows, line, slot, role);
}

} // namespace vorn
