#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace RuvedovUzedoz {

// File names are bytes: one written on an old camera card or unpacked from an archive may not be valid
// UTF-8. A file URL made here keeps every byte of its path (those that are not UTF-8 stay percent-encoded
// in it), so the file is read by the very path it was found under, and its name is shown as well as it
// can be decoded.
class LocalPath {
public:
    // The file-system path of a local file URL, byte for byte.
    static QByteArray bytes(const QUrl& url);
    // A file URL for `path` (absolute), keeping every byte of it.
    static QUrl url(const QByteArray& path);
    // The last path component for labels, lists and log lines: UTF-8 when it is valid UTF-8, otherwise
    // read as Latin-1, the usual encoding of such names.
    static QString displayName(const QUrl& url);
    static QString displayName(const QByteArray& name);
};

} // namespace RuvedovUzedoz
