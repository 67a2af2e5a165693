#pragma once

#include "CodingError.h"
#include "FileContents.h"
#include "FileError.h"
#include "JsonCoding.h"
#include "JsonData.h"

#include <QJsonValue>
#include <QList>
#include <QString>
#include <vector>

namespace KestrelExtensions {

// Reads the whole file, then decodes it. A read failure throws FileError and nothing is decoded;
// malformed JSON throws DecodingError (dataCorrupted), a wrong shape the type's own DecodingError.
template <JsonDecodable T> T decodeFromFile(const QString& path)
{
    return T::fromJson(jsonValue(readFileContents(path)));
}

// Decodes each file in order; the first failure ends the call with its error and later files are not read.
template <JsonDecodable T> std::vector<T> decodeFromFiles(const QList<QString>& paths)
{
    std::vector<T> values;
    values.reserve(size_t(paths.size()));
    for (const QString& path : paths)
        values.push_back(decodeFromFile<T>(path));
    return values;
}

// Encodes first (an EncodingError leaves the file untouched), then replaces the file's whole content
// atomically. Throws FileError when the folder is missing or the write fails.
template <JsonEncodable T> void encodeToFile(const T& value, const QString& path)
{
    writeFileContents(jsonData(value.toJson()), path);
}

} // namespace KestrelExtensions
