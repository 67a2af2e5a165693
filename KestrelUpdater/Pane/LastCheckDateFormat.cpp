#include "LastCheckDateFormat.h"

#include "KestrelExtensions/Localization/Localized.h"

#include <QRegularExpression>

using KestrelExtensions::localized;

namespace KestrelUpdater {

QString longDateFormatWithoutWeekday(const QLocale& locale)
{
    QString format = locale.dateFormat(QLocale::LongFormat);
    // The weekday and the punctuation that joins it to the next field ("dddd, " or "dddd ").
    static const QRegularExpression weekday(QStringLiteral("dddd[\\s,.،、]*"));
    format.remove(weekday);
    static const QRegularExpression trailing(QStringLiteral("[\\s,]+$"));
    format.remove(trailing);
    return format.trimmed();
}

QString formatLastCheckDate(const QDateTime& when, const QDateTime& now, const QLocale& locale)
{
    const QDateTime local = when.toLocalTime();
    const qint64 days = now.toLocalTime().date().daysTo(local.date());
    QString date;
    if (days == 0)
        date = localized("Today");
    else if (days == -1)
        date = localized("Yesterday");
    else if (days == 1)
        date = localized("Tomorrow");
    else
        date = locale.toString(local.date(), longDateFormatWithoutWeekday(locale));
    return localized("%1 at %2").arg(date, locale.toString(local.time(), QLocale::ShortFormat));
}

} // namespace KestrelUpdater
