#pragma once

#include "ObservableBase.h"

#include <functional>
#include <optional>
#include <utility>

namespace KestrelExtensions {

// A value that announces its changes. Setting an equal value does nothing; a real change stores the
// value and emits `changed()` exactly once.
template <typename T> class Observable : public ObservableBase {
public:
    explicit Observable(T value = T{}, QObject* parent = nullptr)
        : ObservableBase(parent), m_value(std::move(value))
    {
    }

    const T& get() const { return m_value; }
    operator const T&() const { return m_value; }

    void set(T value)
    {
        if (value == m_value)
            return;
        // A handler may set the value again; the outer change's old value comes back afterwards, so
        // later handlers of the outer change still see where it started.
        std::optional<T> outer;
        outer.swap(m_previous);
        m_previous.emplace(std::exchange(m_value, std::move(value)));
        emit changed();
        m_previous.swap(outer);
    }

    // Changes the value in place through `edit` and announces it only if it differs afterwards.
    template <typename F> void modify(F&& edit)
    {
        T copy = m_value;
        std::forward<F>(edit)(copy);
        set(std::move(copy));
    }

    // The value being replaced; only meaningful while `changed()` is being emitted.
    const T& previous() const { return m_previous ? *m_previous : m_value; }

    // Calls `handler(old, new)` on every change, for as long as `context` lives.
    template <typename F> QMetaObject::Connection onChange(const QObject* context, F handler)
    {
        return QObject::connect(this, &ObservableBase::changed, context,
                                [this, handler = std::move(handler)] { handler(previous(), m_value); });
    }

private:
    T m_value;
    std::optional<T> m_previous;
};

} // namespace KestrelExtensions
