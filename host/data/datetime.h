#pragma once

#include <QDate>
#include <QDateTime>

namespace vorn {

/// A date-time value: whole days since 30 December 1899 plus the fraction of the day.
/// Exactly 0 means "not set".
using TDateTime = double;

constexpr TDateTime NoDate = 0.0;

/// The first calendar day of the day numbering.
QDate DayZero();

bool IsDateSet(TDateTime value);
TDateTime DateToDateTime(const QDate& date);
TDateTime QDateTimeToDateTime(const QDateTime& dateTime);
TDateTime EncodeDate(int year, int month, int day);
/// The calendar date of the value; an invalid QDate when the value is not set.
QDate DateTimeToDate(TDateTime value);
QDateTime DateTimeToQDateTime(TDateTime value);
/// The value without its time of day.
TDateTime DateOf(TDateTime value);
/// The current day, without time.
TDateTime Today();

} // namespace vorn
