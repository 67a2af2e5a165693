#pragma once

#include <QList>
#include <QMetaType>
#include <array>

namespace RuvedovUzedoz {

// An immutable colour that keeps its colour space with its components (alpha last): two for grey, four for
// RGB. Colours are equal only in the same space with equal components, so grey white is not RGB white.
class Color {
public:
    enum class Space { GenericGray, GenericRGB };

    // Opaque black, so a default-made colour is usable.
    Color() = default;

    static Color gray(double gray, double alpha = 1.0);
    static Color rgb(double red, double green, double blue, double alpha = 1.0);
    static Color black() { return gray(0.0, 1.0); }
    static Color white() { return gray(1.0, 1.0); }

    Space space() const { return m_space; }
    qsizetype componentCount() const { return m_space == Space::GenericGray ? 2 : 4; }
    // The components in the colour's own space, alpha last.
    QList<double> components() const;

    // The colour as RGBA for drawing; a grey g draws as (g, g, g).
    double redF() const { return m_c[0]; }
    double greenF() const { return m_space == Space::GenericGray ? m_c[0] : m_c[1]; }
    double blueF() const { return m_space == Space::GenericGray ? m_c[0] : m_c[2]; }
    double alphaF() const { return m_space == Space::GenericGray ? m_c[1] : m_c[3]; }
    std::array<double, 4> toRgba() const { return {redF(), greenF(), blueF(), alphaF()}; }

    friend bool operator==(const Color& a, const Color& b);
    friend bool operator!=(const Color& a, const Color& b) { return !(a == b); }

private:
    Space m_space = Space::GenericGray;
    std::array<double, 4> m_c{0.0, 1.0, 0.0, 0.0};
};

size_t qHash(const Color& color, size_t seed = 0) noexcept;

// A double's hash that agrees with numeric equality: 0 and -0 hash alike.
size_t hashDouble(double value, size_t seed = 0) noexcept;

} // namespace RuvedovUzedoz

Q_DECLARE_METATYPE(RuvedovUzedoz::Color)
