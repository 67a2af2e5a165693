#include "ByteCountFormatter.h"

#include <QLocale>
#include <array>
#include <cmath>

namespace Sheetwright {

QString formatByteCount(qint64 bytes)
{
    const QLocale locale;
    if (bytes == 0)
        return QStringLiteral("Zero KB");
    const qint64 magnitude = bytes < 0 ? -bytes : bytes;
    if (magnitude == 1)
        return QStringLiteral("%1 byte").arg(locale.toString(bytes));
    if (magnitude < 1000)
        return QStringLiteral("%1 bytes").arg(locale.toString(bytes));

    struct Unit {
        const char* name;
        int decimals;
    };
    static constexpr std::array<Unit, 6> units{
        {{"KB", 0}, {"MB", 1}, {"GB", 2}, {"TB", 2}, {"PB", 2}, {"EB", 2}}};
    double value = double(bytes) / 1000.0;
    for (size_t index = 0; index < units.size(); ++index) {
        const Unit& unit = units[index];
        const double scale = std::pow(10.0, unit.decimals);
        const double rounded = std::round(value * scale) / scale;
        // 999 999 bytes read as 1 MB rather than 1,000 KB.
        if (std::abs(rounded) < 1000.0 || index + 1 == units.size()) {
            QString text = locale.toString(rounded, 'f', unit.decimals);
            if (unit.decimals > 0) {
                const QString point = locale.decimalPoint();
                while (text.endsWith(QLatin1Char('0')) && text.contains(point))
                    text.chop(1);
                if (text.endsWith(point))
                    text.chop(point.size());
            }
            return text + QLatin1Char(' ') + QLatin1String(unit.name);
        }
        value /= 1000.0;
    }
    return {};
}

} // namespace Sheetwright
