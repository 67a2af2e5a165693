#include "ImageFixtures.h"
#include "RuvedovUzedoz/Images/CGImageCache.h"
#include "RuvedovUzedoz/Images/CIImageCache.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>
#include <limits>

using namespace RuvedovUzedoz;
using KestrelExtensions::LogCapture;

namespace {

std::string logText(const LogCapture& log)
{
    return log.systemLines().join('\n').toStdString();
}

} // namespace

TEST(ImageCaches, OneCachePerScaleAnnouncedOnce)
{
    LogCapture log;
    CIImageCache& half = CIImageCache::cache(0.5);
    EXPECT_EQ(&CIImageCache::cache(0.5), &half);
    EXPECT_NE(&CIImageCache::cache(0.25), &half);
    CGImageCache& one = CGImageCache::cache(1);
    EXPECT_EQ(&CGImageCache::cache(1.0), &one);
    // Every NaN is one scale, and -0.0 is 0.0.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    CGImageCache& notANumber = CGImageCache::cache(nan);
    EXPECT_EQ(&CGImageCache::cache(-nan), &notANumber);
    CGImageCache& negativeZero = CGImageCache::cache(-0.0);
    EXPECT_EQ(&CGImageCache::cache(0.0), &negativeZero);
    EXPECT_EQ(logText(log), "Creating CIImageCache for scale 0.5\n"
                            "Creating CIImageCache for scale 0.25\n"
                            "Creating CGImageCache for scale 1.0\n"
                            "Creating CGImageCache for scale nan\n"
                            "Creating CGImageCache for scale -0.0");
}

TEST(ImageCaches, LookupsReadFromDiskEveryTimeAndNeverStore)
{
    ImageFixtures::Folder folder;
    const QUrl url = folder.jpeg("photo.jpg", {.width = 200, .height = 100});
    CIImageCache::cache(1);
    CIImageCache::cache(0.5);
    LogCapture log;

    const auto full = CIImageCache::image(url);
    ASSERT_TRUE(full);
    EXPECT_EQ(QSize(full->width(), full->height()), QSize(200, 100));
    const auto same = CIImageCache::image(url, 1);
    ASSERT_TRUE(same);
    EXPECT_EQ(QSize(same->width(), same->height()), QSize(200, 100)) << "scale 1 never resamples";
    const auto half = CIImageCache::image(url, 0.5);
    ASSERT_TRUE(half);
    EXPECT_EQ(QSize(half->width(), half->height()), QSize(100, 50));
    const auto pixels = half->bitmap();
    ASSERT_TRUE(pixels);
    EXPECT_EQ(QSize(pixels->width, pixels->height), QSize(100, 50));
    EXPECT_EQ(pixels->pixels.size(), 100 * 4 * 50);

    EXPECT_EQ(logText(log),
              "Reading photo.jpg from disk\nReading photo.jpg from disk\nReading photo.jpg from disk");
    EXPECT_EQ(CIImageCache::cache(1).count(), 0);
    EXPECT_EQ(CIImageCache::cache(0.5).count(), 0);
}

TEST(ImageCaches, StoredEntriesAreFoundWithoutReading)
{
    ImageFixtures::Folder folder;
    const QUrl url = folder.jpeg("photo.jpg", {.width = 200, .height = 100});
    const QUrl gone = QUrl::fromLocalFile(folder.path("gone.jpg"));
    CIImageCache::cache(0.5).setObject(gone, *CIImageCache::image(url, 0.5));
    LogCapture log;
    const auto stored = CIImageCache::image(gone, 0.5);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->width(), 100);
    EXPECT_TRUE(log.systemLines().isEmpty());

    // Without the entry the same file is looked for on disk, and is not there.
    CIImageCache::cache(0.5).removeObject(gone);
    EXPECT_FALSE(CIImageCache::image(gone, 0.5));
    EXPECT_EQ(logText(log), "Reading gone.jpg from disk");

    PreparedImage bitmap;
    bitmap.width = 3;
    CGImageCache::cache(2).setObject(url, bitmap);
    ASSERT_TRUE(CGImageCache::cache(2).object(url));
    EXPECT_EQ(CGImageCache::cache(2).object(url)->width, 3);
    CGImageCache::cache(2).removeAllObjects();
    EXPECT_FALSE(CGImageCache::cache(2).object(url));
}

TEST(ImageCaches, UnreadableFilesAndBadScalesGiveNothing)
{
    ImageFixtures::Folder folder;
    const QUrl garbage = folder.bytes("garbage.jpg", "not a picture");
    const QUrl url = folder.jpeg("photo.jpg", {.width = 200, .height = 100});
    CIImageCache::cache(1);
    CIImageCache::cache(0.5);
    LogCapture log;
    EXPECT_FALSE(CIImageCache::image(garbage, 0.5));
    EXPECT_EQ(logText(log), "Reading garbage.jpg from disk");
    for (const double scale : {0.0, -1.0, std::numeric_limits<double>::infinity(), 1e-9}) {
        EXPECT_FALSE(CIImageCache::image(url, scale)) << scale;
    }
}
