#include "lookupedit.h"

#include "dbgrid.h"

#include "host/data/clientdataset.h"
#include "host/data/datasource.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableView>

namespace vorn {

TVornLookupEdit::TVornLookupEdit(QWidget* parent)
    : QComboBox(parent), model_(new TVornGridDBTableView(this)), list_(new QTableView(this)) {
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->verticalHeader()->hide();
    list_->horizontalHeader()->setStretchLastSection(true);
    list_->setShowGrid(false);
    setModel(model_);
    setView(list_);
    setModelColumn(0);
    setCurrentIndex(-1);
    connect(this, &QComboBox::currentIndexChanged, this, &TVornLookupEdit::rowChosen);
    // The combo box picks a row of its own when the list is reset; the chosen key decides instead.
    connect(model_, &QAbstractItemModel::modelAboutToBeReset, this, [this] { reselecting_ = true; });
    connect(model_, &QAbstractItemModel::modelReset, this, &TVornLookupEdit::reselect);
}

void TVornLookupEdit::SetListColumns(const QStringList& fields) {
    columns_ = fields;
    model_->Columns().clear();
    for (const QString& field : fields)
        model_->Columns().push_back({field, {}, 0});
    model_->ColumnsChanged();
}

void TVornLookupEdit::SetDropDownWidth(int pixels) {
    list_->setMinimumWidth(pixels);
}

void TVornLookupEdit::SetAssociatedLabel(QLabel* label, const QString& fields) {
    label_ = label;
    labelFields_ = fields;
    showLabel();
}

void TVornLookupEdit::SetListSource(TVornDatasource* source) {
    source_ = source;
    model_->SetDataSource(source);
}

qint64 TVornLookupEdit::keyAt(int row) const {
    TVornClientDataSet* list = source_ != nullptr ? source_->DataSet() : nullptr;
    if (list == nullptr || !list->Active() || row < 0 || row >= list->RecordCount())
        return -1;
    const TField* key = list->FindField(KeyField);
    if (key == nullptr)
        return -1;
    const Cell cell = list->cellAtPosition(*key, row);
    const auto* id = std::get_if<std::int64_t>(&cell);
    return id != nullptr ? *id : -1;
}

void TVornLookupEdit::rowChosen(int row) {
    if (reselecting_)
        return;
    TVornClientDataSet* list = source_ != nullptr ? source_->DataSet() : nullptr;
    if (SyncList && list != nullptr && list->Active() && row >= 0 && row < list->RecordCount())
        list->SetRecNo(row + 1);
    const qint64 key = keyAt(row);
    showLabel();
    if (key != chosenKey_) {
        chosenKey_ = key;
        emit changed();
    }
}

void TVornLookupEdit::SetLookupID(qint64 id) {
    TVornClientDataSet* list = source_ != nullptr ? source_->DataSet() : nullptr;
    int row = -1;
    for (int r = 0; list != nullptr && id != -1 && r < model_->rowCount(); ++r)
        if (keyAt(r) == id)
            row = r;
    setCurrentIndex(row);
    if (row < 0)
        rowChosen(-1);
}

void TVornLookupEdit::reselect() {
    fitColumns();
    int row = -1;
    for (int r = 0; chosenKey_ != -1 && r < model_->rowCount(); ++r)
        if (keyAt(r) == chosenKey_)
            row = r;
    setCurrentIndex(row);
    reselecting_ = false;
    if (row < 0 && chosenKey_ != -1) {
        chosenKey_ = -1;
        emit changed();
    }
    showLabel();
}

void TVornLookupEdit::fitColumns() {
    list_->resizeColumnsToContents();
    for (int c = 0; c < model_->columnCount(); ++c)
        list_->setColumnWidth(c, std::max(list_->columnWidth(c), MinColumnWidth));
}

void TVornLookupEdit::showLabel() {
    if (label_ == nullptr)
        return;
    QStringList parts;
    TVornClientDataSet* list = source_ != nullptr ? source_->DataSet() : nullptr;
    const int row = currentIndex();
    if (list != nullptr && list->Active() && row >= 0 && row < list->RecordCount())
        for (const QString& name : SplitFieldList(labelFields_))
            if (const TField* field = list->FindField(name))
                parts << field->DisplayTextOf(list->cellAtPosition(*field, row));
    label_->setText(parts.join(u' '));
}

void InitInstellingLookup(TVornLookupEdit& lookup, TVornDatasource* source) {
    lookup.KeyField = QStringLiteral("IS_ID");
    lookup.SetListColumns({QStringLiteral("IS_CODE"), QStringLiteral("SC_INSTELLINGSNUMMER"),
                           QStringLiteral("IS_NAAMGEBRUIKER")});
    lookup.SetListSource(source);
}

} // namespace vorn
