#pragma once

#include "CodedFile.h"

namespace KestrelExtensions {

// Writes JSON-codable values: compact JSON text, the same as the coded-file helpers write.
class JsonEncoder {
public:
    template <JsonEncodable T> QByteArray encode(const T& value) const { return jsonData(value.toJson()); }
    // Encodes first, then replaces the file's content atomically; a missing folder is not created.
    template <JsonEncodable T> void encodeToFile(const T& value, const QString& path) const
    {
        KestrelExtensions::encodeToFile(value, path);
    }
};

// Reads JSON-codable values; errors as for the coded files (FileError on reading, DecodingError on
// content).
class JsonDecoder {
public:
    template <JsonDecodable T> T decode(const QByteArray& data) const { return T::fromJson(jsonValue(data)); }
    template <JsonDecodable T> T decodeFromFile(const QString& path) const
    {
        return KestrelExtensions::decodeFromFile<T>(path);
    }
};

} // namespace KestrelExtensions
