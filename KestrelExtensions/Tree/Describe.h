// Not called by the application: kept as a library service for other users.
#pragma once

#include <QString>
#include <concepts>
#include <string>

namespace KestrelExtensions {

// The plain text of a value for descriptions: text as it is, numbers in decimal, and any type with a
// `description()` member through it.
inline QString describe(const QString& value)
{
    return value;
}
inline QString describe(const std::string& value)
{
    return QString::fromStdString(value);
}
inline QString describe(const char* value)
{
    return QString::fromUtf8(value);
}
inline QString describe(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}
template <typename T>
requires(std::is_arithmetic_v<T> && !std::same_as<T, bool>) QString describe(T value)
{
    return QString::number(value);
}
template <typename T>
requires requires(const T& value)
{
    {
        value.description()
        } -> std::convertible_to<QString>;
}
QString describe(const T& value)
{
    return value.description();
}

} // namespace KestrelExtensions
