#include "RuvedovUzedoz/Sheet/ContactSheet.h"
#include "RuvedovUzedoz/Sheet/ImageDiscovery.h"
#include "support/LogCapture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace RuvedovUzedoz;
using KestrelExtensions::LogCapture;

// Outside any anonymous namespace: the test classes derive from it, and in a batched build this file
// is not the main file, where GCC would warn about the derived classes' linkage.
class ContactSheetTests : public ::testing::Test {
protected:
    void TearDown() override { ImageDiscovery::setFolderLister({}); }

    // Discovery goes by the name alone, so the files' bytes do not matter here; a name ending in a
    // slash makes a folder.
    QUrl file(const QString& relativePath, const QByteArray& contents = "bytes")
    {
        const QString path = m_root.filePath(relativePath);
        const bool folder = relativePath.endsWith(u'/');
        QDir().mkpath(folder ? path : QFileInfo(path).absolutePath());
        QFile out(path);
        EXPECT_TRUE(folder || (out.open(QIODevice::WriteOnly) && out.write(contents) == contents.size()));
        return url(relativePath);
    }
    QUrl url(const QString& relativePath) const { return QUrl::fromLocalFile(m_root.filePath(relativePath)); }
    QByteArray path(const char* relativePath) const
    {
        return QFile::encodeName(m_root.filePath(relativePath));
    }

    // A sheet made before the capture starts, so only the lines of the operation under test are seen.
    ContactSheet m_sheet;
    QTemporaryDir m_root;
};

TEST_F(ContactSheetTests, AddingFiles)
{
    const QUrl photo = file("photo.jpg");
    const QList<QUrl> images{file("upper.JPG"), file("scan.PNG"), file("phone.HEIC"), file("web.webp"),
                             file("empty.jpg", QByteArray())};
    LogCapture log;
    m_sheet.add({});
    EXPECT_TRUE(log.systemLines().isEmpty());
    m_sheet.add({photo});
    m_sheet.addContentsOf(QSet<QUrl>{photo});
    m_sheet.add(images);
    m_sheet.add({file("notes.txt"), file("document.pdf"), file("no-extension")});
    m_sheet.add({url("gone.jpg"), QUrl("https://example.com/remote.jpg"), photo});
    EXPECT_EQ(log.systemLines(),
              (QStringList{"Adding URL photo.jpg", "Adding URL photo.jpg", "Adding URL upper.JPG",
                           "Adding URL scan.PNG", "Adding URL phone.HEIC", "Adding URL web.webp",
                           "Adding URL empty.jpg", "Failed to add gone.jpg: No such file or directory",
                           "Failed to add remote.jpg: it is not a local file", "Adding URL photo.jpg"}));
    QSet<QUrl> expected(images.begin(), images.end());
    expected.insert(photo);
    EXPECT_EQ(m_sheet.images, expected);
}

TEST_F(ContactSheetTests, AddingAFolderTakesItsImagesOneLevelDeep)
{
    const QSet<QUrl> kept{file("Holiday/a.jpg"), file("Holiday/b.png"), file("Holiday/c.tiff")};
    for (const char* other :
         {"Holiday/readme.txt", "Holiday/.hidden.jpg", "Holiday/sub/deep.jpg", "Holiday/folder.jpg/"})
        file(other);
    ASSERT_EQ(::symlink("/nonexistent/target.jpg", path("Holiday/broken.jpg")), 0);
    ASSERT_EQ(::symlink("loop.jpg", path("Holiday/loop.jpg")), 0);
    ASSERT_EQ(::mkfifo(path("Holiday/pipe.jpg"), 0600), 0);
    // A trailing slash names the same folder and makes the same entries; duplicates are counted again.
    for (const char* name : {"Holiday", "Holiday/"}) {
        LogCapture log;
        m_sheet.add({url(name)});
        EXPECT_EQ(log.systemLines(), QStringList{"Adding 3 images from directory Holiday"});
        EXPECT_EQ(m_sheet.images, kept);
    }
    EXPECT_EQ(ImageDiscovery::listFolder(m_root.filePath("Holiday")).value_or(QStringList()).size(), 10);
    EXPECT_FALSE(ImageDiscovery::listFolder(m_root.filePath("nowhere")));
}

TEST_F(ContactSheetTests, FolderNamesAndFailures)
{
    file("Trip.2020/one.jpg");
    file("Trip.2020/two.jpg");
    const QUrl trip = url("Trip.2020");
    LogCapture log;
    m_sheet.add({trip, file("Empty/")});
    EXPECT_EQ(log.systemLines(),
              (QStringList{"Adding 2 images from directory Trip", "Adding 0 images from directory Empty"}));
    EXPECT_EQ(m_sheet.images.size(), 2);

    // A folder that cannot be listed adds nothing; the other URLs of the call still count.
    ContactSheet fresh;
    log.clear();
    ImageDiscovery::setFolderLister([](const QString&) { return std::nullopt; });
    const QUrl photo = file("photo.jpg");
    fresh.add({trip, photo});
    EXPECT_EQ(log.systemLines(),
              (QStringList{"Failed to add Trip.2020: the folder cannot be listed", "Adding URL photo.jpg"}));
    EXPECT_EQ(fresh.images, QSet<QUrl>{photo});

    // An item of the folder that cannot be looked at (here: its name is too long for the system) fails
    // the folder rather than quietly leaving pictures out.
    ContactSheet third;
    log.clear();
    ImageDiscovery::setFolderLister([](const QString&) {
        return QStringList{QStringLiteral("one.jpg"), QString(5000, u'x') + QStringLiteral(".jpg")};
    });
    third.add({trip});
    ASSERT_EQ(log.systemLines().size(), 1);
    EXPECT_TRUE(log.systemLines()[0].startsWith("Failed to add Trip.2020: xxxx"));
    EXPECT_TRUE(log.systemLines()[0].endsWith(" cannot be read: File name too long"));
    EXPECT_TRUE(third.images.isEmpty());
}

// As the superuser, whom permissions do not bind, the folder is added by a child process that has
// given up its rights.
TEST_F(ContactSheetTests, UnreadableFolderFailsWhenPermissionsApply)
{
    file("Locked/a.jpg");
    ASSERT_EQ(::chmod(path("Locked"), 0), 0);
    const auto addLocked = [this] {
        LogCapture log;
        m_sheet.add({url("Locked")});
        return std::pair(log.systemLines(), m_sheet.images.size());
    };
    QStringList lines;
    qsizetype added = -1;
    if (::geteuid() != 0) {
        std::tie(lines, added) = addLocked();
    } else {
        ASSERT_EQ(::chmod(QFile::encodeName(m_root.path()).constData(), 0711), 0);
        int channel[2];
        ASSERT_EQ(::pipe(channel), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(channel[0]);
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(2);
            const auto [childLines, childAdded] = addLocked();
            const QByteArray report = (childLines.join(u'\n') + u'\n' + QString::number(childAdded)).toUtf8();
            const bool written =
                ::write(channel[1], report.constData(), size_t(report.size())) == report.size();
            ::_exit(written ? 0 : 3);
        }
        ::close(channel[1]);
        QByteArray report;
        char buffer[512];
        for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
            report.append(buffer, qsizetype(n));
        ::close(channel[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        lines = QString::fromUtf8(report).split(u'\n');
        added = lines.takeLast().toLongLong();
    }
    ::chmod(path("Locked"), 0700);
    EXPECT_EQ(lines, QStringList{"Failed to add Locked: Permission denied"});
    EXPECT_EQ(added, 0);
}

// Whatever is given directly and not taken says why, also what no name makes a picture of.
TEST_F(ContactSheetTests, SpecialFilesGivenDirectlyAreRefusedWithTheirReason)
{
    ASSERT_EQ(::mkfifo(path("pipe.jpg"), 0600), 0);
    ASSERT_EQ(::mkfifo(path("pipe"), 0600), 0);
    ASSERT_EQ(::symlink("/dev/null", path("device.png")), 0);
    ASSERT_EQ(::symlink("/nonexistent/target.jpg", path("broken.jpg")), 0);
    // A socket's path must be short; it is made in a folder of its own under /tmp.
    QTemporaryDir shortFolder(QStringLiteral("/tmp/s-XXXXXX"));
    const QByteArray socketPath = QFile::encodeName(shortFolder.filePath("socket.jpg"));
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(size_t(socketPath.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
    ASSERT_EQ(::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    LogCapture log;
    m_sheet.add({url("pipe.jpg"), url("pipe"), url("device.png"), url("broken.jpg"),
                 QUrl::fromLocalFile(QFile::decodeName(socketPath)), file("notes.txt")});
    ::close(socket);
    EXPECT_EQ(log.systemLines(), (QStringList{"Failed to add pipe.jpg: it is a named pipe, not a file",
                                              "Failed to add pipe: it is a named pipe, not a file",
                                              "Failed to add device.png: it is a device, not a file",
                                              "Failed to add broken.jpg: No such file or directory",
                                              "Failed to add socket.jpg: it is a socket, not a file"}));
    EXPECT_TRUE(m_sheet.images.isEmpty());
}

TEST_F(ContactSheetTests, NewSheetsCollapseDuplicatesAndCopiesShareTheProgress)
{
    LogCapture log;
    const QUrl a = file("a.jpg"), b = file("b.jpg"), c = file("c.jpg");
    ContactSheet sheet(PDFMetadata{.title = "Trip"}, {a, a, b, c});
    EXPECT_EQ(log.outLines(), QStringList{"Making new ContactSheet"});
    EXPECT_EQ(log.systemLines(), QStringList{"Creating new PDFProgress!!"});
    EXPECT_EQ(sheet.metadata.title, QStringLiteral("Trip"));
    const ContactSheet copy = sheet;
    sheet.remove(QSet<QUrl>{a, url("not-there.jpg")});
    EXPECT_EQ(sheet.images, (QSet<QUrl>{b, c}));
    sheet.remove(url("not-there.jpg"));
    sheet.remove(c);
    EXPECT_EQ(sheet.images, QSet<QUrl>{b});
    EXPECT_EQ(log.systemLines().size(), 1);
    EXPECT_TRUE(QFileInfo::exists(c.toLocalFile()));
    EXPECT_EQ(copy.images.size(), 3);
    ASSERT_TRUE(sheet.progress);
    EXPECT_EQ(copy.progress, sheet.progress);
}
