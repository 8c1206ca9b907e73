// Users on a shared PostgreSQL server: each sees the institutions granted to it and nothing else,
// through every provider, every stored statistic and every report statement, however written, and
// a report cannot leave the reading login it runs as.
#include "dbfixture.h"

#include "server/jobregister.h"
#include "server/migrations.h"
#include "server/providers.h"
#include "server/rights.h"
#include "server/schema.h"
#include "server/sqlbroker.h"

#include "host/data/errors.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QSysInfo>
#include <QThread>
#include <csignal>
#include <gmock/gmock.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vorn;
using vorn::testing::FillParams;
using vorn::testing::Request;
using vorn::testing::TableRows;

namespace {

const std::vector<Request> Institutions{{10, 1, "STGB"}, {20, 2, "FINA"}, {30, 3, "OVRU"}};

class RightsTest : public vorn::testing::DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        static int counter = 0;
        suffix_ = QStringLiteral("%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter);
    }

    void TearDown() override {
        for (const QString& user : made_) {
            try {
                server::RemoveUser(*connection_, user, true);
            } catch (const EVornError&) {
            }
        }
        for (const QString& schema : copies_)
            connection_->executeScript(
                QStringLiteral("SET client_min_messages = warning; DROP SCHEMA %1 CASCADE").arg(schema));
        DatabaseTest::TearDown();
    }

    /// A user of this test with the institutions of `codes` (none: no grant at all).
    QString MakeUser(const QString& name, const QStringList& codes) {
        const QString user = name + u'_' + suffix_;
        server::AddUser(*connection_, user);
        made_ << user;
        if (!codes.isEmpty())
            server::GrantInstitutions(*connection_, user, codes);
        return user;
    }

    /// The server notices a killed client only when it next looks at the socket; until then the
    /// killed writer's session still holds its job lock, as it would for the next start too.
    void WaitUntilTheServerLetsGoOf(int job) {
        const server::BindValue jobId{server::BindValue::Kind::Integer, job, {}};
        for (int attempt = 0; attempt < 200; ++attempt) {
            if (connection_->queryInteger("SELECT COUNT(*) FROM pg_locks WHERE locktype = 'advisory' AND "
                                          "objid::bigint = :J AND objsubid = 2",
                                          {jobId}) == 0)
                return;
            QThread::msleep(50);
        }
        ADD_FAILURE() << "the killed writer's session still holds job " << job << " after 10 s";
    }

    /// A connection signed in as `user` (the test server trusts every local user).
    std::unique_ptr<server::Connection> SignIn(const QString& user) {
        return server::OpenPostgres(
            vorn::testing::PostgresConnectionString() +
            QStringLiteral(" user=%1 options='-csearch_path=%2'").arg(user, pgSchema_));
    }

    static QString Answer(server::Connection& connection, const QString& sql) {
        try {
            return TableRows(connection.queryReadOnly(sql, TParams())).join(u';');
        } catch (const EVornError& error) {
            return QStringLiteral("fout: ") + error.message();
        }
    }

    /// Every provider's and every stored statistic's rows for one institution.
    static QStringList AnswersFor(server::Connection& connection, const Request& request) {
        server::SqlBroker broker(connection);
        QStringList answers;
        for (const server::ProviderDef& def : server::Providers()) {
            if (def.kind == server::ProviderDef::Kind::CommandText)
                continue;
            TParams params;
            FillParams(def, request, params);
            QStringList rows = TableRows(broker.open(def.name, params, {}));
            rows.sort(); // statements without ORDER BY may come in another order under other plans
            answers << def.name << rows;
        }
        const Table queries =
            connection.query(QStringLiteral("SELECT Q_SQL FROM QUERY ORDER BY Q_ID"), TParams(), {});
        for (std::size_t q = 0; q < queries.rowCount(); ++q) {
            TParams params;
            params.CreateParam(TFieldType::Integer, QStringLiteral("IS_ID"))
                .SetAsInteger(request.institution);
            answers << QStringLiteral("statistiek %1").arg(q)
                    << TableRows(connection.queryReadOnly(vorn::testing::CellText(queries, 0, q), params));
        }
        return answers;
    }

    /// A connection to a second copy of the fixture from which every row of the institutions not in
    /// `ids` was deleted by hand: what a user granted `ids` should see of the whole database.
    std::unique_ptr<server::Connection> CopyWithOnly(const QString& ids) {
        const QString schema = pgSchema_ + QStringLiteral("_alleen");
        connection_->executeScript(QStringLiteral("CREATE SCHEMA %1").arg(schema));
        copies_ << schema;
        auto copy = server::OpenPostgres(vorn::testing::PostgresConnectionString() +
                                         QStringLiteral(" options='-csearch_path=%1'").arg(schema));
        server::CreateSchema(*copy);
        QFile fixture(QStringLiteral(VORN_TEST_DATA "/fixture.sql"));
        EXPECT_TRUE(fixture.open(QIODevice::ReadOnly));
        copy->executeScript(QString::fromUtf8(fixture.readAll()));
        QString script = QStringLiteral("SET session_replication_role = replica;\n");
        for (const auto& [table, column] :
             std::vector<std::pair<QString, QString>>{{"INSTELLING", "IS_ID"},
                                                      {"VAKKENPAKKET", "VK_INSTELLING_FK"},
                                                      {"VESTIGINGSPLAATS", "VP_INSTELLING_FK"},
                                                      {"KLAS", "KL_INSTELLING_FK"},
                                                      {"LOOPBAAN", "LB_INSTELLING_FK"},
                                                      {"OPDRACHT", "OP_INSTELLING_FK"},
                                                      {"CURRICULUM", "CU_INSTELLING_FK"},
                                                      {"VWOKLAS", "VWK_INSTELLING_FK"},
                                                      {"VWOLESPLAATS", "VLP_INSTELLING_FK"},
                                                      {"VWOINGMODULEVAR", "IMV_INSTELLING_FK"},
                                                      {"VWOINSCHRIJVING", "VL_INSTELLING_FK"},
                                                      {"OSPVRIJSTELLINGIG", "OVI_INSTELLING_FK"},
                                                      {"VWOTARIEF", "VTA_INSTELLING_FK"}})
            script += QStringLiteral("DELETE FROM %1 WHERE %2 NOT IN (%3);\n").arg(table, column, ids);
        script += QStringLiteral(
            "DELETE FROM LEERLING WHERE LL_ID NOT IN (SELECT LB_LEERLING_FK FROM LOOPBAAN UNION SELECT "
            "CU_LEERLING_FK FROM CURRICULUM UNION SELECT VL_LEERLING_FK FROM VWOINSCHRIJVING WHERE "
            "VL_LEERLING_FK IS NOT NULL);\n"
            "DELETE FROM PERSONEEL WHERE PS_ID NOT IN (SELECT OP_PERSONEEL_FK FROM OPDRACHT);\n"
            "DELETE FROM SCHOOL WHERE SC_ID NOT IN (SELECT IS_SCHOOL_FK FROM INSTELLING);\n"
            "SET session_replication_role = origin;\n");
        copy->executeScript(script);
        return copy;
    }

    bool postgres() const { return GetParam() == server::Dialect::PostgreSQL; }

    QString suffix_;
    QStringList made_;
    QStringList copies_;
};

TEST_P(RightsTest, TwoUsersSeeExactlyTheirInstitutionsEverywhere) {
    if (!postgres())
        GTEST_SKIP() << "SQLite has one user";
    const QString anna = MakeUser(QStringLiteral("anna"), {QStringLiteral("SJC")});
    const QString bert = MakeUser(QStringLiteral("bert"), {QStringLiteral("CVOLS"), QStringLiteral("vwooe")});
    const auto annaConnection = SignIn(anna);
    const auto bertConnection = SignIn(bert);
    const auto onlyAnnas = CopyWithOnly(QStringLiteral("10"));
    for (const Request& request : Institutions)
        EXPECT_EQ(AnswersFor(*annaConnection, request), AnswersFor(*onlyAnnas, request))
            << "institution " << request.institution;
    copies_.clear();
    connection_->executeScript(
        QStringLiteral("SET client_min_messages = warning; DROP SCHEMA %1_alleen CASCADE").arg(pgSchema_));
    const auto onlyBerts = CopyWithOnly(QStringLiteral("20, 30"));
    for (const Request& request : Institutions)
        EXPECT_EQ(AnswersFor(*bertConnection, request), AnswersFor(*onlyBerts, request))
            << "institution " << request.institution;
    EXPECT_EQ(Answer(*annaConnection, "SELECT IS_CODE FROM INSTELLING ORDER BY 1"), "SJC");
    EXPECT_EQ(Answer(*bertConnection, "SELECT IS_CODE FROM INSTELLING ORDER BY 1"), "CVOLS;VWOOE");
    // Persons belong to the institutions they are enrolled in or work for.
    const QString persons =
        "SELECT (SELECT COUNT(*) FROM LEERLING) || '/' || (SELECT COUNT(*) FROM PERSONEEL)";
    const QString annaPersons = Answer(*annaConnection, persons);
    const QString bertPersons = Answer(*bertConnection, persons);
    EXPECT_EQ(
        annaPersons,
        Answer(*connection_,
               "SELECT (SELECT COUNT(DISTINCT LB_LEERLING_FK) FROM LOOPBAAN WHERE LB_INSTELLING_FK = 10)"
               " || '/' || (SELECT COUNT(DISTINCT OP_PERSONEEL_FK) FROM OPDRACHT WHERE "
               "OP_INSTELLING_FK = 10)"));
    EXPECT_NE(annaPersons, bertPersons);
    EXPECT_EQ(Answer(*bertConnection, "SELECT COUNT(*) FROM LOOPBAAN"), "0");
}

TEST_P(RightsTest, AUserWithoutGrantsSeesNoInstitutionAndARevokeHoldsAtTheNextFetch) {
    if (!postgres())
        GTEST_SKIP() << "SQLite has one user";
    const QString carl = MakeUser(QStringLiteral("carl"), {});
    const auto carlConnection = SignIn(carl);
    EXPECT_EQ(Answer(*carlConnection, "SELECT COUNT(*) FROM INSTELLING"), "0");
    server::SqlBroker broker(*carlConnection);
    TParams none;
    EXPECT_EQ(broker.open(QStringLiteral("DSPSelectIS"), none, {}).rowCount(), 0u);

    server::GrantInstitutions(*connection_, carl, {QStringLiteral("SJC")});
    EXPECT_EQ(Answer(*carlConnection, "SELECT IS_CODE FROM INSTELLING"), "SJC");
    EXPECT_EQ(broker.open(QStringLiteral("DSPSelectIS"), none, {}).rowCount(), 1u);
    server::GrantInstitutions(*connection_, carl, {});
    EXPECT_EQ(Answer(*carlConnection, "SELECT COUNT(*) FROM INSTELLING"), "3")
        << "no codes: every institution";
    server::RevokeInstitutions(*connection_, carl, {});
    EXPECT_EQ(Answer(*carlConnection, "SELECT COUNT(*) FROM INSTELLING"), "0");
    EXPECT_EQ(broker.open(QStringLiteral("DSPSelectIS"), none, {}).rowCount(), 0u);

    const auto listed = server::ListAccess(*connection_);
    const auto entry = std::find_if(listed.begin(), listed.end(),
                                    [&](const server::UserAccess& access) { return access.user == carl; });
    ASSERT_NE(entry, listed.end());
    EXPECT_TRUE(entry->institutions.isEmpty());
    EXPECT_FALSE(entry->everyInstitution);
}

TEST_P(RightsTest, AReportCannotLeaveItsReadingLoginNorReadPastTheGrants) {
    if (!postgres())
        GTEST_SKIP() << "SQLite has one user";
    const QString anna = MakeUser(QStringLiteral("anna"), {QStringLiteral("SJC")});
    const auto annaConnection = SignIn(anna);
    const qint64 annaBackend = annaConnection->queryInteger("SELECT pg_backend_pid()").value_or(0);
    const qint64 ownerBackend = connection_->queryInteger("SELECT pg_backend_pid()").value_or(0);
    for (const QString& escape : {
             QStringLiteral("SELECT set_config('role', session_user, true), query_to_xml('select "
                            "pg_read_file(''/etc/hostname'') f', false, false, '')"),
             QStringLiteral("SELECT set_config('role', '%1', true)").arg(anna),
             QStringLiteral("SELECT set_config('role', 'postgres', true)"),
             QStringLiteral("SET ROLE postgres"),
             QStringLiteral("SET ROLE %1").arg(anna),
             QStringLiteral("SET SESSION AUTHORIZATION postgres"),
             QStringLiteral("RESET ROLE"),
             QStringLiteral("SELECT pg_read_file('/etc/hostname')"),
             QStringLiteral("SELECT pg_ls_dir('.')"),
             QStringLiteral("SELECT lo_import('/etc/hostname')"),
             QStringLiteral("SELECT lo_from_bytea(0, 'abc')"),
             QStringLiteral("SELECT pg_terminate_backend(%1)").arg(annaBackend),
             QStringLiteral("SELECT pg_terminate_backend(%1)").arg(ownerBackend),
             QStringLiteral("SELECT dblink('dbname=vorn_test', 'select 1')"),
             QStringLiteral("CREATE EXTENSION dblink"),
             QStringLiteral("SELECT COUNT(*) FROM VORN_GEBRUIKER"),
             QStringLiteral("SELECT COUNT(*) FROM VORN_TOEGANG"),
             QStringLiteral("SELECT * FROM vorn_leesaccount()"),
             QStringLiteral("DELETE FROM JOBDATA"),
         }) {
        const QString answer = Answer(*annaConnection, escape);
        EXPECT_TRUE(answer.startsWith("fout: ")) << escape.toStdString() << ": " << answer.toStdString();
    }
    // What may run still sees only Anna's institution.
    EXPECT_EQ(Answer(*annaConnection,
                     "SELECT set_config('role', 'none', true) || (SELECT COUNT(*) FROM INSTELLING)"),
              "none1");
    EXPECT_EQ(Answer(*annaConnection, "SELECT COUNT(*) FROM INSTELLING"), "1");
    EXPECT_THAT(
        Answer(*annaConnection, "SELECT query_to_xml('select is_code from instelling', false, false, '')")
            .toStdString(),
        ::testing::AllOf(::testing::HasSubstr("SJC"), ::testing::Not(::testing::HasSubstr("CVOLS"))));
    EXPECT_EQ(Answer(*annaConnection,
                     "SELECT (SELECT rolsuper::int::text || rolinherit::int::text FROM pg_roles WHERE "
                     "rolname = current_user) || (SELECT COUNT(*) FROM pg_auth_members m JOIN "
                     "pg_roles r ON r.oid = m.member WHERE r.rolname = current_user)"),
              "000")
        << "the reading login is no superuser, inherits nothing and belongs to no role";
    EXPECT_EQ(annaConnection->queryInteger("SELECT 1").value_or(0), 1) << "Anna's session lives on";
    EXPECT_EQ(connection_->queryInteger("SELECT 1").value_or(0), 1);
}

TEST_P(RightsTest, APersonWithoutAReadingLoginIsToldWhatTheAdministratorRuns) {
    if (!postgres())
        GTEST_SKIP() << "SQLite has one user";
    const QString dora = QStringLiteral("dora_") + suffix_;
    connection_->executeScript(QStringLiteral("CREATE ROLE %1 LOGIN IN ROLE vorn_gebruiker").arg(dora));
    const auto doraConnection = SignIn(dora);
    const QString answer = Answer(*doraConnection, "SELECT 1");
    connection_->executeScript(QStringLiteral("DROP ROLE %1").arg(dora));
    EXPECT_THAT(answer.toStdString(), ::testing::HasSubstr("vorn-admin"));
    EXPECT_THAT(answer.toStdString(), ::testing::HasSubstr(("gebruiker-toevoegen " + dora).toStdString()));
}

TEST_P(RightsTest, AdministrationNeedsTheRightToMakeRolesAndTheTables) {
    if (!postgres())
        GTEST_SKIP() << "SQLite has one user";
    const QString anna = MakeUser(QStringLiteral("anna"), {QStringLiteral("SJC")});
    const auto annaConnection = SignIn(anna);
    try {
        server::RequireAdministrator(*annaConnection);
        ADD_FAILURE() << "a user is no administrator";
    } catch (const EVornError& error) {
        EXPECT_THAT(error.message().toStdString(), ::testing::HasSubstr("CREATEROLE"));
        EXPECT_THAT(error.message().toStdString(), ::testing::HasSubstr("eigenaar"));
    }
    EXPECT_NO_THROW(server::RequireAdministrator(*connection_));
    EXPECT_THROW(server::AddUser(*connection_, QStringLiteral("x\"; DROP TABLE KLAS; --")), EVornError);
    EXPECT_THROW(server::GrantInstitutions(*connection_, anna, {QStringLiteral("BESTAATNIET")}), EVornError);
    EXPECT_THROW(server::GrantInstitutions(*connection_, QStringLiteral("niemand"), {}), EVornError);
}

TEST_P(RightsTest, AJobOfALiveWriterIsKeptAndOneWhoseWriterIsGoneIsSwept) {
    using server::BindValue;
    const auto integer = [](qint64 value) { return BindValue{BindValue::Kind::Integer, value, {}}; };
    const auto text = [](const QString& value) {
        return BindValue{BindValue::Kind::Text, 0, value.toStdString()};
    };
    // Rows as writers leave them; whether a writer lives, the sweep finds out by itself.
    const auto leftBy = [&](int job, qint64 pid, const QDateTime& started) {
        connection_->execute(
            "INSERT INTO VORN_JOB (VJ_JOBID, VJ_EIGENAAR, VJ_MACHINE, VJ_PROCES, VJ_GESTART) "
            "VALUES (:J, 'iemand', :M, :P, :T)",
            {integer(job), text(QSysInfo::machineHostName()), integer(pid),
             text(started.toString(Qt::ISODate))});
        connection_->execute("INSERT INTO JOBDATA (J_JOBID, J_JOBTYPE, J_TYPERECORD) VALUES (:J, 1, 0)",
                             {integer(job)});
    };
    const auto rowsOf = [&](int job) {
        return connection_->queryInteger("SELECT COUNT(*) FROM JOBDATA WHERE J_JOBID = :J", {integer(job)})
            .value_or(-1);
    };
    const pid_t ended = fork();
    if (ended == 0)
        _exit(0);
    waitpid(ended, nullptr, 0);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const int live = 900001, gone = 900002, old = 900003, own = 900004, unregistered = 900005;
    leftBy(live, getppid(), now);
    leftBy(gone, ended, now);
    leftBy(old, getppid(), now.addDays(-2));
    connection_->execute("INSERT INTO JOBDATA (J_JOBID, J_JOBTYPE, J_TYPERECORD) VALUES (:J, 1, 0)",
                         {integer(unregistered)});
    connection_->begin();
    server::RegisterJob(*connection_, own);
    connection_->execute("INSERT INTO JOBDATA (J_JOBID, J_JOBTYPE, J_TYPERECORD) VALUES (:J, 1, 0)",
                         {integer(own)});
    connection_->commit();
    // On PostgreSQL a writer lives while its session holds the job's lock.
    std::unique_ptr<server::Connection> writer;
    if (postgres()) {
        writer = server::OpenPostgres(vorn::testing::PostgresConnectionString());
        writer->queryInteger(
            QStringLiteral("SELECT 1 FROM pg_advisory_lock(%1, %2)").arg(0x766f726e).arg(live));
    }

    EXPECT_EQ(server::SweepStaleJobs(*connection_), 2);
    EXPECT_EQ(rowsOf(live), 1) << "a live writer's job stays";
    EXPECT_EQ(rowsOf(own), 1) << "this process's own job stays";
    EXPECT_EQ(rowsOf(gone), 0);
    EXPECT_EQ(rowsOf(old), 0)
        << "PostgreSQL: nobody holds its lock; SQLite: a day-old job counts as abandoned";
    EXPECT_EQ(rowsOf(unregistered), 0);
    server::ForgetJob(*connection_, own);
    EXPECT_EQ(rowsOf(own), 0);
}

INSTANTIATE_TEST_SUITE_P(Databases, RightsTest,
                         ::testing::Values(server::Dialect::SQLite, server::Dialect::PostgreSQL),
                         vorn::testing::DialectName);

} // namespace

namespace {

/// A print under way in a child process of its own: it registers a job, writes its rows and waits
/// for a signal. Answers the child's pid once the rows are there.
pid_t PrintingChild(const server::ConnectionSettings& settings, int job) {
    int ready[2];
    if (pipe(ready) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(ready[0]);
        try {
            const auto connection = settings.dialect == server::Dialect::SQLite
                                        ? server::OpenSqlite(settings.target, false)
                                        : server::OpenPostgres(settings.target);
            connection->begin();
            server::RegisterJob(*connection, job);
            for (int row = 0; row < 3; ++row)
                connection->execute(
                    "INSERT INTO JOBDATA (J_JOBID, J_JOBTYPE, J_TYPERECORD) VALUES (:J, 1, 0)",
                    {server::BindValue{server::BindValue::Kind::Integer, job, {}}});
            connection->commit();
            server::RemoveJobsOnTerminationSignals(settings);
            [[maybe_unused]] const ssize_t written = write(ready[1], "k", 1);
            for (;;)
                pause();
        } catch (...) {
            _exit(3);
        }
    }
    close(ready[1]);
    char byte = 0;
    const bool started = read(ready[0], &byte, 1) == 1;
    close(ready[0]);
    return started ? child : -1;
}

} // namespace

TEST_P(RightsTest, APrintStoppedBySignalLeavesNoRowsAndAKilledOneIsSweptAtTheNextStart) {
    const server::ConnectionSettings settings =
        postgres()
            ? server::ConnectionSettings{server::Dialect::PostgreSQL,
                                         vorn::testing::PostgresConnectionString() +
                                             QStringLiteral(" options='-csearch_path=%1'").arg(pgSchema_)}
            : server::ConnectionSettings{server::Dialect::SQLite, sqliteFile_};
    const auto rowsOf = [this](int job) {
        return connection_
            ->queryInteger("SELECT (SELECT COUNT(*) FROM JOBDATA WHERE J_JOBID = :J) + (SELECT COUNT(*) FROM "
                           "VORN_JOB WHERE VJ_JOBID = :J2)",
                           {server::BindValue{server::BindValue::Kind::Integer, job, {}},
                            server::BindValue{server::BindValue::Kind::Integer, job, {}}})
            .value_or(-1);
    };
    int job = 910000;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const pid_t child = PrintingChild(settings, ++job);
        ASSERT_GT(child, 0);
        EXPECT_EQ(rowsOf(job), 4);
        kill(child, signal);
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal)
            << "the process still ends as the signal says (" << signal << ")";
        EXPECT_EQ(rowsOf(job), 0) << "signal " << signal;
    }
    const pid_t killed = PrintingChild(settings, ++job);
    ASSERT_GT(killed, 0);
    kill(killed, SIGKILL);
    waitpid(killed, nullptr, 0);
    EXPECT_EQ(rowsOf(job), 4) << "nothing can be done at SIGKILL";
    if (postgres())
        WaitUntilTheServerLetsGoOf(job);
    EXPECT_EQ(server::SweepStaleJobs(*connection_), 1);
    EXPECT_EQ(rowsOf(job), 0);
}

TEST_P(RightsTest, AnOwnerWhoMayNotMakeRolesIsToldExactlyWhatTheAdministratorRuns) {
    if (!postgres())
        GTEST_SKIP() << "SQLite has one user";
    const QString owner = QStringLiteral("eigenaar_") + suffix_;
    const QString schema = QStringLiteral("vorn_eigen_") + suffix_;
    connection_->executeScript(
        QStringLiteral("CREATE ROLE %1 LOGIN; DO $g$ BEGIN EXECUTE format('GRANT CREATE ON DATABASE %I TO "
                       "%1', current_database()); END $g$")
            .arg(owner));
    const QString asOwner = vorn::testing::PostgresConnectionString() +
                            QStringLiteral(" user=%1 options='-csearch_path=%2'").arg(owner, schema);
    QString before;
    QString after;
    {
        auto own = server::OpenPostgres(asOwner);
        own->executeScript(QStringLiteral("CREATE SCHEMA %1").arg(schema));
        server::CreateSchema(*own);
        QFile fixture(QStringLiteral(VORN_TEST_DATA "/fixture.sql"));
        ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
        own->executeScript(QString::fromUtf8(fixture.readAll()));
        before = Answer(*own, "SELECT COUNT(*) FROM INSTELLING");

        // What the message says, run by an administrator (here the superuser).
        auto administrator = server::OpenPostgres(vorn::testing::PostgresConnectionString() +
                                                  QStringLiteral(" options='-csearch_path=%1'").arg(schema));
        server::RequireAdministrator(*administrator);
        server::AddUser(*administrator, owner);
        server::GrantInstitutions(*administrator, owner, {});
        auto again = server::OpenPostgres(asOwner);
        after = Answer(*again, "SELECT COUNT(*) FROM INSTELLING");
        server::RemoveUser(*administrator, owner, false);
    }
    connection_->executeScript(
        QStringLiteral(
            "SET client_min_messages = warning; DROP SCHEMA %1 CASCADE; DO $r$ BEGIN EXECUTE "
            "format('REVOKE CREATE ON DATABASE %I FROM %2', current_database()); END $r$; DROP ROLE %2")
            .arg(schema, owner));
    EXPECT_THAT(before.toStdString(), ::testing::HasSubstr(("gebruiker-toevoegen " + owner).toStdString()));
    EXPECT_THAT(before.toStdString(), ::testing::HasSubstr(("toegang-geven " + owner).toStdString()));
    EXPECT_EQ(after, "3");
}
