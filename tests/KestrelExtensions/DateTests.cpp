#include "KestrelExtensions/Date/DateDifference.h"
#include "KestrelExtensions/Date/DateFormatter.h"

#include <QTimeZone>
#include <gtest/gtest.h>
#include <unicode/ucal.h>

using namespace KestrelExtensions;

namespace {

QDateTime at(const char* text, const QTimeZone& zone = QTimeZone::utc())
{
    QDateTime date = QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate);
    date.setTimeZone(zone);
    return date;
}

// The calendar's default zone, which counts of calendar units follow.
void setDefaultTimeZone(const char16_t* zoneId)
{
    UErrorCode status = U_ZERO_ERROR;
    ucal_setDefaultTimeZone(reinterpret_cast<const UChar*>(zoneId), &status);
    ASSERT_TRUE(U_SUCCESS(status));
}

} // namespace

TEST(DateDifference, CountsWholeUnitsEitherWayAndAcrossTheClockChange)
{
    setDefaultTimeZone(u"UTC");
    const QDateTime first = at("2026-03-01T12:00:00");
    const QDateTime third = at("2026-03-03T10:00:00");
    EXPECT_EQ(days(third, first), 1);
    EXPECT_EQ(days(first, third), -1);
    EXPECT_EQ(hours(third, first), 46);
    EXPECT_EQ(minutes(third, first), 46 * 60);
    EXPECT_EQ(seconds(at("2026-03-01T12:00:01.900"), first), 1);
    EXPECT_EQ(weeks(at("2026-03-22T12:00:00"), first), 3);
    EXPECT_EQ(weeks(at("2026-03-22T11:59:59"), first), 2);
    // Month ends: one month after 31 January is the last day of February.
    EXPECT_EQ(months(at("2026-02-28T00:00:00"), at("2026-01-31T00:00:00")), 1);
    EXPECT_EQ(months(at("2026-02-27T00:00:00"), at("2026-01-31T00:00:00")), 0);
    EXPECT_EQ(months(at("2026-03-31T00:00:00"), at("2026-01-31T00:00:00")), 2);
    EXPECT_EQ(years(at("2028-02-29T00:00:00"), at("2024-02-29T00:00:00")), 4);
    EXPECT_EQ(years(at("2024-02-29T00:00:00"), at("2028-02-28T00:00:00")), -3);
    EXPECT_EQ(days(QDateTime(), first), 0) << "no date, no count";
    EXPECT_EQ(seconds(first, at("2026-03-01T12:00:01.900")), -1) << "truncated toward zero";

    // Beyond 32 bits: 80 years of seconds and minutes over millennia, both ways.
    const QDateTime from1950 = at("1950-01-01T00:00:00");
    const QDateTime to2030 = at("2030-01-01T00:00:00");
    const qint64 elapsed = from1950.secsTo(to2030);
    EXPECT_EQ(seconds(to2030, from1950), elapsed);
    EXPECT_EQ(seconds(from1950, to2030), -elapsed);
    EXPECT_EQ(minutes(to2030, from1950), elapsed / 60);
    EXPECT_EQ(hours(to2030, from1950), elapsed / 3600);
    EXPECT_EQ(years(to2030, from1950), 80);
    EXPECT_EQ(days(to2030, from1950), elapsed / 86400);

    // A day across the clock change is still one day.
    setDefaultTimeZone(u"Europe/Berlin");
    const QTimeZone zone("Europe/Berlin");
    EXPECT_EQ(days(at("2025-03-30T12:00:00", zone), at("2025-03-29T12:00:00", zone)), 1);
    EXPECT_EQ(hours(at("2025-03-30T12:00:00", zone), at("2025-03-29T12:00:00", zone)), 23);
}

TEST(DateFormatter, UsesItsOwnZoneAndFormat)
{
    DateFormatter formatter(QStringLiteral("yyyy-MM-dd HH:mm"));
    formatter.setLocale(QLocale(QLocale::English));
    formatter.setTimeZone(QTimeZone("Asia/Tokyo"));
    EXPECT_EQ(formatter.string(at("2026-01-01T20:30:00")), "2026-01-02 05:30");
}
