// The comparison with another period on the participant screens, checked against two fetches of
// one period each: every compared figure is recounted from those, not from the comparison itself.
#include "telmod/participants/frmStatCursPerInst.h"
#include "telmod/participants/frmStatVWOCursPerInst.h"
#include "telmod/pupils/frmStatLLPerInst.h"
#include "telmod/staff/frmStatsPSPop.h"
#include "telmod/staff/frmStatsUren.h"

#include "participantviews.h"
#include "screenfixture.h"

#include "host/data/cell.h"
#include "host/data/comparison.h"
#include "host/data/errors.h"
#include "host/data/inifile.h"
#include "host/forms/outputcontext.h"
#include "host/reports/printsequence.h"

#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <algorithm>
#include <limits>
#include <map>
#include <optional>
#include <set>

using namespace vorn;
using telmod::TParticipantStatsForm;

namespace {

TDateTime day(const char* text) {
    return DateToDateTime(QDate::fromString(QString::fromLatin1(text), Qt::ISODate));
}

struct Span {
    const char* from;
    const char* to;
};

const Span ThisYear{"2025-09-01", "2026-06-30"};
const Span LastYear{"2024-09-01", "2025-06-30"};

/// One category row of one period: its key (code, else description), its id and every field.
struct Row {
    QString key;
    QString id;
    std::map<QString, QString> values;
};
using ScreenRows = std::map<QString, std::vector<Row>>;

QString textAt(const TVornClientDataSet& rows, const QString& field, int position) {
    const TField& f = rows.FieldByName(field);
    return CellText(f.Def(), rows.cellAtPosition(f, position));
}

QString keyOf(const TVornClientDataSet& rows, int position) {
    const QString code = textAt(rows, "Code", position).trimmed();
    if (!code.isEmpty())
        return "c" + code.toCaseFolded();
    return "f" + textAt(rows, "Omschrijving", position).trimmed().toCaseFolded();
}

/// The other period's row for each of this period's rows, by the rule a user is told: same code
/// (else description); of several, the one with the same id, else the first left.
std::vector<int> Partners(const std::vector<Row>& now, const std::vector<Row>& then) {
    std::vector<bool> taken(then.size(), false);
    std::vector<int> partners;
    for (const Row& row : now) {
        int chosen = -1;
        for (std::size_t i = 0; i < then.size(); ++i) {
            if (taken[i] || then[i].key != row.key)
                continue;
            if (chosen < 0 || then[i].id == row.id)
                chosen = static_cast<int>(i);
            if (then[i].id == row.id)
                break;
        }
        if (chosen >= 0)
            taken[static_cast<std::size_t>(chosen)] = true;
        partners.push_back(chosen);
    }
    return partners;
}

class ComparisonTest : public vorn::testing::DemoScreenTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        DemoScreenTest::SetUp();
        if (GetParam()) {
            form_ = std::make_unique<telmod::TStatCursistenPerInstellingForm>();
            ScreenTest::Attach(*form_, "DSPBrowseOSPInstellingen");
        } else {
            form_ = std::make_unique<telmod::TStatVWOCursistenPerInstellingForm>();
            ScreenTest::Attach(*form_, "DSPBrowseVWOInstellingen");
        }
        results_ = form_->Results();
        institution_ = results_->InstitutionCodes().value(0);
        ASSERT_FALSE(institution_.isEmpty());
    }
    void TearDown() override {
        form_.reset();
        DemoScreenTest::TearDown();
    }

    void Fetch(const Span& period, const Span* other = nullptr) {
        TScreenRequest request;
        request.institutionCode = institution_;
        request.from = day(period.from);
        request.to = day(period.to);
        request.setsComparison = true;
        if (other != nullptr) {
            request.compareFrom = day(other->from);
            request.compareTo = day(other->to);
        }
        results_->SetRequest(request);
        results_->Fetch();
    }

    /// Every page's rows of one period, fetched without comparison.
    ScreenRows FetchAlone(const Span& period) {
        Fetch(period);
        ScreenRows screen;
        for (const TResultTable& table : results_->Tables()) {
            std::vector<Row>& page = screen[table.caption];
            const TVornClientDataSet& rows = *table.dataSet;
            for (int position = 0; position < rows.RecordCount(); ++position) {
                Row row{keyOf(rows, position), textAt(rows, "ID", position), {}};
                for (int field = 0; field < rows.FieldCount(); ++field)
                    row.values[rows.Fields(field).FieldName()] =
                        textAt(rows, rows.Fields(field).FieldName(), position);
                page.push_back(row);
            }
        }
        return screen;
    }

    /// The figure fields of a compared grid: those with a comparison column.
    static QStringList Figures(const TVornClientDataSet& rows) {
        QStringList figures;
        for (int field = 0; field < rows.FieldCount(); ++field) {
            const QString name = rows.Fields(field).FieldName();
            if (name.endsWith("_VGL"))
                figures << name.chopped(4);
        }
        return figures;
    }

    std::unique_ptr<TParticipantStatsForm> form_;
    IScreenResults* results_ = nullptr;
    QString institution_;
};

TEST_P(ComparisonTest, EveryComparedFigureIsWhatTwoSeparateFetchesCounted) {
    const ScreenRows now = FetchAlone(ThisYear);
    const ScreenRows then = FetchAlone(LastYear);
    Fetch(ThisYear, &LastYear);
    ASSERT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();

    int compared = 0;
    for (const TResultTable& table : results_->Tables()) {
        const bool classes = table.caption == "Per Klas";
        const std::vector<Row>& current = now.at(table.caption);
        const std::vector<Row>& other = then.at(table.caption);
        // What the grid must hold: this period's rows with their partners, then the other's left over.
        std::vector<std::pair<const Row*, const Row*>> expected;
        const std::vector<int> partners =
            classes ? std::vector<int>(current.size(), -1) : Partners(current, other);
        std::vector<bool> used(other.size(), false);
        for (std::size_t i = 0; i < current.size(); ++i) {
            const Row* partner = partners[i] >= 0 ? &other[static_cast<std::size_t>(partners[i])] : nullptr;
            if (partner != nullptr)
                used[static_cast<std::size_t>(partners[i])] = true;
            expected.emplace_back(&current[i], partner);
        }
        for (std::size_t i = 0; i < other.size() && !classes; ++i)
            if (!used[i])
                expected.emplace_back(nullptr, &other[i]);

        const TVornClientDataSet& rows = *table.dataSet;
        const QStringList figures = Figures(rows);
        ASSERT_FALSE(figures.isEmpty()) << table.caption.toStdString();
        ASSERT_EQ(rows.RecordCount(), static_cast<int>(expected.size())) << table.caption.toStdString();
        for (int position = 0; position < rows.RecordCount(); ++position) {
            const auto& [mine, theirs] = expected[static_cast<std::size_t>(position)];
            const Row& shown = mine != nullptr ? *mine : *theirs;
            const std::string where = table.caption.toStdString() + " " + shown.key.toStdString();
            EXPECT_EQ(textAt(rows, "ID", position), shown.id) << where;
            for (const QString& figure : figures) {
                const QString a = mine != nullptr ? mine->values.at(figure) : QString();
                const QString b = theirs != nullptr ? theirs->values.at(figure) : QString();
                EXPECT_EQ(textAt(rows, figure, position), a) << where;
                EXPECT_EQ(textAt(rows, figure + "_VGL", position), b) << where;
                const bool both = !a.isEmpty() && !b.isEmpty();
                EXPECT_EQ(textAt(rows, figure + "_VERSCHIL", position),
                          both ? QString::number(a.toLongLong() - b.toLongLong()) : "")
                    << where;
                EXPECT_EQ(textAt(rows, figure + "_PROCENT", position),
                          both ? ChangeText(a.toDouble(), b.toDouble()) : QString())
                    << where;
                ++compared;
            }
        }
    }
    EXPECT_GT(compared, 100);

    const auto& bars = vorn::testing::ResultChart(*results_, "Per Opleiding");
    ASSERT_EQ(bars.Painter().SeriesCount(), 2);
    EXPECT_EQ(bars.Painter().SeriesAt(1).name, "01/09/2024 - 30/06/2025");

    const QStringList lines = ContextLines(results_->Heading());
    EXPECT_TRUE(lines.contains("Vergeleken met: 01/09/2024 tot en met 30/06/2025 (schooljaar 2024-2025)"))
        << lines.join('\n').toStdString();
    EXPECT_TRUE(form_->Comparison->LVergelijkNoot->text().contains("Klassen van een ander schooljaar"));
}

TEST_P(ComparisonTest, TheTotalsLineSetsBothPeriodsTotalsSideBySide) {
    Fetch(LastYear);
    const auto then = telmod::TotalsOf(results_->Totals());
    Fetch(ThisYear);
    const auto now = telmod::TotalsOf(results_->Totals());
    Fetch(ThisYear, &LastYear);
    const QString line = results_->Totals();
    ASSERT_EQ(now.size(), then.size());
    for (std::size_t i = 0; i < now.size(); ++i) {
        const qint64 difference = now[i].second - then[i].second;
        const QString part =
            QStringLiteral("%1: %2 (vgl. %3, %4%5, %6)")
                .arg(now[i].first)
                .arg(now[i].second)
                .arg(then[i].second)
                .arg(difference > 0 ? "+" : "")
                .arg(difference)
                .arg(ChangeText(static_cast<double>(now[i].second), static_cast<double>(then[i].second)));
        EXPECT_TRUE(line.contains(part)) << part.toStdString() << "\nin " << line.toStdString();
    }
    Fetch(ThisYear);
    EXPECT_FALSE(results_->Totals().contains("vgl.")) << "without comparison the plain line comes back";
    EXPECT_TRUE(ContextLines(results_->Heading()).filter("Vergeleken").isEmpty());
    EXPECT_EQ(vorn::testing::ResultChart(*results_, "Per Opleiding").Painter().SeriesCount(), 0);
}

TEST_P(ComparisonTest, WithinOneSchoolYearClassesAreMatched) {
    const Span autumn{"2025-09-01", "2025-12-31"};
    const Span spring{"2026-01-01", "2026-06-30"};
    Fetch(spring, &autumn);
    const TResultTable classes = results_->Tables().front();
    ASSERT_EQ(classes.caption, "Per Klas");
    int matched = 0;
    for (int position = 0; position < classes.dataSet->RecordCount(); ++position)
        matched +=
            classes.dataSet->cellAtPosition(classes.dataSet->FieldByName("Count_VGL"), position).index() != 0;
    EXPECT_GT(matched, 0);
    EXPECT_FALSE(form_->Comparison->LVergelijkNoot->text().contains("Klassen"));
}

TEST_P(ComparisonTest, AComparisonThatCannotBeMadeSaysWhyAndAnEmptyOtherSideStaysEmpty) {
    const std::vector<std::pair<Span, QString>> wrong{
        {ThisYear, "dezelfde als de gekozen"},
        {{"2026-01-01", "2026-08-31"}, "overlapt de gekozen periode"},
        {{"2019-09-01", "2020-06-30"}, "geen schooljaar 2019-2020 op de server"},
    };
    for (const auto& [other, message] : wrong) {
        try {
            Fetch(ThisYear, &other);
            ADD_FAILURE() << "no error for " << other.from;
        } catch (const EVornError& error) {
            EXPECT_TRUE(error.message().contains(message)) << error.message().toStdString();
        }
    }
    // A refused comparison leaves what was shown as it was.
    Fetch(ThisYear, &LastYear);
    const Span overlap{"2026-01-01", "2026-08-31"};
    EXPECT_THROW(Fetch(ThisYear, &overlap), EVornError);
    EXPECT_NE(results_->Tables().front().dataSet->FindField("Count_VGL"), nullptr);
    EXPECT_TRUE(results_->Totals().contains("vgl."));

    const Span summer{"2024-07-01", "2024-08-31"};
    Fetch(ThisYear, &summer);
    EXPECT_TRUE(form_->Comparison->LVergelijkNoot->text().startsWith("Geen cursisten"))
        << form_->Comparison->LVergelijkNoot->text().toStdString();
    for (const TResultTable& table : results_->Tables())
        for (int position = 0; position < table.dataSet->RecordCount(); ++position)
            EXPECT_EQ(
                table.dataSet->cellAtPosition(table.dataSet->FieldByName("Count_VERSCHIL"), position).index(),
                0U)
                << "no difference against nothing";
}

TEST_P(ComparisonTest, TheChoiceAndTheHiddenFiguresAreRememberedAndHiddenGroupsLeaveTheGrid) {
    Fetch(ThisYear, &LastYear);
    telmod::TComparisonBar& bar = *form_->Comparison;
    ASSERT_TRUE(bar.BKolommen->isEnabled());
    bar.BKolommen->menu()->aboutToShow();
    QAction* men = nullptr;
    for (QAction* action : bar.BKolommen->menu()->actions())
        if (action->text() == "Mannen")
            men = action;
    ASSERT_NE(men, nullptr);
    men->setChecked(false);
    const QString header = vorn::testing::GridHeader(vorn::testing::ResultGrid(*results_, "Per Opleiding"));
    EXPECT_TRUE(header.contains("|Mannen|")) << header.toStdString();
    EXPECT_FALSE(header.contains("Mannen vgl.")) << header.toStdString();
    EXPECT_TRUE(header.contains("Vrouwen")) << header.toStdString();
    TVornGridDBTableView* view = vorn::testing::ResultGrid(*results_, "Per Opleiding").GetActiveDBView();
    const QStringList captions = header.split('|');
    const auto percent = std::find_if(captions.begin(), captions.end(),
                                      [](const QString& caption) { return caption.endsWith(" %"); });
    const int change = static_cast<int>(percent - captions.begin());
    ASSERT_LT(change, captions.size()) << header.toStdString();
    EXPECT_TRUE(view->data(view->index(0, change), Qt::TextAlignmentRole).value<Qt::Alignment>() &
                Qt::AlignRight)
        << "a change in percent lines up with the numbers";
    // Sorted by the number it says, growth from nothing ("nieuw") above every number, empty first.
    view->sort(change, Qt::AscendingOrder);
    std::optional<double> previous;
    bool empty = true;
    for (int row = 0; row < view->rowCount(); ++row) {
        QString text = view->CellText(row, change);
        if (text.isEmpty()) {
            EXPECT_TRUE(empty) << "empty changes come first";
            continue;
        }
        empty = false;
        const double value = text == "nieuw"
                                 ? std::numeric_limits<double>::infinity()
                                 : QLocale(QLocale::Dutch).toDouble(text.remove(" %").remove('+'));
        if (previous) {
            EXPECT_LE(*previous, value) << text.toStdString();
        }
        previous = value;
    }

    TVornIniFile settings(dir_.filePath("settings.ini"));
    form_->RaiseSaveSettings(settings);
    auto again = GetParam()
                     ? std::unique_ptr<TParticipantStatsForm>(new telmod::TStatCursistenPerInstellingForm)
                     : std::unique_ptr<TParticipantStatsForm>(new telmod::TStatVWOCursistenPerInstellingForm);
    again->RaiseRestoreSettings(settings);
    EXPECT_EQ(again->Comparison->Choice(), telmod::TComparisonChoice::Other);
    EXPECT_EQ(again->Comparison->EVergelijkVanaf->Date(), day(LastYear.from));
    EXPECT_EQ(again->Comparison->EVergelijkTot->Date(), day(LastYear.to));
    EXPECT_TRUE(again->Comparison->HiddenFigures().contains("Mannen"));
}

/// Keeps what a report would have printed.
class KeptReport : public IReportOutput {
public:
    bool Send(const TReportFile&, const TReportData& data) override {
        printed = data;
        return true;
    }
    TReportData printed;
};

/// Code and description -> the figures of every printed row of that category (a code may be used
/// twice): the cells from column `first` on, or, with `line` set, the line `line` of those cells (a
/// compared figure holds its current value, the other, the difference and the change on four lines).
std::map<QString, std::multiset<QStringList>> PrintedRows(const TReportSectionData& section, int first,
                                                          std::optional<int> line = std::nullopt) {
    std::map<QString, std::multiset<QStringList>> rows;
    for (int row = 0; row < section.rowCount; ++row) {
        QStringList figures;
        for (int column = first; column < section.columnCount; ++column)
            figures << (line ? section.Cell(row, column).split('\n').value(*line)
                             : section.Cell(row, column));
        if (std::any_of(figures.begin(), figures.end(), [](const QString& cell) { return !cell.isEmpty(); }))
            rows[section.Cell(row, 0) + u'|' + section.Cell(row, 1)].insert(figures);
    }
    return rows;
}

TEST_P(ComparisonTest, APrintedComparisonIsTwoPrintsOfOnePeriodSideBySide) {
    const auto printed = [this](const QString& keyword, const Span& period, const Span* other) {
        Fetch(period, other);
        const auto def =
            std::find_if(form_->ReportDefs.begin(), form_->ReportDefs.end(),
                         [&](const TReportDef& each) { return each.DisplayName.contains(keyword); });
        EXPECT_NE(def, form_->ReportDefs.end());
        KeptReport output;
        EXPECT_TRUE(RunPrint(*form_, def->DisplayName, output));
        return output.printed;
    };
    const TReportSectionData thisYear = printed("opleiding", ThisYear, nullptr).sections.at(0);
    const TReportSectionData lastYear = printed("opleiding", LastYear, nullptr).sections.at(0);
    const TReportData report = printed("opleiding", ThisYear, &LastYear);
    ASSERT_TRUE(std::any_of(report.header.begin(), report.header.end(), [](const QString& line) {
        return line.startsWith("Vergeleken met: 01/09/2024");
    })) << report.header.join('\n').toStdString();
    TReportSectionData compared = report.sections.at(0);
    const int figures = thisYear.columnCount - 2;
    ASSERT_EQ(compared.columnCount, 3 + figures) << "one column a figure, its parts on four lines";
    // The last row is the totals, in the shape of the others.
    ASSERT_EQ(compared.Cell(compared.rowCount - 1, 0), "Totaal");
    for (int figure = 0; figure < figures; ++figure) {
        const QStringList totals = compared.Cell(compared.rowCount - 1, 3 + figure).split('\n');
        EXPECT_EQ(totals.value(0), thisYear.totals[2 + figure]);
        EXPECT_EQ(totals.value(1), lastYear.totals[2 + figure]);
    }
    --compared.rowCount;
    EXPECT_EQ(PrintedRows(compared, 3, 0), PrintedRows(thisYear, 2)) << "every row of this year's own print";
    EXPECT_EQ(PrintedRows(compared, 3, 1), PrintedRows(lastYear, 2)) << "every row of last year's own print";
    int paired = 0;
    for (int row = 0; row < compared.rowCount; ++row)
        for (int figure = 0; figure < figures; ++figure) {
            const QStringList parts = compared.Cell(row, 3 + figure).split('\n');
            ASSERT_EQ(parts.size(), 4);
            const bool both = !parts[0].isEmpty() && !parts[1].isEmpty();
            paired += both && figure == 0 ? 1 : 0;
            if (both)
                EXPECT_EQ(QLocale().toInt(parts[2]), QLocale().toInt(parts[0]) - QLocale().toInt(parts[1]));
            else
                EXPECT_TRUE(parts[2].isEmpty() && parts[3].isEmpty()) << "no difference against nothing";
        }
    EXPECT_GT(paired, 0) << "courses are the same category in both school years";

    // A class of another school year is another class: printed with an empty other side.
    const TReportSectionData classes = printed("klas", ThisYear, &LastYear).sections.at(0);
    ASSERT_GT(classes.rowCount, 0);
    for (int row = 0; row + 1 < classes.rowCount; ++row)
        EXPECT_TRUE(classes.Cell(row, 3).split('\n').value(1).isEmpty())
            << classes.Cell(row, 0).toStdString();
}

TEST_P(ComparisonTest, AComparedPrintThatFailsHalfWayLeavesNoJobRowsAndTheNextOneWorks) {
    const auto jobRows = [this] {
        return broker_->open("DSPReports", {}, "SELECT J_ID FROM JOBDATA").rowCount();
    };
    Fetch(ThisYear, &LastYear);
    int drawn = 0;
    host_->onJobId = [&drawn] {
        if (++drawn == 2) // the other period's job
            RaiseClientError("De server antwoordt niet");
    };
    KeptReport output;
    EXPECT_THROW(RunPrint(*form_, form_->ReportDefs.at(0).DisplayName, output), EVornError);
    host_->onJobId = nullptr;
    EXPECT_EQ(jobRows(), 0U) << "the first job's rows are removed again";
    EXPECT_TRUE(RunPrint(*form_, form_->ReportDefs.at(0).DisplayName, output));
    EXPECT_GT(output.printed.sections.at(0).rowCount, 0);
    EXPECT_EQ(jobRows(), 0U);
}

TEST_P(ComparisonTest, ATrendShowsEachYearsTotalAndTheLargestCategoriesAsSeparateFetchesCountedThem) {
    const Span years[] = {{"2023-09-01", "2024-06-30"}, LastYear, ThisYear};
    std::vector<ScreenRows> alone;
    std::vector<qint64> totals;
    for (const Span& year : years) {
        alone.push_back(FetchAlone(year));
        for (const auto& [label, value] : telmod::TotalsOf(results_->Totals()))
            if (label == "Inschrijvingen")
                totals.push_back(value);
    }
    ASSERT_EQ(totals.size(), 3U);
    TScreenRequest request;
    request.institutionCode = institution_;
    request.from = day(ThisYear.from);
    request.to = day(ThisYear.to);
    request.figure = 0; // enrolments
    request.setsComparison = true;
    request.trendYears = 3;
    results_->SetRequest(request);
    results_->Fetch();
    EXPECT_TRUE(
        ContextLines(results_->Heading())
            .contains(
                "Verloop: 3 schooljaren, 2023-2024 tot en met 2025-2026; het totaal en de 10 grootste"));
    for (const TResultTable& table : results_->Tables()) {
        const TVornClientDataSet& rows = *table.dataSet;
        const std::string page = table.caption.toStdString();
        ASSERT_EQ(rows.FieldCount(), 6) << page; // ID, code, description, three years
        EXPECT_EQ(textAt(rows, "Code", 0), "Totaal") << page;
        for (int year = 0; year < 3; ++year)
            EXPECT_EQ(textAt(rows, rows.Fields(3 + year).FieldName(), 0), QString::number(totals[year]))
                << page;
        // The ten largest of the last year, each with its value in the years it is paired.
        std::vector<Row> last = alone[2].at(table.caption);
        std::stable_sort(last.begin(), last.end(), [](const Row& a, const Row& b) {
            return a.values.at("Count").toLongLong() > b.values.at("Count").toLongLong();
        });
        const std::size_t shown = std::min<std::size_t>(10, last.size());
        ASSERT_EQ(rows.RecordCount(), static_cast<int>(shown) + 1) << page;
        const std::vector<Row>& lastInOrder = alone[2].at(table.caption);
        for (std::size_t i = 0; i < shown; ++i) {
            EXPECT_EQ(textAt(rows, "ID", static_cast<int>(i) + 1), last[i].id) << page;
            for (int year = 0; year < 2; ++year) {
                QString expected;
                if (table.caption != "Per Klas") {
                    const std::vector<Row>& earlier = alone[static_cast<std::size_t>(year)].at(table.caption);
                    const std::vector<int> partners = Partners(lastInOrder, earlier);
                    for (std::size_t j = 0; j < lastInOrder.size(); ++j)
                        if (lastInOrder[j].id == last[i].id && partners[j] >= 0)
                            expected = earlier[static_cast<std::size_t>(partners[j])].values.at("Count");
                }
                EXPECT_EQ(textAt(rows, rows.Fields(3 + year).FieldName(), static_cast<int>(i) + 1), expected)
                    << page << " " << last[i].key.toStdString();
            }
            EXPECT_EQ(textAt(rows, rows.Fields(5).FieldName(), static_cast<int>(i) + 1),
                      last[i].values.at("Count"));
        }
    }
    const TBarChart& chart = vorn::testing::ResultChart(*results_, "Per Opleiding");
    ASSERT_EQ(chart.Painter().SeriesCount(), 3);
    EXPECT_EQ(chart.Painter().SeriesAt(0).name, "2023-2024");

    // Printed, whichever report is asked: every grid as shown, no job written for it.
    KeptReport printed;
    ASSERT_TRUE(RunPrint(*form_, form_->ReportDefs.at(0).DisplayName, printed));
    EXPECT_TRUE(printed.printed.header.contains(
        "Verloop: 3 schooljaren, 2023-2024 tot en met 2025-2026; het totaal en de 10 grootste"));
    const std::vector<TResultTable> tables = results_->Tables();
    ASSERT_EQ(printed.printed.sections.size(), tables.size());
    for (std::size_t t = 0; t < tables.size(); ++t) {
        const TReportSectionData& section = printed.printed.sections[t];
        const TResultTable& table = tables[t];
        EXPECT_EQ(section.caption, table.caption);
        ASSERT_EQ(section.columnCount, static_cast<int>(table.columns.size()));
        ASSERT_EQ(section.rowCount, table.dataSet->RecordCount());
        for (int row = 0; row < section.rowCount; ++row)
            for (int column = 0; column < section.columnCount; ++column) {
                const QString shown =
                    textAt(*table.dataSet, table.columns[static_cast<std::size_t>(column)].fieldName,
                           table.rowOrder.empty() ? row : table.rowOrder[static_cast<std::size_t>(row)]);
                EXPECT_EQ(QString(section.Cell(row, column)).remove(QLocale().groupSeparator()), shown)
                    << table.caption.toStdString() << " " << row << " " << column;
            }
    }

    TScreenRequest tooMany = request;
    tooMany.trendYears = 5;
    results_->SetRequest(tooMany);
    try {
        results_->Fetch();
        ADD_FAILURE() << "no school year 2021-2022 in the demo data";
    } catch (const EVornError& error) {
        EXPECT_TRUE(error.message().contains("hoogstens 3 schooljaren")) << error.message().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, ComparisonTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "OSP" : "VWO";
                         });

/// The pupil and staff-hours screens compare two dates.
class DateComparisonTest : public vorn::testing::DemoScreenTest,
                           public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        DemoScreenTest::SetUp();
        const QString screen = GetParam();
        if (screen == "pupils")
            form_ = std::make_unique<telmod::TStatLLPerInstellingForm>();
        else
            form_ = std::make_unique<telmod::TStatsPSUrenForm>();
        Attach(*form_);
        results_ = form_->Results();
        ASSERT_TRUE(results_->Inputs().comparison);
        // An institution with figures on both dates the tests compare.
        for (const QString& code : results_->InstitutionCodes()) {
            institution_ = code;
            if (HasRows("2025-10-01") && HasRows("2024-10-01"))
                return;
        }
        FAIL() << "no institution with figures in both school years";
    }
    bool HasRows(const char* date) {
        Fetch(date);
        const std::vector<TResultTable> tables = results_->Tables();
        return std::any_of(tables.begin(), tables.end(),
                           [](const TResultTable& table) { return table.dataSet->RecordCount() > 0; });
    }
    void TearDown() override {
        form_.reset();
        DemoScreenTest::TearDown();
    }
    void Fetch(const char* date, const char* other = nullptr) {
        TScreenRequest request;
        request.institutionCode = institution_;
        request.date = day(date);
        request.setsComparison = true;
        if (other != nullptr)
            request.compareFrom = day(other);
        results_->SetRequest(request);
        results_->Fetch();
    }
    /// Each grid's rows as "field=value|..." over `fields`, counted.
    static std::map<QString, int> Lines(const TVornClientDataSet& rows, const QStringList& labels,
                                        const QStringList& figures, const QString& suffix) {
        std::map<QString, int> lines;
        for (int position = 0; position < rows.RecordCount(); ++position) {
            QStringList cells;
            bool any = false;
            for (const QString& figure : figures) {
                const QString value = textAt(rows, figure + suffix, position);
                any = any || !value.isEmpty();
                cells << value;
            }
            if (!any)
                continue;
            for (const QString& label : labels)
                cells << textAt(rows, label, position);
            ++lines[cells.join(u'|')];
        }
        return lines;
    }

    std::unique_ptr<telmod::TInstitutionDateForm> form_;
    IScreenResults* results_ = nullptr;
    QString institution_;
};

TEST_P(DateComparisonTest, EachSideHoldsExactlyTheRowsOfItsOwnDate) {
    std::map<QString, const TVornClientDataSet*> compared;
    std::map<QString, std::unique_ptr<TVornClientDataSet>> now;
    std::map<QString, std::unique_ptr<TVornClientDataSet>> then;
    const auto keep = [this](std::map<QString, std::unique_ptr<TVornClientDataSet>>& into) {
        for (const TResultTable& table : results_->Tables()) {
            auto copy = std::make_unique<TVornClientDataSet>(table.caption);
            LoadTable(*copy, RowsInOrder(*table.dataSet));
            into[table.caption] = std::move(copy);
        }
    };
    Fetch("2025-10-01");
    keep(now);
    Fetch("2024-10-01");
    keep(then);
    Fetch("2025-10-01", "2024-10-01");
    ASSERT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    int checked = 0;
    for (const TResultTable& table : results_->Tables()) {
        const TVornClientDataSet& rows = *table.dataSet;
        QStringList figures;
        QStringList labels;
        for (int field = 0; field < rows.FieldCount(); ++field) {
            const QString name = rows.Fields(field).FieldName();
            if (name.endsWith("_VGL"))
                figures << name.chopped(4);
        }
        for (int field = 0; field < rows.FieldCount(); ++field) {
            const QString name = rows.Fields(field).FieldName();
            if (!name.contains('_') || !figures.contains(name.section('_', 0, -2)))
                if (!figures.contains(name))
                    labels << name;
        }
        ASSERT_FALSE(figures.isEmpty()) << table.caption.toStdString();
        EXPECT_EQ(Lines(rows, labels, figures, ""), Lines(*now.at(table.caption), labels, figures, ""))
            << table.caption.toStdString();
        const bool classes = table.caption == "Per klas";
        if (classes)
            EXPECT_TRUE(Lines(rows, {}, figures, "_VGL").empty()) << "classes of another school year";
        else
            EXPECT_EQ(Lines(rows, {}, figures, "_VGL"), Lines(*then.at(table.caption), {}, figures, ""))
                << table.caption.toStdString();
        ++checked;
    }
    EXPECT_GE(checked, 2);
    EXPECT_EQ(
        vorn::testing::ResultChart(*results_, results_->Series().front().caption).Painter().SeriesCount(), 2);
}

TEST_P(DateComparisonTest, ATrendTotalsEachYearAsItsOwnFetchDoes) {
    const char* dates[] = {"2023-10-01", "2024-10-01", "2025-10-01"};
    const QString figure = QString(GetParam()) == "pupils" ? "THECOUNT" : "EFFCOUNT";
    std::vector<std::map<QString, double>> sums;
    for (const char* date : dates) {
        Fetch(date);
        std::map<QString, double> year;
        for (const TResultTable& table : results_->Tables())
            year[table.caption] = SumOf(*table.dataSet, figure).value_or(-1);
        sums.push_back(year);
    }
    TScreenRequest request;
    request.institutionCode = institution_;
    request.date = day(dates[2]);
    request.setsComparison = true;
    request.trendYears = 3;
    results_->SetRequest(request);
    results_->Fetch();
    for (const TResultTable& table : results_->Tables()) {
        const TVornClientDataSet& rows = *table.dataSet;
        const int first = rows.FieldCount() - 3;
        for (int year = 0; year < 3; ++year)
            EXPECT_DOUBLE_EQ(rows.Fields(first + year).AsFloat(),
                             sums[static_cast<std::size_t>(year)].at(table.caption))
                << table.caption.toStdString() << " " << year;
        EXPECT_LE(rows.RecordCount(), 11);
        if (table.caption == "Per klas") {
            ASSERT_GT(rows.RecordCount(), 1);
            for (int position = 1; position < rows.RecordCount(); ++position)
                EXPECT_TRUE(textAt(rows, rows.Fields(first).FieldName(), position).isEmpty())
                    << "a class of another school year is another class";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, DateComparisonTest, ::testing::Values("pupils", "staffhours"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param);
                         });

/// The pupil screen, whose report counts for itself from the print parameters of both dates.
class PupilPrintComparisonTest : public DateComparisonTest {
protected:
    TReportData Printed(const char* date, const char* other) {
        Fetch(date, other);
        KeptReport output;
        EXPECT_TRUE(RunPrint(*form_, form_->ReportDefs.at(0).DisplayName, output));
        return output.printed;
    }
};

TEST_P(PupilPrintComparisonTest, EverySectionIsBothDatesOwnReportSideBySide) {
    const TReportData now = Printed("2025-10-01", nullptr);
    const TReportData then = Printed("2024-10-01", nullptr);
    const TReportData compared = Printed("2025-10-01", "2024-10-01");
    EXPECT_TRUE(compared.header.contains("Vergeleken met: 01/10/2024 (schooljaar 2024-2025)"))
        << compared.header.join('\n').toStdString();
    ASSERT_EQ(compared.sections.size(), now.sections.size());
    int paired = 0;
    for (std::size_t s = 0; s < now.sections.size(); ++s) {
        const TReportSectionData& section = compared.sections[s];
        const int labels = now.sections[s].columnCount - 1; // the last column is the count
        ASSERT_EQ(section.columnCount, labels + 4) << section.caption.toStdString();
        // Labels and one figure per row, from column `figure`: as a multiset, since a label may
        // repeat.
        const auto rows = [labels](const TReportSectionData& data, int figure) {
            std::multiset<QStringList> lines;
            for (int row = 0; row < data.rowCount; ++row) {
                if (data.Cell(row, figure).isEmpty())
                    continue;
                QStringList line;
                for (int column = 0; column < labels; ++column)
                    line << data.Cell(row, column);
                lines.insert(line << data.Cell(row, figure));
            }
            return lines;
        };
        EXPECT_EQ(rows(section, labels), rows(now.sections[s], labels)) << section.caption.toStdString();
        const bool classes = section.caption == "Per klas";
        if (!classes) {
            EXPECT_EQ(rows(section, labels + 1), rows(then.sections[s], labels))
                << section.caption.toStdString();
        }
        for (int row = 0; row < section.rowCount; ++row) {
            const bool both =
                !section.Cell(row, labels).isEmpty() && !section.Cell(row, labels + 1).isEmpty();
            EXPECT_FALSE(classes && !section.Cell(row, labels + 1).isEmpty())
                << "a class of another school year is another class";
            paired += both ? 1 : 0;
            if (both) {
                EXPECT_EQ(QLocale().toInt(section.Cell(row, labels + 2)),
                          QLocale().toInt(section.Cell(row, labels)) -
                              QLocale().toInt(section.Cell(row, labels + 1)));
            }
        }
        EXPECT_EQ(section.totals.value(labels), now.sections[s].totals.value(labels));
        EXPECT_EQ(section.totals.value(labels + 1), then.sections[s].totals.value(labels));
    }
    EXPECT_GT(paired, 0);
}

INSTANTIATE_TEST_SUITE_P(Screens, PupilPrintComparisonTest, ::testing::Values("pupils"));

using PopulationComparisonTest = vorn::testing::DemoScreenTest;

TEST_F(PopulationComparisonTest, PairsEachBandWithTheSameBandOnTheOtherDate) {
    telmod::TStatsPSPopulatieForm form;
    Attach(form);
    IScreenResults& results = *form.Results();
    const auto fetch = [&](const char* date, const char* other) {
        TScreenRequest request;
        request.institutionCode = results.InstitutionCodes().value(0);
        request.date = day(date);
        request.scale = 5;
        request.setsComparison = true;
        if (other != nullptr)
            request.compareFrom = day(other);
        results.SetRequest(request);
        results.Fetch();
    };
    // Each chart's bars by label, counted on one date.
    const auto bars = [&] {
        std::map<QString, std::map<QString, int>> charts;
        for (const TResultSeries& series : results.Series())
            for (int i = 0; i < series.chart->BarCount(); ++i)
                charts[series.caption][series.chart->Bars(i).label] = series.chart->Bars(i).value;
        return charts;
    };
    fetch("2025-10-01", nullptr);
    const auto now = bars();
    fetch("2023-10-01", nullptr);
    const auto then = bars();
    fetch("2025-10-01", "2023-10-01");
    int pairs = 0;
    for (const TResultSeries& series : results.Series()) {
        const TBarChart& chart = *series.chart;
        ASSERT_EQ(chart.Painter().SeriesCount(), 2) << series.caption.toStdString();
        std::set<QString> labels;
        for (const auto& [label, value] : now.at(series.caption))
            labels.insert(label);
        for (const auto& [label, value] : then.at(series.caption))
            labels.insert(label);
        ASSERT_EQ(chart.BarCount(), static_cast<int>(labels.size())) << series.caption.toStdString();
        for (int i = 0; i < chart.BarCount(); ++i) {
            const auto& bar = chart.Bars(i);
            const auto valueIn = [&](const auto& side) {
                const auto& chartBars = side.at(series.caption);
                const auto found = chartBars.find(bar.label);
                return found == chartBars.end() ? 0 : found->second;
            };
            EXPECT_EQ(bar.values, (std::vector<int>{valueIn(now), valueIn(then)})) << bar.label.toStdString();
            ++pairs;
        }
    }
    EXPECT_GT(pairs, 5);
    EXPECT_TRUE(form.Comparison->LVergelijkNoot->text().contains("Ruwe data"));
    // A new band width counts both dates again.
    form.SEScale->setValue(10);
    EXPECT_EQ(results.Series().front().chart->Painter().SeriesCount(), 2);
    EXPECT_TRUE(results.Series().front().chart->Bars(0).label.contains(" - "));
}

TEST(ComparisonPeriods, TheSamePeriodLastSchoolYearIsEachDateAYearBack) {
    const telmod::TDateSpan leap{EncodeDate(2024, 2, 29), EncodeDate(2024, 6, 30)};
    const telmod::TDateSpan back = telmod::PreviousSchoolYearOf(leap);
    EXPECT_EQ(back.from, EncodeDate(2023, 2, 28));
    EXPECT_EQ(back.to, EncodeDate(2023, 6, 30));
    EXPECT_FALSE(IsDateSet(telmod::PreviousSchoolYearOf({}).from));
}

} // namespace
