// The export writers on their own: sheet names Excel accepts, the totals line read back as pairs,
// and files that are written whole or not at all.
#include "host/controls/barchart.h"
#include "host/data/clientdataset.h"
#include "host/data/errors.h"
#include "host/export/chartwriter.h"
#include "host/export/exportfiles.h"
#include "host/export/textwriters.h"
#include "host/export/workbookwriter.h"
#include "tests/common/programoutput.h"
#include "tests/common/qtprint.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <algorithm>
#include <gtest/gtest.h>
#include <optional>
#include <set>

using namespace vorn;
using vorn::testing::OutputOf;

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

TEST(Workbook, DatesAreDateCellsShownTheFlemishWay) {
    TVornClientDataSet dataSet;
    dataSet.AddField(FieldDef::wideString("OR_OMSCHRIJVING", 50));
    dataSet.AddField(FieldDef::date("OR_VAN"));
    dataSet.CreateDataSet();
    dataSet.Append();
    dataSet.FieldByName("OR_OMSCHRIJVING").SetAsString("Schooljaar 2025-2026");
    dataSet.FieldByName("OR_VAN").SetAsDateTime(EncodeDate(2025, 9, 1));
    dataSet.Post();
    TResultTable table;
    table.caption = "Referteperiodes";
    table.dataSet = &dataSet;
    table.columns = {{"OR_OMSCHRIJVING", "Omschrijving", 200, false}, {"OR_VAN", "Van", 80, false}};
    QTemporaryDir dir;
    const QString path = dir.filePath("periodes.xlsx");
    WriteWorkbook({table}, {}, {}, {}, path);
    const std::optional<QString> sheet = OutputOf("unzip", {"-p", path, "xl/worksheets/sheet1.xml"});
    const std::optional<QString> styles = OutputOf("unzip", {"-p", path, "xl/styles.xml"});
    if (!sheet || !styles)
        GTEST_SKIP() << "unzip is not installed";
    // 1 September 2025 is serial date 45901; a number cell (no t="s"/"str") with a date style.
    const QRegularExpressionMatch cell =
        QRegularExpression(R"re(<c r="B2" s="(\d+)"><v>45901</v></c>)re").match(*sheet);
    EXPECT_TRUE(cell.hasMatch()) << sheet->toStdString();
    EXPECT_TRUE(styles->contains(R"(formatCode="dd/mm/yyyy")")) << styles->toStdString();
}

TEST(Workbook, AWorkbookThatCannotBeWrittenLeavesNothingBehind) {
    QTemporaryDir dir;
    const QString missingFolder = dir.filePath("geen/map/cijfers.xlsx");
    EXPECT_THROW(WriteWorkbook({}, "Totalen :    Aantal: 1", {}, {}, missingFolder), EVornError);
    const QString written = dir.filePath("cijfers.xlsx");
    WriteWorkbook({}, "Totalen :    Aantal: 1", {}, {}, written);
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
    TResultHeading heading;
    heading.screen = QStringLiteral("Cursisten");
    heading.institution = QStringLiteral("CVO");
    heading.period = QStringLiteral("2024-2025");
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

namespace {

/// The text of each page of a PDF, read back with pdftotext; empty when poppler is not installed.
QStringList PdfPageTexts(const QString& path) {
    QProcess info;
    info.start("pdfinfo", {path});
    if (!info.waitForFinished(60000))
        return {};
    const QRegularExpressionMatch pages =
        QRegularExpression(R"(Pages:\s+(\d+))").match(QString::fromUtf8(info.readAllStandardOutput()));
    QStringList texts;
    for (int page = 1; pages.hasMatch() && page <= pages.captured(1).toInt(); ++page) {
        QProcess text;
        text.start("pdftotext", {"-f", QString::number(page), "-l", QString::number(page), path, "-"});
        text.waitForFinished(60000);
        texts << QString::fromUtf8(text.readAllStandardOutput());
    }
    return texts;
}

} // namespace

namespace {

/// The texts of an SVG file and the number of rectangles filled with `fill`.
struct TSvgContents {
    QStringList texts;
    int filled = 0;
};
TSvgContents SvgContents(const QString& path, const QString& fill) {
    QFile file(path);
    TSvgContents contents;
    if (!file.open(QIODevice::ReadOnly))
        return contents;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"rect" && xml.attributes().value("fill") == fill)
            ++contents.filled;
        else if (xml.name() == u"text")
            contents.texts << xml.readElementText();
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return contents;
}

} // namespace

TEST(ChartFiles, AnSvgChartDrawsItsBarsWhereThePngHasThemWithEveryLabelAndNumber) {
    TBarChart chart;
    chart.resize(700, 100);
    const QStringList labels{"1A & 1B", "<Leerjaar 2>", "Één \"citaat\"", "Vijf", "Zes"};
    for (int i = 0; i < labels.size(); ++i)
        chart.AddBar(labels[i], 3 + 4 * i, clYellow);
    chart.SetHeight(static_cast<int>(labels.size()) * 26);
    const TResultSeries series{QStringLiteral("Per Klas"), &chart};
    TResultHeading heading;
    heading.screen = QStringLiteral("Cursisten");
    QTemporaryDir dir;
    const QString png = dir.filePath("Per Klas.png");
    const QString svg = dir.filePath("Per Klas.svg");
    WriteChart(series, heading, ChartFormat::Png, png);
    WriteChart(series, heading, ChartFormat::Svg, svg);

    QSvgRenderer renderer(svg);
    ASSERT_TRUE(renderer.isValid());
    const QImage drawn = QImage(png).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(renderer.viewBox().size(), drawn.size()) << "the same picture size";
    QImage rendered(drawn.size(), QImage::Format_RGB32);
    rendered.fill(Qt::white);
    QPainter painter(&rendered);
    renderer.render(&painter, QRectF(QPointF(0, 0), drawn.size()));
    painter.end();
    // Down a line through every bar, the bars lie where the PNG has them.
    int axis = 0;
    for (int x = 0; x < drawn.width() && axis == 0; ++x)
        for (int y = 0; y < drawn.height() && axis == 0; ++y)
            if (drawn.pixelColor(x, y) == ToQColor(clYellow))
                axis = x;
    ASSERT_GT(axis, 0);
    const std::vector<int> pngRuns = BarRuns(drawn, axis + 3, ToQColor(clYellow));
    const std::vector<int> svgRuns = BarRuns(rendered, axis + 3, ToQColor(clYellow));
    ASSERT_EQ(svgRuns.size(), labels.size());
    ASSERT_EQ(pngRuns.size(), svgRuns.size());
    for (std::size_t i = 0; i < svgRuns.size(); ++i)
        EXPECT_NEAR(svgRuns[i], pngRuns[i], 1) << "bar " << i;

    const TSvgContents contents = SvgContents(svg, ToQColor(clYellow).name());
    EXPECT_EQ(contents.filled, labels.size());
    for (const QString& label : labels)
        EXPECT_TRUE(contents.texts.contains(label)) << label.toStdString();
    for (int i = 0; i < labels.size(); ++i)
        EXPECT_TRUE(contents.texts.contains(QString::number(3 + 4 * i))) << "the number of bar " << i;
    EXPECT_TRUE(contents.texts.contains("Cursisten")) << "the caption";
}

TEST(ChartFiles, AnSvgOfManyBarsKeepsEveryBarInAFewHundredBytesEach) {
    constexpr int Bars = 25000;
    TBarChart chart;
    chart.resize(700, 100);
    for (int i = 0; i < Bars; ++i)
        chart.AddBar(QStringLiteral("Klas %1").arg(i), 10 + i % 7, clYellow);
    chart.SetHeight(Bars * 26);
    TResultHeading heading;
    heading.screen = QStringLiteral("Cursisten");
    QTemporaryDir dir;
    const QString svg = dir.filePath("Per Klas.svg");
    WriteChart(TResultSeries{QStringLiteral("Per Klas"), &chart}, heading, ChartFormat::Svg, svg);
    EXPECT_EQ(SvgContents(svg, ToQColor(clYellow).name()).filled, Bars);
    EXPECT_LT(QFileInfo(svg).size(), 400LL * Bars);
}

TEST(ChartFiles, EveryPageOfAChartPdfShowsBars) {
    TResultHeading heading;
    heading.screen = QStringLiteral("Cursisten");
    heading.institution = QStringLiteral("CVO");
    heading.period = QStringLiteral("2024-2025");
    QTemporaryDir dir;
    bool checked = false;
    for (const int bars : {1, 15, 16, 38, 39, 40, 41, 42, 77, 80}) {
        TBarChart chart;
        chart.resize(700, 100);
        for (int i = 0; i < bars; ++i)
            chart.AddBar(QStringLiteral("Klas %1").arg(i), 10 + i % 7, clYellow);
        chart.SetHeight(std::max(397, bars * 26)); // as the participant screens size them
        const QString path = dir.filePath(QStringLiteral("%1.pdf").arg(bars));
        WriteChart(TResultSeries{QStringLiteral("Per Klas"), &chart}, heading, ChartFormat::Pdf, path);
        const QStringList pages = PdfPageTexts(path);
        if (pages.isEmpty())
            continue;
        checked = true;
        for (int page = 0; page < pages.size(); ++page)
            EXPECT_TRUE(pages[page].contains("Klas ")) << bars << " bars: page " << page + 1 << " has no bar";
        EXPECT_TRUE(pages.last().contains(QStringLiteral("Klas %1").arg(bars - 1))) << bars << " bars";
    }
    if (!checked)
        GTEST_SKIP() << "pdfinfo and pdftotext (poppler-utils) are not installed";
}

TEST(ChartFiles, APrintedChartHasThePagesAndBarsOfItsPdfAtThePrintersResolution) {
    TResultHeading heading;
    heading.screen = QStringLiteral("Statistieken");
    heading.institution = QStringLiteral("CVOBR CVO Brugge");
    TBarChart chart;
    chart.resize(700, 100);
    for (int i = 0; i < 60; ++i)
        chart.AddBar(QStringLiteral("Klas %1").arg(i), 10 + i % 7, clYellow);
    chart.SetHeight(60 * 26);
    const TResultSeries series{QStringLiteral("Grafiek"), &chart};
    QTemporaryDir dir;
    WriteChart(series, heading, ChartFormat::Pdf, dir.filePath("bestand.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("afdruk.pdf"));
    printer.setPageLayout(ChartPageLayout());
    PrintChart(series, heading, printer, printer.resolution());
    const QStringList written = PdfPageTexts(dir.filePath("bestand.pdf"));
    const QStringList printed = PdfPageTexts(dir.filePath("afdruk.pdf"));
    if (written.isEmpty())
        GTEST_SKIP() << "pdfinfo and pdftotext (poppler-utils) are not installed";
    ASSERT_EQ(printed.size(), written.size()) << "the same pages at " << printer.resolution() << " dpi";
    ASSERT_GE(printed.size(), 2);
    EXPECT_TRUE(printed.first().contains("CVOBR CVO Brugge"));
    for (int page = 0; page < printed.size(); ++page)
        EXPECT_EQ(printed[page].count("Klas "), written[page].count("Klas ")) << "page " << page + 1;
}

TEST(ChartFiles, AChartWithSeriesWritesAColumnPerSeries) {
    TBarChart chart;
    chart.SetSeries({{"M", SeriesColour(0)}, {"V, ander", SeriesColour(1)}}, TBarStacking::Stacked);
    chart.AddGroup("1A", {3, 4});
    chart.AddGroup("1B", {0, -2});
    QBuffer csv;
    csv.open(QIODevice::WriteOnly);
    WriteSeriesCsv(TResultSeries{QStringLiteral("Grafiek"), &chart}, csv);
    EXPECT_EQ(csv.data(), QByteArray("label,M,\"V, ander\"\n1A,3,4\n1B,0,-2\n"));
}
