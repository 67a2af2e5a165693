#include "DateFormatter.h"

namespace KestrelExtensions {

QString DateFormatter::string(const QDateTime& date) const
{
    const QDateTime local = m_timeZone.isValid() ? date.toTimeZone(m_timeZone) : date;
    return m_format.isEmpty() ? m_locale.toString(local, m_style) : m_locale.toString(local, m_format);
}

} // namespace KestrelExtensions
