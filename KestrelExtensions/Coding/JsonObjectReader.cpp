#include "JsonObjectReader.h"

#include <cmath>

namespace KestrelExtensions {

JsonObjectReader JsonObjectReader::from(const QJsonValue& value, const QStringList& codingPath)
{
    if (!value.isObject())
        throw DecodingError::typeMismatch(codingPath, QStringLiteral("a dictionary"));
    return JsonObjectReader(value.toObject(), codingPath);
}

QJsonValue JsonObjectReader::required(const QString& key, const char* type) const
{
    const auto found = m_object.constFind(key);
    if (found == m_object.constEnd())
        throw DecodingError::keyNotFound(pathTo(key), key);
    if (found->isNull())
        throw DecodingError::valueNotFound(pathTo(key), QString::fromUtf8(type));
    return *found;
}

std::optional<QJsonValue> JsonObjectReader::optional(const QString& key) const
{
    const auto found = m_object.constFind(key);
    if (found == m_object.constEnd() || found->isNull())
        return std::nullopt;
    return *found;
}

namespace {

double toNumber(const QJsonValue& value, const QStringList& path)
{
    if (!value.isDouble())
        throw DecodingError::typeMismatch(path, QStringLiteral("Double"));
    return value.toDouble();
}

qint64 toInteger(const QJsonValue& value, const QStringList& path)
{
    if (!value.isDouble())
        throw DecodingError::typeMismatch(path, QStringLiteral("Int"));
    const double number = value.toDouble();
    // 2^63 is exactly representable; anything at or beyond it does not fit a signed 64-bit integer.
    if (!std::isfinite(number) || number != std::trunc(number) || number >= 9223372036854775808.0 ||
        number < -9223372036854775808.0)
        throw DecodingError::dataCorrupted(
            path, QStringLiteral("Parsed JSON number <%1> does not fit in Int.").arg(number));
    return value.toInteger();
}

bool toBoolean(const QJsonValue& value, const QStringList& path)
{
    if (!value.isBool())
        throw DecodingError::typeMismatch(path, QStringLiteral("Bool"));
    return value.toBool();
}

QString toString(const QJsonValue& value, const QStringList& path)
{
    if (!value.isString())
        throw DecodingError::typeMismatch(path, QStringLiteral("String"));
    return value.toString();
}

} // namespace

double JsonObjectReader::number(const QString& key) const
{
    return toNumber(required(key, "Double"), pathTo(key));
}

qint64 JsonObjectReader::integer(const QString& key) const
{
    return toInteger(required(key, "Int"), pathTo(key));
}

bool JsonObjectReader::boolean(const QString& key) const
{
    return toBoolean(required(key, "Bool"), pathTo(key));
}

QString JsonObjectReader::string(const QString& key) const
{
    return toString(required(key, "String"), pathTo(key));
}

QJsonArray JsonObjectReader::array(const QString& key) const
{
    const QJsonValue value = required(key, "Array");
    if (!value.isArray())
        throw DecodingError::typeMismatch(pathTo(key), QStringLiteral("an array"));
    return value.toArray();
}

QJsonObject JsonObjectReader::object(const QString& key) const
{
    const QJsonValue value = required(key, "Dictionary");
    if (!value.isObject())
        throw DecodingError::typeMismatch(pathTo(key), QStringLiteral("a dictionary"));
    return value.toObject();
}

QJsonValue JsonObjectReader::value(const QString& key) const
{
    return required(key, "value");
}

std::optional<double> JsonObjectReader::numberIfPresent(const QString& key) const
{
    const auto value = optional(key);
    return value ? std::optional(toNumber(*value, pathTo(key))) : std::nullopt;
}

std::optional<qint64> JsonObjectReader::integerIfPresent(const QString& key) const
{
    const auto value = optional(key);
    return value ? std::optional(toInteger(*value, pathTo(key))) : std::nullopt;
}

std::optional<bool> JsonObjectReader::booleanIfPresent(const QString& key) const
{
    const auto value = optional(key);
    return value ? std::optional(toBoolean(*value, pathTo(key))) : std::nullopt;
}

std::optional<QString> JsonObjectReader::stringIfPresent(const QString& key) const
{
    const auto value = optional(key);
    return value ? std::optional(toString(*value, pathTo(key))) : std::nullopt;
}

std::optional<QJsonValue> JsonObjectReader::valueIfPresent(const QString& key) const
{
    return optional(key);
}

QJsonValue encodeNumber(double value, const QStringList& codingPath)
{
    if (!std::isfinite(value))
        throw EncodingError(codingPath, QStringLiteral("Unable to encode %1 directly in JSON.").arg(value));
    return QJsonValue(value);
}

} // namespace KestrelExtensions
