#include "ImageFixtures.h"
#include "RuvedovUzedoz/Images/Cancellation.h"
#include "RuvedovUzedoz/Images/DecodeBudget.h"
#include "RuvedovUzedoz/Images/ImagePipeline.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>
#include <thread>

using namespace RuvedovUzedoz;
using namespace ImageFixtures;
using KestrelExtensions::LogCapture;

namespace {

// Requests for pictures of widths 10, 11, 12, ... so each result tells which request it came from.
std::vector<ImageRequest> numberedRequests(const Folder& folder, int count)
{
    std::vector<ImageRequest> requests;
    for (int i = 0; i < count; ++i)
        requests.push_back({folder.jpeg(QString("picture-%1.jpg").arg(i), {10 + i, 8}), QSizeF(100, 100)});
    return requests;
}

} // namespace

TEST(ImagePipeline, DeliversEveryPictureInOrderAndIsSafeWhateverIsTakenOrVanishes)
{
    Folder folder;
    std::vector<ImageRequest> requests = numberedRequests(folder, 12);
    requests[5].url = folder.bytes("garbage.jpg", "not a picture");
    for (const int lookahead : {1, 3, 0}) {
        LogCapture log;
        ImagePipeline pipeline(requests, passingThrough(), lookahead);
        for (size_t i = 0; i < requests.size(); ++i)
            EXPECT_EQ(pipeline.take(i).value_or(PreparedImage()).width, i == 5 ? 0 : 10 + int(i)) << i;
        EXPECT_FALSE(pipeline.take(requests.size())) << "past the end";
        ASSERT_EQ(log.systemLines().size(), 1);
        EXPECT_TRUE(log.systemLines().first().startsWith("Cannot read image garbage.jpg: "));
    }

    requests = numberedRequests(folder, 10);
    {
        ImagePipeline pipeline(requests, passingThrough(), 2);
        ASSERT_TRUE(pipeline.take(0));
        EXPECT_FALSE(pipeline.take(0)) << "each index is taken once";
        EXPECT_EQ(pipeline.take(7).value_or(PreparedImage()).width, 17);
        // Ends with work still queued and under way.
    }
    EXPECT_EQ(DecodeBudget::held(), 0) << "every share goes back";

    // Look-ahead 1: the last picture is not prepared before it is asked for, so only its own cell is lost.
    LogCapture log;
    ImagePipeline pipeline(requests, ImageSettings{}, 1);
    ASSERT_TRUE(pipeline.take(0));
    ASSERT_TRUE(QFile::remove(requests[5].url.toLocalFile()));
    for (size_t i = 1; i < 5; ++i)
        EXPECT_TRUE(pipeline.take(i)) << i;
    EXPECT_FALSE(pipeline.take(5));
    EXPECT_EQ(log.systemLines(), QStringList{"Cannot read image picture-5.jpg: the file does not exist"});
}

// A WebP's loader needs twice its pixels' bytes, so one that would fit once decodes alone.
TEST(ImagePipeline, DecodedPixelsStayWithinTheBudget)
{
    Folder folder;
    const qint64 transparent = 510 * 500 * 4, webp = 1000 * 500 * 4 * 2;
    // Takes every picture in order with the budget at `capacity`; the most held as they are taken.
    const auto takeAll = [](const std::vector<ImageRequest>& requests, qint64 capacity, auto expected) {
        DecodeBudget::setCapacity(capacity);
        LogCapture log;
        qint64 most = 0;
        {
            ImagePipeline pipeline(requests, passingThrough(), 8);
            for (size_t i = 0; i < requests.size(); ++i) {
                const auto image = pipeline.take(i).value_or(PreparedImage());
                EXPECT_EQ(std::pair(image.width, image.encoding), expected(int(i))) << i;
                most = std::max(most, DecodeBudget::held());
            }
        }
        EXPECT_EQ(DecodeBudget::held(), 0) << "every share goes back";
        EXPECT_EQ(log.systemLines(), QStringList()) << "a picture put off is not a bad one";
        return most;
    };
    std::vector<ImageRequest> large, bombs;
    for (int i = 0; i < 10; ++i)
        large.push_back(
            {folder.pngWithAlpha(QString("large-%1.png").arg(i), 500 + i, 500), QSizeF(100, 100)});
    for (int i = 0; i < 8; ++i) {
        const bool webp = i % 3 == 1; // one colour: a file a fraction of its pixels
        const Image black = picture(webp ? 1000 : 500 + i, 500, 3, [](int, int, int) { return 0; });
        bombs.push_back(
            {folder.save(QString("bomb-%1").arg(i), black.get(), webp ? ".webp[lossless]" : ".png"),
             QSizeF(100, 100)});
    }
    EXPECT_LE(takeAll(large, 3 * transparent,
                      [](int i) { return std::pair(500 + i, PreparedImage::Encoding::Pixels); }),
              4 * transparent);
    EXPECT_LE(takeAll(large, 1, [](int i) { return std::pair(500 + i, PreparedImage::Encoding::Pixels); }),
              transparent);
    takeAll(bombs, 3 * 507 * 500 * 4,
            [](int i) { return std::pair(i % 3 == 1 ? 1000 : 500 + i, PreparedImage::Encoding::Deflated); });
    EXPECT_EQ(DecodeBudget::peak(), webp) << "a WebP charged twice, alone";
    {
        ImagePipeline abandoned(large, passingThrough(), 8);
    }
    EXPECT_EQ(DecodeBudget::held(), 0) << "a pipeline that goes waits for the work it started";
    DecodeBudget::setCapacity(DecodeBudget::defaultCapacity);
}

TEST(DecodeBudget, AdmitsExactlyWhatFitsAndTheWaitedForDecodeOnceNoneRuns)
{
    DecodeBudget::setCapacity(100);
    EXPECT_TRUE(DecodeBudget::tryStartDecode(60));
    EXPECT_FALSE(DecodeBudget::tryStartDecode(41));
    EXPECT_TRUE(DecodeBudget::tryStartDecode(40));
    EXPECT_EQ(DecodeBudget::peak(), 100);
    DecodeBudget::hold(30); // made already: held whatever the budget
    EXPECT_EQ(std::pair(DecodeBudget::held(), DecodeBudget::peak()), std::pair(qint64(130), qint64(130)));
    Cancellation cancelled, running;
    cancelled.cancel();
    EXPECT_FALSE(DecodeBudget::startDecodeFirst(1, &cancelled)) << "waits while another decode runs";
    std::thread ending([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20)); // whichever comes first, it goes
        DecodeBudget::endDecode(100);
    });
    EXPECT_TRUE(DecodeBudget::startDecodeFirst(500, &running));
    ending.join();
    EXPECT_EQ(DecodeBudget::peak(), 530);
    DecodeBudget::release(30);
    DecodeBudget::setCapacity(1000); // a new peak, from what is under way
    EXPECT_EQ(std::pair(DecodeBudget::held(), DecodeBudget::peak()), std::pair(qint64(500), qint64(500)));
    DecodeBudget::endDecode(500);
    DecodeBudget::setCapacity(DecodeBudget::defaultCapacity);
}

TEST(Cancellation, FollowsItsParentAndTheProcessQuitting)
{
    const auto parent = std::make_shared<Cancellation>();
    const Cancellation child(parent);
    Cancellation::cancelAll();
    EXPECT_TRUE(child.isCancelled() && Cancellation::allCancelled());
    Cancellation::resumeAll();
    EXPECT_FALSE(child.isCancelled() || Cancellation::allCancelled());
    parent->cancel();
    EXPECT_TRUE(child.isCancelled());
}
