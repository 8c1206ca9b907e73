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

namespace {

/// Random enrolment rows: a value of one category each (NoValue now and then), persons ascending
/// unless `shuffled`.
struct RandomRows {
    std::vector<telmod::RowCounts> rows;
    std::vector<std::int32_t> ids;
};

RandomRows MakeRows(std::uint32_t seed, int values, bool shuffled) {
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8; // the low bits of this generator repeat quickly
    };
    RandomRows made;
    for (int person = 0; person <= 2000; ++person)
        for (int enrolment = 0; enrolment < 1 + static_cast<int>(next() % 4); ++enrolment) {
            made.rows.push_back({person, static_cast<std::int32_t>(next() % 90), next() % 3 != 0,
                                 next() % 2 == 0, next() % 5 == 0, next() % 7 == 0});
            made.ids.push_back(next() % 50 == 0 ? telmod::TRowIds::NoValue
                                                : static_cast<std::int32_t>(next() % values));
        }
    if (shuffled)
        for (std::size_t i = made.rows.size() - 1; i > 0; --i) {
            const std::size_t j = next() % (i + 1);
            std::swap(made.rows[i], made.rows[j]);
            std::swap(made.ids[i], made.ids[j]);
        }
    return made;
}

std::vector<std::uint32_t> Identity(std::size_t size) {
    std::vector<std::uint32_t> order(size);
    for (std::size_t i = 0; i < size; ++i)
        order[i] = static_cast<std::uint32_t>(i);
    return order;
}

} // namespace

TEST(CountingPass, EveryStatisticGetsWhatRowByRowCountingGives) {
    // Values with ids spread wide (a hash map) and close together (a table), persons in order and
    // shuffled (the pass then reorders them itself), rows without a value, a value not counted (7).
    for (const int spread : {1, 100000})
        for (const bool shuffled : {false, true}) {
            SCOPED_TRACE(testing::Message() << "spread " << spread << (shuffled ? ", shuffled" : ""));
            constexpr int Values = 300;
            RandomRows made = MakeRows(12345u + static_cast<std::uint32_t>(spread), Values, shuffled);
            std::vector<std::unique_ptr<osp::TStatistic>> passed, direct;
            for (int i = 0; i < Values; ++i) {
                passed.push_back(std::make_unique<osp::TStatistic>());
                direct.push_back(std::make_unique<osp::TStatistic>());
            }
            for (std::size_t i = 0; i < made.rows.size(); ++i) {
                const telmod::RowCounts& r = made.rows[i];
                if (made.ids[i] != telmod::TRowIds::NoValue && made.ids[i] != 7)
                    direct[static_cast<std::size_t>(made.ids[i])]->IncCounts(r.person, r.hours, r.fin, r.man,
                                                                             r.aku, r.c98);
            }
            std::vector<std::int32_t> spreadIds;
            for (const std::int32_t id : made.ids)
                spreadIds.push_back(id == telmod::TRowIds::NoValue ? id : id * spread);
            const std::vector<std::uint32_t> order = Identity(made.rows.size());
            std::vector<std::int32_t> looked;
            std::vector<telmod::CategoryCount<osp::TStatistic>> categories;
            categories.emplace_back(telmod::TRowIds(spreadIds, order), [&](std::int32_t id) {
                looked.push_back(id);
                return id == 7 * spread ? nullptr : passed[static_cast<std::size_t>(id / spread)].get();
            });
            telmod::CountCategories(
                categories, made.rows.size(), [&](std::size_t i) { return made.rows[i]; }, false);

            EXPECT_EQ(looked.size(), static_cast<std::size_t>(Values)) << "one lookup per distinct id";
            EXPECT_TRUE(std::is_sorted(looked.begin(), looked.end())) << "so a sorted list only appends";
            for (int value = 0; value < Values; ++value)
                for (int figure = 0; figure < osp::StatTypeCount; ++figure)
                    ASSERT_EQ(passed[static_cast<std::size_t>(value)]->GetTypeCount(figure),
                              direct[static_cast<std::size_t>(value)]->GetTypeCount(figure))
                        << "value " << value << ", figure " << figure;
            EXPECT_EQ(passed[7]->Count(), 0);
            EXPECT_GT(direct[3]->Count(), 0);
        }
}

TEST(CountingPass, RowsWithoutAPersonGetTheirStatisticButCountNowhereWhenSkipped) {
    vwo::TStatistic onlyNobody, mixed;
    const std::vector<telmod::RowCounts> rows{{0, 10, true, true, false, true},
                                              {0, 10, true, true, false, true},
                                              {4, 10, true, false, false, false},
                                              {4, 20, false, false, false, false}};
    const std::vector<std::uint32_t> order = Identity(rows.size());
    std::vector<telmod::CategoryCount<vwo::TStatistic>> categories;
    categories.emplace_back(telmod::TRowIds({1, 1, 2, 2}, order),
                            [&](std::int32_t id) { return id == 1 ? &onlyNobody : &mixed; });
    telmod::CountCategories(
        categories, rows.size(), [&](std::size_t i) { return rows[i]; }, true);
    EXPECT_EQ(onlyNobody.Count(), 0);
    EXPECT_EQ(onlyNobody.PersoonCount(), 0);
    EXPECT_EQ(mixed.Count(), 2);
    EXPECT_EQ(mixed.PersoonCount(), 1);
    EXPECT_EQ(mixed.NotFinNount(), 1);
    EXPECT_EQ(mixed.LesurenCursist(), 10);
}
