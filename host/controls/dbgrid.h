#pragma once

#include "host/data/datasource.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QTableView>
#include <vector>

namespace vorn {

class TVornClientDataSet;
class TField;

/// A column of a grid view: the field it shows, and an optional caption and width of its own.
struct TGridColumn {
    QString FieldName;
    QString Caption; // empty: the field's display label
    int Width = 0;   // pixels; 0: from the field's display width
};

/// The read-only table view of a grid: columns over the fields of the dataset behind a data source.
/// Rows are read straight from the dataset's columns, so a million rows cost nothing until shown.
class TVornGridDBTableView : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TVornGridDBTableView(QObject* parent = nullptr);

    void SetDataSource(TVornDatasource* source);
    TVornDatasource* DataSource() const { return source_; }
    std::vector<TGridColumn>& Columns() { return columns_; }
    void AddColumn(const TGridColumn& column);
    /// Adds a column for every visible field that has none yet (all fields when missingOnly is false
    /// and there are no columns).
    void CreateAllItems(bool missingOnly = true);
    /// Column definitions changed: the grid shows them again.
    void ColumnsChanged();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    /// Orders the rows shown by a column (numbers by value, texts by the locale's collation, empty
    /// cells first) without touching the dataset; equal cells keep the screen's order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    /// Shows the rows in the screen's own order again.
    void ClearSort();
    bool IsSorted() const { return !order_.empty(); }
    /// The dataset position (0-based) of a row shown, and the row that shows a position.
    int PositionOfRow(int row) const;
    int RowOfPosition(int position) const;
    /// The text a row shows in a column.
    QString CellText(int row, int column) const;

signals:
    /// The rows shown were put in another order, or back in the screen's.
    void orderChanged();

private:
    TVornClientDataSet* dataSet() const;
    TField* fieldOf(int column) const;
    void reset();

    QPointer<TVornDatasource> source_;
    std::vector<TGridColumn> columns_;
    std::vector<int> order_; // dataset positions in the order shown; empty: the screen's order
    mutable std::vector<int> rowOf_;
};

/// The host grid: one read-only table view, a row indicator, and a default link that Enter or a
/// double click follows.
class TVornDBgrid : public QTableView {
    Q_OBJECT
public:
    explicit TVornDBgrid(QWidget* parent = nullptr);

    TVornGridDBTableView* GetActiveDBView() const { return view_; }
    /// The display name of the form link that Enter or a double click follows.
    QString DefaultLink;

    /// The selected cells as tab-separated text with their column captions, as a spreadsheet pastes it.
    QString SelectionAsText() const;
    void CopySelection() const;

signals:
    void defaultLinkRequested(const QString& linkName);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void headerClicked(int column);
    void followDefaultLink();
    void syncFromDataSet();
    TVornGridDBTableView* view_;
    bool syncing_ = false;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

} // namespace vorn
