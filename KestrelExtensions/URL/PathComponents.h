// Not called by the application: kept as a library service for other users.
#pragma once

#include <QString>
#include <QUrl>

namespace KestrelExtensions {

// The URL of the next copy name in the same folder: the file name without its extension goes through
// incrementingTrailingNumber (same arguments), then the old extension is put back. Nothing checks
// whether the result exists; a caller after a free name repeats until it finds one.
// "/tmp/Sheet 2.pdf" → "/tmp/Sheet 3.pdf".
QUrl incrementingFileName(const QUrl& url, qint64 defaultNumber = 1, qint64 step = 1,
                          const QString& format = QStringLiteral("%d"),
                          const QString& separator = QStringLiteral(" "));
void incrementFileName(QUrl& url, qint64 defaultNumber = 1, qint64 step = 1,
                       const QString& format = QStringLiteral("%d"),
                       const QString& separator = QStringLiteral(" "));

// The URL with its last extension replaced by `extension`; an empty one only removes the old.
QUrl replacingPathExtension(const QUrl& url, const QString& extension);
void replacePathExtension(QUrl& url, const QString& extension);

// The URL with its last path component replaced by `name`; `keepingExtension` puts the old extension
// back after it. "/a/b/old.txt" with "new" → "/a/b/new.txt" (kept) or "/a/b/new".
QUrl replacingLastPathComponent(const QUrl& url, const QString& name, bool keepingExtension = false);
void replaceLastPathComponent(QUrl& url, const QString& name, bool keepingExtension = false);

} // namespace KestrelExtensions
