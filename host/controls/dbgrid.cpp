#include "dbgrid.h"

#include "host/data/clientdataset.h"
#include "host/data/datasource.h"
#include "host/data/errors.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>

namespace vorn {

TVornGridDBTableView::TVornGridDBTableView(QObject* parent) : QAbstractTableModel(parent) {}

void TVornGridDBTableView::SetDataSource(TVornDatasource* source) {
    if (source_ != nullptr)
        disconnect(source_, nullptr, this, nullptr);
    source_ = source;
    if (source != nullptr) {
        connect(source, &TVornDatasource::activeChanged, this, &TVornGridDBTableView::reset);
        connect(source, &TVornDatasource::dataChanged, this, &TVornGridDBTableView::reset);
        connect(source, &TVornDatasource::scrolled, this, [this] {
            if (rowCount() > 0)
                emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
        });
    }
    reset();
}

TVornClientDataSet* TVornGridDBTableView::dataSet() const {
    TVornClientDataSet* dataSet = source_ != nullptr ? source_->DataSet() : nullptr;
    return dataSet != nullptr && dataSet->Active() ? dataSet : nullptr;
}

TField* TVornGridDBTableView::fieldOf(int column) const {
    TVornClientDataSet* ds = dataSet();
    if (ds == nullptr || column < 0 || column >= static_cast<int>(columns_.size()))
        return nullptr;
    return ds->FindField(columns_[static_cast<std::size_t>(column)].FieldName);
}

void TVornGridDBTableView::reset() {
    beginResetModel();
    endResetModel();
}

void TVornGridDBTableView::AddColumn(const TGridColumn& column) {
    beginResetModel();
    columns_.push_back(column);
    endResetModel();
}

void TVornGridDBTableView::ColumnsChanged() {
    reset();
}

void TVornGridDBTableView::CreateAllItems(bool missingOnly) {
    TVornClientDataSet* ds = source_ != nullptr ? source_->DataSet() : nullptr;
    if (ds == nullptr)
        return;
    beginResetModel();
    if (!missingOnly)
        columns_.clear();
    for (int i = 0; i < ds->FieldCount(); ++i) {
        const TField& field = ds->Fields(i);
        const bool present =
            std::any_of(columns_.begin(), columns_.end(), [&field](const TGridColumn& column) {
                return column.FieldName.compare(field.FieldName(), Qt::CaseInsensitive) == 0;
            });
        if (!present && field.Visible())
            columns_.push_back({field.FieldName(), {}, 0});
    }
    endResetModel();
}

int TVornGridDBTableView::rowCount(const QModelIndex& parent) const {
    TVornClientDataSet* ds = dataSet();
    return parent.isValid() || ds == nullptr ? 0 : ds->RecordCount();
}

int TVornGridDBTableView::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant TVornGridDBTableView::data(const QModelIndex& index, int role) const {
    const TField* field = fieldOf(index.column());
    if (field == nullptr || index.row() >= rowCount())
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    return field->DisplayTextOf(dataSet()->cellAtPosition(*field, index.row()));
}

QVariant TVornGridDBTableView::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical) {
        const TVornClientDataSet* ds = dataSet();
        return ds != nullptr && ds->RecNo() == section + 1 ? QStringLiteral("\u25B6") : QString();
    }
    if (section < 0 || section >= static_cast<int>(columns_.size()))
        return {};
    const TGridColumn& column = columns_[static_cast<std::size_t>(section)];
    if (!column.Caption.isEmpty())
        return column.Caption;
    const TField* field = fieldOf(section);
    return field != nullptr ? field->DisplayLabel() : column.FieldName;
}

Qt::ItemFlags TVornGridDBTableView::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

bool TVornGridDBTableView::setData(const QModelIndex&, const QVariant&, int) {
    return false;
}

TVornDBgrid::TVornDBgrid(QWidget* parent) : QTableView(parent), view_(new TVornGridDBTableView(this)) {
    setModel(view_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAlternatingRowColors(true);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setFixedWidth(18);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(true);
    connect(this, &QAbstractItemView::doubleClicked, this, [this] { followDefaultLink(); });
    connect(view_, &QAbstractItemModel::modelReset, this, [this] {
        for (int c = 0; c < view_->columnCount(); ++c) {
            const TGridColumn& column = view_->Columns()[static_cast<std::size_t>(c)];
            const TVornClientDataSet* ds = view_->DataSource() ? view_->DataSource()->DataSet() : nullptr;
            const TField* field = ds != nullptr ? ds->FindField(column.FieldName) : nullptr;
            const int chars = field != nullptr ? std::min(field->DisplayWidth(), 40) : 10;
            const int header = fontMetrics().horizontalAdvance(
                view_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
            // Short fields hold codes in capitals; longer ones ordinary text.
            const int text = chars <= 10 ? fontMetrics().horizontalAdvance(QString(chars, u'N'))
                                         : fontMetrics().averageCharWidth() * chars;
            const int fitted = std::max(text, header) + 16;
            setColumnWidth(c, column.Width > 0 ? column.Width : fitted);
        }
        syncFromDataSet();
    });
}

void TVornDBgrid::followDefaultLink() {
    if (!DefaultLink.isEmpty() && view_->rowCount() > 0)
        emit defaultLinkRequested(DefaultLink);
}

void TVornDBgrid::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        followDefaultLink();
        return;
    }
    QTableView::keyPressEvent(event);
}

void TVornDBgrid::syncFromDataSet() {
    TVornClientDataSet* ds = view_->DataSource() ? view_->DataSource()->DataSet() : nullptr;
    if (ds == nullptr || !ds->Active() || ds->RecNo() < 1 || view_->columnCount() == 0)
        return;
    syncing_ = true;
    setCurrentIndex(view_->index(ds->RecNo() - 1, std::max(currentIndex().column(), 0)));
    syncing_ = false;
}

void TVornDBgrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    TVornClientDataSet* ds = view_->DataSource() ? view_->DataSource()->DataSet() : nullptr;
    if (syncing_ || ds == nullptr || !ds->Active() || !current.isValid() || current.row() + 1 == ds->RecNo())
        return;
    ds->SetRecNo(current.row() + 1);
}

} // namespace vorn
