// The command line read on its own, without starting the program: verbs and options in any order,
// the requests they make, and the Dutch message for every wrong line.
#include "app/commandline.h"

#include "tests/common/qtprint.h"

#include <gtest/gtest.h>

using namespace vorn;

namespace {

TCommandLine Parse(QStringList arguments) {
    arguments.prepend(QStringLiteral("vorn"));
    return ParseCommandLine(arguments);
}

const QStringList ExportLine{"export",        "--screen", "TStatLLPerInstellingForm",
                             "--institution", "SJCAA",    "--date",
                             "2025-12-01",    "--out",    "uit"};

} // namespace

TEST(CommandLine, HelpAndVersionWinOverEverythingElse) {
    EXPECT_EQ(Parse({"export", "--help"}).command, TCommand::Help);
    EXPECT_EQ(Parse({"-h", "--geen-optie"}).command, TCommand::Help);
    EXPECT_EQ(Parse({"--version", "print"}).command, TCommand::Version);
    EXPECT_TRUE(QString::fromUtf8(UsageText()).contains("--statistic CODE"));
}

TEST(CommandLine, WithoutAVerbTheWindowOpensOrAPictureOrTheListIsMade) {
    const TCommandLine window = Parse({"-d", "school.db", "--open", "TStatLLPerInstellingForm"});
    EXPECT_EQ(window.command, TCommand::Window);
    EXPECT_EQ(window.database, "school.db");
    EXPECT_EQ(window.openScreen, "TStatLLPerInstellingForm");
    EXPECT_TRUE(window.reportDatabase.isEmpty());
    EXPECT_FALSE(window.Offscreen());
    EXPECT_TRUE(window.error.isEmpty());
    EXPECT_EQ(Parse({"--list-forms", "--modules", "mods"}).command, TCommand::ListForms);
    EXPECT_EQ(Parse({"--list-forms", "--modules", "mods"}).modules, "mods");
    const TCommandLine picture = Parse({"--screenshot", "venster.png"});
    EXPECT_EQ(picture.command, TCommand::Screenshot);
    EXPECT_EQ(picture.screenshot, "venster.png");
    EXPECT_TRUE(picture.Offscreen());
    // A standby's value is never taken for the verb, before or after it.
    for (const QStringList& arguments : {QStringList{"--report-database", "export", "export"},
                                         QStringList{"export", "--report-database", "export"}}) {
        QStringList line = arguments;
        line << ExportLine.mid(1);
        const TCommandLine standby = Parse(line);
        EXPECT_EQ(standby.command, TCommand::Export) << standby.error.toStdString();
        EXPECT_EQ(standby.reportDatabase, "export");
    }
}

TEST(CommandLine, AnExportGivesItsWholeRequestWhereverTheVerbStands) {
    QStringList options = ExportLine.mid(1);
    options << "--format"
            << "all"
            << "--figure"
            << "2"
            << "--scale"
            << "10";
    for (const qsizetype at : {qsizetype{0}, options.size()}) {
        QStringList arguments = options;
        arguments.insert(at, QStringLiteral("export"));
        const TCommandLine line = Parse(arguments);
        ASSERT_TRUE(line.error.isEmpty()) << line.error.toStdString();
        EXPECT_EQ(line.command, TCommand::Export);
        EXPECT_TRUE(line.Offscreen());
        const ExportRequest& request = line.exportRequest;
        EXPECT_EQ(request.screenClass, "TStatLLPerInstellingForm");
        EXPECT_EQ(request.outputFolder, "uit");
        EXPECT_EQ(request.format, ExportFormat::All);
        EXPECT_EQ(request.screen.institutionCode, "SJCAA");
        EXPECT_EQ(request.screen.date, EncodeDate(2025, 12, 1));
        EXPECT_EQ(request.screen.figure, 2);
        EXPECT_EQ(request.screen.scale, 10);
    }
    // A value that reads like a verb is still the option's value.
    const TCommandLine named = Parse({"--out", "print", "export", "--screen", "S", "--institution", "I",
                                      "--from", "2025-09-01", "--to", "2026-06-30"});
    ASSERT_TRUE(named.error.isEmpty()) << named.error.toStdString();
    EXPECT_EQ(named.command, TCommand::Export);
    EXPECT_EQ(named.exportRequest.outputFolder, "print");
    EXPECT_EQ(named.exportRequest.screen.from, EncodeDate(2025, 9, 1));
    EXPECT_EQ(named.exportRequest.screen.to, EncodeDate(2026, 6, 30));
    EXPECT_TRUE(named.exportRequest.screen.setsComparison)
        << "a verb without a comparison compares with nothing";
    EXPECT_FALSE(IsDateSet(named.exportRequest.screen.compareFrom));
    EXPECT_TRUE(RunsOffscreen({"vorn", "--out", "print", "export"}));
    EXPECT_FALSE(RunsOffscreen({"vorn", "--out", "print"})) << "print is the folder here";
}

TEST(CommandLine, AComparisonTakesADateOrAPeriod) {
    const TCommandLine period =
        Parse({"export", "--screen", "S", "--institution", "I", "--from", "2026-09-01", "--to", "2027-06-30",
               "--compare-from", "2025-09-01", "--compare-to", "2026-06-30", "--out", "d"});
    ASSERT_TRUE(period.error.isEmpty()) << period.error.toStdString();
    EXPECT_EQ(period.exportRequest.screen.compareFrom, EncodeDate(2025, 9, 1));
    EXPECT_EQ(period.exportRequest.screen.compareTo, EncodeDate(2026, 6, 30));
    const TCommandLine date = Parse({"export", "--screen", "S", "--institution", "I", "--date", "2026-10-01",
                                     "--compare-date", "2025-10-01", "--out", "d"});
    ASSERT_TRUE(date.error.isEmpty()) << date.error.toStdString();
    EXPECT_EQ(date.exportRequest.screen.compareFrom, EncodeDate(2025, 10, 1));
    EXPECT_FALSE(IsDateSet(date.exportRequest.screen.compareTo));
    const TCommandLine print = Parse({"print", "--screen", "S", "--institution", "I", "--date", "2026-10-01",
                                      "--compare-date", "2025-10-01", "--report", "R", "--pdf", "a.pdf"});
    ASSERT_TRUE(print.error.isEmpty()) << print.error.toStdString();
    EXPECT_EQ(print.printRequest.screen.compareFrom, EncodeDate(2025, 10, 1));
    const TCommandLine printedTrend =
        Parse({"print", "--screen", "S", "--institution", "I", "--date", "2026-10-01", "--trend", "3",
               "--report", "R", "--pdf", "a.pdf"});
    ASSERT_TRUE(printedTrend.error.isEmpty()) << printedTrend.error.toStdString();
    EXPECT_EQ(printedTrend.printRequest.screen.trendYears, 3);
    const TCommandLine trend = Parse({"export", "--screen", "S", "--institution", "I", "--date", "2026-10-01",
                                      "--trend", "5", "--out", "d"});
    ASSERT_TRUE(trend.error.isEmpty()) << trend.error.toStdString();
    EXPECT_EQ(trend.exportRequest.screen.trendYears, 5);

    const QStringList base{"export",     "--screen", "S", "--institution", "I", "--date",
                           "2026-10-01", "--out",    "d"};
    const std::vector<std::pair<QStringList, QString>> wrong{
        {base + QStringList{"--compare-from", "2025-09-01"}, "--compare-from en --compare-to samen"},
        {base + QStringList{"--compare-date", "2025-10-01", "--compare-from", "2025-09-01", "--compare-to",
                            "2026-06-30"},
         "niet beide"},
        {base + QStringList{"--compare-from", "2026-06-30", "--compare-to", "2025-09-01"},
         "--compare-from ligt na --compare-to"},
        {base + QStringList{"--compare-date", "vorig jaar"}, "--compare-date"},
        {base + QStringList{"--trend", "1"}, "--trend verwacht een aantal schooljaren vanaf 2"},
        {base + QStringList{"--trend", "5", "--compare-date", "2025-10-01"},
         "Geef --trend of een vergelijking"},
        {QStringList{"export", "--screen", "S", "--institution", "I", "--statistic", "C", "--compare-date",
                     "2025-10-01", "--out", "d"},
         "verwacht ook --date of een periode"},
    };
    for (const auto& [arguments, expected] : wrong) {
        const QString error = Parse(arguments).error;
        EXPECT_TRUE(error.startsWith("vorn export: ") && error.contains(expected))
            << arguments.join(' ').toStdString() << " gave: " << error.toStdString();
    }
}

TEST(CommandLine, APrintGivesItsReportCategoryAndPdf) {
    const TCommandLine line = Parse({"print", "--screen", "TStatCursistenPerInstellingForm", "--institution",
                                     "CVOBR", "--from", "2025-09-01", "--to", "2026-06-30", "--report",
                                     "Statistiek per klas", "--category", "0", "--pdf", "klas.pdf"});
    ASSERT_TRUE(line.error.isEmpty()) << line.error.toStdString();
    EXPECT_EQ(line.command, TCommand::Print);
    EXPECT_EQ(line.printRequest.report, "Statistiek per klas");
    EXPECT_EQ(line.printRequest.category, 0);
    EXPECT_EQ(line.printRequest.pdfPath, "klas.pdf");
    // A stored statistic prints on the work date: no date needed.
    const TCommandLine cube =
        Parse({"print", "--screen", "TOLAPStatsForm", "--institution", "CVOBR", "--statistic", "CURSSTG",
               "--report", "Afdruk rooster", "--pdf", "k.pdf"});
    EXPECT_TRUE(cube.error.isEmpty()) << cube.error.toStdString();
    EXPECT_EQ(cube.printRequest.screen.statistic, "CURSSTG");
}

TEST(CommandLine, EveryWrongLineSaysWhatIsWrongUnderTheRightHead) {
    const auto errorOf = [](const QStringList& arguments) { return Parse(arguments).error; };
    const auto exportWith = [](const QStringList& changes) {
        QStringList arguments = ExportLine;
        for (qsizetype i = 0; i + 1 < changes.size(); i += 2) {
            const qsizetype at = arguments.indexOf(changes[i]);
            if (changes[i + 1].isNull())
                arguments.remove(at, 2);
            else if (at >= 0)
                arguments[at + 1] = changes[i + 1];
            else
                arguments << changes[i] << changes[i + 1];
        }
        return arguments;
    };
    const std::vector<std::pair<QStringList, QString>> wrong{
        {exportWith({"--out", QString()}), "vorn export: export verwacht --out\n"},
        {exportWith({"--institution", QString()}), "vorn export: Geef --screen en --institution\n"},
        {exportWith({"--date", "1 december"}), "--date"},
        {exportWith({"--from", "2025-09-01", "--to", "2026-06-30"}),
         "vorn export: Geef --date of een periode"},
        {exportWith({"--date", QString(), "--from", "2026-01-01", "--to", "2025-09-01"}),
         "--from ligt na --to"},
        {exportWith({"--date", QString(), "--from", "2026-01-01"}), "--from en --to samen"},
        {exportWith({"--figure", "-1"}), "--figure verwacht een getal vanaf 0"},
        {exportWith({"--scale", "0"}), "--scale verwacht een positief getal"},
        {exportWith({"--scale", "tien"}), "--scale verwacht een positief getal"},
        {exportWith({"--format", "pdf"}), "vorn export: "},
        {{"print", "--screen", "S", "--institution", "I", "--date", "2025-12-01", "--pdf", "a.pdf"},
         "vorn print: print verwacht --report en --pdf\n"},
        {{"print", "--screen", "S", "--institution", "I", "--report", "R", "--pdf", "a.pdf"},
         "vorn print: print verwacht --date of een periode"},
        {{"print", "--screen", "S", "--institution", "I", "--date", "2025-12-01", "--report", "R", "--pdf",
          "a.pdf", "--category", "x"},
         "--category verwacht een getal vanaf 0"},
        {{"export", "print"}, "vorn: export en print gaan niet samen\n"},
        {{"--geen-optie"}, "vorn --help toont het gebruik."},
        {{"--database"}, "vorn --help toont het gebruik."},
        {{"rapport"}, "vorn: onbekend argument 'rapport'"},
        {{"export", "extra", "--out", "d"}, "vorn: onbekend argument 'extra'"},
    };
    for (const auto& [arguments, expected] : wrong) {
        const QString error = errorOf(arguments);
        EXPECT_TRUE(error.contains(expected))
            << arguments.join(' ').toStdString() << " gave: " << error.toStdString();
        EXPECT_TRUE(error.endsWith('\n')) << arguments.join(' ').toStdString();
    }
}
