// Not called by the application: kept as a library service for other users.
#pragma once

#include <QDateTime>

namespace KestrelExtensions {

// Whole calendar units from `from` to `date` in the user's current calendar and time zone: negative
// when `from` lies after `date`, 0 when the calendar gives no answer (for example an invalid date).
// Counting is the calendar's, so a day across a daylight-saving change is still one day and 3 March
// 10:00 is 1 day after 1 March 12:00. `weeks` counts the week-of-month unit. The counts are 64-bit:
// seconds over more than 68 years do not fit 32 bits.
qint64 years(const QDateTime& date, const QDateTime& from);
qint64 months(const QDateTime& date, const QDateTime& from);
qint64 weeks(const QDateTime& date, const QDateTime& from);
qint64 days(const QDateTime& date, const QDateTime& from);
qint64 hours(const QDateTime& date, const QDateTime& from);
qint64 minutes(const QDateTime& date, const QDateTime& from);
qint64 seconds(const QDateTime& date, const QDateTime& from);

} // namespace KestrelExtensions
