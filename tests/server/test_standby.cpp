// Reads from a hot standby: a primary and its streaming standby made by scripts/pg-standby.sh for
// this test program alone (unix sockets in a folder of their own, no TCP).
#include "dbfixture.h"

#include "server/schema.h"

#include "host/data/errors.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <gmock/gmock.h>

using namespace vorn;

namespace {

class StandbyTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (vorn::testing::PostgresConnectionString().isEmpty())
            return; // no PostgreSQL here: each test skips (or fails under CI) in SetUp
        dir_ = new QTemporaryDir(QStringLiteral("/tmp/vorn-standby-XXXXXX"));
        dir_->remove(); // the script makes the folder itself
        const QStringList servers = Script(QStringLiteral("start")).split(u'\n', Qt::SkipEmptyParts);
        if (servers.size() == 2) {
            primary_ = servers[0];
            standby_ = servers[1];
        }
    }
    static void TearDownTestSuite() {
        if (dir_ != nullptr)
            Script(QStringLiteral("stop"));
        delete dir_;
        dir_ = nullptr;
    }

    /// Runs a command of the script on this program's pair; answers what it printed.
    static QString Script(const QString& command) {
        QProcess script;
        script.start(QStringLiteral(VORN_SCRIPTS "/pg-standby.sh"), {command, dir_->path()});
        script.waitForFinished(120000);
        QString said = QString::fromUtf8(script.readAllStandardOutput());
        EXPECT_EQ(script.exitCode(), 0)
            << command.toStdString() << ": " << script.readAllStandardError().toStdString();
        return said;
    }

    void SetUp() override {
        if (vorn::testing::PostgresConnectionString().isEmpty()) {
            if (!qEnvironmentVariable("CI").isEmpty())
                FAIL() << "VORN_TEST_PG is not set: the test command must provide PostgreSQL";
            GTEST_SKIP() << "no PostgreSQL here (run ./test.sh)";
        }
        ASSERT_FALSE(standby_.isEmpty()) << "the primary and standby did not start";
        primaryOnly_ = server::OpenPostgres(primary_);
        static int counter = 0;
        const QString schema = QStringLiteral("standby_%1").arg(++counter);
        primaryOnly_->executeScript(QStringLiteral("CREATE SCHEMA %1; SET search_path TO %1").arg(schema));
        server::CreateSchema(*primaryOnly_);
        QFile fixture(QStringLiteral(VORN_TEST_DATA "/fixture.sql"));
        ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
        primaryOnly_->executeScript(QString::fromUtf8(fixture.readAll()));
        withStandby_ = server::OpenPostgres(primary_, standby_);
        withStandby_->executeScript(QStringLiteral("SET search_path TO %1").arg(schema));
        primaryBroker_ = std::make_unique<server::SqlBroker>(*primaryOnly_);
        broker_ = std::make_unique<server::SqlBroker>(*withStandby_);
        Script(QStringLiteral("wait-replay"));
    }

    /// The rows of a provider through a broker, fields joined by '|'.
    static QStringList Rows(server::SqlBroker& broker, const QString& provider,
                            const QString& commandText = {}) {
        TVornClientDataSet dataSet(provider, &broker);
        dataSet.SetProviderName(provider);
        if (!commandText.isEmpty())
            dataSet.SetCommandText(commandText);
        else
            dataSet.Params()
                .CreateParam(TFieldType::DateTime, QStringLiteral("WerkDatum"))
                .SetAsDateTime(DateToDateTime(QDate(2024, 10, 1)));
        if (commandText.isEmpty())
            dataSet.Params().CreateParam(TFieldType::Integer, QStringLiteral("IS_ID")).SetAsInteger(10);
        return vorn::testing::OpenedRows(dataSet);
    }

    /// Where a report ran: 1 on the standby, 0 on the primary.
    QString ReportServer() {
        return Rows(*broker_, QStringLiteral("DSPReports"), QStringLiteral("SELECT pg_is_in_recovery() AS r"))
            .value(0);
    }

    inline static QTemporaryDir* dir_ = nullptr;
    inline static QString primary_;
    inline static QString standby_;
    std::unique_ptr<server::Connection> primaryOnly_;
    std::unique_ptr<server::Connection> withStandby_;
    std::unique_ptr<server::SqlBroker> primaryBroker_;
    std::unique_ptr<server::SqlBroker> broker_;
};

const QString Grades = QStringLiteral("DSPStatLLPerGRaad");

/// A pupil's enrolment in grade 3 on the fixture's reference date, changing the grade counts.
const QString NewEnrolment = QStringLiteral(
    "INSERT INTO LOOPBAAN (LB_ID, LB_LEERLING_FK, LB_INSTELLING_FK, LB_KLAS_FK, LB_GRAAD, "
    "LB_BEGINDATUM) SELECT 9001, LB_LEERLING_FK, LB_INSTELLING_FK, LB_KLAS_FK, '3', LB_BEGINDATUM "
    "FROM LOOPBAAN WHERE LB_INSTELLING_FK = 10 ORDER BY LB_ID LIMIT 1");

} // namespace

TEST_F(StandbyTest, ReadsComeFromTheStandbyAndEqualThePrimarysOnceAChangeHasReplayed) {
    EXPECT_EQ(ReportServer(), "1") << "reports read from the standby";
    EXPECT_EQ(Rows(*broker_, Grades), Rows(*primaryBroker_, Grades));
    const QStringList before = Rows(*primaryBroker_, Grades);

    Script(QStringLiteral("pause-replay"));
    primaryOnly_->execute(NewEnrolment);
    ASSERT_NE(Rows(*primaryBroker_, Grades), before);
    EXPECT_EQ(Rows(*broker_, Grades), before) << "the statistics read the standby, which has not replayed";

    Script(QStringLiteral("resume-replay"));
    Script(QStringLiteral("wait-replay"));
    EXPECT_EQ(Rows(*broker_, Grades), Rows(*primaryBroker_, Grades));
}

TEST_F(StandbyTest, APrintWhileTheStandbyLagsReadsItsOwnJobRowsFromThePrimary) {
    Script(QStringLiteral("pause-replay"));
    const int job = broker_->newJobId();
    TVornClientDataSet print("CDSPrint", broker_.get());
    print.SetProviderName("DSPOSPPrintStats");
    print.IDField = "J_ID";
    print.ParamToFields = "J_JOBID=JobID";
    print.Params().CreateParam(TFieldType::Integer, "JobID").SetAsInteger(job);
    print.AddField(FieldDef::integer("J_ID").req().flags(pfInUpdate | pfInKey));
    print.AddField(FieldDef::integer("J_JOBID").req().flags(pfInUpdate));
    print.AddField(FieldDef::integer("J_JOBTYPE").req().flags(pfInUpdate));
    print.AddField(FieldDef::integer("J_TYPERECORD").req().flags(pfInUpdate));
    print.AddField(FieldDef::wideString("J_SHORTTEXT1", 10).flags(pfInUpdate));
    print.Open();
    for (const char* code : {"NT2A", "ICT1", "WISK"}) {
        print.Append();
        print.FieldByName("J_JOBTYPE").SetAsInteger(-1);
        print.FieldByName("J_TYPERECORD").SetAsInteger(0);
        print.FieldByName("J_SHORTTEXT1").SetAsString(QString::fromLatin1(code));
        print.Post();
    }
    ASSERT_EQ(print.ApplyUpdates(0), 0);
    print.Close();
    print.Open();
    EXPECT_EQ(print.RecordCount(), 3) << "the rows just written, although the standby has not got them";
    Script(QStringLiteral("resume-replay"));
}

TEST_F(StandbyTest, TheStandbyStoppingMidReadIsReportedAndTheNextReadsGoToThePrimary) {
    const QString many = QStringLiteral("SELECT i FROM generate_series(1, 200000) AS i");
    std::size_t batches = 0;
    QString message;
    try {
        broker_->streamCommand(QStringLiteral("DSPReports"), {}, many, [&](const Table&) {
            if (++batches == 1)
                Script(QStringLiteral("halt-standby"));
        });
    } catch (const EDatabaseError& error) {
        message = error.message();
    }
    EXPECT_THAT(message.toStdString(), ::testing::HasSubstr("De rapportserver"));
    EXPECT_THAT(message.toStdString(), ::testing::HasSubstr("hoofdserver"));

    EXPECT_EQ(Rows(*broker_, Grades), Rows(*primaryBroker_, Grades)) << "the next fetch falls back";
    EXPECT_EQ(ReportServer(), "0") << "and so do the reports";
    Script(QStringLiteral("resume-standby"));
}

TEST_F(StandbyTest, AnUnreachableStandbyOrAnotherServersDatabaseLeavesTheReadsOnThePrimaryAndSaysWhy) {
    auto unreachable = server::OpenPostgres(
        primary_, QStringLiteral("host=%1/nergens port=5432 dbname=vorn_test user=postgres connect_timeout=2")
                      .arg(dir_->path()));
    EXPECT_EQ(&unreachable->reader(), unreachable.get());
    EXPECT_THAT(unreachable->readerProblem().toStdString(), ::testing::HasSubstr("hoofdserver"));

    // The test server of the other tests: a database of the same name, but not this one's standby.
    auto another = server::OpenPostgres(primary_, vorn::testing::PostgresConnectionString());
    EXPECT_EQ(&another->reader(), another.get());
    EXPECT_THAT(another->readerProblem().toStdString(),
                ::testing::HasSubstr("geen standby van deze databank"));

    EXPECT_NE(&withStandby_->reader(), withStandby_.get());
    EXPECT_TRUE(withStandby_->readerProblem().isEmpty());
}
