#include "KestrelExtensions/Defaults/Bookmarks.h"
#include "KestrelExtensions/URL/PathComponents.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace KestrelExtensions;

TEST(PathComponents, NextCopyNameKeepsFolderAndExtensionAndSwapsReplaceOneComponent)
{
    const auto next = [](const char* path, qint64 defaultNumber) {
        return incrementingFileName(QUrl::fromLocalFile(path), defaultNumber, 1, "%d", " ").toLocalFile();
    };
    EXPECT_EQ(next("/tmp/Sheet 2.pdf", 2), "/tmp/Sheet 3.pdf");
    EXPECT_EQ(next("/tmp/Sheet.pdf", 2), "/tmp/Sheet 2.pdf");
    EXPECT_EQ(next("/tmp/README", 1), "/tmp/README 1");
    EXPECT_EQ(next("/tmp/a.tar.gz", 1), "/tmp/a.tar 1.gz");
    EXPECT_EQ(next("/tmp/Folder 9/", 1), "/tmp/Folder 10/");
    EXPECT_EQ(next("/tmp/100% done 1.pdf", 1), "/tmp/100% done 2.pdf") << "percent signs are not encoding";

    QUrl url = QUrl::fromLocalFile("/x/Scan-07.png");
    incrementFileName(url, 1, 1, "%02d", "-");
    EXPECT_EQ(url.toLocalFile(), "/x/Scan-08.png");

    const auto path = [](const QUrl& file) { return file.toLocalFile(); };
    const QUrl old = QUrl::fromLocalFile("/a/b/old.txt");
    EXPECT_EQ(path(replacingLastPathComponent(old, "new", true)), "/a/b/new.txt");
    EXPECT_EQ(path(replacingLastPathComponent(old, "new", false)), "/a/b/new");
    EXPECT_EQ(path(replacingLastPathComponent(QUrl::fromLocalFile("/a/plain"), "new", true)), "/a/new");
    EXPECT_EQ(path(replacingPathExtension(old, "json")), "/a/b/old.json");
    EXPECT_EQ(path(replacingPathExtension(QUrl::fromLocalFile("/a/archive.tar.gz"), "zip")),
              "/a/archive.tar.zip");
    EXPECT_EQ(path(replacingPathExtension(old, "")), "/a/b/old");
    EXPECT_EQ(path(replacingPathExtension(QUrl::fromLocalFile("/a/.hidden"), "txt")), "/a/.hidden.txt");
    url = old;
    replacePathExtension(url, "md");
    replaceLastPathComponent(url, "renamed", true);
    EXPECT_EQ(url.toLocalFile(), "/a/b/renamed.md");
    replaceLastPathComponent(url, "plain");
    EXPECT_EQ(url.toLocalFile(), "/a/b/plain") << "the extension goes unless asked to stay";
}

TEST(Bookmarks, StoreTheFileAndRestoreItWhileItExists)
{
    QTemporaryDir dir;
    UserDefaults defaults(dir.filePath("defaults.ini"));
    const QString file = dir.filePath("photo.jpg");
    QFile(file).open(QIODevice::WriteOnly);
    QFile::link(file, dir.filePath("link.jpg"));

    storeBookmark(defaults, QUrl::fromLocalFile(dir.filePath("link.jpg")), "LastFile");
    EXPECT_EQ(restoreBookmark(defaults, "LastFile"),
              QUrl::fromLocalFile(QDir(dir.path()).canonicalPath() + "/photo.jpg"));

    // Survives a fresh store on the same file.
    defaults.sync();
    UserDefaults reopened(dir.filePath("defaults.ini"));
    EXPECT_TRUE(restoreBookmark(reopened, "LastFile"));

    QFile::remove(file);
    EXPECT_EQ(restoreBookmark(defaults, "LastFile"), std::nullopt);

    // A missing file, none at all, or one not on this machine clears what was stored.
    for (const auto& url : {std::optional(QUrl::fromLocalFile(dir.filePath("missing.jpg"))),
                            std::optional<QUrl>(), std::optional(QUrl("https://example.com/a.jpg"))}) {
        defaults.setValue("LastFile", QByteArray("x"));
        storeBookmark(defaults, url, "LastFile");
        EXPECT_FALSE(defaults.contains("LastFile"));
    }
    defaults.setValue("Other", QStringLiteral("/not/bytes"));
    EXPECT_EQ(restoreBookmark(defaults, "Other"), std::nullopt);
}
