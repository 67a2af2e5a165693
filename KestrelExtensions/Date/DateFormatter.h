// Not called by the application: kept as a library service for other users.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QTimeZone>

namespace KestrelExtensions {

// Turns dates into text with its own locale, time zone and either a format pattern or a locale style.
class DateFormatter {
public:
    DateFormatter() = default;
    explicit DateFormatter(QString format) : m_format(std::move(format)) {}

    void setLocale(const QLocale& locale) { m_locale = locale; }
    void setTimeZone(const QTimeZone& timeZone) { m_timeZone = timeZone; }
    // A pattern as QLocale::toString reads it ("yyyy-MM-dd HH:mm"); empty uses `style`.
    void setFormat(const QString& format) { m_format = format; }
    void setStyle(QLocale::FormatType style) { m_style = style; }

    QString string(const QDateTime& date) const;
    // The text of the current date and time.
    QString nowString() const { return string(QDateTime::currentDateTime()); }

private:
    QLocale m_locale = QLocale::system();
    QTimeZone m_timeZone = QTimeZone::systemTimeZone();
    QString m_format;
    QLocale::FormatType m_style = QLocale::ShortFormat;
};

} // namespace KestrelExtensions
