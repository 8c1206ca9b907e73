// Number formats of measures: Dutch decimal comma and thousands dot, optional decimals, percentages.
#include "host/cube/numberformat.h"

#include "tests/common/qtprint.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vorn;

namespace {

QString Formatted(const char* pattern, double value) {
    const std::optional<TNumberFormat> format = TNumberFormat::Parse(QString::fromLatin1(pattern));
    return format ? format->Format(value) : QStringLiteral("(geen notatie)");
}

} // namespace

TEST(NumberFormat, WritesNumbersTheDutchWay) {
    EXPECT_EQ(Formatted("0", 1234567.4), QStringLiteral("1234567"));
    EXPECT_EQ(Formatted("#,##0", 1234567.5), QStringLiteral("1.234.568"));
    EXPECT_EQ(Formatted("0.0", 2.25), QStringLiteral("2,3"));
    EXPECT_EQ(Formatted("#,##0.00", -9876.5), QStringLiteral("-9.876,50"));
    EXPECT_EQ(Formatted("0.00", 0.001), QStringLiteral("0,00"));
}

TEST(NumberFormat, RoundsAwayTheMinusOfAZero) {
    EXPECT_EQ(Formatted("0.0", -0.04), QStringLiteral("0,0"));
    EXPECT_EQ(Formatted("0", -0.4), QStringLiteral("0"));
    EXPECT_EQ(Formatted("0", -0.6), QStringLiteral("-1"));
}

TEST(NumberFormat, OptionalDecimalsAreWrittenOnlyWhenNeeded) {
    EXPECT_EQ(Formatted("#,##0.##", 1500), QStringLiteral("1.500"));
    EXPECT_EQ(Formatted("#,##0.##", 1500.5), QStringLiteral("1.500,5"));
    EXPECT_EQ(Formatted("#,##0.##", 1500.257), QStringLiteral("1.500,26"));
    EXPECT_EQ(Formatted("0.0#", 3), QStringLiteral("3,0"));
    EXPECT_EQ(Formatted("0.0#", 3.14159), QStringLiteral("3,14"));
}

TEST(NumberFormat, PercentagesShowAFractionTimesAHundred) {
    EXPECT_EQ(Formatted("0%", 0.256), QStringLiteral("26%"));
    EXPECT_EQ(Formatted("0.0%", 0.2567), QStringLiteral("25,7%"));
    EXPECT_EQ(Formatted("#,##0%", 12.5), QStringLiteral("1.250%"));
    EXPECT_TRUE(TNumberFormat::Parse("0.0%")->IsPercent());
    EXPECT_FALSE(TNumberFormat::Parse("0.0")->IsPercent());
}

TEST(NumberFormat, RefusesWhatItCannotWrite) {
    for (const char* pattern :
         {"", "0.", "0.%", "#.##0", "0,0", "##0", "0.#0", "%", "0.0000000000000000", "abc"})
        EXPECT_FALSE(TNumberFormat::Parse(QString::fromLatin1(pattern))) << pattern;
}

TEST(NumberFormat, NumbersBeyondDoublesDoNotBreakIt) {
    EXPECT_FALSE(Formatted("#,##0.##", std::nan("")).isEmpty());
    EXPECT_FALSE(Formatted("0.00", HUGE_VAL).isEmpty());
}
