#include "ContactSheet.h"

#include "KestrelExtensions/Logging/Log.h"
#include "KestrelExtensions/URL/BaseName.h"
#include "RuvedovUzedoz/Sheet/ImageDiscovery.h"
#include "RuvedovUzedoz/Sheet/LocalPath.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

using KestrelExtensions::Log;

namespace RuvedovUzedoz {

namespace {

// The last path component, also for a folder URL written with a trailing slash.
QString lastPathComponent(const QUrl& url)
{
    return LocalPath::displayName(url);
}

// Why a file system object that is neither a folder nor a regular file is no picture.
QString specialFileReason(mode_t mode)
{
    const QString kind = S_ISFIFO(mode)                   ? QStringLiteral("a named pipe")
                         : S_ISSOCK(mode)                 ? QStringLiteral("a socket")
                         : S_ISCHR(mode) || S_ISBLK(mode) ? QStringLiteral("a device")
                                                          : QStringLiteral("a special file");
    return QStringLiteral("it is ") + kind + QStringLiteral(", not a file");
}

} // namespace

ContactSheet::ContactSheet(PDFMetadata metadata, const QList<QUrl>& images)
{
    Log::out(QStringLiteral("Making new ContactSheet"));
    this->images = QSet<QUrl>(images.begin(), images.end());
    progress = PDFProgress::create();
    this->metadata = std::move(metadata);
}

void ContactSheet::add(const QList<QUrl>& urls)
{
    for (const QUrl& url : urls)
        addURL(url);
}

void ContactSheet::addURL(const QUrl& url)
{
    const QString name = lastPathComponent(url);
    const auto refuse = [&name](const QString& reason) {
        Log::system(QStringLiteral("Failed to add ") + name + QStringLiteral(": ") + reason);
    };
    if (!url.isLocalFile())
        return refuse(QStringLiteral("it is not a local file"));
    // By the path's own bytes, which need not be UTF-8.
    const QByteArray path = LocalPath::bytes(url.adjusted(QUrl::StripTrailingSlash));
    struct stat info {};
    if (::stat(path.constData(), &info) != 0)
        return refuse(QString::fromLocal8Bit(std::strerror(errno)));
    if (S_ISDIR(info.st_mode)) {
        QString failure;
        const std::optional<QList<QUrl>> found = ImageDiscovery::imagesInFolder(path, &failure);
        if (!found)
            return refuse(failure);
        Log::system(QStringLiteral("Adding %1 images from directory %2")
                        .arg(found->size())
                        .arg(KestrelExtensions::baseName(QUrl::fromLocalFile(name))));
        for (const QUrl& image : *found)
            images.insert(image);
        return;
    }
    // Only regular files: a named pipe called "x.jpg" would block the render that reads it.
    if (!S_ISREG(info.st_mode))
        return refuse(specialFileReason(info.st_mode));
    // Other files are left out without a word, as the folder's are.
    if (!ImageDiscovery::isImageFile(name))
        return;
    Log::system(QStringLiteral("Adding URL ") + name);
    images.insert(url);
}

void ContactSheet::remove(const QSet<QUrl>& urls)
{
    for (const QUrl& url : urls)
        images.remove(url);
}

void ContactSheet::remove(const QUrl& url)
{
    images.remove(url);
}

} // namespace RuvedovUzedoz
