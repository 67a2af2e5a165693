#pragma once

#include <QList>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <optional>

namespace RuvedovUzedoz {

// Which files count as images, and the images of a folder. A file is an image when the content type
// its name gives is an image type (the extension decides, as no file is opened).
class ImageDiscovery {
public:
    static bool isImageFile(const QString& path);

    // The image files directly inside `folderPath`, in listing order: no sub-folders, no hidden files,
    // no descent. nullopt when the folder cannot be listed or a listed item's type cannot be read; then
    // `failure`, when given, says why (the system's wording where there is one).
    static std::optional<QList<QUrl>> imagesInFolder(const QString& folderPath, QString* failure = nullptr);
    // The same for a folder path as the file system spells it; names that are not UTF-8 are kept as
    // they are (see LocalPath).
    static std::optional<QList<QUrl>> imagesInFolder(const QByteArray& folderPath,
                                                     QString* failure = nullptr);

    // The names of a folder's entries, or nullopt when it cannot be listed. Replaceable so that a
    // failing listing can be exercised where permissions do not apply (as root).
    using FolderLister = std::function<std::optional<QStringList>(const QString& folderPath)>;
    static void setFolderLister(FolderLister lister);
    static std::optional<QStringList> listFolder(const QString& folderPath);

private:
    // The entries' names as the file system spells them.
    static std::optional<QByteArrayList> listFolderBytes(const QByteArray& folderPath, QString* failure);
};

} // namespace RuvedovUzedoz
