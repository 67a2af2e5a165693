#pragma once

#include <QWidget>

class QLabel;

namespace Sheetwright {

// A control with its name as a small caption directly underneath instead of a label beside it:
// a vertical stack with no spacing, both rows centred. The caption is the localised `title`; the
// control's accessible name becomes that caption. A tooltip or disabled state set on the LabelledView
// covers the control and its caption together.
//
// Used by the layout editors, the Save Layout sheet and the General settings pane.
class LabelledView : public QWidget {
    Q_OBJECT
public:
    // Takes ownership of `control`. `title` is a localisation key.
    LabelledView(const QString& title, QWidget* control, QWidget* parent = nullptr);

    QWidget* control() const { return m_control; }
    // Lets the control take the whole width of the stack instead of its own size, centred (text fields).
    void setStretchesControl(bool stretches);
    QLabel* caption() const { return m_caption; }

private:
    QWidget* m_control;
    QLabel* m_caption;
};

// The same labelled stack around a content widget (for contents wider than a single control, such as
// the background colour well); kept as its own type so callers say which they mean.
class WideLabelledView : public LabelledView {
    Q_OBJECT
public:
    WideLabelledView(const QString& title, QWidget* content, QWidget* parent = nullptr)
        : LabelledView(title, content, parent)
    {
    }
};

} // namespace Sheetwright
