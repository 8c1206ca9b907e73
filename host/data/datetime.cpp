#include "datetime.h"

#include <cmath>

namespace vorn {

namespace {
constexpr double MillisecondsPerDay = 86400000.0;
}

QDate DayZero() {
    return QDate(1899, 12, 30);
}

bool IsDateSet(TDateTime value) {
    return value != NoDate;
}

TDateTime DateToDateTime(const QDate& date) {
    if (!date.isValid())
        return NoDate;
    return static_cast<double>(DayZero().daysTo(date));
}

TDateTime QDateTimeToDateTime(const QDateTime& dateTime) {
    if (!dateTime.isValid())
        return NoDate;
    const double days = DateToDateTime(dateTime.date());
    const double fraction = dateTime.time().msecsSinceStartOfDay() / MillisecondsPerDay;
    // Before day 0 the fraction still counts forward from midnight, so it is subtracted.
    return days >= 0 ? days + fraction : days - fraction;
}

TDateTime EncodeDate(int year, int month, int day) {
    return DateToDateTime(QDate(year, month, day));
}

QDate DateTimeToDate(TDateTime value) {
    if (!IsDateSet(value))
        return {};
    return DayZero().addDays(static_cast<qint64>(std::trunc(value)));
}

QDateTime DateTimeToQDateTime(TDateTime value) {
    if (!IsDateSet(value))
        return {};
    const double fraction = std::fabs(value - std::trunc(value));
    const int msecs = static_cast<int>(std::llround(fraction * MillisecondsPerDay));
    return QDateTime(DateTimeToDate(value), QTime(0, 0)).addMSecs(msecs);
}

TDateTime DateOf(TDateTime value) {
    return std::trunc(value);
}

TDateTime Today() {
    return DateToDateTime(QDate::currentDate());
}

} // namespace vorn
