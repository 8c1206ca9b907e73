// The pivot as shown written to CSV, XLSX and PDF: the files read back, the workbook's sheet XML
// for its merged and frozen headings, the PDF's pages through pdftotext for headings repeated on
// every page down and across.
#include "framefixture.h"

#include "host/cubeviewer/drillthrough.h"
#include "host/data/provider.h"
#include "host/forms/outputcontext.h"
#include "tests/common/programoutput.h"

#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <set>

using namespace vorn;
using namespace vorn::testing;

namespace {

QString ReadText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

std::set<QString> Matches(const QString& text, const QString& pattern) {
    std::set<QString> found;
    QRegularExpressionMatchIterator it = QRegularExpression(pattern).globalMatch(text);
    while (it.hasNext())
        found.insert(it.next().captured(0));
    return found;
}

} // namespace

TEST_F(CubeFrame, WritesTheShownPivotAsCsv) {
    QTemporaryDir folder;
    const QString path = folder.filePath("kubus.csv");
    frame.WriteCsv(path);
    const QStringList lines = ReadText(path).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), model().rowCount());
    EXPECT_EQ(lines[0], QStringLiteral(",Geslacht,M,,V,,(leeg),,Eindtotaal,"));
    EXPECT_EQ(lines[1], QStringLiteral("Graad,Klas,Aantal,Uren,Aantal,Uren,Aantal,Uren,Aantal,Uren"));
    const int row = RowOf(model(), {"2", "2B"});
    ASSERT_GE(row, 0) << ReadText(path).toStdString();
    const auto keep = [](const TEnrolment& e) { return e.klas == "2B" && e.geslacht == "M"; };
    EXPECT_TRUE(lines[row].startsWith(QStringLiteral(",2B,%1,%2,").arg(recount(keep)).arg(sumOfHours(keep))))
        << lines[row].toStdString();
    EXPECT_THROW(frame.WriteCsv(folder.filePath("geen/map/kubus.csv")), EVornError);
}

TEST_F(CubeFrame, WritesTheShownPivotAsAWorkbook) {
    QTemporaryDir folder;
    const QString path = folder.filePath("kubus.xlsx");
    frame.WriteXlsx(path);
    ASSERT_TRUE(QFile::exists(path));
    const std::optional<QString> sheet = OutputOf("unzip", {"-p", path, "xl/worksheets/sheet1.xml"});
    if (!sheet)
        GTEST_SKIP() << "unzip is not installed";
    // The pivot starts under the lines that say what it shows and a blank row.
    const int top = static_cast<int>(ContextLines(frame.Heading()).size()) + 1;
    const auto cell = [top](const char* column, int row) {
        return QStringLiteral("%1%2").arg(column).arg(top + row);
    };
    EXPECT_TRUE(
        sheet->contains(QStringLiteral(R"(<mergeCell ref="%1:%2"/>)").arg(cell("C", 1), cell("D", 1))))
        << sheet->toStdString(); // "M" over two
    EXPECT_TRUE(
        sheet->contains(QStringLiteral(R"(<mergeCell ref="%1:%2"/>)").arg(cell("A", 3), cell("A", 4))));
    EXPECT_TRUE(
        sheet->contains(QStringLiteral(R"(<mergeCell ref="%1:%2"/>)").arg(cell("A", 5), cell("B", 5))));
    EXPECT_TRUE(sheet->contains(QStringLiteral(R"(topLeftCell="%1")").arg(cell("C", 3)))); // frozen headings
    const int row = top + RowOf(model(), {"1", "1A"}) + 1;
    const auto keep = [](const TEnrolment& e) { return e.klas == "1A" && e.geslacht == "M"; };
    EXPECT_TRUE(sheet->contains(QStringLiteral(R"(<c r="C%1" s=)").arg(row)));
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral(R"(<c r="C%1" s="\d+"><v>%2</v>)").arg(row).arg(recount(keep)))
            .match(*sheet)
            .hasMatch());
    const std::optional<QString> styles = OutputOf("unzip", {"-p", path, "xl/styles.xml"});
    EXPECT_TRUE(styles->contains(R"(formatCode="0.0")"));
}

TEST_F(CubeFrame, DrillThroughRowsAreExported) {
    QTemporaryDir folder;
    const int row = RowOf(model(), {"Totaal 1", "Totaal 1"});
    std::unique_ptr<TDrillThroughDialog> dialog = frame.DrillThroughDialog(row, model().HeaderColumnCount());
    dialog->WriteCsv(folder.filePath("details.csv"));
    const QStringList lines = ReadText(folder.filePath("details.csv")).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(),
              1 + recount([](const TEnrolment& e) { return e.graad == 1 && e.geslacht == "M"; }));
    EXPECT_TRUE(lines.front().startsWith("KLAS,GESLACHT,GRAAD"));
    dialog->WriteXlsx(folder.filePath("details.xlsx"));
    EXPECT_TRUE(QFile::exists(folder.filePath("details.xlsx")));
}

TEST(CubePrint, PagesRepeatTheHeadingsDownAndAcross) {
    std::vector<FieldDef> fields{FieldDef::wideString("RIJ", 10), FieldDef::wideString("KOL", 10)};
    Table table(fields);
    for (int row = 1; row <= 120; ++row)
        for (int column = 1; column <= 26; column += 1 + row % 2) {
            AppendValue(table, 0, QStringLiteral("Rij %1").arg(row, 3, 10, QChar('0')));
            AppendValue(table, 1, QStringLiteral("Kol %1").arg(column, 2, 10, QChar('0')));
        }
    TVornClientDataSet dataSet;
    for (const FieldDef& field : fields)
        dataSet.AddField(field);
    dataSet.CreateDataSet(std::move(table));
    const auto blob = BlobDataSet(R"({"format": "vorn-cube", "version": 1,
        "dimensions": [{"field": "RIJ", "caption": "Nummer"}, {"field": "KOL", "caption": "Kolom"}],
        "measures": [{"aggregate": "count", "caption": "Aantal"}], "layout": {"rows": ["RIJ"], "columns": ["KOL"]}})");
    TOLAPFrame frame;
    frame.LoadDefinition(blob->FieldByName("L_DEFINITIE"));
    frame.SetDataset(&dataSet);
    frame.ShowCube();
    QTemporaryDir folder;
    const QString path = folder.filePath("kubus.pdf");
    frame.WritePdf(path, "Leerlingen per klas");
    const std::optional<QString> info = OutputOf("pdfinfo", {path});
    if (!info || QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    const QRegularExpressionMatch pages = QRegularExpression(R"(Pages:\s+(\d+))").match(*info);
    ASSERT_TRUE(pages.hasMatch());
    const int pageCount = pages.captured(1).toInt();
    ASSERT_GE(pageCount, 4);
    std::vector<QString> texts;
    for (int page = 1; page <= pageCount; ++page)
        texts.push_back(
            *OutputOf("pdftotext", {"-f", QString::number(page), "-l", QString::number(page), path, "-"}));
    // Pages run down, then across: count the pages down by the first page's row headings.
    int down = 0;
    const std::set<QString> firstRows = Matches(texts[0], R"(Rij \d{3})");
    for (std::size_t page = 0; page < texts.size(); ++page)
        down += Matches(texts[page], R"(Rij \d{3})") == firstRows ? 1 : 0;
    const int across = down;
    ASSERT_GE(across, 2) << "the pivot must run across pages";
    ASSERT_EQ(pageCount % across, 0);
    const int pagesDown = pageCount / across;
    ASSERT_GE(pagesDown, 2);
    std::set<QString> everyRow;
    std::set<QString> everyColumn;
    for (int page = 0; page < pageCount; ++page) {
        const QString& text = texts[static_cast<std::size_t>(page)];
        const int d = page % pagesDown;
        const int a = page / pagesDown;
        EXPECT_TRUE(text.contains("Leerlingen per klas")) << page;
        EXPECT_TRUE(text.contains(QStringLiteral("Pagina %1 van %2").arg(page + 1).arg(pageCount))) << page;
        EXPECT_TRUE(text.contains("Nummer") && text.contains("Kolom") && text.contains("Aantal")) << page;
        // Row headings repeated on every page across, column headings on every page down.
        EXPECT_EQ(Matches(text, R"(Rij \d{3})"), Matches(texts[static_cast<std::size_t>(d)], R"(Rij \d{3})"));
        EXPECT_EQ(Matches(text, R"(Kol \d{2})"),
                  Matches(texts[static_cast<std::size_t>(a * pagesDown)], R"(Kol \d{2})"));
        const std::set<QString> rows = Matches(text, R"(Rij \d{3})");
        everyRow.insert(rows.begin(), rows.end());
        const std::set<QString> columns = Matches(text, R"(Kol \d{2})");
        everyColumn.insert(columns.begin(), columns.end());
    }
    EXPECT_EQ(everyRow.size(), 120u);
    EXPECT_EQ(everyColumn.size(), 26u);
    EXPECT_TRUE(texts.back().contains("Eindtotaal"));
}

namespace {

/// A pivot filtered to the boys of grade 1 and 2, under the heading a screen gives it.
struct FilteredCube : CubeFrame {
    void SetUp() override {
        CubeFrame::SetUp();
        frame.SetHeadingSource([] {
            TResultHeading heading;
            heading.screen = QStringLiteral("Statistieken");
            heading.institution = QStringLiteral("CVO1 Centrum Oost");
            heading.schoolYear = QStringLiteral("2025-2026");
            heading.statistic = QStringLiteral("Leerlingen per klas");
            return heading;
        });
        TPivotLayout layout = frame.Pivot()->Layout();
        layout.filters[dimension("GESLACHT")] = {0}; // M
        layout.filters[dimension("GRAAD")] = {0, 1}; // 1 and 2 of 1, 2, 3
        frame.ApplyLayout(layout);
    }
};

} // namespace

TEST_F(FilteredCube, EveryOutputSaysWhoseFiguresAndWhichFiltersItShows) {
    const QStringList wanted{"Instelling: CVO1 Centrum Oost", "Periode: schooljaar 2025-2026",
                             "Statistiek: Leerlingen per klas", "Filter: Graad: 1, 2", "Filter: Geslacht: M"};
    EXPECT_FALSE(frame.FilterNote()->isHidden());
    EXPECT_EQ(frame.FilterNote()->text(), QStringLiteral("Gefilterd: Graad: 1, 2; Geslacht: M"));

    QTemporaryDir folder;
    frame.WriteCsv(folder.filePath("kubus.csv"));
    const QString info = ReadText(folder.filePath("kubus.info.txt"));
    for (const QString& line : wanted)
        EXPECT_TRUE(info.contains(line)) << line.toStdString() << " in\n" << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression(R"(Gemaakt op: \d\d/\d\d/\d{4} \d\d:\d\d met Vorn \d)")));

    frame.WriteXlsx(folder.filePath("kubus.xlsx"));
    const std::optional<QString> strings =
        OutputOf("unzip", {"-p", folder.filePath("kubus.xlsx"), "xl/sharedStrings.xml"});
    if (strings) {
        for (const QString& line : wanted)
            EXPECT_TRUE(strings->contains(line)) << line.toStdString();
    }

    frame.WritePdf(folder.filePath("kubus.pdf"), "CURSSTG");
    const std::optional<QString> text = OutputOf("pdftotext", {"-layout", folder.filePath("kubus.pdf"), "-"});
    if (!text)
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    for (const QString& line : wanted)
        EXPECT_TRUE(text->contains(line)) << line.toStdString() << " in\n" << text->toStdString();
}

TEST_F(FilteredCube, TheNoteGoesWithTheFiltersAndDrillThroughRowsSayTheirCell) {
    TPivotLayout layout = frame.Pivot()->Layout();
    layout.filters.clear();
    frame.ApplyLayout(layout);
    EXPECT_TRUE(frame.FilterNote()->isHidden());

    QTemporaryDir folder;
    const int row = RowOf(model(), {"Totaal 1", "Totaal 1"});
    std::unique_ptr<TDrillThroughDialog> dialog = frame.DrillThroughDialog(row, model().HeaderColumnCount());
    dialog->WriteCsv(folder.filePath("details.csv"));
    const QString info = ReadText(folder.filePath("details.info.txt"));
    EXPECT_TRUE(info.contains("Instelling: CVO1 Centrum Oost")) << info.toStdString();
    EXPECT_TRUE(info.contains("Cel: Totaal 1 / M")) << info.toStdString();
}
