#include "dbfixture.h"

#include "server/providers.h"

#include "host/data/errors.h"

using namespace vorn;
using vorn::testing::DatabaseTest;

namespace {

const QDate ReferenceDate(2024, 10, 1);
const QDate PeriodStart(2024, 9, 1);
const QDate PeriodEnd(2025, 6, 30);

QStringList Sorted(QStringList rows) {
    rows.sort();
    return rows;
}

} // namespace

using ProviderTest = DatabaseTest;

TEST_P(ProviderTest, InstitutionListsAndBrowseScreens) {
    EXPECT_EQ(Rows("DSPSelectIS"), (QStringList{"20|CVOLS|CVO Leerstroom Brugge|023456|OSP|200|1",
                                                "10|SJC|Sint-Jozefscollege Gent|012345|SO|100|0",
                                                "30|VWOOE|VWO De Oever|034567|VWO|300|2"}));
    EXPECT_EQ(Rows("DSPBrowseInstellingen"),
              (QStringList{"CVOLS|023456|CVO Leerstroom Brugge|CVO Leerstroom|8000|Brugge|20|2|2|1",
                           "SJC|012345|Sint-Jozefscollege Gent|Sint-Jozefscollege|9000|Gent|10|1|1|0",
                           "VWOOE|034567|VWO De Oever|VWO De Oever|||30||3|2"}));
    EXPECT_EQ(Rows("DSPBrowseOSPInstellingen"),
              (QStringList{"CVOLS|023456|CVO Leerstroom Brugge|CVO Leerstroom|8000|Brugge|20|2|2|1"}));
    EXPECT_EQ(Rows("DSPBrowseVWOInstellingen"),
              (QStringList{"VWOOE|034567|VWO De Oever|VWO De Oever|||30||3|2"}));
}

TEST_P(ProviderTest, PupilsAreCountedOncePerBreakdownOnTheDate) {
    const std::vector<vorn::testing::ParamValue> onDate{{"WerkDatum", ReferenceDate}, {"IS_ID", 10}};
    EXPECT_EQ(Rows("DSPStatLLPerKlas", {{"SJ_ID", 2}, {"WerkDatum", ReferenceDate}, {"IS_ID", 10}}),
              (QStringList{"1A|61|Eerste jaar A|2", "2B|62|Tweede jaar B|2"}));
    EXPECT_EQ(Rows("DSPStatLLPerGRaad", onDate), (QStringList{"1|4"}));
    EXPECT_EQ(Rows("DSPStatLLPerLeerJaar", onDate), (QStringList{"1|2|A", "2|2|A"}));
    EXPECT_EQ(Rows("DSPStatLLPerAdmGroep", onDate),
              (QStringList{"41|ASO1|Eerste leerjaar A|2", "42|ASO2|Tweede leerjaar|2"}));
    EXPECT_EQ(Rows("DSPSTatLLPerVakkenPakket", {{"WerkDatum", ReferenceDate}, {"IS_ID", 10}, {"SJ_ID", 2}}),
              (QStringList{"51|LAT|Latijn|1", "52|WET|Wetenschappen|2"}));
    EXPECT_EQ(Rows("DSPStatLLPerLeerjaarGraad", onDate), (QStringList{"1|2|1", "2|2|1"}));
    EXPECT_EQ(Rows("DSPStatLLPerGeboorteJaar", onDate), (QStringList{"2011|2", "2012|2"}));
    // The second, unset WerkDatum is ignored: the first one of that name counts.
    EXPECT_EQ(Rows("DSPStatLLPerOnderwijsvorm",
                   {{"WerkDatum", ReferenceDate}, {"IS_ID", 10}, {"WerkDatum", QVariant()}}),
              (QStringList{"ASO|3", "TSO|1"}));
    // Both ends of an enrolment count: on 30 September the pupil who left that day is still there.
    EXPECT_EQ(Rows("DSPStatLLPerOnderwijsvorm", {{"WerkDatum", QDate(2024, 9, 30)}, {"IS_ID", 10}}),
              (QStringList{"ASO|4"}));
    EXPECT_TRUE(Rows("DSPStatLLPerGRaad", {{"WerkDatum", ReferenceDate}, {"IS_ID", QVariant()}}).isEmpty())
        << "an unset institution counts nobody";
}

TEST_P(ProviderTest, StaffHoursInPostsSixAndSevenAndThePopulation) {
    const std::vector<vorn::testing::ParamValue> params{{"IS_ID", 10}, {"WerkDatum", ReferenceDate}};
    EXPECT_EQ(Rows("DSPStatUrenInAmbt6en7", params),
              (QStringList{"82|NED|Nederlands|6.25|8|601", "81|WISK|Wiskunde|14.5|2|601"}));
    EXPECT_EQ(Rows("DSPStatUrenPerGraadInAmbt6en7", params),
              (QStringList{"82|NED|Nederlands|6.25|8|1|601", "81|WISK|Wiskunde|10.5|2|1|601",
                           "81|WISK|Wiskunde|4|0|2|601"}));
    EXPECT_EQ(Rows("DSPStatPSPopulatie", params),
              (QStringList{"1970-05-01|M|71", "1985-02-11|V|72", "1990-07-07|M|73"}));
    EXPECT_EQ(Rows("ParmDropDown", {{"P_Type", "STGB"}}),
              (QStringList{"502|INFO|Informatica|", "501|TAAL|Talen|"}));
}

TEST_P(ProviderTest, OspEnrolmentsInThePeriodAndTheirNameLists) {
    const std::vector<vorn::testing::ParamValue> period{
        {"IS_ID", 20}, {"EindDatum", PeriodEnd}, {"BeginDatum", PeriodStart}};
    EXPECT_EQ(Sorted(Rows("DSPOSPCursistStats", period)),
              (QStringList{"161|11|43|131|12|701|V||121|141|501|151|+|262144|5001|6001|0|40|111|Lokaal 1",
                           "162|11|44|132|13|702|V||122|142|502|||262144|5001|6002|60|60|112|lokaal 1",
                           "163|12|43|131|12|701|M|7001|121|141|501|152||0|5002|6003|40|40|111|Lokaal 1"}));
    EXPECT_EQ(Rows("DSPBrowseOSPKlas", {{"SC_ID", 2}, {"EindDatum", PeriodEnd}, {"BeginDatum", PeriodStart}}),
              (QStringList{"121|TRAJ-NT2-A1|NT2A|NT2 groep A|101", "122||ICT1|Informatica 1|"}));
    EXPECT_EQ(Rows("DSPSelectOffEenheid"), (QStringList{"NT2-1|Nederlands richtgraad 1|NT2|131|40|43",
                                                        "ICT-1|Basis informatica|ICT|132|60|44"}));
    EXPECT_EQ(
        Rows("DSPSelectOSPAdmGroep"),
        (QStringList{"ICT|802|OSP|Informatica|900|900|2000-01-01|2099-12-31|44|900|900|900|900",
                     "NT2|802|OSP|Nederlands tweede taal|900|900|2000-01-01|2099-12-31|43|900|900|900|900"}));
    EXPECT_EQ(Rows("DSPSelectOSPOffOpleiding"),
              (QStringList{"1234|141|Nederlands tweede taal", "2345|142|Informatica"}));
    EXPECT_EQ(Rows("DSPSelectOSPVrijstellingIG", {{"IS_ID", 20}}),
              (QStringList{"01|Leefloon|0|100|151", "02|Werkzoekende|10.5|89.5|152"}));
    EXPECT_EQ(Rows("DSPSelectOSPVrijstellingIG", {{"IS_ID", QVariant()}}).size(), 3) << "unset: every type";
    EXPECT_EQ(Rows("DSPBrowseVestigingsPlaats", {{"IS_ID", 20}}),
              (QStringList{"CVOLS|BRU|Brugge centrum|111", "CVOLS|OOS||112"}));
}

TEST_P(ProviderTest, VwoEnrolmentsInThePeriodAndTheirNameLists) {
    EXPECT_EQ(Sorted(Rows("DSPVWOCursistStats",
                          {{"IS_ID", 30}, {"EindDatum", PeriodEnd}, {"BeginDatum", PeriodStart}})),
              (QStringList{"291|14|271|201|5004|8001|211|221|231|0|281|0|V|40|113|8|251|Lokaal B2|241",
                           "292||271|201|||||231|0||||40|113|3|251|Lokaal B2|241"}));
    EXPECT_EQ(Rows("DSPBrowseVWOKlas", {{"SC_ID", 3}, {"EindDatum", PeriodEnd}, {"BeginDatum", PeriodStart}}),
              (QStringList{"VWO-K1|201|Klas Engels"}));
    EXPECT_EQ(Rows("DSPSelectVWOModuleVariant"), (QStringList{"ENG1|Engels 1|241|ENG1-V1"}));
    EXPECT_EQ(Rows("DSPSelectVWOModule"), (QStringList{"ENG1|231|Engels 1"}));
    EXPECT_EQ(Rows("DSPSelectVWOOpleiding", {{"datum", PeriodStart}}), (QStringList{"5010|211|Engels"}));
    EXPECT_EQ(Rows("DSPSelectVWOOffOpleidingsVarianten", {{"datum", PeriodStart}}),
              (QStringList{"221|ENG-A|Engels dagonderwijs"}));
    EXPECT_EQ(Rows("DSPSelectVWOIngModuleVarPeriode",
                   {{"IS_ID", 30}, {"BeginDatum", PeriodStart}, {"EindDatum", PeriodEnd}}),
              (QStringList{"VWO-K1|201|Klas Engels|271|ENG1|231|Engels 1|AANB1|Standaardaanbod"}))
        << "parameter names match whatever their letter case";
    EXPECT_EQ(Rows("DSPSelectVWOVrijstellingIG", {{"IS_ID", 30}}),
              (QStringList{"RED|Verminderd tarief|0.75|0.75|282", "STD|Standaardtarief|1.5|0|281"}));
    EXPECT_EQ(Rows("DSPSelectVWORefertePeriode"),
              (QStringList{"302|Schooljaar 2023-2024|2024-08-31|2023-09-01",
                           "301|Schooljaar 2024-2025|2025-08-31|2024-09-01"}));
}

TEST_P(ProviderTest, EveryProviderAnswersItsFieldsWithTheirTypes) {
    for (const server::ProviderDef& def : server::Providers()) {
        if (def.kind == server::ProviderDef::Kind::CommandText)
            continue;
        TParams params;
        for (const server::ParamDefinition& parameter : def.params)
            params.CreateParam(parameter.type, parameter.name);
        const Table table = broker_->open(def.name, params, {});
        ASSERT_EQ(table.fields.size(), def.fields.size()) << def.name.toStdString();
        for (std::size_t i = 0; i < def.fields.size(); ++i) {
            EXPECT_EQ(table.fields[i].name, def.fields[i].name) << def.name.toStdString();
            EXPECT_EQ(table.fields[i].type, def.fields[i].type) << def.name.toStdString();
        }
    }
}

TEST_P(ProviderTest, BadRequestsNameTheirCause) {
    const auto messageOf = [this](const QString& provider,
                                  const std::vector<vorn::testing::ParamValue>& params) {
        try {
            Rows(provider, params);
        } catch (const EVornError& error) {
            return error.message();
        }
        return QString("no error");
    };
    EXPECT_TRUE(messageOf("DSPNietBestaand", {}).contains("DSPNietBestaand"));
    const QString missing = messageOf("DSPStatLLPerGRaad", {{"IS_ID", 10}});
    EXPECT_TRUE(missing.contains("WerkDatum")) << missing.toStdString();
    const QString mistyped =
        messageOf("DSPStatLLPerGRaad", {{"WerkDatum", ReferenceDate}, {"IS_ID", "tien"}});
    EXPECT_TRUE(mistyped.contains("IS_ID") && mistyped.contains("tien")) << mistyped.toStdString();
    const QString badDate = messageOf("DSPStatLLPerGRaad", {{"WerkDatum", "1 oktober"}, {"IS_ID", 10}});
    EXPECT_TRUE(badDate.contains("WerkDatum")) << badDate.toStdString();
    EXPECT_EQ(Rows("DSPStatLLPerGRaad", {{"WerkDatum", "2024-10-01"}, {"IS_ID", "10"}}), (QStringList{"1|4"}))
        << "text that is a valid value is accepted";
}

TEST_P(ProviderTest, SchoolYearIdsAndJobIdsComeFromTheServer) {
    EXPECT_EQ(broker_->schoolYearId(2024), 2);
    EXPECT_LT(broker_->schoolYearId(1999), 0);
    const int first = broker_->newJobId();
    const int second = broker_->newJobId();
    EXPECT_GT(first, 0);
    EXPECT_GT(second, first);
}

INSTANTIATE_TEST_SUITE_P(Databases, ProviderTest,
                         ::testing::Values(server::Dialect::SQLite, server::Dialect::PostgreSQL),
                         vorn::testing::DialectName);
