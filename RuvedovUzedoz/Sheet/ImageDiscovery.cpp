#include "ImageDiscovery.h"

#include "LocalPath.h"

#include <QFile>
#include <QMimeDatabase>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace RuvedovUzedoz {

namespace {

std::mutex listerMutex;

ImageDiscovery::FolderLister& folderLister()
{
    static ImageDiscovery::FolderLister lister;
    return lister;
}

// A copy of the installed lister, so that it runs outside the lock.
ImageDiscovery::FolderLister installedLister()
{
    std::lock_guard lock(listerMutex);
    return folderLister();
}

// The system's wording of a failed call.
QString systemReason(const std::error_code& error)
{
    return QString::fromLocal8Bit(error.message());
}

std::optional<QByteArrayList> listFolderEntries(const QByteArray& folderPath, QString* failure)
{
    namespace fs = std::filesystem;
    const auto fail = [failure](const std::error_code& error) -> std::optional<QByteArrayList> {
        if (failure)
            *failure = systemReason(error);
        return std::nullopt;
    };
    std::error_code error;
    fs::directory_iterator it(fs::path(folderPath.toStdString()), error);
    if (error)
        return fail(error);
    QByteArrayList names;
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (error)
            return fail(error);
        names.append(QByteArray::fromStdString(it->path().filename().native()));
    }
    if (error)
        return fail(error);
    return names;
}

} // namespace

bool ImageDiscovery::isImageFile(const QString& path)
{
    static const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    if (type.name().startsWith(u"image/"))
        return true;
    for (const QString& ancestor : type.allAncestors()) {
        if (ancestor.startsWith(u"image/"))
            return true;
    }
    return false;
}

void ImageDiscovery::setFolderLister(FolderLister lister)
{
    std::lock_guard lock(listerMutex);
    folderLister() = std::move(lister);
}

std::optional<QStringList> ImageDiscovery::listFolder(const QString& folderPath)
{
    const FolderLister lister = installedLister();
    if (lister)
        return lister(folderPath);
    const std::optional<QByteArrayList> names = listFolderEntries(QFile::encodeName(folderPath), nullptr);
    if (!names)
        return std::nullopt;
    QStringList decoded;
    for (const QByteArray& name : *names)
        decoded.append(LocalPath::displayName(name));
    return decoded;
}

std::optional<QByteArrayList> ImageDiscovery::listFolderBytes(const QByteArray& folderPath, QString* failure)
{
    const FolderLister lister = installedLister();
    if (!lister)
        return listFolderEntries(folderPath, failure);
    const std::optional<QStringList> names = lister(QFile::decodeName(folderPath));
    if (!names) {
        if (failure)
            *failure = QStringLiteral("the folder cannot be listed");
        return std::nullopt;
    }
    QByteArrayList encoded;
    for (const QString& name : *names)
        encoded.append(QFile::encodeName(name));
    return encoded;
}

std::optional<QList<QUrl>> ImageDiscovery::imagesInFolder(const QString& folderPath, QString* failure)
{
    return imagesInFolder(QFile::encodeName(folderPath), failure);
}

std::optional<QList<QUrl>> ImageDiscovery::imagesInFolder(const QByteArray& folderPath, QString* failure)
{
    namespace fs = std::filesystem;
    const std::optional<QByteArrayList> names = listFolderBytes(folderPath, failure);
    if (!names)
        return std::nullopt;
    QList<QUrl> images;
    const QByteArray prefix = folderPath.endsWith('/') ? folderPath : folderPath + '/';
    for (const QByteArray& name : *names) {
        if (name.startsWith('.'))
            continue;
        const QByteArray path = prefix + name;
        std::error_code error;
        const fs::file_status status = fs::status(fs::path(path.toStdString()), error);
        // A symbolic link whose target is gone, or that only leads round in a loop, is no image; it does
        // not spoil the folder.
        if (status.type() == fs::file_type::not_found || error == std::errc::too_many_symbolic_link_levels)
            continue;
        if (error) {
            if (failure)
                *failure =
                    LocalPath::displayName(name) + QStringLiteral(" cannot be read: ") + systemReason(error);
            return std::nullopt;
        }
        // Only regular files: a named pipe called "x.jpg" would block the render that reads it.
        // The type comes from the extension, which the decoded name keeps.
        if (status.type() != fs::file_type::regular || !isImageFile(LocalPath::displayName(name)))
            continue;
        images.append(LocalPath::url(path));
    }
    return images;
}

} // namespace RuvedovUzedoz
