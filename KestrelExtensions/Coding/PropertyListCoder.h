// Not called by the application: kept as a library service for other users.
#pragma once

#include "CodedFile.h"
#include "PropertyListData.h"

namespace KestrelExtensions {

// Writes JSON-codable values as property lists. The format is the encoder's setting; only XML is
// written, and asking for binary throws EncodingError before any file is touched.
class PropertyListEncoder {
public:
    PropertyListFormat outputFormat() const { return m_format; }
    void setOutputFormat(PropertyListFormat format) { m_format = format; }

    template <JsonEncodable T> QByteArray encode(const T& value) const
    {
        return propertyListData(value.toJson(), m_format);
    }
    // Encodes first, then replaces the file's content atomically; a missing folder is not created.
    template <JsonEncodable T> void encodeToFile(const T& value, const QString& path) const
    {
        writeFileContents(encode(value), path);
    }

private:
    PropertyListFormat m_format = PropertyListFormat::Xml;
};

// Reads JSON-codable values from XML property lists; errors as for the JSON files (FileError on
// reading, DecodingError on content).
class PropertyListDecoder {
public:
    template <JsonDecodable T> T decode(const QByteArray& data) const
    {
        return T::fromJson(propertyListValue(data));
    }
    template <JsonDecodable T> T decodeFromFile(const QString& path) const
    {
        return decode<T>(readFileContents(path));
    }
    // In order; the first failure ends the call and later files are not read.
    template <JsonDecodable T> std::vector<T> decodeFromFiles(const QList<QString>& paths) const
    {
        std::vector<T> values;
        values.reserve(size_t(paths.size()));
        for (const QString& path : paths)
            values.push_back(decodeFromFile<T>(path));
        return values;
    }
};

} // namespace KestrelExtensions
