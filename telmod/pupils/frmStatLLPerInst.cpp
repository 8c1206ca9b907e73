#include "frmStatLLPerInst.h"

#include "telmod/common/breakdownscreen.h"

#include "host/data/errors.h"
#include "host/data/schoolyear.h"
#include "host/forms/hostservices.h"

#include <QLocale>
#include <QVBoxLayout>

namespace telmod {

using namespace vorn;

namespace {

constexpr int DesignWidth = 717;
constexpr int ChartRowHeight = 36;
constexpr int DesignedChartHeight = 397;

struct Breakdown {
    const char* dataSet;
    const char* provider;
    std::vector<const char*> params;
    const char* sortFields;
    std::vector<FieldDef> fields;
    const char* dataSource;
    std::vector<TGridColumn> columns;
    const char* gridTab;
    const char* chartTab;
    const char* chartCaption;
    const char* labelFields;
};

FieldDef count() {
    return FieldDef::largeint("THECOUNT").req().label("Aantal");
}

const std::vector<Breakdown>& Breakdowns() {
    static const std::vector<Breakdown> list{
        {"CDSPerKlas",
         "DSPStatLLPerKlas",
         {"SJ_ID", "WerkDatum", "IS_ID"},
         "KL_CODE",
         {FieldDef::wideString("KL_CODE", 10).label("Code"), FieldDef::integer("KL_ID").label("ID"),
          FieldDef::wideString("KL_OMSCHRIJVING", 80).label("Omschrijving"), count()},
         "DSPerKlas",
         {{"THECOUNT", {}, 0}, {"KL_CODE", {}, 0}, {"KL_OMSCHRIJVING", {}, 0}},
         "Per klas",
         "Per klas",
         "Leerlingen per klas",
         "KL_CODE"},
        {"CDSPerGraad",
         "DSPStatLLPerGRaad",
         {"WerkDatum", "IS_ID"},
         "LB_GRAAD",
         {FieldDef::wideString("LB_GRAAD", 10).label("Graad"), count()},
         "DSPerGraad",
         {{"THECOUNT", {}, 0}, {"LB_GRAAD", {}, 0}},
         "Per Graad",
         "Per graad",
         "Leerlingen per graad",
         "LB_GRAAD"},
        {"CDSPerLeerjaar",
         "DSPStatLLPerLeerJaar",
         {"WerkDatum", "IS_ID"},
         "LB_HOOFDSTRUCTUUR;LB_LEERJAAR",
         {FieldDef::wideString("LB_LEERJAAR", 10).label("Leerjaar"), count(),
          FieldDef::wideString("LB_HOOFDSTRUCTUUR", 10)},
         "DSPerLeerjaar",
         {{"THECOUNT", {}, 0}, {"LB_LEERJAAR", {}, 0}},
         "Per Leerjaar",
         "Per leerjaar",
         "Leerlingen per leerjaar",
         "LB_HOOFDSTRUCTUUR; LB_LEERJAAR"},
        {"CDSPerAdmGroep",
         "DSPStatLLPerAdmGroep",
         {"WerkDatum", "IS_ID"},
         "AG_OMSCHRIJVING",
         {FieldDef::integer("AG_ID").label("ID"), FieldDef::wideString("AG_CODE", 6).label("Code"),
          FieldDef::wideString("AG_OMSCHRIJVING", 200).label("Administratieve groep"), count()},
         "DSPerAdmGroep",
         {{"THECOUNT", {}, 0}, {"AG_CODE", {}, 0}, {"AG_OMSCHRIJVING", {}, 0}},
         "Per adm. groep",
         "Per adm. groep",
         "Leerlingen per administratieve groep",
         "AG_CODE"},
        {"CDSPerVP",
         "DSPSTatLLPerVakkenPakket",
         {"WerkDatum", "IS_ID", "SJ_ID"},
         "VK_CODE",
         {FieldDef::integer("VK_ID").req().label("ID"),
          FieldDef::wideString("VK_CODE", 6).req().label("Code"),
          FieldDef::wideString("VK_OMSCHRIJVING", 80).label("Vakkenpakket"), count()},
         "DSPerVP",
         {{"THECOUNT", {}, 0}, {"VK_CODE", {}, 0}, {"VK_OMSCHRIJVING", {}, 0}},
         "Per vakkenpakket",
         "Per vakkenpakket",
         "Leerlingen per vakkenpakket",
         "VK_CODE"},
        {"CDSPerLeerJaarGraad",
         "DSPStatLLPerLeerjaarGraad",
         {"WerkDatum", "IS_ID"},
         "LB_GRAAD;LB_LEERJAAR",
         {FieldDef::wideString("LB_LEERJAAR", 10).label("Leerjaar"), count(),
          FieldDef::wideString("LB_GRAAD", 10).label("Graad")},
         "DSPerLeerJaarGraad",
         {{"THECOUNT", {}, 0}, {"LB_LEERJAAR", {}, 0}, {"LB_GRAAD", {}, 0}},
         "Per Leerjaar/Graad",
         "Per leerjaar/Graad",
         "Leerlingen per leerjaar/graad",
         "LB_LEERJAAR;LB_GRAAD"},
        {"CDSPerOnderwijsvorm",
         "DSPStatLLPerOnderwijsvorm",
         {"WerkDatum", "IS_ID", "WerkDatum"},
         "LB_ONDERWIJSVORM",
         {FieldDef::wideString("LB_ONDERWIJSVORM", 10), FieldDef::largeint("THECOUNT")},
         "DSPerOnderwijsvorm",
         {{"THECOUNT", "Aantal", 0}, {"LB_ONDERWIJSVORM", "Onderwijsvorm", 86}},
         "Per onderwijsvorm",
         "Per onderwijsvorm",
         "Leerlingen per onderwijsvorm",
         "LB_ONDERWIJSVORM"},
        {"CDSPerGeboorteJaar",
         "DSPStatLLPerGeboorteJaar",
         {"WerkDatum", "IS_ID"},
         "EXTRACT",
         {FieldDef::smallint("EXTRACT"), FieldDef::largeint("THECOUNT")},
         "DSPerGeboorteJaar",
         {{"THECOUNT", "Aantal", 0}, {"EXTRACT", "Geboortejaar", 0}},
         "Per Geboortejaar",
         "Per Geboortejaar",
         "Leerlingen per geboortejaar",
         "EXTRACT"}};
    return list;
}

} // namespace

TStatLLPerInstellingForm::TStatLLPerInstellingForm(QWidget* parent)
    : TInstitutionDateForm(parent, false, {DesignWidth, 81, QRect(440, 40, 161, 25), QRect(616, 40, 83, 25)},
                           true) {
    Caption = QStringLiteral("Stat Leerlingen per instelling");
    TabCaption = QStringLiteral("Leerlingstatistieken per instelling");
    Group = QStringLiteral("Statistieken");
    DefaultBrowserForm = QStringLiteral("TStatBrowseInstellingenForm");
    DesignSize = QSize(DesignWidth, 571);
    ReportDefs = {{QStringLiteral("Statistieken leerlingen"), QStringLiteral("LLStatistieken.arf"), true}};
    buildDatasets();
    buildViews();
    setTabOrder(LEinstelling, DEDate);
    setTabOrder(DEDate, CBView);
    setTabOrder(CBView, BFetch);
    ChainComparisonTabOrder(BFetch);
    OnCreate = [this](QObject* sender) { VornDBFormCreate(sender); };
    OnGetPrintParams = [this](QObject* sender, const QString& report, QStringList& params) {
        VornDBFormGetPrintParams(sender, report, params);
    };
}

const TFormClass& TStatLLPerInstellingForm::Class() {
    static const TFormClass formClass(QStringLiteral("TStatLLPerInstellingForm"),
                                      [] { return new TStatLLPerInstellingForm; });
    return formClass;
}

void TStatLLPerInstellingForm::buildDatasets() {
    for (int i = 0; i < Breakdowns; ++i) {
        const Breakdown& breakdown = telmod::Breakdowns()[static_cast<std::size_t>(i)];
        auto dataSet = std::make_unique<TVornClientDataSet>(QString::fromLatin1(breakdown.dataSet));
        dataSet->SetProviderName(QString::fromLatin1(breakdown.provider));
        dataSet->AutoOpen = false;
        dataSet->BrowserDataset = true;
        dataSet->MaxErrors = 0;
        dataSet->SortFields = QString::fromLatin1(breakdown.sortFields);
        dataSet->SortDescFields = dataSet->SortFields;
        for (const char* param : breakdown.params)
            dataSet->Params().CreateParam(
                QString(param) == "WerkDatum" ? TFieldType::DateTime : TFieldType::Integer, param);
        for (const FieldDef& field : breakdown.fields)
            dataSet->AddField(field);
        RegisterDataSet(dataSet.get());
        ResultSources[static_cast<std::size_t>(i)] = new TVornDatasource(this);
        ResultSources[static_cast<std::size_t>(i)]->setObjectName(QString::fromLatin1(breakdown.dataSource));
        ResultSources[static_cast<std::size_t>(i)]->SetDataSet(dataSet.get());
        Results[static_cast<std::size_t>(i)] = std::move(dataSet);
    }
}

void TStatLLPerInstellingForm::buildViews() {
    std::vector<BreakdownPages> pages;
    for (int i = 0; i < Breakdowns; ++i) {
        const Breakdown& breakdown = telmod::Breakdowns()[static_cast<std::size_t>(i)];
        pages.push_back({QString::fromUtf8(breakdown.gridTab), ResultSources[static_cast<std::size_t>(i)],
                         breakdown.columns, QString::fromUtf8(breakdown.chartTab),
                         QString::fromUtf8(breakdown.chartCaption), DesignedChartHeight});
    }
    const BreakdownViews views = BuildBreakdownViews(pages);
    PCGrids = views.PCGrids;
    PCStats = views.PCStats;
    for (int i = 0; i < Breakdowns; ++i) {
        const auto index = static_cast<std::size_t>(i);
        Grids[index] = views.grids[index];
        FBarCharts[index] = views.charts[index];
        FDatasets[index] = Results[index].get();
        FLabelFields[index] = QString::fromLatin1(telmod::Breakdowns()[index].labelFields);
    }
    LayOut(views.PCViews);
}

void TStatLLPerInstellingForm::VornDBFormCreate(QObject*) {
    StartOnWorkDate();
}

void TStatLLPerInstellingForm::AFetchExecute(QObject*) {
    BusyScope busy(QStringLiteral("Ophalen van de leerlingenstatistieken"));
    CloseDatasets();
    OpenDatasets();
    FillCharts();
}

std::vector<TComparedPage> TStatLLPerInstellingForm::ComparedPages(TDateTime other) const {
    std::vector<TComparedPage> pages;
    for (std::size_t i = 0; i < Breakdowns; ++i) {
        const Breakdown& breakdown = telmod::Breakdowns()[i];
        TComparedPage page;
        page.grid = Grids[i];
        page.table = FDatasets[i];
        page.chart = FBarCharts[i];
        // A breakdown is matched on what its bars are labelled with: the codes.
        page.layout.matchFields = SplitFieldList(QString::fromLatin1(breakdown.labelFields));
        for (const FieldDef& field : breakdown.fields) {
            if (field.name == QLatin1String("THECOUNT"))
                continue;
            page.layout.labelFields << field.name;
            if (field.name.endsWith(QLatin1String("_OMSCHRIJVING")))
                page.layout.fallbackFields << field.name;
            if (field.name.endsWith(QLatin1String("_ID")))
                page.layout.idField = field.name;
        }
        page.layout.figureFields = {QStringLiteral("THECOUNT")};
        page.layout.matchable =
            QLatin1String(breakdown.dataSet) != QLatin1String("CDSPerKlas") || SameSchoolYear(other);
        page.barLabelFields = page.layout.matchFields;
        page.joinLabels = true;
        pages.push_back(page);
    }
    return pages;
}

void TStatLLPerInstellingForm::CloseDatasets() {
    for (TVornClientDataSet* dataSet : FDatasets)
        dataSet->Close();
}

void TStatLLPerInstellingForm::OpenDatasets() {
    const int id = GetSchooljaarID(GetSchooljaarFrom(FDate));
    for (TVornClientDataSet* dataSet : FDatasets) {
        if (TParam* param = dataSet->Params().FindParam(QStringLiteral("IS_ID")))
            param->SetAsInteger(FISID);
        if (TParam* param = dataSet->Params().FindParam(QStringLiteral("WerkDatum")))
            param->SetAsDateTime(FDate);
        if (TParam* param = dataSet->Params().FindParam(QStringLiteral("SJ_ID")))
            param->SetAsInteger(id);
        dataSet->Open();
    }
}

int TStatLLPerInstellingForm::GetSchooljaarID(int number) {
    const QString text = QString::number(number);
    if (text == LastSchooljaar && SchooljaarId != -1)
        return SchooljaarId;
    LastSchooljaar = text;
    SchooljaarId = GetSchooljaarIDFrom(number);
    if (SchooljaarId < 0)
        RaiseClientError("Kon de id van schooljaar %s niet bepalen", text);
    return SchooljaarId;
}

void TStatLLPerInstellingForm::FillCharts() {
    for (std::size_t i = 0; i < Breakdowns; ++i)
        FillBreakdownChart(*FBarCharts[i], *FDatasets[i], FLabelFields[i], QStringLiteral("TheCount"),
                           ChartRowHeight, true);
}

void TStatLLPerInstellingForm::VornDBFormGetPrintParams(QObject*, const QString&, QStringList& params) {
    // The report counts for itself with these three values, so they must belong together: those of
    // the last fetch, also after the institution or date was changed; before any fetch, those a
    // fetch would use now.
    const TParams& fetched = FDatasets[0]->Params();
    const bool everFetched = !fetched.ParamByName(QStringLiteral("WerkDatum")).IsNull();
    const TDateTime date =
        everFetched ? fetched.ParamByName(QStringLiteral("WerkDatum")).AsDateTime() : FDate;
    QString institution = fetched.ParamByName(QStringLiteral("IS_ID")).AsString();
    QString schoolYear = fetched.ParamByName(QStringLiteral("SJ_ID")).AsString();
    if (!everFetched && FISID != -1 && IsDateSet(FDate)) {
        institution = QString::number(FISID);
        const int id = GetSchooljaarIDFrom(GetSchooljaarFrom(FDate));
        schoolYear = id < 0 ? QString() : QString::number(id);
    }
    SetPrintParam(params, QStringLiteral("Werkdatum"),
                  QLocale().toString(DateTimeToDate(date), QLocale::ShortFormat));
    SetPrintParam(params, QStringLiteral("IS_ID"), institution);
    SetPrintParam(params, QStringLiteral("SJ_ID"), schoolYear);
    AddComparedPrintParams(params, QStringLiteral("Werkdatum"));
}

} // namespace telmod
