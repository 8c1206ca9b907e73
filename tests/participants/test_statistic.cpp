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
