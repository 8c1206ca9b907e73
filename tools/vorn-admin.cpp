// vorn-admin: the administrator's tool for a shared PostgreSQL server: users, the institutions each
// may see, and print jobs left by stopped programs.
#include "server/connection.h"
#include "server/jobregister.h"
#include "server/migrations.h"
#include "server/rights.h"

#include "host/data/errors.h"
#include "host/data/installpaths.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>
#include <new>
#include <termios.h>
#include <unistd.h>

using namespace vorn;

namespace {

const char* const Usage =
    "Gebruik:\n"
    "  vorn-admin --database DB gebruiker-toevoegen NAAM [--wachtwoord-vragen]\n"
    "  vorn-admin --database DB gebruiker-verwijderen NAAM [--ook-aanmelding]\n"
    "  vorn-admin --database DB toegang-geven NAAM CODE... | --alle\n"
    "  vorn-admin --database DB toegang-intrekken NAAM CODE... | --alle\n"
    "  vorn-admin --database DB overzicht\n"
    "  vorn-admin --database DB jobs-opruimen\n"
    "  vorn-admin --version\n"
    "\n"
    "Beheert wie wat ziet in een gedeelde PostgreSQL-databank van Vorn. Elke gebruiker meldt zich aan\n"
    "met een eigen PostgreSQL-rol en ziet alleen de instellingen die hem gegeven zijn; rapporten lopen\n"
    "onder een leesaccount van die gebruiker dat alleen mag lezen.\n"
    "\n"
    "  gebruiker-toevoegen    maakt de rol NAAM (als ze nog niet bestaat) en haar leesaccount; met\n"
    "                         --wachtwoord-vragen wordt het wachtwoord van NAAM gevraagd (anders\n"
    "                         meldt NAAM zich aan zoals pg_hba.conf het zegt, bv. met peer of een\n"
    "                         wachtwoord dat de beheerder zelf zet)\n"
    "  gebruiker-verwijderen  neemt alle toegang en het leesaccount weg; --ook-aanmelding verwijdert\n"
    "                         ook de rol NAAM zelf\n"
    "  toegang-geven          geeft de instellingen met deze codes; --alle: alle, ook latere\n"
    "  toegang-intrekken      neemt de instellingen met deze codes terug; --alle: alles\n"
    "  overzicht              toont elke gebruiker met de instellingen die hij ziet\n"
    "  jobs-opruimen          verwijdert de afdrukjobs van programma's die niet meer lopen\n"
    "\n"
    "DB: een PostgreSQL-verbinding (postgresql://... of host=... dbname=... user=...), als een\n"
    "gebruiker die rollen mag maken (CREATEROLE) en eigenaar is van de tabellen van Vorn.\n"
    "Zonder --database geldt VORN_DATABASE.\n";

/// Reads a password from the terminal without showing it, or a line from standard input.
QString AskPassword(const QString& user) {
    QTextStream(stderr) << "Wachtwoord voor " << user << ": " << Qt::flush;
    termios saved{};
    const bool terminal = ::isatty(STDIN_FILENO) != 0 && ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios silent = saved;
        silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
    }
    const QString password = QTextStream(stdin).readLine();
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        QTextStream(stderr) << '\n';
    }
    if (password.isEmpty())
        RaiseClientError("Geen wachtwoord gegeven; er is niets veranderd");
    return password;
}

void CheckWritten(QTextStream& out) {
    out.flush();
    if (out.status() != QTextStream::Ok || std::fflush(stdout) != 0 || std::ferror(stdout) != 0)
        RaiseClientError("Kon de uitvoer niet volledig schrijven");
}

void PrintOverview(server::Connection& connection, QTextStream& out) {
    const auto users = server::ListAccess(connection);
    if (users.empty())
        out << "Er zijn nog geen gebruikers; voeg er een toe met vorn-admin gebruiker-toevoegen NAAM.\n";
    for (const server::UserAccess& access : users) {
        out << access.user << " (leesaccount " << access.readingLogin << ")\n";
        if (access.everyInstitution)
            out << "  alle instellingen\n";
        for (const QString& institution : access.institutions)
            out << "  " << institution << '\n';
        if (!access.everyInstitution && access.institutions.isEmpty())
            out << "  geen instellingen\n";
    }
}

/// The codes of a grant or revoke: the rest of the arguments, or none for --alle.
QStringList CodesOf(const QStringList& rest) {
    if (rest == QStringList{QStringLiteral("--alle")})
        return {};
    if (rest.isEmpty() || rest.contains(QStringLiteral("--alle")))
        RaiseClientError("Geef de codes van de instellingen, of --alle");
    return rest;
}

int UsageError(QTextStream& err) {
    err << Usage;
    return 2;
}

int run(const QStringList& arguments) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList rest = arguments;
    QString database;
    while (!rest.isEmpty() && rest.first().startsWith(QStringLiteral("-"))) {
        const QString option = rest.takeFirst();
        if (option == QStringLiteral("--help") || option == QStringLiteral("-h")) {
            out << Usage;
            CheckWritten(out);
            return 0;
        }
        if (option == QStringLiteral("--version")) {
            out << "vorn-admin " << ProgramVersion() << '\n';
            CheckWritten(out);
            return 0;
        }
        if (option != QStringLiteral("--database") || rest.isEmpty())
            return UsageError(err);
        database = rest.takeFirst();
    }
    if (rest.isEmpty())
        return UsageError(err);
    const QString verb = rest.takeFirst();
    static const QStringList verbs{"gebruiker-toevoegen", "gebruiker-verwijderen",
                                   "toegang-geven",       "toegang-intrekken",
                                   "overzicht",           "jobs-opruimen"};
    if (!verbs.contains(verb))
        return UsageError(err);
    const bool named = verb != QStringLiteral("overzicht") && verb != QStringLiteral("jobs-opruimen");
    if (named && rest.isEmpty())
        return UsageError(err);
    const QString user = named ? rest.takeFirst() : QString();

    const server::ConnectionSettings settings = database.isEmpty()
                                                    ? server::ConnectionSettings::fromEnvironment()
                                                    : server::ConnectionSettings::parse(database);
    if (settings.dialect != server::Dialect::PostgreSQL)
        RaiseClientError("vorn-admin beheert een PostgreSQL-databank; een SQLite-bestand is voor één "
                         "gebruiker en wordt beschermd door de rechten op het bestand");
    server::OpenedDatabase opened = server::OpenAndUpgrade(settings);
    if (const QString upgraded = server::UpgradeMessage(opened.upgrade); !upgraded.isEmpty())
        err << "vorn-admin: " << upgraded << '\n';
    server::Connection& connection = *opened.connection;
    server::RequireAdministrator(connection);

    if (verb == QStringLiteral("gebruiker-toevoegen")) {
        if (!rest.isEmpty() && rest != QStringList{QStringLiteral("--wachtwoord-vragen")})
            return UsageError(err);
        server::AddUser(connection, user, rest.isEmpty() ? QString() : AskPassword(user));
        out << user << " is toegevoegd; geef de instellingen met vorn-admin toegang-geven " << user
            << " CODE...\n";
    } else if (verb == QStringLiteral("gebruiker-verwijderen")) {
        if (!rest.isEmpty() && rest != QStringList{QStringLiteral("--ook-aanmelding")})
            return UsageError(err);
        server::RemoveUser(connection, user, !rest.isEmpty());
        out << user << " is geen gebruiker van Vorn meer.\n";
    } else if (verb == QStringLiteral("toegang-geven")) {
        const QStringList codes = CodesOf(rest);
        server::GrantInstitutions(connection, user, codes);
        out << user
            << " ziet nu: " << (codes.isEmpty() ? QStringLiteral("alle instellingen") : codes.join(", "))
            << (codes.isEmpty() ? "" : " (naast wat al gegeven was)") << '\n';
    } else if (verb == QStringLiteral("toegang-intrekken")) {
        const QStringList codes = CodesOf(rest);
        server::RevokeInstitutions(connection, user, codes);
        out << user << " ziet niet langer: "
            << (codes.isEmpty() ? QStringLiteral("enige instelling") : codes.join(", ")) << '\n';
        for (const server::UserAccess& access : server::ListAccess(connection))
            if (access.user == user && access.everyInstitution)
                out << "Let op: " << user << " ziet nog alle instellingen; trek dat in met "
                    << "vorn-admin toegang-intrekken " << user << " --alle\n";
    } else if (verb == QStringLiteral("overzicht")) {
        PrintOverview(connection, out);
    } else {
        const int removed = server::SweepStaleJobs(connection);
        out << removed
            << (removed == 1 ? " achtergelaten job verwijderd\n" : " achtergelaten jobs verwijderd\n");
    }
    CheckWritten(out);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    try {
        return run(app.arguments().mid(1));
    } catch (const EVornError& error) {
        QTextStream(stderr) << "vorn-admin: " << error.message() << '\n';
        return 1;
    } catch (const std::bad_alloc&) {
        QTextStream(stderr) << "vorn-admin: " << OutOfMemoryMessage() << '\n';
        return 1;
    }
}
