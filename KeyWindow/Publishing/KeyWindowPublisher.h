#pragma once

#include "KeyWindow/Observation/KeyWindowValuesPreference.h"
#include "KeyWindow/Observation/WindowObserver.h"

#include <KestrelExtensions/Observation/Binding.h>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <optional>

namespace KeyWindow {

// The values one view publishes for its window; a child of that view. Its entries win over whatever
// the views inside it publish under the same key.
class KeyWindowPublisher : public QObject {
    Q_OBJECT
public:
    explicit KeyWindowPublisher(QWidget* view);
    ~KeyWindowPublisher() override;

    // The publisher of `view`, made on first use.
    static KeyWindowPublisher* of(QWidget* view);

    const KeyWindowValuesPreference& published() const { return m_published; }

    // Stores (or, with none, drops) this view's own entry and lets the window gather its values again.
    void publish(const AnyKeyWindowValueKey& key, const std::optional<AnyEquatable>& stored);

private:
    // Drops the entries of `view`'s publishers (its own and those of the views inside it) and lets the
    // window gather its values again at once.
    static void withdraw(QWidget* view);

    KeyWindowValuesPreference m_published;
    QPointer<WindowObserver> m_observer;
};

// Publishes `value` under `Key` for the window of `view`. Objects are published by pointer.
template <KeyWindowValueKey Key> void keyWindow(QWidget* view, const StoredValue<Key>& value)
{
    KeyWindowPublisher::of(view)->publish(AnyKeyWindowValueKey::of<Key>(), wrapValue<Key>(value));
}

// Publishes a present value; an absent one withdraws only this view's own entry, so a value published
// under `Key` by a view inside `view` stays.
template <KeyWindowValueKey Key> void keyWindow(QWidget* view, const std::optional<StoredValue<Key>>& value)
{
    KeyWindowPublisher::of(view)->publish(AnyKeyWindowValueKey::of<Key>(),
                                          value ? std::optional(wrapValue<Key>(*value)) : std::nullopt);
}

// A self-keyed object: published under its own type.
template <KeyWindowValueKey Key>
requires publishesObject<Key> && std::same_as<KeyValue<Key>, Key>
void keyWindow(QWidget* view, Key* object)
{
    if (object)
        keyWindow<Key>(view, QPointer<Key>(object));
    else
        keyWindow<Key>(view, std::optional<QPointer<Key>>());
}

} // namespace KeyWindow
