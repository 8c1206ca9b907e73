#include "demofixture.h"

#include "data/demo/demodata.h"
#include "server/providers.h"
#include "server/schema.h"

#include "tests/common/qtprint.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

struct Result {
    int exitCode;
    QString out;
    QString err;
};

Result VornQuery(const QStringList& arguments) {
    QProcess process;
    process.start(VORN_QUERY_BINARY, arguments);
    process.waitForFinished(60000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

class VornQueryTest : public ::testing::Test {
protected:
    void SetUp() override { database_ = vorn::testing::MakeDemoDatabase(dir_.filePath("demo.db"), 1); }
    QTemporaryDir dir_;
    QString database_;
};

} // namespace

TEST_F(VornQueryTest, ListsEveryProviderWithItsParameters) {
    const Result result = VornQuery({"--list"});
    ASSERT_EQ(result.exitCode, 0);
    for (const vorn::server::ProviderDef& def : vorn::server::Providers())
        EXPECT_TRUE(result.out.contains(def.name + '\t')) << def.name.toStdString();
    EXPECT_TRUE(result.out.contains(
        "DSPStatLLPerKlas\tSJ_ID (geheel getal), WerkDatum (datum), IS_ID (geheel getal)"));
}

TEST_F(VornQueryTest, PrintsRowsAsCsvWithIsoDates) {
    const Result result = VornQuery({"--database", database_, "DSPSelectVWORefertePeriode"});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QStringList lines = result.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 10);
    EXPECT_EQ(lines[0], "OR_ID,OR_OMSCHRIJVING,OR_TOT,OR_VAN");
    EXPECT_EQ(lines[1], "1,Schooljaar 2023-2024,2024-08-31,2023-09-01");
}

TEST_F(VornQueryTest, BadRequestsExitWithAClearMessageAndNoRows) {
    const Result unknown = VornQuery({"--database", database_, "DSPGeenProvider"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(unknown.err.contains("DSPGeenProvider"));
    EXPECT_TRUE(unknown.out.isEmpty());
    const Result missing = VornQuery({"--database", database_, "DSPStatPSPopulatie", "IS_ID=1"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains("WerkDatum"));
    const Result mistyped =
        VornQuery({"--database", database_, "DSPStatPSPopulatie", "IS_ID=1", "WerkDatum=morgen"});
    EXPECT_EQ(mistyped.exitCode, 1);
    EXPECT_TRUE(mistyped.err.contains("morgen"));
    const Result absent = VornQuery({"--database", dir_.filePath("geen.db"), "DSPSelectIS"});
    EXPECT_EQ(absent.exitCode, 1);
    EXPECT_TRUE(absent.err.contains("bestaat niet"));
    EXPECT_EQ(VornQuery({}).exitCode, 2);
    const Result impossible =
        VornQuery({"--database", database_, "DSPStatPSPopulatie", "IS_ID=1", "WerkDatum=2026-02-30"});
    EXPECT_EQ(impossible.exitCode, 1);
    EXPECT_TRUE(impossible.err.contains("2026-02-30")) << impossible.err.toStdString();
    EXPECT_TRUE(impossible.out.isEmpty());
    const Result help = VornQuery({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Gebruik:"));
}

TEST_F(VornQueryTest, ARepeatedOrMissingStatementParameterIsRefusedAndAPasswordNeverShown) {
    const Result twice = VornQuery(
        {"--database", database_, "DSPStatPSPopulatie", "IS_ID=1", "IS_ID=2", "WerkDatum=2025-01-01"});
    EXPECT_EQ(twice.exitCode, 1);
    EXPECT_TRUE(twice.err.contains("twee keer")) << twice.err.toStdString();
    const Result unbound =
        VornQuery({"--database", database_, "--sql", "SELECT * FROM KLAS WHERE KL_ID = :ID"});
    EXPECT_EQ(unbound.exitCode, 1);
    EXPECT_TRUE(unbound.err.contains("ID=")) << unbound.err.toStdString();
    EXPECT_EQ(
        VornQuery({"--database", database_, "--sql", "SELECT COUNT(*) FROM KLAS WHERE KL_ID = :ID", "ID="})
            .exitCode,
        0)
        << "an empty value leaves it empty on purpose";
    const Result refused = VornQuery(
        {"--database", "host=/geen/map password='mijn Geheim3 wachtwoord' dbname=x", "DSPSelectIS"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("password=***")) << refused.err.toStdString();
    EXPECT_FALSE(refused.err.contains("Geheim3")) << refused.err.toStdString();
}

TEST_F(VornQueryTest, RunningOutOfMemoryGivesAMessageNotAnAbort) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reserves more address space than the limit allows";
#else
    QProcess process;
    process.setChildProcessModifier([] {
        const rlimit limit{400L << 20, 400L << 20}; // 400 MB of address space
        setrlimit(RLIMIT_AS, &limit);
    });
    // Rows are written as they come, so the memory must run out inside one row: a value of 500 MB.
    process.start(VORN_QUERY_BINARY,
                  {"--database", database_, "--sql", "SELECT length(printf('%.*c', 500000000, 'x'))"});
    ASSERT_TRUE(process.waitForFinished(120000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << "no abort";
    EXPECT_EQ(process.exitCode(), 1);
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    EXPECT_TRUE(errors.contains("geheugen")) << errors.toStdString();
#endif
}

TEST_F(VornQueryTest, AStatementsRowsAreWrittenAsTheyComeInFlatMemory) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reserves more address space than the limit allows";
#else
    // Two million rows of 200 characters (400 MB of text) under a limit of 300 MB of address space.
    QProcess process;
    process.setChildProcessModifier([] {
        const rlimit limit{300L << 20, 300L << 20};
        setrlimit(RLIMIT_AS, &limit);
    });
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(VORN_QUERY_BINARY,
                  {"--database", database_, "--sql",
                   "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000000) "
                   "SELECT i, printf('%0200d', i) AS tekst FROM n"});
    ASSERT_TRUE(process.waitForFinished(120000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
#endif
}

TEST_F(VornQueryTest, AStatementWithoutRowsStillNamesItsColumns) {
    QProcess process;
    process.start(VORN_QUERY_BINARY, {"--database", database_, "--sql",
                                      "SELECT IS_ID, IS_CODE AS CODE FROM INSTELLING WHERE IS_ID < 0"});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(process.readAllStandardOutput()), "IS_ID,CODE\n");
}

TEST_F(VornQueryTest, AnAnswerThatCannotBeWrittenWhollyFails) {
    QProcess process;
    process.setStandardOutputFile("/dev/full");
    process.start(VORN_QUERY_BINARY, {"--database", database_, "DSPBrowseInstellingen"});
    process.waitForFinished(60000);
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(process.readAllStandardError()).contains("niet volledig"));
}
