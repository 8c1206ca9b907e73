#include "telmod/staff/frmStatsUren.h"

#include "screenfixture.h"

#include <cmath>

using namespace vorn;
using telmod::TStatsPSUrenForm;
using vorn::testing::Idle;

namespace {

class StaffHoursTest : public vorn::testing::DemoScreenTest {
protected:
    void SetUp() override {
        DemoScreenTest::SetUp();
        form_ = std::make_unique<TStatsPSUrenForm>();
        Attach(*form_);
        form_->LEinstelling->SetLookupID(2);
        Idle();
        form_->BFetch->click();
        ASSERT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    }
    void TearDown() override {
        form_.reset();
        DemoScreenTest::TearDown();
    }
    std::unique_ptr<TStatsPSUrenForm> form_;
};

} // namespace

TEST_F(StaffHoursTest, EffectiveHoursAreWholeHoursMinusWholeTbsobHours) {
    TVornClientDataSet& perVak = form_->CDSPerVak;
    ASSERT_GT(perVak.RecordCount(), 5);
    for (perVak.First(); !perVak.Eof(); perVak.Next()) {
        const double hours = perVak.FieldByName("THECOUNT").AsFloat();
        const double tbsob = perVak.FieldByName("THETBSOB").AsFloat();
        const qint64 expected =
            static_cast<qint64>(std::lround(hours)) - static_cast<qint64>(std::lround(tbsob));
        EXPECT_EQ(perVak.FieldByName("EFFCOUNT").AsLargeInt(), expected)
            << perVak.FieldByName("OV_CODE").AsString().toStdString();
    }
    const TBarChart& chart = *form_->BCPerVak;
    ASSERT_EQ(chart.BarCount(), perVak.RecordCount());
    perVak.First();
    EXPECT_EQ(chart.Bars(0).value, perVak.FieldByName("EFFCOUNT").AsInteger());
    EXPECT_EQ(chart.Bars(0).color, clBlue);
}

TEST_F(StaffHoursTest, EachRowCarriesTheCodeOfItsClassificationOrNothing) {
    TVornClientDataSet& perVak = form_->CDSPerVak;
    QStringList labels;
    for (perVak.First(); !perVak.Eof(); perVak.Next()) {
        const QString code = perVak.FieldByName("OV_CODE").AsString();
        const QString classification = perVak.FieldByName("OV_RUBRICERING").AsString();
        if (code == "PAV") {
            EXPECT_EQ(classification, "") << "its classification is not in the list";
        } else if (code == "WISK") {
            EXPECT_EQ(classification, "AV");
        }
    }
    for (int i = 0; i < form_->BCPerVak->BarCount(); ++i)
        labels << form_->BCPerVak->Bars(i).label;
    EXPECT_TRUE(labels.contains("AV AAR Aardrijkskunde")) << labels.join(" | ").toStdString();
    EXPECT_TRUE(form_->BCPerVakGraad->Bars(0).label.count(' ') >= 2) << "code, description and grade";
}

TEST_F(StaffHoursTest, TenOrMoreBarsMakeTheChartThirtySixPixelsABarAndItNeverShrinks) {
    ASSERT_GE(form_->BCPerVak->BarCount(), 10);
    EXPECT_EQ(form_->BCPerVak->Height(), 36 * form_->BCPerVak->BarCount());
    const int tall = form_->BCPerVak->Height();
    form_->DEDate->SetDate(EncodeDate(2000, 1, 1)); // nobody worked then
    form_->BFetch->click();
    EXPECT_EQ(form_->BCPerVak->BarCount(), 0);
    EXPECT_EQ(form_->BCPerVak->Height(), tall);
    form_->DEDate->SetDate(NoDate);
    Idle();
    EXPECT_FALSE(form_->BFetch->isEnabled());
}

TEST_F(StaffHoursTest, TheLookupOffersTheBrowseListsInstitutions) {
    EXPECT_EQ(form_->LEinstelling->GetProperties().ListSource(), &source_);
    EXPECT_EQ(form_->LEinstelling->count(), institutions_.RecordCount());
    EXPECT_EQ(form_->MainDataSource, nullptr);
}
