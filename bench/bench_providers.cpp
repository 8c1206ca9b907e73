// "DSPOSPCursistStats" for one centre with a million enrolment rows in one school year, opened into
// a client dataset, next to the database's own command-line client running the same query to /dev/null.
//   bench/run-provider-bench.sh       (creates the databases, starts a throwaway PostgreSQL)
// or by hand: bench_providers SQLITE_FILE [POSTGRES_CONNECTION]
#include "benchtime.h"

#include "server/connection.h"
#include "server/providers.h"
#include "server/sqlbroker.h"

#include "host/data/clientdataset.h"
#include "host/data/errors.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTextStream>
#include <algorithm>

using namespace vorn;

namespace {

constexpr int Institution = 5; // the largest centre of the demo data
const QString Begin = QStringLiteral("2024-09-01");
const QString End = QStringLiteral("2025-06-30");

/// The provider's statement with the values written in, for the command-line clients only.
QString literalSql() {
    QString sql = server::FindProvider("DSPOSPCursistStats")->sql;
    sql.replace(":IS_ID", QString::number(Institution));
    sql.replace(":BeginDatum", "'" + Begin + "'");
    sql.replace(":EindDatum", "'" + End + "'");
    return sql;
}

int openIntoDataset(server::Connection& connection) {
    server::SqlBroker broker(connection);
    TVornClientDataSet dataSet("CDSAllStats", &broker);
    dataSet.SetProviderName("DSPOSPCursistStats");
    dataSet.Params().CreateParam(TFieldType::Integer, "IS_ID").SetAsInteger(Institution);
    dataSet.Params().CreateParam(TFieldType::DateTime, "EindDatum").SetAsString(End);
    dataSet.Params().CreateParam(TFieldType::DateTime, "BeginDatum").SetAsString(Begin);
    dataSet.Open();
    return dataSet.RecordCount();
}

void runCommand(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(600000) || process.exitCode() != 0)
        throw EDatabaseError(program + QStringLiteral(" mislukte: ") +
                             QString::fromUtf8(process.readAllStandardError()));
}

void report(QTextStream& out, const QString& database, int rows, double ours, double theirs,
            const QString& client) {
    out << QStringLiteral("%1: %2 rijen in de client-dataset in %3 s; %4 zelf in %5 s; verhouding %6\n")
               .arg(database)
               .arg(rows)
               .arg(ours, 0, 'f', 3)
               .arg(client)
               .arg(theirs, 0, 'f', 3)
               .arg(ours / theirs, 0, 'f', 2);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        out << "gebruik: bench_providers SQLITE_BESTAND [POSTGRESQL_VERBINDING]\n";
        return 2;
    }
    try {
        const QString sql = literalSql();
        {
            auto sqlite = server::OpenSqlite(args[0], false);
            int rows = 0;
            const double ours = bestOf(3, [&] { rows = openIntoDataset(*sqlite); });
            const double theirs = bestOf(3, [&] { runCommand("sqlite3", {args[0], sql}); });
            report(out, "SQLite", rows, ours, theirs, "sqlite3");
        }
        if (args.size() > 1) {
            auto postgres = server::OpenPostgres(args[1]);
            int rows = 0;
            const double ours = bestOf(3, [&] { rows = openIntoDataset(*postgres); });
            const double theirs = bestOf(3, [&] {
                runCommand("psql", {"-X", "-q", "-A", "-t", "-d", args[1], "-c", sql});
            });
            report(out, "PostgreSQL", rows, ours, theirs, "psql");
            // COPY hands the rows over in the server's text format with the least work of all.
            const double copied = bestOf(3, [&] {
                runCommand("psql", {"-X", "-q", "-d", args[1], "-c",
                                    QStringLiteral("\\copy (%1) TO STDOUT").arg(sql)});
            });
            report(out, "PostgreSQL", rows, ours, copied, "psql \\copy");
        }
    } catch (const EVornError& error) {
        out << "bench_providers: " << error.message() << '\n';
        return 1;
    }
    return 0;
}
