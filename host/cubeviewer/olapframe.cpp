#include "olapframe.h"

#include "drillthrough.h"
#include "pivotgrid.h"
#include "pivotprint.h"
#include "pivotwriters.h"
#include "waitcursor.h"

#include "host/controls/barchart.h"
#include "host/cube/pivotchart.h"
#include "host/data/clientdataset.h"
#include "host/data/errors.h"
#include "host/data/inifile.h"
#include "host/export/exportfiles.h"
#include "host/export/textwriters.h"
#include "host/forms/hostservices.h"
#include "host/forms/outputcontext.h"

#include <QActionGroup>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace vorn {

namespace {

const QString LayoutSection = QStringLiteral("Kubusindeling");
/// Column widths set by hand, per statistic.
const QString WidthsSection = QStringLiteral("Kubuskolommen");
constexpr int ChartBarHeight = 22;
constexpr int ChartPage = 1;
/// More series than this make a chart no one can read; the note says how to choose fewer.
constexpr int MaxChartSeries = 12;

QString AxisName(TPivotAxis axis) {
    return axis == TPivotAxis::Rows ? QStringLiteral("Rijen") : QStringLiteral("Kolommen");
}

TAxisLayout& AxisOf(TPivotLayout& layout, TPivotAxis axis) {
    return axis == TPivotAxis::Rows ? layout.rows : layout.columns;
}

QString MeasureCaption(const TCube& cube, int measure) {
    const TCubeMeasureDef& def = cube.Measure(measure).def;
    return def.caption.isEmpty() ? def.name : def.caption;
}

} // namespace

TOLAPFrame::TOLAPFrame(QWidget* parent)
    : QWidget(parent), pages_(new QTabWidget(this)), grid_(new TPivotGrid), filterNote_(new QLabel),
      fieldList_(new TCubeFieldList), chart_(new TBarChart), chartScroll_(new QScrollArea),
      chartMeasure_(new QComboBox), chartSeries_(new QComboBox), chartNote_(new QLabel) {
    pages_->setObjectName(QStringLiteral("PCOLAP"));
    grid_->setObjectName(QStringLiteral("GOLAP"));
    fieldList_->setObjectName(QStringLiteral("PNVelden"));
    chart_->setObjectName(QStringLiteral("GRKubus"));
    chart_->SetShowCaption(true); // the measure, and by which field the series are
    chartMeasure_->setObjectName(QStringLiteral("CBGrafiekWaarde"));
    chartSeries_->setObjectName(QStringLiteral("CBGrafiekReeksen"));

    auto* cubePage = new QWidget;
    cubePage->setObjectName(QStringLiteral("TSCube"));
    auto* cubeLayout = new QVBoxLayout(cubePage);
    cubeLayout->setContentsMargins(0, 0, 0, 0);
    cubeLayout->addWidget(createToolBar());
    filterNote_->setObjectName(QStringLiteral("LFilter"));
    filterNote_->setWordWrap(true);
    filterNote_->setTextFormat(Qt::PlainText);
    filterNote_->setStyleSheet(QStringLiteral("QLabel { background: #fff4c2; color: #3a3000; padding: 3px; "
                                              "border: 1px solid #e0c860; }"));
    filterNote_->hide();
    auto* splitter = new QSplitter(Qt::Horizontal, cubePage);
    // The note sits over the grid, beside the field list, so that it never makes the page taller.
    auto* gridSide = new QWidget;
    auto* gridLayout = new QVBoxLayout(gridSide);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    gridLayout->setSpacing(2);
    gridLayout->addWidget(filterNote_);
    gridLayout->addWidget(grid_, 1);
    splitter->addWidget(gridSide);
    splitter->addWidget(fieldList_);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    splitter->setSizes({700, 200});
    cubeLayout->addWidget(splitter, 1);
    pages_->addTab(cubePage, QStringLiteral("Rooster"));

    auto* chartPage = new QWidget;
    chartPage->setObjectName(QStringLiteral("TSGrafiek"));
    auto* chartLayout = new QVBoxLayout(chartPage);
    auto* chooser = new QHBoxLayout;
    chooser->addWidget(new QLabel(QStringLiteral("Waarde:"), chartPage));
    chooser->addWidget(chartMeasure_);
    auto* seriesLabel = new QLabel(QStringLiteral("&Reeksen:"), chartPage);
    seriesLabel->setBuddy(chartSeries_);
    chooser->addSpacing(12);
    chooser->addWidget(seriesLabel);
    chartSeries_->addItems({QStringLiteral("Eén staaf per rij"), QStringLiteral("Per kolom, naast elkaar"),
                            QStringLiteral("Per kolom, gestapeld")});
    chartSeries_->setToolTip(
        QStringLiteral("Met een veld in de kolommen: een staaf per kolom, naast elkaar of "
                       "gestapeld, met een legende"));
    chooser->addWidget(chartSeries_);
    chooser->addStretch();
    chartLayout->addLayout(chooser);
    chartNote_->setObjectName(QStringLiteral("LGrafiekNoot"));
    chartNote_->setWordWrap(true);
    chartNote_->setStyleSheet(filterNote_->styleSheet());
    chartNote_->hide();
    chartLayout->addWidget(chartNote_);
    chartScroll_->setWidget(chart_);
    chartScroll_->setWidgetResizable(true);
    chartLayout->addWidget(chartScroll_, 1);
    pages_->addTab(chartPage, QStringLiteral("Grafiek"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pages_);

    connect(fieldList_, &TCubeFieldList::moveRequested, this, [this](int dimension, int zone, int position) {
        RunGuarded([&] { MoveDimension(dimension, static_cast<TCubeZone>(zone), position); });
    });
    connect(fieldList_, &TCubeFieldList::filterRequested, this,
            [this](int dimension) { RunGuarded([&] { EditFilter(dimension); }); });
    connect(fieldList_, &TCubeFieldList::valueFilterRequested, this, [this](int dimension) {
        RunGuarded([&] {
            TValueFilterDialog dialog(shown().Cube(), dimension, this);
            if (dialog.exec() == QDialog::Accepted)
                ApplyValueFilter(dialog.Filter());
        });
    });
    connect(fieldList_, &TCubeFieldList::measuresChanged, this, [this](const std::vector<int>& measures) {
        RunGuarded([&] { changeLayout([&](TPivotLayout& layout) { layout.measures = measures; }); });
    });
    connect(grid_, &TPivotGrid::toggleClicked, this,
            [this](int row, int column) { RunGuarded([&] { ToggleMemberAt(row, column); }); });
    connect(grid_, &TPivotGrid::columnResized, this,
            [this](int column, int width) { RunGuarded([&] { ResizeColumn(column, width); }); });
    connect(grid_, &TPivotGrid::valueHeadingClicked, this,
            [this](int column) { RunGuarded([&] { SortRowsByColumn(column); }); });
    connect(grid_, &TPivotGrid::valueCellActivated, this,
            [this](int row, int column) { RunGuarded([&] { openDrillThrough(row, column); }); });
    connect(grid_, &TPivotGrid::cellMenuRequested, this, [this](int row, int column, const QPoint& at) {
        RunGuarded([&] {
            std::unique_ptr<QMenu> menu = CellMenu(row, column);
            menu->exec(at);
        });
    });
    // The chart counts the rows over again: only when it is looked at.
    connect(pages_, &QTabWidget::currentChanged, this, [this](int page) {
        if (page == ChartPage && chartStale_)
            RunGuarded([this] { fillChart(); });
    });
    for (QComboBox* chooser : {chartMeasure_, chartSeries_})
        connect(chooser, &QComboBox::currentIndexChanged, this, [this] {
            if (!syncing_)
                RunGuarded([this] { fillChart(); });
        });
    syncControls();
}

TOLAPFrame::~TOLAPFrame() {
    grid_->SetPivot(nullptr, nullptr);
}

QAction* TOLAPFrame::addAction(const QString& name, const QString& text, bool checkable) {
    auto* action = new QAction(text, this);
    action->setObjectName(name);
    action->setCheckable(checkable);
    return action;
}

QToolBar* TOLAPFrame::createToolBar() {
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("TBKubus"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);

    const auto menuButton = [&](const QString& name, const QString& text, QMenu* menu) {
        auto* button = new QToolButton(bar);
        button->setObjectName(name);
        button->setText(text);
        button->setMenu(menu);
        button->setPopupMode(QToolButton::InstantPopup);
        bar->addWidget(button);
    };

    sortMenu_ = new QMenu(this);
    menuButton(QStringLiteral("TBSorteren"), QStringLiteral("Sorteren"), sortMenu_);

    auto* totals = new QMenu(this);
    for (const TPivotAxis axis : {TPivotAxis::Rows, TPivotAxis::Columns}) {
        const QString suffix = AxisName(axis);
        QAction* grand = addAction(QStringLiteral("ACEindtotaal") + suffix,
                                   QStringLiteral("Eindtotaal %1").arg(suffix.toLower()), true);
        QAction* sub = addAction(QStringLiteral("ACSubtotalen") + suffix,
                                 QStringLiteral("Subtotalen %1").arg(suffix.toLower()), true);
        connect(grand, &QAction::triggered, this, [this, axis](bool on) {
            RunGuarded(
                [&] { changeLayout([&](TPivotLayout& layout) { AxisOf(layout, axis).grandTotal = on; }); });
        });
        connect(sub, &QAction::triggered, this, [this, axis](bool on) {
            RunGuarded(
                [&] { changeLayout([&](TPivotLayout& layout) { AxisOf(layout, axis).subtotals = on; }); });
        });
        totals->addAction(grand);
        totals->addAction(sub);
    }
    menuButton(QStringLiteral("TBTotalen"), QStringLiteral("Totalen"), totals);

    bar->addWidget(new QLabel(QStringLiteral(" Tonen als: "), bar));
    showAs_ = new QComboBox(bar);
    showAs_->setObjectName(QStringLiteral("CBTonenAls"));
    // In the order of TShowAs.
    showAs_->addItems({QStringLiteral("Waarde"), QStringLiteral("% van rij"), QStringLiteral("% van kolom"),
                       QStringLiteral("% van totaal"), QStringLiteral("Verschil met vorige"),
                       QStringLiteral("% verschil met vorige"), QStringLiteral("Lopend totaal"),
                       QStringLiteral("Rang")});
    connect(showAs_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (syncing_)
            return;
        RunGuarded([&] {
            changeLayout([&](TPivotLayout& layout) { layout.showAs = static_cast<TShowAs>(index); });
        });
    });
    bar->addWidget(showAs_);
    showAsField_ = new QComboBox(bar);
    showAsField_->setObjectName(QStringLiteral("CBTonenLangs"));
    showAsField_->setToolTip(QStringLiteral("Het veld waarlangs vergeleken, opgeteld of gerangschikt wordt"));
    connect(showAsField_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (syncing_ || index < 0)
            return;
        RunGuarded([&] {
            changeLayout([&](TPivotLayout& layout) {
                layout.showAsDimension = showAsField_->itemData(index).toInt();
            });
        });
    });
    showAsFieldAction_ = bar->addWidget(showAsField_);
    showAsFieldAction_->setObjectName(QStringLiteral("ACTonenLangs"));
    showAsFieldAction_->setVisible(false);

    QAction* heat = addAction(QStringLiteral("ACHeatmap"), QStringLiteral("Heatmap"), true);
    connect(heat, &QAction::triggered, this, [this](bool on) {
        TWaitCursor wait;
        grid_->SetHeatMap(on);
    });
    bar->addAction(heat);

    QAction* standard =
        addAction(QStringLiteral("ACStandaardindeling"), QStringLiteral("Standaardindeling"), false);
    connect(standard, &QAction::triggered, this, [this] { RunGuarded([this] { RestoreDefinedLayout(); }); });
    bar->addAction(standard);

    QAction* fields = addAction(QStringLiteral("ACVelden"), QStringLiteral("Velden"), true);
    fields->setChecked(true);
    connect(fields, &QAction::toggled, fieldList_, &QWidget::setVisible);
    bar->addAction(fields);
    bar->addSeparator();

    auto* exports = new QMenu(this);
    for (const auto& [kind, text] :
         {std::pair{QStringLiteral("Csv"), QStringLiteral("CSV...")},
          std::pair{QStringLiteral("Xlsx"), QStringLiteral("Excel-werkmap (XLSX)...")},
          std::pair{QStringLiteral("Pdf"), QStringLiteral("PDF...")}}) {
        QAction* action = addAction(QStringLiteral("ACExport") + kind, text, false);
        connect(action, &QAction::triggered, this,
                [this, kind = kind] { RunGuarded([&] { exportTo(kind); }); });
        exports->addAction(action);
    }
    menuButton(QStringLiteral("TBExporteren"), QStringLiteral("Exporteren..."), exports);

    QAction* print = addAction(QStringLiteral("ACAfdrukRooster"), QStringLiteral("Afdruk rooster"), false);
    connect(print, &QAction::triggered, this, [this] { RunGuarded([this] { PrintCube(); }); });
    bar->addAction(print);
    QAction* preview =
        addAction(QStringLiteral("ACAfdrukvoorbeeld"), QStringLiteral("Afdrukvoorbeeld"), false);
    connect(preview, &QAction::triggered, this, [this] { RunGuarded([this] { PreviewCube(); }); });
    bar->addAction(preview);
    return bar;
}

/// Per axis: by name or by one of the cube's measures, and descending or not.
void TOLAPFrame::fillSortMenu() {
    sortMenu_->clear();
    for (QMenu* axisMenu : sortMenu_->findChildren<QMenu*>(Qt::FindDirectChildrenOnly))
        delete axisMenu;
    for (QAction* old : findChildren<QAction*>(QRegularExpression(QStringLiteral("^ACSort"))))
        delete old;
    if (cube_ == nullptr)
        return;
    for (const TPivotAxis axis : {TPivotAxis::Rows, TPivotAxis::Columns}) {
        const QString name = AxisName(axis);
        QMenu* menu = sortMenu_->addMenu(name);
        auto* group = new QActionGroup(menu);
        const auto sortBy = [&](const QString& id, const QString& text, TSortBy by, int measure) {
            QAction* action = addAction(QStringLiteral("ACSort") + name + id, text, true);
            group->addAction(action);
            menu->addAction(action);
            connect(action, &QAction::triggered, this, [this, axis, by, measure] {
                RunGuarded([&] {
                    changeLayout([&](TPivotLayout& layout) {
                        AxisOf(layout, axis).sortBy = by;
                        AxisOf(layout, axis).sortMeasure = measure;
                    });
                });
            });
        };
        sortBy(QStringLiteral("Naam"), QStringLiteral("Op naam"), TSortBy::Label, 0);
        for (int measure = 0; measure < cube_->MeasureCount(); ++measure)
            sortBy(QStringLiteral("Maat%1").arg(measure),
                   QStringLiteral("Op %1").arg(MeasureCaption(*cube_, measure)), TSortBy::Measure, measure);
        menu->addSeparator();
        QAction* descending = addAction(QStringLiteral("ACSort") + name + QStringLiteral("Aflopend"),
                                        QStringLiteral("Aflopend"), true);
        connect(descending, &QAction::triggered, this, [this, axis](bool on) {
            RunGuarded(
                [&] { changeLayout([&](TPivotLayout& layout) { AxisOf(layout, axis).descending = on; }); });
        });
        menu->addAction(descending);
    }
}

void TOLAPFrame::syncControls() {
    syncing_ = true;
    const bool shownCube = pivot_ != nullptr;
    showFilterNote();
    for (QToolBar* bar : findChildren<QToolBar*>())
        bar->setEnabled(shownCube);
    if (shownCube) {
        const TPivotLayout& layout = pivot_->Layout();
        for (const TPivotAxis axis : {TPivotAxis::Rows, TPivotAxis::Columns}) {
            const QString name = AxisName(axis);
            const TAxisLayout& shownAxis = axis == TPivotAxis::Rows ? layout.rows : layout.columns;
            findChild<QAction*>(QStringLiteral("ACEindtotaal") + name)->setChecked(shownAxis.grandTotal);
            findChild<QAction*>(QStringLiteral("ACSubtotalen") + name)->setChecked(shownAxis.subtotals);
            const QString by = shownAxis.sortBy == TSortBy::Label
                                   ? QStringLiteral("Naam")
                                   : QStringLiteral("Maat%1").arg(shownAxis.sortMeasure);
            if (QAction* sort = findChild<QAction*>(QStringLiteral("ACSort") + name + by))
                sort->setChecked(true);
            if (QAction* descending =
                    findChild<QAction*>(QStringLiteral("ACSort") + name + QStringLiteral("Aflopend")))
                descending->setChecked(shownAxis.descending);
        }
        showAs_->setCurrentIndex(static_cast<int>(layout.showAs));
        // The base field: any field on the axes, shown only when the cells go along one.
        showAsField_->clear();
        for (const std::vector<int>* axis : {&layout.rows.dimensions, &layout.columns.dimensions})
            for (const int dimension : *axis)
                showAsField_->addItem(QStringLiteral("langs ") + DimensionCaption(*cube_, dimension),
                                      dimension);
        showAsField_->setCurrentIndex(showAsField_->findData(ShowAsBaseDimension(layout)));
        showAsFieldAction_->setVisible(IsAlongAField(layout.showAs));
        const QString chosen = chartMeasure_->currentText();
        chartMeasure_->clear();
        for (const int measure : layout.measures)
            chartMeasure_->addItem(MeasureCaption(*cube_, measure), measure);
        chartMeasure_->setCurrentIndex(std::max(0, chartMeasure_->findText(chosen)));
        fieldList_->Show(cube_.get(), layout, filterZone_);
    } else {
        chartMeasure_->clear();
        showAsFieldAction_->setVisible(false);
        fieldList_->Show(nullptr, {}, {});
    }
    syncing_ = false;
}

void TOLAPFrame::LoadDefinition(const TField& blob) {
    // A cube shown stays until the next ShowCube: it carries its own definition.
    definition_ = TOLAPDefinition::LoadFromBlobField(blob);
}

void TOLAPFrame::SetSettings(TVornIniFile* settings, const QString& statisticKey) {
    settings_ = settings;
    statisticKey_ = statisticKey;
}

void TOLAPFrame::SetDataset(TVornClientDataSet* dataSet) {
    if (dataSet != dataSet_)
        clearCube(); // a shown cube counts the rows of the dataset it was built from
    dataSet_ = dataSet;
}

void TOLAPFrame::ShowCube() {
    if (dataSet_ == nullptr)
        RaiseClientError("Er zijn geen gegevens om een kubus van te maken");
    TWaitCursor wait;
    std::shared_ptr<const TCube> cube = TCube::Build(definition_, *dataSet_);
    std::unique_ptr<TPivot> pivot;
    bool remembered = false;
    if (const std::optional<TPivotLayout> layout = rememberedLayout(*cube)) {
        try {
            pivot = std::make_unique<TPivot>(cube, *layout);
            remembered = true;
        } catch (const ECubeError&) {
            pivot.reset(); // the rows changed since: the definition's layout instead
        }
    }
    if (pivot == nullptr)
        pivot = std::make_unique<TPivot>(cube);
    auto model = std::make_unique<TPivotTableModel>(*pivot);
    std::vector<std::uint32_t> order = dataSet_->order();
    // Everything is built: only now does the frame let go of what it showed.
    grid_->SetPivot(nullptr, nullptr);
    model_ = std::move(model);
    pivot_ = std::move(pivot);
    cube_ = std::move(cube);
    builtOrder_ = std::move(order);
    filtersRestored_ = remembered && !FilterDescriptions(*cube_, pivot_->Layout()).isEmpty();
    widths_ = rememberedWidths(*cube_);
    grid_->SetColumnWidths(widths_);
    filterZone_ = SettledFilterZone(pivot_->Layout(), {});
    fillSortMenu();
    showPivot();
}

void TOLAPFrame::clearCube() {
    grid_->SetPivot(nullptr, nullptr);
    chart_->Clear();
    model_.reset();
    pivot_.reset();
    cube_.reset();
    builtOrder_.clear();
    filterZone_.clear();
    fillSortMenu();
    syncControls();
}

void TOLAPFrame::CloseCube() {
    clearCube();
    dataSet_ = nullptr;
}

const TPivot& TOLAPFrame::shown() const {
    if (pivot_ == nullptr)
        RaiseClientError("Er wordt geen kubus getoond: haal eerst de gegevens op");
    return *pivot_;
}

void TOLAPFrame::ApplyLayout(const TPivotLayout& layout) {
    shown();
    apply(layout, filterZone_);
}

/// Sets the layout (the pivot keeps its previous one when this one does not fit), shows it and
/// remembers it.
void TOLAPFrame::apply(const TPivotLayout& layout, std::vector<int> filterZone) {
    filtersRestored_ = false;
    {
        TWaitCursor wait;
        pivot_->SetLayout(layout);
    }
    filterZone_ = SettledFilterZone(pivot_->Layout(), std::move(filterZone));
    showPivot();
    rememberLayout(pivot_->Layout());
}

/// Filters hide rows of every figure: the note says which, where the eye is, and whether they were
/// set now or come from the remembered layout.
void TOLAPFrame::showFilterNote() {
    if (cube_ != nullptr && cube_->RowCount() == 0) {
        filterNote_->setText(emptyText());
        filterNote_->show();
        return;
    }
    const QStringList filters =
        pivot_ != nullptr ? FilterDescriptions(*cube_, pivot_->Layout()) : QStringList();
    filterNote_->setVisible(!filters.isEmpty());
    if (filters.isEmpty())
        return;
    const QString lead = filtersRestored_
                             ? QStringLiteral("Filter van de vorige keer hersteld (\"Standaardindeling\" "
                                              "zet het terug): ")
                             : QStringLiteral("Gefilterd: ");
    filterNote_->setText(lead + filters.join(QStringLiteral("; ")));
}

/// An empty pivot says why it is empty: the statistic found no rows for what it was asked.
QString TOLAPFrame::emptyText() const {
    const TResultHeading heading = headingSource_ ? headingSource_() : TResultHeading{};
    QString text = QStringLiteral("Geen gegevens voor %1")
                       .arg(heading.statistic.isEmpty() ? title() : heading.statistic);
    if (!heading.institution.isEmpty())
        text += QStringLiteral(" bij %1").arg(heading.institution);
    if (!heading.schoolYear.isEmpty())
        text += QStringLiteral(" in schooljaar %1").arg(heading.schoolYear);
    return text + u'.';
}

TResultHeading TOLAPFrame::Heading() const {
    TResultHeading heading = headingSource_ ? headingSource_() : TResultHeading{};
    if (pivot_ != nullptr)
        heading.filters = FilterDescriptions(*cube_, pivot_->Layout());
    return heading;
}

void TOLAPFrame::SetHeadingSource(std::function<TResultHeading()> source) {
    headingSource_ = std::move(source);
}

void TOLAPFrame::showPivot() {
    TWaitCursor wait;
    model_->Refresh();
    grid_->SetPivot(pivot_.get(), model_.get());
    syncControls();
    chartStale_ = true;
    if (pages_->currentIndex() == ChartPage)
        fillChart();
}

void TOLAPFrame::changeLayout(const std::function<void(TPivotLayout&)>& change) {
    TPivotLayout layout = shown().Layout();
    change(layout);
    ApplyLayout(layout);
}

void TOLAPFrame::RestoreDefinedLayout() {
    const TPivot& pivot = shown();
    widths_ = {};
    grid_->SetColumnWidths(widths_);
    rememberWidths();
    apply(DefinedLayout(pivot.Cube()), {});
    forgetLayout();
}

void TOLAPFrame::MoveDimension(int dimension, TCubeZone zone, int position) {
    const TPivot& pivot = shown();
    if (dimension < 0 || dimension >= pivot.Cube().DimensionCount())
        RaiseClientError("Kubusindeling: er is geen dimensie %d", dimension);
    const TZonedLayout moved =
        MovedDimension(pivot.Cube(), {pivot.Layout(), filterZone_}, dimension, zone, position);
    apply(moved.pivot, moved.filterZone);
}

void TOLAPFrame::EditFilter(int dimension) {
    const TPivot& pivot = shown();
    if (dimension < 0 || dimension >= pivot.Cube().DimensionCount())
        RaiseClientError("Kubusindeling: er is geen dimensie %d", dimension);
    const auto found = pivot.Layout().filters.find(dimension);
    const std::set<std::uint32_t> kept =
        found != pivot.Layout().filters.end() ? found->second : std::set<std::uint32_t>{};
    TMemberFilterDialog dialog(pivot.Cube(), dimension, kept, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const std::set<std::uint32_t> chosen = dialog.Kept();
    changeLayout([&](TPivotLayout& layout) { KeepMembers(layout, pivot.Cube(), dimension, chosen); });
}

void TOLAPFrame::ApplyValueFilter(const TValueFilter& filter) {
    const TPivot& pivot = shown();
    if (filter.dimension < 0 || filter.dimension >= pivot.Cube().DimensionCount() || filter.measure < 0 ||
        filter.measure >= pivot.Cube().MeasureCount())
        RaiseClientError("Waardefilter: er is geen dimensie %d of maat %d", filter.dimension, filter.measure);
    std::set<std::uint32_t> kept;
    {
        TWaitCursor wait;
        kept = MembersPassing(cube_, pivot.Layout(), filter);
    }
    if (kept.empty())
        RaiseClientError(
            "Geen enkel lid van %s voldoet aan dit waardefilter; de indeling blijft zoals ze was",
            DimensionCaption(pivot.Cube(), filter.dimension));
    changeLayout([&](TPivotLayout& layout) { KeepMembers(layout, pivot.Cube(), filter.dimension, kept); });
}

void TOLAPFrame::ToggleMemberAt(int row, int column) {
    const TPivot& pivot = shown();
    const QPoint origin = SpanOrigin(*model_, row, column);
    const std::optional<TMemberToggle> toggle = ToggleAt(pivot, *model_, origin.y(), origin.x());
    if (!toggle)
        return;
    changeLayout([&](TPivotLayout& layout) {
        SetCollapsed(AxisOf(layout, toggle->axis), toggle->path, !toggle->collapsed);
    });
}

void TOLAPFrame::SortRowsByColumn(int column) {
    const TPivot& pivot = shown();
    const int headerColumns = model_->HeaderColumnCount();
    if (column < headerColumns || column >= model_->columnCount())
        RaiseClientError("Kies een kolom met waarden om de rijen op te sorteren");
    const int slotCount = std::max(pivot.MeasureSlotCount(), 1);
    const int measure =
        pivot.Layout().measures.at(static_cast<std::size_t>((column - headerColumns) % slotCount));
    const TMemberPath line = pivot.Line(TPivotAxis::Columns, (column - headerColumns) / slotCount).path;
    changeLayout([&](TPivotLayout& layout) { SortRowsByMeasure(layout.rows, measure, line); });
}

std::unique_ptr<QMenu> TOLAPFrame::CellMenu(int row, int column) {
    auto menu = std::make_unique<QMenu>(this);
    connect(menu->addAction(QStringLiteral("Kopiëren")), &QAction::triggered, this,
            [this] { grid_->CopySelection(); });
    if (pivot_ == nullptr)
        return menu;
    const int headerRows = model_->HeaderRowCount();
    const int headerColumns = model_->HeaderColumnCount();
    if (column >= headerColumns && column < model_->columnCount()) {
        connect(menu->addAction(QStringLiteral("Rijen sorteren op deze kolom")), &QAction::triggered, this,
                [this, column] { RunGuarded([&] { SortRowsByColumn(column); }); });
    }
    if (row >= headerRows && column >= headerColumns) {
        connect(menu->addAction(QStringLiteral("Details tonen...")), &QAction::triggered, this,
                [this, row, column] { RunGuarded([&] { openDrillThrough(row, column); }); });
        return menu;
    }
    const QPoint origin = SpanOrigin(*model_, row, column);
    if (const std::optional<TMemberToggle> toggle = ToggleAt(*pivot_, *model_, origin.y(), origin.x())) {
        menu->addSeparator();
        connect(
            menu->addAction(toggle->collapsed ? QStringLiteral("Uitvouwen") : QStringLiteral("Samenvouwen")),
            &QAction::triggered, this,
            [this, origin] { RunGuarded([&] { ToggleMemberAt(origin.y(), origin.x()); }); });
        const TPivotAxis axis = toggle->axis;
        const int level = static_cast<int>(toggle->path.size());
        const TAxisLayout& shownAxis =
            axis == TPivotAxis::Rows ? pivot_->Layout().rows : pivot_->Layout().columns;
        const QString caption =
            pivot_->Cube().Dimension(shownAxis.dimensions[static_cast<std::size_t>(level - 1)]).def.caption;
        for (const bool collapse : {true, false}) {
            const QString text = collapse ? QStringLiteral("Alle %1 samenvouwen").arg(caption)
                                          : QStringLiteral("Alle %1 uitvouwen").arg(caption);
            connect(menu->addAction(text), &QAction::triggered, this, [this, axis, level, collapse] {
                RunGuarded([&] {
                    changeLayout([&](TPivotLayout& layout) {
                        SetLevelCollapsed(AxisOf(layout, axis), level, collapse);
                    });
                });
            });
        }
    }
    return menu;
}

std::unique_ptr<TDrillThroughDialog> TOLAPFrame::DrillThroughDialog(int row, int column) {
    const TPivot& pivot = shown();
    const int headerRows = model_->HeaderRowCount();
    const int headerColumns = model_->HeaderColumnCount();
    if (row < headerRows || column < headerColumns || row >= model_->rowCount() ||
        column >= model_->columnCount())
        RaiseClientError("Kies een cel met een waarde om de details te tonen");
    // The cube numbered the rows in the dataset's order of that moment.
    if (dataSet_ == nullptr || !dataSet_->Active() || dataSet_->order() != builtOrder_)
        RaiseClientError("De gegevens zijn gewijzigd sinds de kubus getoond werd: toon de kubus opnieuw");
    const int rowLine = row - headerRows;
    const int columnLine = (column - headerColumns) / std::max(pivot.MeasureSlotCount(), 1);
    TWaitCursor wait;
    const std::vector<std::uint32_t> rows = pivot.DrillThrough(rowLine, columnLine);
    QStringList caption;
    for (int level = 0; level < headerColumns; ++level)
        caption << PivotCellsAsText(*model_, QRect(level, row, 1, 1)).trimmed();
    for (int level = 0; level + 1 < headerRows; ++level)
        caption << PivotCellsAsText(*model_, QRect(column, level, 1, 1)).trimmed();
    caption.removeAll(QString());
    caption.erase(std::unique(caption.begin(), caption.end()), caption.end()); // a total spans its levels
    auto dialog =
        std::make_unique<TDrillThroughDialog>(CopyRows(*dataSet_, rows, SourceFieldCaptions(pivot.Cube())),
                                              caption.join(QStringLiteral(" / ")), this);
    dialog->SetContext(ContextLines(Heading()));
    return dialog;
}

/// The captions the definition gives the fields of its dimensions and of the measures that show a
/// field's values, by field name.
void TOLAPFrame::openDrillThrough(int row, int column) {
    std::unique_ptr<TDrillThroughDialog> dialog = DrillThroughDialog(row, column);
    dialog->exec();
}

/// The chart of the rows as shown (see PivotChartData), by the chosen measure; by the column field
/// as clustered or stacked bars when the user chose so and the columns have a field.
void TOLAPFrame::fillChart() {
    chartStale_ = false;
    chart_->BeginUpdate();
    chart_->Clear();
    chart_->SetSeries({}, TBarStacking::Clustered);
    chartNote_->hide();
    const bool columnsHaveAField = pivot_ != nullptr && !pivot_->Layout().columns.dimensions.empty();
    chartSeries_->setEnabled(columnsHaveAField);
    if (pivot_ != nullptr && chartMeasure_->count() > 0) {
        const auto arrangement = static_cast<TChartArrangement>(chartSeries_->currentIndex());
        const TPivotChartData data =
            PivotChartData(cube_, pivot_->Layout(), chartMeasure_->currentData().toInt(),
                           columnsHaveAField && arrangement != TChartArrangement::RowTotals, MaxChartSeries);
        showChartData(data, arrangement == TChartArrangement::Stacked ? TBarStacking::Stacked
                                                                      : TBarStacking::Clustered);
    }
    chart_->EndUpdate();
}

TBarChart* TOLAPFrame::FreshChart() {
    if (chartStale_)
        fillChart();
    return chart_;
}

void TOLAPFrame::showChartData(const TPivotChartData& data, TBarStacking stacking) {
    std::vector<TBarPainter::Series> series;
    for (int s = 0; s < data.series.size(); ++s)
        series.push_back({data.series[s], SeriesColour(s)});
    chart_->SetSeries(std::move(series), stacking);
    chart_->SetStackSumShown(data.seriesAddUp);
    for (const TPivotChartData::Bar& bar : data.bars) {
        std::vector<int> values;
        for (const double value : bar.values)
            values.push_back(static_cast<int>(std::lround(value)));
        if (data.series.isEmpty())
            chart_->AddBar(bar.label, values.front(), clBlue);
        else
            chart_->AddGroup(bar.label, std::move(values));
    }
    QString caption = chartMeasure_->currentText() + (data.percent ? QStringLiteral(" (%)") : QString());
    if (!data.series.isEmpty()) {
        QStringList fields;
        for (const int dimension : pivot_->Layout().columns.dimensions)
            fields << DimensionCaption(*cube_, dimension);
        caption += QStringLiteral(" per ") + fields.join(QStringLiteral(" / "));
    }
    chart_->SetCaption(caption);
    const bool clustered = !data.series.isEmpty() && stacking == TBarStacking::Clustered;
    const int slot =
        clustered ? std::max(ChartBarHeight, static_cast<int>(data.series.size()) * 13 + 8) : ChartBarHeight;
    const int legend = data.series.isEmpty() ? 0 : fontMetrics().height() * (1 + data.series.size() / 4) + 6;
    chart_->SetHeight(std::max(static_cast<int>(data.bars.size()) * slot + 40 + legend, 100));
    QStringList notes;
    if (data.seriesLeftOut > 0)
        notes << QStringLiteral(
                     "De grafiek toont de eerste %1 van %2 kolommen; kies er minder met een filter op "
                     "het kolomveld.")
                     .arg(data.series.size())
                     .arg(data.series.size() + data.seriesLeftOut);
    if (!data.series.isEmpty() && stacking == TBarStacking::Stacked && !data.seriesAddUp)
        notes << QStringLiteral(
                     "De delen van een gestapelde staaf tellen niet op tot het totaal van de rij: bij "
                     "%1 kan eenzelfde waarde in meer kolommen meetellen, of het is een gemiddelde, "
                     "minimum, maximum of percentage. Het totaal staat in het rooster.")
                     .arg(chartMeasure_->currentText());
    chartNote_->setText(notes.join(u'\n'));
    chartNote_->setVisible(!notes.isEmpty());
}

void TOLAPFrame::ResizeColumn(int column, int width) {
    const TPivot& pivot = shown();
    const int headerColumns = model_->HeaderColumnCount();
    if (column < 0 || column >= model_->columnCount() || width <= 0)
        return;
    if (column < headerColumns) {
        widths_.headings[column] = width;
    } else {
        const int slotCount = std::max(pivot.MeasureSlotCount(), 1);
        widths_.measures[pivot.Layout().measures.at(
            static_cast<std::size_t>((column - headerColumns) % slotCount))] = width;
    }
    grid_->SetColumnWidths(widths_);
    rememberWidths();
}

void TOLAPFrame::rememberWidths() {
    if (settings_ == nullptr || statisticKey_.isEmpty() || cube_ == nullptr)
        return;
    settings_->WriteString(WidthsSection, statisticKey_, RememberedWidthsText(*cube_, widths_));
    try {
        settings_->UpdateFile();
    } catch (const EVornError& error) {
        ReportError(error.message());
    }
}

TPivotColumnWidths TOLAPFrame::rememberedWidths(const TCube& cube) const {
    if (settings_ == nullptr || statisticKey_.isEmpty())
        return {};
    return WidthsFromRememberedText(cube, settings_->ReadString(WidthsSection, statisticKey_, QString()));
}

void TOLAPFrame::rememberLayout(const TPivotLayout& layout) {
    if (settings_ == nullptr || statisticKey_.isEmpty() || cube_ == nullptr)
        return;
    settings_->WriteString(LayoutSection, statisticKey_, RememberedLayoutText(*cube_, layout));
    try {
        settings_->UpdateFile();
    } catch (const EVornError& error) {
        ReportError(error.message()); // the pivot is shown; only remembering it failed
    }
}

void TOLAPFrame::forgetLayout() {
    if (settings_ == nullptr || statisticKey_.isEmpty())
        return;
    settings_->WriteString(LayoutSection, statisticKey_, QString());
    try {
        settings_->UpdateFile();
    } catch (const EVornError& error) {
        ReportError(error.message());
    }
}

/// The layout remembered for the statistic, read by names and labels against the definition;
/// nothing when there is none or it no longer fits (a name gone, every member of a filter gone).
std::optional<TPivotLayout> TOLAPFrame::rememberedLayout(const TCube& cube) const {
    if (settings_ == nullptr || statisticKey_.isEmpty())
        return std::nullopt;
    return LayoutFromRememberedText(cube, settings_->ReadString(LayoutSection, statisticKey_, QString()));
}

/// The statistic's name as the screen gives it, else its key.
QString TOLAPFrame::title() const {
    QString statistic = headingSource_ ? headingSource_().statistic : QString();
    if (!statistic.isEmpty())
        return statistic;
    return statisticKey_.isEmpty() ? QStringLiteral("Kubus") : statisticKey_;
}

void TOLAPFrame::WriteCsv(const QString& path) const {
    shown();
    WritePivotCsvFile(*model_, path);
    WriteContextFile(ContextFileBeside(path), ContextLines(Heading()));
}

void TOLAPFrame::WriteXlsx(const QString& path) const {
    const TPivot& pivot = shown();
    TWaitCursor wait;
    WritePivotXlsx(pivot, *model_, ContextLines(Heading()), path);
}

/// Under the title every page says what the pivot shows; the screen is the title's business.
QStringList TOLAPFrame::printedContext() const {
    TResultHeading heading = Heading();
    heading.screen.clear();
    return ContextLines(heading);
}

void TOLAPFrame::WritePdf(const QString& path, const QString& title) const {
    const TPivot& pivot = shown();
    TWaitCursor wait;
    WritePivotPdf(pivot, *model_, title, printedContext(), PivotPageLayout(settings_, statisticKey_), path);
}

void TOLAPFrame::exportTo(const QString& kind) {
    shown();
    const QString filter = kind == QStringLiteral("Csv")    ? QStringLiteral("CSV-bestand (*.csv)")
                           : kind == QStringLiteral("Xlsx") ? QStringLiteral("Excel-werkmap (*.xlsx)")
                                                            : QStringLiteral("PDF-bestand (*.pdf)");
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Kubus exporteren"),
                                                      FileNameOf(title()) + u'.' + kind.toLower(), filter);
    if (path.isEmpty())
        return;
    if (kind == QStringLiteral("Csv"))
        WriteCsv(path);
    else if (kind == QStringLiteral("Xlsx"))
        WriteXlsx(path);
    else
        WritePdf(path, title());
}

void TOLAPFrame::PrintCube() {
    PrintPivot({shown(), *model_, title(), printedContext()}, settings_, statisticKey_, this);
}

void TOLAPFrame::PreviewCube() {
    PreviewPivot({shown(), *model_, title(), printedContext()}, settings_, statisticKey_, this);
}

} // namespace vorn
