#include "demostatistics.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <map>

namespace vorn::demo {

namespace {

/// A dimension of a cube definition: a result column, its caption and an optional grouping.
QJsonObject dimension(const char* field, const char* caption, const char* name = nullptr,
                      const char* group = nullptr) {
    QJsonObject d{{"field", field}, {"caption", caption}};
    if (name != nullptr)
        d.insert("name", name);
    if (group != nullptr)
        d.insert("group", group);
    return d;
}

/// A measure of a cube definition; a count without field counts rows.
QJsonObject measure(const char* name, const char* aggregate, const char* field, const char* format) {
    QJsonObject m{{"name", name}, {"caption", name}, {"aggregate", aggregate}, {"format", format}};
    if (field != nullptr)
        m.insert("field", field);
    return m;
}

QByteArray definition(const QJsonArray& dimensions, const QJsonArray& measures, const QStringList& rows,
                      const QStringList& columns, const QStringList& shown) {
    QJsonObject layout{{"rows", QJsonArray::fromStringList(rows)},
                       {"columns", QJsonArray::fromStringList(columns)},
                       {"measures", QJsonArray::fromStringList(shown)}};
    QJsonObject cube{{"format", "vorn-cube"},
                     {"version", 1},
                     {"dimensions", dimensions},
                     {"measures", measures},
                     {"layout", layout}};
    return QJsonDocument(cube).toJson(QJsonDocument::Compact);
}

} // namespace

std::vector<TDemoStatistic> DemoStatistics() {
    // L_FLAGS says which kinds of institution a statistic is for (docs/cube.md): 1 secondary
    // schools, 2 centres of the OSP regime, 4 of the VWO regime, none: every kind.
    const auto kindFlags = [](const QString& code) {
        static const std::map<QString, int> kinds{{"LLKLAS", 1}, {"LLGRAAD", 1}, {"KLASSJ", 1},
                                                  {"PSUREN", 1}, {"PSLEEFT", 1}, {"CURSSTG", 2},
                                                  {"TRAAG", 2},  {"VWOMOD", 4}};
        const auto found = kinds.find(code);
        return found == kinds.end() ? 0 : found->second;
    };
    // Each query returns one row per pupil enrolment, course enrolment or assignment; the viewer
    // groups and counts them itself.
    const QString pupilsOnTheDate =
        "SELECT lb.LB_ID AS INSCHRIJVING, lb.LB_LEERLING_FK AS LEERLING, k.KL_CODE AS KLAS, lb.LB_GRAAD "
        "AS "
        "GRAAD, lb.LB_LEERJAAR AS LEERJAAR, lb.LB_ONDERWIJSVORM AS ONDERWIJSVORM, ll.LL_GESLACHT AS "
        "GESLACHT, ll.LL_GEBOORTEDATUM AS GEBOORTEDATUM FROM LOOPBAAN lb LEFT JOIN KLAS k ON k.KL_ID = "
        "lb.LB_KLAS_FK JOIN LEERLING ll ON ll.LL_ID = lb.LB_LEERLING_FK WHERE lb.LB_INSTELLING_FK = "
        ":IS_ID "
        "AND lb.LB_BEGINDATUM <= :WerkDatum AND (lb.LB_EINDDATUM IS NULL OR lb.LB_EINDDATUM >= "
        ":WerkDatum)";
    const QString pupilsOfTheYear =
        "SELECT lb.LB_ID AS INSCHRIJVING, lb.LB_LEERLING_FK AS LEERLING, lb.LB_GRAAD AS GRAAD, "
        "lb.LB_ONDERWIJSVORM AS ONDERWIJSVORM, lb.LB_BEGINDATUM AS BEGINDATUM, ll.LL_GESLACHT AS "
        "GESLACHT "
        "FROM LOOPBAAN lb JOIN LEERLING ll ON ll.LL_ID = lb.LB_LEERLING_FK WHERE lb.LB_INSTELLING_FK = "
        ":IS_ID AND lb.LB_BEGINDATUM <= :EindDatum AND (lb.LB_EINDDATUM IS NULL OR lb.LB_EINDDATUM >= "
        ":BeginDatum)";
    const QString classesOfTheYear =
        "SELECT k.KL_CODE AS KLAS, sj.SJ_OMSCHRIJVING AS SCHOOLJAAR, lb.LB_ID AS INSCHRIJVING, "
        "lb.LB_GRAAD AS GRAAD FROM KLAS k JOIN SCHOOLJAAR sj ON sj.SJ_ID = k.KL_SCHOOLJAAR_FK LEFT JOIN "
        "LOOPBAAN lb ON lb.LB_KLAS_FK = k.KL_ID WHERE k.KL_INSTELLING_FK = :IS_ID AND k.KL_SCHOOLJAAR_FK "
        "= "
        ":SJ_ID AND sj.SJ_CODE = :Jaar";
    const QString courseEnrolments =
        "SELECT cu.CU_ID AS INSCHRIJVING, cu.CU_LEERLING_FK AS CURSIST, p.P_OMSCHRIJVING AS "
        "STUDIEGEBIED, "
        "vp.VP_CODE AS VESTIGING, ll.LL_GESLACHT AS GESLACHT, ll.LL_GEBOORTEDATUM AS GEBOORTEDATUM, "
        "fin.P_OMSCHRIJVING AS FINANCIERBAARHEID, cu.CU_BEGINDATUM AS BEGINDATUM, oe.OE_DEFAULTLESTIJDEN "
        "AS "
        "LESTIJDEN FROM CURRICULUM cu JOIN ADMGROEP ag ON ag.AG_ID = cu.CU_ADMGROEP_FK LEFT JOIN "
        "PARAMETER p "
        "ON p.P_ID = ag.AG_STUDIEGEBIED_FKP JOIN KLAS k ON k.KL_ID = cu.CU_KLAS_FK LEFT JOIN "
        "VESTIGINGSPLAATS vp ON vp.VP_ID = k.KL_VESTIGINGSPLAATS_FK JOIN LEERLING ll ON ll.LL_ID = "
        "cu.CU_LEERLING_FK LEFT JOIN PARAMETER fin ON fin.P_ID = cu.CU_FINANCIERBAARHEID_FKP LEFT JOIN "
        "OFFEENHEID oe ON oe.OE_ID = cu.CU_OFFEENHEID_FK JOIN INSTELLING i ON i.IS_ID = "
        "cu.CU_INSTELLING_FK "
        "WHERE cu.CU_INSTELLING_FK = :IS_ID AND i.IS_SCHOOL_FK = :SC_ID AND cu.CU_BEGINDATUM <= "
        ":EindDatum "
        "AND (cu.CU_EINDDATUM IS NULL OR cu.CU_EINDDATUM >= :BeginDatum)";
    const QString assignments =
        "SELECT op.OP_ID AS OPDRACHT, op.OP_PERSONEEL_FK AS PERSONEELSLID, ov.OV_CODE AS VAK, "
        "rub.P_OMSCHRIJVING AS RUBRIEK, op.OP_AMBT AS AMBT, op.OP_GRAAD AS GRAAD, ps.PS_GESLACHT AS "
        "GESLACHT, ps.PS_GEBOORTEDATUM AS GEBOORTEDATUM, op.OP_UREN AS UREN FROM OPDRACHT op LEFT JOIN "
        "OFFICIEELVAK ov ON ov.OV_ID = op.OP_OFFICIEELVAK_FK LEFT JOIN PARAMETER rub ON rub.P_ID = "
        "ov.OV_RUBRICERING_FKP JOIN PERSONEEL ps ON ps.PS_ID = op.OP_PERSONEEL_FK WHERE "
        "op.OP_INSTELLING_FK "
        "= :IS_ID AND op.OP_BEGINDATUM <= :WerkDatum AND (op.OP_EINDDATUM IS NULL OR op.OP_EINDDATUM >= "
        ":WerkDatum)";
    const QString vwoEnrolments =
        "SELECT vl.VL_ID AS INSCHRIJVING, vl.VL_LEERLING_FK AS CURSIST, vom.VOM_CODE AS MODULE, "
        "vta.VTA_CODE AS TARIEF, vl.VL_FINANCIERBAARHEID AS FINANCIERBAARHEID, vl.VL_BEGINDATUM AS "
        "BEGINDATUM, vmv.VMV_LESTIJDENORGANISATIE AS LESTIJDEN FROM VWOINSCHRIJVING vl JOIN "
        "VWOINGMODULEVAR "
        "imv ON imv.IMV_ID = vl.VL_INGMODULEVAR_FK JOIN VWOMODULEVARIANT vmv ON vmv.VMV_ID = "
        "imv.IMV_MODULEVARIANT_FK JOIN VWOMODULE vom ON vom.VOM_ID = vmv.VMV_MODULE_FK LEFT JOIN "
        "VWOTARIEF "
        "vta ON vta.VTA_ID = vl.VL_VWOTARIEF_FK WHERE vl.VL_INSTELLING_FK = :IS_ID AND vl.VL_BEGINDATUM "
        "<= "
        ":EindDatum AND (vl.VL_EINDDATUM IS NULL OR vl.VL_EINDDATUM >= :BeginDatum)";
    // Every parameter name the cube screen fills, in the letter cases people write them.
    const QString everyParameter =
        "SELECT lb.LB_ID AS INSCHRIJVING, lb.LB_LEERLING_FK AS LEERLING, i.IS_CODE AS INSTELLING, "
        "sj.SJ_OMSCHRIJVING AS SCHOOLJAAR, lb.LB_GRAAD AS GRAAD FROM LOOPBAAN lb JOIN INSTELLING i ON "
        "i.IS_ID = lb.LB_INSTELLING_FK JOIN SCHOOLJAAR sj ON sj.SJ_ID = :sj_id WHERE lb.LB_INSTELLING_FK "
        "= "
        ":Is_Id AND i.IS_SCHOOL_FK = :SC_ID AND sj.SJ_CODE = :SJ_CODE AND sj.SJ_CODE = :jaar AND "
        "lb.LB_BEGINDATUM <= :EindDatum AND (lb.LB_EINDDATUM IS NULL OR lb.LB_EINDDATUM >= :begindatum) "
        "AND (lb.LB_BEGINDATUM <= :WERKDATUM OR lb.LB_BEGINDATUM > :WerkDatum) AND CAST(:U_ID AS "
        "INTEGER) = "
        "CAST(:uid AS INTEGER) AND CAST(:UserID AS INTEGER) = CAST(:sj_id AS INTEGER)";
    // Every enrolment measured against every other of the centre: slow on purpose.
    const QString slow =
        "SELECT cu.CU_ID AS INSCHRIJVING, p.P_OMSCHRIJVING AS STUDIEGEBIED, (SELECT COUNT(*) FROM "
        "CURRICULUM b JOIN CURRICULUM c ON c.CU_LEERLING_FK = b.CU_LEERLING_FK WHERE b.CU_INSTELLING_FK "
        "= "
        "cu.CU_INSTELLING_FK AND b.CU_BEGINDATUM <= cu.CU_BEGINDATUM) AS EERDER FROM CURRICULUM cu JOIN "
        "ADMGROEP ag ON ag.AG_ID = cu.CU_ADMGROEP_FK LEFT JOIN PARAMETER p ON p.P_ID = "
        "ag.AG_STUDIEGEBIED_FKP "
        "WHERE cu.CU_INSTELLING_FK = :IS_ID AND cu.CU_BEGINDATUM <= :EindDatum AND (cu.CU_EINDDATUM IS "
        "NULL "
        "OR cu.CU_EINDDATUM >= :BeginDatum)";
    const QJsonObject pupils = measure("Leerlingen", "countDistinct", "LEERLING", "#,##0");
    const QJsonObject enrolments = measure("Inschrijvingen", "count", nullptr, "#,##0");
    const QJsonObject participants = measure("Cursisten", "countDistinct", "CURSIST", "#,##0");
    const QJsonObject staff = measure("Personeelsleden", "countDistinct", "PERSONEELSLID", "#,##0");
    const QJsonObject hours = measure("Uren", "sum", "UREN", "#,##0.0");
    std::vector<TDemoStatistic> list{
        {"LLKLAS", "Leerlingen per klas en geslacht",
         "Telt de leerlingen die op de werkdatum in de instelling ingeschreven zijn, per graad, klas en "
         "geslacht; ook per leerjaar, onderwijsvorm en geboortejaar.",
         pupilsOnTheDate,
         definition({dimension("GRAAD", "Graad"), dimension("KLAS", "Klas"),
                     dimension("LEERJAAR", "Leerjaar"), dimension("ONDERWIJSVORM", "Onderwijsvorm"),
                     dimension("GESLACHT", "Geslacht"),
                     dimension("GEBOORTEDATUM", "Geboortejaar", "Geboortejaar", "year")},
                    {pupils, enrolments}, {"GRAAD", "KLAS"}, {"GESLACHT"}, {"Leerlingen"})},
        {"LLGRAAD", "Leerlingen van het schooljaar per maand",
         "Telt de inschrijvingen van leerlingen in het schooljaar van de werkdatum per maand van "
         "instap, graad en onderwijsvorm.",
         pupilsOfTheYear,
         definition({dimension("BEGINDATUM", "Maand van instap", "Maand", "month"),
                     dimension("GRAAD", "Graad"), dimension("ONDERWIJSVORM", "Onderwijsvorm"),
                     dimension("GESLACHT", "Geslacht")},
                    {enrolments, pupils}, {"Maand"}, {"GRAAD"}, {"Inschrijvingen", "Leerlingen"})},
        {"KLASSJ", "Klassen van het schooljaar",
         "Toont de klassen van de instelling in het schooljaar van de werkdatum met hun aantal "
         "inschrijvingen.",
         classesOfTheYear,
         definition(
             {dimension("KLAS", "Klas"), dimension("GRAAD", "Graad"), dimension("SCHOOLJAAR", "Schooljaar")},
             {measure("Inschrijvingen", "count", "INSCHRIJVING", "#,##0")}, {"KLAS"}, {"SCHOOLJAAR"},
             {"Inschrijvingen"})},
        {"PSUREN", "Personeelsuren per vak en ambt",
         "Somt de uren van de opdrachten op de werkdatum per rubriek, officieel vak en ambt, en telt de "
         "personeelsleden.",
         assignments,
         definition({dimension("RUBRIEK", "Rubriek"), dimension("VAK", "Vak"), dimension("AMBT", "Ambt"),
                     dimension("GRAAD", "Graad"), dimension("GESLACHT", "Geslacht")},
                    {hours, staff, measure("Gemiddelde opdracht", "average", "UREN", "0.0")},
                    {"RUBRIEK", "VAK"}, {"AMBT"}, {"Uren"})},
        {"PSLEEFT", "Personeel per geboortejaar en geslacht",
         "Telt de personeelsleden met een opdracht op de werkdatum per geboortejaar en geslacht.",
         assignments,
         definition({dimension("GEBOORTEDATUM", "Geboortejaar", "Geboortejaar", "year"),
                     dimension("GESLACHT", "Geslacht"), dimension("AMBT", "Ambt")},
                    {staff, hours}, {"Geboortejaar"}, {"GESLACHT"}, {"Personeelsleden"})},
        {"CURSSTG", "Cursisten per studiegebied en vestiging",
         "Telt de cursisten en inschrijvingen van het CVO in het schooljaar van de werkdatum per "
         "studiegebied en vestigingsplaats; ook per geslacht, geboortejaar, financierbaarheid en maand "
         "van instap.",
         courseEnrolments,
         definition({dimension("STUDIEGEBIED", "Studiegebied"), dimension("VESTIGING", "Vestigingsplaats"),
                     dimension("GESLACHT", "Geslacht"),
                     dimension("GEBOORTEDATUM", "Geboortejaar", "Geboortejaar", "year"),
                     dimension("FINANCIERBAARHEID", "Financierbaarheid"),
                     dimension("BEGINDATUM", "Maand van instap", "Maand", "month")},
                    {participants, enrolments, measure("Lestijden", "sum", "LESTIJDEN", "#,##0")},
                    {"STUDIEGEBIED"}, {"VESTIGING"}, {"Cursisten", "Inschrijvingen"})},
        {"VWOMOD", "VWO-inschrijvingen per module en tarief",
         "Telt de inschrijvingen en cursisten van het VWO-centrum in het schooljaar van de werkdatum per "
         "module en tarief.",
         vwoEnrolments,
         definition({dimension("MODULE", "Module"), dimension("TARIEF", "Tarief"),
                     dimension("FINANCIERBAARHEID", "Financierbaarheid"),
                     dimension("BEGINDATUM", "Maand van instap", "Maand", "month")},
                    {enrolments, participants, measure("Lestijden", "sum", "LESTIJDEN", "#,##0")}, {"MODULE"},
                    {"TARIEF"}, {"Inschrijvingen"})},
        {"PARAMS", "Inschrijvingen met elke parameter",
         "Gebruikt elke parameter die het scherm invult (werkdatum, begin en einde van het schooljaar, "
         "instelling, school, schooljaar en de gebruiker) en telt de inschrijvingen van het schooljaar.",
         everyParameter,
         definition({dimension("INSTELLING", "Instelling"), dimension("SCHOOLJAAR", "Schooljaar"),
                     dimension("GRAAD", "Graad")},
                    {enrolments, pupils}, {"GRAAD"}, {"SCHOOLJAAR"}, {"Inschrijvingen", "Leerlingen"})},
        {"TRAAG", "Inschrijvingen en hun voorgangers (traag)",
         "Vergelijkt elke inschrijving van het CVO met elke andere en rekent daarom lang: het scherm "
         "toont "
         "zolang \"Annuleren\" in de statusbalk.",
         slow,
         definition({dimension("STUDIEGEBIED", "Studiegebied")},
                    {enrolments, measure("Gemiddeld eerder", "average", "EERDER", "#,##0.0")},
                    {"STUDIEGEBIED"}, {}, {"Inschrijvingen"})}};
    for (TDemoStatistic& statistic : list)
        statistic.kinds = kindFlags(statistic.code);
    return list;
}

} // namespace vorn::demo
