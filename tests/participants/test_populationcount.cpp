// The staff population counted by age band and sex without a screen: every list against a recount
// of the same rows, for several band widths, with rows lacking a birth date or a sex, staff born
// after the reference year and a sex written in lower case.
#include "telmod/staff/populationcount.h"

#include "host/data/datetime.h"
#include "tests/common/qtprint.h"

#include <gtest/gtest.h>

#include <QDate>
#include <map>
#include <optional>
#include <random>

using namespace vorn;
using namespace telmod;

namespace {

struct StaffRow {
    std::optional<QDate> born;
    QString sex; // empty: none
};

std::vector<StaffRow> DrawStaff(std::mt19937& random) {
    std::vector<StaffRow> rows;
    for (int i = 0; i < 400; ++i) {
        StaffRow row;
        if (random() % 25 != 0)
            row.born = QDate(1950 + static_cast<int>(random() % 80), 1 + static_cast<int>(random() % 12), 1);
        const unsigned sex = random() % 20;
        row.sex = sex == 0 ? QString() : sex == 1 ? QStringLiteral("v") : sex % 2 ? "M" : "V";
        rows.push_back(row);
    }
    return rows;
}

void Fill(TVornClientDataSet& population, const std::vector<StaffRow>& rows) {
    population.AddField(FieldDef::date("PS_GEBOORTEDATUM"));
    population.AddField(FieldDef::wideString("PS_GESLACHT", 1));
    population.AddField(FieldDef::integer("PS_ID"));
    population.CreateDataSet();
    int id = 0;
    for (const StaffRow& row : rows) {
        population.Append();
        if (row.born)
            population.FieldByName("PS_GEBOORTEDATUM").SetAsDateTime(DateToDateTime(*row.born));
        if (!row.sex.isEmpty())
            population.FieldByName("PS_GESLACHT").SetAsString(row.sex);
        population.FieldByName("PS_ID").SetAsInteger(++id);
        population.Post();
    }
}

/// A list's counts by key, upper-cased (the list matches keys without regard to case).
std::map<QString, int> Counted(const TCountList& list) {
    std::map<QString, int> counted;
    for (int i = 0; i < list.Count(); ++i)
        counted[list.Key(i).toUpper()] += list.Object(i)->FCount;
    return counted;
}

} // namespace

TEST(PopulationCount, EveryListMatchesARecountOfTheRowsForEveryBandWidth) {
    std::mt19937 random(12);
    const std::vector<StaffRow> staff = DrawStaff(random);
    TVornClientDataSet population("population");
    Fill(population, staff);
    const int referenceYear = 2026;
    for (const int scale : {1, 3, 5, 10}) {
        std::map<QString, int> bands, sexes, both;
        for (const StaffRow& row : staff) {
            const int age = referenceYear - (row.born ? row.born->year() : DayZero().year());
            const int lower = age - (((age % scale) + scale) % scale); // rounded down, negative ages too
            const QString band = QStringLiteral("%1 - %2").arg(lower).arg(lower + scale - 1);
            ++bands[band];
            ++sexes[row.sex.toUpper()];
            ++both[(band + ": " + row.sex).toUpper()];
        }
        TPopulationCounts counts;
        CountPopulation(population, referenceYear, scale, counts);
        EXPECT_EQ(Counted(counts.bands), bands) << "scale " << scale;
        EXPECT_EQ(Counted(counts.sexes), sexes) << "scale " << scale;
        EXPECT_EQ(Counted(counts.bandSexes), both) << "scale " << scale;
    }
}

TEST(PopulationCount, ABandWidthBelowOneCountsInBandsOfOneYear) {
    TVornClientDataSet population("population");
    Fill(population, {{QDate(1980, 5, 1), "M"}, {QDate(2030, 1, 1), "V"}});
    TPopulationCounts counts;
    CountPopulation(population, 2026, 0, counts);
    EXPECT_EQ(Counted(counts.bands), (std::map<QString, int>{{"-4 - -4", 1}, {"46 - 46", 1}}));
    EXPECT_EQ(AgeBandKey(-1, 5), "-5 - -1");
    EXPECT_EQ(AgeBandKey(0, 5), "0 - 4");
}
