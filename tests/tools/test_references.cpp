// Every statistics screen exported from the small fixture database and compared, file by file and
// byte by byte, with the committed files under tests/reference/. The workbook is compared by its
// sheets (the archive itself carries the time it was written).
// Printed reports are pinned by their text. VORN_REGENERATE_REFERENCES=1 writes the files instead:
// scripts/regenerate-references.sh.
#include "server/connection.h"
#include "server/schema.h"

#include "tests/common/qtprint.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Reference {
    const char* name;
    QStringList arguments;
};

void PrintTo(const Reference& reference, std::ostream* out) {
    *out << reference.name;
}

QString readScript(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return QString::fromUtf8(file.readAll());
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// Every file under a folder, by its path relative to it.
QStringList filesUnder(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

/// The sheets and shared texts of a workbook, unpacked next to it as workbook/<entry>; the
/// workbook itself goes.
void unpackWorkbook(const QString& folder) {
    for (const QString& file : filesUnder(folder)) {
        if (!file.endsWith(QLatin1String(".xlsx")))
            continue;
        const QString path = QDir(folder).filePath(file);
        QProcess list;
        list.start(QStringLiteral("unzip"), {QStringLiteral("-Z1"), path});
        list.waitForFinished();
        for (const QString& entry :
             QString::fromUtf8(list.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
            if (!entry.startsWith(QLatin1String("xl/worksheets/")) &&
                entry != QLatin1String("xl/sharedStrings.xml") && entry != QLatin1String("xl/workbook.xml"))
                continue;
            QProcess unzip;
            unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), path, entry});
            unzip.waitForFinished();
            const QString target = QDir(folder).filePath(QStringLiteral("workbook/") + entry);
            QDir().mkpath(QFileInfo(target).path());
            QFile out(target);
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            out.write(unzip.readAllStandardOutput());
        }
        QFile::remove(path);
    }
}

class ReferenceTest : public ::testing::TestWithParam<Reference> {
protected:
    void SetUp() override {
        database_ = dir_.filePath("fixture.db");
        auto connection = vorn::server::OpenSqlite(database_, true);
        vorn::server::CreateSchema(*connection);
        connection->executeScript(readScript(QStringLiteral(VORN_TEST_DATA "/server/fixture.sql")));
        connection->executeScript(
            readScript(QStringLiteral(VORN_TEST_DATA "/participants/participants.sql")));
    }
    /// Runs the client as a new user on the fixture database, the print time fixed; fails the test
    /// unless it exits 0.
    void RunVorn(const QStringList& arguments) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", dir_.path());
        environment.insert("XDG_CONFIG_HOME", dir_.filePath("config"));
        environment.insert("SOURCE_DATE_EPOCH", "1767225600"); // 1 January 2026, 00:00 UTC
        process.setProcessEnvironment(environment);
        process.start(VORN_BINARY, QStringList{"--database", database_} + arguments);
        ASSERT_TRUE(process.waitForFinished(60000));
        ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    }
    QTemporaryDir dir_;
    QString database_;
};

/// A test's name from its reference folder's name.
std::string ReferenceName(const ::testing::TestParamInfo<Reference>& info) {
    QString name = QString::fromLatin1(info.param.name);
    name.remove(u'-');
    return name.toStdString();
}

TEST_P(ReferenceTest, ExportEqualsTheCommittedFiles) {
    const QString out = dir_.filePath("out");
    RunVorn(QStringList{"export"} + GetParam().arguments + QStringList{"--format", "all", "--out", out});
    if (HasFatalFailure())
        return;
    // PDF files carry the time they were made; the same charts are pinned as PNG and SVG.
    for (const QString& file : filesUnder(out))
        if (file.endsWith(QLatin1String(".pdf"))) {
            EXPECT_TRUE(readAll(QDir(out).filePath(file)).startsWith("%PDF")) << file.toStdString();
            QFile::remove(QDir(out).filePath(file));
        }
    unpackWorkbook(out);

    const QString reference =
        QStringLiteral(VORN_TEST_DATA "/reference/") + QString::fromLatin1(GetParam().name);
    if (qEnvironmentVariableIsSet("VORN_REGENERATE_REFERENCES")) {
        QDir(reference).removeRecursively();
        for (const QString& file : filesUnder(out)) {
            QDir().mkpath(QFileInfo(QDir(reference).filePath(file)).path());
            ASSERT_TRUE(QFile::copy(QDir(out).filePath(file), QDir(reference).filePath(file)));
        }
        return;
    }
    ASSERT_EQ(filesUnder(out), filesUnder(reference));
    for (const QString& file : filesUnder(reference))
        EXPECT_TRUE(readAll(QDir(out).filePath(file)) == readAll(QDir(reference).filePath(file)))
            << file.toStdString() << " differs from tests/reference (scripts/regenerate-references.sh)";
}

INSTANTIATE_TEST_SUITE_P(
    Screens, ReferenceTest,
    ::testing::Values(
        Reference{"pupils",
                  {"--screen", "TStatLLPerInstellingForm", "--institution", "SJC", "--date", "2024-10-01"}},
        Reference{"staff-hours",
                  {"--screen", "TStatsPSUrenForm", "--institution", "SJC", "--date", "2024-10-01"}},
        Reference{"staff-population",
                  {"--screen", "TStatsPSPopulatieForm", "--institution", "SJC", "--date", "2024-10-01",
                   "--scale", "10"}},
        Reference{"participants-osp",
                  {"--screen", "TStatCursistenPerInstellingForm", "--institution", "CVOLS", "--from",
                   "2024-09-01", "--to", "2025-06-30", "--figure", "1"}},
        Reference{"participants-vwo",
                  {"--screen", "TStatVWOCursistenPerInstellingForm", "--institution", "VWOOE", "--from",
                   "2024-09-01", "--to", "2025-06-30", "--figure", "4"}}),
    ReferenceName);

/// A printed report, pinned by the text pdftotext reads from it (the PDF file itself carries the
/// moment it was written); the print time comes from SOURCE_DATE_EPOCH.
class PrintReferenceTest : public ReferenceTest {};

TEST_P(PrintReferenceTest, PrintedTextEqualsTheCommittedText) {
    const QString pdf = dir_.filePath("rapport.pdf");
    RunVorn(QStringList{"print"} + GetParam().arguments + QStringList{"--pdf", pdf});
    if (HasFatalFailure())
        return;
    QProcess text;
    text.start("pdftotext", {"-layout", pdf, "-"});
    ASSERT_TRUE(text.waitForFinished(60000));
    const QByteArray printed = text.readAllStandardOutput();
    ASSERT_FALSE(printed.isEmpty());

    const QString reference =
        QStringLiteral(VORN_TEST_DATA "/reference/print/") + QString::fromLatin1(GetParam().name) + ".txt";
    if (qEnvironmentVariableIsSet("VORN_REGENERATE_REFERENCES")) {
        QDir().mkpath(QFileInfo(reference).path());
        QFile out(reference);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(printed);
        return;
    }
    EXPECT_TRUE(printed == readAll(reference))
        << reference.toStdString() << " differs (scripts/regenerate-references.sh):\n"
        << printed.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Reports, PrintReferenceTest,
    ::testing::Values(
        Reference{"pupils",
                  {"--screen", "TStatLLPerInstellingForm", "--institution", "SJC", "--date", "2024-10-01",
                   "--report", "Statistieken leerlingen"}},
        Reference{"osp-klas",
                  {"--screen", "TStatCursistenPerInstellingForm", "--institution", "CVOLS", "--from",
                   "2024-09-01", "--to", "2025-06-30", "--report", "Statistiek per klas"}},
        Reference{"osp-vestiging",
                  {"--screen", "TStatCursistenPerInstellingForm", "--institution", "CVOLS", "--from",
                   "2024-09-01", "--to", "2025-06-30", "--report", "Statistiek per vestigingsplaats"}},
        Reference{"vwo-tarief",
                  {"--screen", "TStatVWOCursistenPerInstellingForm", "--institution", "VWOOE", "--from",
                   "2024-09-01", "--to", "2025-06-30", "--report", "Statistiek per tarief"}},
        Reference{"osp-klas-vergeleken",
                  {"--screen", "TStatCursistenPerInstellingForm", "--institution", "CVOLS", "--from",
                   "2025-01-01", "--to", "2025-06-30", "--compare-from", "2024-09-01", "--compare-to",
                   "2024-12-31", "--report", "Statistiek per klas"}},
        Reference{"osp-verloop",
                  {"--screen", "TStatCursistenPerInstellingForm", "--institution", "CVOLS", "--from",
                   "2024-09-01", "--to", "2025-06-30", "--trend", "2", "--report", "Statistiek per klas"}},
        Reference{"pupils-vergeleken",
                  {"--screen", "TStatLLPerInstellingForm", "--institution", "SJC", "--date", "2024-10-01",
                   "--compare-date", "2024-09-01", "--report", "Statistieken leerlingen"}}),
    ReferenceName);

} // namespace
