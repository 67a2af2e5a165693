#include "ImageFixtures.h"
#include "RuvedovUzedoz/Images/DecodeBudget.h"
#include "RuvedovUzedoz/Images/ImagePipeline.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

using namespace RuvedovUzedoz;
using ImageFixtures::passingThrough;
using KestrelExtensions::LogCapture;

namespace {

// Pictures of widths 10, 11, 12, ... so each result tells which request it came from.
std::vector<ImageRequest> numberedRequests(const ImageFixtures::Folder& folder, int count)
{
    std::vector<ImageRequest> requests;
    for (int i = 0; i < count; ++i) {
        requests.push_back({folder.jpeg(QString("picture-%1.jpg").arg(i), {.width = 10 + i, .height = 8}),
                            QSizeF(100, 100)});
    }
    return requests;
}

} // namespace

TEST(ImagePipeline, DeliversEveryPictureInRequestOrderAndLogsOnlyTheBadOne)
{
    ImageFixtures::Folder folder;
    std::vector<ImageRequest> requests = numberedRequests(folder, 12);
    requests[5].url = folder.bytes("garbage.jpg", "not a picture");
    for (const int lookahead : {1, 3, 0}) {
        LogCapture log;
        ImagePipeline pipeline(requests, passingThrough(), lookahead);
        for (size_t i = 0; i < requests.size(); ++i) {
            const auto image = pipeline.take(i);
            if (i == 5) {
                EXPECT_FALSE(image);
            } else {
                ASSERT_TRUE(image) << i;
                EXPECT_EQ(image->width, 10 + int(i));
            }
        }
        EXPECT_FALSE(pipeline.take(requests.size())) << "past the end";
        ASSERT_EQ(log.systemLines().size(), 1);
        EXPECT_TRUE(log.systemLines().first().startsWith("Cannot read image garbage.jpg: "));
    }
}

TEST(ImagePipeline, SkippedAndRepeatedIndexesAndEarlyEndAreSafe)
{
    ImageFixtures::Folder folder;
    const std::vector<ImageRequest> requests = numberedRequests(folder, 10);
    {
        ImagePipeline pipeline(requests, passingThrough(), 2);
        ASSERT_TRUE(pipeline.take(0));
        EXPECT_FALSE(pipeline.take(0)) << "each index is taken once";
        const auto far = pipeline.take(7);
        ASSERT_TRUE(far);
        EXPECT_EQ(far->width, 17);
        // Ends with work still queued and under way.
    }
    {
        ImagePipeline untouched(requests, passingThrough(), 4);
    }
    {
        ImagePipeline empty({}, passingThrough());
        EXPECT_FALSE(empty.take(0));
    }
}

TEST(ImagePipeline, AFileThatVanishesBeforePreparationOnlyLosesItsOwnCell)
{
    ImageFixtures::Folder folder;
    const std::vector<ImageRequest> requests = numberedRequests(folder, 6);
    LogCapture log;
    // Look-ahead 1: the last picture is not prepared before it is asked for.
    ImagePipeline pipeline(requests, ImageSettings{}, 1);
    ASSERT_TRUE(pipeline.take(0));
    ASSERT_TRUE(QFile::remove(requests[5].url.toLocalFile()));
    for (size_t i = 1; i < 5; ++i) {
        EXPECT_TRUE(pipeline.take(i)) << i;
    }
    EXPECT_FALSE(pipeline.take(5));
    ASSERT_EQ(log.systemLines().size(), 1);
    EXPECT_EQ(log.systemLines().first(), "Cannot read image picture-5.jpg: the file does not exist");
}

// Pictures whose decoded pixels overflow the budget are prepared when they are taken instead of ahead:
// every picture still arrives, in order, and the budget is never held past one picture over it.
TEST(ImagePipeline, DecodedPixelsAheadStayWithinTheBudget)
{
    ImageFixtures::Folder folder;
    std::vector<ImageRequest> requests;
    for (int i = 0; i < 10; ++i)
        requests.push_back(
            {folder.pngWithAlpha(QString("large-%1.png").arg(i), 500 + i, 500), QSizeF(100, 100)});
    const qint64 picture = 510 * 500 * 4;
    DecodeBudget::setCapacity(3 * picture);
    {
        ImagePipeline pipeline(requests, passingThrough(), 8);
        for (size_t i = 0; i < requests.size(); ++i) {
            const auto image = pipeline.take(i);
            ASSERT_TRUE(image) << i;
            EXPECT_EQ(image->width, 500 + int(i));
            EXPECT_LE(DecodeBudget::held(), 4 * picture) << i;
        }
    }
    EXPECT_EQ(DecodeBudget::held(), 0) << "every share goes back";
    DecodeBudget::setCapacity(DecodeBudget::defaultCapacity);
}

// Compression off, small pictures that decode large (PNG, lossless WebP): those that fit decode side by side,
// one that does not fit decodes alone when it is wanted. The WebP loader needs twice its pixels' bytes, so
// a WebP that would fit once never decodes beside another picture.
TEST(ImagePipeline, BombsWithCompressionOffNeverHoldMoreThanTheBudgetOrOnePicture)
{
    ImageFixtures::Folder folder;
    std::vector<ImageRequest> requests;
    for (int i = 0; i < 8; ++i) {
        const bool webp = i % 3 == 1;
        requests.push_back(
            {folder.bomb(QString("bomb-%1.%2").arg(i).arg(webp ? "webp" : "png"), webp ? 1000 : 500 + i, 500),
             QSizeF(100, 100)});
    }
    const qint64 webp = 1000 * 500 * 4 * 2;
    DecodeBudget::setCapacity(3 * 507 * 500 * 4);
    {
        ImagePipeline pipeline(requests, passingThrough(), 8);
        for (size_t i = 0; i < requests.size(); ++i) {
            const auto image = pipeline.take(i);
            ASSERT_TRUE(image) << i;
            EXPECT_EQ(image->encoding, PreparedImage::Encoding::Deflated);
            EXPECT_EQ(image->width, i % 3 == 1 ? 1000 : 500 + int(i));
        }
    }
    EXPECT_EQ(DecodeBudget::peak(), webp) << "a WebP charged twice, alone";
    EXPECT_EQ(DecodeBudget::held(), 0);
    DecodeBudget::setCapacity(DecodeBudget::defaultCapacity);
}
