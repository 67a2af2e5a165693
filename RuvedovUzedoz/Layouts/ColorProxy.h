#pragma once

#include "RuvedovUzedoz/Layouts/Color.h"

#include <QJsonValue>
#include <QStringList>

namespace RuvedovUzedoz {

// A colour as it travels through JSON: a bare array of its components, alpha last: [grey, alpha] or
// [red, green, blue, alpha]. The colour space is not written; two numbers read back as generic grey and
// four as generic RGB.
class ColorProxy {
public:
    explicit ColorProxy(Color color) : m_color(color) {}

    const Color& color() const { return m_color; }

    // Throws KestrelExtensions::EncodingError for a non-finite component.
    QJsonValue toJson(const QStringList& codingPath = {}) const;
    // Throws KestrelExtensions::DecodingError: a type error for anything but an array of numbers, a
    // corrupted-data error for a count other than two or four.
    static ColorProxy fromJson(const QJsonValue& value, const QStringList& codingPath = {});

    friend bool operator==(const ColorProxy& a, const ColorProxy& b) { return a.m_color == b.m_color; }
    friend bool operator!=(const ColorProxy& a, const ColorProxy& b) { return !(a == b); }

private:
    Color m_color;
};

inline size_t qHash(const ColorProxy& proxy, size_t seed = 0) noexcept
{
    return qHash(proxy.color(), seed);
}

} // namespace RuvedovUzedoz
