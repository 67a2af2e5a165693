#pragma once

#include <QByteArray>
#include <QString>

namespace KestrelExtensions {

// Reads the whole file into memory. Throws FileError (missing file, folder, no permission, ...).
QByteArray readFileContents(const QString& path);

// Replaces the file's content with `data`, atomically: the bytes go to a temporary file in the same
// folder which then takes the file's place, so a failed write (full disk, killed process) leaves the
// old content whole. A missing folder is not created: that is a FileError with code NoSuchFolder.
void writeFileContents(const QByteArray& data, const QString& path);

} // namespace KestrelExtensions
