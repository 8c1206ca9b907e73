// A stored cube statistic read through the read-only statement path, as the cube screen reads the
// rows it builds its cube from: the time and the growth of resident memory at its peak, set against
// the bytes of the typed columns it answers, and against the same statement read with its fields
// given beforehand (the typed fetch, the floor of both). Each is best of 3, after one warm-up read
// that fills SQLite's page cache.
//   build/bin/bench_statement SQLITE_FILE [STATISTIC_CODE] [FROM TO]
// (by default CURSSTG of the largest centre over 2024-09-01 to 2025-06-30)
#include "benchtime.h"

#include "server/connection.h"

#include "host/data/datetime.h"
#include "host/data/errors.h"

#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QTextStream>
#include <algorithm>
#include <cstring>
#include <functional>

using namespace vorn;

namespace {

constexpr int Institution = 5; // the largest centre of the demo data

/// A line of /proc/self/status in MB (VmRSS now, VmHWM the peak since the last reset).
double StatusMegabytes(const char* key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(static_cast<qsizetype>(std::strlen(key)))
                       .trimmed()
                       .split(' ')
                       .value(0)
                       .toDouble() /
                   1024.0;
    return 0;
}

/// Starts a new peak: the kernel sets VmHWM back to the memory resident now.
void ResetPeak() {
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

std::size_t TableBytes(const Table& table) {
    std::size_t bytes = 0;
    for (const Column& column : table.columns)
        bytes += column.valueBytes();
    return bytes;
}

struct TRead {
    double seconds = 1e9;
    double peakGrowthMb = 0;
    std::size_t bytes = 0;
    std::size_t rows = 0;
    std::vector<FieldDef> fields;
};

/// Best of 3 of one way of reading; the peak is the largest growth over the runs.
TRead Measure(const std::function<Table()>& read) {
    TRead result;
    for (int run = 0; run < 3; ++run) {
        const double before = StatusMegabytes("VmRSS:");
        ResetPeak();
        Table table;
        result.seconds = std::min(result.seconds, bestOf(1, [&] { table = read(); }));
        result.peakGrowthMb = std::max(result.peakGrowthMb, StatusMegabytes("VmHWM:") - before);
        result.bytes = TableBytes(table);
        result.rows = table.rowCount();
        result.fields = table.fields;
    }
    return result;
}

QString StatementOf(server::Connection& connection, const QString& code) {
    const Table found = connection.query(
        QStringLiteral(
            "SELECT q.Q_SQL FROM OLAP l JOIN QUERY q ON q.Q_ID = l.L_QUERY_FK WHERE l.L_CODE = :CODE"),
        [&] {
            TParams params;
            params.CreateParam(TFieldType::WideString, QStringLiteral("CODE")).SetAsString(code);
            return params;
        }(),
        {FieldDef::memo(QStringLiteral("Q_SQL"))});
    if (found.rowCount() == 0)
        RaiseDatabaseError(QStringLiteral("Geen statistiek %s"), {code});
    const std::string_view text = found.columns[0].bytesAt(0);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

TParams StatementParams(server::Connection& connection, const QDate& from, const QDate& to) {
    TParams params;
    params.CreateParam(TFieldType::Integer, QStringLiteral("IS_ID")).SetAsInteger(Institution);
    params.CreateParam(TFieldType::Integer, QStringLiteral("SC_ID"))
        .SetAsInteger(static_cast<int>(
            connection
                .queryInteger(
                    QStringLiteral("SELECT IS_SCHOOL_FK FROM INSTELLING WHERE IS_ID = %1").arg(Institution))
                .value_or(0)));
    params.CreateParam(TFieldType::Date, QStringLiteral("BeginDatum")).SetAsDateTime(DateToDateTime(from));
    params.CreateParam(TFieldType::Date, QStringLiteral("EindDatum")).SetAsDateTime(DateToDateTime(to));
    params.CreateParam(TFieldType::Date, QStringLiteral("WerkDatum")).SetAsDateTime(DateToDateTime(from));
    return params;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        out << "gebruik: bench_statement SQLITE_BESTAND [STATISTIEK] [VAN TOT]\n";
        return 2;
    }
    const QString code = args.value(1, QStringLiteral("CURSSTG"));
    const QDate from = QDate::fromString(args.value(2, QStringLiteral("2024-09-01")), Qt::ISODate);
    const QDate to = QDate::fromString(args.value(3, QStringLiteral("2025-06-30")), Qt::ISODate);
    try {
        auto connection = server::OpenSqlite(args[0], false);
        server::ReadOnlyLimits unbounded;
        unbounded.timeoutSeconds = 0;
        unbounded.memoryMegabytes = 0;
        connection->setReadOnlyLimits(unbounded);
        const QString sql = StatementOf(*connection, code);
        const TParams params = StatementParams(*connection, from, to);
        connection->queryReadOnly(sql, params); // warm-up: the page cache
        const TRead untyped = Measure([&] { return connection->queryReadOnly(sql, params); });
        const TRead typed = Measure([&] { return connection->query(sql, params, untyped.fields); });
        const double megabytes = static_cast<double>(untyped.bytes) / (1024.0 * 1024.0);
        out << QStringLiteral("%1: %2 rijen van %3 kolommen, getypeerde kolommen %4 MB\n")
                   .arg(code)
                   .arg(untyped.rows)
                   .arg(untyped.fields.size())
                   .arg(megabytes, 0, 'f', 1);
        out << QStringLiteral("alleen-lezen pad: %1 s, piekgroei %2 MB (%3 x de kolommen)\n")
                   .arg(untyped.seconds, 0, 'f', 3)
                   .arg(untyped.peakGrowthMb, 0, 'f', 1)
                   .arg(untyped.peakGrowthMb / megabytes, 0, 'f', 2);
        out << QStringLiteral("met velden vooraf: %1 s, piekgroei %2 MB (%3 x de kolommen); tijd %4 x\n")
                   .arg(typed.seconds, 0, 'f', 3)
                   .arg(typed.peakGrowthMb, 0, 'f', 1)
                   .arg(typed.peakGrowthMb / megabytes, 0, 'f', 2)
                   .arg(untyped.seconds / typed.seconds, 0, 'f', 2);
    } catch (const EDatabaseError& error) {
        out << "fout: " << error.message() << '\n';
        return 1;
    }
    return 0;
}
