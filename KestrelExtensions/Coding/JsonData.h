#pragma once

#include <QByteArray>
#include <QJsonValue>

namespace KestrelExtensions {

// JSON text of any value, scalars at the top level included (QJsonDocument only holds objects and
// arrays). Writing is compact and throws EncodingError on a NaN or infinite number anywhere in the
// value rather than writing null; reading throws DecodingError::dataCorrupted on malformed text.
QByteArray jsonData(const QJsonValue& value);
QJsonValue jsonValue(const QByteArray& data);

} // namespace KestrelExtensions
