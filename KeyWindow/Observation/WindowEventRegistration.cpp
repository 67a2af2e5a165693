#include "WindowEventRegistration.h"

namespace KeyWindow {

WindowEventRegistration::WindowEventRegistration(QWidget* window, QEvent::Type type,
                                                 std::function<void()> handler)
    : m_window(window), m_type(type), m_handler(std::move(handler))
{
    if (m_window)
        m_window->installEventFilter(this);
}

WindowEventRegistration::~WindowEventRegistration()
{
    if (m_window)
        m_window->removeEventFilter(this);
}

bool WindowEventRegistration::eventFilter(QObject* watched, QEvent* event)
{
    // Children see activation events too; only the window's own count.
    if (watched == m_window && event->type() == m_type && m_handler)
        m_handler();
    return false;
}

} // namespace KeyWindow
