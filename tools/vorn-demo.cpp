// vorn-demo: creates a database with the schema and believable demo data.
#include "data/demo/demodata.h"
#include "server/migrations.h"
#include "server/rights.h"
#include "server/schema.h"

#include "host/data/errors.h"
#include "host/data/installpaths.h"
#include "host/data/schoolyear.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <limits>
#include <new>
#include <optional>

using namespace vorn;

namespace {

/// Whether what went to standard output got there: a full disk or a closed pipe is a failure.
bool wroteWholly(QTextStream& out) {
    out.flush();
    if (out.status() == QTextStream::Ok && std::fflush(stdout) == 0 && std::ferror(stdout) == 0)
        return true;
    QTextStream(stderr) << "vorn-demo: kon de uitvoer niet volledig schrijven\n";
    return false;
}

/// Drops the tables of our schema (PostgreSQL), so that --replace starts from an empty database.
void dropSchema(server::Connection& connection) {
    QStringList tables = server::SchemaTables(connection.dialect());
    std::reverse(tables.begin(), tables.end());
    for (const QString& name : tables)
        connection.executeScript(QStringLiteral("DROP TABLE IF EXISTS %1 CASCADE").arg(name));
    connection.executeScript(QStringLiteral("DROP SEQUENCE IF EXISTS job_seq"));
}

/// Builds the database under a name of its own beside the target and renames it over the target in
/// one step, holding a lock so that a second replacement of the same file is refused: the target is
/// always either the old database or the whole new one, and nothing is left behind.
demo::DemoSummary createSqlite(const QString& path, bool replace, const demo::DemoOptions& options) {
    if (QFileInfo::exists(path) && !replace)
        RaiseClientError("De databank '%s' bestaat al; geef --replace om ze te vervangen", path);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QLockFile lock(path + QStringLiteral(".lock"));
    lock.setStaleLockTime(0); // never stale by age; the lock of a process that ended is taken over
    if (!lock.tryLock(0)) {
        if (lock.error() == QLockFile::LockFailedError)
            RaiseClientError("Een andere vorn-demo maakt '%s' al aan; probeer het straks opnieuw", path);
        RaiseClientError("In de map van '%s' kan niet geschreven worden; kies een andere plaats", path);
    }
    // Under the lock, a half-built file beside the target is left by a run that was stopped.
    const QFileInfo target(path);
    for (const QString& leftover :
         target.absoluteDir().entryList({target.fileName() + QStringLiteral(".nieuw*")}, QDir::Files))
        QFile::remove(target.absoluteDir().filePath(leftover));
    const QString building =
        QStringLiteral("%1.nieuw-%2-%3")
            .arg(path)
            .arg(QCoreApplication::applicationPid())
            .arg(static_cast<qulonglong>(QRandomGenerator::global()->generate()), 8, 16, QChar(u'0'));
    demo::DemoSummary summary;
    try {
        const auto connection = server::OpenSqlite(building, true);
        server::CreateSchema(*connection);
        summary = demo::GenerateDemoData(*connection, options);
    } catch (...) {
        QFile::remove(building);
        throw;
    }
    if (std::rename(QFile::encodeName(building).constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(building);
        RaiseClientError("Kon de nieuwe databank niet op haar plaats zetten als '%s'", path);
    }
    return summary;
}

/// A maker who may not make roles gets no reading login: its reports would fail later without
/// this note of what to ask the administrator.
void tellWhoMayNotReport(server::Connection& connection) {
    if (server::ReadingLoginOfSessionUser(connection))
        return;
    const auto user = connection.query(QStringLiteral("SELECT CAST(session_user AS text) AS U"), TParams(),
                                       {FieldDef::wideString(QStringLiteral("U"), 0)});
    const std::string_view name = user.columns[0].bytesAt(0);
    QTextStream(stderr) << "vorn-demo: "
                        << server::MissingReadingLoginMessage(
                               QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())))
                        << '\n';
}

/// One transaction, the dropping of the old tables included: other users see the old database or the
/// whole new one, and a failure or a stop leaves the old one as it was.
demo::DemoSummary createPostgres(const QString& target, bool replace, const demo::DemoOptions& options) {
    const auto connection = server::OpenPostgres(target);
    const bool present = server::HasSchema(*connection);
    if (present && !replace)
        RaiseClientError("De databank bevat al gegevens; geef --replace om ze te vervangen");
    connection->begin();
    try {
        if (present)
            dropSchema(*connection);
        server::CreateSchema(*connection);
        const demo::DemoSummary summary = demo::GenerateDemoData(*connection, options);
        connection->commit();
        tellWhoMayNotReport(*connection);
        return summary;
    } catch (...) {
        connection->rollback();
        throw;
    }
}

QString describe(const server::ConnectionSettings& settings) {
    return settings.dialect == server::Dialect::SQLite ? settings.target
                                                       : QStringLiteral("op de PostgreSQL-server");
}

/// The state of the database; raises for a file that is no database and for a database of another
/// program, which vorn-demo never replaces.
server::DatabaseState stateOf(const server::ConnectionSettings& settings) {
    if (settings.dialect == server::Dialect::SQLite) {
        if (!QFileInfo::exists(settings.target))
            return server::DatabaseState::Absent;
        const auto connection = server::OpenSqlite(settings.target, false);
        server::CheckedSchemaVersion(*connection, settings.target, std::numeric_limits<int>::max());
        // A file that is there but holds no tables is no database either, and not one to overwrite.
        const server::DatabaseState state = server::StateOf(*connection);
        return state == server::DatabaseState::Absent ? server::DatabaseState::Incomplete : state;
    }
    const auto connection = server::OpenPostgres(settings.target);
    server::CheckedSchemaVersion(*connection, describe(settings), std::numeric_limits<int>::max());
    return server::StateOf(*connection);
}

/// A whole number option within [low, high]; nothing when not given.
std::optional<int> countOption(const QCommandLineParser& parser, const QCommandLineOption& option, int low,
                               int high) {
    if (!parser.isSet(option))
        return std::nullopt;
    bool ok = true;
    const int value = parser.value(option).toInt(&ok);
    if (!ok || value < low || value > high)
        RaiseClientError("--%s verwacht een getal van %d tot %d, niet '%s'", option.names().front(), low,
                         high, parser.value(option));
    return value;
}

int run(QCoreApplication& app) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Maakt een databank met het schema en voorbeeldgegevens."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption database({"d", "database"}, "SQLite-bestand of PostgreSQL-verbinding.", "db");
    const QCommandLineOption seed("seed", "Startwaarde van het toeval (zelfde waarde, zelfde gegevens).", "n",
                                  "2024");
    const QCommandLineOption firstYear(
        "first-year", "Eerste schooljaar (standaard zo dat het laatste het huidige is).", "jaar");
    const QCommandLineOption years("school-years", "Aantal schooljaren, 3 tot 10 (standaard 3).", "n", "3");
    const QCommandLineOption enrolments(
        "enrolments", "Inschrijvingen per schooljaar in het grootste centrum volwassenenonderwijs.", "n",
        "3000");
    const QCommandLineOption pupils(
        "pupils", "Leerlingen per schooljaar in de eerste secundaire school (standaard het toeval: ~550).",
        "n");
    const QCommandLineOption staff(
        "staff", "Personeelsleden van de eerste instelling (standaard het toeval: 45 tot 70).", "n");
    const QCommandLineOption replace("replace", "Vervang een bestaande databank.");
    const QCommandLineOption ifAbsent("if-absent", "Doe niets als de databank al bestaat.");
    parser.addOptions({database, seed, firstYear, years, enrolments, pupils, staff, replace, ifAbsent});
    QTextStream out(stdout);
    if (!parser.parse(app.arguments()))
        RaiseClientError("%s; vorn-demo --help toont de opties", parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        out << parser.helpText();
        return wroteWholly(out) ? 0 : 1;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        out << "vorn-demo " << ProgramVersion() << '\n';
        return wroteWholly(out) ? 0 : 1;
    }

    demo::DemoOptions options;
    bool ok = true;
    options.seed = parser.value(seed).toULongLong(&ok);
    if (!ok)
        RaiseClientError("--seed verwacht een getal, niet '%s'", parser.value(seed));
    options.adultEnrolments = parser.value(enrolments).toInt(&ok);
    if (!ok)
        RaiseClientError("--enrolments verwacht een getal, niet '%s'", parser.value(enrolments));
    options.largestSchoolPupils = countOption(parser, pupils, 0, 200000);
    options.largestStaff = countOption(parser, staff, 0, 200000);
    options.schoolYears = countOption(parser, years, 3, 10).value_or(3);
    options.firstSchoolYear = GetSchooljaarFrom(Today()) - (options.schoolYears - 1);
    if (parser.isSet(firstYear)) {
        options.firstSchoolYear = parser.value(firstYear).toInt(&ok);
        if (!ok || options.firstSchoolYear < 1990 || options.firstSchoolYear > 2100)
            RaiseClientError("--first-year verwacht een jaar, niet '%s'", parser.value(firstYear));
    }
    const server::ConnectionSettings settings =
        parser.isSet(database) ? server::ConnectionSettings::parse(parser.value(database))
                               : server::ConnectionSettings::fromEnvironment();
    if (parser.isSet(ifAbsent)) {
        const server::DatabaseState state = stateOf(settings);
        if (state == server::DatabaseState::Complete) {
            out << QStringLiteral("De databank %1 bestaat al.\n").arg(describe(settings));
            return wroteWholly(out) ? 0 : 1;
        }
        if (state == server::DatabaseState::Incomplete && !parser.isSet(replace))
            RaiseDatabaseError(
                QStringLiteral("De databank %s is onvolledig (het aanmaken werd onderbroken); maak ze "
                               "opnieuw met --replace"),
                {describe(settings)});
    }
    // Whatever is asked, a file of another program or no database at all is never replaced.
    stateOf(settings);
    QElapsedTimer timer;
    timer.start();
    const demo::DemoSummary summary = settings.dialect == server::Dialect::SQLite
                                          ? createSqlite(settings.target, parser.isSet(replace), options)
                                          : createPostgres(settings.target, parser.isSet(replace), options);
    out << QStringLiteral("Databank %1 aangemaakt in %2 s: %3 instellingen, %4 leerlingeninschrijvingen, "
                          "%5 personeelsleden, %6 OSP- en %7 VWO-inschrijvingen (schooljaren %8 tot %9).\n")
               .arg(describe(settings))
               .arg(timer.elapsed() / 1000.0, 0, 'f', 1)
               .arg(summary.institutions)
               .arg(summary.pupilEnrolments)
               .arg(summary.staffMembers)
               .arg(summary.ospEnrolments)
               .arg(summary.vwoEnrolments)
               .arg(options.firstSchoolYear)
               .arg(options.firstSchoolYear + options.schoolYears - 1);
    return wroteWholly(out) ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(ProgramVersion());
    try {
        return run(app);
    } catch (const EVornError& error) {
        QTextStream(stderr) << "vorn-demo: " << error.message() << '\n';
        return 1;
    } catch (const std::bad_alloc&) {
        QTextStream(stderr) << "vorn-demo: " << OutOfMemoryMessage() << '\n';
        return 1;
    }
}
