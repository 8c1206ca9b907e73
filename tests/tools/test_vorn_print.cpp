// `vorn print` as a new user runs it: a PDF of a screen's report, read back with pdftotext, and
// the wrong requests refused with a message and a non-zero exit, leaving no job rows behind.
#include "demofixture.h"

#include "data/demo/demodata.h"
#include "server/schema.h"

#include "tests/common/qtprint.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

class VornPrintTest : public ::testing::Test {
protected:
    void SetUp() override { database_ = vorn::testing::MakeDemoDatabase(dir_.filePath("demo.db")); }
    int Print(const QStringList& arguments, QString* errors = nullptr, const QString& sourceDate = {}) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (!sourceDate.isEmpty())
            environment.insert("SOURCE_DATE_EPOCH", sourceDate);
        environment.insert("VORN_DATABASE", database_);
        environment.insert("HOME", dir_.path());
        environment.insert("XDG_CONFIG_HOME", dir_.filePath("config"));
        process.setProcessEnvironment(environment);
        process.start(VORN_BINARY, QStringList{"print"} + arguments);
        process.waitForFinished(60000);
        if (errors != nullptr)
            *errors = QString::fromUtf8(process.readAllStandardError());
        return process.exitCode();
    }
    QString Text(const QString& pdf) {
        QProcess process;
        process.start("pdftotext", {"-layout", pdf, "-"});
        process.waitForFinished(60000);
        return QString::fromUtf8(process.readAllStandardOutput());
    }
    std::int64_t JobRows() {
        auto connection = vorn::server::OpenSqlite(database_, false);
        return connection->queryInteger("SELECT COUNT(*) FROM JOBDATA", {}).value_or(-1);
    }
    QTemporaryDir dir_;
    QString database_;
};

} // namespace

TEST_F(VornPrintTest, WritesTheReportOfEachKindOfScreenAsAPdf) {
    const QString osp = dir_.filePath("osp.pdf");
    QString errors;
    ASSERT_EQ(
        Print({"--screen", "TStatCursistenPerInstellingForm", "--institution", "CVOAN", "--from",
               "2024-09-01", "--to", "2025-06-30", "--report", "Statistiek per lesplaats", "--pdf", osp},
              &errors),
        0)
        << errors.toStdString();
    const QString text = Text(osp);
    EXPECT_TRUE(text.contains("Cursistenstatistiek per lesplaats"));
    EXPECT_TRUE(text.contains("CVO Kompas Antwerpen"));
    EXPECT_TRUE(text.contains("Totaal"));
    EXPECT_EQ(JobRows(), 0);

    const QString pupils = dir_.filePath("leerlingen.pdf");
    ASSERT_EQ(Print({"--screen", "TStatLLPerInstellingForm", "--institution", "SJCAA", "--date", "2024-10-01",
                     "--report", "Statistieken leerlingen", "--pdf", pupils}),
              0);
    const QString pupilText = Text(pupils);
    for (const char* caption :
         {"Per klas", "Per graad", "Per leerjaar", "Per administratieve groep", "Per vakkenpakket",
          "Per leerjaar en graad", "Per onderwijsvorm", "Per geboortejaar"})
        EXPECT_TRUE(pupilText.contains(caption)) << caption;
    EXPECT_TRUE(pupilText.contains("Sint-Jozefscollege Aalst"));

    const QString vwo = dir_.filePath("vwo.pdf");
    ASSERT_EQ(Print({"--screen", "TStatVWOCursistenPerInstellingForm", "--institution", "VWOHA", "--from",
                     "2024-09-01", "--to", "2025-06-30", "--report", "Statistiek per tarief", "--pdf", vwo}),
              0);
    EXPECT_TRUE(Text(vwo).contains("VWO-cursistenstatistiek per tarief"));
    EXPECT_EQ(JobRows(), 0);
}

TEST_F(VornPrintTest, TheCubeScreenPrintsItsPivotForTheWorkDateAsAPdf) {
    const QString pdf = dir_.filePath("rooster.pdf");
    QString errors;
    ASSERT_EQ(Print({"--screen", "TOLAPStatsForm", "--institution", "CVOBR", "--statistic", "CURSSTG",
                     "--date", "2024-12-01", "--report", "Afdruk rooster", "--pdf", pdf},
                    &errors),
              0)
        << errors.toStdString();
    const QString text = Text(pdf);
    EXPECT_TRUE(text.contains("Cursisten per studiegebied en vestiging")) << text.toStdString();
    EXPECT_TRUE(text.contains("Studiegebied"));
    EXPECT_TRUE(text.contains("Eindtotaal"));
    EXPECT_TRUE(text.contains("Pagina 1 van"));
    EXPECT_EQ(Print({"--screen", "TOLAPStatsForm", "--institution", "CVOBR", "--statistic", "PLANEET",
                     "--report", "Afdruk rooster", "--pdf", dir_.filePath("x.pdf")},
                    &errors),
              1);
    EXPECT_TRUE(errors.contains("Geen statistiek \"PLANEET\"")) << errors.toStdString();
}

TEST_F(VornPrintTest, WrongRequestsAreRefusedWithAMessage) {
    const QString pdf = dir_.filePath("x.pdf");
    const QStringList osp{"--screen",      "TStatCursistenPerInstellingForm",
                          "--institution", "CVOAN",
                          "--from",        "2024-09-01",
                          "--to",          "2025-06-30"};
    const std::vector<std::pair<QStringList, const char*>> cases{
        {osp + QStringList{"--report", "Statistiek per planeet", "--pdf", pdf},
         "geen rapport \"Statistiek per planeet\""},
        {osp + QStringList{"--pdf", pdf}, "--report en --pdf"},
        {osp + QStringList{"--report", "Statistiek per klas"}, "--report en --pdf"},
        {QStringList{"--screen", "TStatCursistenPerInstellingForm", "--institution", "CVOAN", "--report",
                     "Statistiek per klas", "--pdf", pdf},
         "--date of een periode"},
        {osp + QStringList{"--report", "Statistiek per klas", "--pdf", pdf, "--category", "x"}, "--category"},
        {osp + QStringList{"--report", "Statistiek per klas", "--pdf", dir_.filePath("geen/map/x.pdf")},
         "x.pdf"},
        {QStringList{"--screen", "TStatsPSUrenForm", "--institution", "KAGNT", "--date", "2024-10-01",
                     "--report", "Iets", "--pdf", pdf},
         "(geen)"},
        {osp + QStringList{"--report", "Statistiek per klas", "--pdf", pdf, "--statistic", "LLKLAS"},
         "geen --statistic"},
    };
    for (const auto& [arguments, fragment] : cases) {
        QString errors;
        EXPECT_EQ(Print(arguments, &errors), 1) << arguments.join(' ').toStdString();
        EXPECT_TRUE(errors.startsWith("vorn print: ") && errors.contains(fragment))
            << "expected '" << fragment << "' in: " << errors.toStdString();
    }
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_EQ(JobRows(), 0);
}

TEST_F(VornPrintTest, SourceDateEpochGivesTheSameFileEveryTime) {
    const QStringList request{
        "--screen", "TStatLLPerInstellingForm", "--institution", "SJCAA", "--date", "2025-12-01",
        "--report", "Statistieken leerlingen",  "--pdf"};
    const auto bytesOf = [&](const QString& name) {
        QString errors;
        EXPECT_EQ(Print(request + QStringList{dir_.filePath(name)}, &errors, "1767225600"), 0)
            << errors.toStdString();
        QFile file(dir_.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray first = bytesOf("eerste.pdf");
    QThread::sleep(1); // another second on the clock
    const QByteArray second = bytesOf("tweede.pdf");
    ASSERT_FALSE(first.isEmpty());
    EXPECT_TRUE(first.contains("/CreationDate (D:20260101000000"));
    EXPECT_TRUE(first == second) << "the same request gives the same bytes";
}
