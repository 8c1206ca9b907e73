#include "providers.h"

namespace vorn::server {

namespace {

using F = FieldDef;
constexpr auto Int = TFieldType::Integer;
// Every period and reference date is compared with DATE columns, so the parameters are dates.
constexpr auto DateTime = TFieldType::Date;
constexpr auto Date = TFieldType::Date;
constexpr auto Text = TFieldType::WideString;

// Who counts on a date or in a period: a row whose begin is on or before the end of the period and
// whose end is open or on or after its start.
QString onDate(const QString& alias, const QString& prefix, const QString& date) {
    return QStringLiteral("%1.%2_BEGINDATUM <= :%3 AND (%1.%2_EINDDATUM IS NULL OR %1.%2_EINDDATUM >= :%3)")
        .arg(alias, prefix, date);
}

QString inPeriod(const QString& alias, const QString& prefix, const QString& begin, const QString& end) {
    return QStringLiteral("%1.%2_BEGINDATUM <= :%4 AND (%1.%2_EINDDATUM IS NULL OR %1.%2_EINDDATUM >= :%3)")
        .arg(alias, prefix, begin, end);
}

std::vector<F> institutionBrowseFields() {
    return {F::wideString("IS_CODE", 5).req(),
            F::wideString("SC_INSTELLINGSNUMMER", 6).req(),
            F::wideString("IS_NAAMGEBRUIKER", 80),
            F::wideString("SC_NAAM", 120).req(),
            F::wideString("GM_POSTNUMMER", 10),
            F::wideString("GM_DEELGEMEENTE", 80),
            F::integer("IS_ID").req(),
            F::integer("SC_GEMEENTE_FK"),
            F::integer("SC_ID").req(),
            F::integer("IS_FLAGS").req()};
}

QString institutionBrowseSql(const QString& regimeCondition) {
    return QStringLiteral(
               "SELECT i.IS_CODE, s.SC_INSTELLINGSNUMMER, i.IS_NAAMGEBRUIKER, s.SC_NAAM, g.GM_POSTNUMMER, "
               "g.GM_DEELGEMEENTE, i.IS_ID, s.SC_GEMEENTE_FK, s.SC_ID, i.IS_FLAGS "
               "FROM INSTELLING i JOIN SCHOOL s ON s.SC_ID = i.IS_SCHOOL_FK "
               "LEFT JOIN GEMEENTE g ON g.GM_ID = s.SC_GEMEENTE_FK %1 ORDER BY i.IS_CODE")
        .arg(regimeCondition);
}

// Pupils enrolled in the institution on the work date.
QString pupilsOnDate() {
    return QStringLiteral("FROM LOOPBAAN lb %1 WHERE lb.LB_INSTELLING_FK = :IS_ID AND ") +
           onDate("lb", "LB", "WerkDatum");
}

QString pupilCount(const QString& select, const QString& joins, const QString& extra, const QString& group) {
    return QStringLiteral("SELECT %1 ").arg(select) + pupilsOnDate().arg(joins) + extra +
           QStringLiteral(" GROUP BY %1 ORDER BY %1").arg(group);
}

const QString PupilCountColumn = QStringLiteral("COUNT(DISTINCT lb.LB_LEERLING_FK) AS THECOUNT");

std::vector<ProviderDef> pupilProviders() {
    const std::vector<ParamDefinition> dateAndInstitution{{"WerkDatum", DateTime}, {"IS_ID", Int}};
    std::vector<ProviderDef> list;
    list.push_back({"DSPStatLLPerKlas",
                    ProviderDef::Kind::Query,
                    {{"SJ_ID", Int}, {"WerkDatum", DateTime}, {"IS_ID", Int}},
                    {F::wideString("KL_CODE", 10), F::integer("KL_ID"), F::wideString("KL_OMSCHRIJVING", 80),
                     F::largeint("THECOUNT").req()},
                    QStringLiteral("SELECT k.KL_CODE, k.KL_ID, k.KL_OMSCHRIJVING, ") + PupilCountColumn +
                        " " + pupilsOnDate().arg("JOIN KLAS k ON k.KL_ID = lb.LB_KLAS_FK") +
                        " AND k.KL_SCHOOLJAAR_FK = :SJ_ID GROUP BY k.KL_CODE, k.KL_ID, k.KL_OMSCHRIJVING "
                        "ORDER BY k.KL_CODE, k.KL_ID",
                    {},
                    "Leerlingen per klas op een datum"});
    list.push_back({"DSPStatLLPerGRaad",
                    ProviderDef::Kind::Query,
                    dateAndInstitution,
                    {F::wideString("LB_GRAAD", 10), F::largeint("THECOUNT").req()},
                    pupilCount("lb.LB_GRAAD, " + PupilCountColumn, "", "", "lb.LB_GRAAD"),
                    {},
                    "Leerlingen per graad op een datum"});
    list.push_back(
        {"DSPStatLLPerLeerJaar",
         ProviderDef::Kind::Query,
         dateAndInstitution,
         {F::wideString("LB_LEERJAAR", 10), F::largeint("THECOUNT").req(),
          F::wideString("LB_HOOFDSTRUCTUUR", 10)},
         QStringLiteral("SELECT lb.LB_LEERJAAR, ") + PupilCountColumn + ", lb.LB_HOOFDSTRUCTUUR " +
             pupilsOnDate().arg("") +
             " GROUP BY lb.LB_HOOFDSTRUCTUUR, lb.LB_LEERJAAR ORDER BY lb.LB_HOOFDSTRUCTUUR, lb.LB_LEERJAAR",
         {},
         "Leerlingen per leerjaar op een datum"});
    list.push_back(
        {"DSPStatLLPerAdmGroep",
         ProviderDef::Kind::Query,
         dateAndInstitution,
         {F::integer("AG_ID"), F::wideString("AG_CODE", 6), F::wideString("AG_OMSCHRIJVING", 200),
          F::largeint("THECOUNT").req()},
         QStringLiteral("SELECT ag.AG_ID, ag.AG_CODE, ag.AG_OMSCHRIJVING, ") + PupilCountColumn + " " +
             pupilsOnDate().arg("JOIN ADMGROEP ag ON ag.AG_ID = lb.LB_ADMGROEP_FK") +
             " GROUP BY ag.AG_ID, ag.AG_CODE, ag.AG_OMSCHRIJVING ORDER BY ag.AG_OMSCHRIJVING, ag.AG_ID",
         {},
         "Leerlingen per administratieve groep op een datum"});
    list.push_back({"DSPSTatLLPerVakkenPakket",
                    ProviderDef::Kind::Query,
                    {{"WerkDatum", DateTime}, {"IS_ID", Int}, {"SJ_ID", Int}},
                    {F::integer("VK_ID").req(), F::wideString("VK_CODE", 6).req(),
                     F::wideString("VK_OMSCHRIJVING", 80), F::largeint("THECOUNT").req()},
                    QStringLiteral("SELECT vk.VK_ID, vk.VK_CODE, vk.VK_OMSCHRIJVING, ") + PupilCountColumn +
                        " " + pupilsOnDate().arg("JOIN VAKKENPAKKET vk ON vk.VK_ID = lb.LB_VAKKENPAKKET_FK") +
                        " AND vk.VK_SCHOOLJAAR_FK = :SJ_ID GROUP BY vk.VK_ID, vk.VK_CODE, vk.VK_OMSCHRIJVING "
                        "ORDER BY vk.VK_CODE, vk.VK_ID",
                    {},
                    "Leerlingen per vakkenpakket op een datum"});
    list.push_back(
        {"DSPStatLLPerLeerjaarGraad",
         ProviderDef::Kind::Query,
         dateAndInstitution,
         {F::wideString("LB_LEERJAAR", 10), F::largeint("THECOUNT").req(), F::wideString("LB_GRAAD", 10)},
         QStringLiteral("SELECT lb.LB_LEERJAAR, ") + PupilCountColumn + ", lb.LB_GRAAD " +
             pupilsOnDate().arg("") +
             " GROUP BY lb.LB_GRAAD, lb.LB_LEERJAAR ORDER BY lb.LB_GRAAD, lb.LB_LEERJAAR",
         {},
         "Leerlingen per leerjaar en graad op een datum"});
    list.push_back({"DSPStatLLPerOnderwijsvorm",
                    ProviderDef::Kind::Query,
                    {{"WerkDatum", DateTime}, {"IS_ID", Int}},
                    {F::wideString("LB_ONDERWIJSVORM", 10), F::largeint("THECOUNT")},
                    pupilCount("lb.LB_ONDERWIJSVORM, " + PupilCountColumn, "", "", "lb.LB_ONDERWIJSVORM"),
                    {},
                    "Leerlingen per onderwijsvorm op een datum"});
    const QString birthYear = QStringLiteral(
        "SELECT %1 AS EXTRACT, COUNT(DISTINCT lb.LB_LEERLING_FK) AS THECOUNT %2 GROUP BY %1 ORDER BY %1");
    const QString birthFrom = pupilsOnDate().arg("JOIN LEERLING ll ON ll.LL_ID = lb.LB_LEERLING_FK");
    list.push_back({"DSPStatLLPerGeboorteJaar",
                    ProviderDef::Kind::Query,
                    dateAndInstitution,
                    {F::smallint("EXTRACT"), F::largeint("THECOUNT")},
                    birthYear.arg("CAST(EXTRACT(YEAR FROM ll.LL_GEBOORTEDATUM) AS INTEGER)", birthFrom),
                    birthYear.arg("CAST(strftime('%Y', ll.LL_GEBOORTEDATUM) AS INTEGER)", birthFrom),
                    "Leerlingen per geboortejaar op een datum"});
    return list;
}

std::vector<ProviderDef> staffProviders() {
    const std::vector<ParamDefinition> institutionAndDate{{"IS_ID", Int}, {"WerkDatum", DateTime}};
    const QString hoursFrom =
        QStringLiteral("FROM OPDRACHT op JOIN OFFICIEELVAK ov ON ov.OV_ID = op.OP_OFFICIEELVAK_FK "
                       "WHERE op.OP_INSTELLING_FK = :IS_ID AND op.OP_AMBT IN (6, 7) AND ") +
        onDate("op", "OP", "WerkDatum");
    std::vector<ProviderDef> list;
    list.push_back(
        {"DSPStatUrenInAmbt6en7",
         ProviderDef::Kind::Query,
         institutionAndDate,
         {F::integer("OV_ID"), F::wideString("OV_CODE", 8), F::wideString("OV_OMSCHRIJVING", 80),
          F::decimal("THECOUNT", 18, 3), F::decimal("THETBSOB", 18, 3), F::integer("OV_RUBRICERING_FKP")},
         QStringLiteral("SELECT ov.OV_ID, ov.OV_CODE, ov.OV_OMSCHRIJVING, SUM(op.OP_UREN) AS THECOUNT, "
                        "SUM(op.OP_TBSOB) AS THETBSOB, ov.OV_RUBRICERING_FKP ") +
             hoursFrom +
             " GROUP BY ov.OV_ID, ov.OV_CODE, ov.OV_OMSCHRIJVING, ov.OV_RUBRICERING_FKP "
             "ORDER BY ov.OV_CODE, ov.OV_ID",
         {},
         "Uren in ambt 6 en 7 per officieel vak op een datum"});
    list.push_back(
        {"DSPStatUrenPerGraadInAmbt6en7",
         ProviderDef::Kind::Query,
         institutionAndDate,
         {F::integer("OV_ID"), F::wideString("OV_CODE", 8), F::wideString("OV_OMSCHRIJVING", 80),
          F::decimal("THECOUNT", 18, 3), F::decimal("THETBSOB", 18, 3), F::wideString("OP_GRAAD", 10),
          F::integer("OV_RUBRICERING_FKP")},
         QStringLiteral("SELECT ov.OV_ID, ov.OV_CODE, ov.OV_OMSCHRIJVING, SUM(op.OP_UREN) AS THECOUNT, "
                        "SUM(op.OP_TBSOB) AS THETBSOB, op.OP_GRAAD, ov.OV_RUBRICERING_FKP ") +
             hoursFrom +
             " GROUP BY ov.OV_ID, ov.OV_CODE, ov.OV_OMSCHRIJVING, op.OP_GRAAD, ov.OV_RUBRICERING_FKP "
             "ORDER BY ov.OV_CODE, op.OP_GRAAD, ov.OV_ID",
         {},
         "Uren in ambt 6 en 7 per officieel vak en graad op een datum"});
    list.push_back({"DSPStatPSPopulatie",
                    ProviderDef::Kind::Query,
                    institutionAndDate,
                    {F::date("PS_GEBOORTEDATUM"), F::wideString("PS_GESLACHT", 1), F::integer("PS_ID")},
                    // The staff of the assignments once, not the assignments once per staff member of the
                    // database: the set is looked up by id (5,000 staff in one school: 3 s -> 0.03 s).
                    QStringLiteral("SELECT ps.PS_GEBOORTEDATUM, ps.PS_GESLACHT, ps.PS_ID FROM PERSONEEL ps "
                                   "WHERE ps.PS_ID IN (SELECT op.OP_PERSONEEL_FK FROM OPDRACHT op "
                                   "WHERE op.OP_INSTELLING_FK = :IS_ID AND ") +
                        onDate("op", "OP", "WerkDatum") + ") ORDER BY ps.PS_ID",
                    {},
                    "Personeelsleden met een opdracht in de instelling op een datum"});
    list.push_back({"ParmDropDown",
                    ProviderDef::Kind::Query,
                    {{"P_Type", Text}},
                    {F::integer("P_ID").req(), F::wideString("P_CODE", 10).req(),
                     F::wideString("P_OMSCHRIJVING", 1024), F::wideString("P_EXTRA", 10)},
                    "SELECT P_ID, P_CODE, P_OMSCHRIJVING, P_EXTRA FROM PARAMETER WHERE P_TYPE = :P_Type "
                    "ORDER BY P_CODE, P_ID",
                    {},
                    "Een lijst uit de parametertabel"});
    return list;
}

std::vector<ProviderDef> ospProviders() {
    const std::vector<ParamDefinition> period{
        {"IS_ID", Int}, {"EindDatum", DateTime}, {"BeginDatum", DateTime}};
    std::vector<ProviderDef> list;
    list.push_back(
        {"DSPOSPCursistStats",
         ProviderDef::Kind::Query,
         period,
         {F::integer("CU_ID"),
          F::integer("LL_ID"),
          F::integer("AG_ID"),
          F::integer("OE_ID"),
          F::wideString("CU_FINANCIERBAARHEID", 10),
          F::integer("CU_FINANCIERBAARHEID_FKP"),
          F::fixedChar("LL_GESLACHT", 1),
          F::integer("KH_ID"),
          F::integer("KL_ID").req(),
          F::integer("OO_ID"),
          F::integer("AG_STUDIEGEBIED_FKP"),
          F::integer("CU_OSPVRIJSTELLINGIG_FK"),
          F::fixedChar("CU_AANVRAAGKREDIETUREN", 1),
          F::integer("LL_FLAGS"),
          F::integer("IU_ID"),
          F::integer("OI_ID"),
          F::integer("EE_LESTIJDEN"),
          F::integer("OE_DEFAULTLESTIJDEN"),
          F::integer("KL_VESTIGINGSPLAATS_FK").req(),
          F::wideString("KL_MATRIXLESPLAATS", 80)},
         QStringLiteral(
             "SELECT cu.CU_ID, cu.CU_LEERLING_FK, cu.CU_ADMGROEP_FK, cu.CU_OFFEENHEID_FK, fin.P_CODE, "
             "cu.CU_FINANCIERBAARHEID_FKP, ll.LL_GESLACHT, cu.CU_KLASHISTORIEK_FK, cu.CU_KLAS_FK, "
             "cu.CU_OFFOPLEIDING_FK, ag.AG_STUDIEGEBIED_FKP, cu.CU_OSPVRIJSTELLINGIG_FK, "
             "cu.CU_AANVRAAGKREDIETUREN, "
             "ll.LL_FLAGS, cu.CU_INSCHRIJVING_FK, cu.CU_OPLEIDINGINSCHRIJVING_FK, cu.CU_LESTIJDEN, "
             "oe.OE_DEFAULTLESTIJDEN, kl.KL_VESTIGINGSPLAATS_FK, kl.KL_MATRIXLESPLAATS "
             "FROM CURRICULUM cu JOIN LEERLING ll ON ll.LL_ID = cu.CU_LEERLING_FK "
             "JOIN KLAS kl ON kl.KL_ID = cu.CU_KLAS_FK "
             "LEFT JOIN PARAMETER fin ON fin.P_ID = cu.CU_FINANCIERBAARHEID_FKP "
             "LEFT JOIN ADMGROEP ag ON ag.AG_ID = cu.CU_ADMGROEP_FK "
             "LEFT JOIN OFFEENHEID oe ON oe.OE_ID = cu.CU_OFFEENHEID_FK "
             "WHERE cu.CU_INSTELLING_FK = :IS_ID AND ") +
             inPeriod("cu", "CU", "BeginDatum", "EindDatum"),
         {},
         "Inschrijvingen (curricula) van een CVO in een periode"});
    list.back().splitKey = QStringLiteral("CU_ID");
    list.push_back(
        {"DSPBrowseOSPKlas",
         ProviderDef::Kind::Query,
         {{"SC_ID", Int}, {"EindDatum", DateTime}, {"BeginDatum", DateTime}},
         {F::integer("KL_ID").req(), F::wideString("KL_TRAJECTCODE", 15).req(),
          F::wideString("KL_CODE", 10).req(), F::wideString("KL_OMSCHRIJVING", 80),
          F::integer("KL_TRAJECT_FK")},
         "SELECT kl.KL_ID, COALESCE(tr.TR_CODE, ''), kl.KL_CODE, kl.KL_OMSCHRIJVING, kl.KL_TRAJECT_FK "
         "FROM KLAS kl LEFT JOIN TRAJECT tr ON tr.TR_ID = kl.KL_TRAJECT_FK "
         "WHERE kl.KL_SCHOOL_FK = :SC_ID AND (kl.KL_BEGINDATUM IS NULL OR kl.KL_BEGINDATUM <= :EindDatum) "
         "AND (kl.KL_EINDDATUM IS NULL OR kl.KL_EINDDATUM >= :BeginDatum) ORDER BY kl.KL_ID",
         {},
         "Klassen van een school in een periode"});
    list.push_back(
        {"DSPSelectOffEenheid",
         ProviderDef::Kind::Query,
         {},
         {F::wideString("OE_CODE", 6), F::wideString("OE_NAAM", 150).req(), F::wideString("AG_CODE", 6).req(),
          F::integer("OE_ID").req(), F::integer("OE_DEFAULTLESTIJDEN"), F::integer("AG_ID").req()},
         "SELECT oe.OE_CODE, oe.OE_NAAM, ag.AG_CODE, oe.OE_ID, oe.OE_DEFAULTLESTIJDEN, ag.AG_ID "
         "FROM OFFEENHEID oe JOIN ADMGROEP ag ON ag.AG_ID = oe.OE_ADMGROEP_FK ORDER BY oe.OE_ID",
         {},
         "Officiële eenheden"});
    list.push_back(
        {"DSPSelectOSPAdmGroep",
         ProviderDef::Kind::Query,
         {},
         {F::wideString("AG_CODE", 6).req(), F::integer("AG_HOOFDSTRUCTUUR_FKP").req(),
          F::wideString("P_CODE", 10).req(), F::wideString("AG_OMSCHRIJVING", 200),
          F::integer("AG_LEERJAAR_FKP").req(), F::integer("AG_GRAAD_FKP").req(),
          F::date("AG_GELDIGVAN").req(), F::date("AG_GELDIGTOT").req(), F::integer("AG_ID").req(),
          F::integer("AG_ONDERWIJSVORM_FKP").req(), F::integer("AG_OPLEIDINGSVORM_FKP").req(),
          F::integer("AG_AFDELING_FKP").req(), F::integer("AG_LEERJAARINGRAAD_FKP").req()},
         "SELECT ag.AG_CODE, ag.AG_HOOFDSTRUCTUUR_FKP, hs.P_CODE, ag.AG_OMSCHRIJVING, ag.AG_LEERJAAR_FKP, "
         "ag.AG_GRAAD_FKP, ag.AG_GELDIGVAN, ag.AG_GELDIGTOT, ag.AG_ID, ag.AG_ONDERWIJSVORM_FKP, "
         "ag.AG_OPLEIDINGSVORM_FKP, ag.AG_AFDELING_FKP, ag.AG_LEERJAARINGRAAD_FKP "
         "FROM ADMGROEP ag JOIN PARAMETER hs ON hs.P_ID = ag.AG_HOOFDSTRUCTUUR_FKP WHERE hs.P_CODE = 'OSP' "
         "ORDER BY ag.AG_OMSCHRIJVING, ag.AG_ID",
         {},
         "Administratieve groepen van het volwassenenonderwijs"});
    list.push_back({"DSPSelectOSPOffOpleiding",
                    ProviderDef::Kind::Query,
                    {},
                    {F::fixedChar("OO_CODE", 4).req(), F::integer("OO_ID").req(),
                     F::wideString("OO_OMSCHRIJVING", 100).req()},
                    "SELECT OO_CODE, OO_ID, OO_OMSCHRIJVING FROM OFFOPLEIDING ORDER BY OO_CODE, OO_ID",
                    {},
                    "Officiële opleidingen"});
    list.push_back(
        {"DSPSelectOSPVrijstellingIG",
         ProviderDef::Kind::Query,
         {{"IS_ID", Int}},
         {F::fixedChar("OVI_CODE", 2).req(), F::wideString("OVI_OMSCHRIJVING", 80).req(),
          F::decimal("OVI_BEDRAGCURSIST", 18, 2).req(), F::decimal("OVI_BEDRAGFONDS", 18, 2).req(),
          F::integer("OVI_ID").req()},
         "SELECT OVI_CODE, OVI_OMSCHRIJVING, OVI_BEDRAGCURSIST, OVI_BEDRAGFONDS, OVI_ID "
         "FROM OSPVRIJSTELLINGIG WHERE CAST(:IS_ID AS INTEGER) IS NULL OR OVI_INSTELLING_FK IS NULL "
         "OR OVI_INSTELLING_FK = :IS_ID ORDER BY OVI_CODE, OVI_ID",
         {},
         "Types vrijstelling van inschrijvingsgeld (zonder instelling: alle)"});
    list.push_back({"DSPBrowseVestigingsPlaats",
                    ProviderDef::Kind::Query,
                    {{"IS_ID", Int}},
                    {F::wideString("IS_CODE", 5).req(), F::wideString("VP_CODE", 3).req(),
                     F::wideString("VP_NAAM", 80), F::integer("VP_ID").req()},
                    "SELECT i.IS_CODE, vp.VP_CODE, vp.VP_NAAM, vp.VP_ID FROM VESTIGINGSPLAATS vp "
                    "JOIN INSTELLING i ON i.IS_ID = vp.VP_INSTELLING_FK WHERE vp.VP_INSTELLING_FK = :IS_ID "
                    "ORDER BY vp.VP_CODE, vp.VP_ID",
                    {},
                    "Vestigingsplaatsen van een instelling"});
    return list;
}

std::vector<ProviderDef> vwoProviders() {
    std::vector<ProviderDef> list;
    list.push_back(
        {"DSPVWOCursistStats",
         ProviderDef::Kind::Query,
         {{"IS_ID", Int}, {"EindDatum", DateTime}, {"BeginDatum", DateTime}},
         {F::integer("VL_ID"), F::integer("LL_ID"), F::integer("IMV_ID"), F::integer("VWK_ID").req(),
          F::integer("IU_ID"), F::integer("VWI_ID"), F::integer("VO_ID"), F::integer("VOO_ID"),
          F::integer("VOM_ID"), F::integer("VL_FLAGS"), F::integer("VL_VWOTARIEF_FK"), F::integer("LL_FLAGS"),
          F::fixedChar("LL_GESLACHT", 1), F::integer("VMV_LESTIJDENORGANISATIE"),
          F::integer("VWK_VESTIGINGSPLAATS_FK").req(), F::integer("FINANCIERBAARHEID"),
          F::integer("IMV_LESPLAATS_FK"), F::wideString("VLP_OMSCHRIJVING", 80), F::integer("VMV_ID")},
         QStringLiteral(
             "SELECT vl.VL_ID, vl.VL_LEERLING_FK, vl.VL_INGMODULEVAR_FK, imv.IMV_KLAS_FK, "
             "vl.VL_INSCHRIJVING_FK, "
             "vl.VL_VWI_FK, vl.VL_OPLEIDING_FK, vl.VL_OPLEIDINGSVARIANT_FK, vmv.VMV_MODULE_FK, vl.VL_FLAGS, "
             "vl.VL_VWOTARIEF_FK, ll.LL_FLAGS, ll.LL_GESLACHT, vmv.VMV_LESTIJDENORGANISATIE, "
             "vwk.VWK_VESTIGINGSPLAATS_FK, vl.VL_FINANCIERBAARHEID, imv.IMV_LESPLAATS_FK, "
             "vlp.VLP_OMSCHRIJVING, "
             "imv.IMV_MODULEVARIANT_FK "
             "FROM VWOINSCHRIJVING vl JOIN VWOINGMODULEVAR imv ON imv.IMV_ID = vl.VL_INGMODULEVAR_FK "
             "JOIN VWOMODULEVARIANT vmv ON vmv.VMV_ID = imv.IMV_MODULEVARIANT_FK "
             "JOIN VWOKLAS vwk ON vwk.VWK_ID = imv.IMV_KLAS_FK "
             "LEFT JOIN LEERLING ll ON ll.LL_ID = vl.VL_LEERLING_FK "
             "LEFT JOIN VWOLESPLAATS vlp ON vlp.VLP_ID = imv.IMV_LESPLAATS_FK "
             "WHERE vl.VL_INSTELLING_FK = :IS_ID AND ") +
             inPeriod("vl", "VL", "BeginDatum", "EindDatum"),
         {},
         "Inschrijvingen van een VWO-centrum in een periode"});
    list.back().splitKey = QStringLiteral("VL_ID");
    list.push_back(
        {"DSPBrowseVWOKlas",
         ProviderDef::Kind::Query,
         {{"SC_ID", Int}, {"EindDatum", DateTime}, {"BeginDatum", DateTime}},
         {F::wideString("VWK_CODE", 25), F::integer("VWK_ID"), F::wideString("VWK_OMSCHRIJVING", 150)},
         QStringLiteral("SELECT vwk.VWK_CODE, vwk.VWK_ID, vwk.VWK_OMSCHRIJVING FROM VWOKLAS vwk "
                        "WHERE vwk.VWK_SCHOOL_FK = :SC_ID AND ") +
             inPeriod("vwk", "VWK", "BeginDatum", "EindDatum") + " ORDER BY vwk.VWK_ID",
         {},
         "VWO-klassen van een school in een periode"});
    list.push_back(
        {"DSPSelectVWOModuleVariant",
         ProviderDef::Kind::Query,
         {},
         {F::fixedChar("VOM_CODE", 8).req(), F::wideString("VOM_OMSCHRIJVING", 150).req(),
          F::integer("VMV_ID"), F::wideString("VMV_CODE", 8)},
         "SELECT vom.VOM_CODE, vom.VOM_OMSCHRIJVING, vmv.VMV_ID, vmv.VMV_CODE FROM VWOMODULEVARIANT vmv "
         "JOIN VWOMODULE vom ON vom.VOM_ID = vmv.VMV_MODULE_FK ORDER BY vmv.VMV_ID",
         {},
         "Modulevarianten"});
    list.push_back({"DSPSelectVWOModule",
                    ProviderDef::Kind::Query,
                    {},
                    {F::fixedChar("VOM_CODE", 8).req(), F::integer("VOM_ID").req(),
                     F::wideString("VOM_OMSCHRIJVING", 150).req()},
                    "SELECT VOM_CODE, VOM_ID, VOM_OMSCHRIJVING FROM VWOMODULE ORDER BY VOM_ID",
                    {},
                    "Modules"});
    list.push_back({"DSPSelectVWOOpleiding",
                    ProviderDef::Kind::Query,
                    {{"datum", Date}},
                    {F::integer("VO_CODE").req(), F::integer("VO_ID").req(),
                     F::wideString("VO_OMSCHRIJVING", 150).req()},
                    "SELECT VO_CODE, VO_ID, VO_OMSCHRIJVING FROM VWOOPLEIDING WHERE VO_GELDIGVAN <= :datum "
                    "AND (VO_GELDIGTOT IS NULL OR VO_GELDIGTOT >= :datum) ORDER BY VO_CODE, VO_ID",
                    {},
                    "VWO-opleidingen die gelden op een datum"});
    list.push_back(
        {"DSPSelectVWOOffOpleidingsVarianten",
         ProviderDef::Kind::Query,
         {{"datum", Date}},
         {F::integer("VOO_ID").req(), F::wideString("VOO_CODE", 8).req(),
          F::wideString("VOO_OMSCHRIJVING", 128).req()},
         "SELECT VOO_ID, VOO_CODE, VOO_OMSCHRIJVING FROM VWOOPLEIDINGSVARIANT WHERE VOO_GELDIGVAN <= :datum "
         "AND (VOO_GELDIGTOT IS NULL OR VOO_GELDIGTOT >= :datum) ORDER BY VOO_CODE, VOO_ID",
         {},
         "Opleidingsvarianten die gelden op een datum"});
    list.push_back(
        {"DSPSelectVWOIngModuleVarPeriode",
         ProviderDef::Kind::Query,
         {{"IS_ID", Int}, {"BEGINDATUM", DateTime}, {"EINDDATUM", DateTime}},
         {F::wideString("VWK_CODE", 25).req(), F::integer("VWK_ID").req(),
          F::wideString("VWK_OMSCHRIJVING", 150).req(), F::integer("IMV_ID"), F::fixedChar("VOM_CODE", 8),
          F::integer("VOM_ID"), F::wideString("VOM_OMSCHRIJVING", 150), F::wideString("VWA_CODE", 50),
          F::wideString("VWA_OMSCHRIJVING", 1000)},
         QStringLiteral(
             "SELECT vwk.VWK_CODE, vwk.VWK_ID, vwk.VWK_OMSCHRIJVING, imv.IMV_ID, vom.VOM_CODE, vom.VOM_ID, "
             "vom.VOM_OMSCHRIJVING, vwa.VWA_CODE, vwa.VWA_OMSCHRIJVING FROM VWOINGMODULEVAR imv "
             "JOIN VWOKLAS vwk ON vwk.VWK_ID = imv.IMV_KLAS_FK "
             "JOIN VWOMODULEVARIANT vmv ON vmv.VMV_ID = imv.IMV_MODULEVARIANT_FK "
             "JOIN VWOMODULE vom ON vom.VOM_ID = vmv.VMV_MODULE_FK "
             "LEFT JOIN VWOAANBOD vwa ON vwa.VWA_ID = imv.IMV_AANBOD_FK WHERE imv.IMV_INSTELLING_FK = :IS_ID "
             "AND ") +
             inPeriod("imv", "IMV", "BEGINDATUM", "EINDDATUM") + " ORDER BY imv.IMV_ID",
         {},
         "Ingerichte modulevarianten van een centrum in een periode"});
    list.push_back(
        {"DSPSelectVWOVrijstellingIG",
         ProviderDef::Kind::Query,
         {{"IS_ID", Int}},
         {F::wideString("VTA_CODE", 50).req(), F::wideString("VTA_NAAM", 1000).req(),
          F::decimal("VTA_BEDRAGVOORCURSISTEN", 9, 3), F::decimal("VTA_BEDRAGUITFONDS", 9, 3),
          F::integer("VTA_ID").req()},
         "SELECT VTA_CODE, VTA_NAAM, VTA_BEDRAGVOORCURSISTEN, VTA_BEDRAGUITFONDS, VTA_ID FROM VWOTARIEF "
         "WHERE CAST(:IS_ID AS INTEGER) IS NULL OR VTA_INSTELLING_FK IS NULL OR VTA_INSTELLING_FK = :IS_ID "
         "ORDER BY VTA_CODE, VTA_ID",
         {},
         "Tarieven (zonder instelling: alle)"});
    list.push_back(
        {"DSPSelectVWORefertePeriode",
         ProviderDef::Kind::Query,
         {},
         {F::integer("OR_ID").req(), F::wideString("OR_OMSCHRIJVING", 50).req(), F::date("OR_TOT").req(),
          F::date("OR_VAN").req()},
         "SELECT OR_ID, OR_OMSCHRIJVING, OR_TOT, OR_VAN FROM REFERTEPERIODE ORDER BY OR_VAN, OR_ID",
         {},
         "Referteperiodes"});
    return list;
}

std::vector<F> jobFields() {
    std::vector<F> fields{F::integer("J_ID").req()};
    for (int i = 1; i <= 9; ++i)
        fields.push_back(F::integer(QStringLiteral("J_INTEGER%1").arg(i)));
    for (const F& f :
         {F::integer("J_JOBID").req(), F::integer("J_JOBTYPE").req(), F::wideString("J_LONGTEXT1", 80),
          F::wideString("J_SHORTTEXT1", 50), F::integer("J_TYPERECORD").req(), F::integer("J_INTEGER10")})
        fields.push_back(f);
    return fields;
}

QString jobSql() {
    QStringList columns;
    for (const F& field : jobFields())
        columns << field.name;
    return QStringLiteral("SELECT %1 FROM JOBDATA WHERE J_JOBID = :JobID ORDER BY J_ID")
        .arg(columns.join(", "));
}

std::vector<ProviderDef> buildProviders() {
    std::vector<ProviderDef> list;
    list.push_back(
        {"DSPSelectIS",
         ProviderDef::Kind::Query,
         {},
         {F::integer("IS_ID").req().label("ID"), F::wideString("IS_CODE", 5).req().label("Code"),
          F::wideString("IS_NAAMGEBRUIKER", 80).label("Naam gebruiker"),
          F::wideString("SC_INSTELLINGSNUMMER", 6).req(), F::wideString("SC_HOOFDSTRUCTUUR", 10).req(),
          F::integer("SC_INRICHTENDEMACHT_FK").req(), F::integer("IS_FLAGS").req()},
         "SELECT i.IS_ID, i.IS_CODE, i.IS_NAAMGEBRUIKER, s.SC_INSTELLINGSNUMMER, s.SC_HOOFDSTRUCTUUR, "
         "s.SC_INRICHTENDEMACHT_FK, i.IS_FLAGS FROM INSTELLING i JOIN SCHOOL s ON s.SC_ID = i.IS_SCHOOL_FK "
         "ORDER BY i.IS_CODE",
         {},
         "Alle instellingen"});
    list.push_back({"DSPBrowseInstellingen",
                    ProviderDef::Kind::Query,
                    {},
                    institutionBrowseFields(),
                    institutionBrowseSql({}),
                    {},
                    "Overzicht van alle instellingen"});
    list.push_back({"DSPBrowseOSPInstellingen",
                    ProviderDef::Kind::Query,
                    {},
                    institutionBrowseFields(),
                    institutionBrowseSql("WHERE i.IS_REGIME = 'OSP'"),
                    {},
                    "Overzicht van de CVO's"});
    list.push_back({"DSPBrowseVWOInstellingen",
                    ProviderDef::Kind::Query,
                    {},
                    institutionBrowseFields(),
                    institutionBrowseSql("WHERE i.IS_REGIME = 'VWO'"),
                    {},
                    "Overzicht van de VWO-centra"});
    for (auto* group : {&pupilProviders, &staffProviders, &ospProviders, &vwoProviders})
        for (ProviderDef& def : (*group)())
            list.push_back(std::move(def));
    list.push_back({"DSPOSPPrintStats",
                    ProviderDef::Kind::JobTable,
                    {{"JobID", Int}},
                    jobFields(),
                    jobSql(),
                    {},
                    "Rijen van een afdrukjob (CVO); bewaren voegt ze toe"});
    list.push_back({"DSPVWOPrintStats",
                    ProviderDef::Kind::JobTable,
                    {{"JobID", Int}},
                    jobFields(),
                    jobSql(),
                    {},
                    "Rijen van een afdrukjob (VWO); bewaren voegt ze toe"});
    list.push_back(
        {"DSPSelectOLAP",
         ProviderDef::Kind::Query,
         {},
         {F::wideString("L_CODE", 10).req(), F::blob("L_DEFINITIE"), F::integer("L_FLAGS").req(),
          F::integer("L_ID").req(), F::wideString("L_OMSCHRIJVING", 50).req(), F::memo("L_UITLEG"),
          F::memo("Q_SQL")},
         "SELECT l.L_CODE, l.L_DEFINITIE, l.L_FLAGS, l.L_ID, l.L_OMSCHRIJVING, l.L_UITLEG, q.Q_SQL "
         "FROM OLAP l JOIN QUERY q ON q.Q_ID = l.L_QUERY_FK ORDER BY l.L_CODE, l.L_ID",
         {},
         "Bewaarde kubusstatistieken"});
    list.push_back({"DSPReports",
                    ProviderDef::Kind::CommandText,
                    {},
                    {},
                    {},
                    {},
                    "Voert de opdrachttekst van de client uit, alleen lezend"});
    return list;
}

} // namespace

const std::vector<ProviderDef>& Providers() {
    static const std::vector<ProviderDef> providers = buildProviders();
    return providers;
}

const ProviderDef* FindProvider(const QString& name) {
    for (const ProviderDef& def : Providers())
        if (def.name.compare(name, Qt::CaseInsensitive) == 0)
            return &def;
    return nullptr;
}

} // namespace vorn::server
