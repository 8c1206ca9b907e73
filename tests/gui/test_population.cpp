#include "telmod/staff/frmStatsPSPop.h"

#include "screenfixture.h"

#include "host/data/errors.h"
#include "host/data/provider.h"

using namespace vorn;
using telmod::TCountList;
using telmod::TStatsPSPopulatieForm;
using vorn::testing::Idle;

namespace {

class NoSchoolYears : public ISchoolYearDirectory {
public:
    int schoolYearId(int) override { return -1; }
};

/// The population screen on hand-made staff rows, on a reference date in 2025.
class PopulationTest : public ::testing::Test {
protected:
    void SetUp() override {
        Table staff({FieldDef::date("PS_GEBOORTEDATUM"), FieldDef::wideString("PS_GESLACHT", 1),
                     FieldDef::integer("PS_ID")});
        const std::vector<QVariantList> rows{
            {QDate(1980, 12, 31), "M", 1}, {QDate(1984, 2, 2), "V", 2}, {QDate(2020, 5, 5), "V", 3},
            {QDate(2027, 1, 1), "m", 4},   {QVariant(), "V", 5},        {QDate(1981, 1, 1), QVariant(), 6}};
        for (const QVariantList& row : rows)
            for (int c = 0; c < row.size(); ++c)
                AppendValue(staff, c, row[c]);
        broker_.addTable("DSPStatPSPopulatie", std::move(staff));
        Table list({FieldDef::integer("IS_ID"), FieldDef::wideString("IS_CODE", 5),
                    FieldDef::wideString("IS_NAAMGEBRUIKER", 80),
                    FieldDef::wideString("SC_INSTELLINGSNUMMER", 6)});
        AppendValue(list, 0, 1);
        AppendValue(list, 1, "SJCAA");
        AppendValue(list, 2, "Sint-Jozefscollege");
        AppendValue(list, 3, "035667");
        broker_.addTable("DSPBrowseInstellingen", std::move(list));
        broker_.addTable("DSPSelectIS", Table({FieldDef::integer("IS_ID"), FieldDef::wideString("IS_CODE", 5),
                                               FieldDef::wideString("IS_NAAMGEBRUIKER", 80),
                                               FieldDef::wideString("SC_INSTELLINGSNUMMER", 6),
                                               FieldDef::wideString("SC_HOOFDSTRUCTUUR", 10),
                                               FieldDef::integer("SC_INRICHTENDEMACHT_FK")}));
        SetDefaultProviderBroker(&broker_);
        SetHost(&host_);
        SetErrorReporter([this](const QString& message) { errors_ << message; });
        institutions_.SetProviderName("DSPBrowseInstellingen");
        institutions_.Open();
        source_.SetDataSet(&institutions_);
        form_ = std::make_unique<TStatsPSPopulatieForm>();
        form_->RaiseCreate();
        form_->CDSSelectInstelling.Open();
        form_->RaiseSetMasterBrowser(&source_);
        form_->DEDate->SetDate(EncodeDate(2025, 1, 1));
    }
    void TearDown() override {
        form_.reset();
        SetErrorReporter(nullptr);
        SetHost(nullptr);
        SetDefaultProviderBroker(nullptr);
    }
    void Fetch() {
        form_->LEinstelling->SetLookupID(1);
        Idle();
        ASSERT_TRUE(form_->BFetch->isEnabled());
        form_->BFetch->click();
        ASSERT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    }
    static QStringList Bars(const vorn::TBarChart& chart) {
        QStringList bars;
        for (int i = 0; i < chart.BarCount(); ++i)
            bars << QString("%1=%2").arg(chart.Bars(i).label).arg(chart.Bars(i).value);
        return bars;
    }

    NoSchoolYears years_;
    vorn::testing::TestHost host_{years_};
    InMemoryBroker broker_;
    TVornClientDataSet institutions_{"CDSBrowseInstelling"};
    TVornDatasource source_;
    std::unique_ptr<TStatsPSPopulatieForm> form_;
    QStringList errors_;
};

} // namespace

TEST_F(PopulationTest, BandsOfWholeYearsSortedAsTextAddedFromTheLastKeyToTheFirst) {
    Fetch();
    // Ages in 2025: 45, 41, 5, -2, 126 (no birth date: 1899) and 44.
    EXPECT_EQ(Bars(*form_->BCPerLeeftijd),
              (QStringList{"5 - 9=1", "45 - 49=1", "40 - 44=2", "125 - 129=1", "-5 - -1=1"}));
    EXPECT_EQ(Bars(*form_->BCPerGeslacht), (QStringList{"V=3", "M=2", "=1"})) << "m and M share one entry";
    EXPECT_TRUE(Bars(*form_->BCPerGeslachtLeeftijd).contains("40 - 44: =1"))
        << "no sex: a key ending in ': '";
    EXPECT_EQ(form_->CDSPopulatie.RecNo(), form_->CDSPopulatie.RecordCount())
        << "the rows end on the last one";
}

TEST_F(PopulationTest, ANewGranularityCountsTheSameRowsAgainWithoutTheServer) {
    Fetch();
    form_->SEScale->setValue(1);
    EXPECT_EQ(broker_.openCount("DSPStatPSPopulatie"), 1);
    EXPECT_TRUE(Bars(*form_->BCPerLeeftijd).contains("45 - 45=1"));
    EXPECT_TRUE(Bars(*form_->BCPerLeeftijd).contains("-2 - -2=1"));
    form_->SEScale->setValue(10);
    EXPECT_TRUE(Bars(*form_->BCPerLeeftijd).contains("40 - 49=3"));
}

TEST_F(PopulationTest, AGranularityChangeBeforeAnyFetchDoesNothing) {
    form_->SEScale->setValue(3);
    EXPECT_TRUE(errors_.isEmpty());
    EXPECT_EQ(form_->BCPerLeeftijd->BarCount(), 0);
    EXPECT_EQ(broker_.openCount("DSPStatPSPopulatie"), 0);
}

TEST(CountList, KeysStaySortedAndMatchWithoutRegardToCase) {
    TCountList list;
    list.GetCountObject("b", true)->FCount = 2;
    list.GetCountObject("A", true);
    EXPECT_EQ(list.GetCountObject("B"), list.GetCountObject("b"));
    EXPECT_EQ(list.GetCountObject("c"), nullptr);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Key(0), "A");
    EXPECT_EQ(list.Object(1)->FCount, 2);
    EXPECT_EQ(TStatsPSPopulatieForm::BandKey(-1, 5), "-5 - -1");
    EXPECT_EQ(TStatsPSPopulatieForm::BandKey(0, 5), "0 - 4");
}
