// Not called by the application: kept as a library service for other users.
#pragma once

#include <QByteArray>
#include <QJsonValue>

namespace KestrelExtensions {

enum class PropertyListFormat { Xml, Binary };

// Property-list text of a JSON-shaped value: objects become dictionaries, arrays arrays, strings
// strings, booleans true/false, integral numbers integers and other numbers reals. A property list has
// no null, so a null anywhere throws EncodingError; so does the binary format, which is not written.
QByteArray propertyListData(const QJsonValue& value, PropertyListFormat format = PropertyListFormat::Xml);

// Reads an XML property list back into a JSON-shaped value. <data> arrives as its Base64 text and
// <date> as its ISO 8601 text. Malformed input, a binary property list or nesting deeper than the
// reader accepts throw DecodingError (dataCorrupted).
QJsonValue propertyListValue(const QByteArray& data);

} // namespace KestrelExtensions
