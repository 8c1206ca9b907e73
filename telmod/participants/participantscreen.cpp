#include "participantscreen.h"

#include "periodpresets.h"

#include "telmod/common/breakdownscreen.h"

#include "host/data/errors.h"
#include "host/data/inifile.h"
#include "host/data/schoolyear.h"
#include "host/data/scopeguards.h"
#include "host/forms/hostservices.h"

#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace telmod {

using namespace vorn;

namespace {
constexpr int DesignWidth = 701;
constexpr int TopBarHeight = 125;
constexpr int ComparisonTop = 94;
constexpr int TotalsHeight = 24;
constexpr int DesignedChartHeight = 397;
const QString SettingsSection = QStringLiteral("Settings");
} // namespace

TParticipantStatsForm::TParticipantStatsForm(QWidget* parent, const ParticipantTopBar& topBar,
                                             const std::vector<CategoryPage>& pages)
    : TVornDBForm(parent), DSSelectInstelling(new TVornDatasource(this)) {
    TabCaption = QStringLiteral("Cursistenstatistieken per instelling");
    Group = QStringLiteral("Statistieken");
    DesignSize = QSize(DesignWidth, 571);
    SaveOnPrint = true;

    AttachInstitutionList(*this, CDSSelectInstelling, *DSSelectInstelling, false);

    buildTopBar(topBar);
    buildPages(pages);
    PTotalen = new TVornLabel;
    PTotalen->setObjectName(QStringLiteral("PTotalen"));
    PTotalen->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PTotalen->setWordWrap(false);
    PTotalen->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A large centre's totals are longer than the window is wide: they scroll instead of being cut.
    auto* totals = new QScrollArea(this);
    totals->setObjectName(QStringLiteral("SBTotalen"));
    totals->setFrameShape(QFrame::NoFrame);
    totals->setWidgetResizable(true);
    totals->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    totals->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    totals->setWidget(PTotalen);
    totals->setFixedHeight(TotalsHeight + totals->horizontalScrollBar()->sizeHint().height());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(PTop);
    layout->addWidget(PCViews, 1);
    layout->addWidget(totals);
    connectHandlers();
}

void TParticipantStatsForm::buildTopBar(const ParticipantTopBar& topBar) {
    PTop = new TVornPanel(this, DesignWidth);
    PTop->setObjectName(QStringLiteral("PTop"));
    PTop->setFixedHeight(TopBarHeight);
    const InstitutionChoice institution = BuildInstitutionChoice(PTop, DSSelectInstelling);
    LLEinstelling = institution.caption;
    LEinstelling = institution.lookup;
    LInstelling = institution.name;
    InitialFocus = LEinstelling;

    LEVanafDatum = new TVornLabel(QStringLiteral("&Vanaf"), PTop);
    LEVanafDatum->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    EVanafDatum = new TVornDateEdit(PTop, topBar.dateButtons, topBar.dateButtons);
    EVanafDatum->setObjectName(QStringLiteral("EVanafDatum"));
    LEVanafDatum->setBuddy(EVanafDatum->Editor());
    LETotDatum = new TVornLabel(QStringLiteral("&Tot en met"), PTop);
    LETotDatum->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ETotDatum = new TVornDateEdit(PTop, topBar.dateButtons, topBar.dateButtons);
    ETotDatum->setObjectName(QStringLiteral("ETotDatum"));
    LETotDatum->setBuddy(ETotDatum->Editor());

    CBView = new TVornCheckBox(QStringLiteral("Grafische voorstelling:"), PTop);
    CBView->setObjectName(QStringLiteral("CBView"));
    CBView->setChecked(true);
    CBStatType = new TVornComboBox(PTop);
    CBStatType->setObjectName(QStringLiteral("CBStatType"));
    CBStatType->addItems(topBar.figures);
    CBStatType->setMaxVisibleItems(topBar.statTypeRows);
    CBStatType->SetItemIndex(-1);

    ActionList1 = new TVornActionList(this);
    AFetch = ActionList1->Add(QStringLiteral("&Ophalen"));
    AFetch->setEnabled(false); // until the first idle update says otherwise
    BFetch = new TVornButton(PTop);
    BFetch->setObjectName(QStringLiteral("BFetch"));
    BFetch->SetAction(AFetch);

    BPeriodes = new QToolButton(PTop);
    BPeriodes->setObjectName(QStringLiteral("BPeriodes"));
    BPeriodes->setText(QStringLiteral("&Periode"));
    BPeriodes->setToolTip(QStringLiteral("Een vaak gebruikte periode kiezen"));
    BPeriodes->setPopupMode(QToolButton::InstantPopup);
    BPeriodes->setFocusPolicy(Qt::StrongFocus);
    auto* presets = new QMenu(BPeriodes);
    // The periods are worked out when the menu opens: a screen may stay open past midnight.
    connect(presets, &QMenu::aboutToShow, this, [this, presets] { FillPeriodMenu(*presets); });
    BPeriodes->setMenu(presets);

    placeTopBar(topBar);
    Comparison = new TComparisonBar(PTop, ComparisonTop, true);
}

void TParticipantStatsForm::FillPeriodMenu(QMenu& menu) {
    menu.clear();
    for (const TPeriodPreset& preset : PeriodPresets(vorn::Today())) {
        const QString text =
            QStringLiteral("%1\t%2 – %3")
                .arg(preset.caption, vorn::DateTimeToDate(preset.from).toString("dd/MM/yyyy"),
                     vorn::DateTimeToDate(preset.to).toString("dd/MM/yyyy"));
        menu.addAction(text, this, [this, preset] {
            vorn::RunGuarded([&] {
                EVanafDatum->SetDate(preset.from);
                ETotDatum->SetDate(preset.to);
            });
        });
    }
}

void TParticipantStatsForm::PlacePeriodPresets(int left) {
    PTop->Place(BPeriodes, QRect(left, 33, BPeriodes->sizeHint().width() + 14, 25));
    setTabOrder(BPeriodes, Comparison->CBVergelijk);
    setTabOrder(Comparison->CBVergelijk, Comparison->EVergelijkVanaf);
    setTabOrder(Comparison->EVergelijkVanaf, Comparison->EVergelijkTot);
    setTabOrder(Comparison->EVergelijkTot, Comparison->BKolommen);
}

void TParticipantStatsForm::placeTopBar(const ParticipantTopBar& topBar) {
    PTop->Place(LLEinstelling, QRect(8, 6, 65, 24));
    PTop->Place(LEinstelling, QRect(80, 8, 121, 24));
    PTop->Place(LInstelling, QRect(208, 8, 465, 24), TVornPanel::akLeftRight);
    PTop->Place(LEVanafDatum, QRect(9, 33, 65, 24));
    PTop->Place(EVanafDatum, QRect(79, 35, topBar.dateWidth, 24));
    const int totLabelLeft = 79 + topBar.dateWidth + 6;
    PTop->Place(LETotDatum, QRect(totLabelLeft, 33, 76, 24));
    PTop->Place(ETotDatum, QRect(totLabelLeft + 82, 35, topBar.dateWidth, 24));
    // The check box keeps its whole caption readable; the figure list starts after it.
    const int viewWidth = std::max(161, CBView->sizeHint().width());
    PTop->Place(CBView, QRect(78, 62, viewWidth, 24));
    PTop->Place(CBStatType, QRect(std::max(topBar.statTypeLeft, 78 + viewWidth + 6), 62, 286, 24));
    PTop->Place(BFetch, QRect(592, 60, 83, 25), TVornPanel::akRight);
}

void TParticipantStatsForm::buildPages(const std::vector<CategoryPage>& pages) {
    PCViews = new TVornPageControl;
    PCGrids = new TVornPageControl;
    PCStats = new TVornPageControl;
    PCViews->setObjectName(QStringLiteral("PCViews"));
    PCGrids->setObjectName(QStringLiteral("PCGrids"));
    PCStats->setObjectName(QStringLiteral("PCStats"));
    PCViews->SetTabsVisible(false);
    PCViews->addTab(PCGrids, QStringLiteral("TSGrids"));
    PCViews->addTab(PCStats, QStringLiteral("TSBars"));
    for (const CategoryPage& page : pages) {
        auto table = std::make_unique<TVornClientDataSet>(QString::fromLatin1(page.table));
        table->AutoOpen = false;
        table->SkipConfirmation = true;
        table->AutoCommit = false;
        RegisterDataSet(table.get());
        auto* source = new TVornDatasource(this);
        source->setObjectName(QString::fromLatin1(page.dataSource));
        source->SetDataSet(table.get());
        CategoryTables.push_back(std::move(table));

        auto* grid = new TVornDBgrid;
        grid->setObjectName(QString::fromLatin1(page.grid));
        grid->GetActiveDBView()->setObjectName(QString::fromLatin1(page.view));
        grid->GetActiveDBView()->SetDataSource(source);
        for (const TGridColumn& column : page.columns)
            grid->GetActiveDBView()->AddColumn(column);
        PCGrids->addTab(grid, QString::fromUtf8(page.gridCaption));
        Grids.push_back(grid);

        auto* box = new TVornScrollBox;
        box->setObjectName(QString::fromLatin1(page.scrollBox));
        auto* chart = new TBarChart;
        chart->setObjectName(QString::fromLatin1(page.chart));
        chart->SetCaption(QString::fromUtf8(page.chartTitle));
        chart->SetShowCaption(page.titleShown);
        chart->SetHeight(DesignedChartHeight);
        box->setWidget(chart);
        const int tab = PCStats->addTab(box, QString::fromUtf8(page.chartCaption));
        if (page.chartTabHidden)
            PCStats->setTabVisible(tab, false);
        Charts.push_back(chart);
    }
    PCViews->SetActivePageIndex(1);
}

void TParticipantStatsForm::connectHandlers() {
    OnCreate = [this](QObject* sender) { VornDBFormCreate(sender); };
    OnSetMasterBrowser = [this](QObject* sender, QObject* master) {
        VornDBFormSetMasterBrowser(sender, master);
    };
    OnCanEdit = Noedits;
    OnCanInsert = Noedits;
    OnCanDelete = Noedits;
    OnSaveSettings = [this](TVornIniFile& settings) { VornDBFormSaveSettings(settings); };
    OnRestoreSettings = [this](TVornIniFile& settings) { VornDBFormRestoreSettings(settings); };
    OnBeforePrint = [this](QObject* sender, const QString& report, bool& permission) {
        QString description = report;
        VornDBFormBeforePrint(sender, description, permission);
    };
    PrintsShownGrids = [this] { return FTrend.Shown(); };
    OnGetPrintParams = [this](QObject* sender, const QString& report, QStringList& params) {
        VornDBFormGetPrintParams(sender, report, params);
    };
    AfterPrint = [this](QObject* sender, const QString& report, const QStringList& params) {
        VornDBFormAfterPrint(sender, report, params);
    };
    AFetch->OnExecute = [this](QObject* sender) { AFetchExecute(sender); };
    AFetch->OnUpdate = [this](QObject* sender) { AFetchUpdate(sender); };
    connect(LEinstelling, &TVornLookupEdit::changed, this,
            [this] { RunGuarded([this] { LEinstellingChange(LEinstelling); }); });
    connect(EVanafDatum, &TVornDateEdit::changed, this, [this] { EVanafDatumChange(EVanafDatum); });
    connect(EVanafDatum->Editor(), &TVornDateEditor::dateTyped, this, [this] { TellWhereThePeriodEnds(); });
    connect(ETotDatum, &TVornDateEdit::changed, this, [this] { ETotDatumChange(ETotDatum); });
    connect(CBView, &QCheckBox::toggled, this, [this] { CBViewClick(CBView); });
    connect(CBStatType, &QComboBox::currentIndexChanged, this,
            [this] { RunGuarded([this] { CBStatTypeChange(CBStatType); }); });
    connect(Comparison, &TComparisonBar::columnsChanged, this,
            [this] { RunGuarded([this] { FComparison.ShowColumns(Comparison->HiddenFigures()); }); });
}

void TParticipantStatsForm::VornDBFormCreate(QObject*) {
    PCViews->SetActivePageIndex(1);
    EVanafDatum->SetDate(Host().WerkDatum());
    EVanafDatumChange(EVanafDatum);
    ETotDatum->SetDate(Host().WerkDatum());
    ETotDatumChange(ETotDatum);
    FISID = -1;
    FJobID = -1;
    CreateCategoryLists();
    FLesplaatsen.Clear();
}

TResultControls TParticipantStatsForm::ResultControls() const {
    TResultControls controls;
    controls.screenCaption = TabCaption;
    controls.institution = LEinstelling;
    controls.from = EVanafDatum;
    controls.to = ETotDatum;
    controls.figure = CBStatType;
    controls.fetch = AFetch;
    controls.grids = PCGrids;
    controls.charts = PCStats;
    controls.totals = PTotalen;
    controls.compare = Comparison->CBVergelijk;
    controls.compareFrom = Comparison->EVergelijkVanaf;
    controls.compareTo = Comparison->EVergelijkTot;
    controls.trendYears = Comparison->SEJaren;
    controls.trendTop = Comparison->SEGrootste;
    return controls;
}

void TParticipantStatsForm::VornDBFormSetMasterBrowser(QObject*, QObject* masterDataSource) {
    UseMasterInstitutionList(*this, *LEinstelling, CDSSelectInstelling, masterDataSource);
}

void TParticipantStatsForm::Noedits(TVornClientDataSet*, bool& allowed) {
    allowed = false;
}

void TParticipantStatsForm::LEinstellingChange(QObject*) {
    FISID = static_cast<int>(LEinstelling->GetLookupID());
    TVornDatasource* list = LEinstelling->ListSource();
    if (list == nullptr || list->DataSet() == nullptr)
        return;
    FSCID = list->DataSet()->FieldByName(QStringLiteral("SC_ID")).AsInteger();
}

void TParticipantStatsForm::EVanafDatumChange(QObject*) {
    FVanaf = EVanafDatum->Date();
    Comparison->Follow({FVanaf, FTot});
}

/// Tab goes from "Vanaf" to the check box, past "Tot en met": after a typed start the end is said
/// out loud, so that an old end date is never kept unseen.
void TParticipantStatsForm::TellWhereThePeriodEnds() {
    const TDateTime from = EVanafDatum->Date();
    const TDateTime to = ETotDatum->Date();
    if (!IsDateSet(from))
        return;
    const QString end =
        IsDateSet(to) ? DateTimeToDate(to).toString(QStringLiteral("dd/MM/yyyy")) : QStringLiteral("leeg");
    ETotDatum->Editor()->ShowNote(
        IsDateSet(to) && to < from
            ? QStringLiteral("Tot en met (%1) ligt voor Vanaf: kijk de periode na (Alt+T).").arg(end)
            : QStringLiteral("Tot en met blijft %1 (Alt+T om te wijzigen).").arg(end));
}

void TParticipantStatsForm::ETotDatumChange(QObject*) {
    FTot = ETotDatum->Date();
    Comparison->Follow({FVanaf, FTot});
}

void TParticipantStatsForm::AFetchUpdate(QObject* sender) {
    qobject_cast<QAction*>(sender)->setEnabled(FISID != -1 && FVanaf != NoDate && FTot != NoDate);
}

void TParticipantStatsForm::AFetchExecute(QObject*) {
    BusyScope busy(QStringLiteral("Ophalen van de cursistenstatistieken"));
    const TDateSpan own{FVanaf, FTot};
    // A comparison that cannot be made is refused before anything shown changes.
    const TDateSpan other = Comparison->Active() ? Comparison->OtherFor(own) : TDateSpan{};
    if (Comparison->Trend())
        CheckTrendYears(own, Comparison->SEJaren->GetI());
    FComparison.Restore();
    FTrend.Restore();
    FComparedWith.reset();
    Comparison->LVergelijkNoot->clear();
    if (Comparison->Trend()) {
        FetchTrend(own);
        return;
    }
    if (Comparison->Active()) {
        // The other period first, so that the lists left for printing are those of the screen's own.
        FetchAndCount(other);
        FComparison.KeepOther(ComparedPages(other), PTotalen->text());
    }
    FetchAndCount(own);
    if (Comparison->Active()) {
        ShowComparison(other);
        FComparedWith = other;
    }
}

void TParticipantStatsForm::FetchAndCount(const TDateSpan& span) {
    const TDateSpan own{FVanaf, FTot};
    const TOnExit restore([this, own] {
        FVanaf = own.from;
        FTot = own.to;
    });
    FVanaf = span.from;
    FTot = span.to;
    ClearStats();
    CloseDatasets();
    OpenDatasets();
    FillCharts();
}

void TParticipantStatsForm::FetchTrend(const TDateSpan& own) {
    const int years = Comparison->SEJaren->GetI();
    for (int back = years - 1; back >= 1; --back) {
        const TDateSpan earlier = YearsEarlier(own, back);
        FetchAndCount(earlier);
        FTrend.KeepYear(ComparedPages(earlier), SchoolYearCaption(earlier.from), PTotalen->text());
    }
    FetchAndCount(own);
    FTrend.Show(ComparedPages(own), SchoolYearCaption(own.from), PTotalen->text(),
                FigureFields().value(ChosenFigure()), Comparison->SEGrootste->GetI());
    DisplayCharts();
    QString note =
        QStringLiteral("Verloop over %1 schooljaren (%2 tot en met %3): het totaal en de %4 grootste "
                       "van %3.")
            .arg(years)
            .arg(SchoolYearCaption(YearsEarlier(own, years - 1).from), SchoolYearCaption(own.from))
            .arg(Comparison->SEGrootste->GetI());
    note += QStringLiteral(" Klassen staan alleen in hun eigen schooljaar.");
    Comparison->LVergelijkNoot->setText(note);
    Comparison->LVergelijkNoot->setToolTip(note);
}

std::vector<TComparedPage> TParticipantStatsForm::ComparedPages(const TDateSpan& other) const {
    // A class is a class of one school year: the same code another year is another class.
    const bool sameSchoolYear = GetSchooljaarFrom(other.from) == GetSchooljaarFrom(FVanaf);
    std::vector<TComparedPage> pages;
    for (std::size_t i = 0; i < CategoryTables.size(); ++i) {
        TVornClientDataSet& table = *CategoryTables[i];
        TComparedPage page;
        page.grid = Grids[i];
        page.table = &table;
        page.chart = Charts[i];
        page.layout.matchFields = {QStringLiteral("Code")};
        page.layout.fallbackFields = {QStringLiteral("Omschrijving")};
        page.layout.labelFields = {QStringLiteral("ID"), QStringLiteral("Code"),
                                   QStringLiteral("Omschrijving")};
        page.layout.idField = QStringLiteral("ID");
        for (int field = 0; field < table.FieldCount(); ++field)
            if (IsIntegerType(table.Fields(field).DataType()) && table.Fields(field).Visible())
                page.layout.figureFields << table.Fields(field).FieldName();
        page.layout.matchable = sameSchoolYear || table.Name() != QLatin1String("CDSStatKlas");
        page.barLabelFields = {QStringLiteral("Omschrijving"), QStringLiteral("Code")};
        pages.push_back(page);
    }
    return pages;
}

void TParticipantStatsForm::ShowComparison(const TDateSpan& other) {
    const std::vector<TComparedPage> pages = ComparedPages(other);
    FComparison.Show(pages, Comparison->HiddenFigures());
    Comparison->OfferFigures(FComparison.FigureCaptions());
    DisplayCharts();
    PTotalen->setText(FComparison.TotalsLine(PTotalen->text()));
    QString note =
        FComparison.OtherHasRows()
            ? QStringLiteral("Vergeleken met %1 (schooljaar %2-%3).")
                  .arg(SpanText(other, true))
                  .arg(GetSchooljaarFrom(other.from))
                  .arg(GetSchooljaarFrom(other.from) + 1)
            : QStringLiteral("Geen cursisten bij deze instelling in %1: de vergelijking blijft leeg.")
                  .arg(SpanText(other, true));
    const bool classesApart = std::any_of(pages.begin(), pages.end(),
                                          [](const TComparedPage& page) { return !page.layout.matchable; });
    if (classesApart)
        note +=
            QStringLiteral(" Klassen van een ander schooljaar worden niet vergeleken: een klascode is elk "
                           "jaar een andere klas.");
    Comparison->LVergelijkNoot->setText(note);
    Comparison->LVergelijkNoot->setToolTip(note);
}

void TParticipantStatsForm::CheckView() {
    PCViews->SetActivePageIndex(CBView->Checked() ? 1 : 0);
    CBStatType->setEnabled(CBView->Checked());
}

void TParticipantStatsForm::CBViewClick(QObject*) {
    CheckView();
}

void TParticipantStatsForm::CBStatTypeChange(QObject*) {
    if (CDSAllStats.Active())
        DisplayCharts();
}

int TParticipantStatsForm::ChosenFigure() const {
    // While no figure is chosen the charts show the first one.
    return CBStatType->ItemIndex() < 0 ? 0 : CBStatType->ItemIndex();
}

QString TParticipantStatsForm::ChartCaptionOf(int page, int figure) const {
    return ChartCaption(CBStatType->itemText(figure), PCStats->tabText(page));
}

void TParticipantStatsForm::DisplayCharts() {
    const int figure = ChosenFigure();
    if (FTrend.Shown()) {
        FTrend.Redraw(FigureFields().value(figure), Comparison->SEGrootste->GetI());
        for (int page = 0; page < static_cast<int>(Charts.size()); ++page)
            Charts[static_cast<std::size_t>(page)]->SetCaption(ChartCaptionOf(page, figure));
        return;
    }
    if (!FComparison.Shown()) {
        for (int page = 0; page < static_cast<int>(Charts.size()); ++page)
            ShowPageChart(page, figure);
        return;
    }
    const TDateSpan other{Comparison->EVergelijkVanaf->Date(), Comparison->EVergelijkTot->Date()};
    FComparison.DrawCharts(FigureFields().value(figure), SpanText({FVanaf, FTot}, true),
                           SpanText(other, true), 2 * ParticipantBarHeight);
    for (int page = 0; page < static_cast<int>(Charts.size()); ++page)
        Charts[static_cast<std::size_t>(page)]->SetCaption(ChartCaptionOf(page, figure));
}

TVornClientDataSet& TParticipantStatsForm::CategoryTable(const char* name) const {
    for (const auto& table : CategoryTables)
        if (table->Name() == QLatin1String(name))
            return *table;
    RaiseClientError("Onbekende categorietabel %s", QString::fromLatin1(name));
}

void TParticipantStatsForm::CompleteGridColumns() {
    for (TVornDBgrid* grid : Grids)
        grid->GetActiveDBView()->CreateAllItems(true);
}

void TParticipantStatsForm::WriteTotals(TVornClientDataSet& table, const TotalsHook& replace) {
    QString text;
    for (int i = 0; i < table.Aggregates().Count(); ++i) {
        const TAggregate& sum = table.Aggregates().Items(i);
        if (!text.isEmpty())
            text += QStringLiteral("    ");
        const QString label = table.FieldByName(sum.AggregateName.mid(5)).DisplayLabel();
        if (replace && replace(label, text))
            continue;
        const QVariant value = sum.Value();
        text += label + QStringLiteral(": ") + QString::number(value.isNull() ? 0 : value.toLongLong());
    }
    PTotalen->setText(QStringLiteral("Totalen :    ") + text);
}

void TParticipantStatsForm::DisplayTotalen(TVornClientDataSet& table) {
    WriteTotals(table, {});
}

void TParticipantStatsForm::VornDBFormSaveSettings(TVornIniFile& settings) {
    settings.WriteBool(SettingsSection, QStringLiteral("Graphical"), CBView->Checked());
    settings.WriteInteger(SettingsSection, QStringLiteral("StatType"), CBStatType->ItemIndex());
    Comparison->Save(settings, SettingsSection);
}

void TParticipantStatsForm::VornDBFormRestoreSettings(TVornIniFile& settings) {
    CBView->SetChecked(settings.ReadBool(SettingsSection, QStringLiteral("Graphical"), CBView->Checked()));
    CheckView();
    CBStatType->SetItemIndex(
        settings.ReadInteger(SettingsSection, QStringLiteral("StatType"), CBStatType->ItemIndex()));
    if (CBStatType->ItemIndex() == -1)
        CBStatType->SetItemIndex(0);
    Comparison->Restore(settings, SettingsSection);
}

std::vector<TGridColumn> BranchColumns() {
    return {{QStringLiteral("IS_CODE"), {}, 0},
            {QStringLiteral("VP_CODE"), {}, 0},
            {QStringLiteral("VP_NAAM"), {}, 0},
            {QStringLiteral("VP_ID"), {}, 0}};
}

void DeclareBranchList(TVornClientDataSet& branches) {
    branches.SetProviderName(QStringLiteral("DSPBrowseVestigingsPlaats"));
    branches.AutoOpen = false;
    branches.IDField = QStringLiteral("VP_ID");
    branches.SortFields = QStringLiteral("VP_CODE");
    branches.Params().CreateParam(TFieldType::Integer, QStringLiteral("IS_ID"));
    branches.AddField(FieldDef::string("IS_CODE", 5).req());
    branches.AddField(FieldDef::string("VP_CODE", 3).req());
    branches.AddField(FieldDef::string("VP_NAAM", 80));
    branches.AddField(FieldDef::integer("VP_ID").req());
}

NameList BranchNames(TVornClientDataSet& branches) {
    return {&branches, {}, FieldText(QStringLiteral("VP_CODE")), FieldText(QStringLiteral("VP_NAAM"))};
}

void OpenForPeriod(TVornClientDataSet& dataSet, const QString& idParam, int id, TDateTime from,
                   TDateTime to) {
    dataSet.ParamByName(idParam).SetAsInteger(id);
    dataSet.ParamByName(QStringLiteral("BeginDatum")).SetAsDateTime(from);
    dataSet.ParamByName(QStringLiteral("EindDatum")).SetAsDateTime(to);
    dataSet.Open();
}

} // namespace telmod
