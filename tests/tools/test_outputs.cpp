// Where `vorn export` and `vorn print` write, tried as a careless user and a failing machine would:
// targets that are not files, symbolic links, the leftovers of a killed export, and a full disk.
#include "demofixture.h"

#include "data/demo/demodata.h"
#include "server/schema.h"

#include "tests/common/qtprint.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

const QStringList PupilScreen{"--screen",  "TStatLLPerInstellingForm", "--institution", "KAGNT", "--date",
                              "2024-10-01"};
const QStringList ParticipantScreen{
    "--screen",  "TStatCursistenPerInstellingForm", "--institution", "CVOBR", "--from", "2024-09-01", "--to",
    "2025-06-30"};

class OutputTest : public ::testing::Test {
protected:
    void SetUp() override { database_ = vorn::testing::MakeDemoDatabase(dir_.filePath("demo.db")); }
    /// Runs vorn (or, with `wrapper`, the wrapper with vorn's command line after it).
    int Run(const QStringList& arguments, const QStringList& wrapper = {}) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("VORN_DATABASE", database_);
        environment.insert("HOME", dir_.path());
        environment.insert("XDG_CONFIG_HOME", dir_.filePath("config"));
        process.setProcessEnvironment(environment);
        if (wrapper.isEmpty())
            process.start(VORN_BINARY, arguments);
        else
            process.start(wrapper.first(), wrapper.mid(1) + QStringList{VORN_BINARY} + arguments);
        process.waitForFinished(120000);
        errors_ = QString::fromUtf8(process.readAllStandardError());
        output_ = QString::fromUtf8(process.readAllStandardOutput());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    QString Path(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
    QString database_;
    QString errors_;
    QString output_;
};

bool IsFifo(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode);
}

bool IsCharDevice(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISCHR(info.st_mode);
}

} // namespace

TEST_F(OutputTest, AFolderAPipeOrADeviceIsNeverReplaced) {
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("pijp.pdf")).constData(), 0600), 0);
    ASSERT_TRUE(QDir().mkpath(Path("map.pdf")));
    QStringList targets{"pijp.pdf", "map.pdf"};
    // A device of its own (a second /dev/null): where the test may make one, it must stay one.
    const bool device =
        ::mknod(QFile::encodeName(Path("apparaat.pdf")).constData(), S_IFCHR | 0600, makedev(1, 3)) == 0;
    if (device)
        targets << "apparaat.pdf";
    for (const QString& target : targets) {
        EXPECT_EQ(Run(QStringList{"print"} + PupilScreen +
                      QStringList{"--report", "Statistieken leerlingen", "--pdf", Path(target)}),
                  1)
            << target.toStdString();
        EXPECT_TRUE(errors_.contains("geen gewoon bestand")) << errors_.toStdString();
    }
    EXPECT_TRUE(IsFifo(Path("pijp.pdf")));
    EXPECT_TRUE(QFileInfo(Path("map.pdf")).isDir());
    if (device) {
        EXPECT_TRUE(IsCharDevice(Path("apparaat.pdf")));
    }

    // The same for a file an export writes into its folder, and for its workbook.
    ASSERT_TRUE(QDir().mkpath(Path("uit/grids")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("uit/grids/Per klas.csv")).constData(), 0600), 0);
    EXPECT_EQ(Run(QStringList{"export"} + PupilScreen + QStringList{"--out", Path("uit")}), 1);
    EXPECT_TRUE(IsFifo(Path("uit/grids/Per klas.csv")));
    ASSERT_TRUE(QDir().mkpath(Path("werkmap")));
    ASSERT_EQ(
        Run(QStringList{"export"} + PupilScreen + QStringList{"--format", "xlsx", "--out", Path("werkmap")}),
        0)
        << errors_.toStdString();
    const QStringList books = QDir(Path("werkmap")).entryList({"*.xlsx"});
    ASSERT_EQ(books.size(), 1);
    const QString book = Path("werkmap/" + books.first());
    ASSERT_TRUE(QFile::remove(book));
    ASSERT_EQ(::mkfifo(QFile::encodeName(book).constData(), 0600), 0);
    EXPECT_EQ(
        Run(QStringList{"export"} + PupilScreen + QStringList{"--format", "xlsx", "--out", Path("werkmap")}),
        1);
    EXPECT_TRUE(IsFifo(book));
}

TEST_F(OutputTest, ASymbolicLinkIsWrittenThroughAndStaysALink) {
    ASSERT_TRUE(QFile::link(Path("doel.pdf"), Path("koppeling.pdf")));
    ASSERT_EQ(Run(QStringList{"print"} + PupilScreen +
                  QStringList{"--report", "Statistieken leerlingen", "--pdf", Path("koppeling.pdf")}),
              0)
        << errors_.toStdString();
    EXPECT_TRUE(QFileInfo(Path("koppeling.pdf")).isSymLink());
    QFile written(Path("doel.pdf"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly)) << "a link to a file not yet there makes that file";
    EXPECT_TRUE(written.readAll().startsWith("%PDF"));

    // Printed again: the file the link points at is replaced, the link stays.
    ASSERT_EQ(Run(QStringList{"print"} + PupilScreen +
                  QStringList{"--report", "Statistieken leerlingen", "--pdf", Path("koppeling.pdf")}),
              0);
    EXPECT_TRUE(QFileInfo(Path("koppeling.pdf")).isSymLink());
    EXPECT_EQ(QFileInfo(Path("koppeling.pdf")).symLinkTarget(), Path("doel.pdf"));

    // A workbook, which the library writes itself: the same.
    ASSERT_TRUE(QDir().mkpath(Path("uit")));
    ASSERT_EQ(
        Run(QStringList{"export"} + PupilScreen + QStringList{"--format", "xlsx", "--out", Path("uit")}), 0);
    const QString book = Path("uit/" + QDir(Path("uit")).entryList({"*.xlsx"}).value(0));
    ASSERT_TRUE(QFile::rename(book, Path("werkmap.xlsx")));
    ASSERT_TRUE(QFile::link(Path("werkmap.xlsx"), book));
    ASSERT_EQ(
        Run(QStringList{"export"} + PupilScreen + QStringList{"--format", "xlsx", "--out", Path("uit")}), 0)
        << errors_.toStdString();
    EXPECT_TRUE(QFileInfo(book).isSymLink()) << "the link to the workbook stays a link";
    EXPECT_GT(QFileInfo(Path("werkmap.xlsx")).size(), 1000);
}

TEST_F(OutputTest, TheLeftoversOfAKilledExportAreRemovedButThoseOfARunningOneAreNot) {
    ASSERT_TRUE(QDir().mkpath(Path("uit")));
    ASSERT_EQ(Run(QStringList{"export"} + ParticipantScreen +
                  QStringList{"--format", "xlsx", "--out", Path("uit")}),
              0)
        << errors_.toStdString();
    const QString book = QDir(Path("uit")).entryList({"*.xlsx"}).value(0);
    ASSERT_FALSE(book.isEmpty());
    // A process id that no process has (above the kernel's largest), and this test's own.
    const QString killed = Path(QStringLiteral("uit/.%1.%2-0badf00d.part").arg(book).arg(1 << 30));
    const QString running =
        Path(QStringLiteral("uit/.%1.%2-0badf00d.part").arg(book).arg(QCoreApplication::applicationPid()));
    for (const QString& leftover : {killed, running}) {
        QFile file(leftover);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("PK half");
    }
    ASSERT_EQ(Run(QStringList{"export"} + ParticipantScreen +
                  QStringList{"--format", "xlsx", "--out", Path("uit")}),
              0);
    EXPECT_FALSE(QFileInfo::exists(killed));
    EXPECT_TRUE(QFileInfo::exists(running));
}

TEST_F(OutputTest, AFullDiskIsAFailureForEveryOutputKindAndLeavesNoEmptyFiles) {
    // A small file system of its own, filled to the last byte before vorn starts: a mount namespace
    // (unshare) so that nothing outside the test sees it. The script lists what stayed on it.
    const QString unshare = QStandardPaths::findExecutable("unshare");
    QProcess probe;
    probe.start(unshare, {"-rm", "true"});
    if (unshare.isEmpty() || !probe.waitForFinished(10000) || probe.exitCode() != 0)
        GTEST_SKIP() << "no mount namespaces here (unshare -rm)";
    const QString disk = Path("schijf");
    ASSERT_TRUE(QDir().mkpath(disk));
    const QString script = "mount -t tmpfs -o size=512k none \"$0\" || exit 99; "
                           "head -c 4m /dev/zero > \"$0/vulling\" 2>/dev/null; "
                           "\"$@\"; rc=$?; find \"$0\" -type f ! -name vulling -printf '%s %P\\n'; exit $rc";
    const QStringList wrapper{unshare, "-rm", "sh", "-c", script, disk};
    const std::vector<QStringList> outputs{
        QStringList{"export"} + PupilScreen + QStringList{"--out", disk + "/csv"},
        QStringList{"export"} + ParticipantScreen + QStringList{"--format", "xlsx", "--out", disk + "/xlsx"},
        QStringList{"export"} + ParticipantScreen + QStringList{"--format", "all", "--out", disk + "/alles"},
        QStringList{"print"} + PupilScreen +
            QStringList{"--report", "Statistieken leerlingen", "--pdf", disk + "/l.pdf"},
        QStringList{"export", "--screen", "TOLAPStatsForm", "--institution", "CVOBR", "--statistic",
                    "CURSSTG", "--date", "2024-10-01", "--out", disk + "/kubus"},
    };
    for (const QStringList& output : outputs) {
        EXPECT_EQ(Run(output, wrapper), 1) << output.join(' ').toStdString() << "\n" << errors_.toStdString();
        EXPECT_TRUE(errors_.contains("niet schrijven") || errors_.contains("No space"))
            << output.join(' ').toStdString() << "\n"
            << errors_.toStdString();
        for (const QString& line : output_.split('\n', Qt::SkipEmptyParts)) {
            if (line.startsWith("Uitgevoerd") || line.startsWith("Afgedrukt")) {
                ADD_FAILURE() << "reported as done: " << line.toStdString();
                continue;
            }
            const QString name = line.section(' ', 1);
            EXPECT_NE(line.section(' ', 0, 0), "0") << "an empty file stayed: " << name.toStdString();
            EXPECT_FALSE(QFileInfo(name).fileName().startsWith('.'))
                << "a temporary file stayed: " << name.toStdString();
        }
    }
}

TEST_F(OutputTest, ExportAndPrintLeaveTheUsersRememberedSettingsAsTheyWere) {
    const QString settings = Path("config/vorn/vorn.ini");
    // A user who never opened the window: nothing is remembered afterwards either.
    ASSERT_EQ(
        Run(QStringList{"export"} + ParticipantScreen + QStringList{"--figure", "3", "--out", Path("uit")}),
        0)
        << errors_.toStdString();
    EXPECT_FALSE(QFileInfo::exists(settings)) << "the screen's view was remembered by an export";

    // A user with settings of their own: they are read, and stay byte for byte.
    ASSERT_TRUE(QDir().mkpath(Path("config/vorn")));
    {
        QFile file(settings);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Databank]\nTijdslimietQuery=90\n");
    }
    ASSERT_EQ(
        Run(QStringList{"export"} + ParticipantScreen + QStringList{"--figure", "5", "--out", Path("uit")}),
        0);
    ASSERT_EQ(Run(QStringList{"print"} + ParticipantScreen +
                  QStringList{"--report", "Statistiek per klas", "--pdf", Path("klassen.pdf")}),
              0)
        << errors_.toStdString();
    QFile file(settings);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("[Databank]\nTijdslimietQuery=90\n"));
}
