#pragma once

#include "KeyWindowState.h"
#include "KeyWindowValuesPreference.h"
#include "WindowEventRegistration.h"

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <memory>

namespace KeyWindow {

// Follows one window's key status for the content it observes and, while that window is key, copies
// the values published inside the content into the shared key-window state. A child of the content.
class WindowObserver : public QObject {
    Q_OBJECT
public:
    explicit WindowObserver(QWidget* content);
    ~WindowObserver() override;

    bool isKeyWindow() const { return m_isKeyWindow; }
    // Every assignment updates the shared state afterwards.
    void setIsKeyWindow(bool isKey);

    KeyWindowState* appState() const { return m_appState.data(); }
    void setAppState(KeyWindowState* state) { m_appState = state; }

    const KeyWindowValuesPreference& values() const { return m_values; }
    // Every assignment updates the shared state afterwards.
    void setValues(const KeyWindowValuesPreference& values);

    QWidget* window() const { return m_window.data(); }
    // Takes the window's key flag, then (re)registers for its become-key, resign-key and close events;
    // also when the same window is assigned again.
    void setWindow(QWidget* window);

    // Copies this window's values into the shared state when key; clears the shared state when it
    // names this very window and the window is no longer key.
    void updateAppState();

    // Gathers what the content's views publish and assigns it to `values` when it differs.
    void refold();

    // How many event registrations are held (three while a window is known).
    int registrationCount() const;

signals:
    void isKeyWindowChanged(bool isKey);

private:
    bool m_isKeyWindow = false;
    QPointer<KeyWindowState> m_appState;
    std::unique_ptr<WindowEventRegistration> m_becomeKeyObserver;
    std::unique_ptr<WindowEventRegistration> m_resignKeyObserver;
    std::unique_ptr<WindowEventRegistration> m_willCloseObserver;
    KeyWindowValuesPreference m_values;
    QPointer<QWidget> m_window;
};

// Observes the window that hosts `content`: makes (once) the content's WindowObserver and looks its
// window up on the next turn of the event loop.
WindowObserver* observeWindow(QWidget* content);

// The observer of the nearest observed content around `view` (itself included), or null.
WindowObserver* windowObserver(const QWidget* view);

// Whether the window of the observed content around `view` is key; false outside observed content.
bool isKeyWindow(const QWidget* view);

} // namespace KeyWindow
