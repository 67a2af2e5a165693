#include "UserInteractionPausableWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWindow>

namespace Preferences {

UserInteractionPausableWindow::UserInteractionPausableWindow(QWidget* parent) : QMainWindow(parent) {}

UserInteractionPausableWindow::~UserInteractionPausableWindow()
{
    if (!m_interactionEnabled)
        qApp->removeEventFilter(this);
}

void UserInteractionPausableWindow::setUserInteractionEnabled(bool enabled)
{
    if (enabled == m_interactionEnabled)
        return;
    m_interactionEnabled = enabled;
    // Input goes straight to child widgets, so only an application-wide filter sees all of it.
    if (enabled)
        qApp->removeEventFilter(this);
    else
        qApp->installEventFilter(this);
}

const QList<QEvent::Type>& UserInteractionPausableWindow::pausedEventTypes()
{
    // Shortcut negotiation (ShortcutOverride) is no input and passes: a paused window's focused widget
    // keeps the keys it claims, so a shortcut never takes them just because the key press is dropped.
    static const QList<QEvent::Type> types{
        QEvent::MouseButtonPress,
        QEvent::MouseButtonRelease,
        QEvent::MouseButtonDblClick,
        QEvent::MouseMove,
        QEvent::KeyPress,
        QEvent::KeyRelease,
        QEvent::Wheel,
        QEvent::TabletPress,
        QEvent::TabletMove,
        QEvent::TabletRelease,
        QEvent::NativeGesture,
        QEvent::Gesture,
        QEvent::GestureOverride,
        QEvent::TouchBegin,
        QEvent::TouchUpdate,
        QEvent::TouchEnd,
        QEvent::TouchCancel,
        QEvent::ContextMenu,
    };
    return types;
}

bool UserInteractionPausableWindow::isPausedEvent(const QEvent* event)
{
    if (!pausedEventTypes().contains(event->type()))
        return false;
    switch (event->type()) {
    case QEvent::MouseMove:
        // Movement alone passes; a drag does not.
        return static_cast<const QMouseEvent*>(event)->buttons() != Qt::NoButton;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        switch (static_cast<const QKeyEvent*>(event)->key()) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_Meta:
        case Qt::Key_AltGr:
        case Qt::Key_CapsLock:
            return false;
        default:
            return true;
        }
    default:
        return true;
    }
}

bool UserInteractionPausableWindow::belongsToThisWindow(QObject* object) const
{
    if (auto* widget = qobject_cast<QWidget*>(object))
        return widget->window() == this;
    if (auto* window = qobject_cast<QWindow*>(object))
        return window == windowHandle();
    return false;
}

bool UserInteractionPausableWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_interactionEnabled && isPausedEvent(event) && belongsToThisWindow(watched))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

} // namespace Preferences
