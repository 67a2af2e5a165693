// Not called by the application: kept as a library service for other users.
#pragma once

#include <QEvent>
#include <QList>
#include <QMainWindow>

namespace Preferences {

// A window that can ignore the user's input (clicks, keys, drags, scrolling, tablet and touch, gestures)
// while it is busy, and never offers to show or hide its toolbar. Hover, enter and leave, plain mouse
// movement, modifier keys and every non-input event still arrive.
class UserInteractionPausableWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit UserInteractionPausableWindow(QWidget* parent = nullptr);
    ~UserInteractionPausableWindow() override;

    bool isUserInteractionEnabled() const { return m_interactionEnabled; }
    void setUserInteractionEnabled(bool enabled);

    // The input kinds dropped while interaction is off (key events other than pure modifiers, and mouse
    // moves with a button held, are decided per event).
    static const QList<QEvent::Type>& pausedEventTypes();
    // Whether `event` is dropped while interaction is off.
    static bool isPausedEvent(const QEvent* event);

    // No toolbar show/hide menu.
    QMenu* createPopupMenu() override { return nullptr; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool belongsToThisWindow(QObject* object) const;

    bool m_interactionEnabled = true;
};

} // namespace Preferences
