#include "frmStatsPSPop.h"

#include "telmod/common/breakdownscreen.h"

#include "host/data/errors.h"
#include "host/data/scopeguards.h"
#include "host/forms/hostservices.h"

#include <QLocale>
#include <QVBoxLayout>

namespace telmod {

using namespace vorn;

namespace {
constexpr int DesignWidth = 798;
constexpr int ChartRowHeight = 36;
// The charts' heights as the screen is designed: the least they show.
constexpr int AgeChartHeight = 351;
constexpr int ChartHeight = 347;
} // namespace

// ------------------------------------------------------------------ the screen

TStatsPSPopulatieForm::TStatsPSPopulatieForm(QWidget* parent)
    : TInstitutionDateForm(parent, true, {DesignWidth, 73, QRect(507, 40, 161, 25), QRect(683, 40, 91, 25)},
                           true, false),
      DSPopulatie(new TVornDatasource(this)) {
    Caption = QStringLiteral("Stat Personeel populatie");
    TabCaption = QStringLiteral("Personeelspopulatie");
    Group = QStringLiteral("Statistieken");
    DefaultBrowserForm = QStringLiteral("TStatBrowseInstellingenForm");
    DesignSize = QSize(DesignWidth, 518);

    CDSPopulatie.SetProviderName(QStringLiteral("DSPStatPSPopulatie"));
    CDSPopulatie.AutoOpen = false;
    CDSPopulatie.LastInsertIDToMaster = true;
    CDSPopulatie.MaxErrors = 0;
    CDSPopulatie.Params().CreateParam(TFieldType::Integer, QStringLiteral("IS_ID"));
    CDSPopulatie.Params().CreateParam(TFieldType::DateTime, QStringLiteral("WerkDatum"));
    CDSPopulatie.AddField(FieldDef::date("PS_GEBOORTEDATUM"));
    CDSPopulatie.AddField(FieldDef::wideString("PS_GESLACHT", 1));
    CDSPopulatie.AddField(FieldDef::integer("PS_ID"));
    DSPopulatie->SetDataSet(&CDSPopulatie);
    RegisterDataSet(&CDSPopulatie);

    Label1 = new TVornLabel(QStringLiteral("Granulariteit"), PTop);
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    SEScale = new TVornSpinEdit(1, 10, 5, PTop);
    SEScale->setObjectName(QStringLiteral("SEScale"));
    // Typing "10" counts once, not for the "1" on the way there; the arrows still count at once.
    SEScale->setKeyboardTracking(false);
    PTop->Place(Label1, QRect(208, 40, 89, 25));
    PTop->Place(SEScale, QRect(304, 40, 73, 25));
    Label1->setBuddy(SEScale);
    setTabOrder(LEinstelling, DEDate);
    setTabOrder(DEDate, BFetch);
    setTabOrder(BFetch, CBView);
    setTabOrder(CBView, SEScale);
    ChainComparisonTabOrder(SEScale);
    connect(SEScale, &QSpinBox::valueChanged, this,
            [this] { RunGuarded([this] { SEScaleChange(SEScale); }); });

    PCViews = new TVornPageControl;
    PCViews->SetTabsVisible(false);
    PCGrids = new TVornPageControl;
    PCStats = new TVornPageControl;
    PCViews->setObjectName(QStringLiteral("PCViews"));
    PCGrids->setObjectName(QStringLiteral("PCGrids"));
    PCStats->setObjectName(QStringLiteral("PCStats"));
    PCViews->addTab(PCGrids, QStringLiteral("TSGrids"));
    PCViews->addTab(PCStats, QStringLiteral("TSBars"));
    GPerVak = new TVornDBgrid;
    GPerVak->GetActiveDBView()->SetDataSource(DSPopulatie);
    GPerVak->GetActiveDBView()->AddColumn({"PS_GEBOORTEDATUM", "Geborrtedatum", 0});
    GPerVak->GetActiveDBView()->AddColumn({"PS_GESLACHT", "Geslacht", 59});
    PCGrids->addTab(GPerVak, QStringLiteral("Ruwe data"));
    const auto addChart = [this](const QString& tab, const QString& caption, int height) {
        auto* box = new TVornScrollBox;
        auto* chart = new TBarChart;
        chart->SetCaption(caption);
        chart->SetShowCaption(true);
        chart->SetHeight(height);
        box->setWidget(chart);
        PCStats->addTab(box, tab);
        return chart;
    };
    BCPerLeeftijd = addChart(QStringLiteral("leeftijd"),
                             QStringLiteral("Personeelsleden in leeftijdscategorie"), AgeChartHeight);
    BCPerGeslacht = addChart(QStringLiteral("Geslachten"), QStringLiteral("Per geslacht"), ChartHeight);
    BCPerGeslachtLeeftijd =
        addChart(QStringLiteral("Geslacht/Leeftijd"), QStringLiteral("Per geslacht/leeftijd"), ChartHeight);
    PCViews->SetActivePageIndex(1);
    LayOut(PCViews);

    OnCreate = [this](QObject* sender) { VornDBFormCreate(sender); };
}

TResultControls TStatsPSPopulatieForm::ResultControls() const {
    TResultControls controls = TInstitutionDateForm::ResultControls();
    controls.scale = SEScale;
    return controls;
}

const TFormClass& TStatsPSPopulatieForm::Class() {
    static const TFormClass formClass(QStringLiteral("TStatsPSPopulatieForm"),
                                      [] { return new TStatsPSPopulatieForm; });
    return formClass;
}

void TStatsPSPopulatieForm::VornDBFormCreate(QObject*) {
    StartOnWorkDate();
    FDatasets = {&CDSPopulatie, nullptr, nullptr};
    FBarCharts = {BCPerLeeftijd, BCPerGeslacht, BCPerGeslachtLeeftijd};
}

void TStatsPSPopulatieForm::AFetchExecute(QObject*) {
    BusyScope busy(QStringLiteral("Ophalen van de personeelsleden"));
    CloseDatasets();
    OpenDatasets();
    FillCharts();
}

int TStatsPSPopulatieForm::designedHeight(const TBarChart& chart) const {
    return &chart == BCPerLeeftijd ? AgeChartHeight : ChartHeight;
}

void TStatsPSPopulatieForm::SEScaleChange(QObject*) {
    // Before the first fetch there are no rows to count again: nothing happens.
    if (!CDSPopulatie.Active())
        return;
    // The other date's bands are counted from its own rows: both are fetched again.
    if (FComparison.Shown())
        RunFetch(SEScale);
    else
        FillCharts();
}

std::vector<TBarChart*> TStatsPSPopulatieForm::ComparedCharts() const {
    return {BCPerLeeftijd, BCPerGeslacht, BCPerGeslachtLeeftijd};
}

QString TStatsPSPopulatieForm::ComparisonRemark() const {
    return QStringLiteral("\"Ruwe data\" toont de personeelsleden op de gekozen datum.");
}

void TStatsPSPopulatieForm::CloseDatasets() {
    for (TVornClientDataSet* dataSet : FDatasets)
        if (dataSet != nullptr)
            dataSet->Close();
}

void TStatsPSPopulatieForm::OpenDatasets() {
    for (TVornClientDataSet* dataSet : FDatasets)
        if (dataSet != nullptr)
            OpenForInstitutionOnDate(*dataSet, FISID, FDate);
}

void TStatsPSPopulatieForm::FillCharts() {
    for (std::size_t slot = 0; slot < FBarCharts.size(); ++slot) {
        FBarCharts[slot]->Clear();
        FBarCharts[slot]->BeginUpdate();
        if (FDatasets[slot] != nullptr)
            FDatasets[slot]->DisableControls();
    }
    const auto finish = [this] {
        for (std::size_t slot = 0; slot < FBarCharts.size(); ++slot) {
            TBarChart& chart = *FBarCharts[slot];
            chart.EndUpdate();
            // A wider band gives fewer bars: the chart fits them again instead of keeping the height
            // of the narrowest band it once showed, never below its designed height.
            chart.SetHeight(std::max(chart.BarCount() * ChartRowHeight, designedHeight(chart)));
            if (FDatasets[slot] != nullptr)
                FDatasets[slot]->EnableControls();
        }
    };
    const TOnExit finished(finish);
    TPopulationCounts counts;
    CountPopulation(CDSPopulatie, DateTimeToDate(FDate).year(), SEScale->GetI(), counts);
    const std::array<std::pair<TCountList*, TBarChart*>, 3> targets{
        {{&counts.bands, BCPerLeeftijd},
         {&counts.sexes, BCPerGeslacht},
         {&counts.bandSexes, BCPerGeslachtLeeftijd}}};
    for (const auto& [list, chart] : targets)
        for (int i = list->Count() - 1; i >= 0; --i)
            chart->AddBar(list->Key(i), list->Object(i)->FCount, clBlue);
}

} // namespace telmod
