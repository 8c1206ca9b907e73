#include "commandline.h"

#include "host/data/errors.h"

#include <QCommandLineParser>

namespace vorn {

namespace {

/// Options that take a value, so that a value is never taken for the verb.
bool takesValue(const QString& argument) {
    static const QStringList withValue{"-d",           "--database",     "--report-database",
                                       "--screenshot", "--open",         "--modules",
                                       "--screen",     "--institution",  "--date",
                                       "--from",       "--to",           "--figure",
                                       "--scale",      "--out",          "--format",
                                       "--report",     "--pdf",          "--category",
                                       "--statistic",  "--compare-date", "--compare-from",
                                       "--compare-to"};
    return withValue.contains(argument);
}

/// Whether the verb is on the command line, before or after the options.
bool hasVerb(const QStringList& arguments, const QString& verb) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (takesValue(arguments[i]))
            ++i;
        else if (arguments[i] == verb)
            return true;
    }
    return false;
}

bool hasFlag(const QStringList& arguments, std::initializer_list<const char*> names) {
    for (qsizetype i = 1; i < arguments.size(); ++i)
        for (const char* name : names)
            if (arguments[i] == QLatin1String(name))
                return true;
    return false;
}

struct TOptions {
    QCommandLineOption database{{"d", "database"}, "SQLite-bestand of PostgreSQL-verbinding.", "db"};
    QCommandLineOption reportDatabase{"report-database", "PostgreSQL-standby voor statistieken en rapporten.",
                                      "db"};
    QCommandLineOption listForms{"list-forms", "Toont de geregistreerde schermen."};
    QCommandLineOption screenshot{"screenshot", "Schrijft het hoofdvenster als PNG.", "bestand"};
    QCommandLineOption open{"open", "Opent dit scherm (met zijn overzichtsscherm).", "klasse"};
    QCommandLineOption modules{"modules", "Map met de modules.", "map"};
    QCommandLineOption screen{"screen", "export: het scherm (klasse).", "klasse"};
    QCommandLineOption institution{"institution", "export: de instelling (IS_CODE).", "code"};
    QCommandLineOption date{"date", "export: de datum JJJJ-MM-DD.", "datum"};
    QCommandLineOption from{"from", "export: begin van de periode.", "datum"};
    QCommandLineOption to{"to", "export: einde van de periode.", "datum"};
    QCommandLineOption figure{"figure", "export: het cijfer van de grafieken.", "n"};
    QCommandLineOption scale{"scale", "export: de granulariteit.", "n"};
    QCommandLineOption out{"out", "export: de map voor de bestanden.", "map"};
    QCommandLineOption format{"format", "export: csv, xlsx of all.", "formaat"};
    QCommandLineOption report{"report", "print: het rapport.", "naam"};
    QCommandLineOption category{"category", "print: de statistiek.", "n"};
    QCommandLineOption pdf{"pdf", "print: het PDF-bestand.", "bestand"};
    QCommandLineOption statistic{"statistic", "export, print: de statistiek (L_CODE).", "code"};
    QCommandLineOption compareDate{"compare-date", "export, print: vergelijken met deze datum.", "datum"};
    QCommandLineOption compareFrom{"compare-from", "export, print: begin van de vergelijkingsperiode.",
                                   "datum"};
    QCommandLineOption compareTo{"compare-to", "export, print: einde van de vergelijkingsperiode.", "datum"};
    QCommandLineOption trend{"trend", "export, print: het verloop over zoveel schooljaren.", "n"};

    QList<QCommandLineOption> all() const {
        return {database,    reportDatabase, listForms, screenshot, open,      modules,     screen,
                institution, date,           from,      to,         figure,    scale,       out,
                format,      report,         category,  pdf,        statistic, compareDate, compareFrom,
                compareTo,   trend};
    }
};

/// A whole number from an option, at least `lowest`; raises with `message` otherwise.
int numberOf(const QCommandLineParser& parser, const QCommandLineOption& option, int lowest,
             const char* message) {
    bool ok = true;
    const int number = parser.value(option).toInt(&ok);
    if (!ok || number < lowest)
        RaiseClientError(message);
    return number;
}

/// The other date or period of a comparison; a verb without one compares with nothing.
void readComparison(const QCommandLineParser& parser, const TOptions& options, TScreenRequest& screen) {
    screen.setsComparison = true;
    if (parser.isSet(options.compareFrom) != parser.isSet(options.compareTo))
        RaiseClientError("Een vergelijkingsperiode verwacht --compare-from en --compare-to samen");
    if (parser.isSet(options.compareDate) && parser.isSet(options.compareFrom))
        RaiseClientError("Geef --compare-date of een vergelijkingsperiode (--compare-from en --compare-to), "
                         "niet beide");
    if (parser.isSet(options.compareDate))
        screen.compareFrom = ParseExportDate("--compare-date", parser.value(options.compareDate));
    if (parser.isSet(options.compareFrom)) {
        screen.compareFrom = ParseExportDate("--compare-from", parser.value(options.compareFrom));
        screen.compareTo = ParseExportDate("--compare-to", parser.value(options.compareTo));
        if (screen.compareFrom > screen.compareTo)
            RaiseClientError("--compare-from ligt na --compare-to");
    }
    if (parser.isSet(options.trend)) {
        if (IsDateSet(screen.compareFrom))
            RaiseClientError("Geef --trend of een vergelijking (--compare-...), niet beide");
        screen.trendYears =
            numberOf(parser, options.trend, 2, "--trend verwacht een aantal schooljaren vanaf 2");
    }
    if ((IsDateSet(screen.compareFrom) || screen.trendYears > 0) && !IsDateSet(screen.date) &&
        !IsDateSet(screen.from))
        RaiseClientError("Een vergelijking of verloop verwacht ook --date of een periode (--from en --to)");
}

/// The screen, institution and date or period of a verb.
TScreenRequest screenRequest(const QCommandLineParser& parser, const TOptions& options) {
    if (parser.value(options.screen).isEmpty() || parser.value(options.institution).isEmpty())
        RaiseClientError("Geef --screen en --institution");
    if (parser.isSet(options.from) != parser.isSet(options.to))
        RaiseClientError("Een periode verwacht --from en --to samen");
    if (parser.isSet(options.date) && parser.isSet(options.from))
        RaiseClientError("Geef --date of een periode (--from en --to), niet beide");
    TScreenRequest screen;
    screen.institutionCode = parser.value(options.institution);
    screen.statistic = parser.value(options.statistic);
    if (parser.isSet(options.date))
        screen.date = ParseExportDate("--date", parser.value(options.date));
    if (parser.isSet(options.from))
        screen.from = ParseExportDate("--from", parser.value(options.from));
    if (parser.isSet(options.to))
        screen.to = ParseExportDate("--to", parser.value(options.to));
    if (IsDateSet(screen.from) && screen.from > screen.to)
        RaiseClientError("--from ligt na --to");
    readComparison(parser, options, screen);
    if (parser.isSet(options.figure))
        screen.figure = numberOf(parser, options.figure, 0, "--figure verwacht een getal vanaf 0");
    if (parser.isSet(options.scale))
        screen.scale = numberOf(parser, options.scale, 1, "--scale verwacht een positief getal");
    return screen;
}

ExportRequest exportRequestOf(const QCommandLineParser& parser, const TOptions& options) {
    ExportRequest request;
    request.screenClass = parser.value(options.screen);
    request.outputFolder = parser.value(options.out);
    if (request.outputFolder.isEmpty())
        RaiseClientError("export verwacht --out");
    request.screen = screenRequest(parser, options);
    if (parser.isSet(options.format))
        request.format = ParseExportFormat(parser.value(options.format));
    return request;
}

PrintRequest printRequestOf(const QCommandLineParser& parser, const TOptions& options) {
    PrintRequest request;
    request.screenClass = parser.value(options.screen);
    request.report = parser.value(options.report);
    request.pdfPath = parser.value(options.pdf);
    if (request.report.isEmpty() || request.pdfPath.isEmpty())
        RaiseClientError("print verwacht --report en --pdf");
    request.screen = screenRequest(parser, options);
    if (!IsDateSet(request.screen.date) && !IsDateSet(request.screen.from) &&
        request.screen.statistic.isEmpty())
        RaiseClientError("print verwacht --date of een periode (--from en --to)");
    if (parser.isSet(options.category))
        request.category = numberOf(parser, options.category, 0, "--category verwacht een getal vanaf 0");
    return request;
}

} // namespace

bool TCommandLine::Offscreen() const {
    return command == TCommand::Export || command == TCommand::Print || command == TCommand::Screenshot ||
           command == TCommand::ListForms;
}

bool RunsOffscreen(const QStringList& arguments) {
    return hasVerb(arguments, QStringLiteral("export")) || hasVerb(arguments, QStringLiteral("print")) ||
           hasFlag(arguments, {"--screenshot", "--list-forms"});
}

TCommandLine ParseCommandLine(const QStringList& arguments) {
    TCommandLine line;
    if (hasFlag(arguments, {"--help", "-h"})) {
        line.command = TCommand::Help;
        return line;
    }
    if (hasFlag(arguments, {"--version"})) {
        line.command = TCommand::Version;
        return line;
    }
    const bool exporting = hasVerb(arguments, QStringLiteral("export"));
    const bool printing = hasVerb(arguments, QStringLiteral("print"));
    const TOptions options;
    QCommandLineParser parser;
    parser.addOptions(options.all());
    if (!parser.parse(arguments)) {
        line.error = QStringLiteral("vorn: %1\nvorn --help toont het gebruik.\n").arg(parser.errorText());
        return line;
    }
    if (exporting && printing) {
        line.error = QStringLiteral("vorn: export en print gaan niet samen\n");
        return line;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > (exporting || printing ? 1 : 0)) {
        line.error = QStringLiteral("vorn: onbekend argument '%1'\nvorn --help toont het gebruik.\n")
                         .arg(positional.last());
        return line;
    }
    line.database = parser.value(options.database);
    line.reportDatabase = parser.value(options.reportDatabase);
    line.modules = parser.value(options.modules);
    line.openScreen = parser.value(options.open);
    line.screenshot = parser.value(options.screenshot);
    if (exporting || printing) {
        line.command = exporting ? TCommand::Export : TCommand::Print;
        try {
            if (exporting)
                line.exportRequest = exportRequestOf(parser, options);
            else
                line.printRequest = printRequestOf(parser, options);
        } catch (const EVornError& error) {
            line.error = QStringLiteral("vorn %1: %2\n").arg(exporting ? "export" : "print", error.message());
        }
    } else if (parser.isSet(options.listForms)) {
        line.command = TCommand::ListForms;
    } else if (parser.isSet(options.screenshot)) {
        line.command = TCommand::Screenshot;
    }
    return line;
}

const char* UsageText() {
    return "Gebruik:\n"
           "  vorn [--database DB] [--open KLASSE]             start de client\n"
           "  vorn --list-forms                                toont de geregistreerde schermen\n"
           "  vorn --version                                   toont de versie\n"
           "  vorn --screenshot BESTAND [--open KLASSE]        het hoofdvenster als PNG, zonder scherm\n"
           "  vorn [--database DB] export --screen KLASSE --institution CODE\n"
           "       (--date JJJJ-MM-DD | --from JJJJ-MM-DD --to JJJJ-MM-DD)\n"
           "       [--compare-date JJJJ-MM-DD | --compare-from JJJJ-MM-DD --compare-to JJJJ-MM-DD | --trend "
           "N]\n"
           "       [--figure N] [--scale N] [--format csv|xlsx|all] [--screenshot BESTAND] --out MAP\n"
           "  vorn [--database DB] print --screen KLASSE --institution CODE\n"
           "       (--date JJJJ-MM-DD | --from JJJJ-MM-DD --to JJJJ-MM-DD)\n"
           "       [--compare-date JJJJ-MM-DD | --compare-from JJJJ-MM-DD --compare-to JJJJ-MM-DD | --trend "
           "N]\n"
           "       --report \"RAPPORTNAAM\" [--category N] --pdf BESTAND\n"
           "  vorn [--database DB] export|print --screen TOLAPStatsForm --institution CODE\n"
           "       --statistic L_CODE [--date WERKDATUM] (--out MAP | --report \"Afdruk rooster\" --pdf "
           "BESTAND)\n"
           "\n"
           "Opties:\n"
           "  -d, --database DB     SQLite-bestand of PostgreSQL-verbinding (anders $VORN_DATABASE of de\n"
           "                        voorbeelddatabank)\n"
           "  --report-database DB  PostgreSQL: een hot standby waar statistieken, kubussen en rapporten\n"
           "                        lezen; afdrukken schrijven en lezen hun rijen op de databank zelf\n"
           "  --open KLASSE         opent dit scherm (met zijn overzichtsscherm)\n"
           "  --modules MAP         map met de modules\n"
           "  --screen KLASSE       export: het scherm\n"
           "  --institution CODE    export: de instelling (IS_CODE)\n"
           "  --date DATUM          export: de datum\n"
           "  --from DATUM          export: begin van de periode (samen met --to)\n"
           "  --to DATUM            export: einde van de periode (samen met --from)\n"
           "  --compare-date DATUM  export, print: de cijfers naast die van deze datum\n"
           "  --compare-from DATUM  export, print: de cijfers naast die van deze periode (samen met\n"
           "  --compare-to DATUM    --compare-to; bv. dezelfde periode vorig schooljaar)\n"
           "  --trend N             export, print: het verloop over de laatste N schooljaren (2 tot 10):\n"
           "                        het totaal en de grootste categorieën\n"
           "  --figure N            export: het cijfer van de grafieken\n"
           "  --scale N             export: de granulariteit (een positief getal)\n"
           "  --format F            export: csv (standaard), xlsx of all\n"
           "  --out MAP             export: de map voor de bestanden\n"
           "  --report NAAM         print: het rapport, zoals het scherm het noemt\n"
           "  --category N          print: de statistiek (nummer in de keuzelijst) als de naam er geen "
           "noemt\n"
           "  --pdf BESTAND         print: het PDF-bestand dat geschreven wordt\n"
           "  --statistic CODE      export, print: de bewaarde statistiek (kubusscherm); --date is dan de\n"
           "                        werkdatum\n"
           "  --version             toont de versie\n"
           "  -h, --help            toont deze hulp\n";
}

} // namespace vorn
