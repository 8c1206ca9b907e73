// Upgrading a database made before schema versions were kept, on both databases: every provider and
// every stored statistic answers the same rows before and after, and what must not be changed (a
// database of another program, one of a newer program, a failed step) is left byte for byte.
#include "dbfixture.h"

#include "server/migrations.h"
#include "server/providers.h"
#include "server/schema.h"
#include "server/sqlbroker.h"

#include "host/data/errors.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <gmock/gmock.h>

using namespace vorn;
using vorn::testing::CellText;
using vorn::testing::FillParams;
using vorn::testing::PostgresConnectionString;
using vorn::testing::Request;
using vorn::testing::TableRows;

namespace {

/// The fixture of an old schema version ("fixture-v1.sql", ...), for the dialect.
QString Fixture(const char* name, server::Dialect dialect) {
    QFile file(QStringLiteral(VORN_TEST_DATA "/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(std::string(name) + " is missing");
    return server::FillSchemaWords(QString::fromUtf8(file.readAll()), dialect);
}

/// Every provider's rows for every institution of the fixture, and every stored statistic's rows.
QStringList EveryAnswer(server::Connection& connection) {
    server::SqlBroker broker(connection);
    const std::vector<Request> requests{{10, 1, "STGB"}, {20, 2, "FINA"}, {30, 3, "OVRU"}};
    QStringList answers;
    for (const server::ProviderDef& def : server::Providers()) {
        if (def.kind == server::ProviderDef::Kind::CommandText)
            continue;
        for (const Request& request : requests) {
            TParams params;
            FillParams(def, request, params);
            // In any order: an upgrade's new indexes may change the plan of a statement without ORDER BY.
            QStringList rows = TableRows(broker.open(def.name, params, {}));
            rows.sort();
            answers
                << QStringLiteral("%1 %2: %3 rijen").arg(def.name).arg(request.institution).arg(rows.size());
            answers << rows;
        }
    }
    const Table queries =
        connection.query(QStringLiteral("SELECT Q_SQL FROM QUERY ORDER BY Q_ID"), TParams(), {});
    for (std::size_t q = 0; q < queries.rowCount(); ++q) {
        for (const Request& request : requests) {
            TParams params;
            params.CreateParam(TFieldType::Integer, QStringLiteral("IS_ID"))
                .SetAsInteger(request.institution);
            answers << QStringLiteral("statistiek %1, %2").arg(q).arg(request.institution);
            // As the client reads them: a database before the upgrade has no reading logins yet.
            answers << TableRows(connection.query(CellText(queries, 0, q), params, {}));
        }
    }
    return answers;
}

/// The tables and their columns, in a stable order.
QStringList SchemaShape(server::Connection& connection) {
    const QString sql =
        connection.dialect() == server::Dialect::SQLite
            ? QStringLiteral(
                  "SELECT upper(m.name) || '.' || upper(p.name) FROM sqlite_master m, "
                  "pragma_table_info(m.name) p WHERE m.type = 'table' AND m.name NOT LIKE 'sqlite_%' "
                  "ORDER BY 1")
            : QStringLiteral(
                  "SELECT upper(table_name) || '.' || upper(column_name) FROM information_schema.columns "
                  "WHERE table_schema = current_schema() ORDER BY 1");
    return TableRows(connection.query(sql, TParams(), {}));
}

QByteArray FileHash(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

/// A version-1 database of the fixture, on SQLite (a file in a folder of its own) or in a schema of
/// its own on the test server.
class UpgradeTest : public ::testing::TestWithParam<server::Dialect> {
protected:
    void SetUp() override {
        if (GetParam() == server::Dialect::SQLite) {
            settings_ = {server::Dialect::SQLite, dir_.filePath(QStringLiteral("school.db"))};
            connection_ = server::OpenSqlite(settings_.target, true);
        } else {
            const QString server = PostgresConnectionString();
            if (server.isEmpty()) {
                if (!qEnvironmentVariable("CI").isEmpty())
                    FAIL() << "VORN_TEST_PG is not set: the test command must start PostgreSQL";
                GTEST_SKIP() << "no PostgreSQL test server (run ./test.sh)";
            }
            static int counter = 0;
            schema_ =
                QStringLiteral("vorn_upgrade_%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter);
            connection_ = server::OpenPostgres(server);
            connection_->executeScript(QStringLiteral("CREATE SCHEMA %1").arg(schema_));
            settings_ = {server::Dialect::PostgreSQL,
                         server + QStringLiteral(" options='-csearch_path=%1'").arg(schema_)};
            connection_ = server::OpenPostgres(settings_.target);
        }
        connection_->begin();
        connection_->executeScript(Fixture("fixture-v1.sql", GetParam()));
        connection_->commit();
    }

    void TearDown() override {
        connection_.reset();
        if (!schema_.isEmpty())
            server::OpenPostgres(PostgresConnectionString())
                ->executeScript(
                    QStringLiteral("SET client_min_messages = warning; DROP SCHEMA %1 CASCADE").arg(schema_));
    }

    bool sqlite() const { return GetParam() == server::Dialect::SQLite; }
    QStringList FilesBeside() const {
        return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    /// The message an upgrade is refused with, or empty when it was not.
    QString RefusalOf(const std::vector<server::MigrationStep>& steps = server::MigrationSteps()) {
        try {
            server::OpenAndUpgrade(settings_, steps);
        } catch (const EVornError& error) {
            return error.message();
        }
        return {};
    }

    QTemporaryDir dir_;
    QString schema_;
    server::ConnectionSettings settings_;
    std::unique_ptr<server::Connection> connection_;
};

} // namespace

TEST_P(UpgradeTest, AVersionOneDatabaseIsUpgradedWithEveryAnswerKept) {
    const QStringList before = EveryAnswer(*connection_);
    ASSERT_GT(before.size(), 100);
    EXPECT_EQ(server::SchemaVersionOf(*connection_), 1);
    connection_.reset();
    const QByteArray original = sqlite() ? FileHash(settings_.target) : QByteArray();

    server::OpenedDatabase opened = server::OpenAndUpgrade(settings_);
    EXPECT_EQ(opened.upgrade.from, 1);
    EXPECT_EQ(opened.upgrade.to, server::CurrentSchemaVersion());
    EXPECT_EQ(server::SchemaVersionOf(*opened.connection), server::CurrentSchemaVersion());
    EXPECT_EQ(EveryAnswer(*opened.connection), before);
    if (sqlite()) {
        EXPECT_EQ(opened.upgrade.keptFile, settings_.target + QStringLiteral(".bak-1"));
        EXPECT_EQ(FileHash(opened.upgrade.keptFile), original);
        EXPECT_THAT(FilesBeside(), ::testing::ElementsAre("school.db", "school.db.bak-1"));
    }

    // The upgraded database has the shape of a new one, and a second start changes nothing.
    const QString fresh = sqlite() ? dir_.filePath(QStringLiteral("nieuw.db")) : QString();
    if (sqlite()) {
        const auto made = server::OpenSqlite(fresh, true);
        server::CreateSchema(*made);
        EXPECT_EQ(SchemaShape(*opened.connection), SchemaShape(*made));
    }
    opened.connection.reset();
    const server::OpenedDatabase again = server::OpenAndUpgrade(settings_);
    EXPECT_FALSE(again.upgrade.upgraded());
    EXPECT_EQ(again.upgrade.from, server::CurrentSchemaVersion());
}

TEST_P(UpgradeTest, AVersionTwoDatabaseGetsTheJobRegisterAndAccessRulesWithEveryAnswerKept) {
    QStringList tables = server::SchemaTables(GetParam());
    std::reverse(tables.begin(), tables.end());
    for (const QString& table : tables)
        connection_->executeScript(sqlite() ? QStringLiteral("DROP TABLE IF EXISTS %1").arg(table)
                                            : QStringLiteral("SET client_min_messages = warning; "
                                                             "DROP TABLE IF EXISTS %1 CASCADE")
                                                  .arg(table));
    if (!sqlite())
        connection_->executeScript(QStringLiteral("DROP SEQUENCE IF EXISTS job_seq"));
    connection_->executeScript(Fixture("fixture-v2.sql", GetParam()));
    const QStringList before = EveryAnswer(*connection_);
    EXPECT_EQ(server::SchemaVersionOf(*connection_), 2);
    connection_.reset();

    server::OpenedDatabase opened = server::OpenAndUpgrade(settings_);
    EXPECT_EQ(opened.upgrade.from, 2);
    EXPECT_EQ(opened.upgrade.to, server::CurrentSchemaVersion());
    EXPECT_EQ(EveryAnswer(*opened.connection), before);
    EXPECT_TRUE(server::HasTable(*opened.connection, QStringLiteral("VORN_JOB")));
    if (sqlite()) {
        EXPECT_EQ(opened.upgrade.keptFile, settings_.target + QStringLiteral(".bak-2"));
        const auto made = server::OpenSqlite(dir_.filePath(QStringLiteral("nieuw.db")), true);
        server::CreateSchema(*made);
        EXPECT_EQ(SchemaShape(*opened.connection), SchemaShape(*made));
    } else {
        // The one who upgraded may report at once: the access rules registered it with everything.
        EXPECT_EQ(TableRows(opened.connection->queryReadOnly(
                      QStringLiteral("SELECT COUNT(*) FROM INSTELLING"), TParams())),
                  QStringList{"3"});
    }
}

TEST_P(UpgradeTest, ADatabaseMadeBeforeTheStatusTableGetsItAndStaysWhole) {
    connection_->executeScript(QStringLiteral("DROP TABLE VORN_STATUS"));
    connection_.reset();
    const server::OpenedDatabase opened = server::OpenAndUpgrade(settings_);
    EXPECT_TRUE(opened.upgrade.upgraded());
    EXPECT_EQ(server::StateOf(*opened.connection), server::DatabaseState::Complete);
    EXPECT_EQ(server::SchemaVersionOf(*opened.connection), server::CurrentSchemaVersion());
}

TEST_P(UpgradeTest, AStepThatFailsHalfWayLeavesTheDatabaseAsItWas) {
    const QStringList before = EveryAnswer(*connection_);
    connection_.reset();
    const QByteArray original = sqlite() ? FileHash(settings_.target) : QByteArray();
    std::vector<server::MigrationStep> steps = server::MigrationSteps();
    steps.push_back({server::CurrentSchemaVersion() + 1, QStringLiteral("een stap die halverwege faalt"),
                     [](server::Connection& connection) {
                         connection.executeScript(QStringLiteral("CREATE TABLE HALVERWEGE (X INTEGER)"));
                         connection.executeScript(QStringLiteral("DELETE FROM INSTELLING"));
                         connection.executeScript(QStringLiteral("SELECT * FROM BESTAAT_NIET"));
                     }});

    const QString refusal = RefusalOf(steps);
    EXPECT_THAT(refusal.toStdString(), ::testing::HasSubstr("een stap die halverwege faalt"));

    if (sqlite()) {
        EXPECT_EQ(FileHash(settings_.target), original);
        EXPECT_THAT(FilesBeside(), ::testing::ElementsAre("school.db"));
    }
    const server::OpenedDatabase opened = server::OpenAndUpgrade(settings_, {});
    EXPECT_EQ(server::SchemaVersionOf(*opened.connection), 1);
    EXPECT_FALSE(server::HasTable(*opened.connection, QStringLiteral("HALVERWEGE")));
    EXPECT_EQ(EveryAnswer(*opened.connection), before);
}

TEST_P(UpgradeTest, ADatabaseOfANewerProgramIsRefusedUntouched) {
    server::SetSchemaVersion(*connection_, server::CurrentSchemaVersion() + 5);
    connection_.reset();
    const QByteArray original = sqlite() ? FileHash(settings_.target) : QByteArray();
    EXPECT_THAT(RefusalOf().toStdString(), ::testing::HasSubstr("nieuwere versie van Vorn"));
    if (sqlite()) {
        EXPECT_EQ(FileHash(settings_.target), original);
        EXPECT_THAT(FilesBeside(), ::testing::ElementsAre("school.db"));
    }
}

TEST_P(UpgradeTest, ADatabaseOfAnotherProgramIsRefusedUntouched) {
    // Another program's tables, none of ours.
    QStringList tables = server::SchemaTables(GetParam());
    std::reverse(tables.begin(), tables.end());
    for (const QString& table : tables)
        connection_->executeScript(
            QStringLiteral("%1DROP TABLE IF EXISTS %2")
                .arg(sqlite() ? QString() : QStringLiteral("SET client_min_messages = warning; "), table));
    connection_->executeScript(QStringLiteral("CREATE TABLE KLANT (ID INTEGER, NAAM VARCHAR(20))"));
    connection_.reset();
    const QByteArray original = sqlite() ? FileHash(settings_.target) : QByteArray();
    EXPECT_THAT(RefusalOf().toStdString(), ::testing::HasSubstr("geen databank van Vorn"));
    if (sqlite()) {
        EXPECT_EQ(FileHash(settings_.target), original);
    }
}

INSTANTIATE_TEST_SUITE_P(Databases, UpgradeTest,
                         ::testing::Values(server::Dialect::SQLite, server::Dialect::PostgreSQL),
                         vorn::testing::DialectName);

TEST(UpgradeFile, AFileThatIsNoDatabaseIsRefusedUntouched) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("notities.db"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    const QByteArray original = FileHash(path);
    EXPECT_THROW(server::OpenAndUpgrade({server::Dialect::SQLite, path}), EDatabaseError);
    EXPECT_EQ(FileHash(path), original);
}
