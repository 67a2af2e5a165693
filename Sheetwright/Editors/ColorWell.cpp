#include "ColorWell.h"

#include "KestrelExtensions/Localization/Localized.h"

#include <QColorDialog>
#include <QPainter>
#include <QStyleOptionToolButton>
#include <algorithm>
#include <cmath>

using RuvedovUzedoz::Color;

namespace Sheetwright {

QColor toQColor(const Color& color)
{
    auto clamp = [](double v) { return std::clamp(std::isfinite(v) ? v : 0.0, 0.0, 1.0); };
    return QColor::fromRgbF(float(clamp(color.redF())), float(clamp(color.greenF())),
                            float(clamp(color.blueF())), float(clamp(color.alphaF())));
}

Color opaqueColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return Color::rgb(rgb.redF(), rgb.greenF(), rgb.blueF(), 1.0);
}

ColorWell::ColorWell(KestrelExtensions::Binding<Color> color, const QString& title, QWidget* parent)
    : QToolButton(parent), m_color(std::move(color)), m_title(KestrelExtensions::localized(title))
{
    setAccessibleName(m_title);
    setFocusPolicy(Qt::StrongFocus);
    m_chooser = [](const QColor& current, QWidget* parent, const QString& title) {
        // No alpha channel: the user picks opaque colours only.
        return QColorDialog::getColor(current, parent, title, QColorDialog::DontUseNativeDialog);
    };
    connect(this, &QToolButton::clicked, this, [this] { choose(); });
    m_color.onChange(this, [this] { update(); });
}

void ColorWell::choose()
{
    const QColor chosen = m_chooser(toQColor(m_color.get()), this, m_title);
    if (chosen.isValid())
        m_color.set(opaqueColor(chosen));
}

void ColorWell::paintEvent(QPaintEvent* event)
{
    QToolButton::paintEvent(event);
    QPainter painter(this);
    const QRect swatch = rect().adjusted(5, 5, -5, -5);
    QColor fill = toQColor(m_color.get());
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
    if (!isEnabled()) {
        // Faded into the disabled button colour, like every other disabled control; no transparency.
        const QColor base = palette().color(QPalette::Disabled, QPalette::Button);
        const float share = 0.4f * fill.alphaF();
        fill = QColor::fromRgbF(base.redF() + (fill.redF() - base.redF()) * share,
                                base.greenF() + (fill.greenF() - base.greenF()) * share,
                                base.blueF() + (fill.blueF() - base.blueF()) * share);
    } else if (fill.alpha() < 255) {
        // A checkerboard under a translucent colour from a saved layout, so it shows as such.
        const int cell = 4;
        for (int y = swatch.top(); y <= swatch.bottom(); y += cell)
            for (int x = swatch.left(); x <= swatch.right(); x += cell)
                painter.fillRect(QRect(x, y, cell, cell).intersected(swatch),
                                 ((x - swatch.left()) / cell + (y - swatch.top()) / cell) % 2 ? Qt::lightGray
                                                                                              : Qt::white);
    }
    painter.fillRect(swatch, fill);
    painter.setPen(palette().color(group, QPalette::Mid));
    painter.drawRect(swatch.adjusted(0, 0, -1, -1));
}

} // namespace Sheetwright
