#include "KeyWindowPublisher.h"

namespace KeyWindow {

KeyWindowPublisher::KeyWindowPublisher(QWidget* view) : QObject(view)
{
    // A published binding reads into the view's own data, so its entry must go the moment the view
    // starts to go away, before anyone in the same turn of the event loop can read it: a widget's
    // `destroyed` comes before its children, this publisher and the views inside it, are deleted.
    connect(view, &QObject::destroyed, this, [view] { withdraw(view); });
}

KeyWindowPublisher::~KeyWindowPublisher()
{
    // Deleted on its own, without its view: its entries go at once as well.
    if (!m_published.isEmpty()) {
        m_published = {};
        if (m_observer)
            m_observer->refold();
    }
}

void KeyWindowPublisher::withdraw(QWidget* view)
{
    bool withdrew = false;
    for (KeyWindowPublisher* publisher : view->findChildren<KeyWindowPublisher*>()) {
        withdrew = withdrew || !publisher->m_published.isEmpty();
        publisher->m_published = {};
    }
    // The window's observer sits on the view or around it; it is deleted after this point either way.
    if (WindowObserver* observer = windowObserver(view); withdrew && observer)
        observer->refold();
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
