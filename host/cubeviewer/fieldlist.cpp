#include "fieldlist.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QDragEnterEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace vorn {

namespace {

constexpr int DimensionRole = Qt::UserRole + 1;
constexpr int LabelRole = Qt::UserRole + 2; // a member's label, without its row count

QString ZoneCaption(TCubeZone zone) {
    switch (zone) {
    case TCubeZone::Rows:
        return QStringLiteral("Rijen");
    case TCubeZone::Columns:
        return QStringLiteral("Kolommen");
    case TCubeZone::Filters:
        return QStringLiteral("Filters");
    case TCubeZone::Unused:
        break;
    }
    return QStringLiteral("Velden");
}

} // namespace

QString DimensionMimeType() {
    return QStringLiteral("application/x-vorn-kubusdimensie");
}

TZoneList::TZoneList(TCubeZone zone, QWidget* parent) : QListWidget(parent), zone_(zone) {
    setObjectName(QStringLiteral("LB") + ZoneCaption(zone));
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

QStringList TZoneList::mimeTypes() const {
    return {DimensionMimeType()};
}

QMimeData* TZoneList::mimeData(const QList<QListWidgetItem*>& items) const {
    if (items.isEmpty())
        return nullptr;
    auto* data = new QMimeData;
    data->setData(DimensionMimeType(), QByteArray::number(items.front()->data(DimensionRole).toInt()));
    return data;
}

Qt::DropActions TZoneList::supportedDropActions() const {
    return Qt::MoveAction;
}

void TZoneList::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasFormat(DimensionMimeType()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TZoneList::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasFormat(DimensionMimeType()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TZoneList::dropEvent(QDropEvent* event) {
    const QModelIndex at = indexAt(event->position().toPoint());
    const int position = at.isValid() ? at.row() : count();
    if (DropDimension(event->mimeData(), position)) {
        // The frame rebuilds the lists; Qt must not remove the dragged item on its own.
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

bool TZoneList::DropDimension(const QMimeData* data, int position) {
    if (data == nullptr || !data->hasFormat(DimensionMimeType()))
        return false;
    bool ok = false;
    const int dimension = data->data(DimensionMimeType()).toInt(&ok);
    if (!ok || dimension < 0)
        return false;
    emit dimensionDropped(dimension, static_cast<int>(zone_), position);
    return true;
}

TCubeFieldList::TCubeFieldList(QWidget* parent) : QWidget(parent), measures_(new QListWidget(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    for (const TCubeZone zone :
         {TCubeZone::Unused, TCubeZone::Rows, TCubeZone::Columns, TCubeZone::Filters}) {
        auto* list = new TZoneList(zone, this);
        layout->addWidget(new QLabel(ZoneCaption(zone), this));
        layout->addWidget(list, zone == TCubeZone::Unused ? 2 : 1);
        connect(list, &TZoneList::dimensionDropped, this, &TCubeFieldList::moveRequested);
        connect(list, &QListWidget::itemActivated, this,
                [this, zone](QListWidgetItem* item) { activated(zone, item); });
        list->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(list, &QWidget::customContextMenuRequested, this, [this, list, zone](const QPoint& point) {
            // From the keyboard the point says nothing: the current item is meant.
            const QModelIndex at = list->indexAt(point);
            const int row = at.isValid() ? at.row() : list->currentRow();
            if (row < 0)
                return;
            std::unique_ptr<QMenu> menu = MenuFor(zone, row);
            menu->exec(list->viewport()->mapToGlobal(point));
        });
        zones_.push_back(list);
    }
    measures_->setObjectName(QStringLiteral("LBWaarden"));
    layout->addWidget(new QLabel(QStringLiteral("Waarden"), this));
    layout->addWidget(measures_, 1);
    connect(measures_, &QListWidget::itemChanged, this, [this] { measureChecked(); });
    measures_->setDragDropMode(QAbstractItemView::InternalMove);
    measures_->setDefaultDropAction(Qt::MoveAction);
    // A dropped measure lands once the drag has ended; the layout follows then.
    connect(
        measures_->model(), &QAbstractItemModel::rowsMoved, this, [this] { measureChecked(); },
        Qt::QueuedConnection);
    for (const auto& [keys, step] : {std::pair{QKeySequence(Qt::CTRL | Qt::Key_Up), -1},
                                     std::pair{QKeySequence(Qt::CTRL | Qt::Key_Down), 1}}) {
        auto* shortcut = new QShortcut(keys, measures_, nullptr, nullptr, Qt::WidgetShortcut);
        connect(shortcut, &QShortcut::activated, this,
                [this, step] { MoveMeasure(measures_->currentRow(), step); });
    }
    setMinimumWidth(160);
}

void TCubeFieldList::MoveMeasure(int row, int step) {
    const int target = row + step;
    if (row < 0 || row >= measures_->count() || target < 0 || target >= measures_->count())
        return;
    showing_ = true;
    QListWidgetItem* item = measures_->takeItem(row);
    measures_->insertItem(target, item);
    measures_->setCurrentRow(target);
    showing_ = false;
    measureChecked();
}

TZoneList* TCubeFieldList::Zone(TCubeZone zone) const {
    return zones_[static_cast<std::size_t>(zone)];
}

void TCubeFieldList::Show(const TCube* cube, const TPivotLayout& layout, const std::vector<int>& filterZone) {
    showing_ = true;
    cube_ = cube;
    for (TZoneList* list : zones_)
        list->clear();
    measures_->clear();
    if (cube != nullptr) {
        const auto add = [&](TCubeZone zone, int dimension) {
            auto* item = new QListWidgetItem(DimensionCaption(*cube, dimension), Zone(zone));
            item->setData(DimensionRole, dimension);
            if (layout.filters.count(dimension) != 0)
                item->setText(item->text() + QStringLiteral(" (gefilterd)"));
        };
        for (const int dimension : layout.rows.dimensions)
            add(TCubeZone::Rows, dimension);
        for (const int dimension : layout.columns.dimensions)
            add(TCubeZone::Columns, dimension);
        for (const int dimension : filterZone)
            add(TCubeZone::Filters, dimension);
        for (int dimension = 0; dimension < cube->DimensionCount(); ++dimension) {
            const auto in = [dimension](const std::vector<int>& list) {
                return std::find(list.begin(), list.end(), dimension) != list.end();
            };
            if (!in(layout.rows.dimensions) && !in(layout.columns.dimensions) && !in(filterZone))
                add(TCubeZone::Unused, dimension);
        }
        // The shown measures first, in their order, then the others.
        std::vector<int> order = layout.measures;
        for (int measure = 0; measure < cube->MeasureCount(); ++measure)
            if (std::find(order.begin(), order.end(), measure) == order.end())
                order.push_back(measure);
        for (const int measure : order) {
            const TCubeMeasureDef& def = cube->Measure(measure).def;
            auto* item = new QListWidgetItem(def.caption.isEmpty() ? def.name : def.caption, measures_);
            item->setData(DimensionRole, measure);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
                           Qt::ItemIsDragEnabled);
            const bool shown =
                std::find(layout.measures.begin(), layout.measures.end(), measure) != layout.measures.end();
            item->setCheckState(shown ? Qt::Checked : Qt::Unchecked);
        }
    }
    showing_ = false;
}

std::unique_ptr<QMenu> TCubeFieldList::MenuFor(TCubeZone zone, int row) {
    auto menu = std::make_unique<QMenu>(this);
    QListWidgetItem* item = Zone(zone)->item(row);
    if (item == nullptr)
        return menu;
    const int dimension = item->data(DimensionRole).toInt();
    const int count = Zone(zone)->count();
    const auto move = [this, dimension](const QString& text, TCubeZone target, int position, bool enabled,
                                        QMenu& into) {
        QAction* action = into.addAction(text);
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, [this, dimension, target, position] {
            emit moveRequested(dimension, static_cast<int>(target), position);
        });
    };
    move(QStringLiteral("Naar rijen"), TCubeZone::Rows, Zone(TCubeZone::Rows)->count(),
         zone != TCubeZone::Rows, *menu);
    move(QStringLiteral("Naar kolommen"), TCubeZone::Columns, Zone(TCubeZone::Columns)->count(),
         zone != TCubeZone::Columns, *menu);
    move(QStringLiteral("Naar filters"), TCubeZone::Filters, Zone(TCubeZone::Filters)->count(),
         zone != TCubeZone::Filters, *menu);
    move(QStringLiteral("Verwijderen"), TCubeZone::Unused, 0, zone != TCubeZone::Unused, *menu);
    menu->addSeparator();
    move(QStringLiteral("Omhoog"), zone, row - 1, zone != TCubeZone::Unused && row > 0, *menu);
    move(QStringLiteral("Omlaag"), zone, row + 2, zone != TCubeZone::Unused && row + 1 < count, *menu);
    menu->addSeparator();
    connect(menu->addAction(QStringLiteral("Filter...")), &QAction::triggered, this,
            [this, dimension] { emit filterRequested(dimension); });
    connect(menu->addAction(QStringLiteral("Waardefilter...")), &QAction::triggered, this,
            [this, dimension] { emit valueFilterRequested(dimension); });
    return menu;
}

void TCubeFieldList::activated(TCubeZone zone, QListWidgetItem* item) {
    const int dimension = item->data(DimensionRole).toInt();
    if (zone == TCubeZone::Unused)
        emit moveRequested(dimension, static_cast<int>(TCubeZone::Rows), Zone(TCubeZone::Rows)->count());
    else
        emit filterRequested(dimension);
}

void TCubeFieldList::measureChecked() {
    if (showing_)
        return;
    std::vector<int> checked;
    for (int row = 0; row < measures_->count(); ++row)
        if (measures_->item(row)->checkState() == Qt::Checked)
            checked.push_back(measures_->item(row)->data(DimensionRole).toInt());
    if (checked.empty()) {
        // A pivot shows at least one measure: the last one stays checked.
        showing_ = true;
        for (int row = 0; row < measures_->count(); ++row)
            if (measures_->item(row)->checkState() == Qt::Unchecked) {
                measures_->item(row)->setCheckState(Qt::Checked);
                break;
            }
        showing_ = false;
        return;
    }
    emit measuresChanged(checked);
}

TValueFilterDialog::TValueFilterDialog(const TCube& cube, int dimension, QWidget* parent)
    : QDialog(parent), dimension_(dimension), measure_(new QComboBox(this)), kind_(new QComboBox(this)),
      amount_(new QDoubleSpinBox(this)) {
    setObjectName(QStringLiteral("DLGWaardefilter"));
    setWindowTitle(QStringLiteral("Waardefilter: %1").arg(DimensionCaption(cube, dimension)));
    for (int measure = 0; measure < cube.MeasureCount(); ++measure) {
        const TCubeMeasureDef& def = cube.Measure(measure).def;
        measure_->addItem(def.caption.isEmpty() ? def.name : def.caption, measure);
    }
    kind_->addItem(QStringLiteral("De hoogste"), static_cast<int>(TValueFilterKind::Top));
    kind_->addItem(QStringLiteral("De laagste"), static_cast<int>(TValueFilterKind::Bottom));
    kind_->addItem(QStringLiteral("Groter dan"), static_cast<int>(TValueFilterKind::Above));
    kind_->addItem(QStringLiteral("Kleiner dan"), static_cast<int>(TValueFilterKind::Below));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Toon"), kind_);
    form->addRow(QStringLiteral("&Aantal of waarde"), amount_);
    form->addRow(QStringLiteral("&Volgens"), measure_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annuleren"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    connect(kind_, &QComboBox::currentIndexChanged, this, [this] { kindChanged(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    kindChanged();
    amount_->setValue(10);
}

/// The highest or lowest count members (whole numbers); above or below take any amount.
void TValueFilterDialog::kindChanged() {
    const auto kind = static_cast<TValueFilterKind>(kind_->currentData().toInt());
    const bool counted = kind == TValueFilterKind::Top || kind == TValueFilterKind::Bottom;
    amount_->setDecimals(counted ? 0 : 2);
    amount_->setRange(counted ? 1 : -1e12, counted ? 100000 : 1e12);
}

TValueFilter TValueFilterDialog::Filter() const {
    TValueFilter filter;
    filter.dimension = dimension_;
    filter.measure = measure_->currentData().toInt();
    filter.kind = static_cast<TValueFilterKind>(kind_->currentData().toInt());
    filter.amount = amount_->value();
    return filter;
}

TMemberFilterDialog::TMemberFilterDialog(const TCube& cube, int dimension,
                                         const std::set<std::uint32_t>& kept, QWidget* parent)
    : QDialog(parent), search_(new QLineEdit(this)), members_(new QListWidget(this)) {
    setObjectName(QStringLiteral("DLGFilter"));
    setWindowTitle(QStringLiteral("Filter: %1").arg(DimensionCaption(cube, dimension)));
    search_->setObjectName(QStringLiteral("EZoeken"));
    search_->setPlaceholderText(QStringLiteral("Zoeken"));
    search_->setClearButtonEnabled(true);
    members_->setObjectName(QStringLiteral("LBLeden"));
    const std::uint32_t count = cube.MemberCount(dimension);
    // How many source rows each member has, as a spreadsheet's filter list shows them.
    std::vector<std::size_t> rowsOf(count, 0);
    for (const std::uint32_t code : cube.Dimension(dimension).codes)
        if (code < count)
            ++rowsOf[code];
    const QLocale locale;
    for (std::uint32_t member = 0; member < count; ++member) {
        const QString label = cube.MemberLabel(dimension, member);
        auto* item = new QListWidgetItem(
            QStringLiteral("%1  (%2)").arg(label, locale.toString(static_cast<qulonglong>(rowsOf[member]))),
            members_);
        item->setData(DimensionRole, static_cast<qulonglong>(member));
        item->setData(LabelRole, label);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(kept.empty() || kept.count(member) != 0 ? Qt::Checked : Qt::Unchecked);
    }
    auto* all = new QPushButton(QStringLiteral("Alles"), this);
    auto* none = new QPushButton(QStringLiteral("Niets"), this);
    all->setObjectName(QStringLiteral("BTAlles"));
    none->setObjectName(QStringLiteral("BTNiets"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annuleren"));
    auto* choose = new QHBoxLayout;
    choose->addWidget(all);
    choose->addWidget(none);
    choose->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(search_);
    layout->addLayout(choose);
    layout->addWidget(members_);
    layout->addWidget(buttons);
    connect(search_, &QLineEdit::textChanged, this, &TMemberFilterDialog::searchChanged);
    connect(all, &QPushButton::clicked, this, [this] { CheckShown(true); });
    connect(none, &QPushButton::clicked, this, [this] { CheckShown(false); });
    connect(members_, &QListWidget::itemChanged, this, [this] { updateOk(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(320, 420);
    updateOk();
}

void TMemberFilterDialog::CheckShown(bool checked) {
    for (int row = 0; row < members_->count(); ++row)
        if (!members_->item(row)->isHidden())
            members_->item(row)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    updateOk();
}

void TMemberFilterDialog::searchChanged(const QString& text) {
    for (int row = 0; row < members_->count(); ++row)
        members_->item(row)->setHidden(
            !members_->item(row)->data(LabelRole).toString().contains(text.trimmed(), Qt::CaseInsensitive));
}

void TMemberFilterDialog::updateOk() {
    bool any = false;
    for (int row = 0; row < members_->count() && !any; ++row)
        any = members_->item(row)->checkState() == Qt::Checked;
    if (ok_ != nullptr)
        ok_->setEnabled(any);
}

std::set<std::uint32_t> TMemberFilterDialog::Kept() const {
    std::set<std::uint32_t> kept;
    for (int row = 0; row < members_->count(); ++row)
        if (members_->item(row)->checkState() == Qt::Checked)
            kept.insert(static_cast<std::uint32_t>(members_->item(row)->data(DimensionRole).toULongLong()));
    if (static_cast<int>(kept.size()) == members_->count())
        kept.clear();
    return kept;
}

} // namespace vorn
