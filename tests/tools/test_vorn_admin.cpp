// A shared PostgreSQL server as its administrator and two users meet it: vorn-admin makes the users
// and gives each their institutions; each then gets exactly those through vorn export, vorn print,
// every stored cube statistic and vorn-query --sql, and nothing else.
#include "data/demo/demodata.h"
#include "server/rights.h"
#include "server/schema.h"

#include "host/data/errors.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Outcome {
    int exitCode = -1;
    QString out;
    QString errors;
};

class SharedServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        server_ = qEnvironmentVariable("VORN_TEST_PG");
        if (server_.isEmpty()) {
            if (!qEnvironmentVariable("CI").isEmpty())
                FAIL() << "VORN_TEST_PG is not set: the test command must start PostgreSQL";
            GTEST_SKIP() << "no PostgreSQL test server (run ./test.sh)";
        }
        static int counter = 0;
        suffix_ = QStringLiteral("%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter);
        schema_ = QStringLiteral("vorn_gedeeld_") + suffix_;
        vorn::server::OpenPostgres(server_)->executeScript(QStringLiteral("CREATE SCHEMA %1").arg(schema_));
        const auto connection = vorn::server::OpenPostgres(As({}));
        vorn::server::CreateSchema(*connection);
        vorn::demo::GenerateDemoData(*connection, {5, 2023, 300});
    }

    void TearDown() override {
        if (schema_.isEmpty())
            return;
        const auto connection = vorn::server::OpenPostgres(As({}));
        for (const QString& user : made_) {
            try {
                vorn::server::RemoveUser(*connection, user, true);
            } catch (const vorn::EVornError&) {
            }
        }
        connection->executeScript(
            QStringLiteral("SET client_min_messages = warning; DROP SCHEMA %1 CASCADE").arg(schema_));
    }

    /// The test database as `user` signs in to it; the test server's owner when empty.
    QString As(const QString& user) const {
        return server_ + QStringLiteral(" options='-csearch_path=%1'").arg(schema_) +
               (user.isEmpty() ? QString() : QStringLiteral(" user=") + user);
    }

    Outcome Start(const char* program, const QStringList& arguments, const QString& user = {}) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("VORN_DATABASE", As(user));
        environment.insert("HOME", dir_.path());
        environment.insert("XDG_CONFIG_HOME", dir_.filePath("config"));
        environment.insert("SOURCE_DATE_EPOCH", "1767225600");
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(environment);
        process.start(QString::fromUtf8(program), arguments);
        process.waitForFinished(120000);
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    Outcome Admin(const QStringList& arguments, const QString& user = {}) {
        return Start(VORN_ADMIN_BINARY, arguments, user);
    }

    QString MakeUser(const QString& name, const QStringList& codes) {
        const QString user = name + u'_' + suffix_;
        made_ << user;
        const Outcome added = Admin({"gebruiker-toevoegen", user});
        EXPECT_EQ(added.exitCode, 0) << added.errors.toStdString();
        if (!codes.isEmpty()) {
            const Outcome granted = Admin(QStringList{"toegang-geven", user} + codes);
            EXPECT_EQ(granted.exitCode, 0) << granted.errors.toStdString();
        }
        return user;
    }

    /// Every file `vorn export` wrote for the request as `user`, name and contents; the error when it
    /// failed.
    QStringList Exported(const QStringList& request, const QString& user) {
        const QString out = dir_.filePath(QStringLiteral("uit-%1").arg(++exports_));
        const Outcome run =
            Start(VORN_BINARY, QStringList{"export"} + request + QStringList{"--out", out}, user);
        if (run.exitCode != 0)
            return {QStringLiteral("fout ") + run.errors};
        QStringList files;
        QDirIterator it(out, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            if (!path.endsWith(".png") && file.open(QIODevice::ReadOnly))
                files << QDir(out).relativeFilePath(path) + u'\n' + QString::fromUtf8(file.readAll());
        }
        files.sort();
        return files;
    }

    QString Printed(const QStringList& request, const QString& user) {
        const QString pdf = dir_.filePath(QStringLiteral("afdruk-%1.pdf").arg(++exports_));
        const Outcome run =
            Start(VORN_BINARY, QStringList{"print"} + request + QStringList{"--pdf", pdf}, user);
        if (run.exitCode != 0)
            return QStringLiteral("fout ") + run.errors;
        QProcess text;
        text.start("pdftotext", {"-layout", pdf, "-"});
        text.waitForFinished(60000);
        return QString::fromUtf8(text.readAllStandardOutput());
    }

    QTemporaryDir dir_;
    QString server_;
    QString schema_;
    QString suffix_;
    QStringList made_;
    int exports_ = 0;
};

TEST_F(SharedServerTest, TheAdministratorsToolManagesUsersAndRefusesOthers) {
    const QString anna = MakeUser("anna", {"sjcaa"});
    const Outcome overview = Admin({"overzicht"});
    EXPECT_EQ(overview.exitCode, 0);
    EXPECT_TRUE(overview.out.contains(anna + " (leesaccount vl_")) << overview.out.toStdString();
    EXPECT_TRUE(overview.out.contains("  SJCAA")) << overview.out.toStdString();

    const Outcome asAnna = Admin({"gebruiker-toevoegen", "eve_" + suffix_}, anna);
    EXPECT_EQ(asAnna.exitCode, 1);
    EXPECT_TRUE(asAnna.errors.contains("CREATEROLE") && asAnna.errors.contains("eigenaar"))
        << asAnna.errors.toStdString();
    EXPECT_FALSE(Admin({"overzicht"}).out.contains("eve_")) << "nothing was made";

    const Outcome unknown = Admin({"toegang-geven", anna, "NIETS"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(unknown.errors.contains("geen instelling met code 'NIETS'")) << unknown.errors.toStdString();
    EXPECT_EQ(Admin({"toegang-geven", anna}).exitCode, 1) << "codes or --alle";
    EXPECT_EQ(Admin({"gebruiker-toevoegen", "x\"y"}).exitCode, 1);
    EXPECT_EQ(Admin({"verzin-iets"}).exitCode, 2);
    EXPECT_EQ(Admin({"--help"}).exitCode, 0);

    QProcess sqlite;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VORN_DATABASE", dir_.filePath("enkel.db"));
    sqlite.setProcessEnvironment(environment);
    sqlite.start(VORN_ADMIN_BINARY, {"overzicht"});
    sqlite.waitForFinished(30000);
    EXPECT_EQ(sqlite.exitCode(), 1);
    EXPECT_TRUE(sqlite.readAllStandardError().contains("PostgreSQL"));

    EXPECT_EQ(Admin({"gebruiker-verwijderen", anna, "--ook-aanmelding"}).exitCode, 0);
    EXPECT_FALSE(Admin({"overzicht"}).out.contains(anna));
    EXPECT_EQ(Start(VORN_QUERY_BINARY, {"DSPSelectIS"}, anna).exitCode, 1) << "the login is gone";
}

TEST_F(SharedServerTest, EachUserGetsExactlyTheirInstitutionsInEveryOutput) {
    const QString anna = MakeUser("anna", {"SJCAA"});
    const QString bert = MakeUser("bert", {"CVOBR", "VWOHA"});
    const QStringList pupils{"--screen",  "TStatLLPerInstellingForm", "--institution", "SJCAA", "--date",
                             "2025-12-01"};
    const QStringList participants{"--screen",      "TStatCursistenPerInstellingForm",
                                   "--institution", "CVOBR",
                                   "--from",        "2025-09-01",
                                   "--to",          "2026-06-30"};
    const QStringList all = Exported(pupils, {});
    ASSERT_GT(all.size(), 5) << all.join('\n').toStdString();
    EXPECT_EQ(Exported(pupils, anna), all);
    EXPECT_TRUE(Exported(pupils, bert).front().startsWith("fout ")) << "Bert has no SJCAA";
    EXPECT_EQ(Exported(participants, bert), Exported(participants, {}));
    EXPECT_TRUE(Exported(participants, anna).front().startsWith("fout "));

    // Every stored statistic but TRAAG, which is slow on purpose (to try stopping a query).
    const std::vector<std::pair<QString, QStringList>> statistics{
        {anna, {"SJCAA", "LLKLAS"}},  {anna, {"SJCAA", "LLGRAAD"}}, {anna, {"SJCAA", "KLASSJ"}},
        {anna, {"SJCAA", "PSUREN"}},  {anna, {"SJCAA", "PSLEEFT"}}, {anna, {"SJCAA", "PARAMS"}},
        {bert, {"CVOBR", "CURSSTG"}}, {bert, {"VWOHA", "VWOMOD"}}};
    for (const auto& [user, statistic] : statistics) {
        const QStringList request{"--screen",    "TOLAPStatsForm", "--institution", statistic[0],
                                  "--statistic", statistic[1],     "--date",        "2025-12-01"};
        const QStringList owners = Exported(request, {});
        EXPECT_GT(owners.size(), 0);
        EXPECT_EQ(Exported(request, user), owners) << statistic[1].toStdString();
        EXPECT_TRUE(Exported(request, user == anna ? bert : anna).front().startsWith("fout "))
            << statistic[1].toStdString();
    }

    const QStringList report = pupils + QStringList{"--report", "Statistieken leerlingen"};
    const QString printed = Printed(report, {});
    EXPECT_TRUE(printed.contains("SJCAA") || printed.size() > 200) << printed.toStdString();
    EXPECT_EQ(Printed(report, anna), printed);
    EXPECT_TRUE(Printed(report, bert).startsWith("fout "));

    const QStringList codes{"--sql", "SELECT IS_CODE FROM INSTELLING ORDER BY 1"};
    EXPECT_EQ(Start(VORN_QUERY_BINARY, codes, anna).out, "IS_CODE\nSJCAA\n");
    EXPECT_EQ(Start(VORN_QUERY_BINARY, codes, bert).out, "IS_CODE\nCVOBR\nVWOHA\n");
    const Outcome escape =
        Start(VORN_QUERY_BINARY,
              {"--sql", "SELECT set_config('role', session_user, true), query_to_xml('select "
                        "pg_read_file(''/etc/hostname'') f', false, false, '')"},
              anna);
    EXPECT_EQ(escape.exitCode, 1) << escape.out.toStdString();

    // A revoke holds for the next program started, and the user is told why the screens are empty.
    ASSERT_EQ(Admin({"toegang-intrekken", anna, "SJCAA"}).exitCode, 0);
    EXPECT_EQ(Start(VORN_QUERY_BINARY, codes, anna).out, "IS_CODE\n");
    const Outcome nothing = Start(
        VORN_BINARY, QStringList{"export"} + pupils + QStringList{"--out", dir_.filePath("leeg")}, anna);
    EXPECT_EQ(nothing.exitCode, 1);
    EXPECT_TRUE(nothing.errors.contains("ziet in deze databank nog geen enkele instelling"))
        << nothing.errors.toStdString();
    EXPECT_TRUE(nothing.errors.contains("vorn-admin toegang-geven " + anna)) << nothing.errors.toStdString();
}

} // namespace
