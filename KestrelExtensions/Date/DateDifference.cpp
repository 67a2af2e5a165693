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

int difference(const QDateTime& date, const QDateTime& from, UCalendarDateFields field)
{
    if (!date.isValid() || !from.isValid())
        return 0;
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

int years(const QDateTime& date, const QDateTime& from)
{
    return difference(date, from, UCAL_YEAR);
}

int months(const QDateTime& date, const QDateTime& from)
{
    return difference(date, from, UCAL_MONTH);
}

int weeks(const QDateTime& date, const QDateTime& from)
{
    return difference(date, from, UCAL_WEEK_OF_MONTH);
}

int days(const QDateTime& date, const QDateTime& from)
{
    return difference(date, from, UCAL_DATE);
}

int hours(const QDateTime& date, const QDateTime& from)
{
    return difference(date, from, UCAL_HOUR_OF_DAY);
}

int minutes(const QDateTime& date, const QDateTime& from)
{
    return difference(date, from, UCAL_MINUTE);
}

int seconds(const QDateTime& date, const QDateTime& from)
{
    return difference(date, from, UCAL_SECOND);
}

} // namespace KestrelExtensions
