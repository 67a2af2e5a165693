#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace KeyWindow {

// One registration for one kind of event of one window; it lasts exactly as long as this object.
class WindowEventRegistration : public QObject {
    Q_OBJECT
public:
    WindowEventRegistration(QWidget* window, QEvent::Type type, std::function<void()> handler);
    ~WindowEventRegistration() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_window;
    QEvent::Type m_type;
    std::function<void()> m_handler;
};

} // namespace KeyWindow
