#include "opendatabase.h"

#include "connectdialog.h"

#include "host/data/errors.h"
#include "host/data/inifile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace vorn {

namespace {

/// Why an SQLite file cannot be opened, told before SQLite's own words would; empty when it can.
QString SqliteFileProblem(const QString& file) {
    const QFileInfo info(file);
    if (!info.exists())
        return QStringLiteral("Het bestand '%1' bestaat niet: kies een ander bestand of maak een nieuwe "
                              "demodatabank.")
            .arg(QDir::toNativeSeparators(file));
    if (info.isDir())
        return QStringLiteral("'%1' is een map, geen databankbestand.").arg(QDir::toNativeSeparators(file));
    if (!info.isReadable())
        return QStringLiteral("U mag het bestand '%1' niet lezen: vraag wie het beheert om leesrechten.")
            .arg(QDir::toNativeSeparators(file));
    return {};
}

} // namespace

TStartDatabase StartDatabase(const QString& option, const QString& settingsFile) {
    TStartDatabase start;
    const QString environment = qEnvironmentVariable("VORN_DATABASE").trimmed();
    if (!option.isEmpty() || !environment.isEmpty()) {
        start.settings = server::ConnectionSettings::parse(option.isEmpty() ? environment : option);
        start.given = true;
        start.title = start.settings.dialect == server::Dialect::SQLite
                          ? QFileInfo(start.settings.target).fileName()
                          : start.settings.target;
        return start;
    }
    const TVornIniFile settings(settingsFile);
    const std::vector<TConnectionChoice> recent = RecentConnections(settings);
    TConnectionChoice choice;
    if (!recent.empty()) {
        choice = recent.front();
    } else {
        choice.file = server::ConnectionSettings::defaultSqliteFile();
        start.firstStart = !QFileInfo::exists(choice.file);
    }
    start.settings = choice.Settings();
    start.title = choice.Title();
    start.choice = choice;
    return start;
}

TConnectDialog::TestResult TryConnection(const TConnectionChoice& choice, const QString& password) {
    if (choice.kind == TConnectionChoice::Kind::SQLite)
        if (const QString problem = SqliteFileProblem(choice.file); !problem.isEmpty())
            return {false, problem};
    try {
        const auto connection = server::OpenConnection(choice.Settings(password));
        const int version = server::CheckedSchemaVersion(*connection, choice.Title());
        if (version == 0)
            return {false,
                    QStringLiteral("De verbinding lukt, maar de databank is leeg: er staan nog geen gegevens "
                                   "van Vorn in. Een beheerder vult ze (vorn-demo maakt een demodatabank).")};
        connection->reader();
        if (const QString problem = connection->readerProblem(); !problem.isEmpty())
            return {false, problem};
        if (version < server::CurrentSchemaVersion())
            return {true, QStringLiteral(
                              "De verbinding lukt. De databank heeft schemaversie %1 en wordt bij het "
                              "openen bijgewerkt naar versie %2 (een SQLite-bestand wordt eerst bewaard).")
                              .arg(version)
                              .arg(server::CurrentSchemaVersion())};
        return {true,
                QStringLiteral("De verbinding lukt: een databank van Vorn (schemaversie %1).").arg(version)};
    } catch (const EVornError& error) {
        return {false, error.message()};
    }
}

QString MakeDemoDatabase(const QString& file) {
    const QString program =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vorn-demo"));
    if (!QFileInfo(program).isExecutable())
        return QStringLiteral("Het programma vorn-demo ontbreekt naast vorn (%1).").arg(program);
    QProcess demo;
    demo.start(program, {QStringLiteral("--database"), file, QStringLiteral("--if-absent")});
    if (!demo.waitForFinished(-1) || demo.exitStatus() != QProcess::NormalExit || demo.exitCode() != 0) {
        const QString said = QString::fromLocal8Bit(demo.readAllStandardError()).trimmed();
        return said.isEmpty() ? QStringLiteral("De demodatabank kon niet gemaakt worden.") : said;
    }
    return {};
}

std::optional<TChosenDatabase> AskDatabase(QWidget* parent, const QString& settingsFile, const QString& intro,
                                           const std::optional<TConnectionChoice>& start) {
    TVornIniFile settings(settingsFile);
    const std::vector<TConnectionChoice> recent = RecentConnections(settings);
    TConnectDialog dialog(recent, parent);
    std::optional<TChosenDatabase> chosen;
    dialog.SetTester(TryConnection);
    dialog.SetDemoMaker(MakeDemoDatabase);
    dialog.SetOpener([&chosen](const TConnectionChoice& choice, const QString& password) -> QString {
        if (choice.kind == TConnectionChoice::Kind::SQLite)
            if (QString problem = SqliteFileProblem(choice.file); !problem.isEmpty())
                return problem;
        try {
            server::OpenedDatabase opened = TDatabaseSession::Prepare(choice.Settings(password));
            if (opened.upgrade.from == 0)
                return QStringLiteral(
                    "De databank is leeg: er staan nog geen gegevens van Vorn in. Een beheerder "
                    "vult ze (vorn-demo maakt een demodatabank).");
            chosen = TChosenDatabase{std::move(opened), choice};
            return {};
        } catch (const EVornError& error) {
            return error.message();
        }
    });
    dialog.SetIntro(intro);
    if (start)
        dialog.SetChoice(*start);
    else if (!recent.empty())
        dialog.SetChoice(recent.front());
    if (dialog.exec() != QDialog::Accepted || !chosen)
        return std::nullopt;
    RememberConnection(settings, chosen->choice);
    return chosen;
}

} // namespace vorn
