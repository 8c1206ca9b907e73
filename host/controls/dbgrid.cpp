#include "dbgrid.h"

#include "host/data/clientdataset.h"
#include "host/data/datasource.h"
#include "host/data/errors.h"

#include <QApplication>
#include <QClipboard>
#include <QCollator>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>
#include <algorithm>
#include <limits>
#include <map>
#include <numeric>
#include <optional>

namespace vorn {

namespace {

/// The number a text reads as ("+12,5 %": 12.5, written the Dutch way as the program writes it); a
/// text without one is above every number (a change from nothing, "nieuw"); an empty text has none.
std::optional<double> NumberInText(QString text) {
    text.remove(u'%');
    text = text.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    if (text.startsWith(u'+'))
        text.remove(0, 1);
    bool ok = false;
    const double value = QLocale(QLocale::Dutch, QLocale::Belgium).toDouble(text, &ok);
    return ok ? value : std::numeric_limits<double>::infinity();
}

} // namespace

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
    order_.clear();
    rowOf_.clear();
    endResetModel();
    emit orderChanged();
}

int TVornGridDBTableView::PositionOfRow(int row) const {
    return order_.empty() || row < 0 || row >= static_cast<int>(order_.size())
               ? row
               : order_[static_cast<std::size_t>(row)];
}

int TVornGridDBTableView::RowOfPosition(int position) const {
    if (order_.empty() || position < 0 || position >= static_cast<int>(order_.size()))
        return position;
    if (rowOf_.size() != order_.size()) {
        rowOf_.assign(order_.size(), 0);
        for (std::size_t row = 0; row < order_.size(); ++row)
            rowOf_[static_cast<std::size_t>(order_[row])] = static_cast<int>(row);
    }
    return rowOf_[static_cast<std::size_t>(position)];
}

void TVornGridDBTableView::ClearSort() {
    if (order_.empty())
        return;
    emit layoutAboutToBeChanged();
    order_.clear();
    rowOf_.clear();
    emit layoutChanged();
    emit orderChanged();
}

void TVornGridDBTableView::sort(int column, Qt::SortOrder order) {
    const TField* field = fieldOf(column);
    if (field == nullptr)
        return;
    TVornClientDataSet* ds = dataSet();
    const int rows = ds->RecordCount();
    std::vector<int> positions(static_cast<std::size_t>(rows));
    std::iota(positions.begin(), positions.end(), 0);
    const bool descending = order == Qt::DescendingOrder;
    if (IsNumericField(field->DataType()) || field->Def().numericText) {
        std::vector<std::pair<bool, double>> keys; // (set, value): empty cells first
        keys.reserve(positions.size());
        for (const int position : positions) {
            const Cell cell = ds->cellAtPosition(*field, position);
            if (field->Def().numericText) {
                const std::optional<double> value = NumberInText(field->DisplayTextOf(cell));
                keys.emplace_back(value.has_value(), value.value_or(0));
                continue;
            }
            const QVariant value = field->ValueOf(cell);
            keys.emplace_back(!value.isNull(), value.toDouble());
        }
        std::stable_sort(positions.begin(), positions.end(), [&](int a, int b) {
            const auto& ka = keys[static_cast<std::size_t>(a)];
            const auto& kb = keys[static_cast<std::size_t>(b)];
            return descending ? kb < ka : ka < kb;
        });
    } else {
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::vector<QCollatorSortKey> keys;
        keys.reserve(positions.size());
        for (const int position : positions)
            keys.push_back(
                collator.sortKey(field->DisplayTextOf(ds->cellAtPosition(*field, position)).toCaseFolded()));
        std::stable_sort(positions.begin(), positions.end(), [&](int a, int b) {
            const QCollatorSortKey& ka = keys[static_cast<std::size_t>(a)];
            const QCollatorSortKey& kb = keys[static_cast<std::size_t>(b)];
            return descending ? kb.compare(ka) < 0 : ka.compare(kb) < 0;
        });
    }
    emit layoutAboutToBeChanged();
    order_ = std::move(positions);
    rowOf_.clear();
    emit layoutChanged();
    emit orderChanged();
}

QString TVornGridDBTableView::CellText(int row, int column) const {
    return data(index(row, column), Qt::DisplayRole).toString();
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
    if (field == nullptr || index.row() < 0 || index.row() >= rowCount())
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(
            (IsNumericField(field->DataType()) || field->Def().numericText ? Qt::AlignRight : Qt::AlignLeft) |
            Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    // A cell that cannot be read shows that it is wrong instead of taking the program down while
    // it paints.
    try {
        const QString text =
            field->DisplayTextOf(dataSet()->cellAtPosition(*field, PositionOfRow(index.row())));
        return role == Qt::DisplayRole ? QVariant(text) : QVariant();
    } catch (const EVornError& error) {
        return role == Qt::DisplayRole ? QStringLiteral("#fout") : error.message();
    }
}

QVariant TVornGridDBTableView::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical) {
        const TVornClientDataSet* ds = dataSet();
        return ds != nullptr && RowOfPosition(ds->RecNo() - 1) == section ? QStringLiteral("\u25B6")
                                                                          : QString();
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
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setSortIndicatorShown(false);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &TVornDBgrid::headerClicked);

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
        // New rows come in the screen's own order, and are read from the top, wherever the
        // screen's counting left the dataset's current row.
        sortColumn_ = -1;
        horizontalHeader()->setSortIndicatorShown(false);
        syncFromDataSet();
        scrollToTop();
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
    if (event->matches(QKeySequence::Copy)) {
        CopySelection();
        return;
    }
    QTableView::keyPressEvent(event); // Ctrl+A selects all
}

/// A click sorts ascending, a second click on the same column descending, a third restores the
/// screen's order.
void TVornDBgrid::headerClicked(int column) {
    if (column != sortColumn_) {
        sortColumn_ = column;
        sortOrder_ = Qt::AscendingOrder;
    } else if (sortOrder_ == Qt::AscendingOrder) {
        sortOrder_ = Qt::DescendingOrder;
    } else {
        sortColumn_ = -1;
    }
    if (sortColumn_ < 0) {
        view_->ClearSort();
        horizontalHeader()->setSortIndicatorShown(false);
    } else {
        view_->sort(sortColumn_, sortOrder_);
        horizontalHeader()->setSortIndicator(sortColumn_, sortOrder_);
        horizontalHeader()->setSortIndicatorShown(true);
    }
    syncFromDataSet();
    scrollToTop(); // a sorted list is read from its first row
}

QString TVornDBgrid::SelectionAsText() const {
    const QModelIndexList selected =
        selectionModel() != nullptr ? selectionModel()->selectedIndexes() : QModelIndexList{};
    if (selected.isEmpty())
        return {};
    std::map<int, std::map<int, QString>> cells; // row -> visual column -> text
    std::map<int, int> columns;                  // visual column -> logical column
    for (const QModelIndex& index : selected) {
        const int visual = horizontalHeader()->visualIndex(index.column());
        columns[visual] = index.column();
        cells[index.row()][visual] = view_->CellText(index.row(), index.column());
    }
    QStringList captions;
    for (const auto& [visual, logical] : columns)
        captions << view_->headerData(logical, Qt::Horizontal, Qt::DisplayRole).toString();
    const auto clean = [](QString text) {
        text.replace(u'\t', u' ');
        text.replace(u'\n', u' ');
        text.replace(u'\r', u' ');
        return text;
    };
    QStringList lines;
    QStringList cleaned;
    for (const QString& caption : captions)
        cleaned << clean(caption);
    lines << cleaned.join(u'\t');
    for (const auto& [row, texts] : cells) {
        QStringList line;
        for (const auto& [visual, logical] : columns) {
            const auto found = texts.find(visual);
            line << (found != texts.end() ? clean(found->second) : QString());
        }
        lines << line.join(u'\t');
    }
    return lines.join(u'\n') + u'\n';
}

void TVornDBgrid::CopySelection() const {
    const QString text = SelectionAsText();
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}

void TVornDBgrid::syncFromDataSet() {
    TVornClientDataSet* ds = view_->DataSource() ? view_->DataSource()->DataSet() : nullptr;
    if (ds == nullptr || !ds->Active() || ds->RecNo() < 1 || view_->columnCount() == 0)
        return;
    syncing_ = true;
    const QModelIndex current =
        view_->index(view_->RowOfPosition(ds->RecNo() - 1), std::max(currentIndex().column(), 0));
    selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    syncing_ = false;
}

void TVornDBgrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    TVornClientDataSet* ds = view_->DataSource() ? view_->DataSource()->DataSet() : nullptr;
    if (syncing_ || ds == nullptr || !ds->Active() || !current.isValid())
        return;
    const int position = view_->PositionOfRow(current.row());
    if (position + 1 != ds->RecNo())
        ds->SetRecNo(position + 1);
}

} // namespace vorn
