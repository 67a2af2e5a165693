#pragma once

#include "AnyEquatable.h"

#include <QObject>
#include <QPointer>
#include <concepts>
#include <optional>
#include <type_traits>

namespace KeyWindow {

// A key type names one kind of key-window value: `using Value = ...;`. It may supply its own
//   static AnyEquatable wrapValue(const Stored&);  static Unwrapped unwrapValue(const AnyEquatable&);
// and may set `static constexpr bool wrapsByIdentity = true` to force the identity wrapping.
template <typename Key>
concept KeyWindowValueKey = requires
{
    typename Key::Value;
};

template <typename Key> using KeyValue = typename Key::Value;

// Objects are published by reference: they cannot be copied, and a window's object must be reached,
// not a copy of it.
template <typename Key> constexpr bool publishesObject = std::derived_from<KeyValue<Key>, QObject>;

// What a value is published as: a guarded pointer for objects (so a destroyed object reads as none),
// the value itself otherwise.
template <typename Key>
using StoredValue = std::conditional_t<publishesObject<Key>, QPointer<KeyValue<Key>>, KeyValue<Key>>;

// What a reader gets back: the object pointer (null for none) or an optional value.
template <typename Key>
using UnwrappedValue = std::conditional_t<publishesObject<Key>, KeyValue<Key>*, std::optional<KeyValue<Key>>>;

template <typename Key> constexpr bool forcesIdentity()
{
    if constexpr (requires { Key::wrapsByIdentity; })
        return Key::wrapsByIdentity;
    else
        return false;
}

// The equatable default applies to values with real value equality only: a pointer, smart pointer or
// object compares by address, which would make a republication of the same object look unchanged.
template <typename Key>
constexpr bool wrapsByEquality =
    std::equality_comparable<KeyValue<Key>> && !std::is_pointer_v<KeyValue<Key>> && !publishesObject<Key> &&
    !forcesIdentity<Key>();

// The equatable default pair.
template <typename Value> AnyEquatable wrapEquatable(const Value& value)
{
    return AnyEquatable(value);
}
template <typename Value> std::optional<Value> unwrapEquatable(const AnyEquatable& stored)
{
    return stored.downCast<Value>();
}

// The general default pair: the value goes into a wrapper with a fresh identity.
template <typename Stored> AnyEquatable wrapNonEquatable(const Stored& value)
{
    return AnyEquatable(NonEquitableWrapper(value));
}
template <typename Stored> std::optional<Stored> unwrapNonEquatable(const AnyEquatable& stored)
{
    const auto wrapper = stored.unbox<NonEquitableWrapper>();
    if (!wrapper)
        return std::nullopt;
    if (const auto* held = std::any_cast<Stored>(&wrapper->base()))
        return *held;
    return std::nullopt;
}

// The stored form of a key's value: the key's own wrapValue if it has one, else the default that fits.
template <KeyWindowValueKey Key> AnyEquatable wrapValue(const StoredValue<Key>& value)
{
    if constexpr (requires { Key::wrapValue(value); })
        return Key::wrapValue(value);
    else if constexpr (wrapsByEquality<Key>)
        return wrapEquatable(value);
    else
        return wrapNonEquatable(value);
}

// A key's value back from its stored form; none when the stored form holds something else.
template <KeyWindowValueKey Key> UnwrappedValue<Key> unwrapValue(const AnyEquatable& stored)
{
    if constexpr (requires { Key::unwrapValue(stored); })
        return Key::unwrapValue(stored);
    else if constexpr (publishesObject<Key>) {
        const auto pointer = unwrapNonEquatable<QPointer<KeyValue<Key>>>(stored);
        return pointer ? pointer->data() : nullptr;
    } else if constexpr (wrapsByEquality<Key>)
        return unwrapEquatable<KeyValue<Key>>(stored);
    else
        return unwrapNonEquatable<KeyValue<Key>>(stored);
}

// A key whose value is an object, with the object readers get while the key window published none.
// `defaultValue()` returns the same object every time.
template <typename Key>
concept KeyWindowObservableObjectKey = KeyWindowValueKey<Key> && publishesObject<Key> && requires
{
    {
        Key::defaultValue()
        } -> std::same_as<KeyValue<Key>&>;
};

} // namespace KeyWindow
