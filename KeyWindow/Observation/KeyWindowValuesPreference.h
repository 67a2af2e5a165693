#pragma once

#include "KeyWindow/Values/AnyKeyWindowValueKey.h"
#include "KeyWindow/Values/KeyWindowValueKey.h"

#include <QHash>
#include <optional>

namespace KeyWindow {

// The values one window publishes: one stored value per key type.
class KeyWindowValuesPreference {
public:
    using Values = QHash<AnyKeyWindowValueKey, AnyEquatable>;

    const Values& values() const { return m_values; }
    bool isEmpty() const { return m_values.isEmpty(); }

    // Merges `next` into `value`; where both hold a key, `next`'s entry wins (the later sibling).
    static void reduce(KeyWindowValuesPreference& value, const KeyWindowValuesPreference& next);

    // Stores an already wrapped value under `key`, replacing any entry there.
    void setEntry(const AnyKeyWindowValueKey& key, const AnyEquatable& stored)
    {
        m_values.insert(key, stored);
    }
    void removeEntry(const AnyKeyWindowValueKey& key) { m_values.remove(key); }
    std::optional<AnyEquatable> entry(const AnyKeyWindowValueKey& key) const
    {
        const auto found = m_values.constFind(key);
        return found == m_values.cend() ? std::nullopt : std::optional(*found);
    }

    // Stores the key's wrapping of a present value; an absent value leaves the entry as it is.
    template <KeyWindowValueKey Key> void set(const std::optional<StoredValue<Key>>& value)
    {
        if (value)
            setEntry(AnyKeyWindowValueKey::of<Key>(), wrapValue<Key>(*value));
    }

    template <KeyWindowValueKey Key> UnwrappedValue<Key> value() const
    {
        if (const auto stored = entry(AnyKeyWindowValueKey::of<Key>()))
            return unwrapValue<Key>(*stored);
        return UnwrappedValue<Key>{};
    }

    friend bool operator==(const KeyWindowValuesPreference&, const KeyWindowValuesPreference&) = default;

private:
    Values m_values;
};

} // namespace KeyWindow
