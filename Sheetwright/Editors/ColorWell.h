#pragma once

#include "KestrelExtensions/Observation/Binding.h"
#include "RuvedovUzedoz/Layouts/Color.h"

#include <QColor>
#include <QToolButton>
#include <functional>

namespace Sheetwright {

QColor toQColor(const RuvedovUzedoz::Color& color);
// An opaque RGB colour of the same red, green and blue.
RuvedovUzedoz::Color opaqueColor(const QColor& color);

// A swatch of a bound colour; clicking it asks the chooser for a new one. Picked colours are opaque RGB;
// a cancelled choice writes nothing. One write per pick.
class ColorWell : public QToolButton {
    Q_OBJECT
public:
    // Returns the chosen colour, or an invalid QColor when the user cancels.
    using Chooser = std::function<QColor(const QColor& current, QWidget* parent, const QString& title)>;

    // `title` (a localisation key) names the well for screen readers and the colour dialog.
    ColorWell(KestrelExtensions::Binding<RuvedovUzedoz::Color> color, const QString& title,
              QWidget* parent = nullptr);

    // Replaces the colour dialog (tests).
    void setChooser(Chooser chooser) { m_chooser = std::move(chooser); }

    QSize sizeHint() const override { return {45, 24}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void choose();

    KestrelExtensions::Binding<RuvedovUzedoz::Color> m_color;
    QString m_title;
    Chooser m_chooser;
};

} // namespace Sheetwright
