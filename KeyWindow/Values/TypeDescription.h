#pragma once

#include <QString>
#include <concepts>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>

namespace KeyWindow {

// The demangled, fully qualified name of a type ("KeyWindow::AnyEquatable").
QString qualifiedTypeName(const std::type_info& type);
// The same name without its namespaces ("AnyEquatable").
QString shortTypeName(const std::type_info& type);
// A string as source text: in double quotes, with quotes, backslashes and control characters escaped.
QString quoted(const QString& text);

template <typename T>
concept StringLike =
    std::same_as<T, QString> || std::same_as<T, std::string> || std::same_as<T, std::string_view>;

// What a value reads as in plain text: strings as themselves, numbers as numbers, anything else as
// the name of its type.
template <typename T> QString describe(const T& value)
{
    if constexpr (std::same_as<T, QString>)
        return value;
    else if constexpr (StringLike<T>)
        return QString::fromUtf8(value.data(), qsizetype(value.size()));
    else if constexpr (std::same_as<T, bool>)
        return value ? QStringLiteral("true") : QStringLiteral("false");
    else if constexpr (std::is_arithmetic_v<T>)
        return QString::number(value);
    else
        return shortTypeName(typeid(T));
}

// What a value reads as in debugging text: like `describe`, but strings are quoted.
template <typename T> QString reflect(const T& value)
{
    if constexpr (StringLike<T>)
        return quoted(describe(value));
    else
        return describe(value);
}

} // namespace KeyWindow
