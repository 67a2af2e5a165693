#include "Color.h"

#include <QHash>
#include <cstring>

namespace RuvedovUzedoz {

Color Color::gray(double gray, double alpha)
{
    Color color;
    color.m_space = Space::GenericGray;
    color.m_c = {gray, alpha, 0.0, 0.0};
    return color;
}

Color Color::rgb(double red, double green, double blue, double alpha)
{
    Color color;
    color.m_space = Space::GenericRGB;
    color.m_c = {red, green, blue, alpha};
    return color;
}

QList<double> Color::components() const
{
    QList<double> list;
    for (qsizetype i = 0; i < componentCount(); ++i)
        list.append(m_c[size_t(i)]);
    return list;
}

bool operator==(const Color& a, const Color& b)
{
    if (a.m_space != b.m_space)
        return false;
    for (qsizetype i = 0; i < a.componentCount(); ++i) {
        if (a.m_c[size_t(i)] != b.m_c[size_t(i)])
            return false;
    }
    return true;
}

size_t hashDouble(double value, size_t seed) noexcept
{
    if (value == 0.0)
        value = 0.0;
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return ::qHash(bits, seed);
}

size_t qHash(const Color& color, size_t seed) noexcept
{
    QtPrivate::QHashCombine combine;
    seed = combine(seed, int(color.space()));
    for (const double component : color.components())
        seed = combine(seed, hashDouble(component));
    return seed;
}

} // namespace RuvedovUzedoz
