#include "host/forms/processservices.h"
#include "telmod/staff/frmStatsUren.h"

#include "screenfixture.h"

#include "host/data/provider.h"

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

namespace {

class NoSchoolYears : public ISchoolYearDirectory {
public:
    int schoolYearId(int) override { return -1; }
};

Table Hours(bool withGrade, const std::vector<QVariantList>& rows) {
    std::vector<FieldDef> fields{FieldDef::integer("OV_ID"), FieldDef::wideString("OV_CODE", 8),
                                 FieldDef::wideString("OV_OMSCHRIJVING", 80),
                                 FieldDef::decimal("THECOUNT", 18, 3), FieldDef::decimal("THETBSOB", 18, 3)};
    if (withGrade)
        fields.push_back(FieldDef::wideString("OP_GRAAD", 10));
    fields.push_back(FieldDef::integer("OV_RUBRICERING_FKP"));
    Table table(fields);
    for (const QVariantList& row : rows)
        for (int c = 0; c < row.size(); ++c)
            AppendValue(table, c, row[c]);
    return table;
}

} // namespace

TEST(StaffHours, TbsobHoursAboveTheHoursGiveANegativeBarAndAnUnknownClassificationNoCode) {
    InMemoryBroker broker;
    broker.addTable("DSPStatUrenInAmbt6en7", Hours(false, {{1, "WISK", "Wiskunde", 2.0, 5.5, 201},
                                                           {2, "NED", "Nederlands", 10.4, 0, 999}}));
    broker.addTable("DSPStatUrenPerGraadInAmbt6en7", Hours(true, {}));
    Table classifications({FieldDef::integer("P_ID"), FieldDef::wideString("P_CODE", 10),
                           FieldDef::wideString("P_OMSCHRIJVING", 1024),
                           FieldDef::wideString("P_EXTRA", 10)});
    AppendValue(classifications, 0, 201);
    AppendValue(classifications, 1, "AV");
    AppendValue(classifications, 2, "Algemene vakken");
    AppendValue(classifications, 3, QVariant());
    broker.addTable("ParmDropDown", std::move(classifications));
    NoSchoolYears years;
    vorn::testing::TestHost host(years);
    const TServicesScope services({&broker, std::nullopt, &host, std::nullopt});
    {
        TStatsPSUrenForm form;
        form.RaiseCreate();
        form.CDSselectRubricering.Open();
        form.FISID = 4;
        form.AFetchExecute(&form);
        ASSERT_EQ(form.BCPerVak->BarCount(), 2);
        EXPECT_EQ(form.BCPerVak->Bars(1).value, -4) << "2 hours minus 6 (5.5 taken as a whole number)";
        EXPECT_EQ(form.BCPerVak->Bars(1).label, "AV WISK Wiskunde");
        EXPECT_EQ(form.BCPerVak->Bars(0).label, " NED Nederlands")
            << "no classification code: an empty first part";
        EXPECT_EQ(form.BCPerVak->Bars(0).value, 10);
        EXPECT_EQ(form.BCPerVakGraad->BarCount(), 0);
        EXPECT_EQ(form.BCPerVak->Height(), 351) << "two bars fit the designed height";
    }
}
