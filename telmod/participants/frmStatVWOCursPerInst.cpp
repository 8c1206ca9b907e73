#include "frmStatVWOCursPerInst.h"

#include "dlgSelectVWOStat.h"
#include "participantrows.h"

#include "host/data/scopeguards.h"
#include "host/forms/hostservices.h"

#include <array>

namespace telmod {

namespace vwo {

void TStatistic::IncCounts(std::int32_t LLID, std::int32_t LUC, bool Fin, bool Man, bool C98) {
    if (LLID == 0)
        return;
    CountRow(LLID, LUC, Fin, Man, C98);
}

std::int32_t TStatistic::GetTypeCount(int statType) const {
    switch (statType) {
    case stCount:
        return Count();
    case stFinCount:
        return FinCount();
    case stNotFinCount:
        return NotFinNount();
    case stPersoonCount:
        return GetPersoonCount();
    case stManCount:
        return ManCount();
    case stVrouwCount:
        return GetVrouwCount();
    case stC98:
        return C98Count();
    case stlesurencursist:
        return LesurenCursist();
    default:
        return 0;
    }
}

} // namespace vwo

namespace {

using vorn::FieldDef;
using vorn::TFieldType;
using vorn::TVornClientDataSet;

QStringList vwoFigures() {
    return {QStringLiteral("Inschrijvingen (curricula)"),
            QStringLiteral("Financierbare cursisten"),
            QStringLiteral("Niet financierbare cursisten"),
            QStringLiteral("Personen"),
            QStringLiteral("Mannen"),
            QStringLiteral("Vrouwen"),
            QStringLiteral("C98 personen"),
            QStringLiteral("Lesuren cursist")};
}

const std::vector<CategoryPage>& vwoPages() {
    static const std::vector<CategoryPage> pages{
        {"TSGPerKlas", "Per Klas", "GStatKlas", "GStatKlasDBTableView1", "DSSStatKlas", "CDSStatKlas",
         "TSPerKlas", "Per Klas", "SBPerKlas", "BCKlas", "Cursisten per klas"},
        {"TSGModulevariant", "Per Modulevariant", "GEenheid", "GEenheidDBTableView1", "DSStatModulevarianten",
         "CDSStatModulevarianten", "TSModulevariant", "Per Modulevariant", "SBPerGraad", "BCEenheid",
         "Cursisten per modulevariant"},
        {"TSGIngModuleVariant", "Per Ingerichte Modulevariant", "GStatIngModuleVariant",
         "GStatIngModuleVariantDBTableView1", "DSStatIngModuleVariant", "CDSStatIngModuleVariant",
         "TSIngModuleVariant", "Per Ingerichte Modulevariant", "SBIngModuleVariant", "BCIngModuleVariant",
         "Cursisten per ingerichte modulevariant"},
        {"TSGPerModule", "Per Module", "GAdmGroep", "GAdmGroepDBTableView1", "DSStatModule", "CDSStatModule",
         "TSModule", "Per Module", "SBPerAdmGroep", "BCAdmgroep", "Cursisten per module"},
        {"TSGOpleidingsvariant", "Per Opleidingsvariant", "GStudiegebied", "GStudiegebiedDBTableView1",
         "DSStatOpleidingsvariant", "CDSStatOpleidingsvariant", "TSOpleidingsvariant",
         "Per Opleidingsvariant", "ScrollBox1", "BCStudiegebied", "Cursisten per opleidingsvariant", true},
        {"TSGOpleiding", "Per Opleiding", "GStatOpleiding", "GStatOpleidingDBTableView1", "DSStatOpleiding",
         "CDSStatOpleiding", "TSOpleiding", "Per Opleiding", "SBPerLeerjaar", "BCOpleiding",
         "Cursisten per opleiding"},
        {"TSGPerTarief", "Per Tarief", "GStatVrijstellingIG", "GStatVrijstellingIGDBTableView1",
         "DSStatTarief", "CDSStatTarief", "TSPerTarief", "Per Tarief", "SBVrijstelling", "BCVrijstellingIG",
         "Cursisten per tarief"},
        {"TSGVestiging", "Per Vestiging", "GStatVestiging", "VornGridDBTableView1", "DSStatVestiging",
         "CDSStatVestiging", "TSVestiging", "Per Vestiging", "SBVestiging", "BCVestiging",
         "Cursisten per vestiging", false, false, BranchColumns()},
        {"TSGLesplaats", "Per Lesplaats", "GStatLesplaats", "VornGridDBTableView2", "DSStatLesplaats",
         "CDSStatLesplaats", "TSLesplaats", "Per Lesplaats", "SBLesplaats", "BCLesplaats",
         "Cursisten per lesplaats"}};
    return pages;
}

/// Room for the date, its clear button and its today button.
constexpr int VwoDateWidth = 164;

const CategoryTableLayout VwoTable{false, QStringLiteral("Vrouwen")};

/// The category tables are filled in this order of pages.
constexpr std::array<std::size_t, 9> FillOrder{0, 1, 2, 3, 5, 4, 6, 7, 8};

void declarePeriodParams(TVornClientDataSet& dataSet, const QString& idParam, const QString& begin,
                         const QString& end) {
    dataSet.Params().CreateParam(TFieldType::Integer, idParam);
    if (begin.isEmpty())
        return;
    dataSet.Params().CreateParam(TFieldType::DateTime, end);
    dataSet.Params().CreateParam(TFieldType::DateTime, begin);
}

} // namespace

TStatVWOCursistenPerInstellingForm::TStatVWOCursistenPerInstellingForm(QWidget* parent)
    : TParticipantStatsForm(parent, {true, VwoDateWidth, 223, 10, vwoFigures()}, vwoPages()),
      DSSelectReferteperiode(new vorn::TVornDatasource(this)) {
    Caption = QStringLiteral("VWO Statistieken: Cursisten per instelling");
    DefaultBrowserForm = QStringLiteral("TStatBrowseVWOInstellingenForm");
    ReportDefs = {
        {QStringLiteral("Statistiek per klas"), QStringLiteral("vwostatklas.arf")},
        {QStringLiteral("Statistiek per modulevariant"), QStringLiteral("vwostatmodulevariant.arf")},
        {QStringLiteral("Statistiek per module"), QStringLiteral("vwostatmodule.arf")},
        {QStringLiteral("Statistiek per opleidingsvariant"), QStringLiteral("vwostatopleidingsvariant.arf")},
        {QStringLiteral("Statistiek per opleiding"), QStringLiteral("vwostatopleiding.arf")},
        {QStringLiteral("Statistiek per tarief"), QStringLiteral("vwostattarieven.arf")},
        {QStringLiteral("Statistiek per vestigingsplaats"), QStringLiteral("vwostatvestiging.arf")},
        {QStringLiteral("Statistiek per lesplaats"), QStringLiteral("vwostatlesplaats.arf")},
        {QStringLiteral("Statistiek per ingerichte modulevariant"),
         QStringLiteral("vwostatingmodulevariant.arf")}};
    declareReferencePeriods();
    declareDatasets();

    setTabOrder(LEinstelling, EVanafDatum->Editor());
    setTabOrder(EVanafDatum->Editor(), ETotDatum->Editor());
    setTabOrder(ETotDatum->Editor(), LEReferteperiode);
    setTabOrder(LEReferteperiode, CBView);
    setTabOrder(CBView, CBStatType);
    setTabOrder(CBStatType, BFetch);
    setTabOrder(BFetch, BPeriodes);
    PCGrids->SetActivePageIndex(0);
    PCStats->SetActivePageIndex(0);
}

TStatVWOCursistenPerInstellingForm::~TStatVWOCursistenPerInstellingForm() {
    releaseCategoryLists();
}

const vorn::TFormClass& TStatVWOCursistenPerInstellingForm::Class() {
    static const vorn::TFormClass formClass(QStringLiteral("TStatVWOCursistenPerInstellingForm"),
                                            [] { return new TStatVWOCursistenPerInstellingForm; });
    return formClass;
}

void TStatVWOCursistenPerInstellingForm::declareReferencePeriods() {
    CDSSelectReferteperiode.SetProviderName(QStringLiteral("DSPSelectVWORefertePeriode"));
    CDSSelectReferteperiode.SortFields = QStringLiteral("OR_VAN");
    CDSSelectReferteperiode.OrderField = QStringLiteral("OR_VAN");
    CDSSelectReferteperiode.AddField(FieldDef::integer("OR_ID").req());
    CDSSelectReferteperiode.AddField(FieldDef::string("OR_OMSCHRIJVING", 50).label("Referteperiode").req());
    CDSSelectReferteperiode.AddField(FieldDef::date("OR_TOT").req());
    CDSSelectReferteperiode.AddField(FieldDef::date("OR_VAN").req());
    RegisterDataSet(&CDSSelectReferteperiode);
    DSSelectReferteperiode->setObjectName(QStringLiteral("DSSelectReferteperiode"));
    DSSelectReferteperiode->SetDataSet(&CDSSelectReferteperiode);

    LLEReferteperiode = new vorn::TVornLabel(QStringLiteral("&Referteperiode"), PTop);
    LLEReferteperiode->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LEReferteperiode = new vorn::TVornLookupEdit(PTop);
    LEReferteperiode->setObjectName(QStringLiteral("LEReferteperiode"));
    LEReferteperiode->KeyField = QStringLiteral("OR_ID");
    LEReferteperiode->SetListColumns({QStringLiteral("OR_OMSCHRIJVING")});
    LEReferteperiode->SetListSource(DSSelectReferteperiode);
    LEReferteperiode->SetDropDownWidth(450);
    LLEReferteperiode->setBuddy(LEReferteperiode);
    // After the end date, which is wider than designed to hold its clear and today buttons, and
    // the period menu.
    PlacePeriodPresets(ETotDatum->geometry().right() + 6);
    const int left = BPeriodes->geometry().right() + 6;
    const int labelWidth = LLEReferteperiode->sizeHint().width();
    PTop->Place(LLEReferteperiode, QRect(left, 35, labelWidth, 24));
    // Wide enough for "1e semester 2025-2026" and the like.
    PTop->Place(LEReferteperiode, QRect(left + labelWidth + 4, 33, 190, 24));
    connect(LEReferteperiode, &vorn::TVornLookupEdit::changed, this,
            [this] { vorn::RunGuarded([this] { LErefertechange(LEReferteperiode); }); });
}

void TStatVWOCursistenPerInstellingForm::declareDatasets() {
    CDSAllStats.SetProviderName(QStringLiteral("DSPVWOCursistStats"));
    CDSAllStats.AutoOpen = false;
    declarePeriodParams(CDSAllStats, QStringLiteral("IS_ID"), QStringLiteral("BeginDatum"),
                        QStringLiteral("EindDatum"));
    for (const char* name : {"VL_ID", "LL_ID", "IMV_ID"})
        CDSAllStats.AddField(FieldDef::integer(name));
    CDSAllStats.AddField(FieldDef::integer("VWK_ID").req());
    for (const char* name :
         {"IU_ID", "VWI_ID", "VO_ID", "VOO_ID", "VOM_ID", "VL_FLAGS", "VL_VWOTARIEF_FK", "LL_FLAGS"})
        CDSAllStats.AddField(FieldDef::integer(name));
    CDSAllStats.AddField(FieldDef::fixedChar("LL_GESLACHT", 1));
    CDSAllStats.AddField(FieldDef::integer("VMV_LESTIJDENORGANISATIE"));
    CDSAllStats.AddField(FieldDef::integer("VWK_VESTIGINGSPLAATS_FK").req());
    CDSAllStats.AddField(FieldDef::integer("FINANCIERBAARHEID"));
    CDSAllStats.AddField(FieldDef::integer("IMV_LESPLAATS_FK"));
    CDSAllStats.AddField(FieldDef::string("VLP_OMSCHRIJVING", 80));
    CDSAllStats.AddField(FieldDef::integer("VMV_ID"));

    CDSKLassen.SetProviderName(QStringLiteral("DSPBrowseVWOKlas"));
    CDSKLassen.AutoOpen = false;
    declarePeriodParams(CDSKLassen, QStringLiteral("SC_ID"), QStringLiteral("BeginDatum"),
                        QStringLiteral("EindDatum"));
    CDSKLassen.AddField(FieldDef::string("VWK_CODE", 25));
    CDSKLassen.AddField(FieldDef::integer("VWK_ID"));
    CDSKLassen.AddField(FieldDef::string("VWK_OMSCHRIJVING", 150));

    CDSModulevarianten.SetProviderName(QStringLiteral("DSPSelectVWOModuleVariant"));
    CDSModulevarianten.AutoOpen = false;
    CDSModulevarianten.AddField(FieldDef::fixedChar("VOM_CODE", 8).req());
    CDSModulevarianten.AddField(FieldDef::string("VOM_OMSCHRIJVING", 150).req());
    CDSModulevarianten.AddField(FieldDef::integer("VMV_ID"));
    CDSModulevarianten.AddField(FieldDef::string("VMV_CODE", 8));

    CDSModules.SetProviderName(QStringLiteral("DSPSelectVWOModule"));
    CDSModules.AutoOpen = false;
    CDSModules.SortFields = QStringLiteral("VOM_OMSCHRIJVING");
    CDSModules.SortDescFields = CDSModules.SortFields;
    CDSModules.AddField(FieldDef::fixedChar("VOM_CODE", 8).req());
    CDSModules.AddField(FieldDef::integer("VOM_ID").req());
    CDSModules.AddField(FieldDef::string("VOM_OMSCHRIJVING", 150).req());

    CDSOpleidingen.SetProviderName(QStringLiteral("DSPSelectVWOOpleiding"));
    CDSOpleidingen.AutoOpen = false;
    CDSOpleidingen.Params().CreateParam(TFieldType::Date, QStringLiteral("datum"));
    CDSOpleidingen.AddField(FieldDef::integer("VO_CODE").req());
    CDSOpleidingen.AddField(FieldDef::integer("VO_ID").req());
    CDSOpleidingen.AddField(FieldDef::string("VO_OMSCHRIJVING", 150).req());

    CDSOpleidingsvarianten.SetProviderName(QStringLiteral("DSPSelectVWOOffOpleidingsVarianten"));
    CDSOpleidingsvarianten.AutoOpen = false;
    CDSOpleidingsvarianten.Params().CreateParam(TFieldType::Date, QStringLiteral("datum"));
    CDSOpleidingsvarianten.AddField(FieldDef::integer("VOO_ID").req());
    CDSOpleidingsvarianten.AddField(FieldDef::string("VOO_CODE", 8).req());
    CDSOpleidingsvarianten.AddField(FieldDef::string("VOO_OMSCHRIJVING", 128).req());

    CDSIngModuleVariant.SetProviderName(QStringLiteral("DSPSelectVWOIngModuleVarPeriode"));
    declarePeriodParams(CDSIngModuleVariant, QStringLiteral("IS_ID"), QStringLiteral("BEGINDATUM"),
                        QStringLiteral("EINDDATUM"));
    CDSIngModuleVariant.AddField(FieldDef::string("VWK_CODE", 25).req());
    CDSIngModuleVariant.AddField(FieldDef::integer("VWK_ID").req());
    CDSIngModuleVariant.AddField(FieldDef::string("VWK_OMSCHRIJVING", 150).req());
    CDSIngModuleVariant.AddField(FieldDef::integer("IMV_ID"));
    CDSIngModuleVariant.AddField(FieldDef::fixedChar("VOM_CODE", 8));
    CDSIngModuleVariant.AddField(FieldDef::integer("VOM_ID"));
    CDSIngModuleVariant.AddField(FieldDef::string("VOM_OMSCHRIJVING", 150));
    CDSIngModuleVariant.AddField(FieldDef::string("VWA_CODE", 50));
    CDSIngModuleVariant.AddField(FieldDef::string("VWA_OMSCHRIJVING", 1000));

    CDSVrijstellingInschrijvingsgeld.SetProviderName(QStringLiteral("DSPSelectVWOVrijstellingIG"));
    CDSVrijstellingInschrijvingsgeld.Params().CreateParam(TFieldType::Integer, QStringLiteral("IS_ID"));
    CDSVrijstellingInschrijvingsgeld.AddField(FieldDef::string("VTA_CODE", 50).req());
    CDSVrijstellingInschrijvingsgeld.AddField(FieldDef::string("VTA_NAAM", 1000).req());
    CDSVrijstellingInschrijvingsgeld.AddField(FieldDef::decimal("VTA_BEDRAGVOORCURSISTEN", 9, 3));
    CDSVrijstellingInschrijvingsgeld.AddField(FieldDef::decimal("VTA_BEDRAGUITFONDS", 9, 3));
    CDSVrijstellingInschrijvingsgeld.AddField(FieldDef::integer("VTA_ID").req());

    DeclareBranchList(CDSVestiging);

    DeclarePrintTable(CDSPrint, QStringLiteral("DSPVWOPrintStats"), false);

    for (TVornClientDataSet* dataSet : std::initializer_list<TVornClientDataSet*>{
             &CDSAllStats, &CDSKLassen, &CDSModulevarianten, &CDSModules, &CDSOpleidingen,
             &CDSOpleidingsvarianten, &CDSIngModuleVariant, &CDSVrijstellingInschrijvingsgeld, &CDSVestiging,
             &CDSPrint})
        RegisterDataSet(dataSet);

    klassen_ = {&CDSKLassen, QStringLiteral("VWK_ID"), FieldText(QStringLiteral("VWK_CODE")),
                FieldText(QStringLiteral("VWK_OMSCHRIJVING"))};
    modules_ = {&CDSModules, QStringLiteral("VOM_ID"), FieldText(QStringLiteral("VOM_CODE")),
                FieldText(QStringLiteral("VOM_OMSCHRIJVING"))};
    // A module variant is named after its module.
    modulevarianten_ = {&CDSModulevarianten, QStringLiteral("VMV_ID"), FieldText(QStringLiteral("VOM_CODE")),
                        FieldText(QStringLiteral("VOM_OMSCHRIJVING"))};
    ingModulevarianten_ = {&CDSIngModuleVariant, QStringLiteral("IMV_ID"),
                           FieldText(QStringLiteral("VOM_CODE")), [](const TVornClientDataSet& row) {
                               return row.FieldByName(QStringLiteral("VOM_OMSCHRIJVING")).AsString() +
                                      QStringLiteral(" (klas: ") +
                                      row.FieldByName(QStringLiteral("VWK_CODE")).AsString() + u')';
                           }};
    opleidingen_ = {&CDSOpleidingen, QStringLiteral("VO_ID"), FieldText(QStringLiteral("VO_CODE")),
                    FieldText(QStringLiteral("VO_OMSCHRIJVING"))};
    opleidingsvarianten_ = {&CDSOpleidingsvarianten, QStringLiteral("VOO_ID"),
                            FieldText(QStringLiteral("VOO_CODE")),
                            FieldText(QStringLiteral("VOO_OMSCHRIJVING"))};
    tarieven_ = {&CDSVrijstellingInschrijvingsgeld, QStringLiteral("VTA_ID"),
                 FieldText(QStringLiteral("VTA_CODE")), FieldText(QStringLiteral("VTA_NAAM"))};
    vestigingen_ = BranchNames(CDSVestiging);
}

void TStatVWOCursistenPerInstellingForm::CreateCategoryLists() {
    releaseCategoryLists();
    CreateCategoryListsOf(*this, VwoCategories());
}

void TStatVWOCursistenPerInstellingForm::releaseCategoryLists() {
    if (FKlasStats != nullptr)
        ClearStats();
}

std::vector<vorn::TIDList*> TStatVWOCursistenPerInstellingForm::pageLists() const {
    return CategoryListsByPage(*this, VwoCategories());
}

void TStatVWOCursistenPerInstellingForm::LErefertechange(QObject*) {
    TVornClientDataSet* periods = LEReferteperiode->ListSource()->DataSet();
    EVanafDatum->SetDate(periods->FieldByName(QStringLiteral("OR_VAN")).AsDateTime());
    ETotDatum->SetDate(periods->FieldByName(QStringLiteral("OR_TOT")).AsDateTime());
}

void TStatVWOCursistenPerInstellingForm::ClearStats() {
    FreeCategoryListsOf(*this, VwoCategories());
    FLesplaatsen.Clear();
    FPersonTotals = {};
}

void TStatVWOCursistenPerInstellingForm::CloseDatasets() {
    for (TVornClientDataSet* dataSet : std::initializer_list<TVornClientDataSet*>{
             &CDSAllStats, &CDSKLassen, &CDSModules, &CDSModulevarianten, &CDSIngModuleVariant,
             &CDSOpleidingsvarianten, &CDSOpleidingen, &CDSVrijstellingInschrijvingsgeld, &CDSVestiging})
        dataSet->Close();
    for (const auto& table : CategoryTables)
        table->Close();
}

void TStatVWOCursistenPerInstellingForm::OpenDatasets() {
    OpenForPeriod(CDSAllStats, QStringLiteral("IS_ID"), FISID, FVanaf, FTot);
    OpenForPeriod(CDSKLassen, QStringLiteral("SC_ID"), FSCID, FVanaf, FTot);
    CDSVrijstellingInschrijvingsgeld.Open();
    CDSModules.Open();
    CDSModulevarianten.Open();
    OpenForPeriod(CDSIngModuleVariant, QStringLiteral("IS_ID"), FISID, FVanaf, FTot);
    for (TVornClientDataSet* dataSet : {&CDSOpleidingen, &CDSOpleidingsvarianten}) {
        dataSet->ParamByName(QStringLiteral("datum")).SetAsDateTime(vorn::DateOf(FVanaf));
        dataSet->Open();
    }
    CDSVestiging.ParamByName(QStringLiteral("IS_ID")).SetAsInteger(FISID);
    CDSVestiging.Open();
}

vwo::TStatistic* TStatVWOCursistenPerInstellingForm::GetKlasStat(std::int32_t id) {
    return NamedStat<vwo::TStatistic>(id, *FKlasStats, klassen_);
}

vwo::TStatistic* TStatVWOCursistenPerInstellingForm::GetModuleStat(std::int32_t id) {
    return NamedStat<vwo::TStatistic>(id, *FModuleStats, modules_);
}

vwo::TStatistic* TStatVWOCursistenPerInstellingForm::GetModulevariantStat(std::int32_t id) {
    return NamedStat<vwo::TStatistic>(id, *FModulevariantStats, modulevarianten_);
}

vwo::TStatistic* TStatVWOCursistenPerInstellingForm::GetIngModuleVariantStat(std::int32_t id) {
    return NamedStat<vwo::TStatistic>(id, *FIngModulevariantStats, ingModulevarianten_);
}

vwo::TStatistic* TStatVWOCursistenPerInstellingForm::GetOpleidingStat(std::int32_t id) {
    return id == 0 ? nullptr : NamedStat<vwo::TStatistic>(id, *FOpleidingStats, opleidingen_);
}

vwo::TStatistic* TStatVWOCursistenPerInstellingForm::GetOpleidingsvariantStat(std::int32_t id) {
    return id == 0 ? nullptr : NamedStat<vwo::TStatistic>(id, *FOpleidingsvariantStats, opleidingsvarianten_);
}

vwo::TStatistic* TStatVWOCursistenPerInstellingForm::GetTariefStat(std::int32_t id) {
    return id == 0 ? nullptr : NamedStat<vwo::TStatistic>(id, *FTarievenStats, tarieven_);
}

vwo::TStatistic* TStatVWOCursistenPerInstellingForm::GetVestigingStat(std::int32_t id) {
    return NamedStat<vwo::TStatistic>(id, *FVestigingStats, vestigingen_);
}

vwo::TStatistic* TStatVWOCursistenPerInstellingForm::GetLesplaatsStat(std::int32_t id) {
    return LocationStat<vwo::TStatistic>(id, *FLesplaatsStats, FLesplaatsen.Text(id));
}

void TStatVWOCursistenPerInstellingForm::FillCharts() {
    // Each person's rows in enrolment order: the statement itself gives its rows in no set order.
    CDSAllStats.Sort(QStringLiteral("LL_ID;VL_ID"), {});
    CountEnrolments();
    FillDatasets();
    DisplayCharts();
}

void TStatVWOCursistenPerInstellingForm::CountEnrolments() {
    std::vector<CategoryCount<vwo::TStatistic>> categories =
        CountedCategories(*this, VwoCategories(), CDSAllStats, FLesplaatsen);

    // A row without a person counts in no figure (its values still get their statistics).
    const auto person = IntegerView(CDSAllStats, "LL_ID");
    const auto hours = IntegerView(CDSAllStats, "VMV_LESTIJDENORGANISATIE");
    const auto fin = IntegerView(CDSAllStats, "FINANCIERBAARHEID");
    const auto flags = IntegerView(CDSAllStats, "LL_FLAGS");
    const auto sex = TextView(CDSAllStats, "LL_GESLACHT");
    CountCategories(
        categories, person.size(),
        [&](std::size_t i) {
            return RowCounts{person[i],       hours[i], fin[i] == 8,
                             Is(sex[i], "M"), false,    (flags[i] & C98Flag) != 0};
        },
        true);
    FPersonTotals = CountPersonTotals(person, sex);
}

void TStatVWOCursistenPerInstellingForm::FillDatasets() {
    const std::vector<vorn::TIDList*> lists = pageLists();
    for (const std::size_t page : FillOrder)
        FillCategoryTable<vwo::TStatistic>(*CategoryTables[page], *lists[page], VwoTable);
    CompleteGridColumns();
    DisplayTotalen(CategoryTable("CDSStatKlas"));
}

void TStatVWOCursistenPerInstellingForm::DisplayTotalen(TVornClientDataSet& table) {
    bool personsWritten = false;
    WriteTotals(table, [this, &personsWritten](const QString& label, QString& text) {
        if (label != QLatin1String("Personen") && label != QLatin1String("Mannen") &&
            label != QLatin1String("Vrouwen"))
            return false;
        if (personsWritten)
            return true;
        personsWritten = true;
        text += QStringLiteral("    Personen: %1    Mannen: %2    Vrouwen: %3")
                    .arg(FPersonTotals.persons)
                    .arg(FPersonTotals.men)
                    .arg(FPersonTotals.women);
        return true;
    });
}

void TStatVWOCursistenPerInstellingForm::ShowPageChart(int page, int figure) {
    ShowChartData<vwo::TStatistic>(figure, *pageLists()[static_cast<std::size_t>(page)],
                                   *Charts[static_cast<std::size_t>(page)], ChartCaptionOf(page, figure));
}

const std::vector<KeywordRule>& TStatVWOCursistenPerInstellingForm::KeywordRules() const {
    static const std::vector<KeywordRule> rules = KeywordRulesOf(VwoCategories());
    return rules;
}

vorn::TIDList* TStatVWOCursistenPerInstellingForm::ListOfItem(int item) const {
    return CategoryListOfItem(*this, VwoCategories(), item);
}

std::unique_ptr<TSelectStatForm> TStatVWOCursistenPerInstellingForm::CreateSelectDialog() {
    return std::make_unique<TSelectVWOStatForm>(this);
}

std::int32_t TStatVWOCursistenPerInstellingForm::CreditHoursOf(const TParticipantStatistic&) const {
    return 0; // the VWO statistic has no credit hours
}

QStringList TStatVWOCursistenPerInstellingForm::FigureFields() const {
    return {"Count",    "CountFin",   "CountNotFin", "CountPersoon",
            "CountMan", "CountVrouw", "CountC98",    "LesurenCursist"};
}

const TRegime<TStatVWOCursistenPerInstellingForm, vwo::TStatistic>& VwoCategories() {
    using Form = TStatVWOCursistenPerInstellingForm;
    // list, lookup, key column, by text, keyword, keyword rank, dialog item, page
    static const TRegime<Form, vwo::TStatistic> categories{
        {&Form::FKlasStats, &Form::GetKlasStat, "VWK_ID", false, "klas", 3, "Per klas", 0},
        {&Form::FModulevariantStats, &Form::GetModulevariantStat, "VMV_ID", false, "modulevariant", 1,
         "Per modulevariant", 1},
        {&Form::FModuleStats, &Form::GetModuleStat, "VOM_ID", false, "module", 2, "Per module", 3},
        {&Form::FOpleidingsvariantStats, &Form::GetOpleidingsvariantStat, "VOO_ID", false,
         "opleidingsvariant", 4, "Per Opleidingsvariant", 4},
        {&Form::FOpleidingStats, &Form::GetOpleidingStat, "VO_ID", false, "opleiding", 5, "Per opleiding", 5},
        {&Form::FTarievenStats, &Form::GetTariefStat, "VL_VWOTARIEF_FK", false, "tarief", 6, "Per tarief", 6},
        {&Form::FVestigingStats, &Form::GetVestigingStat, "VWK_VESTIGINGSPLAATS_FK", false, "vestiging", 7,
         "Per vestiging", 7},
        {&Form::FLesplaatsStats, &Form::GetLesplaatsStat, "VLP_OMSCHRIJVING", true, "lesplaats", 8,
         "Per lesplaats", 8},
        {&Form::FIngModulevariantStats, &Form::GetIngModuleVariantStat, "IMV_ID", false,
         "ingerichte modulevariant", 0, "Per Ingerichte modulevariant", 2}};
    return categories;
}

} // namespace telmod
