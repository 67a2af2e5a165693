#include "BaseName.h"

namespace KestrelExtensions {

namespace {

qsizetype extensionDot(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot > 0 ? dot : -1;
}

} // namespace

QString deletingPathExtension(const QString& fileName)
{
    const qsizetype dot = extensionDot(fileName);
    return dot < 0 ? fileName : fileName.left(dot);
}

QString pathExtension(const QString& fileName)
{
    const qsizetype dot = extensionDot(fileName);
    return dot < 0 ? QString() : fileName.mid(dot + 1);
}

QString baseName(const QUrl& url)
{
    const QUrl trimmed = url.adjusted(QUrl::StripTrailingSlash);
    return deletingPathExtension(trimmed.fileName(QUrl::FullyDecoded));
}

} // namespace KestrelExtensions
