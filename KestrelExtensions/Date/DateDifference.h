#pragma once

#include <QDateTime>

namespace KestrelExtensions {

// Whole calendar units from `from` to `date` in the user's current calendar and time zone: negative
// when `from` lies after `date`, 0 when the calendar gives no answer (for example an invalid date).
// Counting is the calendar's, so a day across a daylight-saving change is still one day and 3 March
// 10:00 is 1 day after 1 March 12:00. `weeks` counts the week-of-month unit.
int years(const QDateTime& date, const QDateTime& from);
int months(const QDateTime& date, const QDateTime& from);
int weeks(const QDateTime& date, const QDateTime& from);
int days(const QDateTime& date, const QDateTime& from);
int hours(const QDateTime& date, const QDateTime& from);
int minutes(const QDateTime& date, const QDateTime& from);
int seconds(const QDateTime& date, const QDateTime& from);

} // namespace KestrelExtensions
