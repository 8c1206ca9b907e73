// The OSP participant screen on a centre with a million enrolment rows in one school year:
//  - the whole fetch, from pressing "&Ophalen" to the charts drawn, on SQLite (best of 5);
//  - the counting pass with its category tables and charts alone (FillCharts, no server; best of 10),
//    against one plain pass over the same columns of the same dataset (its floor; best of 10);
//  - the export of every grid and chart to one XLSX workbook (best of 3), and a sort of the class grid
//    by a number column and by a text column, as a click on its header does (best of 5);
//  - the same figures for all eight categories computed by the database itself with GROUP BY and
//    COUNT(DISTINCT), on SQLite and (when given) PostgreSQL.
//   bench/run-provider-bench.sh       (creates the databases, starts a throwaway PostgreSQL)
// or by hand: bench_participants SQLITE_FILE [POSTGRES_CONNECTION]
#include "telmod/participants/frmStatCursPerInst.h"
#include "telmod/participants/participantrows.h"

#include "benchtime.h"

#include "server/connection.h"
#include "server/providers.h"
#include "server/sqlbroker.h"

#include "host/data/errors.h"
#include "host/data/schoolyear.h"
#include "host/export/workbookwriter.h"
#include "host/forms/hostservices.h"
#include "host/forms/screenresults.h"
#include "host/forms/vornform.h"

#include <QAbstractItemView>
#include <QTemporaryDir>

#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QTextStream>
#include <algorithm>
#include <functional>
#include <sqlite3.h>
#include <thread>

using namespace vorn;

namespace {

constexpr int Institution = 5; // the largest centre of the demo data
// The period counted: one school year unless --from and --to say otherwise.
TDateTime Begin = EncodeDate(2024, 9, 1);
TDateTime End = EncodeDate(2025, 6, 30);

class BenchHost : public IHostServices {
public:
    TDateTime WerkDatum() const override { return Begin; }
    void PushStatus(const QString&) override {}
    void PopStatus() override {}
    void PushCursor(Qt::CursorShape) override {}
    void PopCursor() override {}
    int GetJobID() override { return 1; }
    QString CleanJob(int, int, const QVariant&) override { return {}; }
};

/// The screen as the host opens it from the centres' overview, with the centre and period chosen
/// through its results contract.
struct OpenScreen {
    explicit OpenScreen(server::SqlBroker& broker) : overview("CDSBrowseInstelling", &broker) {
        overview.SetProviderName("DSPBrowseOSPInstellingen");
        overview.Open();
        source.SetDataSet(&overview);
        StartScreen(screen, &source, nullptr);
        screen.resize(1000, 700);
        screen.show();
        TScreenRequest request;
        overview.LocateID(Institution, QStringLiteral("IS_ID"));
        request.institutionCode = overview.FieldByName(QStringLiteral("IS_CODE")).AsString();
        request.from = Begin;
        request.to = End;
        results().SetRequest(request);
    }
    IScreenResults& results() { return *screen.Results(); }
    /// The centre and period, with the comparison set (to nothing unless changed).
    TScreenRequest periodRequest() {
        TScreenRequest request;
        request.institutionCode = overview.FieldByName(QStringLiteral("IS_CODE")).AsString();
        request.from = Begin;
        request.to = End;
        request.setsComparison = true;
        return request;
    }
    /// A trend over `years` school years ending with the screen's period.
    void Trend(int years) {
        TScreenRequest request = periodRequest();
        request.trendYears = years;
        results().SetRequest(request);
    }
    /// Sets the figures against the same period a school year earlier, or against nothing.
    void CompareWithLastYear(bool compare) {
        TScreenRequest request = periodRequest();
        if (compare) {
            request.compareFrom = DateToDateTime(DateTimeToDate(Begin).addYears(-1));
            request.compareTo = DateToDateTime(DateTimeToDate(End).addYears(-1));
        }
        results().SetRequest(request);
    }
    void FetchAndDraw() {
        results().Fetch();
        screen.repaint();
        QApplication::processEvents();
    }
    TVornClientDataSet overview;
    TVornDatasource source;
    telmod::TStatCursistenPerInstellingForm screen;
};

/// One GROUP BY per category over the provider's rows: the figures the screen counts itself.
QStringList groupByStatements() {
    const QString rows = server::FindProvider("DSPOSPCursistStats")->sql;
    const QString figures = QStringLiteral(
        "COUNT(*), SUM(CASE WHEN CU_FINANCIERBAARHEID = '12' THEN 1 ELSE 0 END), "
        "SUM(CASE WHEN CU_FINANCIERBAARHEID = '12' THEN 0 ELSE 1 END), COUNT(DISTINCT LL_ID), "
        "COUNT(DISTINCT CASE WHEN LL_GESLACHT = 'M' THEN LL_ID END), "
        "SUM(CASE WHEN CU_AANVRAAGKREDIETUREN = '+' THEN 1 ELSE 0 END), "
        "COUNT(DISTINCT CASE WHEN (LL_FLAGS & 262144) <> 0 THEN LL_ID END), "
        "SUM(CASE WHEN CU_FINANCIERBAARHEID = '12' THEN CASE WHEN EE_LESTIJDEN = 0 THEN OE_DEFAULTLESTIJDEN "
        "ELSE EE_LESTIJDEN END ELSE 0 END)");
    const QStringList columns{"CU_ID",
                              "LL_ID",
                              "AG_ID",
                              "OE_ID",
                              "CU_FINANCIERBAARHEID",
                              "CU_FINANCIERBAARHEID_FKP",
                              "LL_GESLACHT",
                              "KH_ID",
                              "KL_ID",
                              "OO_ID",
                              "AG_STUDIEGEBIED_FKP",
                              "CU_OSPVRIJSTELLINGIG_FK",
                              "CU_AANVRAAGKREDIETUREN",
                              "LL_FLAGS",
                              "IU_ID",
                              "OI_ID",
                              "EE_LESTIJDEN",
                              "OE_DEFAULTLESTIJDEN",
                              "KL_VESTIGINGSPLAATS_FK",
                              "KL_MATRIXLESPLAATS"};
    QStringList statements;
    for (const QString key :
         {"KL_ID", "AG_ID", "OE_ID", "OO_ID", "AG_STUDIEGEBIED_FKP", "CU_OSPVRIJSTELLINGIG_FK",
          "KL_VESTIGINGSPLAATS_FK", "LOWER(KL_MATRIXLESPLAATS)"})
        statements << QStringLiteral("WITH s(%1) AS (%2) SELECT %3, %4 FROM s GROUP BY %3")
                          .arg(columns.join(", "), rows, key, figures);
    return statements;
}

TParams periodParams() {
    TParams params;
    params.CreateParam(TFieldType::Integer, "IS_ID").SetAsInteger(Institution);
    params.CreateParam(TFieldType::DateTime, "BeginDatum").SetAsDateTime(Begin);
    params.CreateParam(TFieldType::DateTime, "EindDatum").SetAsDateTime(End);
    return params;
}

/// The floor for the counting pass: one plain pass over the same rows, in the same order, reading
/// the same columns of the same dataset in place, adding every value up instead of counting per
/// category.
std::int64_t plainPass(telmod::TStatCursistenPerInstellingForm& screen) {
    TVornClientDataSet& rows = screen.CDSAllStats;
    rows.Sort(QStringLiteral("LL_ID;CU_ID"), {});
    std::vector<TIntegerColumnView> integers;
    for (const char* field :
         {"LL_ID", "EE_LESTIJDEN", "OE_DEFAULTLESTIJDEN", "LL_FLAGS", "KL_ID", "AG_ID", "OE_ID", "OO_ID",
          "AG_STUDIEGEBIED_FKP", "CU_OSPVRIJSTELLINGIG_FK", "KL_VESTIGINGSPLAATS_FK"})
        integers.push_back(telmod::IntegerView(rows, field));
    const auto fin = telmod::TextView(rows, "CU_FINANCIERBAARHEID");
    const auto sex = telmod::TextView(rows, "LL_GESLACHT");
    const auto creditHours = telmod::TextView(rows, "CU_AANVRAAGKREDIETUREN");
    const auto places = telmod::TextView(rows, "KL_MATRIXLESPLAATS");
    std::int64_t sum = 0;
    for (std::size_t i = 0; i < places.size(); ++i) {
        for (const auto& column : integers)
            sum += column[i];
        sum += (fin[i] == "12") + (sex[i] == "M") + (creditHours[i] == "+") +
               static_cast<std::int64_t>(places[i].size());
    }
    return sum;
}

/// The provider's statement with the period and centre written in, for raw readers of our own.
QString literalSql() {
    QString sql = server::FindProvider("DSPOSPCursistStats")->sql;
    sql.replace(QStringLiteral(":IS_ID"), QString::number(Institution));
    sql.replace(QStringLiteral(":BeginDatum"),
                QStringLiteral("'%1'").arg(DateTimeToQDateTime(Begin).date().toString(Qt::ISODate)));
    sql.replace(QStringLiteral(":EindDatum"),
                QStringLiteral("'%1'").arg(DateTimeToQDateTime(End).date().toString(Qt::ISODate)));
    return sql;
}

/// Steps through one half of the rows with the bare SQLite interface, reading every value as its
/// type, on a handle set up as the provider's half readers are.
std::int64_t rawHalf(const QString& file, const QString& sql, int half) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        throw EDatabaseError(QStringLiteral("kan %1 niet openen").arg(file));
    sqlite3_exec(db, "PRAGMA mmap_size = 0; PRAGMA cache_size = -8192", nullptr, nullptr, nullptr);
    const QByteArray halfSql =
        QStringLiteral("SELECT * FROM (%1) WHERE ((CU_ID >> 12) & 1) = %2").arg(sql).arg(half).toUtf8();
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, halfSql.constData(), -1, &statement, nullptr);
    std::int64_t touched = 0;
    while (sqlite3_step(statement) == SQLITE_ROW)
        for (int c = 0; c < sqlite3_column_count(statement); ++c)
            switch (sqlite3_column_type(statement, c)) {
            case SQLITE_INTEGER:
                touched += sqlite3_column_int64(statement, c);
                break;
            case SQLITE_TEXT:
                touched += sqlite3_column_bytes(statement, c);
                break;
            default:
                break;
            }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return touched;
}

/// The floor of a fetch: the statement's two halves stepped through at once by two bare readers.
std::int64_t rawTwoReaders(const QString& file, const QString& sql) {
    std::int64_t odd = 0;
    std::thread oddReader([&] { odd = rawHalf(file, sql, 1); });
    const std::int64_t even = rawHalf(file, sql, 0);
    oddReader.join();
    return even + odd;
}

/// One line of the table of run-scale-bench.sh: work, our time, what it is set against, its time
/// and the ratio.
void tableLine(QTextStream& out, const QString& work, double ours, const QString& peer, double theirs) {
    out << work << '\t' << QString::number(ours, 'f', 3) << '\t' << peer << '\t'
        << QString::number(theirs, 'f', 3) << '\t'
        << (2 * ours < theirs ? QStringLiteral("1/%1").arg(theirs / ours, 0, 'f', 0)
                              : QString::number(ours / theirs, 'f', 2))
        << '\n';
    out.flush();
}

double databaseGroupBy(server::Connection& connection, const QStringList& statements, const TParams& params) {
    return bestOf(1, [&] {
        for (const QString& statement : statements)
            connection.queryReadOnly(statement, params);
    });
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QStringList args = app.arguments().mid(1);
    const bool table = args.removeAll(QStringLiteral("--table")) > 0;
    const bool fetchOnly = args.removeAll(QStringLiteral("--fetch-only")) > 0;
    const bool printSql = args.removeAll(QStringLiteral("--sql")) > 0;
    const bool compare = args.removeAll(QStringLiteral("--compare")) > 0;
    int trendYears = 0;
    if (const qsizetype at = args.indexOf(QStringLiteral("--trend")); at >= 0 && at + 1 < args.size()) {
        trendYears = args[at + 1].toInt();
        args.remove(at, 2);
    }
    for (const auto& [option, date] :
         {std::pair{QStringLiteral("--from"), &Begin}, std::pair{QStringLiteral("--to"), &End}})
        if (const qsizetype at = args.indexOf(option); at >= 0 && at + 1 < args.size()) {
            *date = DateToDateTime(QDate::fromString(args[at + 1], Qt::ISODate));
            args.remove(at, 2);
        }
    if (printSql) { // the statement with the period written in, for a command-line client
        out << literalSql() << '\n';
        return 0;
    }
    if (args.isEmpty()) {
        out << "gebruik: bench_participants [--table] [--fetch-only] [--compare] [--trend N] [--sql] [--from "
               "JJJJ-MM-DD "
               "--to "
               "JJJJ-MM-DD] "
               "SQLITE_BESTAND [POSTGRESQL_VERBINDING]\n";
        return 2;
    }
    try {
        auto sqlite = server::OpenSqlite(args[0], false);
        server::SqlBroker broker(*sqlite);
        BenchHost host;
        SetDefaultProviderBroker(&broker);
        SetSchoolYearDirectory(&broker);
        SetHost(&host);
        SetErrorReporter([&out](const QString& message) { out << "fout: " << message << '\n'; });
        OpenScreen open(broker);
        if (fetchOnly) { // for the peak memory of one fetch with its counting pass
            open.FetchAndDraw();
            return 0;
        }
        if (compare) { // one period against the same period a school year earlier, in one run
            const double one = bestOf(3, [&] { open.FetchAndDraw(); });
            const int rows = open.screen.CDSAllStats.RecordCount();
            open.CompareWithLastYear(true);
            const double both = bestOf(3, [&] { open.FetchAndDraw(); });
            tableLine(out, QStringLiteral("vergelijken met vorig schooljaar, %1 rijen per periode").arg(rows),
                      both, QStringLiteral("één periode ophalen"), one);
            return 0;
        }
        if (trendYears > 0) { // the trend over the last school years against one period's fetch
            const double one = bestOf(3, [&] { open.FetchAndDraw(); });
            open.Trend(trendYears);
            const double trend = bestOf(3, [&] { open.FetchAndDraw(); });
            tableLine(out, QStringLiteral("verloop over %1 schooljaren").arg(trendYears), trend,
                      QStringLiteral("één periode ophalen"), one);
            return 0;
        }
        const double fetch = bestOf(5, [&] { open.FetchAndDraw(); });
        const int rows = open.screen.CDSAllStats.RecordCount();
        const double counting = bestOf(10, [&] {
            open.screen.ClearStats();
            open.screen.FillCharts();
        });
        const double pass = bestOf(10, [&] {
            open.screen.ClearStats();
            open.screen.CountEnrolments();
        });
        const double tables = bestOf(10, [&] { open.screen.FillDatasets(); });
        const double charts = bestOf(10, [&] { open.screen.DisplayCharts(); });
        std::int64_t checksum = 0;
        const double plain = bestOf(10, [&] { checksum += plainPass(open.screen); });
        if (table) {
            const QString sql = literalSql();
            std::int64_t touched = 0;
            const double floor = bestOf(5, [&] { touched += rawTwoReaders(args[0], sql); });
            tableLine(out, QStringLiteral("ophalen (Ophalen tot getekende grafieken), %1 rijen").arg(rows),
                      fetch, QStringLiteral("twee kale sqlite3_step-lezers"), floor);
            tableLine(out, QStringLiteral("telpas (CountEnrolments)"), pass,
                      QStringLiteral("gewone doorloop"), plain);
            tableLine(out, QStringLiteral("telpas + tabellen + grafieken (FillCharts)"), counting,
                      QStringLiteral("gewone doorloop"), plain);
            const double sqliteSql = databaseGroupBy(*sqlite, groupByStatements(), periodParams());
            tableLine(out, QStringLiteral("telpas (CountEnrolments)"), pass,
                      QStringLiteral("SQLite GROUP BY, 8 categorieën"), sqliteSql);
            return touched == 0 ? 1 : 0;
        }
        out << QStringLiteral("rijen: %1, klassen: %2\n").arg(rows).arg(open.screen.FKlasStats->Count());
        out << QStringLiteral("ophalen tot getekende grafieken (SQLite): %1 s\n").arg(fetch, 0, 'f', 3);
        out << QStringLiteral("FillCharts (telling, tabellen, grafieken): %1 s\n").arg(counting, 0, 'f', 3);
        out << QStringLiteral(
                   "  waarvan de telling zelf (CountEnrolments): %1 s, tabellen %2 s, grafieken %3 s\n")
                   .arg(pass, 0, 'f', 3)
                   .arg(tables, 0, 'f', 3)
                   .arg(charts, 0, 'f', 3);
        out << QStringLiteral(
                   "gewone doorloop van dezelfde kolommen (vloer): %1 s; telling %2x, FillCharts %3x "
                   "(controle %4)\n")
                   .arg(plain, 0, 'f', 3)
                   .arg(pass / plain, 0, 'f', 1)
                   .arg(counting / plain, 0, 'f', 1)
                   .arg(checksum % 1000);
        out.flush();

        QTemporaryDir folder;
        const double workbook = bestOf(
            3, [&] { WriteWorkbook(open.results(), folder.filePath(QStringLiteral("cursisten.xlsx"))); });
        out << QStringLiteral("XLSX van alle roosters en grafieken: %1 s\n").arg(workbook, 0, 'f', 3);
        const TResultTable classes = open.results().Tables().front();
        auto* grid = qobject_cast<QAbstractItemView*>(classes.view);
        int countColumn = 0;
        int codeColumn = 0;
        for (std::size_t c = 0; c < classes.columns.size(); ++c) {
            if (classes.columns[c].fieldName == QLatin1String("Count"))
                countColumn = static_cast<int>(c);
            if (classes.columns[c].fieldName == QLatin1String("Code"))
                codeColumn = static_cast<int>(c);
        }
        const double byNumber = bestOf(5, [&] { grid->model()->sort(countColumn, Qt::DescendingOrder); });
        const double byText = bestOf(5, [&] { grid->model()->sort(codeColumn, Qt::AscendingOrder); });
        out << QStringLiteral("sorteren van %1 klassen: op aantal %2 s, op code %3 s\n")
                   .arg(grid->model()->rowCount())
                   .arg(byNumber, 0, 'f', 3)
                   .arg(byText, 0, 'f', 3);
        out.flush();

        const double sqliteSql = databaseGroupBy(*sqlite, groupByStatements(), periodParams());
        out << QStringLiteral(
                   "SQLite GROUP BY/COUNT(DISTINCT), 8 categorieën: %1 s; verhouding tot FillCharts %2x\n")
                   .arg(sqliteSql, 0, 'f', 3)
                   .arg(sqliteSql / counting, 0, 'f', 1);
        out.flush();
        if (args.size() > 1) {
            auto postgres = server::OpenPostgres(args[1]);
            const double pgSql = databaseGroupBy(*postgres, groupByStatements(), periodParams());
            out << QStringLiteral("PostgreSQL GROUP BY/COUNT(DISTINCT), 8 categorieën: %1 s; verhouding tot "
                                  "FillCharts %2x\n")
                       .arg(pgSql, 0, 'f', 3)
                       .arg(pgSql / counting, 0, 'f', 1);
        }
        SetErrorReporter(nullptr);
        SetHost(nullptr);
        SetSchoolYearDirectory(nullptr);
        SetDefaultProviderBroker(nullptr);
    } catch (const EVornError& error) {
        out << "bench_participants: " << error.message() << '\n';
        return 1;
    }
    return 0;
}
