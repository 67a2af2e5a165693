#pragma once

#include "TypeDescription.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <any>
#include <concepts>
#include <memory>
#include <optional>
#include <type_traits>
#include <typeinfo>

namespace KeyWindow {

template <typename T> struct IsQPointer : std::false_type {
};
template <typename U> struct IsQPointer<QPointer<U>> : std::true_type {
    using Object = U;
};

// The box behind an AnyEquatable: one value of one exact type, compared only with values of that type.
class AnyEquatableBox {
public:
    virtual ~AnyEquatableBox() = default;

    // The box to compare with; every box of this library is its own canonical box.
    virtual const AnyEquatableBox& canonicalBox() const { return *this; }
    // No answer when `other` holds a value of another type; otherwise the held type's own equality.
    virtual std::optional<bool> isEqual(const AnyEquatableBox& other) const = 0;
    virtual const std::type_info& type() const = 0;
    // The held value, untyped; read it back through `type()`.
    virtual const void* base() const = 0;
    // The object a held QPointer refers to (null when none, or when the value is no object handle).
    virtual QObject* object() const = 0;
    virtual QString describe() const = 0;
    virtual QString reflect() const = 0;
};

template <std::equality_comparable Base> class ConcreteEquatableBox final : public AnyEquatableBox {
public:
    explicit ConcreteEquatableBox(Base value) : m_baseEquatable(std::move(value)) {}

    std::optional<bool> isEqual(const AnyEquatableBox& other) const override
    {
        if (other.type() != typeid(Base))
            return std::nullopt;
        return bool(m_baseEquatable == *static_cast<const Base*>(other.base()));
    }
    const std::type_info& type() const override { return typeid(Base); }
    const void* base() const override { return &m_baseEquatable; }
    QObject* object() const override
    {
        if constexpr (IsQPointer<Base>::value)
            return m_baseEquatable.data();
        else
            return nullptr;
    }
    QString describe() const override { return KeyWindow::describe(m_baseEquatable); }
    QString reflect() const override { return KeyWindow::reflect(m_baseEquatable); }

private:
    Base m_baseEquatable;
};

// A value of any type with equality, compared by exact type and then by that type's `==`: the int 1
// equals the int 1 but neither the 64-bit 1 nor the string "1". Copies share one immutable box.
class AnyEquatable {
public:
    template <typename T>
    requires(std::equality_comparable<T> &&
             !std::same_as<std::decay_t<T>, AnyEquatable>) explicit AnyEquatable(T value)
        : m_box(std::make_shared<ConcreteEquatableBox<T>>(std::move(value)))
    {
    }

    const std::type_info& type() const { return m_box->type(); }
    const AnyEquatableBox& box() const { return *m_box; }

    // The held value when it is exactly a T.
    template <typename T> std::optional<T> unbox() const
    {
        if (type() != typeid(T))
            return std::nullopt;
        return *static_cast<const T*>(m_box->base());
    }

    // The held value cast to T: the exact type, or, for an object handle, any base class of the
    // object it refers to (a QPointer<Derived> casts to QPointer<Base> and to Base*).
    template <typename T> std::optional<T> downCast() const
    {
        if (auto exact = unbox<T>())
            return exact;
        if constexpr (IsQPointer<T>::value) {
            using Object = typename IsQPointer<T>::Object;
            if (auto* cast = qobject_cast<Object*>(m_box->object()))
                return T(cast);
        } else if constexpr (std::is_pointer_v<T> &&
                             std::derived_from<std::remove_cv_t<std::remove_pointer_t<T>>, QObject>) {
            if (auto* cast = qobject_cast<T>(m_box->object()))
                return cast;
        }
        return std::nullopt;
    }

    QString description() const { return m_box->describe(); }
    QString debugDescription() const
    {
        return QStringLiteral("AnyEquatable(") + m_box->reflect() + QLatin1Char(')');
    }

    friend bool operator==(const AnyEquatable& lhs, const AnyEquatable& rhs)
    {
        return lhs.m_box->canonicalBox().isEqual(rhs.m_box->canonicalBox()).value_or(false);
    }

private:
    std::shared_ptr<const AnyEquatableBox> m_box;
};

// A value without equality of its own, given one: two wrappers are equal exactly when they are copies
// of one wrapping. Every publication of such a value therefore counts as a change.
class NonEquitableWrapper {
public:
    template <typename T>
    explicit NonEquitableWrapper(T value) : NonEquitableWrapper(std::any(std::move(value)), nextId())
    {
        m_describe = [](const std::any& held) { return KeyWindow::describe(std::any_cast<const T&>(held)); };
        m_reflect = [](const std::any& held) { return KeyWindow::reflect(std::any_cast<const T&>(held)); };
    }

    const std::any& base() const { return m_base; }
    quint64 id() const { return m_id; }

    QString description() const { return m_describe(m_base); }
    QString debugDescription() const
    {
        return QStringLiteral("NonEquitableWrapper(") + m_reflect(m_base) + QLatin1Char(')');
    }

    friend bool operator==(const NonEquitableWrapper& lhs, const NonEquitableWrapper& rhs)
    {
        return lhs.m_id == rhs.m_id;
    }

private:
    NonEquitableWrapper(std::any base, quint64 id) : m_base(std::move(base)), m_id(id) {}
    static quint64 nextId();

    std::any m_base;
    quint64 m_id;
    QString (*m_describe)(const std::any&) = nullptr;
    QString (*m_reflect)(const std::any&) = nullptr;
};

// A wrapper reads as what it wraps.
template <> inline QString describe<NonEquitableWrapper>(const NonEquitableWrapper& value)
{
    return value.description();
}
template <> inline QString reflect<NonEquitableWrapper>(const NonEquitableWrapper& value)
{
    return value.debugDescription();
}

} // namespace KeyWindow
