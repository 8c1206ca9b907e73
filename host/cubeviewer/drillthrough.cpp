#include "drillthrough.h"

#include "host/controls/dbgrid.h"
#include "host/data/clientdataset.h"
#include "host/data/csv.h"
#include "host/data/datasource.h"
#include "host/data/provider.h"
#include "host/export/exportfiles.h"
#include "host/export/textwriters.h"
#include "host/export/workbookwriter.h"
#include "host/forms/hostservices.h"
#include "host/forms/screenresults.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTextStream>
#include <QVBoxLayout>

namespace vorn {

namespace {

/// The values of a stored column at some positions of the dataset's order, copied as they are
/// stored: the cell of a grand total may have millions of rows.
void CopyStored(const Column& from, const std::vector<std::uint32_t>& order,
                const std::vector<std::uint32_t>& positions, Column& to) {
    for (const std::uint32_t position : positions) {
        const std::size_t row = order.at(position);
        if (from.isNull(row)) {
            to.appendNull();
            continue;
        }
        switch (from.kind()) {
        case StorageKind::Int32:
        case StorageKind::Int64:
            to.appendInt(from.intAt(row));
            break;
        case StorageKind::Double:
            to.appendDouble(from.doubleAt(row));
            break;
        case StorageKind::Bytes:
            to.appendBytes(from.bytesAt(row));
            break;
        }
    }
}

} // namespace

QString ReadableFieldName(const QString& fieldName) {
    QString text = fieldName.toLower();
    text.replace(u'_', u' ');
    text = text.simplified();
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

std::unique_ptr<TVornClientDataSet> CopyRows(const TVornClientDataSet& source,
                                             const std::vector<std::uint32_t>& positions,
                                             const QHash<QString, QString>& captions) {
    std::vector<const TField*> fields;
    std::vector<FieldDef> defs;
    for (int index = 0; index < source.FieldCount(); ++index) {
        const TField& field = source.Fields(index);
        if (field.FieldKind() != TFieldKind::Data && field.FieldKind() != TFieldKind::Lookup)
            continue; // calculated fields belong to the screen's current row
        FieldDef def = field.Def();
        def.kind = TFieldKind::Data;
        def.lookupDataSet = nullptr;
        def.keyFields.clear();
        def.lookupKeyFields.clear();
        def.lookupResultField.clear();
        def.required = false;
        def.displayLabel = captions.value(field.FieldName().toUpper());
        if (def.displayLabel.isEmpty())
            def.displayLabel = field.DisplayLabel() != field.FieldName()
                                   ? field.DisplayLabel()
                                   : ReadableFieldName(field.FieldName());
        fields.push_back(&field);
        defs.push_back(def);
    }
    Table table(defs);
    for (std::size_t column = 0; column < fields.size(); ++column) {
        const TField& field = *fields[column];
        Column& target = table.columns[column];
        target.reserve(positions.size());
        const int stored =
            field.FieldKind() == TFieldKind::Data ? source.data().indexOf(field.FieldName()) : -1;
        if (stored >= 0 && source.data().columns[static_cast<std::size_t>(stored)].kind() == target.kind()) {
            CopyStored(source.data().columns[static_cast<std::size_t>(stored)], source.order(), positions,
                       target);
            continue;
        }
        for (const std::uint32_t position : positions)
            AppendValue(table, static_cast<int>(column),
                        field.ValueOf(source.cellAtPosition(field, static_cast<int>(position))));
    }
    auto rows = std::make_unique<TVornClientDataSet>(QStringLiteral("Details"));
    for (const FieldDef& def : defs)
        rows->AddField(def);
    rows->CreateDataSet(std::move(table));
    return rows;
}

TDrillThroughDialog::TDrillThroughDialog(std::unique_ptr<TVornClientDataSet> rows, const QString& caption,
                                         QWidget* parent)
    : QDialog(parent), rows_(std::move(rows)), source_(new TVornDatasource(this)),
      grid_(new TVornDBgrid(this)), caption_(caption) {
    setObjectName(QStringLiteral("DLGDetails"));
    setWindowTitle(QStringLiteral("Details: %1").arg(caption));
    grid_->setObjectName(QStringLiteral("GDetails"));
    source_->SetDataSet(rows_.get());
    grid_->GetActiveDBView()->SetDataSource(source_);
    grid_->GetActiveDBView()->CreateAllItems(false);
    auto* count = new QLabel(QStringLiteral("%1 rijen").arg(rows_->RecordCount()), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Sluiten"));
    QPushButton* copy = buttons->addButton(QStringLiteral("Kopiëren"), QDialogButtonBox::ActionRole);
    QPushButton* exporting =
        buttons->addButton(QStringLiteral("Exporteren..."), QDialogButtonBox::ActionRole);
    connect(copy, &QPushButton::clicked, this, [this] { CopyAll(); });
    connect(exporting, &QPushButton::clicked, this, [this] { RunGuarded([this] { exportChosen(); }); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(count);
    layout->addWidget(grid_, 1);
    layout->addWidget(buttons);
    resize(900, 500);
}

TDrillThroughDialog::~TDrillThroughDialog() {
    grid_->GetActiveDBView()->SetDataSource(nullptr);
    source_->SetDataSet(nullptr);
}

void TDrillThroughDialog::CopyAll() const {
    grid_->selectAll();
    grid_->CopySelection();
}

void TDrillThroughDialog::WriteCsv(const QString& path) const {
    WriteFileWhole(path, [this](QIODevice& device) {
        QTextStream out(&device);
        vorn::WriteCsv(*rows_, out);
        out.flush();
    });
    WriteContextFile(ContextFileBeside(path), QStringList(context_)
                                                  << QStringLiteral("Cel: %1").arg(caption_));
}

void TDrillThroughDialog::WriteXlsx(const QString& path) const {
    TResultTable table;
    table.caption = caption_;
    table.dataSet = rows_.get();
    table.view = grid_;
    for (int index = 0; index < rows_->FieldCount(); ++index) {
        const TField& field = rows_->Fields(index);
        table.columns.push_back({field.FieldName(), field.DisplayLabel(), grid_->columnWidth(index),
                                 IsNumericField(field.DataType())});
    }
    WriteWorkbook({table}, QString(), {}, QStringList(context_) << QStringLiteral("Cel: %1").arg(caption_),
                  path);
}

void TDrillThroughDialog::exportChosen() {
    QString filter;
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Details exporteren"), FileNameOf(caption_),
                                     QStringLiteral("Excel-werkmap (*.xlsx);;CSV-bestand (*.csv)"), &filter);
    if (path.isEmpty())
        return;
    if (filter.contains(QStringLiteral("csv")) || path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
        WriteCsv(path);
    else
        WriteXlsx(path);
}

} // namespace vorn
