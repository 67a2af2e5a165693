#pragma once

#include <QString>
#include <QUrl>

namespace KestrelExtensions {

// Splits "name.ext" into ("name", "ext") at the last dot. A leading dot does not start an extension, so
// ".jpg" keeps its whole name; "archive.tar.gz" gives "archive.tar".
QString deletingPathExtension(const QString& fileName);
QString pathExtension(const QString& fileName);

// The last path component of a URL without its last extension; a folder URL gives the folder's name.
QString baseName(const QUrl& url);

} // namespace KestrelExtensions
