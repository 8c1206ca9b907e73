#include "telmod/participants/frmStatVWOCursPerInst.h"

#include "participantviews.h"
#include "screenfixture.h"

using namespace vorn;
using telmod::TStatVWOCursistenPerInstellingForm;
using vorn::testing::Bars;
using vorn::testing::GridRows;
using vorn::testing::Idle;

namespace {

constexpr int Centre = 30;

class VwoScreenTest : public vorn::testing::KnownScreenTest {
protected:
    void SetUp() override {
        KnownScreenTest::SetUp();
        form_ = std::make_unique<TStatVWOCursistenPerInstellingForm>();
        Attach(*form_, "DSPBrowseVWOInstellingen");
    }
    void TearDown() override {
        form_.reset();
        KnownScreenTest::TearDown();
    }
    void Fetch() {
        form_->LEinstelling->SetLookupID(Centre);
        form_->LEReferteperiode->SetLookupID(301); // school year 2024-2025
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

    std::unique_ptr<TStatVWOCursistenPerInstellingForm> form_;
};

} // namespace

TEST_F(VwoScreenTest, AReferencePeriodOverwritesBothDates) {
    form_->LEReferteperiode->SetLookupID(302);
    EXPECT_EQ(form_->FVanaf, EncodeDate(2023, 9, 1));
    EXPECT_EQ(form_->FTot, EncodeDate(2024, 8, 31));
    form_->ETotDatum->SetDate(EncodeDate(2024, 6, 30));
    EXPECT_EQ(form_->FTot, EncodeDate(2024, 6, 30));
    EXPECT_EQ(form_->LEReferteperiode->GetLookupID(), 302) << "the period stays chosen";
}

TEST_F(VwoScreenTest, RowsWithoutAPersonCountNowhereAndIdZeroIsNoTrainingOrFeeRate) {
    Fetch();
    // Class VWO-K1 holds an enrolment without a person (and without training and fee rate): not counted.
    EXPECT_EQ(GridRows(Grid("Per Klas")),
              (QStringList{"VWO-K1|Klas Engels|80|2|2|0|2|1|1|0", "VWO-K2|Klas Engels 2|40|2|1|1|2|1|1|0"}));
    EXPECT_EQ(GridRows(Grid("Per Opleiding")), QStringList{"5010|Engels|120|4|3|1|3|1|2|0"});
    EXPECT_EQ(GridRows(Grid("Per Opleidingsvariant")),
              QStringList{"ENG-A|Engels dagonderwijs|120|3|3|0|3|1|2|0"});
    EXPECT_EQ(GridRows(Grid("Per Tarief")), (QStringList{"STD|Standaardtarief|80|2|2|0|2|0|2|0",
                                                         "RED|Verminderd tarief|40|2|1|1|1|1|0|0"}));
    EXPECT_EQ(Bars(Chart("Per Tarief")), (QStringList{"Verminderd tarief=2", "Standaardtarief=2"}));
    EXPECT_EQ(Bars(Chart("Per Ingerichte Modulevariant")),
              (QStringList{"Engels 1 (klas: VWO-K1)=2", "Engels 1 (klas: VWO-K2)=2"}));
    EXPECT_EQ(Bars(Chart("Per Modulevariant")), QStringList{"Engels 1=4"})
        << "a module variant is named after its module";
    EXPECT_EQ(Chart("Per Klas").Bars(0).color, clYellow);
}

TEST_F(VwoScreenTest, TheTotalsLineCountsEveryPersonOnce) {
    Fetch();
    // Persons: 14, 12 (twice), 15 and the row without a person; men: 12; women ("V" only): 14.
    EXPECT_EQ(form_->PTotalen->text(),
              "Totalen :    Lesuren cursist: 120    Inschrijvingen: 4    Niet Fin.: 1        "
              "Personen: 4    Mannen: 1    Vrouwen: 1            C98: 0");
    form_->CBStatType->SetItemIndex(3);
    EXPECT_EQ(Bars(Chart("Per Klas")), (QStringList{"Klas Engels=2", "Klas Engels 2=2"}));
    EXPECT_EQ(Chart("Per Klas").Caption(), "Personen per klas");
    EXPECT_EQ(form_->PTotalen->text().count("Personen"), 1);
}
