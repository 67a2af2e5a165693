#include "ImageDiscovery.h"

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

std::optional<QStringList> listFolderEntries(const QString& folderPath)
{
    namespace fs = std::filesystem;
    std::error_code error;
    fs::directory_iterator it(fs::path(QFile::encodeName(folderPath).toStdString()), error);
    if (error)
        return std::nullopt;
    QStringList names;
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (error)
            return std::nullopt;
        names.append(QFile::decodeName(QByteArray::fromStdString(it->path().filename().native())));
    }
    if (error)
        return std::nullopt;
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
    FolderLister lister;
    {
        std::lock_guard lock(listerMutex);
        lister = folderLister();
    }
    return lister ? lister(folderPath) : listFolderEntries(folderPath);
}

std::optional<QList<QUrl>> ImageDiscovery::imagesInFolder(const QString& folderPath)
{
    namespace fs = std::filesystem;
    const std::optional<QStringList> names = listFolder(folderPath);
    if (!names)
        return std::nullopt;
    QList<QUrl> images;
    const QString prefix = folderPath.endsWith(u'/') ? folderPath : folderPath + u'/';
    for (const QString& name : *names) {
        if (name.startsWith(u'.'))
            continue;
        const QString path = prefix + name;
        std::error_code error;
        const fs::file_status status = fs::status(fs::path(QFile::encodeName(path).toStdString()), error);
        // A symbolic link whose target is gone, or that only leads round in a loop, is no image; it does
        // not spoil the folder.
        if (status.type() == fs::file_type::not_found || error == std::errc::too_many_symbolic_link_levels)
            continue;
        if (error)
            return std::nullopt;
        // Only regular files: a named pipe called "x.jpg" would block the render that reads it.
        if (status.type() != fs::file_type::regular || !isImageFile(path))
            continue;
        images.append(QUrl::fromLocalFile(path));
    }
    return images;
}

} // namespace RuvedovUzedoz
