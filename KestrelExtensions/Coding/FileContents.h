#pragma once

#include <QByteArray>
#include <QString>

namespace KestrelExtensions {

// The most readFileContents takes in by default: coded files (layouts, settings) are a few kilobytes, so
// anything this large is not one, and reading it could exhaust memory.
constexpr qsizetype defaultMaximumFileSize = 8 * 1024 * 1024;

// Reads the whole file into memory. Throws FileError (missing file, folder, no permission, ...); a file
// longer than `maximumSize` bytes is a FileError with code TooLarge and is not read.
QByteArray readFileContents(const QString& path, qsizetype maximumSize = defaultMaximumFileSize);

// Throws FileError unless `path` names nothing yet or a regular file, links followed. Every save puts a
// new file in the target's place, and that place must never be a pipe's, a device's or a folder's: as
// root, saving over /dev/full would replace the device node with a file.
void requireReplaceableFile(const QString& path);

// Replaces the file's content with `data`, atomically: the bytes go to a temporary file in the same
// folder which then takes the file's place, so a failed write (full disk, file-size limit, killed
// process) leaves the old content whole. A link is followed and stays a link. A missing folder is not
// created: that is a FileError with code NoSuchFolder; a target that is no regular file is refused.
void writeFileContents(const QByteArray& data, const QString& path);

} // namespace KestrelExtensions
