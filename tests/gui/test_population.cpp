#include "host/forms/processservices.h"
#include "telmod/staff/frmStatsPSPop.h"

#include "screenfixture.h"

#include "host/data/errors.h"
#include "host/data/provider.h"

#include <QLineEdit>
#include <QtTest/QTest>
#include <optional>

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
        std::vector<QVariantList> rows{{QDate(1980, 12, 31), "M", 1}, {QDate(1984, 2, 2), "V", 2},
                                       {QDate(2020, 5, 5), "V", 3},   {QDate(2027, 1, 1), "m", 4},
                                       {QVariant(), "V", 5},          {QDate(1981, 1, 1), QVariant(), 6}};
        rows.insert(rows.end(), moreRows_.begin(), moreRows_.end());
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
        services_.emplace(TProcessServices{&broker_, std::nullopt, &host_,
                                           [this](const QString& message) { errors_ << message; }});
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
        services_.reset();
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

    std::vector<QVariantList> moreRows_; // set before SetUp
    NoSchoolYears years_;
    vorn::testing::TestHost host_{years_};
    InMemoryBroker broker_;
    TVornClientDataSet institutions_{"CDSBrowseInstelling"};
    TVornDatasource source_;
    std::unique_ptr<TStatsPSPopulatieForm> form_;
    QStringList errors_;
    std::optional<TServicesScope> services_;
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

namespace {

/// Staff of every age from 20 to 64: a band of one year gives 45 bars.
class ManyAgesTest : public PopulationTest {
protected:
    void SetUp() override {
        for (int age = 20; age < 65; ++age)
            moreRows_.push_back({QDate(2025 - age, 3, 3), age % 2 == 0 ? "M" : "V", 100 + age});
        PopulationTest::SetUp();
    }
};

} // namespace

TEST_F(ManyAgesTest, TheChartFitsItsBarsAgainAfterEveryBandWidth) {
    Fetch();
    const auto fitted = [](const TBarChart& chart, int designed) {
        return std::max(chart.BarCount() * 36, designed);
    };
    for (const int width : {1, 10, 3, 10}) {
        form_->SEScale->setValue(width);
        EXPECT_EQ(form_->BCPerLeeftijd->Height(), fitted(*form_->BCPerLeeftijd, 351))
            << "band width " << width;
        EXPECT_EQ(form_->BCPerGeslachtLeeftijd->Height(), fitted(*form_->BCPerGeslachtLeeftijd, 347));
    }
    EXPECT_EQ(form_->BCPerLeeftijd->Height(), 351) << "a wide band shows its few bars in the designed height";
    EXPECT_EQ(form_->BCPerGeslacht->Height(), 347);
}

TEST_F(ManyAgesTest, TypingABandWidthCountsOnceWhenItIsWhole) {
    Fetch();
    const QStringList before = Bars(*form_->BCPerLeeftijd);
    QLineEdit* text = form_->SEScale->findChild<QLineEdit*>();
    ASSERT_NE(text, nullptr);
    text->selectAll();
    QTest::keyClick(text, Qt::Key_1);
    EXPECT_EQ(Bars(*form_->BCPerLeeftijd), before) << "no count for the \"1\" on the way to \"10\"";
    QTest::keyClick(text, Qt::Key_0);
    QTest::keyClick(text, Qt::Key_Return);
    EXPECT_TRUE(Bars(*form_->BCPerLeeftijd).contains("20 - 29=10"))
        << Bars(*form_->BCPerLeeftijd).join(' ').toStdString();
}
