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

// Replaces the file's content with `data`, atomically: the bytes go to a temporary file in the same
// folder which then takes the file's place, so a failed write (full disk, killed process) leaves the
// old content whole. A missing folder is not created: that is a FileError with code NoSuchFolder.
void writeFileContents(const QByteArray& data, const QString& path);

} // namespace KestrelExtensions
