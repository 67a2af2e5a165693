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

// A render of one huge cell, without compression, of an SVG whose filters take minutes to draw at that size:
// in memory, into a folder of renders, or written to a file.
enum class Target { Memory, Folder, File };
QFuture<void> startRunawayRender(const QTemporaryDir& folder, Target target = Target::Memory)
{
    QFile file(folder.filePath(QStringLiteral("turbulence.svg")));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"16000\" height=\"16000\"><filter id=\"f\">"
               "<feTurbulence baseFrequency=\"0.05\" numOctaves=\"30\"/><feGaussianBlur stdDeviation=\"50\"/>"
               "</filter><rect width=\"16000\" height=\"16000\" filter=\"url(#f)\"/></svg>");
    file.close();
    const ContactSheet sheet = RenderFixtures::sheetOf({QUrl::fromLocalFile(file.fileName())});
    const PageLayout layout = RenderFixtures::layout(
        {.width = 3000, .height = 3000, .enableQuartz = false, .rows = 1, .columns = 1});
    const QFuture<void> future = target == Target::Memory ? QFuture<void>(sheet.generatePDF(layout))
                                 : target == Target::Folder
                                     ? QFuture<void>(sheet.generatePDF(layout, folder.filePath("renders")))
                                     : sheet.writePDF(folder.filePath("out.pdf"), layout);
    spinUntil([] { return runningDecoders() > 0; });
    return future;
}

} // namespace

// Closing a window or replacing its render cancels its future; quitting must come to rest within its wait.
TEST(RenderCancellation, CancellingOrQuittingStopsTheDecodeUnderWay)
{
    QTemporaryDir folder;
    LogCapture log;
    for (const Target target : {Target::Memory, Target::Folder, Target::File}) {
        QFuture<void> future = startRunawayRender(folder, target);
        ASSERT_EQ(runningDecoders(), 1);
        future.cancel();
        waitFor(future);
        EXPECT_EQ(runningDecoders(), 0) << int(target);
    }
    EXPECT_EQ(log.systemLines().count(QStringLiteral("PDF rendering cancelled")),
              2); // no PDF in memory or folder
    EXPECT_FALSE(QFile::exists(folder.filePath("out.pdf")));
    EXPECT_TRUE(log.systemLines().filter(QStringLiteral("Cannot read image")).isEmpty())
        << "a cancelled picture is not a bad one";

    // The tests after this one in the same program render again.
    const auto resume = qScopeGuard([] { Cancellation::resumeAll(); });
    const QFuture<void> stopped = startRunawayRender(folder);
    ASSERT_EQ(runningDecoders(), 1);
    EXPECT_TRUE(stopAllRenders(std::chrono::milliseconds(1500)));
    EXPECT_EQ(runningDecoders(), 0);
    waitFor(stopped);
    EXPECT_EQ(log.systemLines().count(QStringLiteral("PDF rendering cancelled")), 3);
}
