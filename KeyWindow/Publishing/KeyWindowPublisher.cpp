#include "KeyWindowPublisher.h"

#include <QTimer>

namespace KeyWindow {

KeyWindowPublisher::~KeyWindowPublisher()
{
    // The view is going away; its window gathers its values again once it is gone.
    if (m_observer && !m_published.isEmpty()) {
        QPointer<WindowObserver> observer = m_observer;
        QTimer::singleShot(0, observer.data(), [observer] {
            if (observer)
                observer->refold();
        });
    }
}

KeyWindowPublisher* KeyWindowPublisher::of(QWidget* view)
{
    if (auto* existing = view->findChild<KeyWindowPublisher*>(QString(), Qt::FindDirectChildrenOnly))
        return existing;
    return new KeyWindowPublisher(view);
}

void KeyWindowPublisher::publish(const AnyKeyWindowValueKey& key, const std::optional<AnyEquatable>& stored)
{
    if (stored)
        m_published.setEntry(key, *stored);
    else
        m_published.removeEntry(key);
    m_observer = windowObserver(qobject_cast<QWidget*>(parent()));
    if (m_observer)
        m_observer->refold();
}

} // namespace KeyWindow
