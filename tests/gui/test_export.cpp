// The export writers on their own: sheet names Excel accepts, the totals line read back as pairs,
// and files that are written whole or not at all.
#include "host/data/errors.h"
#include "host/export/exportfiles.h"
#include "host/export/workbookwriter.h"
#include "tests/common/qtprint.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vorn;

TEST(Workbook, SheetNamesAreWhatExcelAcceptsAndUnique) {
    EXPECT_EQ(SheetName("Per vak/graad", {}), "Per vak-graad");
    EXPECT_EQ(SheetName("&Per [klas]: *?", {}), "Per -klas-- --");
    const QString longCaption = "Per ingerichte modulevariant van het volwassenenonderwijs";
    const QString first = SheetName(longCaption, {});
    EXPECT_EQ(first.size(), 31);
    const QString second = SheetName(longCaption, {first});
    EXPECT_EQ(second.size(), 31);
    EXPECT_TRUE(second.endsWith(" (2)"));
    EXPECT_EQ(SheetName("per klas", {"Per Klas"}), "per klas (2)") << "Excel ignores letter case";
    EXPECT_EQ(SheetName("", {}), "Blad");
}

TEST(Workbook, TheTotalsLineIsReadAsLabelsAndValues) {
    const auto pairs = TotalsPairs("Totalen :    Lesuren cursist: 150    Inschrijvingen: 6    Vrouwen.: 4");
    ASSERT_EQ(pairs.size(), 3u);
    EXPECT_EQ(pairs[0].first, "Lesuren cursist");
    EXPECT_EQ(pairs[0].second, "150");
    EXPECT_EQ(pairs[2].first, "Vrouwen.");
}

TEST(Workbook, AWorkbookThatCannotBeWrittenLeavesNothingBehind) {
    QTemporaryDir dir;
    const QString missingFolder = dir.filePath("geen/map/cijfers.xlsx");
    EXPECT_THROW(WriteWorkbook({}, "Totalen :    Aantal: 1", {}, missingFolder), EVornError);
    const QString written = dir.filePath("cijfers.xlsx");
    WriteWorkbook({}, "Totalen :    Aantal: 1", {}, written);
    EXPECT_TRUE(QFile::exists(written));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"cijfers.xlsx"})
        << "no temporary file stays";
    EXPECT_TRUE(QFile::permissions(written) & QFileDevice::ReadOther) << "the user's usual permissions";
}

TEST(ExportFiles, AFailedWriteKeepsTheOldFileAndSaysSo) {
    QTemporaryDir dir;
    const QString path = dir.filePath("totals.txt");
    WriteFileWhole(path, [](QIODevice& device) { device.write("oud\n"); });
    EXPECT_THROW(WriteFileWhole(path,
                                [](QIODevice& device) {
                                    device.write("half");
                                    RaiseClientError("onderbroken");
                                }),
                 EVornError);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "oud\n");
    EXPECT_THROW(WriteFileWhole("/dev/full/totals.txt", [](QIODevice& device) { device.write("x"); }),
                 EVornError);
    EXPECT_EQ(FileNameOf("&Per vak/graad"), "Per vak-graad");
}
