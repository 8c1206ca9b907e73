#include "frmStatCursPerInst.h"

#include "dlgSelectOSPStat.h"
#include "participantrows.h"

#include "host/data/schoolyear.h"

#include <array>

namespace telmod {

namespace osp {

void TStatistic::Reset() {
    TParticipantStatistic::Reset();
    FKredietUren = 0;
}

void TStatistic::AddCounted(const TTally& tally) {
    TParticipantStatistic::AddCounted(tally);
    AddWrapping(FKredietUren, static_cast<std::int32_t>(tally.creditHours));
}

void TStatistic::IncCounts(std::int32_t LLID, std::int32_t LUC, bool Fin, bool Man, bool AKU, bool C98) {
    CountRow(LLID, LUC, Fin, Man, C98);
    if (AKU)
        AddWrapping(FKredietUren, 1);
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
    case stkredietUren:
        return FKredietUren;
    case stC98:
        return C98Count();
    case stlesurencursist:
        return LesurenCursist();
    default:
        return 0;
    }
}

} // namespace osp

namespace {

QStringList ospFigures() {
    return {QStringLiteral("Inschrijvingen (curricula)"),
            QStringLiteral("Financierbare cursisten"),
            QStringLiteral("Niet financierbare cursisten"),
            QStringLiteral("Personen"),
            QStringLiteral("Mannen"),
            QStringLiteral("Vrouwen"),
            QStringLiteral("Aanvragen kredieturen"),
            QStringLiteral("C98 personen"),
            QStringLiteral("Lesuren cursist")};
}

const std::vector<CategoryPage>& ospPages() {
    static const std::vector<CategoryPage> pages{
        {"TSGPerKlas", "Per Klas", "GStatKlas", "GStatKlasDBTableView1", "DSSStatKlas", "CDSStatKlas",
         "TSLLPerKlas", "Per Klas", "SBPerKlas", "BCKlas", "Cursisten per klas"},
        {"TSGEenheid", "Per Eenheid", "GEenheid", "GEenheidDBTableView1", "DSStatEenheid", "CDSStatEenheid",
         "TSPerGraad", "Per Eenheid", "SBPerGraad", "BCEenheid", "Cursisten per eenheid"},
        {"TSGPerAdmGroep", "Per Adm. groep", "GAdmGroep", "GAdmGroepDBTableView1", "DSStatAdmGroep",
         "CDSStatAdmGroep", "TSPerAdmGroep", "Per Adm. Groep", "SBPerAdmGroep", "BCAdmgroep",
         "Cursisten per administratieve groep"},
        {"TSGOpleiding", "Per Opleiding", "GStatOpleiding", "GStatOpleidingDBTableView1", "DSStatOpleiding",
         "CDSStatOpleiding", "TSPerLeerjaar", "Per Opleiding", "SBPerLeerjaar", "BCOpleiding",
         "Cursisten per opleiding"},
        {"TSGStudiegebied", "Per studiegebied", "GStudiegebied", "GStudiegebiedDBTableView1",
         "DSStatStudiegebied", "CDSStatStudiegebied", "TSStudiegebied", "Per studiegebied", "ScrollBox1",
         "BCStudiegebied", "Cursisten per studiegebied", true, true},
        {"TSGPerVrijstellingIG", "Per Vrijstelling IG", "GStatVrijstellingIG",
         "GStatVrijstellingIGDBTableView1", "DSStatVrijstellingIG", "CDSStatVrijstellingIG",
         "TSVrijstellingIF", "Per Vrijstelling IG", "SBVrijstelling", "BCVrijstellingIG",
         "Cursisten per type vrijstelling ingschrijfgeld"},
        {"cxTabSheet1", "Per Vestigingsplaats", "GStatVestiging", "VornGridDBTableView1", "DSStatVestiging",
         "CDSStatVestiging", "cxTabSheet3", "Per Vestigingsplaats", "SBVestiging", "BCVestiging",
         "Cursisten per vestigingsplaats", false, false, BranchColumns()},
        {"cxTabSheet2", "Per Lesplaats", "GStatLesplaats", "VornGridDBTableView2", "DSStatLesplaats",
         "CDSStatLesplaats", "cxTabSheet4", "Per Lesplaats", "SBLesplaats", "BCLesplaats",
         "Cursisten per lesplaats"}};
    return pages;
}

const CategoryTableLayout OspTable{true, QStringLiteral("Vrouwen.")};

} // namespace

TStatCursistenPerInstellingForm::TStatCursistenPerInstellingForm(QWidget* parent)
    : TParticipantStatsForm(parent, {false, 100, 214, 9, ospFigures()}, ospPages()) {
    Caption = QStringLiteral("Stat Cursisten per instelling");
    DefaultBrowserForm = QStringLiteral("TStatBrowseOSPInstellingenForm");
    ReportDefs = {{QStringLiteral("Statistiek per klas"), QStringLiteral("ospstatklas.arf")},
                  {QStringLiteral("Statistiek per adm. groep"), QStringLiteral("ospstatadmgroep.arf")},
                  {QStringLiteral("Statistiek per eenheid"), QStringLiteral("ospstateenheid.arf")},
                  {QStringLiteral("Statistiek per opleiding"), QStringLiteral("ospstatopleiding.arf")},
                  {QStringLiteral("Statistiek per type vrijstelling inschrijfgeld"),
                   QStringLiteral("ospstatvrijstellingig.arf")},
                  {QStringLiteral("Statistiek per vestigingsplaats"), QStringLiteral("ospstatvestiging.arf")},
                  {QStringLiteral("Statistiek per lesplaats"), QStringLiteral("ospstatlesplaats.arf")}};
    declareDatasets();

    ASchooljaar = ActionList1->Add(QStringLiteral("Huidig schooljaar"));
    ASchooljaar->OnExecute = [this](QObject* sender) { ASchooljaarExecute(sender); };
    BHuidigSchooljaar = new vorn::TVornButton(PTop);
    BHuidigSchooljaar->setObjectName(QStringLiteral("BHuidigSchooljaar"));
    BHuidigSchooljaar->SetAction(ASchooljaar);
    PTop->Place(BHuidigSchooljaar, QRect(393, 33, 107, 25));

    setTabOrder(LEinstelling, EVanafDatum->Editor());
    setTabOrder(EVanafDatum->Editor(), CBView);
    setTabOrder(CBView, BFetch);
    setTabOrder(BFetch, CBStatType);
    setTabOrder(CBStatType, ETotDatum->Editor());
    setTabOrder(ETotDatum->Editor(), BHuidigSchooljaar);
    PlacePeriodPresets(393 + 107 + 6);
    setTabOrder(BHuidigSchooljaar, BPeriodes);
    PCGrids->SetActivePageIndex(0);
    PCStats->SetActivePageIndex(6);
}

TStatCursistenPerInstellingForm::~TStatCursistenPerInstellingForm() {
    releaseCategoryLists();
}

const vorn::TFormClass& TStatCursistenPerInstellingForm::Class() {
    static const vorn::TFormClass formClass(QStringLiteral("TStatCursistenPerInstellingForm"),
                                            [] { return new TStatCursistenPerInstellingForm; });
    return formClass;
}

void TStatCursistenPerInstellingForm::declareDatasets() {
    using vorn::FieldDef;
    using vorn::TFieldType;
    CDSAllStats.SetProviderName(QStringLiteral("DSPOSPCursistStats"));
    CDSAllStats.AutoOpen = false;
    CDSAllStats.Params().CreateParam(TFieldType::Integer, QStringLiteral("IS_ID"));
    CDSAllStats.Params().CreateParam(TFieldType::DateTime, QStringLiteral("EindDatum"));
    CDSAllStats.Params().CreateParam(TFieldType::DateTime, QStringLiteral("BeginDatum"));
    for (const char* name : {"CU_ID", "LL_ID", "AG_ID", "OE_ID"})
        CDSAllStats.AddField(FieldDef::integer(name));
    CDSAllStats.AddField(FieldDef::string("CU_FINANCIERBAARHEID", 10));
    CDSAllStats.AddField(FieldDef::integer("CU_FINANCIERBAARHEID_FKP"));
    CDSAllStats.AddField(FieldDef::fixedChar("LL_GESLACHT", 1));
    CDSAllStats.AddField(FieldDef::integer("KH_ID"));
    CDSAllStats.AddField(FieldDef::integer("KL_ID").req());
    for (const char* name : {"OO_ID", "AG_STUDIEGEBIED_FKP", "CU_OSPVRIJSTELLINGIG_FK"})
        CDSAllStats.AddField(FieldDef::integer(name));
    CDSAllStats.AddField(FieldDef::fixedChar("CU_AANVRAAGKREDIETUREN", 1));
    for (const char* name : {"LL_FLAGS", "IU_ID", "OI_ID", "EE_LESTIJDEN", "OE_DEFAULTLESTIJDEN"})
        CDSAllStats.AddField(FieldDef::integer(name));
    CDSAllStats.AddField(FieldDef::integer("KL_VESTIGINGSPLAATS_FK").req());
    CDSAllStats.AddField(FieldDef::string("KL_MATRIXLESPLAATS", 0));

    CDSKLassen.SetProviderName(QStringLiteral("DSPBrowseOSPKlas"));
    CDSKLassen.AutoOpen = false;
    CDSKLassen.Params().CreateParam(TFieldType::Integer, QStringLiteral("SC_ID"));
    CDSKLassen.Params().CreateParam(TFieldType::DateTime, QStringLiteral("EindDatum"));
    CDSKLassen.Params().CreateParam(TFieldType::DateTime, QStringLiteral("BeginDatum"));
    CDSKLassen.AddField(FieldDef::integer("KL_ID").req().label("ID").hidden());
    CDSKLassen.AddField(FieldDef::string("KL_TRAJECTCODE", 15).req().label("Trajectcode"));
    CDSKLassen.AddField(FieldDef::string("KL_CODE", 10).req().label("Code"));
    CDSKLassen.AddField(FieldDef::string("KL_OMSCHRIJVING", 80).label("Klas"));
    CDSKLassen.AddField(FieldDef::integer("KL_TRAJECT_FK").label("Traject ID").hidden());

    CDSEenheden.SetProviderName(QStringLiteral("DSPSelectOffEenheid"));
    CDSEenheden.AutoOpen = false;
    CDSEenheden.AddField(FieldDef::string("OE_CODE", 6));
    CDSEenheden.AddField(FieldDef::string("OE_NAAM", 150).req());
    CDSEenheden.AddField(FieldDef::string("AG_CODE", 6).req());
    CDSEenheden.AddField(FieldDef::integer("OE_ID").req());
    CDSEenheden.AddField(FieldDef::integer("OE_DEFAULTLESTIJDEN"));
    CDSEenheden.AddField(FieldDef::integer("AG_ID").req());

    CDSAdmGroepen.SetProviderName(QStringLiteral("DSPSelectOSPAdmGroep"));
    CDSAdmGroepen.AutoOpen = false;
    CDSAdmGroepen.SortFields = QStringLiteral("AG_OMSCHRIJVING");
    CDSAdmGroepen.SortDescFields = CDSAdmGroepen.SortFields;
    CDSAdmGroepen.AddField(FieldDef::string("AG_CODE", 6).req());
    CDSAdmGroepen.AddField(FieldDef::integer("AG_HOOFDSTRUCTUUR_FKP").req());
    CDSAdmGroepen.AddField(FieldDef::string("P_CODE", 10).req());
    CDSAdmGroepen.AddField(FieldDef::string("AG_OMSCHRIJVING", 200));
    CDSAdmGroepen.AddField(FieldDef::integer("AG_LEERJAAR_FKP").req());
    CDSAdmGroepen.AddField(FieldDef::integer("AG_GRAAD_FKP").req());
    CDSAdmGroepen.AddField(FieldDef::date("AG_GELDIGVAN").req());
    CDSAdmGroepen.AddField(FieldDef::date("AG_GELDIGTOT").req());
    for (const char* name : {"AG_ID", "AG_ONDERWIJSVORM_FKP", "AG_OPLEIDINGSVORM_FKP", "AG_AFDELING_FKP",
                             "AG_LEERJAARINGRAAD_FKP"})
        CDSAdmGroepen.AddField(FieldDef::integer(name).req());

    CDSOpleidingen.SetProviderName(QStringLiteral("DSPSelectOSPOffOpleiding"));
    CDSOpleidingen.AutoOpen = false;
    CDSOpleidingen.AddField(FieldDef::fixedChar("OO_CODE", 4).req());
    CDSOpleidingen.AddField(FieldDef::integer("OO_ID").req());
    CDSOpleidingen.AddField(FieldDef::string("OO_OMSCHRIJVING", 100).req());

    CDSStudiegebied.ParamByName(QStringLiteral("P_Type")).SetAsString(QStringLiteral("STGB"));
    CDSStudiegebied.AddField(FieldDef::string("P_CODE", 10).req());
    CDSStudiegebied.AddField(FieldDef::string("P_EXTRA", 10));
    CDSStudiegebied.AddField(FieldDef::integer("P_ID").req());
    CDSStudiegebied.AddField(FieldDef::string("P_OMSCHRIJVING", 1024));

    CDSVrijstellingInschrijvingsgeld.SetProviderName(QStringLiteral("DSPSelectOSPVrijstellingIG"));
    CDSVrijstellingInschrijvingsgeld.Params().CreateParam(TFieldType::Integer, QStringLiteral("IS_ID"));
    CDSVrijstellingInschrijvingsgeld.AddField(FieldDef::fixedChar("OVI_CODE", 2).req().label("Code"));
    CDSVrijstellingInschrijvingsgeld.AddField(
        FieldDef::string("OVI_OMSCHRIJVING", 80).req().label("OMSCHRIJVING"));
    CDSVrijstellingInschrijvingsgeld.AddField(
        FieldDef::decimal("OVI_BEDRAGCURSIST", 18, 2).req().label("Bedrag cursist"));
    CDSVrijstellingInschrijvingsgeld.AddField(
        FieldDef::decimal("OVI_BEDRAGFONDS", 18, 2).req().label("Bedrag fonds"));
    CDSVrijstellingInschrijvingsgeld.AddField(FieldDef::integer("OVI_ID").req().label("ID").hidden());
    CDSVrijstellingInschrijvingsgeld.IDField = QStringLiteral("OVI_ID");

    DeclareBranchList(CDSVestiging);

    DeclarePrintTable(CDSPrint, QStringLiteral("DSPOSPPrintStats"), true);

    for (vorn::TVornClientDataSet* dataSet : std::initializer_list<vorn::TVornClientDataSet*>{
             &CDSAllStats, &CDSKLassen, &CDSEenheden, &CDSAdmGroepen, &CDSOpleidingen, &CDSStudiegebied,
             &CDSVrijstellingInschrijvingsgeld, &CDSVestiging, &CDSPrint})
        RegisterDataSet(dataSet);

    klassen_ = {&CDSKLassen, QStringLiteral("KL_ID"),
                [](const vorn::TVornClientDataSet& row) {
                    return row.FieldByName(QStringLiteral("KL_TRAJECTCODE")).AsString() + u' ' +
                           row.FieldByName(QStringLiteral("KL_CODE")).AsString();
                },
                FieldText(QStringLiteral("KL_OMSCHRIJVING"))};
    admGroepen_ = {&CDSAdmGroepen, QStringLiteral("AG_ID"), FieldText(QStringLiteral("AG_CODE")),
                   FieldText(QStringLiteral("AG_OMSCHRIJVING"))};
    eenheden_ = {&CDSEenheden, QStringLiteral("OE_ID"), FieldText(QStringLiteral("OE_CODE")),
                 FieldText(QStringLiteral("OE_NAAM"))};
    opleidingen_ = {&CDSOpleidingen, QStringLiteral("OO_ID"), FieldText(QStringLiteral("OO_CODE")),
                    FieldText(QStringLiteral("OO_OMSCHRIJVING"))};
    studiegebieden_ = {&CDSStudiegebied, QStringLiteral("P_ID"), FieldText(QStringLiteral("P_CODE")),
                       FieldText(QStringLiteral("P_OMSCHRIJVING"))};
    vrijstellingen_ = {&CDSVrijstellingInschrijvingsgeld, QStringLiteral("OVI_ID"),
                       FieldText(QStringLiteral("OVI_CODE")), FieldText(QStringLiteral("OVI_OMSCHRIJVING"))};
    vestigingen_ = BranchNames(CDSVestiging);
}

void TStatCursistenPerInstellingForm::CreateCategoryLists() {
    releaseCategoryLists();
    CreateCategoryListsOf(*this, OspCategories());
}

void TStatCursistenPerInstellingForm::releaseCategoryLists() {
    if (FKlasStats != nullptr)
        ClearStats();
}

std::vector<vorn::TIDList*> TStatCursistenPerInstellingForm::pageLists() const {
    return CategoryListsByPage(*this, OspCategories());
}

void TStatCursistenPerInstellingForm::ASchooljaarExecute(QObject*) {
    const vorn::TDateTime now = vorn::Today();
    EVanafDatum->SetDate(vorn::GetSchooljaarStartFrom(now));
    ETotDatum->SetDate(vorn::GetSchooljaarEndExtFrom(now));
}

void TStatCursistenPerInstellingForm::ClearStats() {
    FreeCategoryListsOf(*this, OspCategories());
    FLesplaatsen.Clear();
}

void TStatCursistenPerInstellingForm::CloseDatasets() {
    for (vorn::TVornClientDataSet* dataSet : std::initializer_list<vorn::TVornClientDataSet*>{
             &CDSAllStats, &CDSKLassen, &CDSAdmGroepen, &CDSEenheden, &CDSStudiegebied, &CDSOpleidingen,
             &CDSVrijstellingInschrijvingsgeld, &CDSVestiging})
        dataSet->Close();
    for (const char* table :
         {"CDSStatKlas", "CDSStatEenheid", "CDSStatAdmGroep", "CDSStatStudiegebied", "CDSStatOpleiding",
          "CDSStatVrijstellingIG", "CDSStatVestiging", "CDSStatLesplaats"})
        CategoryTable(table).Close();
}

void TStatCursistenPerInstellingForm::OpenDatasets() {
    OpenForPeriod(CDSAllStats, QStringLiteral("IS_ID"), FISID, FVanaf, FTot);
    OpenForPeriod(CDSKLassen, QStringLiteral("SC_ID"), FSCID, FVanaf, FTot);
    for (vorn::TVornClientDataSet* dataSet :
         std::initializer_list<vorn::TVornClientDataSet*>{&CDSVrijstellingInschrijvingsgeld, &CDSAdmGroepen,
                                                          &CDSEenheden, &CDSOpleidingen, &CDSStudiegebied})
        dataSet->Open();
    CDSVestiging.ParamByName(QStringLiteral("IS_ID")).SetAsInteger(FISID);
    CDSVestiging.Open();
}

osp::TStatistic* TStatCursistenPerInstellingForm::GetKlasStat(std::int32_t id) {
    return NamedStat<osp::TStatistic>(id, *FKlasStats, klassen_);
}

osp::TStatistic* TStatCursistenPerInstellingForm::GetAdmGroepStat(std::int32_t id) {
    return NamedStat<osp::TStatistic>(id, *FAdmGroepStats, admGroepen_);
}

osp::TStatistic* TStatCursistenPerInstellingForm::GetOffEenheidStat(std::int32_t id) {
    return NamedStat<osp::TStatistic>(id, *FEenheidStats, eenheden_);
}

osp::TStatistic* TStatCursistenPerInstellingForm::GetOpleidingStat(std::int32_t id) {
    return NamedStat<osp::TStatistic>(id, *FOpleidingStats, opleidingen_);
}

osp::TStatistic* TStatCursistenPerInstellingForm::GetStudiegebiedStat(std::int32_t id) {
    return NamedStat<osp::TStatistic>(id, *FStudiegebiedStats, studiegebieden_);
}

osp::TStatistic* TStatCursistenPerInstellingForm::GetVrijstellingIGStat(std::int32_t id) {
    return NamedStat<osp::TStatistic>(id, *FVrijstellingIGStats, vrijstellingen_);
}

osp::TStatistic* TStatCursistenPerInstellingForm::GetVestigingStat(std::int32_t id) {
    return NamedStat<osp::TStatistic>(id, *FVestigingStats, vestigingen_);
}

osp::TStatistic* TStatCursistenPerInstellingForm::GetLesplaatsStat(std::int32_t id) {
    return LocationStat<osp::TStatistic>(id, *FLesplaatsStats, FLesplaatsen.Text(id));
}

void TStatCursistenPerInstellingForm::FillCharts() {
    // Each person's rows in enrolment order: the statement itself gives its rows in no set order.
    CDSAllStats.Sort(QStringLiteral("LL_ID;CU_ID"), {});
    CountEnrolments();
    FillDatasets();
    DisplayCharts();
}

void TStatCursistenPerInstellingForm::CountEnrolments() {
    std::vector<CategoryCount<osp::TStatistic>> categories =
        CountedCategories(*this, OspCategories(), CDSAllStats, FLesplaatsen);

    const auto person = IntegerView(CDSAllStats, "LL_ID");
    const auto hours = IntegerView(CDSAllStats, "EE_LESTIJDEN");
    const auto defaultHours = IntegerView(CDSAllStats, "OE_DEFAULTLESTIJDEN");
    const auto flags = IntegerView(CDSAllStats, "LL_FLAGS");
    const auto fin = TextView(CDSAllStats, "CU_FINANCIERBAARHEID");
    const auto sex = TextView(CDSAllStats, "LL_GESLACHT");
    const auto creditHours = TextView(CDSAllStats, "CU_AANVRAAGKREDIETUREN");
    CountCategories(
        categories, person.size(),
        [&](std::size_t i) {
            const std::int32_t own = hours[i];
            return RowCounts{person[i],       own != 0 ? own : defaultHours[i], Is(fin[i], "12"),
                             Is(sex[i], "M"), Is(creditHours[i], "+"),          (flags[i] & C98Flag) != 0};
        },
        false);
}

void TStatCursistenPerInstellingForm::FillDatasets() {
    const std::vector<vorn::TIDList*> lists = pageLists();
    for (std::size_t page = 0; page < lists.size(); ++page)
        FillCategoryTable<osp::TStatistic>(*CategoryTables[page], *lists[page], OspTable);
    CompleteGridColumns();
    DisplayTotalen(CategoryTable("CDSStatKlas"));
}

void TStatCursistenPerInstellingForm::ShowPageChart(int page, int figure) {
    ShowChartData<osp::TStatistic>(figure, *pageLists()[static_cast<std::size_t>(page)],
                                   *Charts[static_cast<std::size_t>(page)], ChartCaptionOf(page, figure));
}

const std::vector<KeywordRule>& TStatCursistenPerInstellingForm::KeywordRules() const {
    static const std::vector<KeywordRule> rules = KeywordRulesOf(OspCategories());
    return rules;
}

vorn::TIDList* TStatCursistenPerInstellingForm::ListOfItem(int item) const {
    return CategoryListOfItem(*this, OspCategories(), item);
}

std::unique_ptr<TSelectStatForm> TStatCursistenPerInstellingForm::CreateSelectDialog() {
    return std::make_unique<TSelectOSPStatForm>(this);
}

std::int32_t TStatCursistenPerInstellingForm::CreditHoursOf(const TParticipantStatistic& statistic) const {
    return static_cast<const osp::TStatistic&>(statistic).KredietUrenCount();
}

QStringList TStatCursistenPerInstellingForm::FigureFields() const {
    return {"Count",      "CountFin",     "CountNotFin", "CountPersoon",  "CountMan",
            "CountVrouw", "CountKrediet", "CountC98",    "LesurenCursist"};
}

const TRegime<TStatCursistenPerInstellingForm, osp::TStatistic>& OspCategories() {
    using Form = TStatCursistenPerInstellingForm;
    // list, lookup, key column, by text, keyword, keyword rank, dialog item, page
    static const TRegime<Form, osp::TStatistic> categories{
        {&Form::FKlasStats, &Form::GetKlasStat, "KL_ID", false, "klas", 2, "Per klas", 0},
        {&Form::FEenheidStats, &Form::GetOffEenheidStat, "OE_ID", false, "eenheid", 1, "Per eenheid", 1},
        {&Form::FAdmGroepStats, &Form::GetAdmGroepStat, "AG_ID", false, "adm", 0, "Per adm. groep", 2},
        {&Form::FOpleidingStats, &Form::GetOpleidingStat, "OO_ID", false, "opleiding", 4, "Per Opleiding", 3},
        {&Form::FStudiegebiedStats, &Form::GetStudiegebiedStat, "AG_STUDIEGEBIED_FKP", false, "studie", 3,
         "Per Studiegebied", 4},
        {&Form::FVrijstellingIGStats, &Form::GetVrijstellingIGStat, "CU_OSPVRIJSTELLINGIG_FK", false,
         "vrijstelling", 5, "Per type vrijstelling inschrijfgeld", 5},
        {&Form::FVestigingStats, &Form::GetVestigingStat, "KL_VESTIGINGSPLAATS_FK", false, "vestiging", 6,
         "Per vestigingsplaats", 6},
        {&Form::FLesplaatsStats, &Form::GetLesplaatsStat, "KL_MATRIXLESPLAATS", true, "lesplaats", 7,
         "Per lesplaats", 7}};
    return categories;
}

} // namespace telmod
