#pragma once

#include "pivot.h"

#include <QAbstractTableModel>
#include <QSize>
#include <vector>

namespace vorn {

/// A merged cell of the table: its top-left cell and its size.
struct TMergedCell {
    int row = 0;
    int column = 0;
    int rows = 1;
    int columns = 1;

    bool operator==(const TMergedCell&) const = default;
};

/// The pivot as shown, as one table that exports, printing and a plain table view read:
///  - the first HeaderRowCount() rows head the columns: one row per column dimension (member
///    labels, "Totaal X", "Eindtotaal"), then one row with the captions of the shown measures;
///  - the first HeaderColumnCount() columns head the rows: one per row dimension, or one saying
///    "Totaal" when the rows have no dimension;
///  - the corner holds the captions of the column dimensions (in its last column) and of the row
///    dimensions (in its last row);
///  - every column line has a column per shown measure, side by side.
/// A member's label is merged over the lines it heads, and a total's label over the levels below
/// it: Span() answers the size of a merged cell at its top-left cell and 0 by 0 at the cells it
/// covers (whose text is empty); MergedCells() lists them all.
/// Roles: DisplayRole the text; EditRole the number of a value cell (nothing when empty);
/// TextAlignmentRole; TotalRole true for the cells of subtotal and grand total lines (shown bold);
/// HeaderRole true for the heading cells.
/// Texts are made when asked, so a pivot of any size costs only its spans.
class TPivotTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    /// SortRole: on the measure heading of the value column that sorts the rows, Qt::SortOrder.
    enum Role { TotalRole = Qt::UserRole + 1, HeaderRole, SortRole };

    /// The pivot must outlive the model. Call Refresh after changing its layout: until then the model
    /// keeps its shape, and shows nothing once the pivot's lines no longer fit it.
    explicit TPivotTableModel(const TPivot& pivot, QObject* parent = nullptr);

    /// Reads the pivot's lines again (a model reset).
    void Refresh();

    int HeaderRowCount() const;
    int HeaderColumnCount() const;
    /// The size of the merged cell starting here as QSize(columns, rows): 1 by 1 for a plain cell,
    /// 0 by 0 for a cell covered by another.
    QSize Span(int row, int column) const;
    std::vector<TMergedCell> MergedCells() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    /// For one axis, per line and level: how many lines the label cell spans along the axis, and
    /// how many levels it spans across (0 for a covered cell).
    struct TAxisSpans {
        int lines = 0;
        int levels = 0;
        std::vector<int> along;
        std::vector<int> across;
        int at(int line, int level) const { return line * levels + level; }
    };

    void readShape();
    bool isStale() const;
    TAxisSpans spansOf(TPivotAxis axis) const;
    int measureCount() const;
    bool isTotalLine(TPivotAxis axis, int line) const;
    QVariant cornerData(int row, int column, int role) const;
    QVariant headingData(TPivotAxis axis, int line, int level, int role) const;
    QVariant valueData(int rowLine, int columnLine, int slot, int role) const;
    QVariant sortOrderOf(int columnLine, int slot) const;
    QString measureCaption(int slot) const;

    const TPivot& pivot_;
    TAxisSpans rowSpans_;
    TAxisSpans columnSpans_;
    int measures_ = 0;
};

} // namespace vorn
