#include "demofixture.h"

#include "data/demo/demodata.h"
#include "server/schema.h"

#include "tests/common/qtprint.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

class VornExportTest : public ::testing::Test {
protected:
    void SetUp() override { database_ = vorn::testing::MakeDemoDatabase(dir_.filePath("demo.db")); }
    /// The client's environment for a new user on the test database.
    QProcessEnvironment Environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("VORN_DATABASE", database_);
        environment.insert("HOME", dir_.path());
        environment.insert("XDG_CONFIG_HOME", dir_.filePath("config"));
        return environment;
    }
    int Export(const QStringList& arguments, QString* errors = nullptr, const QString& database = {}) {
        QProcess process;
        QProcessEnvironment environment = Environment();
        if (!database.isEmpty())
            environment.insert("VORN_DATABASE", database);
        process.setProcessEnvironment(environment);
        process.start(VORN_BINARY,
                      QStringList{"export"} + arguments + QStringList{"--out", dir_.filePath("out")});
        process.waitForFinished(60000);
        if (errors != nullptr)
            *errors = QString::fromUtf8(process.readAllStandardError());
        return process.exitCode();
    }
    QStringList Lines(const QString& file) {
        QFile in(dir_.filePath("out/" + file));
        if (!in.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(in.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    QTemporaryDir dir_;
    QString database_;
};

} // namespace

TEST_F(VornExportTest, WritesEachGridAndChartOfThePupilScreen) {
    ASSERT_EQ(
        Export({"--screen", "TStatLLPerInstellingForm", "--institution", "SJCAA", "--date", "2025-12-01"}),
        0);
    const QStringList grid = Lines("grids/Per klas.csv");
    const QStringList bars = Lines("charts/Per klas.csv");
    ASSERT_GT(grid.size(), 10);
    EXPECT_EQ(grid.first(), "KL_CODE,KL_ID,KL_OMSCHRIJVING,THECOUNT");
    ASSERT_EQ(bars.size(), grid.size());
    EXPECT_EQ(bars.first(), "label,value");
    const QStringList firstRow = grid[1].split(',');
    EXPECT_EQ(bars[1], firstRow.first() + ',' + firstRow.last())
        << "the bar of a row is its code and its count";
    EXPECT_TRUE(QFile::exists(dir_.filePath("out/charts/Per klas.png")));
    EXPECT_FALSE(Lines("grids/Per Leerjaar-Graad.csv").isEmpty()) << "a '/' in a caption becomes '-'";
}

TEST_F(VornExportTest, TheCubeScreenWritesThePivotOfTheDefinitionsLayout) {
    QString errors;
    ASSERT_EQ(Export({"--screen", "TOLAPStatsForm", "--institution", "SJCAA", "--statistic", "llklas",
                      "--date", "2025-12-01"},
                     &errors),
              0)
        << errors.toStdString();
    const QStringList pivot = Lines("grids/LLKLAS.csv");
    ASSERT_GT(pivot.size(), 5);
    EXPECT_TRUE(pivot.first().startsWith("Graad,Klas,")) << pivot.first().toStdString();
    EXPECT_TRUE(pivot.first().endsWith("Eindtotaal / Leerlingen")) << pivot.first().toStdString();
    EXPECT_TRUE(pivot.last().startsWith("Eindtotaal,")) << pivot.last().toStdString();
    // The chart: a bar per class at the class's grand total in the grid.
    const QStringList bars = Lines("charts/Leerlingen.csv");
    ASSERT_EQ(bars.value(0), QStringLiteral("label,value"));
    EXPECT_EQ(bars.size(), pivot.filter(QRegularExpression("^\\d+,\\w")).size() + 1);
    for (const QString& bar : bars.mid(1)) {
        const QString row = bar.section(',', 0, 0).replace(QStringLiteral(" / "), QStringLiteral(","));
        const QStringList rows =
            pivot.filter(QRegularExpression('^' + QRegularExpression::escape(row) + ','));
        ASSERT_EQ(rows.size(), 1) << bar.toStdString();
        EXPECT_EQ(rows.first().section(',', -1), bar.section(',', -1)) << bar.toStdString();
    }
    EXPECT_EQ(Export({"--screen", "TOLAPStatsForm", "--institution", "SJCAA", "--statistic", "LLKLAS",
                      "--from", "2025-09-01", "--to", "2025-12-01"},
                     &errors),
              1)
        << "the cube screen counts over the work date's school year";
    EXPECT_EQ(Export({"--screen", "TOLAPStatsForm", "--institution", "SJCAA"}, &errors), 1);
    EXPECT_TRUE(errors.contains("Geen statistiek")) << errors.toStdString();
}

TEST_F(VornExportTest, TheCubeScreenGivesTheSamePivotsOnPostgresql) {
    const QString server = qEnvironmentVariable("VORN_TEST_PG");
    if (server.isEmpty()) {
        if (!qEnvironmentVariable("CI").isEmpty())
            FAIL() << "VORN_TEST_PG is not set: the test command must start PostgreSQL";
        GTEST_SKIP() << "no PostgreSQL test server (run ./test.sh)";
    }
    // The same demo data in a schema of its own on the PostgreSQL test server.
    const QString schema = QStringLiteral("vorn_kubus_%1").arg(QCoreApplication::applicationPid());
    auto admin = vorn::server::OpenPostgres(server);
    admin->executeScript(QStringLiteral("CREATE SCHEMA %1").arg(schema));
    const QString postgres = server + QStringLiteral(" options='-c search_path=%1'").arg(schema);
    {
        auto connection = vorn::server::OpenPostgres(postgres);
        vorn::server::CreateSchema(*connection);
        vorn::demo::GenerateDemoData(*connection, {5, 2023, 300});
    }
    const std::vector<std::pair<const char*, const char*>> statistics{
        {"SJCAA", "LLKLAS"},  {"SJCAA", "LLGRAAD"}, {"SJCAA", "KLASSJ"}, {"SJCAA", "PSUREN"},
        {"SJCAA", "PSLEEFT"}, {"CVOBR", "CURSSTG"}, {"VWOHA", "VWOMOD"}, {"SJCAA", "PARAMS"}};
    for (const auto& [institution, statistic] : statistics) {
        const QStringList request{"--screen",    "TOLAPStatsForm", "--institution", institution,
                                  "--statistic", statistic,        "--date",        "2025-12-01"};
        QString errors;
        ASSERT_EQ(Export(request, &errors), 0) << statistic << ": " << errors.toStdString();
        const QStringList onSqlite = Lines(QStringLiteral("grids/%1.csv").arg(statistic));
        ASSERT_EQ(Export(request, &errors, postgres), 0) << statistic << ": " << errors.toStdString();
        EXPECT_GT(onSqlite.size(), 1) << statistic;
        EXPECT_EQ(Lines(QStringLiteral("grids/%1.csv").arg(statistic)), onSqlite) << statistic;
    }
    admin->executeScript(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(schema));
}

TEST_F(VornExportTest, ThePopulationScreenTakesAGranularity) {
    ASSERT_EQ(Export({"--screen", "TStatsPSPopulatieForm", "--institution", "KAGNT", "--date", "2025-12-01",
                      "--scale", "10"}),
              0);
    for (const QString& line : Lines("charts/leeftijd.csv").mid(1))
        EXPECT_TRUE(line.section(' ', 0, 0).toInt() % 10 == 0) << line.toStdString();
    EXPECT_GT(Lines("grids/Ruwe data.csv").size(), 30);
}

TEST_F(VornExportTest, WrongRequestsExitWithAMessageNamingTheCause) {
    QString errors;
    EXPECT_EQ(Export({"--screen", "TGeenScherm", "--institution", "SJCAA", "--date", "2025-12-01"}, &errors),
              1);
    EXPECT_TRUE(errors.contains("TGeenScherm"));
    EXPECT_EQ(
        Export({"--screen", "TStatsPSUrenForm", "--institution", "XYZ", "--date", "2025-12-01"}, &errors), 1);
    EXPECT_TRUE(errors.contains("XYZ"));
    EXPECT_EQ(
        Export({"--screen", "TStatsPSUrenForm", "--institution", "SJCAA", "--date", "1 december"}, &errors),
        1);
    EXPECT_TRUE(errors.contains("--date"));
    EXPECT_EQ(
        Export({"--screen", "TStatLLPerInstellingForm", "--institution", "SJCAA", "--date", "2040-01-01"},
               &errors),
        1);
    EXPECT_TRUE(errors.contains("Kon de id van schooljaar 2039 niet bepalen"));
}

TEST_F(VornExportTest, AParticipantScreenExportsItsPeriodWithTheChosenFigure) {
    ASSERT_EQ(Export({"--screen", "TStatVWOCursistenPerInstellingForm", "--institution", "VWOHA", "--from",
                      "2024-09-01", "--to", "2025-06-30", "--figure", "3"}),
              0);
    const QStringList grid = Lines("grids/Per Klas.csv");
    ASSERT_GT(grid.size(), 2);
    EXPECT_EQ(grid.first(),
              "ID,Code,Omschrijving,LesurenCursist,Count,CountFin,CountNotFin,CountPersoon,CountMan,"
              "CountVrouw,CountC98");
    QMap<QString, QString> personsByClass;
    for (const QString& row : grid.mid(1))
        personsByClass[row.section(',', 2, 2)] = row.section(',', 7, 7);
    const QStringList bars = Lines("charts/Per Klas.csv");
    ASSERT_EQ(bars.size(), grid.size());
    for (const QString& bar : bars.mid(1))
        EXPECT_EQ(bar.section(',', 1), personsByClass.value(bar.section(',', 0, 0))) << "figure 3: persons";
    EXPECT_TRUE(QFile::exists(dir_.filePath("out/charts/Per Ingerichte Modulevariant.png")));
    ASSERT_EQ(Lines("totals.txt").size(), 1);
    EXPECT_TRUE(Lines("totals.txt").first().startsWith("Totalen :    Lesuren cursist: "));

    QString errors;
    EXPECT_EQ(Export({"--screen", "TStatCursistenPerInstellingForm", "--institution", "SJCAA", "--from",
                      "2024-09-01", "--to", "2025-06-30"},
                     &errors),
              1);
    EXPECT_TRUE(errors.contains("SJCAA")) << "not an adult-education centre";
    EXPECT_EQ(Export({"--screen", "TStatCursistenPerInstellingForm", "--institution", "CVOBR", "--from",
                      "2025-06-30", "--to", "2024-09-01"},
                     &errors),
              1);
    EXPECT_TRUE(errors.contains("--from"));
    EXPECT_EQ(Export({"--screen", "TStatCursistenPerInstellingForm", "--institution", "CVOBR", "--from",
                      "2024-09-01", "--to", "2025-06-30", "--figure", "9"},
                     &errors),
              1);
    EXPECT_TRUE(errors.contains("--figure"));
}

namespace {

/// Runs the client with these arguments on the test database; answers the exit status.
int RunVorn(const QString& database, const QString& home, const QStringList& arguments, QString* out,
            QString* errors) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VORN_DATABASE", database);
    environment.insert("HOME", home);
    environment.insert("XDG_CONFIG_HOME", home + "/config");
    process.setProcessEnvironment(environment);
    process.start(VORN_BINARY, arguments);
    process.waitForFinished(60000);
    *out = QString::fromUtf8(process.readAllStandardOutput());
    *errors = QString::fromUtf8(process.readAllStandardError());
    return process.exitCode();
}

} // namespace

TEST_F(VornExportTest, TheCommandLineSaysWhatIsWrong) {
    QString out, errors;
    const QString folder = dir_.filePath("cli");
    const QStringList participants{
        "--screen", "TStatCursistenPerInstellingForm", "--institution", "CVOBR", "--out", folder};
    EXPECT_EQ(RunVorn(database_, dir_.path(), QStringList{"export", "--from", "2024-09-01"} + participants,
                      &out, &errors),
              1);
    EXPECT_TRUE(errors.contains("--from en --to")) << errors.toStdString();
    EXPECT_EQ(RunVorn(database_, dir_.path(), QStringList{"export", "--to", "2024-09-01"} + participants,
                      &out, &errors),
              1);
    EXPECT_EQ(RunVorn(database_, dir_.path(),
                      {"export", "--screen", "TStatsPSPopulatieForm", "--institution", "SJCAA", "--date",
                       "2025-12-01", "--scale", "0", "--out", folder},
                      &out, &errors),
              1);
    EXPECT_TRUE(errors.contains("--scale")) << errors.toStdString();
    EXPECT_EQ(RunVorn(database_, dir_.path(),
                      {"--screenshot", dir_.filePath("x.png"), "--open", "TBogusForm"}, &out, &errors),
              1);
    EXPECT_TRUE(errors.contains("TBogusForm")) << errors.toStdString();
    EXPECT_EQ(RunVorn(database_, dir_.path(), {"--help"}, &out, &errors), 0);
    EXPECT_TRUE(out.contains("Gebruik:")) << out.toStdString();
    EXPECT_EQ(RunVorn(database_, dir_.path(),
                      QStringList{"export", "--format", "pdf", "--from", "2024-09-01", "--to", "2025-06-30"} +
                          participants,
                      &out, &errors),
              1);
    EXPECT_TRUE(errors.contains("--format")) << errors.toStdString();
    // Options before the verb work as well as after it, and the workbook holds numbers as numbers.
    ASSERT_EQ(RunVorn(database_, dir_.path(),
                      QStringList{"--database", database_, "export", "--format", "xlsx", "--from",
                                  "2024-09-01", "--to", "2025-06-30"} +
                          participants,
                      &out, &errors),
              0)
        << errors.toStdString();
    QProcess unzip;
    unzip.start("unzip",
                {"-p", folder + "/Cursistenstatistieken per instelling.xlsx", "xl/worksheets/sheet1.xml"});
    unzip.waitForFinished();
    const QString sheet = QString::fromUtf8(unzip.readAllStandardOutput());
    // What the sheet shows comes first, then the frozen header row and the figures under it.
    EXPECT_TRUE(sheet.contains("<t>Scherm: Cursistenstatistieken per instelling</t>"));
    EXPECT_TRUE(sheet.contains("<t>Periode: 01/09/2024 tot en met 30/06/2025 (schooljaar 2024-2025)</t>"));
    const QRegularExpressionMatch frozen = QRegularExpression(R"re(<pane ySplit="(\d+)")re").match(sheet);
    ASSERT_TRUE(frozen.hasMatch()) << "the header row is frozen";
    const QString firstFigure = QStringLiteral("D%1").arg(frozen.captured(1).toInt() + 1);
    EXPECT_TRUE(sheet.contains(QStringLiteral("<c r=\"%1\" s=\"0\"><v>").arg(firstFigure)) ||
                sheet.contains(QStringLiteral("<c r=\"%1\"><v>").arg(firstFigure)))
        << "a figure is a number, not a text: " << sheet.left(3000).toStdString();
}

TEST_F(VornExportTest, StandardOutputThatCannotBeWrittenIsAFailure) {
    QProcess process;
    process.setStandardOutputFile("/dev/full");
    process.start(VORN_BINARY, {"--list-forms"});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(process.readAllStandardError()).contains("niet volledig"));
}

TEST_F(VornExportTest, AFullDiskIsAFailureWithAMessageAndNoCutFiles) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's own files do not fit under the size limit";
#else
    // Files may grow to 4 KB only: the grids fit, the chart pictures and the workbook do not.
    QProcess process;
    process.setProcessEnvironment(Environment());
    process.setChildProcessModifier([] {
        signal(SIGXFSZ, SIG_IGN); // a write beyond the limit fails instead of ending the process
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
    });
    const QString out = dir_.filePath("vol");
    process.start(VORN_BINARY,
                  {"export", "--screen", "TStatCursistenPerInstellingForm", "--institution", "CVOBR",
                   "--from", "2024-09-01", "--to", "2025-06-30", "--format", "all", "--out", out});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 1);
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    EXPECT_TRUE(errors.contains("niet schrijven")) << errors.toStdString();
    EXPECT_FALSE(QString::fromUtf8(process.readAllStandardOutput()).contains("Uitgevoerd"));
    QDirIterator files(out, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QFileInfo file(files.next());
        EXPECT_FALSE(file.fileName().startsWith('.'))
            << "a temporary file stayed: " << file.fileName().toStdString();
        if (file.suffix() == "png") {
            QFile picture(file.filePath());
            ASSERT_TRUE(picture.open(QIODevice::ReadOnly));
            EXPECT_TRUE(picture.readAll().endsWith(QByteArray("IEND\xae\x42\x60\x82", 8)))
                << "a cut picture: " << file.fileName().toStdString();
        }
    }
#endif
}

TEST_F(VornExportTest, ADatabaseOfTheFirstSchemaIsUpgradedOnStartAndTheOldOneKept) {
    const QString old = dir_.filePath("oud.db");
    {
        QFile fixture(VORN_TEST_DATA "/server/fixture-v1.sql");
        ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
        auto connection = vorn::server::OpenSqlite(old, true);
        connection->executeScript(vorn::server::FillSchemaWords(QString::fromUtf8(fixture.readAll()),
                                                                vorn::server::Dialect::SQLite));
    }
    QString errors;
    ASSERT_EQ(Export({"--screen", "TStatLLPerInstellingForm", "--institution", "SJC", "--date", "2024-10-01"},
                     &errors, old),
              0)
        << errors.toStdString();
    EXPECT_TRUE(errors.contains("bijgewerkt van schemaversie 1 naar")) << errors.toStdString();
    EXPECT_TRUE(QFileInfo::exists(old + ".bak-1"));
    EXPECT_GT(Lines("grids/Per klas.csv").size(), 1) << "the fixture's classes are counted after the upgrade";

    // A second start finds it current and says nothing of an upgrade.
    ASSERT_EQ(Export({"--screen", "TStatLLPerInstellingForm", "--institution", "SJC", "--date", "2024-10-01"},
                     &errors, old),
              0);
    EXPECT_FALSE(errors.contains("bijgewerkt")) << errors.toStdString();
}

TEST_F(VornExportTest, ADatabaseOfANewerProgramIsRefusedAndLeftAsItWas) {
    vorn::server::OpenSqlite(database_, false)
        ->executeScript("UPDATE VORN_STATUS SET VS_WAARDE = '99' WHERE VS_NAAM = 'schemaversie'");
    QFile file(database_);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    QString errors;
    EXPECT_EQ(
        Export({"--screen", "TStatLLPerInstellingForm", "--institution", "KAGNT", "--date", "2024-10-01"},
               &errors),
        1);
    EXPECT_TRUE(errors.contains("nieuwere versie van Vorn")) << errors.toStdString();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}
