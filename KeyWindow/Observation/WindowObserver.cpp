#include "WindowObserver.h"

#include "KeyWindow/Publishing/KeyWindowPublisher.h"

#include <QTimer>

namespace KeyWindow {

namespace {

KeyWindowValuesPreference fold(const QWidget* widget)
{
    KeyWindowValuesPreference preference;
    for (QObject* child : widget->children()) {
        auto* childWidget = qobject_cast<QWidget*>(child);
        // A dialog parented here is a window of its own; its values are not this window's.
        if (childWidget && !childWidget->isWindow())
            KeyWindowValuesPreference::reduce(preference, fold(childWidget));
    }
    if (const auto* publisher = widget->findChild<KeyWindowPublisher*>(QString(), Qt::FindDirectChildrenOnly))
        KeyWindowValuesPreference::reduce(preference, publisher->published());
    return preference;
}

} // namespace

WindowObserver::WindowObserver(QWidget* content) : QObject(content), m_appState(&KeyWindowState::shared()) {}

WindowObserver::~WindowObserver()
{
    // A window that goes away without resigning must not leave its published objects behind.
    if (m_appState && m_window && m_appState->window() == m_window.data()) {
        m_appState->setWindow(nullptr);
        m_appState->setValues({});
    }
}

void WindowObserver::setIsKeyWindow(bool isKey)
{
    const bool changed = m_isKeyWindow != isKey;
    m_isKeyWindow = isKey;
    updateAppState();
    if (changed)
        emit isKeyWindowChanged(isKey);
}

void WindowObserver::setValues(const KeyWindowValuesPreference& values)
{
    m_values = values;
    updateAppState();
}

void WindowObserver::setWindow(QWidget* window)
{
    m_window = window;
    setIsKeyWindow(window && window->isActiveWindow());
    if (!window) {
        m_becomeKeyObserver.reset();
        m_resignKeyObserver.reset();
        m_willCloseObserver.reset();
        return;
    }
    QPointer<WindowObserver> self(this);
    m_becomeKeyObserver = std::make_unique<WindowEventRegistration>(window, QEvent::WindowActivate, [self] {
        if (self)
            self->setIsKeyWindow(true);
    });
    m_resignKeyObserver = std::make_unique<WindowEventRegistration>(window, QEvent::WindowDeactivate, [self] {
        if (self)
            self->setIsKeyWindow(false);
    });
    // Hide follows an accepted close; a refused close leaves the window as it was.
    m_willCloseObserver = std::make_unique<WindowEventRegistration>(window, QEvent::Hide, [self] {
        if (self)
            self->setIsKeyWindow(false);
    });
}

void WindowObserver::updateAppState()
{
    QWidget* window = m_window.data();
    if (!window)
        return;
    KeyWindowState* state = m_appState.data();
    if (m_isKeyWindow) {
        if (state) {
            state->setWindow(window);
            state->setValues(m_values);
        }
        return;
    }
    // A window that is not key never clears the values of another window.
    if (state && state->window() == window) {
        state->setWindow(nullptr);
        state->setValues({});
    }
}

void WindowObserver::refold()
{
    const auto* content = qobject_cast<const QWidget*>(parent());
    if (!content)
        return;
    KeyWindowValuesPreference folded = fold(content);
    if (!(folded == m_values))
        setValues(folded);
}

int WindowObserver::registrationCount() const
{
    return int(bool(m_becomeKeyObserver)) + int(bool(m_resignKeyObserver)) + int(bool(m_willCloseObserver));
}

WindowObserver* observeWindow(QWidget* content)
{
    if (!content)
        return nullptr;
    auto* observer = content->findChild<WindowObserver*>(QString(), Qt::FindDirectChildrenOnly);
    if (!observer)
        observer = new WindowObserver(content);
    // The content is the observer's parent, so it lives as long as the queued lookup can run.
    QTimer::singleShot(0, observer, [observer, content] { observer->setWindow(content->window()); });
    observer->refold();
    return observer;
}

WindowObserver* windowObserver(const QWidget* view)
{
    for (const QWidget* widget = view; widget; widget = widget->parentWidget()) {
        if (auto* observer = widget->findChild<WindowObserver*>(QString(), Qt::FindDirectChildrenOnly))
            return observer;
    }
    return nullptr;
}

bool isKeyWindow(const QWidget* view)
{
    const WindowObserver* observer = windowObserver(view);
    return observer && observer->isKeyWindow();
}

} // namespace KeyWindow
