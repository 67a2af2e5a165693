#include "PathComponents.h"

#include "BaseName.h"
#include "KestrelExtensions/String/TrailingNumber.h"

namespace KestrelExtensions {

namespace {

// A URL's path split into its folder (with the closing slash) and last component. A trailing slash
// does not make an empty last component: a folder URL's last component is the folder's name.
struct SplitPath {
    QString folder;
    QString last;
    bool trailingSlash = false;
};

SplitPath split(const QUrl& url)
{
    QString path = url.path(QUrl::FullyDecoded);
    SplitPath parts;
    if (path.size() > 1 && path.endsWith(u'/')) {
        path.chop(1);
        parts.trailingSlash = true;
    }
    const qsizetype slash = path.lastIndexOf(u'/');
    parts.folder = path.left(slash + 1);
    parts.last = path.mid(slash + 1);
    return parts;
}

QUrl withLastComponent(const QUrl& url, const SplitPath& parts, const QString& last)
{
    QUrl result = url;
    result.setPath(parts.folder + last + (parts.trailingSlash ? QStringLiteral("/") : QString()),
                   QUrl::DecodedMode);
    return result;
}

QString withExtension(const QString& name, const QString& extension)
{
    return extension.isEmpty() ? name : name + u'.' + extension;
}

} // namespace

QUrl incrementingFileName(const QUrl& url, qint64 defaultNumber, qint64 step, const QString& format,
                          const QString& separator)
{
    const SplitPath parts = split(url);
    const QString name =
        incrementingTrailingNumber(deletingPathExtension(parts.last), defaultNumber, step, format, separator);
    return withLastComponent(url, parts, withExtension(name, pathExtension(parts.last)));
}

void incrementFileName(QUrl& url, qint64 defaultNumber, qint64 step, const QString& format,
                       const QString& separator)
{
    url = incrementingFileName(url, defaultNumber, step, format, separator);
}

QUrl replacingPathExtension(const QUrl& url, const QString& extension)
{
    const SplitPath parts = split(url);
    return withLastComponent(url, parts, withExtension(deletingPathExtension(parts.last), extension));
}

void replacePathExtension(QUrl& url, const QString& extension)
{
    url = replacingPathExtension(url, extension);
}

QUrl replacingLastPathComponent(const QUrl& url, const QString& name, bool keepingExtension)
{
    const SplitPath parts = split(url);
    return withLastComponent(url, parts,
                             keepingExtension ? withExtension(name, pathExtension(parts.last)) : name);
}

void replaceLastPathComponent(QUrl& url, const QString& name, bool keepingExtension)
{
    url = replacingLastPathComponent(url, name, keepingExtension);
}

} // namespace KestrelExtensions
