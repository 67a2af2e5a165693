#include "support/LogCapture.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace KestrelExtensions;

TEST(Log, CaptureSeparatesStreamsAndConcurrentWritersLoseNoLine)
{
    LogCapture capture;
    Log::system(QStringLiteral("Rendering PDF due to image change"));
    Log::out(QStringLiteral("Exporting PDF to /tmp/a.pdf"));
    EXPECT_EQ(capture.systemLines(), QStringList{"Rendering PDF due to image change"});
    EXPECT_EQ(capture.outLines(), QStringList{"Exporting PDF to /tmp/a.pdf"});

    capture.clear();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 250; ++i)
                Log::system(QStringLiteral("thread %1 line %2").arg(t).arg(i));
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(capture.systemLines().size(), 1000);
}
