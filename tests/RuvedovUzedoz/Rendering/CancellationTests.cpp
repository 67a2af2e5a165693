#include "RenderFixtures.h"
#include "RuvedovUzedoz/Images/Cancellation.h"
#include "RuvedovUzedoz/Rendering/RenderPool.h"
#include "RuvedovUzedoz/Sheet/ContactSheet.h"
#include "support/LogCapture.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace RuvedovUzedoz;
using KestrelExtensions::LogCapture;
using RenderFixtures::spinUntil;
using RenderFixtures::waitFor;

namespace {

// The decoder programs that this process has running.
int runningDecoders()
{
    int count = 0;
    const QString parent = QString::number(::getpid());
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // pid (name) state ppid ...
        const QByteArray line = stat.readAll();
        const qsizetype close = line.lastIndexOf(')');
        const QList<QByteArray> rest = line.mid(close + 2).split(' ');
        if (line.contains("(sheetwright-dec") && rest.size() > 1 && rest[1] == parent.toLatin1())
            ++count;
    }
    return count;
}

// A render of one huge cell, without compression, of an SVG whose filters take minutes to draw at that size.
QFuture<std::optional<PDFInfo>> startRunawayRender(const QTemporaryDir& folder)
{
    QFile file(folder.filePath(QStringLiteral("turbulence.svg")));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"16000\" height=\"16000\"><filter id=\"f\">"
               "<feTurbulence baseFrequency=\"0.05\" numOctaves=\"30\"/><feGaussianBlur stdDeviation=\"50\"/>"
               "</filter><rect width=\"16000\" height=\"16000\" filter=\"url(#f)\"/></svg>");
    file.close();
    QFuture<std::optional<PDFInfo>> future =
        RenderFixtures::sheetOf({QUrl::fromLocalFile(file.fileName())})
            .generatePDF(RenderFixtures::layout(
                {.width = 3000, .height = 3000, .enableQuartz = false, .rows = 1, .columns = 1}));
    spinUntil([] { return runningDecoders() > 0; });
    return future;
}

} // namespace

// Closing a window or replacing its render cancels the render's future: the decoder under way is stopped
// and the render ends without a PDF. Quitting while a picture decodes for minutes: everything comes to
// rest within the quit's wait.
TEST(RenderCancellation, CancellingOrQuittingStopsTheDecodeUnderWay)
{
    QTemporaryDir folder;
    LogCapture log;
    QFuture<std::optional<PDFInfo>> future = startRunawayRender(folder);
    ASSERT_EQ(runningDecoders(), 1);
    future.cancel();
    waitFor(future);
    EXPECT_EQ(runningDecoders(), 0);
    EXPECT_TRUE(log.systemLines().contains(QStringLiteral("PDF rendering cancelled")));
    EXPECT_TRUE(log.systemLines().filter(QStringLiteral("Cannot read image")).isEmpty())
        << "a cancelled picture is not a bad one";

    // The tests after this one in the same program render again.
    const auto resume = qScopeGuard([] { Cancellation::resumeAll(); });
    future = startRunawayRender(folder);
    ASSERT_EQ(runningDecoders(), 1);
    EXPECT_TRUE(stopAllRenders(std::chrono::milliseconds(1500)));
    EXPECT_EQ(runningDecoders(), 0);
    waitFor(future);
    EXPECT_FALSE(future.result());
}
