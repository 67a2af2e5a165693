#pragma once

#include <QHashFunctions>
#include <QString>
#include <functional>
#include <typeindex>
#include <typeinfo>

namespace KeyWindow {

// A key type as a value: two keys are equal exactly when they name the same type; two different types
// with the same spelled name are different keys.
class AnyKeyWindowValueKey {
public:
    template <typename Key> static AnyKeyWindowValueKey of() { return AnyKeyWindowValueKey(typeid(Key)); }

    const std::type_info& keyType() const { return *m_keyType; }

    // The key type's name ("MenuCommands").
    QString description() const;
    // "AnyKeyWindowValueKey(" + the qualified name + ")".
    QString debugDescription() const;

    friend bool operator==(const AnyKeyWindowValueKey& lhs, const AnyKeyWindowValueKey& rhs)
    {
        return *lhs.m_keyType == *rhs.m_keyType;
    }
    friend size_t qHash(const AnyKeyWindowValueKey& key, size_t seed = 0) noexcept
    {
        return qHash(std::type_index(*key.m_keyType).hash_code(), seed);
    }

private:
    explicit AnyKeyWindowValueKey(const std::type_info& type) : m_keyType(&type) {}

    const std::type_info* m_keyType;
};

} // namespace KeyWindow

template <> struct std::hash<KeyWindow::AnyKeyWindowValueKey> {
    size_t operator()(const KeyWindow::AnyKeyWindowValueKey& key) const noexcept
    {
        return std::type_index(key.keyType()).hash_code();
    }
};
