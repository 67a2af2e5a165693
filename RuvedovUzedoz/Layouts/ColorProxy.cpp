#include "ColorProxy.h"

#include "KestrelExtensions/Coding/JsonObjectReader.h"

#include <QJsonArray>

using KestrelExtensions::DecodingError;

namespace RuvedovUzedoz {

QJsonValue ColorProxy::toJson(const QStringList& codingPath) const
{
    QJsonArray array;
    const QList<double> components = m_color.components();
    for (qsizetype i = 0; i < components.size(); ++i)
        array.append(KestrelExtensions::encodeNumber(
            components[i], codingPath + QStringList{QStringLiteral("Index %1").arg(i)}));
    return array;
}

ColorProxy ColorProxy::fromJson(const QJsonValue& value, const QStringList& codingPath)
{
    if (value.isNull() || value.isUndefined())
        throw DecodingError::valueNotFound(codingPath, QStringLiteral("Array<Double>"));
    if (!value.isArray())
        throw DecodingError::typeMismatch(codingPath, QStringLiteral("Array<Double>"));
    const QJsonArray array = value.toArray();
    QList<double> c;
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QJsonValue element = array.at(i);
        const QStringList path = codingPath + QStringList{QStringLiteral("Index %1").arg(i)};
        if (element.isNull())
            throw DecodingError::valueNotFound(path, QStringLiteral("Double"));
        if (!element.isDouble())
            throw DecodingError::typeMismatch(path, QStringLiteral("Double"));
        c.append(element.toDouble());
    }
    if (c.size() == 4)
        return ColorProxy(Color::rgb(c[0], c[1], c[2], c[3]));
    if (c.size() == 2)
        return ColorProxy(Color::gray(c[0], c[1]));
    throw DecodingError::dataCorrupted(codingPath,
                                       QStringLiteral("At two or four color components are required."));
}

} // namespace RuvedovUzedoz
