#include "fixtures.h"

#include "host/data/clientdataset.h"
#include "host/data/errors.h"

#include <gtest/gtest.h>

using namespace vorn;
using vorn::testing::MakeTable;

namespace {

/// A job table like the server's: J_ID from the server, J_JOBID from the parameter.
class JobTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        broker.addTable(
            "DSPJobs",
            MakeTable({FieldDef::integer("J_ID").req(), FieldDef::integer("J_JOBID").req(),
                       FieldDef::integer("J_INTEGER1"), FieldDef::smallint("J_SMALL"),
                       FieldDef::string("J_SHORTTEXT1", 10), FieldDef::wideString("J_LONGTEXT1", 80).req()},
                      {{1, 77, 5, 0, "A", "eerste"}}),
            "J_ID");
        jobs.SetProviderName("DSPJobs");
        jobs.IDField = "J_ID";
        jobs.ParamToFields = "J_JOBID=JobID";
        jobs.Params().CreateParam(TFieldType::Integer, "JobID").SetAsInteger(500);
        jobs.AddField(FieldDef::integer("J_ID").req().flags(pfInUpdate | pfInKey));
        jobs.AddField(FieldDef::integer("J_JOBID")); // the server insists on it
        jobs.AddField(FieldDef::integer("J_INTEGER1"));
        jobs.AddField(FieldDef::smallint("J_SMALL"));
        jobs.AddField(FieldDef::string("J_SHORTTEXT1", 10));
        jobs.AddField(FieldDef::wideString("J_LONGTEXT1", 80).req());
        jobs.Open();
    }

    void AppendRow(int category, const QString& code, const QString& description) {
        jobs.Append();
        jobs.FieldByName("J_INTEGER1").SetAsInteger(category);
        jobs.FieldByName("J_SHORTTEXT1").SetAsString(code);
        jobs.FieldByName("J_LONGTEXT1").SetAsString(description);
        jobs.Post();
    }

    InMemoryBroker broker;
    TVornClientDataSet jobs{"CDSPrint", &broker};
};

} // namespace

TEST_F(JobTableTest, AppendedRowsGoToTheServerInOneApplyAndGetTheServersIds) {
    AppendRow(3, "K1", "Klas 1");
    AppendRow(4, "K2", "Klas 2");
    EXPECT_EQ(jobs.FieldByName("J_JOBID").AsInteger(), 500) << "taken from the JobID parameter";
    EXPECT_LT(jobs.FieldByName("J_ID").AsInteger(), 0) << "a temporary id until the server answers";
    EXPECT_EQ(jobs.ChangeCount(), 2);
    EXPECT_EQ(jobs.ApplyUpdates(0), 0);
    EXPECT_EQ(jobs.ChangeCount(), 0);
    EXPECT_EQ(jobs.FieldByName("J_ID").AsInteger(), 3);
    const Table& stored = broker.table("DSPJobs");
    ASSERT_EQ(stored.rowCount(), 3U);
    EXPECT_EQ(stored.columns[1].intAt(2), 500);
    EXPECT_EQ(stored.columns[5].bytesAt(1), "Klas 1");
    EXPECT_EQ(jobs.ApplyUpdates(0), 0) << "nothing left to send";
}

TEST_F(JobTableTest, ValuesThatDoNotFitAreRefusedNamingTheFieldAndLeaveTheRowAsItWas) {
    jobs.Append();
    TField& small = jobs.FieldByName("J_SMALL");
    small.SetAsInteger(12);
    try {
        small.SetAsInteger(70000);
        FAIL() << "70000 went into a 16-bit field";
    } catch (const EDatabaseError& error) {
        EXPECT_TRUE(error.message().contains("J_SMALL"));
    }
    EXPECT_THROW(jobs.FieldByName("J_INTEGER1").SetAsString("twaalf"), EDatabaseError);
    EXPECT_THROW(jobs.FieldByName("J_INTEGER1").SetAsDateTime(EncodeDate(2025, 1, 1)), EDatabaseError);
    EXPECT_EQ(small.AsInteger(), 12);
    jobs.FieldByName("J_INTEGER1").SetAsString(" 42 ");
    EXPECT_EQ(jobs.FieldByName("J_INTEGER1").AsInteger(), 42);
    jobs.FieldByName("J_SHORTTEXT1").SetAsString("abcdefghijklmnop");
    EXPECT_EQ(jobs.FieldByName("J_SHORTTEXT1").AsString(), "abcdefghij") << "texts are cut to the width";
    jobs.Cancel();
    EXPECT_EQ(jobs.RecordCount(), 1);
    EXPECT_THROW(jobs.FieldByName("J_SMALL").SetAsInteger(1), EDatabaseError) << "not in edit or insert mode";
}

TEST_F(JobTableTest, ARequiredFieldWithoutValueStopsThePostButAnEmptyTextIsAValue) {
    jobs.Append();
    try {
        jobs.Post();
        FAIL() << "a row without J_LONGTEXT1 was posted";
    } catch (const EDatabaseError& error) {
        EXPECT_TRUE(error.message().contains("J_LONGTEXT1"));
    }
    EXPECT_EQ(jobs.State(), TDataSetState::Insert);
    jobs.FieldByName("J_LONGTEXT1").SetAsString("");
    jobs.Post();
    EXPECT_EQ(jobs.RecordCount(), 2);
    EXPECT_FALSE(jobs.FieldByName("J_LONGTEXT1").IsNull());
}

TEST_F(JobTableTest, AFailingApplyKeepsEveryChangeAndWritesNothing) {
    AppendRow(1, "A", "goed");
    jobs.Append();
    jobs.FieldByName("J_LONGTEXT1").SetAsString("zonder job");
    jobs.FieldByName("J_JOBID").Clear(); // the server refuses a row without job id
    jobs.Post();
    try {
        jobs.ApplyUpdates(0);
        FAIL() << "a failed apply was reported as success";
    } catch (const EDatabaseError& error) {
        EXPECT_TRUE(error.message().contains("J_JOBID"));
    }
    EXPECT_EQ(broker.table("DSPJobs").rowCount(), 1U) << "the good row was rolled back too";
    EXPECT_EQ(jobs.ChangeCount(), 2);
    EXPECT_EQ(jobs.ApplyUpdates(-1), 1) << "allowing errors keeps the good row";
    EXPECT_EQ(broker.table("DSPJobs").rowCount(), 2U);
    EXPECT_EQ(jobs.ChangeCount(), 1);
}

TEST_F(JobTableTest, EditsAndDeletesAreAppliedByKeyAndCanBeCancelled) {
    AppendRow(9, "N", "nieuw");
    jobs.First();
    jobs.Edit();
    jobs.FieldByName("J_INTEGER1").SetAsInteger(6);
    jobs.Post();
    jobs.CancelUpdates();
    EXPECT_EQ(jobs.RecordCount(), 1);
    EXPECT_EQ(jobs.FieldByName("J_INTEGER1").AsInteger(), 5);
    EXPECT_EQ(jobs.ChangeCount(), 0);

    jobs.Edit();
    jobs.FieldByName("J_INTEGER1").SetAsInteger(6);
    jobs.Post();
    jobs.ApplyUpdates(0);
    EXPECT_EQ(broker.table("DSPJobs").columns[2].intAt(0), 6);
    jobs.Delete();
    EXPECT_EQ(jobs.RecordCount(), 0);
    jobs.CancelUpdates();
    EXPECT_EQ(jobs.RecordCount(), 1);
    jobs.Delete();
    jobs.ApplyUpdates(0);
    EXPECT_EQ(broker.table("DSPJobs").rowCount(), 0U);
}

TEST(DatasetApply, WithoutAProviderIsRefused) {
    TVornClientDataSet local("CDSLocal");
    local.AddField(FieldDef::integer("ID"));
    local.CreateDataSet();
    local.Append();
    local.FieldByName("ID").SetAsInteger(1);
    local.Post();
    try {
        local.ApplyUpdates(0);
        FAIL() << "apply without provider succeeded";
    } catch (const EDatabaseError& error) {
        EXPECT_TRUE(error.message().contains("CDSLocal"));
    }
    EXPECT_EQ(local.ChangeCount(), 1);
}
