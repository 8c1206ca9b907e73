// The report engine: report files read or refused with a message naming the file, placeholders,
// number formats, and the laid-out PDF read back as text (pdftotext): header on every page, rows
// never split, every row and bar exactly once, totals, footers.
#include "screenfixture.h"
#include "tests/data/fixtures.h"

#include "host/data/inifile.h"
#include "host/data/provider.h"
#include "host/forms/vornform.h"
#include "host/reports/printdialogs.h"
#include "host/reports/reportlayout.h"
#include "host/reports/reportpreview.h"
#include "telmod/participants/frmStatCursPerInst.h"
#include "telmod/participants/frmStatVWOCursPerInst.h"
#include "telmod/pupils/frmStatLLPerInst.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <set>

using namespace vorn;
using vorn::testing::MakeTable;

namespace {

QString Refusal(const QByteArray& text) {
    try {
        ParseReportFile(text, "proef.arf");
    } catch (const EReportError& error) {
        return error.message();
    }
    return {};
}

TEST(ReportFile, AFaultyFileIsRefusedWithItsNameAndWhatIsWrong) {
    const QByteArray section = R"("sections": [{"provider": "P", "columns": [{"field": "A"}]}])";
    const std::vector<std::pair<QByteArray, const char*>> cases{
        {"{\n\"format\": \"vorn-report\",\n\"version\": 1\n\"title\": \"x\"}", "regel 4"},
        {"[1, 2]", "JSON-object"},
        {R"({"format": "iets", "version": 1, "title": "x", )" + section + "}", "\"format\""},
        {R"({"format": "vorn-report", "version": 2, "title": "x", )" + section + "}", "versie 2"},
        {R"({"format": "vorn-report", "version": 1, "title": "x", "titel": "y", )" + section + "}",
         "onbekende sleutel \"titel\""},
        {R"({"format": "vorn-report", "version": 1, "title": "x", "sections": []})", "geen secties"},
        {R"({"format": "vorn-report", "version": 1, "sections": [{"provider": "P", "columns": [{"field": "A"}]}]})",
         "\"title\" ontbreekt"},
        {R"({"format": "vorn-report", "version": 1, "title": "x", "sections": [{"provider": "P", "columns": [{}]}]})",
         "sectie 1, kolom 1: \"field\" ontbreekt"},
        {R"({"format": "vorn-report", "version": 1, "title": "x", "sections": [{"columns": [{"field": "A"}]}]})",
         "precies één"},
        {R"({"format": "vorn-report", "version": 1, "title": "x", "sections": [{"provider": "P", "jobTable": "Q",
             "columns": [{"field": "A"}]}]})",
         "precies één"},
        {R"({"format": "vorn-report", "version": 1, "title": "x", "sections": [{"provider": "P",
             "columns": [{"field": "A", "align": "links"}]}]})",
         "\"align\""},
        {R"({"format": "vorn-report", "version": 1, "title": "x", "sections": [{"provider": "P",
             "columns": [{"field": "A", "format": "0,00"}]}]})",
         "getalnotatie \"0,00\""},
        {R"({"format": "vorn-report", "version": 1, "title": "x", "sections": [{"provider": "P",
             "columns": [{"field": "A", "format": "0.0000000"}]}]})",
         "tot zes decimalen"},
        {QByteArray(R"({"format": "vorn-report", "version": 1, "title": "x", "sections": [{"provider": "P",
             "columns": [{"field": "A", "format": "#,##0.)") +
             QByteArray(100000, '0') + R"("}]}]})",
         "tot zes decimalen"},
        {R"({"format": "vorn-report", "version": 1, "title": "x", "sections": [{"provider": "P",
             "columns": [{"field": "A", "width": 0}]}]})",
         "\"width\" moet een getal"},
        {R"({"format": "vorn-report", "version": 1, "title": "x", "sections": [{"provider": "P",
             "columns": [{"field": "A"}], "totals": {"sum": ["B"]}}]})",
         "\"B\" is geen kolom"},
        {R"({"format": "vorn-report", "version": 1, "title": "x", "sections": [{"provider": "P",
             "params": {"X": {"value": "1", "type": "getal"}}, "columns": [{"field": "A"}]}]})",
         "parametertype \"getal\""},
        {R"({"format": "vorn-report", "version": 1, "title": "x", "page": {"size": "A7"}, )" + section + "}",
         "papierformaat \"A7\""},
    };
    for (const auto& [text, fragment] : cases) {
        const QString message = Refusal(text);
        EXPECT_TRUE(message.startsWith("Rapportbestand \"proef.arf\": ")) << text.toStdString();
        EXPECT_TRUE(message.contains(QString::fromUtf8(fragment)))
            << "expected '" << fragment << "' in: " << message.toStdString();
    }
}

TEST(ReportFile, EveryShippedReportFileIsReadAndEveryScreensReportFileIsShipped) {
    qputenv("VORN_REPORT_PATH", VORN_SOURCE_DIR "/reports");
    const QStringList files = QDir(VORN_SOURCE_DIR "/reports").entryList({"*.arf"});
    EXPECT_EQ(files.size(), 17);
    for (const QString& name : files)
        EXPECT_NO_THROW(LoadReportFile(QDir(VORN_SOURCE_DIR "/reports").filePath(name)))
            << name.toStdString();
    int reports = 0;
    telmod::TStatLLPerInstellingForm pupils;
    telmod::TStatCursistenPerInstellingForm osp;
    telmod::TStatVWOCursistenPerInstellingForm vwo;
    for (const TVornDBForm* form : std::initializer_list<const TVornDBForm*>{&pupils, &osp, &vwo}) {
        for (const TReportDef& def : form->ReportDefs) {
            if (def.FileName.isEmpty())
                continue;
            ++reports;
            EXPECT_TRUE(FindReportFile(def.FileName).startsWith(VORN_SOURCE_DIR "/reports/"))
                << def.FileName.toStdString();
        }
    }
    EXPECT_EQ(reports, 17);
    qunsetenv("VORN_REPORT_PATH");
    EXPECT_THROW(FindReportFile("../geheim.arf"), EReportError);
}

TEST(ReportFile, PlaceholdersAndNumbersAreFilledInAsTheUserReadsThem) {
    const TPlaceholders values = PlaceholdersOf({"IS_ID=7", "WerkDatum=1/09/2024", "Leeg="},
                                                QDateTime(QDate(2026, 1, 2), QTime(9, 5)));
    EXPECT_EQ(Substitute("{is_id} op {WERKDATUM}{Leeg}.", values, "x.arf"), "7 op 1/09/2024.");
    EXPECT_EQ(Substitute("geen {plaatshouder", values, "x.arf"), "geen {plaatshouder");
    try {
        Substitute("{Onbekend}", values, "x.arf");
        ADD_FAILURE();
    } catch (const EReportError& error) {
        EXPECT_TRUE(error.message().contains("x.arf") && error.message().contains("{Onbekend}"));
    }
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::Dutch, QLocale::Belgium));
    EXPECT_EQ(FormatNumber(1234567, "#,##0"), "1.234.567");
    EXPECT_EQ(FormatNumber(1234567, "0"), "1234567");
    EXPECT_EQ(FormatNumber(2.5, "0.00"), "2,50");
    EXPECT_EQ(FormatNumber(-0.001, "0.0"), "0,0");
    EXPECT_EQ(FormatNumber(1234.5, "#,##0.0"), "1.234,5");
    QLocale::setDefault(previous);
}

TEST(ReportFile, TheChosenPageSetUpIsRememberedPerReportFile) {
    QTemporaryDir dir;
    TVornIniFile settings(dir.filePath("vorn.ini"));
    TReportFile file = ParseReportFile(R"({"format": "vorn-report", "version": 1, "title": "x",
        "page": {"size": "A4", "orientation": "portrait"},
        "sections": [{"provider": "P", "columns": [{"field": "A"}]}]})",
                                       "een.arf");
    EXPECT_EQ(PageLayoutFor(file, &settings).orientation(), QPageLayout::Portrait);
    RememberPageLayout(&settings, file,
                       QPageLayout(QPageSize(QPageSize::A3), QPageLayout::Landscape, QMarginsF(5, 6, 7, 8),
                                   QPageLayout::Millimeter));
    const QPageLayout remembered = PageLayoutFor(file, &settings);
    EXPECT_EQ(remembered.pageSize().id(), QPageSize::A3);
    EXPECT_EQ(remembered.orientation(), QPageLayout::Landscape);
    EXPECT_EQ(remembered.margins(QPageLayout::Millimeter), QMarginsF(5, 6, 7, 8));
    file.name = "ander.arf";
    EXPECT_EQ(PageLayoutFor(file, &settings).pageSize().id(), QPageSize::A4) << "per report file";
    settings.WriteString("Afdrukinstellingen", "ander.arf", "A4;schuin;1;2;3;x");
    EXPECT_EQ(PageLayoutFor(file, &settings).orientation(), QPageLayout::Portrait)
        << "a damaged entry is ignored";
}

/// 300 rows whose descriptions wrap onto several lines, with markers at both ends, and a chart.
class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<QVariantList> rows;
        for (int i = 1; i <= RowCount; ++i) {
            const QString words = QString("woord ").repeated(i % 7 == 0 ? 40 : i % 3);
            rows.push_back({i, QStringLiteral("R%1").arg(i, 3, 10, QChar('0')),
                            QStringLiteral("B%1 %2E%1").arg(i, 3, 10, QChar('0')).arg(words), i * 10});
        }
        broker_.addTable("DSPRegels",
                         MakeTable({FieldDef::integer("ID"), FieldDef::wideString("CODE", 10),
                                    FieldDef::wideString("TEKST", 400), FieldDef::integer("AANTAL")},
                                   rows));
        std::vector<QVariantList> bars;
        for (int i = 1; i <= BarCount; ++i)
            bars.push_back({QStringLiteral("Staaf%1").arg(i, 2, 10, QChar('0')), i});
        broker_.addTable("DSPStaven",
                         MakeTable({FieldDef::wideString("NAAM", 20), FieldDef::integer("WAARDE")}, bars));
    }

    /// The PDF's text page by page.
    QStringList PagesOf(const QString& pdf) {
        QProcess process;
        process.start("pdftotext", {"-layout", pdf, "-"});
        EXPECT_TRUE(process.waitForFinished(60000));
        QStringList pages = QString::fromUtf8(process.readAllStandardOutput()).split('\f');
        if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
            pages.removeLast();
        return pages;
    }

    /// Where a word is printed on the first page it is on: its left and right edge in points.
    static std::optional<std::pair<double, double>> WordBox(const QString& pdf, const QString& word) {
        QProcess process;
        process.start("pdftotext", {"-bbox", pdf, "-"});
        process.waitForFinished(60000);
        const QRegularExpression box(
            QStringLiteral(
                R"re(<word xMin="([\d.]+)" yMin="[\d.]+" xMax="([\d.]+)" yMax="[\d.]+">%1</word>)re")
                .arg(word));
        const QRegularExpressionMatch found = box.match(QString::fromUtf8(process.readAllStandardOutput()));
        if (!found.hasMatch())
            return std::nullopt;
        return std::make_pair(found.captured(1).toDouble(), found.captured(2).toDouble());
    }

    static constexpr int RowCount = 300;
    static constexpr int BarCount = 90;
    InMemoryBroker broker_;
    QTemporaryDir dir_;
};

TEST_F(LayoutTest, EveryPageHasItsHeadersAndFooterAndNoRowIsSplit) {
    const TReportFile file = ParseReportFile(R"({"format": "vorn-report", "version": 1,
        "title": "Proefrapport {Naam}", "header": ["Periode tot {Tot}"],
        "page": {"size": "A5", "margins": {"left": 10, "top": 10, "right": 10, "bottom": 10}},
        "sections": [
          {"caption": "Regels", "provider": "DSPRegels", "order": ["-AANTAL"],
           "columns": [{"field": "CODE", "caption": "Code", "width": 15},
                       {"field": "TEKST", "caption": "Omschrijving", "width": 60, "overflow": "wrap"},
                       {"field": "AANTAL", "caption": "Aantal", "width": 20, "align": "right", "format": "0"}],
           "totals": {"caption": "Samen", "sum": ["AANTAL"]}},
          {"caption": "Staven", "provider": "DSPStaven",
           "columns": [{"field": "NAAM", "caption": "Naam"}, {"field": "WAARDE", "caption": "Waarde", "align": "right"}],
           "chart": {"title": "Grafiek", "label": "NAAM", "value": "WAARDE"}}]})",
                                             "proef.arf");
    const TReportData data = ReadReportData(file, {"Naam=Eén", "Tot=30/06/2025"},
                                            QDateTime(QDate(2026, 1, 2), QTime(9, 5)), &broker_);
    ASSERT_EQ(data.sections.at(0).rowCount, RowCount);
    EXPECT_EQ(data.sections[0].Cell(0, 0), "R300") << "sorted by AANTAL descending";
    const TReportDocument document(file, data, file.page.ToLayout());
    ASSERT_GT(document.PageCount(), 10);
    const QString pdf = dir_.filePath("proef.pdf");
    WriteReportPdf(document, pdf);
    const QStringList pages = PagesOf(pdf);
    ASSERT_EQ(pages.size(), document.PageCount());

    EXPECT_TRUE(pages[0].contains("Proefrapport Eén"));
    EXPECT_TRUE(pages[0].contains("Periode tot 30/06/2025"));
    std::map<int, int> beginPage, endPage;
    std::map<QString, int> bars;
    for (int p = 0; p < pages.size(); ++p) {
        const QString& page = pages[p];
        EXPECT_TRUE(page.contains(QStringLiteral("Pagina %1 van %2").arg(p + 1).arg(pages.size()))) << p;
        EXPECT_TRUE(page.contains("Afgedrukt op")) << p;
        if (p > 0) {
            EXPECT_TRUE(page.contains("Proefrapport Eén")) << "running head on page " << p + 1;
        }
        const bool rowsHere = page.contains(QRegularExpression("\\bR\\d{3}\\b"));
        if (rowsHere) {
            EXPECT_TRUE(page.contains("Omschrijving") && page.contains("Aantal"))
                << "headers on page " << p + 1;
        }
        for (auto it = QRegularExpression("\\bB(\\d{3}) ").globalMatch(page); it.hasNext();)
            EXPECT_TRUE(beginPage.emplace(it.next().captured(1).toInt(), p).second) << "row printed twice";
        for (auto it = QRegularExpression("E(\\d{3})\\b").globalMatch(page); it.hasNext();)
            EXPECT_TRUE(endPage.emplace(it.next().captured(1).toInt(), p).second);
        for (auto it = QRegularExpression("\\bStaaf\\d{2}\\b").globalMatch(page); it.hasNext();)
            ++bars[it.next().captured(0)];
    }
    ASSERT_EQ(beginPage.size(), static_cast<std::size_t>(RowCount));
    ASSERT_EQ(endPage.size(), static_cast<std::size_t>(RowCount));
    for (const auto& [row, page] : beginPage)
        EXPECT_EQ(endPage[row], page) << "row " << row << " is split across pages";
    EXPECT_TRUE(pages.join('\n').contains(QStringLiteral("Samen")));
    EXPECT_TRUE(pages.join('\n').contains(QString::number(RowCount * (RowCount + 1) / 2 * 10)))
        << "the total";
    ASSERT_EQ(bars.size(), static_cast<std::size_t>(BarCount));
    for (const auto& [bar, count] : bars)
        EXPECT_EQ(count, 2) << bar.toStdString() << ": once in the table and once in the chart";
}

/// A report of `filler` one-line rows, then a section "Groepen" of six long group names in a
/// wrapped column `width` millimetres wide, under captions that are single long words.
TReportFile GroupReport(InMemoryBroker& broker, int filler, int width) {
    std::vector<QVariantList> codes;
    for (int i = 0; i < filler; ++i)
        codes.push_back({QStringLiteral("V%1").arg(i)});
    broker.addTable(QStringLiteral("DSPVulling%1").arg(filler),
                    MakeTable({FieldDef::wideString("CODE", 10)}, codes));
    std::vector<QVariantList> groups;
    for (int i = 0; i < 6; ++i)
        groups.push_back({QStringLiteral("Wiskunde tweedekansonderwijs groep 445"), i});
    broker.addTable("DSPGroepen",
                    MakeTable({FieldDef::wideString("NAAM", 60), FieldDef::integer("AANTAL")}, groups));
    return ParseReportFile(QStringLiteral(R"({"format": "vorn-report", "version": 1, "title": "Proef",
        "page": {"size": "A5", "margins": {"left": 10, "top": 10, "right": 10, "bottom": 10}},
        "sections": [
          {"caption": "Vulling", "provider": "DSPVulling%1", "columns": [{"field": "CODE", "caption": "Code", "width": 20}]},
          {"caption": "Groepen", "provider": "DSPGroepen",
           "columns": [{"field": "NAAM", "caption": "Omschrijving", "width": %2, "overflow": "wrap"},
                       {"field": "AANTAL", "caption": "Opleidingsvariant", "width": 14},
                       {"field": "AANTAL", "caption": "Aantal", "width": 14}]}]})")
                               .arg(filler)
                               .arg(width)
                               .toUtf8(),
                           "proef.arf");
}

TEST_F(LayoutTest, TextWrapsBetweenWordsAndCaptionsFitTheirColumn) {
    for (int width = 30; width <= 75; ++width) {
        const TReportFile file = GroupReport(broker_, 1, width);
        const TReportData data =
            ReadReportData(file, {}, QDateTime(QDate(2026, 1, 2), QTime(9, 5)), &broker_);
        const QString pdf = dir_.filePath(QStringLiteral("breed%1.pdf").arg(width));
        WriteReportPdf(TReportDocument(file, data, file.page.ToLayout()), pdf);
        const QString all = PagesOf(pdf).join('\n');
        EXPECT_EQ(all.count(QRegularExpression("\\b445\\b")), 6)
            << width << " mm: a group number is never cut\n"
            << all.toStdString();
        const auto caption = WordBox(pdf, "Opleidingsvariant");
        const auto next = WordBox(pdf, "Aantal");
        ASSERT_TRUE(caption && next) << width << " mm: the captions are printed whole";
        EXPECT_LT(caption->second, next->first) << width << " mm: a caption ends before the next begins";
    }
}

TEST_F(LayoutTest, NoSectionLeavesASingleRowAtTheFootOfAPage) {
    bool reachedTheFoot = false;
    for (int filler = 1; filler <= 40; ++filler) {
        const TReportFile file = GroupReport(broker_, filler, 70);
        const TReportData data =
            ReadReportData(file, {}, QDateTime(QDate(2026, 1, 2), QTime(9, 5)), &broker_);
        const QString pdf = dir_.filePath(QStringLiteral("vulling%1.pdf").arg(filler));
        WriteReportPdf(TReportDocument(file, data, file.page.ToLayout()), pdf);
        const QStringList pages = PagesOf(pdf);
        reachedTheFoot = reachedTheFoot || pages.size() > 1;
        for (const QString& page : pages) {
            if (page.contains("Groepen")) {
                EXPECT_GE(page.count("445"), 2) << "filler " << filler << "\n" << page.toStdString();
            }
        }
    }
    EXPECT_TRUE(reachedTheFoot) << "some filler must push the section to the foot of the first page";
}

TEST_F(LayoutTest, AnEmptySectionSaysSoAndAMissingFieldIsNamed) {
    broker_.addTable("DSPLeeg", MakeTable({FieldDef::integer("ID")}, {}));
    const TReportFile file = ParseReportFile(R"({"format": "vorn-report", "version": 1, "title": "Leeg",
        "sections": [{"provider": "DSPLeeg", "columns": [{"field": "ID"}], "totals": {"sum": ["ID"]}}]})",
                                             "leeg.arf");
    const TReportData data = ReadReportData(file, {}, QDateTime::currentDateTime(), &broker_);
    const QString pdf = dir_.filePath("leeg.pdf");
    WriteReportPdf(TReportDocument(file, data, file.page.ToLayout()), pdf);
    const QStringList pages = PagesOf(pdf);
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].contains("Geen gegevens"));

    const TReportFile wrong = ParseReportFile(R"({"format": "vorn-report", "version": 1, "title": "x",
        "sections": [{"provider": "DSPLeeg", "columns": [{"field": "NAAM"}]}]})",
                                              "fout.arf");
    try {
        ReadReportData(wrong, {}, QDateTime::currentDateTime(), &broker_);
        ADD_FAILURE();
    } catch (const EReportError& error) {
        EXPECT_TRUE(error.message().contains("fout.arf") && error.message().contains("\"NAAM\""))
            << error.message().toStdString();
    }
    EXPECT_THROW(
        WriteReportPdf(TReportDocument(file, data, file.page.ToLayout()), dir_.filePath("geen/map/x.pdf")),
        EVornError);
    EXPECT_FALSE(QFile::exists(dir_.filePath("geen/map/x.pdf")));
}

/// A provider of one school year's classes: the year is its parameter "Jaar".
Table ClassesOf(int year) {
    const std::map<int, std::vector<QVariantList>> years{
        {2025,
         {{"1A", "Eerste A", 10}, {"1B", "Eerste B", 5}, {"", "Zonder code", 4}, {"2A", "Tweede A", 7}}},
        {2024, {{"1A", "Eerste A", 8}, {"", "Zonder code", 2}, {"2A", "Tweede A", 7}, {"3A", "Derde A", 3}}}};
    const auto found = years.find(year);
    return MakeTable(
        {FieldDef::wideString("CODE", 10), FieldDef::wideString("TEKST", 40), FieldDef::integer("AANTAL")},
        found == years.end() ? std::vector<QVariantList>{} : found->second);
}

/// Code (or description where there is none) -> the AANTAL text of a report read for one year.
std::map<QString, QString> CountsByCategory(const TReportSectionData& section) {
    std::map<QString, QString> counts;
    for (int row = 0; row < section.rowCount; ++row)
        counts[section.Cell(row, 0).isEmpty() ? section.Cell(row, 1) : section.Cell(row, 0)] =
            section.Cell(row, 2);
    return counts;
}

TEST_F(LayoutTest, AComparedReportSetsEachRowBesideWhatTheOtherYearsOwnReportPrinted) {
    broker_.addHandler("DSPKlassen", [](const TParams& params) {
        return ClassesOf(static_cast<int>(params.ParamByName("Jaar").AsInteger()));
    });
    const auto fileWith = [](const QString& sectionKeys) {
        return ParseReportFile(
            QStringLiteral(R"({"format": "vorn-report", "version": 1, "title": "Klassen {Jaar}",
            "sections": [{"caption": "Per klas", "provider": "DSPKlassen",
              "params": {"Jaar": {"value": "{Jaar}", "type": "integer"}}, %1
              "columns": [{"field": "CODE", "caption": "Code"}, {"field": "TEKST", "caption": "Omschrijving"},
                          {"field": "AANTAL", "caption": "Aantal", "align": "right", "format": "#,##0"}],
              "totals": {"sum": ["AANTAL"]},
              "chart": {"title": "Aantal per klas", "label": "CODE", "value": "AANTAL"}}]})")
                .arg(sectionKeys)
                .toUtf8(),
            "klassen.arf");
    };
    const TReportFile file = fileWith(R"("match": ["CODE"],)");
    const QDateTime at(QDate(2026, 1, 2), QTime(9, 5));
    const TReportSectionData thisYear = ReadReportData(file, {"Jaar=2025"}, at, &broker_).sections.at(0);
    const TReportSectionData lastYear = ReadReportData(file, {"Jaar=2024"}, at, &broker_).sections.at(0);
    const std::map<QString, QString> current = CountsByCategory(thisYear);
    const std::map<QString, QString> other = CountsByCategory(lastYear);

    const QStringList params{"Jaar=2025", "VGL_Jaar=2024", "Reeks=2025-2026", "VGL_Reeks=2024-2025",
                             "Vergelijking=Vergeleken met: schooljaar 2024-2025"};
    const TReportData compared = ReadReportData(file, params, at, &broker_);
    EXPECT_EQ(compared.title, "Klassen 2025") << "the title is the current side's";
    EXPECT_TRUE(compared.header.contains("Vergeleken met: schooljaar 2024-2025"));
    const TReportSectionData& section = compared.sections.at(0);
    QStringList captions;
    for (const TReportColumn& column : section.columns)
        captions << column.caption;
    EXPECT_EQ(captions.join('|'), "Code|Omschrijving|Aantal|Aantal vgl.|Aantal verschil|Aantal %");

    std::set<QString> seen;
    for (int row = 0; row < section.rowCount; ++row) {
        const QString category = section.Cell(row, 0).isEmpty() ? section.Cell(row, 1) : section.Cell(row, 0);
        EXPECT_TRUE(seen.insert(category).second) << "twice: " << category.toStdString();
        const auto mine = current.find(category);
        const auto theirs = other.find(category);
        EXPECT_EQ(section.Cell(row, 2), mine == current.end() ? QString() : mine->second)
            << category.toStdString();
        EXPECT_EQ(section.Cell(row, 3), theirs == other.end() ? QString() : theirs->second)
            << category.toStdString();
        const bool both = mine != current.end() && theirs != other.end();
        EXPECT_EQ(section.Cell(row, 4),
                  both ? QString::number(mine->second.toInt() - theirs->second.toInt()) : QString())
            << "a difference only where both years have the category: " << category.toStdString();
        EXPECT_EQ(section.Cell(row, 5).isEmpty(), !both) << category.toStdString();
    }
    EXPECT_EQ(seen.size(), 5U) << "1A, 1B, 2A and the class without code of both years, 3A of last year";
    EXPECT_EQ(section.Cell(0, 0), "1A") << "the current order first";
    EXPECT_EQ(section.Cell(section.rowCount - 1, 0), "3A") << "then what only the other year has";
    EXPECT_EQ(section.totals.join('|'), "||26|20|6|+30 %");

    ASSERT_TRUE(section.hasChart);
    ASSERT_EQ(section.chart.SeriesCount(), 2);
    EXPECT_EQ(section.chart.SeriesAt(1).name, "2024-2025");
    ASSERT_EQ(section.chart.BarCount(), section.rowCount);
    EXPECT_EQ(section.chart.Bars(0).values, (std::vector<int>{10, 8}));

    // Paired only within one school year: across years every row stands alone and the other
    // year's rows are left out, while the totals are still both years' own.
    const TReportFile classes = fileWith(R"("match": ["CODE"], "withinSchoolYear": true,)");
    const TReportSectionData apart =
        ReadReportData(classes, params + QStringList{"VGL_ZelfdeSchooljaar=0"}, at, &broker_).sections.at(0);
    EXPECT_EQ(apart.rowCount, thisYear.rowCount);
    for (int row = 0; row < apart.rowCount; ++row)
        EXPECT_TRUE(apart.Cell(row, 3).isEmpty() && apart.Cell(row, 4).isEmpty());
    EXPECT_EQ(apart.totals.join('|'), "||26|20|6|+30 %");
    EXPECT_EQ(ReadReportData(classes, params + QStringList{"VGL_ZelfdeSchooljaar=1"}, at, &broker_)
                  .sections.at(0)
                  .Cell(0, 3),
              "8");

    // A year without rows: an honest empty side, every change "nieuw" only in the totals.
    const TReportSectionData empty =
        ReadReportData(file, {"Jaar=2025", "VGL_Jaar=1990"}, at, &broker_).sections.at(0);
    EXPECT_EQ(empty.rowCount, thisYear.rowCount);
    EXPECT_EQ(empty.totals.join('|'), "||26|0|26|nieuw");

    // A summed text cannot be compared: said, naming the file, instead of a made-up difference.
    const TReportFile texts = ParseReportFile(R"({"format": "vorn-report", "version": 1, "title": "x",
        "sections": [{"provider": "DSPKlassen", "params": {"Jaar": {"value": "{Jaar}", "type": "integer"}},
          "columns": [{"field": "CODE"}, {"field": "TEKST"}], "totals": {"sum": ["TEKST"]}}]})",
                                              "tekst.arf");
    try {
        ReadReportData(texts, params, at, &broker_);
        ADD_FAILURE() << "a summed text was compared";
    } catch (const EReportError& error) {
        EXPECT_TRUE(error.message().contains("tekst.arf") && error.message().contains("\"TEKST\""))
            << error.message().toStdString();
    }

    const QString pdf = dir_.filePath("vergelijking.pdf");
    WriteReportPdf(TReportDocument(file, compared, file.page.ToLayout()), pdf);
    const QString text = PagesOf(pdf).join('\n');
    EXPECT_TRUE(text.contains("vgl.") && text.contains("+25 %") && text.contains("2024-2025"))
        << text.toStdString();
}

/// Whether a rectangle of an image holds anything but white paper.
bool Inked(const QImage& image, const QRect& area) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                return true;
    return false;
}

TEST_F(LayoutTest, ThePreviewDrawsOnlyThePagesShownAndTurnsThemByKey) {
    const TReportFile file = ParseReportFile(R"({"format": "vorn-report", "version": 1, "title": "Lang",
        "page": {"size": "A5", "margins": {"left": 20, "top": 20, "right": 20, "bottom": 20}},
        "sections": [{"provider": "DSPRegels", "columns": [{"field": "CODE"}, {"field": "TEKST", "overflow": "wrap"}]}]})",
                                             "lang.arf");
    const TReportData data = ReadReportData(file, {}, QDateTime::currentDateTime(), &broker_);
    TReportPreview preview(file, data, nullptr);
    preview.show();
    vorn::testing::Idle();
    const int pages = TReportDocument(file, data, file.page.ToLayout()).PageCount();
    ASSERT_GT(pages, 20);
    EXPECT_EQ(preview.PageCount(), pages);
    EXPECT_LE(preview.DrawnPages(), 3) << "opening draws the first page, not all " << pages;

    const auto press = [&](Qt::Key key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&preview, &event);
    };
    press(Qt::Key_PageDown);
    EXPECT_EQ(preview.CurrentPage(), 1);
    press(Qt::Key_End);
    EXPECT_EQ(preview.CurrentPage(), pages - 1);
    press(Qt::Key_PageDown);
    EXPECT_EQ(preview.CurrentPage(), pages - 1) << "past the last page stays there";
    press(Qt::Key_Home);
    EXPECT_EQ(preview.CurrentPage(), 0);
    EXPECT_LE(preview.DrawnPages(), 8);

    // At 100 % the paper is as wide as on the screen, the margins white, the page inked inside them.
    preview.Zoom()->setCurrentIndex(preview.Zoom()->findText("100 %"));
    const QImage& image = preview.ShownImage();
    EXPECT_NEAR(image.width(), 148 / 25.4 * 96, 1.0);
    const int margin = static_cast<int>(20 / 25.4 * 96);
    EXPECT_FALSE(Inked(image, QRect(0, 0, margin - 2, image.height())));
    EXPECT_TRUE(Inked(image, QRect(margin, margin, image.width() - 2 * margin, image.height() - 2 * margin)));
    EXPECT_NE(RenderReportPage(preview.Document(), 0, 48), RenderReportPage(preview.Document(), 1, 48));

    // Another page set-up lays the report out again and keeps a page of it in view.
    preview.ShowPage(pages - 1);
    preview.SetPageLayout(QPageLayout(QPageSize(QPageSize::A3), QPageLayout::Portrait,
                                      QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
    EXPECT_LT(preview.PageCount(), pages);
    EXPECT_GT(preview.CurrentPage(), 0);
    EXPECT_LT(preview.CurrentPage(), preview.PageCount());
}

TEST_F(LayoutTest, ThePrintDialogCanBeCancelledAndThePreviewShowsThePages) {
    const TReportFile file = ParseReportFile(R"({"format": "vorn-report", "version": 1, "title": "Proef",
        "sections": [{"provider": "DSPRegels", "columns": [{"field": "CODE"}, {"field": "TEKST"}]}]})",
                                             "dialoog.arf");
    const TReportData data = ReadReportData(file, {}, QDateTime::currentDateTime(), &broker_);
    TPrinterReportOutput printer(TPrinterReportOutput::Mode::Print, nullptr, nullptr);
    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->windowTitle().contains("Afdrukken"));
        dialog->close();
    });
    EXPECT_FALSE(printer.Send(file, data)) << "a cancelled print dialog prints nothing";

    QTemporaryDir dir;
    TVornIniFile settings(dir.filePath("vorn.ini"));
    TPrinterReportOutput preview(TPrinterReportOutput::Mode::Preview, nullptr, &settings);
    QTimer::singleShot(100, [] {
        auto* dialog = dynamic_cast<TReportPreview*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->windowTitle().contains("Afdrukvoorbeeld"));
        dialog->close();
    });
    EXPECT_TRUE(preview.Send(file, data));
    EXPECT_FALSE(settings.ReadString("Afdrukinstellingen", "dialoog.arf", {}).isEmpty())
        << "the page set-up of the preview is remembered";
}

} // namespace

namespace {

TEST(PrintSequence, AReportWithoutFileIsTheScreensOwnToPrint) {
    TVornDBForm form;
    form.ReportDefs = {{"Afdruk rooster", QString()}};
    QStringList events;
    form.OnBeforePrint = [&](QObject*, const QString& report, bool& goOn) {
        events << "voor " + report;
        goOn = report != "Afdruk rooster"; // the screen prints it itself
    };
    form.AfterPrint = [&](QObject*, const QString&, const QStringList&) { events << "na"; };
    struct NoOutput : IReportOutput {
        bool Send(const TReportFile&, const TReportData&) override { return true; }
    } output;
    EXPECT_FALSE(RunPrint(form, "Afdruk rooster", output));
    EXPECT_EQ(events, QStringList{"voor Afdruk rooster"}) << "stopped by the screen: no AfterPrint";

    form.OnBeforePrint = nullptr;
    try {
        RunPrint(form, "Afdruk rooster", output);
        ADD_FAILURE() << "a report without file that the screen does not print itself";
    } catch (const EClientError& error) {
        EXPECT_TRUE(error.message().contains("Afdruk rooster")) << error.message().toStdString();
    }
    EXPECT_EQ(events.last(), "na") << "AfterPrint after the failure";
    EXPECT_THROW(RunPrint(form, "Bestaat niet", output), EClientError);
}

} // namespace
