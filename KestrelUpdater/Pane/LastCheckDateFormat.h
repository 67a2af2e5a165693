#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace KestrelUpdater {

// The last-check date as the Updates pane writes it: the long date without its weekday, or "Today",
// "Yesterday" or "Tomorrow" when it falls on one of those days (local time), then the short time:
// "January 5, 2024 at 3:07 PM", "Today at 3:07 PM".
QString formatLastCheckDate(const QDateTime& when, const QDateTime& now, const QLocale& locale);

// The locale's long date format with the weekday and its separator taken out.
QString longDateFormatWithoutWeekday(const QLocale& locale);

} // namespace KestrelUpdater
