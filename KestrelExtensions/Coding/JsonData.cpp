#include "JsonData.h"

#include "CodingError.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace KestrelExtensions {

namespace {

void requireFinite(const QJsonValue& value, QStringList& path)
{
    if (value.isDouble() && !std::isfinite(value.toDouble()))
        throw EncodingError(path,
                            QStringLiteral("Unable to encode %1 directly in JSON.").arg(value.toDouble()));
    if (value.isArray()) {
        const QJsonArray array = value.toArray();
        for (qsizetype i = 0; i < array.size(); ++i) {
            path.append(QStringLiteral("Index %1").arg(i));
            requireFinite(array.at(i), path);
            path.removeLast();
        }
    } else if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            path.append(it.key());
            requireFinite(it.value(), path);
            path.removeLast();
        }
    }
}

bool opensContainer(const QByteArray& data)
{
    for (char c : data) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r')
            continue;
        return c == '{' || c == '[';
    }
    return false;
}

DecodingError corrupted(const QJsonParseError& error)
{
    return DecodingError::dataCorrupted({},
                                        QStringLiteral("The given data was not valid JSON: %1 at offset %2.")
                                            .arg(error.errorString())
                                            .arg(error.offset));
}

} // namespace

QByteArray jsonData(const QJsonValue& value)
{
    QStringList path;
    requireFinite(value, path);
    if (value.isObject())
        return QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    if (value.isArray())
        return QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
    if (value.isUndefined())
        throw EncodingError({}, QStringLiteral("Top-level value did not encode any value."));
    // A scalar is written as the only element of an array, then unwrapped.
    const QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return wrapped.mid(1, wrapped.size() - 2);
}

QJsonValue jsonValue(const QByteArray& bytes)
{
    // Editors on some systems start a UTF-8 file with a byte-order mark; it is no part of the value.
    static const QByteArray byteOrderMark = QByteArrayLiteral("\xEF\xBB\xBF");
    const int markLength = bytes.startsWith(byteOrderMark) ? int(byteOrderMark.size()) : 0;
    const QByteArray data = markLength ? bytes.mid(markLength) : bytes;
    QJsonParseError error{};
    if (opensContainer(data)) {
        const QJsonDocument document = QJsonDocument::fromJson(data, &error);
        if (error.error != QJsonParseError::NoError) {
            error.offset += markLength;
            throw corrupted(error);
        }
        return document.isObject() ? QJsonValue(document.object()) : QJsonValue(document.array());
    }
    // "[" + text + "]" parses to one element exactly when the text is one JSON value: anything that
    // closes the bracket early leaves trailing text, which the parser rejects.
    const QJsonDocument document = QJsonDocument::fromJson("[" + data + "]", &error);
    if (error.error != QJsonParseError::NoError) {
        error.offset = std::max(0, error.offset - 1) + markLength;
        throw corrupted(error);
    }
    if (!document.isArray() || document.array().size() != 1)
        throw DecodingError::dataCorrupted({}, QStringLiteral("The given data was not valid JSON."));
    return document.array().at(0);
}

} // namespace KestrelExtensions
