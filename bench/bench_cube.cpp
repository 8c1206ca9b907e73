// The cube engine on two million enrolment rows with six dimensions (2, 3, 12, 40, 400 and 2,000
// members) and two measures (distinct pupils among ~300,000, and a sum of hours):
//  - building the cube from the rows of a client dataset and its first pivot (once, and best of 3);
//  - re-pivots as a viewer makes them (best of 5 each): moving a dimension, changing a filter,
//    sorting by a measure, collapsing a level;
//  - a pivot of some 240,000 row lines by 49 column lines, and random access to its cells;
//  - the first pivot's figures by SQLite's GROUP BY with COUNT(DISTINCT) over the same rows in one
//    in-memory table, and its ratio to the engine;
//  - the memory of the cube against the rows' own, and the peak resident memory.
//   build/bin/bench_cube           (or /usr/bin/time -v build/bin/bench_cube for the peak)
#include "benchtime.h"

#include "host/cube/pivotmodel.h"
#include "host/data/clientdataset.h"
#include "host/data/datetime.h"

#include <sqlite3.h>

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>

using namespace vorn;

namespace {

constexpr std::size_t Rows = 2'000'000;
constexpr int Pupils = 300'000;

/// One generated enrolment: its values as they go into the dataset and into SQLite.
struct TEnrolment {
    char sex;
    int grade;
    TDateTime begin;
    int subject;
    int postcode;
    int klas;
    int pupil;
    double hours;
};

TEnrolment RandomEnrolment(std::mt19937& random) {
    const TDateTime schoolYear = EncodeDate(2024, 9, 1);
    return {random() % 2 == 0 ? 'M' : 'V',
            static_cast<int>(random() % 3) + 1,
            schoolYear + static_cast<double>(random() % 365),
            static_cast<int>(random() % 40) + 1,
            1000 + 10 * static_cast<int>(random() % 400),
            static_cast<int>(random() % 2000) + 1,
            static_cast<int>(random() % Pupils) + 1,
            0.5 * static_cast<double>(random() % 80)};
}

QString SubjectCode(int subject) {
    return QStringLiteral("VAK%1").arg(subject, 2, 10, QLatin1Char('0'));
}

QString ClassCode(int klas) {
    return QStringLiteral("%1%2")
        .arg(klas % 6 + 1)
        .arg(QStringLiteral("K%1").arg(klas, 4, 10, QLatin1Char('0')));
}

/// A dataset whose rows are handed over once instead of fetched from a provider.
class TGeneratedDataSet : public TVornClientDataSet {
public:
    explicit TGeneratedDataSet(Table table) : table_(std::move(table)) { SetProviderName("Inschrijvingen"); }

protected:
    Table fetch() override { return std::move(table_); }

private:
    Table table_;
};

Table EnrolmentTable(const std::vector<TEnrolment>& enrolments) {
    Table table({FieldDef::fixedChar("GESLACHT", 1), FieldDef::integer("GRAAD"), FieldDef::date("BEGINDATUM"),
                 FieldDef::wideString("VAK", 10), FieldDef::integer("POSTCODE"),
                 FieldDef::wideString("KLAS", 10), FieldDef::integer("LL_ID"), FieldDef::floating("UREN")});
    for (Column& column : table.columns)
        column.reserve(enrolments.size());
    std::vector<std::string> subjects;
    for (int subject = 0; subject <= 40; ++subject)
        subjects.push_back(SubjectCode(subject).toStdString());
    std::vector<std::string> classes;
    for (int klas = 0; klas <= 2000; ++klas)
        classes.push_back(ClassCode(klas).toStdString());
    for (const TEnrolment& e : enrolments) {
        table.columns[0].appendBytes(std::string_view(&e.sex, 1));
        table.columns[1].appendInt(e.grade);
        table.columns[2].appendDouble(e.begin);
        table.columns[3].appendBytes(subjects[static_cast<std::size_t>(e.subject)]);
        table.columns[4].appendInt(e.postcode);
        table.columns[5].appendBytes(classes[static_cast<std::size_t>(e.klas)]);
        table.columns[6].appendInt(e.pupil);
        table.columns[7].appendDouble(e.hours);
    }
    return table;
}

/// What the rows take in the dataset's columns: 4 or 8 bytes a value, a text its bytes and a span.
std::size_t RowBytes(const TVornClientDataSet& dataSet) {
    std::size_t bytes = 0;
    for (const Column& column : dataSet.data().columns) {
        if (column.kind() == StorageKind::Int32)
            bytes += 4 * column.size();
        else if (column.kind() != StorageKind::Bytes)
            bytes += 8 * column.size();
        else
            for (std::size_t row = 0; row < column.size(); ++row)
                bytes += 8 + column.bytesAt(row).size();
    }
    return bytes;
}

TOLAPDefinition EnrolmentCube() {
    return ParseCubeDefinition(R"({"format": "vorn-cube", "version": 1,
        "dimensions": [{"field": "GESLACHT", "caption": "Geslacht"}, {"field": "GRAAD", "caption": "Graad"},
                       {"name": "MAAND", "field": "BEGINDATUM", "caption": "Maand", "group": "month"},
                       {"field": "VAK", "caption": "Vak"}, {"field": "POSTCODE", "caption": "Postcode"},
                       {"field": "KLAS", "caption": "Klas"}],
        "measures": [{"name": "Cursisten", "field": "LL_ID", "aggregate": "countDistinct"},
                     {"name": "Uren", "field": "UREN", "aggregate": "sum", "format": "#,##0.0"}],
        "layout": {"rows": ["KLAS"], "columns": ["GESLACHT"]}})");
}

enum Dimension { Geslacht, Graad, Maand, Vak, Postcode, Klas };

double ResidentPeakMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

double Seconds(const std::function<void()>& action) {
    QElapsedTimer timer;
    timer.start();
    action();
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

/// The best of five times of going from one layout to another (the first set untimed each run).
double RepivotSeconds(TPivot& pivot, const TPivotLayout& from, const TPivotLayout& to) {
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        pivot.SetLayout(from);
        best = std::min(best, Seconds([&] { pivot.SetLayout(to); }));
    }
    return best;
}

// ------------------------------------------------------------------ SQLite

void Check(int result, sqlite3* database) {
    if (result != SQLITE_OK && result != SQLITE_DONE && result != SQLITE_ROW)
        throw std::runtime_error(sqlite3_errmsg(database));
}

sqlite3* SqliteWith(const std::vector<TEnrolment>& enrolments) {
    sqlite3* database = nullptr;
    Check(sqlite3_open(":memory:", &database), database);
    Check(sqlite3_exec(
              database,
              "CREATE TABLE T (GESLACHT TEXT, GRAAD INTEGER, BEGINDATUM REAL, VAK TEXT, POSTCODE INTEGER, "
              "KLAS TEXT, LL_ID INTEGER, UREN REAL); BEGIN",
              nullptr, nullptr, nullptr),
          database);
    sqlite3_stmt* insert = nullptr;
    Check(sqlite3_prepare_v2(database, "INSERT INTO T VALUES (?, ?, ?, ?, ?, ?, ?, ?)", -1, &insert, nullptr),
          database);
    for (const TEnrolment& e : enrolments) {
        const std::string subject = SubjectCode(e.subject).toStdString();
        const std::string klas = ClassCode(e.klas).toStdString();
        sqlite3_bind_text(insert, 1, &e.sex, 1, SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 2, e.grade);
        sqlite3_bind_double(insert, 3, e.begin);
        sqlite3_bind_text(insert, 4, subject.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 5, e.postcode);
        sqlite3_bind_text(insert, 6, klas.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 7, e.pupil);
        sqlite3_bind_double(insert, 8, e.hours);
        Check(sqlite3_step(insert), database);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    Check(sqlite3_exec(database, "COMMIT", nullptr, nullptr, nullptr), database);
    return database;
}

/// Runs the statements and reads every row they give; answers the number of rows.
int RunAll(sqlite3* database, const std::vector<const char*>& statements) {
    int rows = 0;
    for (const char* sql : statements) {
        sqlite3_stmt* statement = nullptr;
        Check(sqlite3_prepare_v2(database, sql, -1, &statement, nullptr), database);
        while (sqlite3_step(statement) == SQLITE_ROW)
            ++rows;
        sqlite3_finalize(statement);
    }
    return rows;
}

/// The cells, both subtotals and the grand total of class by sex, as GROUP BY computes them.
std::vector<const char*> ClassBySexStatements(bool filtered) {
    if (filtered)
        return {"SELECT KLAS, GESLACHT, COUNT(DISTINCT LL_ID), SUM(UREN) FROM T WHERE GRAAD IN (1, 2) GROUP "
                "BY KLAS, "
                "GESLACHT",
                "SELECT KLAS, COUNT(DISTINCT LL_ID), SUM(UREN) FROM T WHERE GRAAD IN (1, 2) GROUP BY KLAS",
                "SELECT GESLACHT, COUNT(DISTINCT LL_ID), SUM(UREN) FROM T WHERE GRAAD IN (1, 2) GROUP BY "
                "GESLACHT",
                "SELECT COUNT(DISTINCT LL_ID), SUM(UREN) FROM T WHERE GRAAD IN (1, 2)"};
    return {"SELECT KLAS, GESLACHT, COUNT(DISTINCT LL_ID), SUM(UREN) FROM T GROUP BY KLAS, GESLACHT",
            "SELECT KLAS, COUNT(DISTINCT LL_ID), SUM(UREN) FROM T GROUP BY KLAS",
            "SELECT GESLACHT, COUNT(DISTINCT LL_ID), SUM(UREN) FROM T GROUP BY GESLACHT",
            "SELECT COUNT(DISTINCT LL_ID), SUM(UREN) FROM T"};
}

// ------------------------------------------------------------------ the runs

void ReportRepivots(TPivot& pivot, const TPivotLayout& first) {
    TPivotLayout moved = first;
    moved.columns.dimensions.push_back(Maand);
    TPivotLayout nested = first;
    nested.rows.dimensions = {Graad, Klas};
    TPivotLayout filtered = first;
    filtered.filters[Graad] = {0, 1};
    TPivotLayout sorted = nested;
    sorted.rows.sortBy = TSortBy::Measure;
    sorted.rows.sortMeasure = 0;
    sorted.rows.descending = true;
    TPivotLayout collapsed = nested;
    SetLevelCollapsed(collapsed.rows, 1, true);
    TPivotLayout other = first;
    other.rows.dimensions = {Vak, Postcode};
    other.columns.dimensions = {Maand};
    const double movedSeconds = RepivotSeconds(pivot, first, moved);
    const double nestedSeconds = RepivotSeconds(pivot, first, nested);
    const double filteredSeconds = RepivotSeconds(pivot, first, filtered);
    const double sortedSeconds = RepivotSeconds(pivot, nested, sorted);
    const double collapsedSeconds = RepivotSeconds(pivot, nested, collapsed);
    const double otherSeconds = RepivotSeconds(pivot, first, other);
    std::printf("re-pivots (best of 5):\n");
    std::printf("  month added to the columns         %7.1f ms\n", 1e3 * movedSeconds);
    std::printf("  grade put before class on the rows %7.1f ms\n", 1e3 * nestedSeconds);
    std::printf("  filter on grade 1 and 2            %7.1f ms\n", 1e3 * filteredSeconds);
    std::printf("  rows sorted by distinct pupils     %7.1f ms\n", 1e3 * sortedSeconds);
    std::printf("  grades collapsed                   %7.1f ms\n", 1e3 * collapsedSeconds);
    std::printf("  subject, postcode by month         %7.1f ms (%d x %d lines)\n", 1e3 * otherSeconds,
                pivot.LineCount(TPivotAxis::Rows), pivot.LineCount(TPivotAxis::Columns));
}

void ReportLargePivot(const std::shared_ptr<const TCube>& cube, const TPivotLayout& first) {
    TPivotLayout large = first;
    large.rows.dimensions = {Klas, Vak, Geslacht};
    large.columns.dimensions = {Maand, Graad};
    TPivot pivot(cube, first);
    const double seconds = Seconds([&] { pivot.SetLayout(large); });
    const int rows = pivot.LineCount(TPivotAxis::Rows);
    const int columns = pivot.LineCount(TPivotAxis::Columns);
    std::printf("large pivot: %d row lines x %d column lines in %.0f ms, %.0f MB\n", rows, columns,
                1e3 * seconds, static_cast<double>(pivot.MemoryBytes()) / 1e6);
    std::mt19937 random(7);
    int filled = 0;
    const double values = Seconds([&] {
        for (int i = 0; i < 1'000'000; ++i)
            filled += pivot.Value(static_cast<int>(random() % static_cast<unsigned>(rows)),
                                  static_cast<int>(random() % static_cast<unsigned>(columns)), 0)
                          ? 1
                          : 0;
    });
    std::size_t characters = 0;
    const double texts = Seconds([&] {
        for (int i = 0; i < 100'000; ++i)
            characters += static_cast<std::size_t>(
                pivot
                    .Text(static_cast<int>(random() % static_cast<unsigned>(rows)),
                          static_cast<int>(random() % static_cast<unsigned>(columns)), 1)
                    .size());
    });
    double modelSeconds = 0;
    const double spans = Seconds([&] {
        TPivotTableModel model(pivot);
        modelSeconds =
            Seconds([&] { model.data(model.index(model.rowCount() / 2, model.columnCount() / 2)); });
    });
    std::printf(
        "  1,000,000 random cell values %.0f ms (%d filled), 100,000 cell texts %.0f ms (%zu characters),\n"
        "  its table model (spans of every heading) %.0f ms\n",
        1e3 * values, filled, 1e3 * texts, characters, 1e3 * (spans - modelSeconds));
}

void ReportSqlite(const std::vector<TEnrolment>& enrolments, TPivot& pivot, const TPivotLayout& first) {
    sqlite3* database = SqliteWith(enrolments);
    TPivotLayout filtered = first;
    filtered.filters[Graad] = {0, 1};
    TPivotLayout away = first;
    away.rows.dimensions = {Vak};
    for (const bool filter : {false, true}) {
        int rows = 0;
        const double sqlite = bestOf(3, [&] { rows = RunAll(database, ClassBySexStatements(filter)); });
        const double engine = RepivotSeconds(pivot, away, filter ? filtered : first);
        std::printf("class by sex%s: SQLite GROUP BY %.0f ms (%d rows), engine %.1f ms: %.0f times faster\n",
                    filter ? ", grades 1 and 2" : "", 1e3 * sqlite, rows, 1e3 * engine, sqlite / engine);
    }
    sqlite3_close(database);
}

} // namespace

int main() {
    std::mt19937 random(2024);
    std::vector<TEnrolment> enrolments;
    enrolments.reserve(Rows);
    for (std::size_t i = 0; i < Rows; ++i)
        enrolments.push_back(RandomEnrolment(random));
    TGeneratedDataSet dataSet(EnrolmentTable(enrolments));
    dataSet.Open();
    const TOLAPDefinition definition = EnrolmentCube();
    std::shared_ptr<const TCube> cube;
    std::unique_ptr<TPivot> pivot;
    const double build = Seconds([&] { cube = TCube::Build(definition, dataSet); });
    const double first = Seconds([&] { pivot = std::make_unique<TPivot>(cube); });
    std::printf("%zu rows; build %.0f ms + first pivot %.0f ms = %.0f ms (%d x %d lines)\n", cube->RowCount(),
                1e3 * build, 1e3 * first, 1e3 * (build + first), pivot->LineCount(TPivotAxis::Rows),
                pivot->LineCount(TPivotAxis::Columns));
    const double bestBuild = bestOf(3, [&] { const TPivot built(TCube::Build(definition, dataSet)); });
    std::printf("build + first pivot, best of 3: %.0f ms\n", 1e3 * bestBuild);
    const std::size_t rowBytes = RowBytes(dataSet);
    std::printf("memory: rows %.0f MB, cube %.0f MB (%.2f of the rows), first pivot %.0f MB\n",
                static_cast<double>(rowBytes) / 1e6, static_cast<double>(cube->MemoryBytes()) / 1e6,
                static_cast<double>(cube->MemoryBytes()) / static_cast<double>(rowBytes),
                static_cast<double>(pivot->MemoryBytes()) / 1e6);
    const TPivotLayout firstLayout = pivot->Layout();
    ReportRepivots(*pivot, firstLayout);
    ReportLargePivot(cube, firstLayout);
    ReportSqlite(enrolments, *pivot, firstLayout);
    std::printf("peak resident memory %.0f MB\n", ResidentPeakMegabytes());
    return 0;
}
