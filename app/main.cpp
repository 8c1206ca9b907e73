// vorn: the desktop client. Loads the modules, opens the database and shows the main window.
//   vorn [--database DB]
//   vorn --list-forms                         the registered screens, one a line
//   vorn --screenshot FILE [--open CLASS]     the main window as a PNG, drawn off screen
//   vorn export --screen CLASS --institution CODE (--date D | --from D --to D) [--figure N] [--scale N]
//               [--format csv|xlsx|all] [--screenshot FILE] --out DIR
//   vorn print --screen CLASS --institution CODE (--date D | --from D --to D) --report NAME
//              [--category N] --pdf FILE
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

#include <QApplication>
#include <QCommandLineParser>
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

bool hasArgument(int argc, char* argv[], const char* name) {
    for (int i = 1; i < argc; ++i)
        if (qstrcmp(argv[i], name) == 0)
            return true;
    return false;
}

/// Options that take a value, so that a value is never taken for the verb.
bool takesValue(const char* argument) {
    static const char* const withValue[] = {
        "-d",       "--database", "--screenshot", "--open",   "--modules", "--screen", "--institution",
        "--date",   "--from",     "--to",         "--figure", "--scale",   "--out",    "--format",
        "--report", "--pdf",      "--category"};
    for (const char* option : withValue)
        if (qstrcmp(argument, option) == 0)
            return true;
    return false;
}

/// Whether the verb is on the command line, before or after the options.
bool hasVerb(int argc, char* argv[], const char* verb) {
    for (int i = 1; i < argc; ++i) {
        if (takesValue(argv[i]))
            ++i;
        else if (qstrcmp(argv[i], verb) == 0)
            return true;
    }
    return false;
}

const char* const Usage =
    "Gebruik:\n"
    "  vorn [--database DB] [--open KLASSE]             start de client\n"
    "  vorn --list-forms                                toont de geregistreerde schermen\n"
    "  vorn --version                                   toont de versie\n"
    "  vorn --screenshot BESTAND [--open KLASSE]        het hoofdvenster als PNG, zonder scherm\n"
    "  vorn [--database DB] export --screen KLASSE --institution CODE\n"
    "       (--date JJJJ-MM-DD | --from JJJJ-MM-DD --to JJJJ-MM-DD)\n"
    "       [--figure N] [--scale N] [--format csv|xlsx|all] [--screenshot BESTAND] --out MAP\n"
    "  vorn [--database DB] print --screen KLASSE --institution CODE\n"
    "       (--date JJJJ-MM-DD | --from JJJJ-MM-DD --to JJJJ-MM-DD)\n"
    "       --report \"RAPPORTNAAM\" [--category N] --pdf BESTAND\n"
    "  vorn [--database DB] export|print --screen TOLAPStatsForm --institution CODE\n"
    "       --statistic L_CODE [--date WERKDATUM] (--out MAP | --report \"Afdruk rooster\" --pdf BESTAND)\n"
    "\n"
    "Opties:\n"
    "  -d, --database DB     SQLite-bestand of PostgreSQL-verbinding (anders $VORN_DATABASE of de\n"
    "                        voorbeelddatabank)\n"
    "  --open KLASSE         opent dit scherm (met zijn overzichtsscherm)\n"
    "  --modules MAP         map met de modules\n"
    "  --screen KLASSE       export: het scherm\n"
    "  --institution CODE    export: de instelling (IS_CODE)\n"
    "  --date DATUM          export: de datum\n"
    "  --from DATUM          export: begin van de periode (samen met --to)\n"
    "  --to DATUM            export: einde van de periode (samen met --from)\n"
    "  --figure N            export: het cijfer van de grafieken\n"
    "  --scale N             export: de granulariteit (een positief getal)\n"
    "  --format F            export: csv (standaard), xlsx of all\n"
    "  --out MAP             export: de map voor de bestanden\n"
    "  --report NAAM         print: het rapport, zoals het scherm het noemt\n"
    "  --category N          print: de statistiek (nummer in de keuzelijst) als de naam er geen noemt\n"
    "  --pdf BESTAND         print: het PDF-bestand dat geschreven wordt\n"
    "  --statistic CODE      export, print: de bewaarde statistiek (kubusscherm); --date is dan de\n"
    "                        werkdatum\n"
    "  --version             toont de versie\n"
    "  -h, --help            toont deze hulp\n";

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
/// first start asks at once). False when no database was opened.
bool openStartDatabase(TDatabaseSession& session, const QString& option, const QString& settings,
                       bool offscreen, QTextStream& err) {
    const TStartDatabase start = StartDatabase(option, settings);
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
    // Let the event loop run out of work once, so idle updates (enabled actions) are done.
    QEventLoop idle;
    QTimer::singleShot(50, &idle, &QEventLoop::quit);
    idle.exec();
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

int main(int argc, char* argv[]) {
    // SOURCE_DATE_EPOCH asks for the same output from the same input: Qt's hashes then take a fixed
    // seed, so that a PDF's fonts are written in the same order every time.
    if (qEnvironmentVariableIsSet("SOURCE_DATE_EPOCH"))
        QHashSeed::setDeterministicGlobalSeed();
    if (hasArgument(argc, argv, "--help") || hasArgument(argc, argv, "-h")) {
        QTextStream out(stdout);
        out << Usage;
        return wroteWholly(out) ? 0 : 1;
    }
    if (hasArgument(argc, argv, "--version")) {
        QTextStream out(stdout);
        out << "vorn " << ProgramVersion() << '\n';
        return wroteWholly(out) ? 0 : 1;
    }
    const bool exporting = hasVerb(argc, argv, "export");
    const bool printing = hasVerb(argc, argv, "print");
    const bool offscreen = exporting || printing || hasArgument(argc, argv, "--screenshot") ||
                           hasArgument(argc, argv, "--list-forms");
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

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Vorn: statistieken van scholen en centra volwassenenonderwijs."));
    const QCommandLineOption database({"d", "database"}, "SQLite-bestand of PostgreSQL-verbinding.", "db");
    const QCommandLineOption listFormsOption("list-forms", "Toont de geregistreerde schermen.");
    const QCommandLineOption screenshotOption("screenshot", "Schrijft het hoofdvenster als PNG.", "bestand");
    const QCommandLineOption openOption("open", "Opent dit scherm (met zijn overzichtsscherm).", "klasse");
    const QCommandLineOption modulesOption("modules", "Map met de modules.", "map");
    const QCommandLineOption screenOption("screen", "export: het scherm (klasse).", "klasse");
    const QCommandLineOption institutionOption("institution", "export: de instelling (IS_CODE).", "code");
    const QCommandLineOption dateOption("date", "export: de datum JJJJ-MM-DD.", "datum");
    const QCommandLineOption fromOption("from", "export: begin van de periode.", "datum");
    const QCommandLineOption toOption("to", "export: einde van de periode.", "datum");
    const QCommandLineOption figureOption("figure", "export: het cijfer van de grafieken.", "n");
    const QCommandLineOption scaleOption("scale", "export: de granulariteit.", "n");
    const QCommandLineOption outOption("out", "export: de map voor de bestanden.", "map");
    const QCommandLineOption formatOption("format", "export: csv, xlsx of all.", "formaat");
    const QCommandLineOption reportOption("report", "print: het rapport.", "naam");
    const QCommandLineOption categoryOption("category", "print: de statistiek.", "n");
    const QCommandLineOption pdfOption("pdf", "print: het PDF-bestand.", "bestand");
    const QCommandLineOption statisticOption("statistic", "export, print: de statistiek (L_CODE).", "code");
    parser.addOptions({database, listFormsOption, screenshotOption, openOption, modulesOption, screenOption,
                       institutionOption, dateOption, fromOption, toOption, figureOption, scaleOption,
                       outOption, formatOption, reportOption, categoryOption, pdfOption, statisticOption});
    QTextStream err(stderr);
    if (!parser.parse(QCoreApplication::arguments())) {
        err << "vorn: " << parser.errorText() << "\nvorn --help toont het gebruik.\n";
        return 1;
    }
    const QStringList positional = parser.positionalArguments();
    if (exporting && printing) {
        err << "vorn: export en print gaan niet samen\n";
        return 1;
    }
    if (positional.size() > (exporting || printing ? 1 : 0)) {
        err << "vorn: onbekend argument '" << positional.last() << "'\nvorn --help toont het gebruik.\n";
        return 1;
    }
    LoadQtTranslations();
    TModuleLoader loader;
    const QStringList moduleErrors = loader.LoadFolder(
        parser.isSet(modulesOption) ? parser.value(modulesOption) : TModuleLoader::DefaultFolder());
    if (parser.isSet(listFormsOption)) {
        for (const QString& error : moduleErrors)
            err << "vorn: " << error << '\n';
        QTextStream out(stdout);
        listForms(out);
        return wroteWholly(out) ? 0 : 1;
    }

    TDatabaseSession session;
    if (!openStartDatabase(session, parser.value(database), settingsFile(), offscreen, err))
        return 1;
    // What the user must know before working: an upgrade, or that they see no institution.
    QStringList notices{server::UpgradeMessage(session.Upgrade()), session.AccessMessage()};
    notices.removeAll(QString());
    const QString startNotice = notices.join(u'\n');
    if (!startNotice.isEmpty())
        err << "vorn: " << startNotice << '\n';

    // The verbs read the user's settings (page set-up, pivot layouts) but leave them as they were:
    // what the screens remember when they close goes to a copy that is thrown away.
    QTemporaryDir unattendedSettings;
    QString windowSettings = settingsFile();
    if (exporting || printing) {
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
    if (offscreen)
        SetErrorReporter([&err](const QString& message) { err << "vorn: " << message << '\n'; });
    else
        SetErrorReporter([&window](const QString& message) {
            QMessageBox::warning(&window, QStringLiteral("Vorn"), message);
        });
    for (const QString& error : moduleErrors)
        ReportError(error);

    int result = 0;
    const auto screenRequest = [&] {
        if (parser.value(screenOption).isEmpty() || parser.value(institutionOption).isEmpty())
            RaiseClientError("Geef --screen en --institution");
        if (parser.isSet(fromOption) != parser.isSet(toOption))
            RaiseClientError("Een periode verwacht --from en --to samen");
        if (parser.isSet(dateOption) && parser.isSet(fromOption))
            RaiseClientError("Geef --date of een periode (--from en --to), niet beide");
        TScreenRequest screen;
        screen.institutionCode = parser.value(institutionOption);
        screen.statistic = parser.value(statisticOption);
        if (parser.isSet(dateOption))
            screen.date = ParseExportDate("--date", parser.value(dateOption));
        if (parser.isSet(fromOption))
            screen.from = ParseExportDate("--from", parser.value(fromOption));
        if (parser.isSet(toOption))
            screen.to = ParseExportDate("--to", parser.value(toOption));
        if (IsDateSet(screen.from) && screen.from > screen.to)
            RaiseClientError("--from ligt na --to");
        bool ok = true;
        if (parser.isSet(figureOption) &&
            ((screen.figure = parser.value(figureOption).toInt(&ok)), !ok || screen.figure < 0))
            RaiseClientError("--figure verwacht een getal vanaf 0");
        if (parser.isSet(scaleOption) &&
            ((screen.scale = parser.value(scaleOption).toInt(&ok)), !ok || screen.scale <= 0))
            RaiseClientError("--scale verwacht een positief getal");
        return screen;
    };
    if (exporting || printing) {
        const char* const verb = exporting ? "vorn export: " : "vorn print: ";
        try {
            QTextStream out(stdout);
            if (exporting) {
                ExportRequest request;
                request.screenClass = parser.value(screenOption);
                request.outputFolder = parser.value(outOption);
                if (request.outputFolder.isEmpty())
                    RaiseClientError("export verwacht --out");
                request.screen = screenRequest();
                if (parser.isSet(formatOption))
                    request.format = ParseExportFormat(parser.value(formatOption));
                RunExport(window, request, out);
            } else {
                PrintRequest request;
                request.screenClass = parser.value(screenOption);
                request.report = parser.value(reportOption);
                request.pdfPath = parser.value(pdfOption);
                if (request.report.isEmpty() || request.pdfPath.isEmpty())
                    RaiseClientError("print verwacht --report en --pdf");
                request.screen = screenRequest();
                if (!IsDateSet(request.screen.date) && !IsDateSet(request.screen.from) &&
                    request.screen.statistic.isEmpty())
                    RaiseClientError("print verwacht --date of een periode (--from en --to)");
                bool ok = true;
                if (parser.isSet(categoryOption) &&
                    ((request.category = parser.value(categoryOption).toInt(&ok)),
                     !ok || request.category < 0))
                    RaiseClientError("--category verwacht een getal vanaf 0");
                RunPrintToPdf(window, request, out);
            }
            if (!wroteWholly(out))
                result = 1;
            if (exporting && parser.isSet(screenshotOption))
                result = screenshot(window, parser.value(screenshotOption), false, {});
        } catch (const EVornError& error) {
            err << verb << error.message() << '\n';
            result = 1;
        } catch (const std::bad_alloc&) {
            err << verb << OutOfMemoryMessage() << '\n';
            result = 1;
        }
    } else if (parser.isSet(screenshotOption)) {
        result = screenshot(window, parser.value(screenshotOption), true, parser.value(openOption));
    } else {
        window.show();
        QTimer::singleShot(0, &window,
                           [&] { RunGuarded([&] { window.OpenFirstScreen(parser.value(openOption)); }); });
        result = QApplication::exec();
    }
    SetErrorReporter(nullptr);
    return result;
}
