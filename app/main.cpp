// vorn: the desktop client. Loads the modules, opens the database and shows the main window, or
// runs one verb without a screen (see UsageText in commandline.h).
#include "commandline.h"
#include "export.h"
#include "mainwindow.h"
#include "querywatch.h"

#include "databasesession.h"
#include "opendatabase.h"

#include "server/connection.h"

#include "host/data/errors.h"
#include "host/data/installpaths.h"
#include "host/forms/formmanager.h"
#include "host/forms/moduleloader.h"
#include "host/forms/processservices.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHashSeed>
#include <QLocale>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <new>

using namespace vorn;

namespace {

/// Whether what went to standard output got there: a full disk or a closed pipe is a failure.
bool wroteWholly(QTextStream& out) {
    out.flush();
    if (out.status() == QTextStream::Ok && std::fflush(stdout) == 0 && std::ferror(stdout) == 0)
        return true;
    QTextStream(stderr) << "vorn: kon de uitvoer niet volledig schrijven\n";
    return false;
}

bool hasDisplay() {
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

const char* const NoDisplay =
    "vorn: er is geen scherm (DISPLAY is niet gezet).\n"
    "Zo zie je de client toch:\n"
    "  xvfb-run -a build/bin/vorn                      in een virtueel scherm\n"
    "  build/bin/vorn --screenshot vorn.png [--open TStatLLPerInstellingForm]\n"
    "                                                  het hoofdvenster als afbeelding\n";

void listForms(QTextStream& out) {
    for (const TFormRegistration& entry : FormManager().Registrations())
        out << entry.ClassName << '\t' << entry.Module << '\t' << entry.Group << '\t' << entry.MenuPath
            << '\n';
}

/// Opens the database the client starts on. Without a screen, or when the user named the database,
/// a failure ends the program with its message; in the window the user may choose another one (the
/// first start asks at once). `reportOption` names a standby for the reads. False when no database
/// was opened.
bool openStartDatabase(TDatabaseSession& session, const QString& option, const QString& reportOption,
                       const QString& settings, bool offscreen, QTextStream& err) {
    TStartDatabase start = StartDatabase(option, settings);
    if (!reportOption.isEmpty())
        start.settings.reportTarget = reportOption;
    QString problem;
    if (start.firstStart && !offscreen) {
        problem = QStringLiteral(
            "Welkom bij Vorn. Kies de databank waarmee u werkt: maak een demodatabank om "
            "het programma te leren kennen, of verbind met de PostgreSQL-server van uw school.");
    } else if (start.firstStart) {
        err << "vorn: de databank " << start.settings.target
            << " bestaat niet; vorn-demo maakt een demodatabank, of geef --database\n";
        return false;
    } else {
        try {
            session.Install(TDatabaseSession::Prepare(start.settings), start.title);
            return true;
        } catch (const EVornError& error) {
            err << "vorn: " << error.message() << '\n';
            if (offscreen)
                return false;
            if (start.given) {
                QMessageBox::critical(nullptr, QStringLiteral("Vorn"), error.message());
                return false;
            }
            problem = QStringLiteral("De databank kon niet geopend worden:\n%1").arg(error.message());
        }
    }
    std::optional<TChosenDatabase> chosen = AskDatabase(nullptr, settings, problem, start.choice);
    if (!chosen)
        return false;
    session.Install(std::move(chosen->opened), chosen->choice.Title());
    return true;
}

QString settingsFile() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(folder);
    return folder + QStringLiteral("/vorn.ini");
}

/// Runs the event loop until it has no more work, so that idle updates (enabled actions) are done,
/// and no longer than a second.
void runUntilIdle() {
    QEventLoop idle;
    // Connected after the action lists, so their idle updates run first.
    const QMetaObject::Connection idleNow =
        QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &idle,
                         &QEventLoop::quit);
    QTimer::singleShot(1000, &idle, &QEventLoop::quit);
    idle.exec();
    QObject::disconnect(idleNow);
    QCoreApplication::sendPostedEvents();
}

/// The main window as a PNG; `openFirst` opens the client's first screen (or `openClass`) first, as
/// the client does when it starts.
int screenshot(MainWindow& window, const QString& file, bool openFirst, const QString& openClass) {
    window.resize(1100, 760);
    window.show();
    try {
        if (openFirst)
            window.OpenFirstScreen(openClass);
    } catch (const EVornError& error) {
        QTextStream(stderr) << "vorn: " << error.message() << '\n';
        return 1;
    }
    runUntilIdle();
    if (!window.grab().save(file, "PNG")) {
        QTextStream(stderr) << "vorn: kon " << file << " niet schrijven\n";
        return 1;
    }
    return 0;
}

} // namespace

/// The client's event loop: an event whose handling runs out of memory is reported and dropped, and
/// the client goes on, instead of ending without a word.
class GuardedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::bad_alloc&) {
            ReportError(OutOfMemoryMessage());
        } catch (const EVornError& error) {
            ReportError(error.message());
        }
        return false;
    }
};

/// Off screen, Qt's notes about the missing window system only clutter the output.
void quietOffscreenNotes(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (message.contains(QStringLiteral("propagateSizeHints")) ||
        message.contains(QStringLiteral("XDG_RUNTIME_DIR")))
        return;
    if (type != QtDebugMsg)
        QTextStream(stderr) << message << '\n';
}

namespace {

/// The arguments as the program got them, before Qt takes its own out.
QStringList rawArguments(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

/// The verb's request run against the window; its output on standard output.
int runVerb(MainWindow& window, const TCommandLine& line, QTextStream& err) {
    const bool exporting = line.command == TCommand::Export;
    const char* const verb = exporting ? "vorn export: " : "vorn print: ";
    try {
        QTextStream out(stdout);
        if (exporting)
            RunExport(window, line.exportRequest, out);
        else
            RunPrintToPdf(window, line.printRequest, out);
        if (!wroteWholly(out))
            return 1;
        if (exporting && !line.screenshot.isEmpty())
            return screenshot(window, line.screenshot, false, {});
        return 0;
    } catch (const EVornError& error) {
        err << verb << error.message() << '\n';
    } catch (const std::bad_alloc&) {
        err << verb << OutOfMemoryMessage() << '\n';
    }
    return 1;
}

} // namespace

int main(int argc, char* argv[]) {
    // SOURCE_DATE_EPOCH asks for the same output from the same input: Qt's hashes then take a fixed
    // seed, so that a PDF's fonts are written in the same order every time.
    if (qEnvironmentVariableIsSet("SOURCE_DATE_EPOCH"))
        QHashSeed::setDeterministicGlobalSeed();
    const QStringList raw = rawArguments(argc, argv);
    const TCommand early = ParseCommandLine(raw).command;
    if (early == TCommand::Help || early == TCommand::Version) {
        QTextStream out(stdout);
        if (early == TCommand::Help)
            out << UsageText();
        else
            out << "vorn " << ProgramVersion() << '\n';
        return wroteWholly(out) ? 0 : 1;
    }
    const bool offscreen = RunsOffscreen(raw);
    if (offscreen && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (offscreen)
        qInstallMessageHandler(quietOffscreenNotes);
    if (!offscreen && !hasDisplay()) {
        QTextStream(stderr) << NoDisplay;
        return 2;
    }
    GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vorn"));
    QApplication::setApplicationVersion(ProgramVersion());
    // Wayland matches the window to the menu entry (vorn.desktop) by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("vorn"));
    QLocale::setDefault(QLocale(QLocale::Dutch, QLocale::Belgium));

    // Read again now that Qt has taken its own options (-platform, -style) out.
    const TCommandLine line = ParseCommandLine(QCoreApplication::arguments());
    QTextStream err(stderr);
    if (!line.error.isEmpty()) {
        err << line.error;
        return 1;
    }
    LoadQtTranslations();
    TModuleLoader loader;
    const QStringList moduleErrors =
        loader.LoadFolder(line.modules.isEmpty() ? TModuleLoader::DefaultFolder() : line.modules);
    if (line.command == TCommand::ListForms) {
        for (const QString& error : moduleErrors)
            err << "vorn: " << error << '\n';
        QTextStream out(stdout);
        listForms(out);
        return wroteWholly(out) ? 0 : 1;
    }

    TDatabaseSession session;
    if (!openStartDatabase(session, line.database, line.reportDatabase, settingsFile(), offscreen, err))
        return 1;
    // What the user must know before working: an upgrade, or that they see no institution.
    QStringList notices{server::UpgradeMessage(session.Upgrade()), session.AccessMessage()};
    notices.removeAll(QString());
    const QString startNotice = notices.join(u'\n');
    if (!startNotice.isEmpty())
        err << "vorn: " << startNotice << '\n';

    // The verbs read the user's settings (page set-up, pivot layouts) but leave them as they were:
    // what the screens remember when they close goes to a copy that is thrown away.
    const bool verb = line.command == TCommand::Export || line.command == TCommand::Print;
    QTemporaryDir unattendedSettings;
    QString windowSettings = settingsFile();
    if (verb) {
        const QString copy = unattendedSettings.filePath(QStringLiteral("vorn.ini"));
        if (!unattendedSettings.isValid() ||
            (QFileInfo::exists(windowSettings) && !QFile::copy(windowSettings, copy))) {
            err << "vorn: kon de instellingen niet lezen (" << windowSettings << ")\n";
            return 1;
        }
        windowSettings = copy;
    }
    MainWindow window(session.Broker(), windowSettings);
    window.BuildMenus();
    window.AttachSession(&session);
    TQueryWatch queryWatch(window);
    session.SetReadOnlyLimits(
        {QueryTimeLimit(window.SettingsFile()), [&] { return queryWatch.StopRequested(); },
         [&](bool running) { queryWatch.Running(running); }, ReportMemoryLimit(window.SettingsFile())});
    if (!startNotice.isEmpty() && !offscreen)
        QTimer::singleShot(0, &window,
                           [&] { QMessageBox::information(&window, QStringLiteral("Vorn"), startNotice); });
    const TServicesScope reporter(TProcessServices{
        .errorReporter = offscreen ? std::function<void(const QString&)>([&err](const QString& message) {
            err << "vorn: " << message << '\n';
        })
                                   : std::function<void(const QString&)>([&window](const QString& message) {
                                         QMessageBox::warning(&window, QStringLiteral("Vorn"), message);
                                     })});
    for (const QString& error : moduleErrors)
        ReportError(error);

    int result = 0;
    if (verb) {
        result = runVerb(window, line, err);
    } else if (line.command == TCommand::Screenshot) {
        result = screenshot(window, line.screenshot, true, line.openScreen);
    } else {
        window.show();
        QTimer::singleShot(0, &window, [&] { RunGuarded([&] { window.OpenFirstScreen(line.openScreen); }); });
        result = QApplication::exec();
    }
    return result;
}
