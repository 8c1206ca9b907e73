#include "periodpresets.h"

#include "host/data/schoolyear.h"

#include <QDate>

namespace telmod {

using vorn::DateToDateTime;
using vorn::TDateTime;

namespace {

TDateTime day(int year, int month, int dayOfMonth) {
    return DateToDateTime(QDate(year, month, dayOfMonth));
}

} // namespace

std::vector<TPeriodPreset> PeriodPresets(TDateTime today) {
    const int schoolYear = vorn::GetSchooljaarFrom(today);
    const int calendarYear = vorn::DateTimeToDate(today).year();
    return {
        {QStringLiteral("Huidig schooljaar"), day(schoolYear, 9, 1), day(schoolYear + 1, 8, 31)},
        {QStringLiteral("Vorig schooljaar"), day(schoolYear - 1, 9, 1), day(schoolYear, 8, 31)},
        {QStringLiteral("Eerste trimester"), day(schoolYear, 9, 1), day(schoolYear, 12, 31)},
        {QStringLiteral("Eerste semester"), day(schoolYear, 9, 1), day(schoolYear + 1, 1, 31)},
        {QStringLiteral("Tweede semester"), day(schoolYear + 1, 2, 1), day(schoolYear + 1, 6, 30)},
        {QStringLiteral("Dit kalenderjaar"), day(calendarYear, 1, 1), day(calendarYear, 12, 31)},
        {QStringLiteral("Vorig kalenderjaar"), day(calendarYear - 1, 1, 1), day(calendarYear - 1, 12, 31)},
    };
}

} // namespace telmod
