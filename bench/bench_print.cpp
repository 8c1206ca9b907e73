// Printing the class report of the largest centre (about 25,000 classes over a million enrolment
// rows), after the screen has fetched:
//  - writing the job rows (the screen's SavePrintStats: one apply of every row) and removing them;
//  - reading the report and laying it out, then writing the PDF;
//  - the print preview: from opening ours until its first page is shown, then turning to the last
//    page, against Qt's preview, which draws every page before it shows one;
// on SQLite and (when given) PostgreSQL for the job rows. Best of 3 each.
//   bench/run-provider-bench.sh    (creates the databases, starts a throwaway PostgreSQL)
// or by hand: bench_print SQLITE_FILE [POSTGRES_CONNECTION]
#include "telmod/participants/frmStatCursPerInst.h"

#include "benchtime.h"

#include "server/connection.h"
#include "server/sqlbroker.h"

#include "host/data/errors.h"
#include "host/data/schoolyear.h"
#include "host/forms/hostservices.h"
#include "host/forms/screenresults.h"
#include "host/reports/reportlayout.h"
#include "host/reports/reportpreview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

using namespace vorn;

namespace {

constexpr int Institution = 5; // the largest centre of the demo data
const TDateTime Begin = EncodeDate(2024, 9, 1);
const TDateTime End = EncodeDate(2025, 6, 30);

class BenchHost : public IHostServices {
public:
    explicit BenchHost(server::SqlBroker& broker) : broker_(broker) {}
    TDateTime WerkDatum() const override { return Begin; }
    void PushStatus(const QString&) override {}
    void PopStatus() override {}
    void PushCursor(Qt::CursorShape) override {}
    void PopCursor() override {}
    int GetJobID() override { return broker_.newJobId(); }
    QString CleanJob(int kind, int job, const QVariant& extra) override {
        return broker_.cleanJob(kind, job, extra);
    }

private:
    server::SqlBroker& broker_;
};

/// The host and the server installed for the screens while it lives.
struct Served {
    explicit Served(server::SqlBroker& broker) : host(broker) {
        SetHost(&host);
        SetDefaultProviderBroker(&broker);
        SetSchoolYearDirectory(&broker);
    }
    ~Served() {
        SetSchoolYearDirectory(nullptr);
        SetDefaultProviderBroker(nullptr);
        SetHost(nullptr);
    }
    Served(const Served&) = delete;
    Served& operator=(const Served&) = delete;
    BenchHost host;
};

/// The OSP screen, fetched for the largest centre over one school year.
struct FetchedScreen {
    explicit FetchedScreen(server::SqlBroker& broker) : overview("CDSBrowseInstelling", &broker) {
        overview.SetProviderName("DSPBrowseOSPInstellingen");
        overview.Open();
        source.SetDataSet(&overview);
        StartScreen(screen, &source, nullptr);
        TScreenRequest request;
        overview.LocateID(Institution, QStringLiteral("IS_ID"));
        request.institutionCode = overview.FieldByName(QStringLiteral("IS_CODE")).AsString();
        request.from = Begin;
        request.to = End;
        screen.Results()->SetRequest(request);
        screen.Results()->Fetch();
    }
    TVornClientDataSet overview;
    TVornDatasource source;
    telmod::TStatCursistenPerInstellingForm screen;
};

const QStringList JobColumns{"J_JOBID",    "J_JOBTYPE",  "J_TYPERECORD", "J_INTEGER1",   "J_INTEGER2",
                             "J_INTEGER3", "J_INTEGER4", "J_INTEGER5",   "J_INTEGER6",   "J_INTEGER7",
                             "J_INTEGER8", "J_INTEGER9", "J_INTEGER10",  "J_SHORTTEXT1", "J_LONGTEXT1"};

/// The rows of a job as the database holds them, as values to insert again.
std::vector<server::BindList> StoredJobRows(server::Connection& connection, int job) {
    std::vector<FieldDef> fields;
    for (const QString& column : JobColumns)
        fields.push_back(column.startsWith("J_INTEGER") || !column.contains("TEXT")
                             ? FieldDef::largeint(column)
                             : FieldDef::wideString(column, 80));
    TParams params;
    params.CreateParam(TFieldType::Integer, QStringLiteral("JobID")).SetAsInteger(job);
    const Table table =
        connection.query(QStringLiteral("SELECT %1 FROM JOBDATA WHERE J_JOBID = :JobID ORDER BY J_ID")
                             .arg(JobColumns.join(u',')),
                         params, fields);
    std::vector<server::BindList> rows(table.rowCount());
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < fields.size(); ++c) {
            const Column& column = table.columns[c];
            if (column.isNull(r))
                rows[r].push_back({});
            else if (fields[c].type == TFieldType::Largeint)
                rows[r].push_back({server::BindValue::Kind::Integer, column.intAt(r), {}});
            else
                rows[r].push_back({server::BindValue::Kind::Text, 0, std::string(column.bytesAt(r))});
        }
    return rows;
}

/// The floor: the same rows by the database's fastest way in, in one transaction, committed as the
/// job rows are (SQLite: one prepared INSERT stepped per row; PostgreSQL: COPY FROM STDIN); the
/// rows are removed again after each run, outside the time.
double BulkInsertFloor(server::Connection& connection, const std::vector<server::BindList>& rows) {
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        connection.begin();
        connection.insertRows(QStringLiteral("JOBDATA"), JobColumns, rows);
        connection.commit();
        best = std::min(best, static_cast<double>(timer.nsecsElapsed()) / 1e9);
        connection.execute(QStringLiteral("DELETE FROM JOBDATA WHERE J_JOBID = :P1"), {rows.front().front()});
    }
    return best;
}

/// Writing and removing the job rows of the class list on one database, against the floor.
void JobRows(const QString& name, server::Connection& connection, server::SqlBroker& broker,
             QTextStream& out) {
    const Served served(broker);
    FetchedScreen fetched(broker);
    telmod::TStatCursistenPerInstellingForm& screen = fetched.screen;
    const int classes = screen.FKlasStats->Count();
    const double write = bestOf(3, [&] {
        screen.SavePrintStats(*screen.FKlasStats);
        screen.CleanJob(241, screen.FJobID, QVariant());
    });
    screen.SavePrintStats(*screen.FKlasStats);
    const std::vector<server::BindList> stored = StoredJobRows(connection, screen.FJobID);
    const double clean = bestOf(1, [&] { screen.CleanJob(241, screen.FJobID, QVariant()); });
    const double floor = BulkInsertFloor(connection, stored);
    out << QStringLiteral("%1: %2 job rows written in %3 s (and removed in %4 s); the same rows by %5: %6 s; "
                          "ratio %7\n")
               .arg(name)
               .arg(classes)
               .arg(write - clean, 0, 'f', 3)
               .arg(clean, 0, 'f', 3)
               .arg(connection.dialect() == server::Dialect::SQLite ? QStringLiteral("one prepared INSERT")
                                                                    : QStringLiteral("COPY"))
               .arg(floor, 0, 'f', 3)
               .arg((write - clean) / floor, 0, 'f', 2);
    out.flush();
}

/// The report read from the job table, laid out, written as PDF, and shown in the preview.
void Report(server::SqlBroker& broker, QTextStream& out) {
    const Served served(broker);
    FetchedScreen fetched(broker);
    telmod::TStatCursistenPerInstellingForm& screen = fetched.screen;
    screen.SavePrintStats(*screen.FKlasStats);
    QStringList params;
    screen.OnGetPrintParams(&screen, "Statistiek per klas", params);
    const TReportFile file = LoadReportFile(FindReportFile("ospstatklas.arf"));
    TReportData data;
    const double read = bestOf(3, [&] { data = ReadReportData(file, params, QDateTime::currentDateTime()); });
    int pages = 0;
    const double layOut =
        bestOf(3, [&] { pages = TReportDocument(file, data, file.page.ToLayout()).PageCount(); });
    QTemporaryDir dir;
    const double pdf = bestOf(3, [&] {
        WriteReportPdf(TReportDocument(file, data, file.page.ToLayout()), dir.filePath("klas.pdf"));
    });
    // Qt's own preview records every page before it shows the first: the peer of ours.
    const double qtPreview = bestOf(3, [&] {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageLayout(file.page.ToLayout());
        const TReportDocument document(file, data, file.page.ToLayout());
        QPrintPreviewDialog dialog(&printer);
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* target) {
            PaintReport(document, *target);
            QTimer::singleShot(0, &dialog, &QDialog::accept); // as soon as the pages are drawn
        });
        dialog.exec();
    });
    // Ours: opened and shown with its first page drawn; then the last page.
    double preview = 1e9;
    double lastPage = 1e9;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        TReportPreview dialog(file, data, nullptr);
        dialog.show();
        QCoreApplication::processEvents();
        preview = std::min(preview, static_cast<double>(timer.nsecsElapsed()) / 1e9);
        timer.restart();
        dialog.ShowPage(dialog.PageCount() - 1);
        lastPage = std::min(lastPage, static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
    screen.CleanJob(241, screen.FJobID, QVariant());
    out << QStringLiteral("class report: %1 rows on %2 pages; read %3 s, laid out %4 s, PDF %5 s (%6 KB), "
                          "preview with its first page %7 s (then the last page %8 s; Qt's preview with "
                          "every page %9 s)\n")
               .arg(data.sections.at(0).rowCount)
               .arg(pages)
               .arg(read, 0, 'f', 3)
               .arg(layOut, 0, 'f', 3)
               .arg(pdf, 0, 'f', 3)
               .arg(QFileInfo(dir.filePath("klas.pdf")).size() / 1024)
               .arg(preview, 0, 'f', 3)
               .arg(lastPage, 0, 'f', 3)
               .arg(qtPreview, 0, 'f', 3);
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        out << "gebruik: bench_print SQLITE_BESTAND [POSTGRESQL_VERBINDING]\n";
        return 2;
    }
    try {
        auto sqlite = server::OpenSqlite(args[0], false);
        server::SqlBroker sqliteBroker(*sqlite);
        JobRows("SQLite", *sqlite, sqliteBroker, out);
        if (args.size() > 1) {
            auto postgres = server::OpenPostgres(args[1]);
            server::SqlBroker postgresBroker(*postgres);
            JobRows("PostgreSQL", *postgres, postgresBroker, out);
        }
        Report(sqliteBroker, out);
    } catch (const EVornError& error) {
        out << "fout: " << error.message() << '\n';
        return 1;
    }
    return 0;
}
