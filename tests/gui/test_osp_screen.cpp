#include "telmod/participants/frmStatCursPerInst.h"
#include "telmod/participants/periodpresets.h"

#include "participantviews.h"
#include "screenfixture.h"

#include "host/data/inifile.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest/QTest>
#include <map>

using namespace vorn;
using telmod::TStatCursistenPerInstellingForm;
using vorn::testing::Bars;
using vorn::testing::GridHeader;
using vorn::testing::GridRows;
using vorn::testing::Idle;

namespace {

constexpr int Cvo = 20;

class OspScreenTest : public vorn::testing::KnownScreenTest {
protected:
    void SetUp() override {
        KnownScreenTest::SetUp();
        form_ = std::make_unique<TStatCursistenPerInstellingForm>();
        Attach(*form_, "DSPBrowseOSPInstellingen");
    }
    void TearDown() override {
        form_.reset();
        KnownScreenTest::TearDown();
    }
    /// Chooses the centre and the period in the top bar and presses "&Ophalen".
    void Fetch(TDateTime from = EncodeDate(2024, 9, 1), TDateTime to = EncodeDate(2025, 6, 30)) {
        form_->LEinstelling->SetLookupID(Cvo);
        form_->EVanafDatum->SetDate(from);
        form_->ETotDatum->SetDate(to);
        Idle();
        ASSERT_TRUE(form_->BFetch->isEnabled());
        form_->BFetch->click();
        ASSERT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    }
    /// A grid and a chart by their page captions, as the screen's results name them.
    TVornDBgrid& Grid(const char* caption) { return vorn::testing::ResultGrid(*form_->Results(), caption); }
    const TBarChart& Chart(const char* caption) {
        return vorn::testing::ResultChart(*form_->Results(), caption);
    }

    std::unique_ptr<TStatCursistenPerInstellingForm> form_;
};

const QString AllTotals =
    "Totalen :    Lesuren cursist: 150    Inschrijvingen: 6    Niet Fin.: 2    Personen: 5    "
    "Mannen: 1    Vrouwen.: 4    aanvr. Kredieturen.: 3    C98: 3";

} // namespace

TEST_F(OspScreenTest, FetchIsEnabledWithAnInstitutionAndTwoDatesWhateverTheirOrder) {
    EXPECT_EQ(form_->FVanaf, EncodeDate(2025, 12, 1)) << "both dates start on the work date";
    EXPECT_EQ(form_->FTot, EncodeDate(2025, 12, 1));
    Idle();
    EXPECT_FALSE(form_->BFetch->isEnabled()) << "no institution yet";
    form_->LEinstelling->SetLookupID(Cvo);
    Idle();
    EXPECT_EQ(form_->FISID, Cvo);
    EXPECT_EQ(form_->FSCID, 2) << "the school of the chosen institution";
    EXPECT_TRUE(form_->BFetch->isEnabled());
    form_->EVanafDatum->SetDate(EncodeDate(2026, 1, 1));
    Idle();
    EXPECT_TRUE(form_->BFetch->isEnabled()) << "a start after the end is not refused";
    form_->ETotDatum->SetDate(NoDate);
    Idle();
    EXPECT_FALSE(form_->BFetch->isEnabled());

    form_->BHuidigSchooljaar->click();
    EXPECT_EQ(form_->FVanaf, GetSchooljaarStartFrom(Today()));
    EXPECT_EQ(form_->FTot, GetSchooljaarEndExtFrom(Today()));
    EXPECT_FALSE(form_->CDSAllStats.Active()) << "the school-year button does not fetch";

    bool allowed = true;
    form_->OnCanEdit(&form_->CDSAllStats, allowed);
    EXPECT_FALSE(allowed);
    allowed = true;
    form_->OnCanDelete(&form_->CDSAllStats, allowed);
    EXPECT_FALSE(allowed);
}

TEST_F(OspScreenTest, AFetchFillsThePerClassGridChartAndTotalsLine) {
    Fetch();
    TVornDBgrid& grid = Grid("Per Klas");
    EXPECT_EQ(GridHeader(grid),
              "Code|Omschrijving|Lesuren cursist|Inschrijvingen|Fin.|Niet Fin.|Personen|Mannen|"
              "Vrouwen.|aanvr. Kredieturen.|C98");
    // By id; the 26-character code of class 124 is whole, the empty track code leaves a leading blank.
    EXPECT_EQ(GridRows(grid), (QStringList{"TRAJ-NT2-A1 NT2A|NT2 groep A|80|3|2|1|2|1|1|2|1",
                                           " ICT1|Informatica 1|0|1|0|1|1|0|1|0|1",
                                           "TRAJ-ICT-GEVORD ICTGEVORD1|ICT gevorderd|60|1|1|0|1|0|1|1|0",
                                           " ANX|Annex groep|10|1|1|0|1|0|1|0|1"}));

    // No figure chosen yet: the charts show the first one. Bars in code order, labelled by description.
    const TBarChart& chart = Chart("Per Klas");
    EXPECT_EQ(Bars(chart),
              (QStringList{"Annex groep=1", "Informatica 1=1", "ICT gevorderd=1", "NT2 groep A=3"}));
    EXPECT_EQ(chart.Bars(0).color, clYellow);
    EXPECT_EQ(chart.Caption(), "Inschrijvingen (curricula) per klas");
    EXPECT_EQ(chart.Height(), 397) << "four bars fit the designed height";
    EXPECT_EQ(form_->PTotalen->text(), AllTotals);
}

TEST_F(OspScreenTest, CategoryValuesAreNamedFromTheirListsOrAsUnknownIds) {
    Fetch();
    // The branch of another institution is unknown here; branch OOS has an empty name.
    EXPECT_EQ(Bars(Chart("Per Vestigingsplaats")),
              (QStringList{"? ID : 113=1", "Annex=1", "Brugge centrum=3", "OOS=1"}))
        << "codes compared without regard to letter case: abc before BRU";
    EXPECT_EQ(
        GridRows(Grid("Per Vestigingsplaats")),
        (QStringList{"||||BRU|Brugge centrum|80|3|2|1|2|1|1|2|1", "||||OOS||0|1|0|1|1|0|1|0|1",
                     "||||? ID : 113|? ID : 113|60|1|1|0|1|0|1|1|0", "||||abc|Annex|10|1|1|0|1|0|1|0|1"}));
    EXPECT_EQ(GridRows(Grid("Per Vrijstelling IG")),
              (QStringList{"? ID : 0|? ID : 0|10|3|1|2|3|1|2|1|2", "01|Leefloon|40|1|1|0|1|0|1|1|1",
                           "02|Werkzoekende|40|1|1|0|1|1|0|0|0", "03|Ander centrum|60|1|1|0|1|0|1|1|0"}));
    EXPECT_EQ(GridRows(Grid("Per Opleiding")), (QStringList{"? ID : 0|? ID : 0|10|1|1|0|1|0|1|0|1",
                                                            "1234|Nederlands tweede taal|80|3|2|1|2|1|1|2|1",
                                                            "2345|Informatica|60|2|1|1|2|0|2|1|1"}));
    // "lokaal 1" falls under "Lokaal 1", met first; the class without a location is in none.
    EXPECT_EQ(GridRows(Grid("Per Lesplaats")),
              (QStringList{"Lokaal 1|Lokaal 1|80|4|2|2|2|1|1|2|1", "Sporthal|Sporthal|10|1|1|0|1|0|1|0|1"}));
    EXPECT_EQ(GridRows(Grid("Per studiegebied")),
              (QStringList{"TAAL|Talen|80|3|2|1|2|1|1|2|1", "INFO|Informatica|70|3|2|1|3|0|3|1|2"}));
    EXPECT_EQ(Chart("Per studiegebied").Caption(), "Inschrijvingen (curricula) per studiegebied");
}

TEST_F(OspScreenTest, AnotherFigureRedrawsEveryChartFromMemoryAndLeavesGridsAndTotals) {
    form_->CBStatType->SetItemIndex(3);
    EXPECT_EQ(Chart("Per Klas").BarCount(), 0) << "before any fetch nothing is drawn";
    EXPECT_TRUE(errors_.isEmpty());

    Fetch();
    const QStringList classRows = GridRows(Grid("Per Klas"));
    connection_->execute("DELETE FROM CURRICULUM WHERE CU_ID = 165"); // unseen until the next fetch
    form_->CBStatType->SetItemIndex(0);
    EXPECT_EQ(Bars(Chart("Per Klas")),
              (QStringList{"Annex groep=1", "Informatica 1=1", "ICT gevorderd=1", "NT2 groep A=3"}));
    form_->CBStatType->SetItemIndex(8);
    EXPECT_EQ(Bars(Chart("Per Klas")),
              (QStringList{"Annex groep=10", "Informatica 1=0", "ICT gevorderd=60", "NT2 groep A=80"}));
    EXPECT_EQ(Chart("Per Klas").Caption(), "Lesuren cursist per klas");
    EXPECT_EQ(Chart("Per studiegebied").Caption(), "Lesuren cursist per studiegebied")
        << "also on the hidden page";
    EXPECT_EQ(Chart("Per Adm. Groep").Caption(), "Lesuren cursist per adm. groep");
    EXPECT_EQ(GridRows(Grid("Per Klas")), classRows);
    EXPECT_EQ(form_->PTotalen->text(), AllTotals);
}

TEST_F(OspScreenTest, AFetchWithoutEnrolmentsEmptiesEveryTableAndShowsZeroTotals) {
    Fetch();
    Fetch(EncodeDate(2020, 1, 1), EncodeDate(2020, 12, 31));
    for (const auto& table : form_->CategoryTables) {
        EXPECT_TRUE(table->Active());
        EXPECT_EQ(table->RecordCount(), 0) << table->Name().toStdString();
        EXPECT_EQ(table->FieldCount(), 12) << "defined once, reused";
        EXPECT_EQ(table->Aggregates().Count(), 8);
    }
    EXPECT_EQ(Chart("Per Klas").BarCount(), 0);
    EXPECT_EQ(form_->PTotalen->text(),
              "Totalen :    Lesuren cursist: 0    Inschrijvingen: 0    Niet Fin.: 0    "
              "Personen: 0    Mannen: 0    Vrouwen.: 0    aanvr. Kredieturen.: 0    C98: 0");
}

TEST_F(OspScreenTest, TheViewSwitchShowsGridsOrChartsAndGatesTheFigure) {
    EXPECT_EQ(form_->PCViews->ActivePageIndex(), 1);
    EXPECT_EQ(form_->PCStats->tabText(form_->PCStats->ActivePageIndex()), "Per Vestigingsplaats");
    EXPECT_FALSE(form_->PCStats->isTabVisible(4)) << "the study-area chart page has no tab";
    form_->CBView->click();
    EXPECT_EQ(form_->PCViews->ActivePageIndex(), 0);
    EXPECT_FALSE(form_->CBStatType->isEnabled());
    form_->CBView->click();
    EXPECT_EQ(form_->PCViews->ActivePageIndex(), 1);
    EXPECT_TRUE(form_->CBStatType->isEnabled());
}

TEST_F(OspScreenTest, ViewSettingsAreSavedAndRestored) {
    const QString file = dir_.filePath("vorn.ini");
    {
        TVornIniFile settings(file, "TStatCursistenPerInstellingForm.");
        form_->CBView->click();
        form_->CBStatType->SetItemIndex(2);
        form_->RaiseSaveSettings(settings);
        settings.UpdateFile();
        EXPECT_EQ(settings.ReadInteger("Settings", "Graphical", -1), 0);
        EXPECT_EQ(settings.ReadInteger("Settings", "StatType", -1), 2);
    }
    TStatCursistenPerInstellingForm restored;
    restored.RaiseCreate();
    TVornIniFile settings(file, "TStatCursistenPerInstellingForm.");
    restored.RaiseRestoreSettings(settings);
    EXPECT_FALSE(restored.CBView->isChecked());
    EXPECT_EQ(restored.PCViews->ActivePageIndex(), 0);
    EXPECT_FALSE(restored.CBStatType->isEnabled());
    EXPECT_EQ(restored.CBStatType->ItemIndex(), 2);

    TStatCursistenPerInstellingForm fresh;
    fresh.RaiseCreate();
    TVornIniFile empty(dir_.filePath("empty.ini"));
    fresh.RaiseRestoreSettings(empty);
    EXPECT_TRUE(fresh.CBView->isChecked());
    EXPECT_EQ(fresh.PCViews->ActivePageIndex(), 1);
    EXPECT_EQ(fresh.CBStatType->ItemIndex(), 0) << "the first figure when none was chosen";

    empty.WriteInteger("Settings", "StatType", -1);
    fresh.RaiseRestoreSettings(empty);
    EXPECT_EQ(fresh.CBStatType->ItemIndex(), 0);
}

TEST(ParticipantChart, GrowsTwentySixPixelsABarAndNeverShrinks) {
    TBarChart chart;
    chart.SetHeight(397);
    TIDList list(200, true, dupError);
    std::vector<std::unique_ptr<telmod::osp::TStatistic>> stats;
    auto fill = [&](int count) {
        list.Clear();
        stats.clear();
        for (int id = 1; id <= count; ++id) {
            stats.push_back(std::make_unique<telmod::osp::TStatistic>());
            stats.back()->SetCode(QString(QChar(u'a' + (count - id) % 26)) + QString::number(id));
            list.AddObject(id, stats.back().get());
        }
        telmod::ShowChartData<telmod::osp::TStatistic>(0, list, chart, "x");
    };
    fill(15);
    EXPECT_EQ(chart.Height(), 397);
    fill(16);
    EXPECT_EQ(chart.Height(), 416);
    fill(3);
    EXPECT_EQ(chart.Height(), 416);
    EXPECT_EQ(chart.BarCount(), 3);
}

TEST(ParticipantChart, ABarWithoutADescriptionShowsItsCode) {
    TBarChart chart;
    TIDList list(200, true, dupError);
    telmod::osp::TStatistic named;
    named.SetCode("VP1");
    named.SetOmschrijving("Brugge centrum");
    telmod::osp::TStatistic nameless;
    nameless.SetCode("VP2");
    list.AddObject(1, &named);
    list.AddObject(2, &nameless);
    telmod::ShowChartData<telmod::osp::TStatistic>(0, list, chart, "x");
    ASSERT_EQ(chart.BarCount(), 2);
    EXPECT_EQ(chart.Bars(0).label, "Brugge centrum");
    EXPECT_EQ(chart.Bars(1).label, "VP2");
}

TEST_F(OspScreenTest, AfterATypedStartTheEndOfThePeriodIsSaidNotKeptUnseen) {
    form_->show();
    QApplication::setActiveWindow(form_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    form_->EVanafDatum->SetDate(EncodeDate(2025, 9, 1));
    form_->ETotDatum->SetDate(EncodeDate(2026, 6, 30));
    const auto typeStart = [this](const char* date) {
        form_->EVanafDatum->Editor()->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(form_->EVanafDatum->Editor(), date);
        QTest::keyClick(form_->EVanafDatum->Editor(), Qt::Key_Tab);
    };
    typeStart("01/02/2026");
    EXPECT_EQ(QApplication::focusWidget(), form_->CBView) << "the Part's tab order stays";
    const auto* note = form_->ETotDatum->Editor()->findChild<QLabel*>("DatumMelding");
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(note->isVisible());
    EXPECT_EQ(note->text(), "Tot en met blijft 30/06/2026 (Alt+T om te wijzigen).");

    typeStart("01/09/2026");
    EXPECT_EQ(note->text(), "Tot en met (30/06/2026) ligt voor Vanaf: kijk de periode na (Alt+T).");
    EXPECT_EQ(form_->FTot, EncodeDate(2026, 6, 30)) << "the end stays what the user left";
    EXPECT_EQ(form_->FVanaf, EncodeDate(2026, 9, 1));
}

TEST(PeriodPresets, AreWholeSchoolYearsTermsAndCalendarYearsAroundToday) {
    const auto presets = telmod::PeriodPresets(EncodeDate(2026, 2, 15));
    std::map<QString, std::pair<TDateTime, TDateTime>> byCaption;
    for (const telmod::TPeriodPreset& preset : presets)
        byCaption[preset.caption] = {preset.from, preset.to};
    const auto period = [](int y1, int m1, int d1, int y2, int m2, int d2) {
        return std::make_pair(EncodeDate(y1, m1, d1), EncodeDate(y2, m2, d2));
    };
    // 15 February 2026 lies in school year 2025-2026.
    EXPECT_EQ(byCaption["Huidig schooljaar"], period(2025, 9, 1, 2026, 8, 31));
    EXPECT_EQ(byCaption["Vorig schooljaar"], period(2024, 9, 1, 2025, 8, 31));
    EXPECT_EQ(byCaption["Eerste trimester"], period(2025, 9, 1, 2025, 12, 31));
    EXPECT_EQ(byCaption["Eerste semester"], period(2025, 9, 1, 2026, 1, 31));
    EXPECT_EQ(byCaption["Tweede semester"], period(2026, 2, 1, 2026, 6, 30));
    EXPECT_EQ(byCaption["Dit kalenderjaar"], period(2026, 1, 1, 2026, 12, 31));
    EXPECT_EQ(byCaption["Vorig kalenderjaar"], period(2025, 1, 1, 2025, 12, 31));
    EXPECT_EQ(byCaption.size(), presets.size()) << "captions are unique";
    // On 31 August the school year is still the old one; on 1 September the new one.
    EXPECT_EQ(telmod::PeriodPresets(EncodeDate(2026, 8, 31)).front().from, EncodeDate(2025, 9, 1));
    EXPECT_EQ(telmod::PeriodPresets(EncodeDate(2026, 9, 1)).front().from, EncodeDate(2026, 9, 1));
}

TEST_F(OspScreenTest, APeriodFromTheMenuFillsBothDatesAndTheKeyboardReachesIt) {
    form_->EVanafDatum->SetDate(EncodeDate(2025, 9, 1));
    form_->ETotDatum->SetDate(EncodeDate(2026, 6, 30));
    QMenu* menu = form_->BPeriodes->menu();
    ASSERT_NE(menu, nullptr);
    emit menu->aboutToShow();
    QAction* lastYear = nullptr;
    for (QAction* action : menu->actions())
        if (action->text().startsWith("Vorig schooljaar"))
            lastYear = action;
    ASSERT_NE(lastYear, nullptr);
    lastYear->trigger();
    const telmod::TPeriodPreset expected = telmod::PeriodPresets(Today())[1];
    EXPECT_EQ(form_->FVanaf, expected.from);
    EXPECT_EQ(form_->FTot, expected.to);
    EXPECT_EQ(form_->ETotDatum->Date(), expected.to);
    EXPECT_TRUE(lastYear->text().contains(DateTimeToDate(expected.to).toString("dd/MM/yyyy")))
        << "the menu says which dates it sets";

    EXPECT_EQ(form_->BHuidigSchooljaar->nextInFocusChain(), form_->BPeriodes) << "after the Part's tab order";
    EXPECT_NE(form_->BPeriodes->focusPolicy() & Qt::TabFocus, 0);
}

TEST_F(OspScreenTest, ATotalsLineLongerThanTheWindowScrollsInsteadOfBeingCut) {
    form_->PTotalen->setText(QStringLiteral("Totalen :    ") +
                             QStringLiteral("Lesuren cursist: 1234567    ").repeated(12));
    form_->resize(640, 500);
    form_->show();
    QApplication::processEvents();
    auto* scroll = form_->findChild<QScrollArea*>("SBTotalen");
    ASSERT_NE(scroll, nullptr);
    EXPECT_EQ(scroll->widget(), form_->PTotalen);
    EXPECT_GE(form_->PTotalen->width(), form_->PTotalen->sizeHint().width()) << "the whole line is laid out";
    EXPECT_TRUE(scroll->horizontalScrollBar()->isVisible()) << "and reachable by scrolling";
    EXPECT_GE(scroll->viewport()->height(), form_->PTotalen->fontMetrics().height());
}
