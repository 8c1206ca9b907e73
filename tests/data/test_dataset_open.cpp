#include "fixtures.h"

#include "host/data/clientdataset.h"
#include "host/data/errors.h"

#include <gtest/gtest.h>

using namespace vorn;
using vorn::testing::IdsInOrder;
using vorn::testing::MakeTable;
using vorn::testing::PupilBroker;

namespace {

void DeclarePupilFields(TVornClientDataSet& dataSet) {
    dataSet.AddField(FieldDef::integer("LL_ID").label("ID").req());
    dataSet.AddField(FieldDef::wideString("LL_NAAM", 30).label("Naam"));
    dataSet.AddField(FieldDef::decimal("LL_UREN", 18, 3));
}

} // namespace

TEST(DatasetOpen, DeclaredFieldsTakeTheProvidersColumnsByNameAndIgnoreTheRest) {
    PupilBroker broker;
    TVornClientDataSet pupils("CDSPupils", &broker);
    pupils.SetProviderName("DSPPupils");
    DeclarePupilFields(pupils);
    pupils.Open();
    ASSERT_EQ(pupils.FieldCount(), 3);
    EXPECT_EQ(pupils.RecordCount(), 4);
    EXPECT_EQ(pupils.FindField("LL_GESLACHT"), nullptr);
    EXPECT_EQ(pupils.FieldByName("ll_naam").AsString(), "Wouters"); // names ignore letter case
    EXPECT_EQ(pupils.FieldByName("LL_ID").DisplayLabel(), "ID");
    EXPECT_EQ(pupils.FieldByName("LL_NAAM").Index(), 1);
    pupils.Close();
    EXPECT_EQ(pupils.FieldCount(), 3) << "declared fields stay after closing";
}

TEST(DatasetOpen, WithoutDeclaredFieldsTheProviderDecidesAndClosingForgetsThem) {
    PupilBroker broker;
    TVornClientDataSet pupils("CDSPupils", &broker);
    pupils.SetProviderName("DSPPupils");
    pupils.Open();
    EXPECT_EQ(pupils.FieldCount(), 5);
    EXPECT_EQ(pupils.FieldByName("LL_GEBOORTE").DataType(), TFieldType::Date);
    pupils.Close();
    EXPECT_EQ(pupils.FieldCount(), 0);
}

TEST(DatasetOpen, WalksRowsFromFirstToLastAndStopsAtTheEnd) {
    PupilBroker broker;
    TVornClientDataSet pupils("CDSPupils", &broker);
    pupils.SetProviderName("DSPPupils");
    pupils.Open();
    EXPECT_EQ(IdsInOrder(pupils, "LL_ID"), (std::vector<qint64>{30, 10, 20, 40}));
    EXPECT_TRUE(pupils.Eof());
    EXPECT_EQ(pupils.RecNo(), 4) << "Next at the last row stays on it";
    pupils.Prior();
    EXPECT_EQ(pupils.FieldByName("LL_ID").AsInteger(), 20);
}

TEST(DatasetOpen, TypedValuesReadBackAsStoredAndConverted) {
    PupilBroker broker;
    TVornClientDataSet pupils("CDSPupils", &broker);
    pupils.SetProviderName("DSPPupils");
    pupils.Open();
    const TField& hours = pupils.FieldByName("LL_UREN");
    const TField& born = pupils.FieldByName("LL_GEBOORTE");
    EXPECT_EQ(hours.AsString(), "12.5");
    EXPECT_EQ(hours.AsInteger(), 13) << "decimals round half away from zero";
    EXPECT_DOUBLE_EQ(hours.AsFloat(), 12.5);
    EXPECT_EQ(born.AsString(), "2008-03-01");
    EXPECT_EQ(born.AsDateTime(), EncodeDate(2008, 3, 1));
    pupils.Next();
    pupils.Next();
    EXPECT_TRUE(hours.IsNull());
    EXPECT_EQ(hours.AsInteger(), 0);
    pupils.Next();
    EXPECT_TRUE(born.IsNull());
    EXPECT_EQ(born.AsString(), "");
}

TEST(DatasetOpen, ANullInTheFirstRowStaysNull) {
    InMemoryBroker broker;
    broker.addTable("DSPGaps", MakeTable({FieldDef::integer("N"), FieldDef::wideString("T", 5)},
                                         {{QVariant(), QVariant()}, {3, "x"}, {QVariant(), ""}}));
    TVornClientDataSet gaps("CDSGaps", &broker);
    gaps.SetProviderName("DSPGaps");
    gaps.Open();
    std::vector<bool> nulls;
    for (gaps.First(); !gaps.Eof(); gaps.Next())
        nulls.insert(nulls.end(), {gaps.FieldByName("N").IsNull(), gaps.FieldByName("T").IsNull()});
    EXPECT_EQ(nulls, (std::vector<bool>{true, true, false, false, true, false}))
        << "an empty text is not null";
}

TEST(DatasetOpen, BadNamesAndClosedDatasetsGiveClearErrors) {
    PupilBroker broker;
    TVornClientDataSet pupils("CDSPupils", &broker);
    pupils.SetProviderName("DSPPupils");
    try {
        (void)pupils.FieldByName("LL_ID");
        FAIL() << "an unknown field was found";
    } catch (const EDatabaseError& error) {
        EXPECT_TRUE(error.message().contains("LL_ID"));
    }
    DeclarePupilFields(pupils);
    pupils.Open();
    TField& id = pupils.FieldByName("LL_ID");
    EXPECT_THROW(pupils.FieldByName("LL_NONE"), EDatabaseError);
    EXPECT_THROW(pupils.ParamByName("IS_ID"), EDatabaseError);
    pupils.Close();
    try {
        (void)id.AsInteger();
        FAIL() << "a closed dataset was read";
    } catch (const EDatabaseError& error) {
        EXPECT_TRUE(error.message().contains("CDSPupils"));
        EXPECT_TRUE(error.message().contains("gesloten"));
    }
}

TEST(DatasetOpen, AMissingDeclaredFieldOrProviderLeavesTheDatasetClosed) {
    PupilBroker broker;
    TVornClientDataSet pupils("CDSPupils", &broker);
    pupils.SetProviderName("DSPPupils");
    pupils.AddField(FieldDef::integer("LL_KLAS"));
    try {
        pupils.Open();
        FAIL() << "a missing field was accepted";
    } catch (const EDatabaseError& error) {
        EXPECT_TRUE(error.message().contains("LL_KLAS"));
        EXPECT_TRUE(error.message().contains("DSPPupils"));
    }
    EXPECT_FALSE(pupils.Active());
    TVornClientDataSet unknown("CDSUnknown", &broker);
    unknown.SetProviderName("DSPNone");
    EXPECT_THROW(unknown.Open(), EDatabaseError);
    TVornClientDataSet withoutProvider("CDSLocal", &broker);
    EXPECT_THROW(withoutProvider.Open(), EDatabaseError);
}

TEST(DatasetOpen, ADeclaredTypeTheValuesDoNotFitIsRefused) {
    InMemoryBroker broker;
    broker.addTable("DSPBig", MakeTable({FieldDef::largeint("N")}, {{70000}}));
    TVornClientDataSet dataSet("CDSBig", &broker);
    dataSet.SetProviderName("DSPBig");
    dataSet.AddField(FieldDef::smallint("N"));
    EXPECT_THROW(dataSet.Open(), EDatabaseError);
    EXPECT_FALSE(dataSet.Active());
}

TEST(DatasetParams, DeclaredInOrderFirstOfANameWinsAndTheProviderSeesThem) {
    InMemoryBroker broker;
    TParams seen;
    broker.addHandler("DSPEcho", [&seen](const TParams& params) {
        seen = params;
        return MakeTable({FieldDef::integer("X")}, {});
    });
    TVornClientDataSet dataSet("CDSEcho", &broker);
    dataSet.SetProviderName("DSPEcho");
    dataSet.Params().CreateParam(TFieldType::DateTime, "WerkDatum");
    dataSet.Params().CreateParam(TFieldType::Integer, "IS_ID");
    dataSet.Params().CreateParam(TFieldType::DateTime, "WerkDatum");
    ASSERT_EQ(dataSet.Params().FindParam("werkdatum"), &dataSet.Params().Items(0));
    dataSet.ParamByName("WerkDatum").SetAsDateTime(EncodeDate(2025, 1, 6) + 0.5);
    dataSet.ParamByName("IS_ID").SetAsInteger(12);
    EXPECT_EQ(dataSet.Params().FindParam("SJ_ID"), nullptr);
    dataSet.Open();
    ASSERT_EQ(seen.Count(), 3);
    EXPECT_EQ(seen.Items(0).AsDateTime(), EncodeDate(2025, 1, 6) + 0.5);
    EXPECT_TRUE(seen.Items(2).IsNull()) << "the second WerkDatum stays unset";
    EXPECT_EQ(seen.ParamByName("is_id").AsInteger(), 12);
    dataSet.ParamByName("WerkDatum").SetAsDate(EncodeDate(2025, 1, 6) + 0.5);
    EXPECT_EQ(dataSet.ParamByName("WerkDatum").AsDateTime(), EncodeDate(2025, 1, 6));
}

TEST(DatasetParams, CommandTextParametersAreParsedOutsideQuotes) {
    EXPECT_EQ(ParseCommandParams("select * from t where a = :IS_ID and b = ':not' and c::int = :Jaar"),
              (QStringList{"IS_ID", "Jaar"}));
    TVornClientDataSet dataSet("CubeData");
    dataSet.SetCommandText("select :werkdatum, :is_id");
    ASSERT_EQ(dataSet.Params().Count(), 2);
    EXPECT_EQ(dataSet.Params().Items(1).Name(), "is_id");
}

TEST(DatasetSort, OrdersByIntegersTextAndSeveralFieldsKeepingTiesInOrder) {
    PupilBroker broker;
    TVornClientDataSet pupils("CDSPupils", &broker);
    pupils.SetProviderName("DSPPupils");
    pupils.Open();
    pupils.Sort("LL_ID", "");
    EXPECT_EQ(IdsInOrder(pupils, "LL_ID"), (std::vector<qint64>{10, 20, 30, 40}));
    pupils.Sort("LL_ID", "LL_ID");
    EXPECT_EQ(IdsInOrder(pupils, "LL_ID"), (std::vector<qint64>{40, 30, 20, 10}));
    pupils.Sort("LL_NAAM");
    EXPECT_EQ(IdsInOrder(pupils, "LL_ID"), (std::vector<qint64>{20, 10, 40, 30}))
        << "text ignores letter case";
    pupils.Sort("LL_GESLACHT; LL_UREN", "LL_UREN");
    EXPECT_EQ(IdsInOrder(pupils, "LL_ID"), (std::vector<qint64>{30, 40, 10, 20}))
        << "null is the smallest value";
    EXPECT_THROW(pupils.Sort("LL_NONE"), EDatabaseError);
}

TEST(DatasetSort, DeclaredSortFieldsOrderTheRowsOnOpening) {
    PupilBroker broker;
    TVornClientDataSet pupils("CDSPupils", &broker);
    pupils.SetProviderName("DSPPupils");
    pupils.SortFields = "LL_ID";
    pupils.Open();
    EXPECT_EQ(pupils.FieldByName("LL_ID").AsInteger(), 10);
}

TEST(DatasetLocate, FindsByIdFieldOrNamedKeyAndStaysPutWhenAbsent) {
    PupilBroker broker;
    TVornClientDataSet pupils("CDSPupils", &broker);
    pupils.SetProviderName("DSPPupils");
    pupils.Open();
    EXPECT_THROW(pupils.LocateID(10), EDatabaseError) << "no IDField set";
    pupils.IDField = "LL_ID";
    ASSERT_TRUE(pupils.LocateID(20));
    EXPECT_EQ(pupils.FieldByName("LL_NAAM").AsString(), "Claes");
    EXPECT_FALSE(pupils.LocateID(99, "LL_ID"));
    EXPECT_EQ(pupils.FieldByName("LL_NAAM").AsString(), "Claes");
    pupils.Sort("LL_ID");
    ASSERT_TRUE(pupils.LocateID(40, "ll_id"));
    EXPECT_EQ(pupils.RecNo(), 4) << "the index follows a new order";
    EXPECT_THROW(pupils.LocateID(1, "LL_NAAM"), EDatabaseError);
}

TEST(DatasetFields, CalculatedFieldsRunPerRowAndLookupsReadAnotherDataset) {
    InMemoryBroker broker;
    broker.addTable("DSPHours",
                    MakeTable({FieldDef::decimal("THECOUNT", 18, 3), FieldDef::decimal("THETBSOB", 18, 3),
                               FieldDef::integer("RUBR_FK")},
                              {{10.0, 2.0, 5}, {1.0, 4.0, 9}, {3.0, 0.0, QVariant()}}));
    broker.addTable("ParmDropDown", MakeTable({FieldDef::integer("P_ID"), FieldDef::string("P_CODE", 10)},
                                              {{5, "AV"}, {6, "BV"}}));
    TVornParamClientDataset classification("CDSselectRubricering", "OVRU", &broker);
    classification.Open();
    TVornClientDataSet hours("CDSPerVak", &broker);
    hours.SetProviderName("DSPHours");
    hours.AddField(FieldDef::decimal("THECOUNT", 18, 3));
    hours.AddField(FieldDef::decimal("THETBSOB", 18, 3));
    hours.AddField(FieldDef::integer("RUBR_FK"));
    hours.AddField(FieldDef::largeint("EFFCOUNT").internalCalc());
    hours.AddField(FieldDef::string("RUBR", 10).lookup("RUBR_FK", &classification, "P_ID", "P_CODE"));
    hours.OnCalcFields = [](TVornClientDataSet& ds) {
        ds.FieldByName("EFFCOUNT")
            .SetAsLargeInt(ds.FieldByName("THECOUNT").AsInteger() - ds.FieldByName("THETBSOB").AsInteger());
    };
    hours.Open();
    std::vector<qint64> effective;
    QStringList codes;
    for (hours.First(); !hours.Eof(); hours.Next()) {
        effective.push_back(hours.FieldByName("EFFCOUNT").AsLargeInt());
        codes << hours.FieldByName("RUBR").AsString();
    }
    EXPECT_EQ(effective, (std::vector<qint64>{8, -3, 3}));
    EXPECT_EQ(codes, (QStringList{"AV", "", ""}));
    EXPECT_EQ(classification.ProviderName(), "ParmDropDown");
    EXPECT_EQ(classification.ParamByName("P_Type").AsString(), "OVRU");
}

TEST(DatasetCache, TheSameParametersAreAnsweredWithoutAskingTheProvider) {
    PupilBroker broker;
    TVornCachedClientDataSet cached("CDSCached", &broker);
    cached.SetProviderName("DSPPupils");
    cached.Params().CreateParam(TFieldType::Integer, "IS_ID").SetAsInteger(1);
    cached.Open();
    cached.Close();
    cached.Open();
    EXPECT_EQ(broker.openCount("DSPPupils"), 1);
    EXPECT_EQ(cached.RecordCount(), 4);
    cached.Close();
    cached.ParamByName("IS_ID").SetAsInteger(2);
    cached.Open();
    EXPECT_EQ(broker.openCount("DSPPupils"), 2);
}
