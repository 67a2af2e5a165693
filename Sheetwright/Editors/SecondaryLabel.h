#pragma once

#include <QLabel>

namespace Sheetwright {

// Text in the secondary (dimmed) colour of the surrounding palette: captions and section headers.
// Only the enabled states are coloured, so a disabled label still greys like any other; the colour
// follows palette changes (a switch to a dark theme, say).
class SecondaryLabel : public QLabel {
    Q_OBJECT
public:
    explicit SecondaryLabel(const QString& text, QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyColour();
    bool m_applying = false;
};

} // namespace Sheetwright
