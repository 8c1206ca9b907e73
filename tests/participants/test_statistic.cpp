#include "telmod/participants/categories.h"
#include "telmod/participants/frmStatCursPerInst.h"
#include "telmod/participants/frmStatVWOCursPerInst.h"

#include <gtest/gtest.h>

namespace osp = telmod::osp;
namespace vwo = telmod::vwo;

TEST(OspStatistic, OnePersonThreeRowsCountsThreeEnrolmentsOnePersonAndOnlyFinanceableHours) {
    osp::TStatistic statistic;
    statistic.IncCounts(7, 40, true, false, false, false);
    statistic.IncCounts(7, 60, false, false, false, false);
    statistic.IncCounts(7, 80, false, false, false, false);
    EXPECT_EQ(statistic.GetTypeCount(osp::stCount), 3);
    EXPECT_EQ(statistic.GetTypeCount(osp::stFinCount), 1);
    EXPECT_EQ(statistic.GetTypeCount(osp::stNotFinCount), 2);
    EXPECT_EQ(statistic.GetTypeCount(osp::stPersoonCount), 1);
    EXPECT_EQ(statistic.GetTypeCount(osp::stlesurencursist), 40);
}

TEST(OspStatistic, ThePersonsFirstRowDecidesManAndC98) {
    osp::TStatistic statistic;
    statistic.IncCounts(3, 0, true, false, false, false); // first row: a woman without C98
    statistic.IncCounts(3, 0, true, true, false, true);   // later rows change nothing
    statistic.IncCounts(4, 0, true, true, false, true);
    EXPECT_EQ(statistic.GetTypeCount(osp::stPersoonCount), 2);
    EXPECT_EQ(statistic.GetTypeCount(osp::stManCount), 1);
    EXPECT_EQ(statistic.GetTypeCount(osp::stVrouwCount), 1);
    EXPECT_EQ(statistic.GetTypeCount(osp::stC98), 1);
}

TEST(OspStatistic, CreditHourRequestsCountEveryRowAndPersonZeroIsAPerson) {
    osp::TStatistic statistic;
    statistic.IncCounts(0, 10, true, false, true, false);
    statistic.IncCounts(0, 10, true, false, true, false);
    EXPECT_EQ(statistic.GetTypeCount(osp::stkredietUren), 2);
    EXPECT_EQ(statistic.GetTypeCount(osp::stPersoonCount), 1);
    EXPECT_EQ(statistic.GetTypeCount(osp::stCount), 2);
    EXPECT_EQ(statistic.GetTypeCount(9), 0);
    EXPECT_EQ(statistic.GetTypeCount(-1), 0);
}

TEST(OspStatistic, WomenAreDerivedAndResetKeepsTheNames) {
    osp::TStatistic statistic;
    statistic.SetSourceID(12);
    statistic.SetCode("K1");
    for (int person = 1; person <= 10; ++person)
        statistic.IncCounts(person, 1, true, person <= 4, false, false);
    statistic.SetVrouwCount(3);
    EXPECT_EQ(statistic.ManCount(), 7);
    EXPECT_EQ(statistic.VrouwCount(), 3);
    statistic.Reset();
    EXPECT_EQ(statistic.GetPersoonCount(), 0);
    EXPECT_EQ(statistic.Count(), 0);
    EXPECT_EQ(statistic.KredietUrenCount(), 0);
    EXPECT_EQ(statistic.SourceID(), 12);
    EXPECT_EQ(statistic.Code(), "K1");
}

TEST(VwoStatistic, ARowWithoutPersonCountsNothingAndTheOrdinalsShift) {
    vwo::TStatistic statistic;
    statistic.IncCounts(0, 50, true, true, true);
    EXPECT_EQ(statistic.Count(), 0);
    EXPECT_EQ(statistic.LesurenCursist(), 0);
    statistic.IncCounts(5, 50, true, false, true);
    statistic.IncCounts(5, 20, false, true, false);
    EXPECT_EQ(statistic.GetTypeCount(vwo::stCount), 2);
    EXPECT_EQ(statistic.GetTypeCount(vwo::stC98), 1);
    EXPECT_EQ(vwo::stC98, 6);
    EXPECT_EQ(statistic.GetTypeCount(vwo::stlesurencursist), 50);
    EXPECT_EQ(statistic.GetTypeCount(vwo::stVrouwCount), 1);
    EXPECT_EQ(statistic.GetTypeCount(8), 0);
}

TEST(CategoryPass, GroupedCountingGivesEveryStatisticWhatRowByRowCountingGives) {
    // 300 category values: more than are counted directly, so the rows are grouped first.
    constexpr int Values = 300;
    std::vector<std::unique_ptr<osp::TStatistic>> grouped, direct;
    for (int i = 0; i < Values; ++i) {
        grouped.push_back(std::make_unique<osp::TStatistic>());
        direct.push_back(std::make_unique<osp::TStatistic>());
    }
    int lookups = 0;
    telmod::CategoryPass<osp::TStatistic> pass(
        [&](std::int32_t id) {
            ++lookups;
            return id == 7 ? nullptr : grouped[static_cast<std::size_t>(id)].get(); // 7: not counted
        },
        0);
    std::vector<telmod::RowCounts> rows;
    std::vector<std::int32_t> ids;
    std::uint32_t seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8; // the low bits of this generator repeat quickly
    };
    for (int person = 1; person <= 2000; ++person)
        for (int enrolment = 0; enrolment < 1 + static_cast<int>(next() % 4); ++enrolment) {
            const auto value = static_cast<std::int32_t>(next() % Values);
            rows.push_back({person, static_cast<std::int32_t>(next() % 90), next() % 3 != 0, next() % 2 == 0,
                            next() % 5 == 0, next() % 7 == 0});
            ids.push_back(value);
            if (value != 7) {
                const telmod::RowCounts& r = rows.back();
                direct[static_cast<std::size_t>(value)]->IncCounts(r.person, r.hours, r.fin, r.man, r.aku,
                                                                   r.c98);
            }
        }
    pass.AddAll(ids);
    pass.CountRows(rows, [](osp::TStatistic& stat, const telmod::RowCounts& r) {
        stat.IncCounts(r.person, r.hours, r.fin, r.man, r.aku, r.c98);
    });
    EXPECT_EQ(lookups, Values) << "one lookup per distinct id";
    for (int value = 0; value < Values; ++value)
        for (int figure = 0; figure < osp::StatTypeCount; ++figure)
            ASSERT_EQ(grouped[static_cast<std::size_t>(value)]->GetTypeCount(figure),
                      direct[static_cast<std::size_t>(value)]->GetTypeCount(figure))
                << "value " << value << ", figure " << figure;
    EXPECT_EQ(grouped[7]->Count(), 0);
    EXPECT_GT(direct[3]->Count(), 0);
}

TEST(CategoryPass, SkippedRowsBeforeTheFirstValueLeaveTheFirstValueCounted) {
    // Rows without a value (an empty teaching location) may come first; the first value then has
    // id 0, which must not be taken for a value already looked up.
    osp::TStatistic first, second;
    telmod::CategoryPass<osp::TStatistic> pass(
        [&](std::int32_t id) { return id == 0   ? &first
                                      : id == 1 ? &second
                                                : nullptr; }, 0);
    pass.Skip();
    pass.Skip();
    pass.Add(0);
    pass.Add(0);
    pass.Skip();
    pass.Add(1);
    const std::vector<telmod::RowCounts> rows{
        {1, 10, true, true, false, false},  {2, 10, true, false, false, false},
        {3, 10, true, false, false, false}, {4, 10, true, true, false, false},
        {5, 10, true, false, false, false}, {6, 10, true, true, false, false}};
    pass.CountRows(rows, [](osp::TStatistic& stat, const telmod::RowCounts& r) {
        stat.IncCounts(r.person, r.hours, r.fin, r.man, r.aku, r.c98);
    });
    EXPECT_EQ(first.Count(), 2);
    EXPECT_EQ(first.PersoonCount(), 2);
    EXPECT_EQ(second.Count(), 1);
}
