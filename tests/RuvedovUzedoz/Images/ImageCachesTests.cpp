#include "ImageFixtures.h"
#include "RuvedovUzedoz/Images/CIImageCache.h"
#include "RuvedovUzedoz/Images/VipsRuntime.h"
#include "RuvedovUzedoz/Sheet/LocalPath.h"
#include "support/LogCapture.h"

#include <QFile>
#include <cstdio>
#include <gtest/gtest.h>
#include <limits>
#include <unistd.h>

using namespace RuvedovUzedoz;
using KestrelExtensions::LogCapture;

TEST(ImageCaches, OnePerScaleAndLookupsThatReadFromDiskUnlessStored)
{
    ImageFixtures::Folder folder;
    const QUrl url = folder.jpeg("photo.jpg", {200, 100});
    const QUrl gone = QUrl::fromLocalFile(folder.path("gone.jpg"));
    const QByteArray svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"8\" height=\"8\"/>";
    LogCapture log;
    const std::tuple<QUrl, double, QSize> rows[] = {
        {url, 1, {200, 100}},
        {url, 0.5, {100, 50}},
        {gone, 0.5, {}},
        {folder.bytes("garbage.jpg", "-"), 0.5, {}},
        {folder.bytes("drawing.svg", svg), 1, {}}, // decoded only in the decoder program
        {url, 0, {}},
        {url, -1, {}},
        {url, std::numeric_limits<double>::infinity(), {}},
        {url, 1e-9, {}}};
    for (const auto& row : rows)
        CIImageCache::cache(std::get<double>(row));
    for (const auto& [file, scale, size] : rows) {
        SCOPED_TRACE(file.fileName().toStdString() + " at " + std::to_string(scale));
        log.clear();
        const auto image = CIImageCache::image(file, scale);
        EXPECT_EQ(image ? QSize(image->width(), image->height()) : QSize(), size);
        EXPECT_EQ(VipsRuntime::takeError(), QString()) << "a failed read leaves no error behind";
        EXPECT_EQ(log.systemLines(), QStringList{"Reading " + file.fileName() + " from disk"});
    }
    EXPECT_EQ(CIImageCache::cache(1).count() + CIImageCache::cache(0.5).count(), 0) << "lookups never store";

    // A stored entry is found without reading, at its own scale only.
    CIImageCache::cache(0.5).setObject(gone, *CIImageCache::image(url, 0.5));
    log.clear();
    EXPECT_EQ(CIImageCache::image(gone, 0.5).value().width(), 100);
    EXPECT_FALSE(CIImageCache::image(gone));
    EXPECT_EQ(log.systemLines(), QStringList{"Reading gone.jpg from disk"});

    // Decoded only within cairo's side and the memory limit.
    const auto line = ImageFixtures::picture(32767, 1, 3, [](int, int, int) { return 9; });
    const auto widest = CIImageCache::image(folder.save("widest.png", line.get(), ".png"));
    EXPECT_TRUE(widest->bitmap());
    EXPECT_FALSE(widest->scaled(1.0001)->bitmap());
    EXPECT_EQ(widest->scaled(0.5)->width(), 16384) << "half a pixel high is still one";
    EXPECT_FALSE(widest->scaled(0.4));
    EXPECT_FALSE(CIImageCache::image(folder.jpegClaimingSize("many.jpg", 10001, 10000))->bitmap());
}

// A name written in Latin-1 on an old card is read by its very bytes and logged as well as it decodes.
TEST(ImageCaches, ReadAFileWhoseNameIsNotUtf8)
{
    ImageFixtures::Folder folder;
    const QByteArray source = QFile::encodeName(folder.jpeg("source.jpg", {120, 80}).toLocalFile());
    const QByteArray name = QFile::encodeName(folder.path(QString())) + "/\xff caf\xe9 100%.jpg";
    ASSERT_EQ(::rename(source.constData(), name.constData()), 0);
    const QUrl url = LocalPath::url(name);
    for (const double scale : {1.0, 0.5})
        CIImageCache::cache(scale);
    LogCapture log;
    for (const double scale : {1.0, 0.5}) {
        const auto image = CIImageCache::image(url, scale);
        ASSERT_TRUE(image) << "at scale " << scale;
        EXPECT_EQ(QSize(image->width(), image->height()), QSize(120, 80) * scale);
        EXPECT_TRUE(image->bitmap());
    }
    EXPECT_EQ(log.systemLines(),
              QStringList(2, QStringLiteral("Reading \u00ff caf\u00e9 100%.jpg from disk")));
    ::unlink(name.constData()); // which the temporary folder could not name to remove it
}
