#include "frmStatsUren.h"

#include "telmod/common/breakdownscreen.h"

#include "host/data/errors.h"
#include "host/forms/hostservices.h"

#include <QVBoxLayout>

namespace telmod {

using namespace vorn;

namespace {
constexpr int DesignWidth = 715;
constexpr int ChartRowHeight = 36;

/// Hours minus TBSOB hours, each first taken as a whole number, as a 32-bit difference.
void effectiveHours(TVornClientDataSet& dataSet) {
    const qint32 hours = dataSet.FieldByName(QStringLiteral("THECOUNT")).AsInteger();
    const qint32 tbsob = dataSet.FieldByName(QStringLiteral("THETBSOB")).AsInteger();
    dataSet.FieldByName(QStringLiteral("EFFCOUNT")).SetAsLargeInt(static_cast<qint32>(hours - tbsob));
}
} // namespace

TStatsPSUrenForm::TStatsPSUrenForm(QWidget* parent)
    : TInstitutionDateForm(parent, true, {DesignWidth, 73, QRect(424, 40, 161, 25), QRect(608, 40, 91, 25)},
                           true),
      DSselectRubricering(new TVornDatasource(this)), DSPerVak(new TVornDatasource(this)),
      DSPerVakGraad(new TVornDatasource(this)) {
    Caption = QStringLiteral("StatsPSUrenForm");
    TabCaption = QStringLiteral("Ingerichte uren in ambt 6/7");
    Group = QStringLiteral("Statistieken");
    DefaultBrowserForm = QStringLiteral("TStatBrowseInstellingenForm");
    DesignSize = QSize(DesignWidth, 516);

    CDSselectRubricering.AddField(FieldDef::wideString("P_CODE", 10).req());
    CDSselectRubricering.AddField(FieldDef::wideString("P_EXTRA", 10));
    CDSselectRubricering.AddField(FieldDef::integer("P_ID").req());
    CDSselectRubricering.AddField(FieldDef::wideString("P_OMSCHRIJVING", 1024));
    DSselectRubricering->SetDataSet(&CDSselectRubricering);

    declareHours(CDSPerVak, false);
    CDSPerVak.SortFields = QStringLiteral("OV_CODE");
    CDSPerVak.OnCalcFields = [this](TVornClientDataSet& dataSet) { CDSPerVakCalcFields(dataSet); };
    declareHours(CDSPerVakGraad, true);
    CDSPerVakGraad.SortFields = QStringLiteral("OV_CODE;OP_GRAAD");
    CDSPerVakGraad.OnCalcFields = [this](TVornClientDataSet& dataSet) { CDSPerVakGraadCalcFields(dataSet); };
    DSPerVak->SetDataSet(&CDSPerVak);
    DSPerVakGraad->SetDataSet(&CDSPerVakGraad);
    for (TVornClientDataSet* dataSet :
         {static_cast<TVornClientDataSet*>(&CDSselectRubricering), &CDSPerVak, &CDSPerVakGraad})
        RegisterDataSet(dataSet);

    setTabOrder(LEinstelling, DEDate);
    setTabOrder(DEDate, BFetch);
    setTabOrder(BFetch, CBView);
    ChainComparisonTabOrder(CBView);

    const BreakdownViews views = BuildBreakdownViews({{QStringLiteral("Per vak"),
                                                       DSPerVak,
                                                       {{"EFFCOUNT", "Effectief aantal", 0},
                                                        {"OV_CODE", "Code", 0},
                                                        {"OV_RUBRICERING", "Rubr.", 42},
                                                        {"OV_OMSCHRIJVING", "officieel vak", 279},
                                                        {"THECOUNT", "Aantal", 0},
                                                        {"THETBSOB", "TBSOB", 0}},
                                                       QStringLiteral("Per vak"),
                                                       QStringLiteral("Uren per vak"),
                                                       351},
                                                      {QStringLiteral("Per vak/graad"),
                                                       DSPerVakGraad,
                                                       {{"EFFCOUNT", "Effectief aantal", 0},
                                                        {"OP_GRAAD", "Graad", 0},
                                                        {"OV_CODE", "Code", 0},
                                                        {"OV_RUBRICERING", "Rubr.", 39},
                                                        {"OV_OMSCHRIJVING", "Omschrijving", 263},
                                                        {"THECOUNT", "Aantal", 0},
                                                        {"THETBSOB", "TBSOB", 0}},
                                                       QStringLiteral("Per vak/graad"),
                                                       QStringLiteral("Uren per vak/graad"),
                                                       347}});
    PCViews = views.PCViews;
    PCGrids = views.PCGrids;
    PCStats = views.PCStats;
    GPerVak = views.grids[0];
    GPerVakGraad = views.grids[1];
    BCPerVak = views.charts[0];
    BCPerVakGraad = views.charts[1];
    LayOut(PCViews);

    OnCreate = [this](QObject* sender) { VornDBFormCreate(sender); };
}

const TFormClass& TStatsPSUrenForm::Class() {
    static const TFormClass formClass(QStringLiteral("TStatsPSUrenForm"),
                                      [] { return new TStatsPSUrenForm; });
    return formClass;
}

void TStatsPSUrenForm::declareHours(TVornClientDataSet& dataSet, bool withGrade) {
    dataSet.SetProviderName(withGrade ? QStringLiteral("DSPStatUrenPerGraadInAmbt6en7")
                                      : QStringLiteral("DSPStatUrenInAmbt6en7"));
    dataSet.AutoOpen = false;
    dataSet.LastInsertIDToMaster = true;
    dataSet.MaxErrors = 0;
    dataSet.Params().CreateParam(TFieldType::Integer, QStringLiteral("IS_ID"));
    dataSet.Params().CreateParam(TFieldType::DateTime, QStringLiteral("WerkDatum"));
    dataSet.AddField(FieldDef::integer("OV_ID").label("ID"));
    dataSet.AddField(FieldDef::wideString("OV_CODE", 8).label("Code"));
    dataSet.AddField(
        FieldDef::wideString("OV_OMSCHRIJVING", 80).label(withGrade ? "Omschrijving" : "officieel vak"));
    dataSet.AddField(FieldDef::decimal("THECOUNT", 18, 3).label("Aantal"));
    dataSet.AddField(FieldDef::decimal("THETBSOB", 18, 3).label("TBSOB"));
    if (withGrade)
        dataSet.AddField(FieldDef::wideString("OP_GRAAD", 10).label("Graad"));
    dataSet.AddField(FieldDef::largeint("EFFCOUNT").label("Effectief aantal").internalCalc());
    dataSet.AddField(FieldDef::integer("OV_RUBRICERING_FKP").label("Rubricering ID").hidden());
    dataSet.AddField(FieldDef::wideString("OV_RUBRICERING", 10)
                         .lookup("OV_RUBRICERING_FKP", &CDSselectRubricering, "P_ID", "P_CODE"));
}

void TStatsPSUrenForm::VornDBFormCreate(QObject*) {
    StartOnWorkDate();
    FDatasets = {&CDSPerVak, &CDSPerVakGraad};
    FBarCharts = {BCPerVak, BCPerVakGraad};
    FLabelFields = {QStringLiteral("OV_RUBRICERING;OV_CODE; OV_OMSCHRIJVING"),
                    QStringLiteral("OV_RUBRICERING;OV_CODE; OV_OMSCHRIJVING; OP_GRAAD")};
}

void TStatsPSUrenForm::AFetchExecute(QObject*) {
    BusyScope busy(QStringLiteral("Ophalen van de uren in ambt 6/7"));
    CloseDatasets();
    OpenDatasets();
    FillCharts();
}

std::vector<TComparedPage> TStatsPSUrenForm::ComparedPages(TDateTime) const {
    std::vector<TComparedPage> pages;
    for (std::size_t i = 0; i < FDatasets.size(); ++i) {
        const bool byGrade = FDatasets[i] == &CDSPerVakGraad;
        TComparedPage page;
        page.grid = i == 0 ? GPerVak : GPerVakGraad;
        page.table = FDatasets[i];
        page.chart = FBarCharts[i];
        // An official subject keeps its code from one school year to the next.
        page.layout.matchFields = {QStringLiteral("OV_CODE")};
        if (byGrade)
            page.layout.matchFields << QStringLiteral("OP_GRAAD");
        page.layout.fallbackFields = {QStringLiteral("OV_OMSCHRIJVING")};
        page.layout.idField = QStringLiteral("OV_ID");
        page.layout.labelFields = {QStringLiteral("OV_ID"), QStringLiteral("OV_CODE"),
                                   QStringLiteral("OV_OMSCHRIJVING"), QStringLiteral("OV_RUBRICERING")};
        if (byGrade)
            page.layout.labelFields << QStringLiteral("OP_GRAAD");
        page.layout.figureFields = {QStringLiteral("EFFCOUNT"), QStringLiteral("THECOUNT"),
                                    QStringLiteral("THETBSOB")};
        page.barLabelFields = SplitFieldList(FLabelFields[i]);
        page.joinLabels = true;
        pages.push_back(page);
    }
    return pages;
}

QString TStatsPSUrenForm::ChartFigure(std::size_t) const {
    return QStringLiteral("EFFCOUNT");
}

void TStatsPSUrenForm::CDSPerVakCalcFields(TVornClientDataSet& dataSet) {
    effectiveHours(dataSet);
}

void TStatsPSUrenForm::CDSPerVakGraadCalcFields(TVornClientDataSet& dataSet) {
    effectiveHours(dataSet);
}

void TStatsPSUrenForm::CloseDatasets() {
    for (TVornClientDataSet* dataSet : FDatasets)
        dataSet->Close();
}

void TStatsPSUrenForm::OpenDatasets() {
    for (TVornClientDataSet* dataSet : FDatasets)
        OpenForInstitutionOnDate(*dataSet, FISID, FDate);
}

void TStatsPSUrenForm::FillCharts() {
    for (std::size_t i = 0; i < FDatasets.size(); ++i)
        FillBreakdownChart(*FBarCharts[i], *FDatasets[i], FLabelFields[i], QStringLiteral("EffCount"),
                           ChartRowHeight, false);
}

} // namespace telmod
