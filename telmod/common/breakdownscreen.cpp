#include "breakdownscreen.h"

#include "host/data/clientdataset.h"
#include "host/data/errors.h"
#include "host/data/scopeguards.h"
#include "host/forms/hostservices.h"

namespace telmod {

using namespace vorn;

InstitutionChoice BuildInstitutionChoice(TVornPanel* panel, TVornDatasource* list) {
    InstitutionChoice choice{new TVornLabel(QStringLiteral("&Instelling"), panel), new TVornLookupEdit(panel),
                             new TVornLabel(panel)};
    choice.caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    choice.lookup->setObjectName(QStringLiteral("LEinstelling"));
    choice.lookup->SetDropDownWidth(450);
    choice.name->setObjectName(QStringLiteral("LInstelling"));
    InitInstellingLookup(*choice.lookup, list);
    choice.lookup->SetAssociatedLabel(choice.name, QStringLiteral("IS_NAAMGEBRUIKER"));
    choice.caption->setBuddy(choice.lookup);
    return choice;
}

void DeclareInstitutionList(TVornClientDataSet& list, bool autoOpen) {
    list.SetProviderName(QStringLiteral("DSPSelectIS"));
    list.AutoOpen = autoOpen;
    list.LastInsertIDToMaster = true;
    list.AddField(FieldDef::integer("IS_ID").label("ID").req());
    list.AddField(FieldDef::wideString("IS_CODE", 5).label("Code").req());
    list.AddField(FieldDef::wideString("IS_NAAMGEBRUIKER", 80).label("Naam gebruiker"));
    list.AddField(FieldDef::wideString("SC_INSTELLINGSNUMMER", 6).label("Instellingsnummer").req());
    list.AddField(FieldDef::wideString("SC_HOOFDSTRUCTUUR", 10).req());
    list.AddField(FieldDef::integer("SC_INRICHTENDEMACHT_FK").req());
}

void AttachInstitutionList(TVornDBForm& screen, TVornClientDataSet& list, TVornDatasource& source,
                           bool autoOpen) {
    DeclareInstitutionList(list, autoOpen);
    screen.RegisterDataSet(&list);
    source.setObjectName(QStringLiteral("DSSelectInstelling"));
    source.SetDataSet(&list);
    screen.MainDataSource = &source;
}

void UseMasterInstitutionList(TVornDBForm& screen, TVornLookupEdit& lookup, TVornClientDataSet& ownList,
                              QObject* masterDataSource) {
    auto* source = qobject_cast<TVornDatasource*>(masterDataSource);
    if (source == nullptr)
        RaiseClientError("Ongeldige gegevensbron voor de lijst van instellingen");
    InitInstellingLookup(lookup, source);
    ownList.SetMasterdataSource(nullptr);
    screen.SetMainDataSource(nullptr);
}

void OpenForInstitutionOnDate(TVornClientDataSet& dataSet, int institution, TDateTime date) {
    if (TParam* param = dataSet.Params().FindParam(QStringLiteral("IS_ID")))
        param->SetAsInteger(institution);
    if (TParam* param = dataSet.Params().FindParam(QStringLiteral("WerkDatum")))
        param->SetAsDateTime(date);
    dataSet.Open();
}

BreakdownViews BuildBreakdownViews(const std::vector<BreakdownPages>& pages) {
    BreakdownViews views{new TVornPageControl, new TVornPageControl, new TVornPageControl, {}, {}};
    views.PCViews->setObjectName(QStringLiteral("PCViews"));
    views.PCGrids->setObjectName(QStringLiteral("PCGrids"));
    views.PCStats->setObjectName(QStringLiteral("PCStats"));
    views.PCViews->SetTabsVisible(false);
    views.PCViews->addTab(views.PCGrids, QStringLiteral("TSGrids"));
    views.PCViews->addTab(views.PCStats, QStringLiteral("TSBars"));
    for (const BreakdownPages& page : pages) {
        auto* grid = new TVornDBgrid;
        grid->GetActiveDBView()->SetDataSource(page.source);
        for (const TGridColumn& column : page.columns)
            grid->GetActiveDBView()->AddColumn(column);
        views.PCGrids->addTab(grid, page.gridTab);
        views.grids.push_back(grid);
        auto* box = new TVornScrollBox;
        auto* chart = new TBarChart;
        chart->SetCaption(page.chartCaption);
        chart->SetShowCaption(true);
        chart->SetHeight(page.chartHeight);
        box->setWidget(chart);
        views.PCStats->addTab(box, page.chartTab);
        views.charts.push_back(chart);
    }
    views.PCViews->SetActivePageIndex(1);
    return views;
}

void FillBreakdownChart(TBarChart& chart, TVornClientDataSet& dataSet, const QString& labelFields,
                        const QString& valueField, int rowHeight, bool fromFirstRow) {
    chart.Clear();
    chart.BeginUpdate();
    const TOnExit endUpdate([&chart] { chart.EndUpdate(); });
    if (fromFirstRow)
        dataSet.First();
    const TControlsDisabled quiet(dataSet);
    FillBarChart(chart, dataSet, labelFields, valueField, clBlue);
    const int height = chart.BarCount() * rowHeight;
    if (height > chart.Height())
        chart.SetHeight(height);
}

} // namespace telmod
