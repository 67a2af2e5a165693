#include "support/LogCapture.h"

#include <gtest/gtest.h>

using namespace KestrelExtensions;

TEST(Log, CaptureSeparatesTheStreams)
{
    LogCapture capture;
    Log::system(QStringLiteral("Rendering PDF due to image change"));
    Log::out(QStringLiteral("Exporting PDF to /tmp/a.pdf"));
    EXPECT_EQ(capture.systemLines(), QStringList{"Rendering PDF due to image change"});
    EXPECT_EQ(capture.outLines(), QStringList{"Exporting PDF to /tmp/a.pdf"});
}
