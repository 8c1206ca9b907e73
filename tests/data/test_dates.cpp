#include "host/data/datetime.h"
#include "host/data/errors.h"
#include "host/data/schoolyear.h"

#include <gtest/gtest.h>

using namespace vorn;

TEST(Dates, DayNumbersCountFromThirtiethOfDecember1899) {
    EXPECT_EQ(DateTimeToDate(1.0), QDate(1899, 12, 31));
    EXPECT_EQ(EncodeDate(2024, 9, 1), 45536.0);
    EXPECT_EQ(DateToDateTime(QDate(1899, 12, 29)), -1.0);
    EXPECT_FALSE(DateTimeToDate(NoDate).isValid()); // 0 means not set
    EXPECT_EQ(DateToDateTime(QDate()), NoDate);
}

TEST(Dates, TimeOfDayIsTheFraction) {
    const QDateTime noon(QDate(2025, 1, 15), QTime(12, 0));
    const TDateTime value = QDateTimeToDateTime(noon);
    EXPECT_DOUBLE_EQ(value - DateOf(value), 0.5);
    EXPECT_EQ(DateTimeToQDateTime(value), noon);
    // Before day 0 the fraction still runs forward from midnight.
    const QDateTime early(QDate(1899, 12, 29), QTime(6, 0));
    EXPECT_EQ(DateTimeToQDateTime(QDateTimeToDateTime(early)), early);
}

namespace {
class CountingDirectory : public ISchoolYearDirectory {
public:
    int calls = 0;
    int schoolYearId(int number) override {
        ++calls;
        return number == 2024 ? 17 : -1;
    }
};
} // namespace

TEST(SchoolYears, RunFromFirstSeptemberToThirtyFirstAugust) {
    EXPECT_EQ(GetSchooljaarFrom(EncodeDate(2024, 8, 31)), 2023);
    EXPECT_EQ(GetSchooljaarFrom(EncodeDate(2024, 9, 1)), 2024);
    EXPECT_EQ(GetSchooljaarFrom(EncodeDate(2025, 6, 30)), 2024);
    const TDateTime winter = EncodeDate(2025, 2, 10) + 0.75;
    EXPECT_EQ(GetSchooljaarStartFrom(winter), EncodeDate(2024, 9, 1));
    EXPECT_EQ(GetSchooljaarEndFrom(winter), EncodeDate(2025, 6, 30));
    EXPECT_EQ(GetSchooljaarEndExtFrom(winter), EncodeDate(2025, 8, 31));
}

TEST(SchoolYears, IdsComeFromTheInstalledDirectory) {
    CountingDirectory directory;
    SetSchoolYearDirectory(&directory);
    EXPECT_EQ(GetSchooljaarIDFrom(2024), 17);
    EXPECT_EQ(GetSchooljaarIDFrom(EncodeDate(2025, 3, 1)), 17);
    EXPECT_LT(GetSchooljaarIDFrom(1990), 0);
    EXPECT_EQ(directory.calls, 3);
    SetSchoolYearDirectory(nullptr);
    EXPECT_THROW(GetSchooljaarIDFrom(2024), EDatabaseError);
}

TEST(ClientErrors, FormatTheDutchMessageAndThrowATypedError) {
    try {
        RaiseClientError("Kon de id van schooljaar %s niet bepalen", QString("2024"));
        FAIL() << "nothing was raised";
    } catch (const EClientError& error) {
        EXPECT_EQ(error.message(), "Kon de id van schooljaar 2024 niet bepalen");
    }
    EXPECT_EQ(FormatMessage("? ID : %d", {17}), "? ID : 17");
    EXPECT_EQ(FormatMessage("%s%% van %d", {QString("50"), 8}), "50% van 8");
    EXPECT_EQ(FormatMessage("%s en %s", {QString("een")}), "een en ");
}
