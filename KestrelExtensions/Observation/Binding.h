#pragma once

#include "Observable.h"

#include <QPointer>
#include <functional>
#include <memory>
#include <type_traits>

namespace KestrelExtensions {

// A read-write view of a value that lives elsewhere: a getter, a setter and the notifier that
// announces changes of the underlying value. Editors hold bindings, never copies of the value.
template <typename T> class Binding {
public:
    using Getter = std::function<T()>;
    using Setter = std::function<void(const T&)>;

    Binding() = default;
    Binding(Getter getter, Setter setter, ObservableBase* notifier)
        : m_get(std::move(getter)), m_set(std::move(setter)), m_notifier(notifier)
    {
    }

    static Binding of(Observable<T>& observable)
    {
        Observable<T>* source = &observable;
        return Binding([source] { return source->get(); }, [source](const T& value) { source->set(value); },
                       source);
    }

    // A binding to a value held only by the binding itself (previews, tests).
    static Binding constant(T value)
    {
        auto holder = std::make_shared<Observable<T>>(std::move(value));
        return Binding([holder] { return holder->get(); }, [holder](const T& v) { holder->set(v); },
                       holder.get());
    }

    bool isValid() const { return bool(m_get); }
    T get() const { return m_get(); }
    void set(const T& value) const { m_set(value); }
    ObservableBase* notifier() const { return m_notifier.data(); }

    // A binding to one member of the value; its setter writes the whole value back once.
    template <typename M, typename C = T>
    requires std::is_class_v<C> Binding<M> member(M C::*field)
    const
    {
        auto get = m_get;
        auto set = m_set;
        return Binding<M>([get, field] { return get().*field; },
                          [get, set, field](const M& value) {
                              T whole = get();
                              whole.*field = value;
                              set(whole);
                          },
                          m_notifier.data());
    }

    // Runs `handler` whenever the underlying value changes, for as long as `context` lives.
    template <typename F> QMetaObject::Connection onChange(const QObject* context, F handler) const
    {
        if (!m_notifier)
            return {};
        return QObject::connect(m_notifier.data(), &ObservableBase::changed, context, std::move(handler));
    }

private:
    Getter m_get;
    Setter m_set;
    QPointer<ObservableBase> m_notifier;
};

} // namespace KestrelExtensions
