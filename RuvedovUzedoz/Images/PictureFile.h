#pragma once

#include <QByteArray>
#include <QString>
#include <variant>

namespace RuvedovUzedoz {

// The whole content of one picture file, read once. Everything done with a picture afterwards (the
// structure checks and the decoding) works on these bytes, so a file that an editor or a sync tool
// rewrites while it is read is at worst a damaged picture, never a mapping that shrinks under the reader.
class PictureFile {
public:
    // Larger files are refused before any of them is read; for a JPEG, only the bytes up to its end
    // marker count, and nothing after that marker is read.
    static constexpr qint64 maximumSize = qint64(1) << 30;

    // `path` is the file's path as the file system spells it. The bytes, or the reason that they cannot
    // be had (the file is missing, not a regular file, empty, too large, unreadable, or changed while
    // it was read).
    static std::variant<QByteArray, QString> read(const QByteArray& path);
};

} // namespace RuvedovUzedoz
