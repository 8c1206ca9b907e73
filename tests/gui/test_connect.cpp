// Choosing the database in the window: the choice and its connection text, the recent list, the
// dialog, what a test of a connection says, and switching databases with screens open.
#include "app/connectdialog.h"
#include "app/connectionchoice.h"
#include "app/databasesession.h"
#include "app/mainwindow.h"
#include "app/opendatabase.h"

#include "server/migrations.h"
#include "server/schema.h"

#include "host/data/errors.h"
#include "host/data/inifile.h"
#include "host/data/installpaths.h"
#include "host/forms/formmanager.h"
#include "host/forms/moduleloader.h"
#include "host/forms/screenresults.h"
#include "host/forms/vornform.h"
#include "tests/common/qtprint.h"

#include <QApplication>
#include <QFile>
#include <QLayout>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <gmock/gmock.h>

using namespace vorn;
using ::testing::HasSubstr;

namespace {

/// A database of the hand-built fixture; `extra` is run after it.
QString MakeDatabase(const QTemporaryDir& dir, const QString& name, const QString& extra = {}) {
    QString path = dir.filePath(name);
    const auto connection = server::OpenSqlite(path, true);
    server::CreateSchema(*connection);
    QFile fixture(QStringLiteral(VORN_TEST_DATA "/server/fixture.sql"));
    if (!fixture.open(QIODevice::ReadOnly))
        throw std::runtime_error("fixture.sql is missing");
    connection->executeScript(QString::fromUtf8(fixture.readAll()));
    if (!extra.isEmpty())
        connection->executeScript(extra);
    return path;
}

/// The school's PostgreSQL server as a user fills it in: server, database and user.
TConnectionChoice SchoolServer() {
    TConnectionChoice choice;
    choice.kind = TConnectionChoice::Kind::PostgreSQL;
    choice.host = QStringLiteral("db.school.be");
    choice.database = QStringLiteral("vorn");
    choice.user = QStringLiteral("directie");
    return choice;
}

TConnectionChoice FileChoice(const QString& file) {
    TConnectionChoice choice;
    choice.file = file;
    return choice;
}

/// The test server's connection text split into the dialog's fields.
std::optional<TConnectionChoice> TestServerChoice() {
    const QString server = qEnvironmentVariable("VORN_TEST_PG");
    if (server.isEmpty())
        return std::nullopt;
    TConnectionChoice choice;
    choice.kind = TConnectionChoice::Kind::PostgreSQL;
    for (const QString& pair : server.split(u' ', Qt::SkipEmptyParts)) {
        const QString key = pair.section(u'=', 0, 0);
        const QString value = pair.section(u'=', 1);
        if (key == u"host")
            choice.host = value;
        else if (key == u"port")
            choice.port = value.toInt();
        else if (key == u"dbname")
            choice.database = value;
        else if (key == u"user")
            choice.user = value;
    }
    choice.sslMode = QStringLiteral("disable");
    return choice;
}

} // namespace

TEST(ConnectionChoice, ServerValuesWithBlanksAndQuotesStayWholeAndNoPasswordIsKept) {
    const auto choice = TestServerChoice();
    if (!choice)
        GTEST_SKIP() << "no PostgreSQL test server (run ./test.sh)";
    // The test server trusts local users, so the password is passed and ignored: what is tested is
    // that its quote, backslash and blank do not break the connection text around it.
    const QString password = QStringLiteral("ge heim' \\ x=y");
    const server::ConnectionSettings settings = choice->Settings(password);
    EXPECT_NO_THROW(server::OpenConnection(settings));
    EXPECT_FALSE(server::OpenConnection(settings)->describe().contains(QStringLiteral("heim")));
    EXPECT_FALSE(choice->ToLine().contains(QStringLiteral("heim")));

    TConnectionChoice absent = *choice;
    absent.database = QStringLiteral("bestaat_niet");
    try {
        server::OpenConnection(absent.Settings());
        FAIL() << "a database that does not exist was opened";
    } catch (const EDatabaseError& error) {
        EXPECT_THAT(error.message().toStdString(), HasSubstr("Deze databank bestaat niet op de server"));
    }
    TConnectionChoice refused = *choice;
    refused.host = QStringLiteral("127.0.0.1");
    refused.port = 1;
    try {
        server::OpenConnection(refused.Settings());
        FAIL() << "a closed port was opened";
    } catch (const EDatabaseError& error) {
        EXPECT_THAT(error.message().toStdString(), HasSubstr("De server weigert de verbinding"));
    }
}

TEST(ConnectionChoice, WhatIsMissingIsSaidBeforeConnecting) {
    TConnectionChoice choice;
    EXPECT_FALSE(choice.Problem().isEmpty()) << "no file";
    choice.kind = TConnectionChoice::Kind::PostgreSQL;
    EXPECT_THAT(choice.Problem().toStdString(), HasSubstr("server"));
    choice.host = QStringLiteral("db.school.be");
    EXPECT_THAT(choice.Problem().toStdString(), HasSubstr("databank"));
    choice.database = QStringLiteral("vorn");
    EXPECT_TRUE(choice.Problem().isEmpty());
    choice.sslMode = QStringLiteral("verify-full");
    EXPECT_THAT(choice.Problem().toStdString(), HasSubstr("CA-bestand"));
    choice.caFile = QStringLiteral("/bestaat/niet.pem");
    EXPECT_THAT(choice.Problem().toStdString(), HasSubstr("kan niet gelezen worden"));
    choice.service = QStringLiteral("school");
    choice.host.clear();
    choice.database.clear();
    choice.sslMode = QStringLiteral("prefer");
    EXPECT_TRUE(choice.Problem().isEmpty()) << "a service names the server itself";
    EXPECT_THAT(choice.Settings().target.toStdString(), HasSubstr("service='school'"));
}

TEST(ConnectionChoice, AReportServerHasTheServersDatabaseUserAndPasswordAndIsRemembered) {
    TConnectionChoice choice = SchoolServer();
    const QString withoutReportServer = choice.ToLine();
    EXPECT_TRUE(choice.Settings(QStringLiteral("pw")).reportTarget.isEmpty());

    choice.reportHost = QStringLiteral("standby.school.be");
    choice.reportPort = 5433;
    const server::ConnectionSettings settings = choice.Settings(QStringLiteral("pw"));
    EXPECT_THAT(settings.target.toStdString(), HasSubstr("host='db.school.be' port='5432'"));
    for (const char* part :
         {"host='standby.school.be' port='5433'", "dbname='vorn'", "user='directie'", "password='pw'"})
        EXPECT_THAT(settings.reportTarget.toStdString(), HasSubstr(part));
    EXPECT_EQ(TConnectionChoice::FromLine(choice.ToLine()), choice);
    EXPECT_FALSE(choice.ToLine().contains(QStringLiteral("pw")));
    const auto earlier = TConnectionChoice::FromLine(withoutReportServer);
    ASSERT_TRUE(earlier.has_value()) << "a line remembered before report servers still reads";
    EXPECT_TRUE(earlier->reportHost.isEmpty());

    choice.reportPort = 0;
    EXPECT_THAT(choice.Problem().toStdString(), HasSubstr("poort"));
    server::ConnectionSettings file{server::Dialect::SQLite, QStringLiteral("/tmp/x.db")};
    file.reportTarget = settings.reportTarget;
    EXPECT_THROW(server::OpenConnection(file), EDatabaseError) << "a file has no standby";
}

TEST(RecentConnections, NewestFirstAtMostEightEachOnceAndUnreadableLinesPassedOver) {
    QTemporaryDir dir;
    TVornIniFile settings(dir.filePath(QStringLiteral("vorn.ini")));
    settings.WriteString(QStringLiteral("Databank"), QStringLiteral("Recent1"), QStringLiteral("{kapot"));
    settings.UpdateFile();
    for (int i = 0; i < 10; ++i)
        RememberConnection(settings, FileChoice(QStringLiteral("/data/school%1.db").arg(i)));
    TConnectionChoice server;
    server.kind = TConnectionChoice::Kind::PostgreSQL;
    server.host = QStringLiteral("db.school.be");
    server.database = QStringLiteral("vorn");
    server.user = QStringLiteral("directie");
    RememberConnection(settings, server);
    RememberConnection(settings, FileChoice(QStringLiteral("/data/school7.db")));

    const TVornIniFile reread(dir.filePath(QStringLiteral("vorn.ini")));
    const std::vector<TConnectionChoice> recent = RecentConnections(reread);
    ASSERT_EQ(recent.size(), 8u);
    EXPECT_EQ(recent[0].file, QStringLiteral("/data/school7.db"));
    EXPECT_EQ(recent[1], server);
    EXPECT_EQ(recent[2].file, QStringLiteral("/data/school9.db"));
    EXPECT_EQ(recent[3].file, QStringLiteral("/data/school8.db"));
    EXPECT_EQ(recent[7].file, QStringLiteral("/data/school3.db"));
}

TEST(ConnectDialog, OpensOnlyWhatCouldBeOpenedAndSaysWhyNot) {
    TConnectionChoice server = SchoolServer();
    server.sslMode = QStringLiteral("require");
    server.reportHost = QStringLiteral("standby.school.be");
    server.reportPort = 6543;
    TConnectDialog dialog({server});
    QStringList attempts;
    QString answer = QStringLiteral("Het wachtwoord is fout.");
    dialog.SetOpener([&](const TConnectionChoice& choice, const QString& password) {
        attempts << choice.ToLine() + password;
        return answer;
    });
    dialog.SetChoice(server);
    EXPECT_EQ(dialog.Choice(), server);

    dialog.show();
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Message(), answer);
    EXPECT_EQ(attempts.size(), 1);
    answer = QStringLiteral("Geen verbinding met PostgreSQL: de server weigert de verbinding. ").repeated(6);
    dialog.accept();
    EXPECT_GE(dialog.height(), dialog.layout()->totalHeightForWidth(dialog.width()))
        << "a long message gets the room it needs instead of squeezing the fields";
    answer = QStringLiteral("Het wachtwoord is fout.");

    TConnectionChoice unfinished = server;
    unfinished.database.clear();
    dialog.SetChoice(unfinished);
    dialog.accept();
    EXPECT_EQ(attempts.size(), 2) << "what is missing is said before anything is tried";
    EXPECT_THAT(dialog.Message().toStdString(), HasSubstr("databank"));

    dialog.SetChoice(server);
    answer.clear();
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(attempts.size(), 3);
}

class ConnectTest : public ::testing::Test {
protected:
    void SetUp() override {
        FormManager().Clear();
        QString error;
        ASSERT_TRUE(loader_.Load(TELMOD_PATH, error)) << error.toStdString();
    }
    void TearDown() override { FormManager().Clear(); }
    QString SettingsFile() const { return dir_.filePath(QStringLiteral("vorn.ini")); }

    QTemporaryDir dir_;
    TModuleLoader loader_;
};

TEST_F(ConnectTest, ATestOfTheConnectionSaysWhatItFound) {
    const QString current = MakeDatabase(dir_, QStringLiteral("school.db"));
    const QString older =
        MakeDatabase(dir_, QStringLiteral("oud.db"), QStringLiteral("DELETE FROM VORN_STATUS"));
    const QString newer = MakeDatabase(dir_, QStringLiteral("nieuw.db"),
                                       QStringLiteral("UPDATE VORN_STATUS SET VS_WAARDE = '99' "
                                                      "WHERE VS_NAAM = 'schemaversie'"));
    const QString other = dir_.filePath(QStringLiteral("ander.db"));
    server::OpenSqlite(other, true)->executeScript(QStringLiteral("CREATE TABLE KLANT (ID INTEGER)"));

    const auto told = [](const QString& file) { return TryConnection(FileChoice(file), {}); };
    EXPECT_TRUE(told(current).ok);
    EXPECT_THAT(told(current).message.toStdString(),
                HasSubstr("schemaversie " + std::to_string(server::CurrentSchemaVersion())));
    EXPECT_TRUE(told(older).ok);
    EXPECT_THAT(told(older).message.toStdString(), HasSubstr("bijgewerkt"));
    EXPECT_FALSE(told(newer).ok);
    EXPECT_THAT(told(newer).message.toStdString(), HasSubstr("nieuwere versie van Vorn"));
    EXPECT_FALSE(told(other).ok);
    EXPECT_THAT(told(other).message.toStdString(), HasSubstr("geen databank van Vorn"));
    EXPECT_THAT(told(dir_.filePath(QStringLiteral("weg.db"))).message.toStdString(),
                HasSubstr("bestaat niet"));
    EXPECT_THAT(told(dir_.path()).message.toStdString(), HasSubstr("is een map"));
    EXPECT_FALSE(QFileInfo::exists(dir_.filePath(QStringLiteral("weg.db")))) << "a test creates nothing";
}

TEST_F(ConnectTest, TheStartingDatabaseIsTheOptionThenTheEnvironmentThenTheLastOneOpened) {
    qunsetenv("VORN_DATABASE");
    TVornIniFile settings(SettingsFile());
    RememberConnection(settings, FileChoice(QStringLiteral("/data/vorige.db")));
    EXPECT_EQ(StartDatabase({}, SettingsFile()).settings.target, QStringLiteral("/data/vorige.db"));
    EXPECT_FALSE(StartDatabase({}, SettingsFile()).given);
    qputenv("VORN_DATABASE", "/data/omgeving.db");
    EXPECT_EQ(StartDatabase({}, SettingsFile()).settings.target, QStringLiteral("/data/omgeving.db"));
    EXPECT_EQ(StartDatabase(QStringLiteral("/data/optie.db"), SettingsFile()).settings.target,
              QStringLiteral("/data/optie.db"));
    EXPECT_TRUE(StartDatabase(QStringLiteral("/data/optie.db"), SettingsFile()).given);
    qunsetenv("VORN_DATABASE");
}

TEST_F(ConnectTest, OpeningAnotherDatabaseClosesTheScreensAndShowsTheNewOne) {
    const QString first = MakeDatabase(dir_, QStringLiteral("eerste.db"));
    const QString second = MakeDatabase(
        dir_, QStringLiteral("tweede.db"),
        QStringLiteral("INSERT INTO SCHOOL VALUES (9, '099999', 'Nieuwe school', 'SO', 100, 1);"
                       "INSERT INTO INSTELLING VALUES (90, 'NIEUW', 'Nieuwe school Gent', 9, 0, 'SO')"));
    TDatabaseSession session;
    session.Install(TDatabaseSession::Prepare({server::Dialect::SQLite, first}), QStringLiteral("eerste.db"));
    {
        MainWindow window(session.Broker(), SettingsFile());
        window.BuildMenus();
        window.AttachSession(&session);
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Vorn \u2013 eerste.db"));
        window.OpenFromMenu(QStringLiteral("TStatLLPerInstellingForm"));
        ASSERT_EQ(window.OpenForms().size(), 2);
        const QStringList before = window.OpenForms().last()->Results()->InstitutionCodes();
        EXPECT_FALSE(before.contains(QStringLiteral("NIEUW")));

        // The user picks the second file in the dialog and opens it.
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<TConnectDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->SetChoice(FileChoice(second));
            dialog->accept();
        });
        window.ChooseDatabase();

        EXPECT_EQ(window.windowTitle(), QStringLiteral("Vorn \u2013 tweede.db"));
        ASSERT_EQ(window.OpenForms().size(), 1) << "the screens of the first database are closed";
        window.OpenFromMenu(QStringLiteral("TStatLLPerInstellingForm"));
        EXPECT_TRUE(
            window.OpenForms().last()->Results()->InstitutionCodes().contains(QStringLiteral("NIEUW")));
        EXPECT_THAT(window.AboutText().toStdString(), HasSubstr("tweede.db"));
    }
    const std::vector<TConnectionChoice> recent = RecentConnections(TVornIniFile(SettingsFile()));
    ASSERT_FALSE(recent.empty());
    EXPECT_EQ(recent.front().file, second);
}

TEST_F(ConnectTest, AboutNamesTheVersionTheDatabaseAndTheLibrariesAndTheGuideIsShown) {
    const QString file = MakeDatabase(dir_, QStringLiteral("school.db"));
    TDatabaseSession session;
    session.Install(TDatabaseSession::Prepare({server::Dialect::SQLite, file}), QStringLiteral("school.db"));
    MainWindow window(session.Broker(), SettingsFile());
    window.BuildMenus();
    window.AttachSession(&session);
    const std::string about = window.AboutText().toStdString();
    for (const char* part : {"Vorn 0.", "school.db", "SQLite", "libpq", "libxlsxwriter", "Qt ", "telmod"})
        EXPECT_THAT(about, HasSubstr(part));
    EXPECT_THAT(about, HasSubstr(ProgramVersion().toStdString()));

    window.ShowGuide();
    QTextBrowser* guide = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* found = widget->findChild<QTextBrowser*>(QStringLiteral("Handleiding")))
            guide = found;
    ASSERT_NE(guide, nullptr) << "the guide is in the build tree's data folder";
    EXPECT_THAT(guide->toPlainText().toStdString(), HasSubstr("Handleiding Vorn"));
    int fitted = 0;
    for (QTextBlock block = guide->document()->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat()) {
                const QTextImageFormat image = it.fragment().charFormat().toImageFormat();
                EXPECT_LE(image.width(), 760) << image.name().toStdString();
                fitted += image.width() == 760 ? 1 : 0;
            }
    if (QFileInfo::exists(ProgramDataFolder() + QStringLiteral("/handleiding/hoofdvenster.png"))) {
        EXPECT_GT(fitted, 0) << "a picture of the whole window is shown at the guide's width";
    }
    guide->window()->close();
}
