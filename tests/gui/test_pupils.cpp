#include "telmod/pupils/frmStatLLPerInst.h"

#include "screenfixture.h"

#include "host/controls/editors.h"

#include <QApplication>
#include <QLocale>
#include <QtTest/QTest>

using namespace vorn;
using telmod::TStatLLPerInstellingForm;

namespace {

using vorn::testing::Idle;

class PupilScreenTest : public vorn::testing::DemoScreenTest {
protected:
    void SetUp() override {
        DemoScreenTest::SetUp();
        form_ = std::make_unique<TStatLLPerInstellingForm>();
        Attach(*form_);
    }
    void TearDown() override {
        form_.reset();
        DemoScreenTest::TearDown();
    }
    void Fetch(int institution) {
        form_->LEinstelling->SetLookupID(institution);
        Idle();
        ASSERT_TRUE(form_->BFetch->isEnabled());
        form_->BFetch->click();
    }

    std::unique_ptr<TStatLLPerInstellingForm> form_;
};

} // namespace

TEST_F(PupilScreenTest, FetchIsEnabledOnlyWithAnInstitutionAndADate) {
    EXPECT_EQ(form_->FDate, EncodeDate(2025, 12, 1)) << "the work date from the start";
    EXPECT_EQ(form_->FISID, -1);
    Idle();
    EXPECT_FALSE(form_->BFetch->isEnabled());
    form_->LEinstelling->SetLookupID(1);
    Idle();
    EXPECT_EQ(form_->FISID, 1);
    EXPECT_TRUE(form_->BFetch->isEnabled());
    form_->DEDate->SetDate(NoDate);
    Idle();
    EXPECT_FALSE(form_->BFetch->isEnabled());
}

TEST_F(PupilScreenTest, AFetchFillsEveryGridAndBlueChartFromTheServersCounts) {
    Fetch(1);
    ASSERT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    TVornClientDataSet& perKlas = *form_->FDatasets[0];
    ASSERT_GT(perKlas.RecordCount(), 11);
    const TBarChart& chart = *form_->FBarCharts[0];
    ASSERT_EQ(chart.BarCount(), perKlas.RecordCount());
    perKlas.First();
    EXPECT_EQ(chart.Bars(0).label, perKlas.FieldByName("KL_CODE").AsString())
        << "bars in the dataset's order";
    EXPECT_EQ(chart.Bars(0).value, perKlas.FieldByName("THECOUNT").AsInteger());
    EXPECT_EQ(chart.Bars(0).color, clBlue);
    EXPECT_EQ(chart.Height(), 36 * chart.BarCount()) << "36 pixels a bar once they outgrow the design";
    EXPECT_EQ(form_->FBarCharts[2]->Bars(0).label.count(' '), 1) << "two label fields joined by a blank";
    EXPECT_EQ(form_->Grids[0]->GetActiveDBView()->rowCount(), perKlas.RecordCount());

    TVornClientDataSet& perForm = *form_->FDatasets[6];
    EXPECT_EQ(perForm.Params().Items(0).AsDateTime(), EncodeDate(2025, 12, 1));
    EXPECT_TRUE(perForm.Params().Items(2).IsNull()) << "only the first WerkDatum gets the date";

    QStringList params;
    form_->OnGetPrintParams(form_.get(), "Statistieken leerlingen", params);
    EXPECT_EQ(params,
              (QStringList{"Werkdatum=" + QLocale().toString(QDate(2025, 12, 1), QLocale::ShortFormat),
                           "IS_ID=1", "SJ_ID=3"}));
}

TEST_F(PupilScreenTest, TheSchoolYearIdIsAskedOncePerSchoolYearAndAgainAfterAFailure) {
    Fetch(1);
    form_->BFetch->click();
    EXPECT_EQ(host_->lookups, 1);
    form_->DEDate->SetDate(EncodeDate(2040, 1, 1));
    form_->BFetch->click();
    EXPECT_EQ(errors_, QStringList{"Kon de id van schooljaar 2039 niet bepalen"});
    EXPECT_FALSE(form_->FDatasets[0]->Active()) << "the datasets stay closed";
    EXPECT_GT(form_->FBarCharts[0]->BarCount(), 0) << "the charts keep the previous bars";
    form_->BFetch->click();
    EXPECT_EQ(host_->lookups, 3) << "a failed lookup is asked again";
}

TEST_F(PupilScreenTest, ChartsNeverShrinkAndTheViewSwitchKeepsTheChosenTabs) {
    Fetch(1);
    const int tall = form_->FBarCharts[0]->Height();
    form_->LEinstelling->SetLookupID(5); // an adult-education centre: no pupils
    form_->BFetch->click();
    EXPECT_EQ(form_->FBarCharts[0]->BarCount(), 0);
    EXPECT_EQ(form_->FBarCharts[0]->Height(), tall);
    QStringList printParams;
    EXPECT_EQ(form_->PCViews->ActivePageIndex(), 1);
    form_->PCGrids->SetActivePageIndex(3);
    form_->CBView->click();
    EXPECT_EQ(form_->PCViews->ActivePageIndex(), 0);
    EXPECT_EQ(form_->PCGrids->ActivePageIndex(), 3);
    form_->CBView->click();
    EXPECT_EQ(form_->PCViews->ActivePageIndex(), 1);
}

TEST(PupilScreen, PrintParametersBeforeAnyFetchWithoutAnInstitutionCarryOnlyTheDate) {
    TStatLLPerInstellingForm form;
    form.FDate = EncodeDate(2025, 3, 4);
    QStringList params;
    form.VornDBFormGetPrintParams(&form, {}, params);
    EXPECT_EQ(params, (QStringList{"Werkdatum=" + QLocale().toString(QDate(2025, 3, 4), QLocale::ShortFormat),
                                   "IS_ID=", "SJ_ID="}));
}

TEST_F(PupilScreenTest, PrintParametersBeforeAnyFetchAreThoseAFetchWouldUse) {
    form_->LEinstelling->SetLookupID(1);
    form_->DEDate->SetDate(EncodeDate(2024, 10, 1));
    QStringList params;
    form_->OnGetPrintParams(form_.get(), "Statistieken leerlingen", params);
    Fetch(1);
    QStringList afterFetch;
    form_->OnGetPrintParams(form_.get(), "Statistieken leerlingen", afterFetch);
    EXPECT_EQ(params, afterFetch) << "the report of a fetch that has not happened yet is that of the fetch";
}

TEST_F(PupilScreenTest, PrintParametersAfterAChangeWithoutFetchStayWithTheLastFetch) {
    Fetch(1);
    const TDateTime fetched = form_->FDate;
    form_->LEinstelling->SetLookupID(2);
    form_->DEDate->SetDate(EncodeDate(2024, 10, 1));
    QStringList params;
    form_->OnGetPrintParams(form_.get(), "Statistieken leerlingen", params);
    // The heading's date belongs to the figures: that of the last fetch, not the one now in the edit.
    EXPECT_EQ(params,
              (QStringList{"Werkdatum=" + QLocale().toString(DateTimeToDate(fetched), QLocale::ShortFormat),
                           "IS_ID=1", "SJ_ID=3"}));
}

TEST_F(PupilScreenTest, AltDTakesTheKeyboardToTheDate) {
    form_->show();
    form_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    form_->LEinstelling->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_D, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), form_->DEDate->Editor())
        << "focus on "
        << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className() : "nothing");
}
