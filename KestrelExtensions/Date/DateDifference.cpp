#include "DateDifference.h"

#include <QLocale>
#include <memory>
#include <unicode/ucal.h>

namespace KestrelExtensions {

namespace {

struct CalendarCloser {
    void operator()(UCalendar* calendar) const { ucal_close(calendar); }
};

// The process locale's calendar; the C locale has none of its own, so it takes the root (Gregorian) one.
std::string calendarLocale()
{
    const QLocale locale = QLocale::system();
    return locale.language() == QLocale::C ? std::string() : locale.name().toStdString();
}

// The length of a unit whose length never varies; 0 for calendar units (days, weeks, months, years).
qint64 fixedUnitMilliseconds(UCalendarDateFields field)
{
    switch (field) {
    case UCAL_HOUR_OF_DAY:
        return 3'600'000;
    case UCAL_MINUTE:
        return 60'000;
    case UCAL_SECOND:
        return 1'000;
    default:
        return 0;
    }
}

qint64 difference(const QDateTime& date, const QDateTime& from, UCalendarDateFields field)
{
    if (!date.isValid() || !from.isValid())
        return 0;
    // ICU counts in 32 bits and gives up beyond (seconds over 68 years); hours, minutes and seconds have
    // fixed lengths (the calendar adds them as elapsed time too), so those are counted from the elapsed
    // milliseconds, truncated toward zero like the calendar's whole units.
    if (const qint64 unit = fixedUnitMilliseconds(field))
        return (date.toMSecsSinceEpoch() - from.toMSecsSinceEpoch()) / unit;
    UErrorCode status = U_ZERO_ERROR;
    const std::string locale = calendarLocale();
    // A null zone is ICU's default zone, which follows the process's TZ like QDateTime's local time.
    std::unique_ptr<UCalendar, CalendarCloser> calendar(
        ucal_open(nullptr, 0, locale.empty() ? "" : locale.c_str(), UCAL_DEFAULT, &status));
    if (U_FAILURE(status) || !calendar)
        return 0;
    ucal_setMillis(calendar.get(), UDate(from.toMSecsSinceEpoch()), &status);
    const int32_t result =
        ucal_getFieldDifference(calendar.get(), UDate(date.toMSecsSinceEpoch()), field, &status);
    return U_FAILURE(status) ? 0 : result;
}

} // namespace

qint64 years(const QDateTime& date, const QDateTime& from)
{
    return difference(date, from, UCAL_YEAR);
}

qint64 months(const QDateTime& date, const QDateTime& from)
{
    return difference(date, from, UCAL_MONTH);
}

qint64 weeks(const QDateTime& date, const QDateTime& from)
{
    return difference(date, from, UCAL_WEEK_OF_MONTH);
}

qint64 days(const QDateTime& date, const QDateTime& from)
{
    return difference(date, from, UCAL_DATE);
}

qint64 hours(const QDateTime& date, const QDateTime& from)
{
    return difference(date, from, UCAL_HOUR_OF_DAY);
}

qint64 minutes(const QDateTime& date, const QDateTime& from)
{
    return difference(date, from, UCAL_MINUTE);
}

qint64 seconds(const QDateTime& date, const QDateTime& from)
{
    return difference(date, from, UCAL_SECOND);
}

} // namespace KestrelExtensions
