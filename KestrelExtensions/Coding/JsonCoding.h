#pragma once

#include "CodingError.h"
#include "JsonObjectReader.h"

#include <QJsonValue>
#include <QString>
#include <cmath>
#include <concepts>
#include <limits>

namespace KestrelExtensions {

// A type is JSON-codable when it converts itself to a JSON value (may throw EncodingError) and builds
// itself from one (throws DecodingError).
template <typename T>
concept JsonEncodable = requires(const T& value)
{
    {
        value.toJson()
        } -> std::convertible_to<QJsonValue>;
};
template <typename T>
concept JsonDecodable = requires(const QJsonValue& json)
{
    {
        T::fromJson(json)
        } -> std::convertible_to<T>;
};

// How a value of T is written to and read from JSON, for generic containers whose element may be a
// plain value (string, Boolean, number) or a codable type. Decoding is strict: a value of another JSON
// type fails with a type mismatch at `codingPath`.
template <typename T> struct JsonCoding;

template <typename T>
requires JsonEncodable<T> && JsonDecodable<T>
struct JsonCoding<T> {
    static QJsonValue encode(const T& value, const QStringList&) { return value.toJson(); }
    static T decode(const QJsonValue& json, const QStringList&) { return T::fromJson(json); }
};

template <> struct JsonCoding<QString> {
    static QJsonValue encode(const QString& value, const QStringList&) { return value; }
    static QString decode(const QJsonValue& json, const QStringList& path)
    {
        if (!json.isString())
            throw DecodingError::typeMismatch(path, QStringLiteral("String"));
        return json.toString();
    }
};

template <> struct JsonCoding<bool> {
    static QJsonValue encode(bool value, const QStringList&) { return value; }
    static bool decode(const QJsonValue& json, const QStringList& path)
    {
        if (!json.isBool())
            throw DecodingError::typeMismatch(path, QStringLiteral("Bool"));
        return json.toBool();
    }
};

template <std::floating_point T> struct JsonCoding<T> {
    static QJsonValue encode(T value, const QStringList& path) { return encodeNumber(double(value), path); }
    static T decode(const QJsonValue& json, const QStringList& path)
    {
        if (!json.isDouble())
            throw DecodingError::typeMismatch(path, QStringLiteral("Double"));
        return T(json.toDouble());
    }
};

template <std::integral T>
requires(!std::same_as<T, bool>) struct JsonCoding<T> {
    static QJsonValue encode(T value, const QStringList&) { return QJsonValue(qint64(value)); }
    static T decode(const QJsonValue& json, const QStringList& path)
    {
        if (!json.isDouble())
            throw DecodingError::typeMismatch(path, QStringLiteral("Int"));
        const double number = json.toDouble();
        // 2^63 is exactly representable; anything at or beyond it does not fit a signed 64-bit integer.
        const bool fits = std::isfinite(number) && number == std::trunc(number) &&
                          number < 9223372036854775808.0 && number >= -9223372036854775808.0;
        const qint64 integer = fits ? json.toInteger() : 0;
        if (!fits || integer < qint64(std::numeric_limits<T>::min()) ||
            (integer > 0 && quint64(integer) > quint64(std::numeric_limits<T>::max())))
            throw DecodingError::dataCorrupted(
                path,
                QStringLiteral("Parsed JSON number <%1> does not fit in the integer type.").arg(number));
        return T(integer);
    }
};

} // namespace KestrelExtensions
