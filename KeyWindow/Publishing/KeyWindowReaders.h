#pragma once

#include "KeyWindow/Observation/KeyWindowState.h"

#include <KestrelExtensions/Observation/Binding.h>
#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>
#include <type_traits>

namespace KeyWindow {

// Reads the key window's values and refreshes after every assignment of the shared values; `changed()`
// tells the holder to read again.
//
// A declarative UI would re-evaluate the holder's body and call each reader's update() before it; Qt has
// no such pass, so a reader updates itself on every assignment of the shared values (and, for an object
// reader, on every change its object announces) and the holder reacts to `changed()` instead.
class KeyWindowReader : public QObject {
    Q_OBJECT
public:
    explicit KeyWindowReader(QObject* parent = nullptr);

    KeyWindowState& keyWindowState() const { return *m_keyWindowState; }

    // Resolves the reader's value again from the shared state.
    virtual void update() {}

signals:
    void changed();

protected:
    // Passes on, as `changed()`, every change `object` announces through its properties' notify signals
    // (what it holds observable), until another object takes its place; null observes nothing.
    void passOnChangesOf(QObject* object);

private:
    QPointer<KeyWindowState> m_keyWindowState;
    QList<QMetaObject::Connection> m_objectConnections;
};

// Bindings to the properties of an object a reader holds (`KeyWindowObservableObject::projectedValue`).
// A binding keeps to the object it was made for; once that object is gone it reads a default value and
// drops writes.
template <typename Object> class ObjectProjection {
public:
    explicit ObjectProjection(Object* object) : m_object(object) {}

    Object* object() const { return m_object.data(); }

    // A binding through the object's getter and setter, for example
    // `projection.binding(&Commands::title, &Commands::setTitle)`.
    template <typename Getter, typename Setter> auto binding(Getter getter, Setter setter) const
    {
        using T = std::decay_t<std::invoke_result_t<Getter, const Object&>>;
        QPointer<Object> object = m_object;
        return KestrelExtensions::Binding<T>(
            [object, getter] { return object ? std::invoke(getter, *object) : T{}; },
            [object, setter](const T& value) {
                if (object)
                    std::invoke(setter, *object, value);
            },
            nullptr);
    }

private:
    QPointer<Object> m_object;
};

// The key window's value under `Key`, or none.
template <KeyWindowValueKey Key> class KeyWindowValue : public KeyWindowReader {
public:
    explicit KeyWindowValue(QObject* parent = nullptr) : KeyWindowReader(parent) {}

    UnwrappedValue<Key> wrappedValue() const { return keyWindowState().template value<Key>(); }
};

// The object the key window published under `Key`, else the key's default object.
template <KeyWindowObservableObjectKey Key> class KeyWindowObservableObject : public KeyWindowReader {
public:
    using Value = KeyValue<Key>;

    explicit KeyWindowObservableObject(QObject* parent = nullptr) : KeyWindowReader(parent) { resolve(); }

    void update() override { resolve(); }

    Value& wrappedValue()
    {
        // Never hand out an object that has gone away since the last update.
        if (!m_wrappedValue)
            resolve();
        return *m_wrappedValue;
    }
    // Replaces the object this reader holds until the next update.
    void setWrappedValue(Value& object) { hold(&object); }

    // Bindings to the properties of the object held now.
    ObjectProjection<Value> projectedValue() { return ObjectProjection<Value>(&wrappedValue()); }

private:
    void resolve()
    {
        Value* published = keyWindowState().template value<Key>();
        hold(published ? published : &Key::defaultValue());
    }

    void hold(Value* object)
    {
        if (m_wrappedValue == object)
            return;
        m_wrappedValue = object;
        passOnChangesOf(object);
    }

    QPointer<Value> m_wrappedValue;
};

// Writes through a binding the key window published under `Key` (whose value is a Binding<T>).
template <KeyWindowValueKey Key, typename T> class KeyWindowValueBindingMutableWrapper {
public:
    std::optional<T> wrappedValue() const
    {
        if (!keyWindowState)
            return std::nullopt;
        const auto binding = keyWindowState->template value<Key>();
        return binding && binding->isValid() ? std::optional(binding->get()) : std::nullopt;
    }
    // Writing none changes nothing.
    void setWrappedValue(const std::optional<T>& value) const
    {
        if (!value || !keyWindowState)
            return;
        if (const auto binding = keyWindowState->template value<Key>(); binding && binding->isValid())
            binding->set(*value);
    }

    QPointer<KeyWindowState> keyWindowState;
};

// Like the above for a published Binding<std::optional<T>>: writing none writes none.
template <KeyWindowValueKey Key, typename T> class KeyWindowOptionalValueBindingMutableWrapper {
public:
    std::optional<T> wrappedValue() const
    {
        if (!keyWindowState)
            return std::nullopt;
        const auto binding = keyWindowState->template value<Key>();
        return binding && binding->isValid() ? binding->get() : std::nullopt;
    }
    void setWrappedValue(const std::optional<T>& value) const
    {
        if (!keyWindowState)
            return;
        if (const auto binding = keyWindowState->template value<Key>(); binding && binding->isValid())
            binding->set(value);
    }

    QPointer<KeyWindowState> keyWindowState;
};

template <typename Wrapper, typename T> class KeyWindowBindingReader : public KeyWindowReader {
public:
    explicit KeyWindowBindingReader(QObject* parent = nullptr) : KeyWindowReader(parent) { update(); }

    void update() override { m_wrappedValue.keyWindowState = &keyWindowState(); }

    std::optional<T> wrappedValue() const { return m_wrappedValue.wrappedValue(); }
    void setWrappedValue(const std::optional<T>& value) const { m_wrappedValue.setWrappedValue(value); }

    // A binding that holds the shared state strongly and follows the same rules.
    KestrelExtensions::Binding<std::optional<T>> projectedValue() const
    {
        Wrapper wrapper;
        wrapper.keyWindowState = &keyWindowState();
        return KestrelExtensions::Binding<std::optional<T>>(
            [wrapper] { return wrapper.wrappedValue(); },
            [wrapper](const std::optional<T>& value) { wrapper.setWrappedValue(value); }, nullptr);
    }

private:
    Wrapper m_wrappedValue;
};

template <KeyWindowValueKey Key, typename T>
using KeyWindowValueBinding = KeyWindowBindingReader<KeyWindowValueBindingMutableWrapper<Key, T>, T>;

template <KeyWindowValueKey Key, typename T>
using KeyWindowOptionalValueBinding =
    KeyWindowBindingReader<KeyWindowOptionalValueBindingMutableWrapper<Key, T>, T>;

} // namespace KeyWindow
