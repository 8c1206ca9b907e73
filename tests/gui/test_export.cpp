// The export writers on their own: sheet names Excel accepts, the totals line read back as pairs,
// and files that are written whole or not at all.
#include "host/controls/barchart.h"
#include "host/data/errors.h"
#include "host/export/chartwriter.h"
#include "host/export/exportfiles.h"
#include "host/export/workbookwriter.h"
#include "tests/common/qtprint.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <set>

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

TEST(ExportFiles, SourceDateEpochReplacesEveryCreationDateWhereverTheWritesAreCut) {
    QTemporaryDir dir;
    const QString path = dir.filePath("stempel.pdf");
    const QByteArray pdf = QByteArray(100, 'a') + "/CreationDate (D:20261207155901+01'00')\n" +
                           QByteArray(300, 'b') + "/CreationDate (D:20261207155901Z)\n" + QByteArray(10, 'c');
    qputenv("SOURCE_DATE_EPOCH", "1767225600");
    for (const int piece : {1, 7, 64, 1000}) {
        WritePdfWhole(path, [&](QIODevice& device) {
            for (qsizetype at = 0; at < pdf.size(); at += piece)
                device.write(pdf.mid(at, piece));
        });
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray written = file.readAll();
        EXPECT_EQ(written.size(), pdf.size()) << "offsets stay right (" << piece << ")";
        EXPECT_EQ(written.count("/CreationDate (D:20260101000000+00'00')"), 1) << piece;
        EXPECT_EQ(written.count("/CreationDate (D:20260101000000Z)"), 1) << piece;
    }
    qunsetenv("SOURCE_DATE_EPOCH");
    WritePdfWhole(path, [&](QIODevice& device) { device.write(pdf); });
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), pdf) << "without it the file is written as it comes";
}

namespace {

/// The bars on a picture, as runs of the bar colour down a line through every bar.
std::vector<int> BarRuns(const QImage& image, int x, const QColor& colour) {
    std::vector<int> runs;
    int run = 0;
    for (int y = 0; y < image.height(); ++y) {
        if (image.pixelColor(x, y) == colour) {
            ++run;
        } else if (run > 0) {
            runs.push_back(run);
            run = 0;
        }
    }
    if (run > 0)
        runs.push_back(run);
    return runs;
}

} // namespace

TEST(ChartFiles, AChartTooLongForOnePictureShowsItsFirstBarsWholeAndSaysSo) {
    constexpr int Bars = 100000; // a category list of 100,000 values: 2.6 million pixels at 26 a bar
    TBarChart chart;
    chart.resize(700, 100);
    for (int i = 0; i < Bars; ++i)
        chart.AddBar(QStringLiteral("Klas %1").arg(i), 10 + i % 7, clYellow);
    chart.SetHeight(Bars * 26);
    const TResultSeries series{QStringLiteral("Per Klas"), &chart};
    const TResultHeading heading{
        QStringLiteral("Cursisten"), QStringLiteral("CVO"), QStringLiteral("2024-2025"), {}};
    QTemporaryDir dir;
    const QString path = dir.filePath("Per Klas.png");
    WriteChart(series, heading, ChartFormat::Png, path);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Per Klas.png"});

    const int shown = PngBarsShown(series, heading);
    EXPECT_GT(shown, 500) << "the bars keep their own height";
    EXPECT_LT(shown, Bars);
    const QImage image = QImage(path).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(image.isNull());
    EXPECT_LE(image.height(), 16000);
    // A line just right of the axis crosses every bar shown (the smallest value is 10 of at most 16).
    int axis = 0;
    for (int x = 0; x < image.width() && axis == 0; ++x)
        for (int y = 0; y < image.height() && axis == 0; y += 3)
            if (image.pixelColor(x, y) == ToQColor(clYellow))
                axis = x;
    ASSERT_GT(axis, 0);
    const std::vector<int> runs = BarRuns(image, axis + 3, ToQColor(clYellow));
    EXPECT_EQ(static_cast<int>(runs.size()), shown) << "exactly the bars it says it shows";
    const auto [thinnest, thickest] = std::minmax_element(runs.begin(), runs.end());
    // Bars at fractional positions cover one pixel row more or less; a cut bar would be far thinner.
    EXPECT_LE(*thickest - *thinnest, 1) << "no bar cut off at the end";

    // The SVG and PDF keep every bar.
    WriteChart(series, heading, ChartFormat::Pdf, dir.filePath("Per Klas.pdf"));
    EXPECT_GT(QFileInfo(dir.filePath("Per Klas.pdf")).size(), 0);

    // A chart that fits shows all its bars.
    TBarChart small;
    small.resize(700, 100);
    small.AddBar("A", 1, clYellow);
    small.SetHeight(397);
    EXPECT_EQ(PngBarsShown(TResultSeries{QStringLiteral("Per Vestiging"), &small}, heading), 1);
}
