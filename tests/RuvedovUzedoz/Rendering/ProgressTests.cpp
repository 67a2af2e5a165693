#include "RenderFixtures.h"
#include "RuvedovUzedoz/Pdf/PdfDocument.h"
#include "RuvedovUzedoz/Pdf/PdfPage.h"
#include "RuvedovUzedoz/Rendering/ProgressByDocument.h"
#include "RuvedovUzedoz/Sheet/PDFProgress.h"
#include "support/LogCapture.h"

#include <QCoreApplication>
#include <QThread>
#include <QtConcurrent>
#include <gtest/gtest.h>

using namespace RuvedovUzedoz;

namespace {

std::shared_ptr<PdfDocument> documentOf(int pages, std::vector<std::shared_ptr<PdfPage>>& held)
{
    auto document = std::make_shared<PdfDocument>();
    for (int i = 0; i < pages; ++i) {
        held.push_back(std::make_shared<PdfPage>());
        document->insertPage(held.back(), i);
    }
    return document;
}

} // namespace

TEST(ProgressByDocument, TicksSetThePageNumberUntilTheRenderCloses)
{
    std::vector<std::shared_ptr<PdfPage>> pages;
    const auto document = documentOf(3, pages);
    const auto other = documentOf(2, pages); // another render sharing the progress
    const auto progress = PDFProgress::create();
    KestrelExtensions::LogCapture log;
    ProgressByDocument::insert(documentOf(1, pages), nullptr); // half an entry is none
    ProgressByDocument::insert(nullptr, progress);
    ProgressByDocument::insert(document, progress);
    ProgressByDocument::insert(other, progress);
    EXPECT_EQ(ProgressByDocument::count(), 2);
    updateProgress(*pages[0]);
    EXPECT_EQ(progress->completedUnitCount(), 1);
    updateProgress(*pages[2]);
    updateProgress(*pages[1]); // late ticks overwrite: the count is the page last ticked
    EXPECT_EQ(progress->completedUnitCount(), 2);
    ProgressByDocument::remove(document->id());
    updateProgress(*pages[0]); // after closing: nothing, not even a log line
    EXPECT_EQ(progress->completedUnitCount(), 2);
    updateProgress(*pages[3]); // the other render's first page
    EXPECT_EQ(progress->completedUnitCount(), 1);
    ProgressByDocument::remove(other->id());
    EXPECT_EQ(ProgressByDocument::count(), 0);
    EXPECT_TRUE(log.systemLines().isEmpty());
}

TEST(ProgressByDocument, APageOutsideADocumentIsLogged)
{
    KestrelExtensions::LogCapture log;
    PdfPage page;
    updateProgress(page);
    EXPECT_EQ(log.systemLines(), QStringList{"Page " + page.description() + " has no associated document"});
}

TEST(ProgressByDocument, TicksPostedFromAWorkerArriveOnTheMainThread)
{
    std::vector<std::shared_ptr<PdfPage>> pages;
    const auto document = documentOf(2, pages);
    const auto progress = PDFProgress::create();
    ProgressByDocument::insert(document, progress);
    QThread* tickThread = nullptr;
    QObject::connect(
        progress.get(), &PDFProgress::completedUnitCountChanged, progress.get(),
        [&] { tickThread = QThread::currentThread(); }, Qt::DirectConnection);
    QtConcurrent::run([page = pages[1]] { postProgress(*page); }).waitForFinished();
    RenderFixtures::spinUntil([&] { return progress->completedUnitCount() == 2; });
    EXPECT_EQ(progress->completedUnitCount(), 2);
    EXPECT_EQ(tickThread, QCoreApplication::instance()->thread());
    ProgressByDocument::remove(document->id());
}

namespace {

// A page that, like a contact sheet page, reports itself once drawn; it draws nothing, so a render of
// such pages ends about as soon as it starts.
class TickingPage : public PdfPage {
public:
    TickingPage() { setMediaBox(QRectF(0, 0, 100, 100)); }
    void draw(PdfDisplayBox, GraphicsContext&) override { postProgress(*this); }
};

} // namespace

TEST(ProgressByDocument, EveryPageIsCountedInOrderBeforeTheRenderCloses)
{
    // The closing must not overtake the pages' ticks, however quickly the drawing ends.
    for (int run = 0; run < 100; ++run) {
        auto document = std::make_shared<PdfDocument>();
        for (int i = 0; i < 3; ++i)
            document->insertPage(std::make_shared<TickingPage>(), i);
        const auto progress = PDFProgress::create();
        QList<float> completed;
        QObject::connect(progress.get(), &PDFProgress::completedUnitCountChanged,
                         [&](float value) { completed << value; });
        QFuture<std::optional<PDFInfo>> future = ContactSheet::render(document, progress);
        RenderFixtures::waitFor(future);
        ASSERT_TRUE(future.result());
        ASSERT_EQ(completed, (QList<float>{1, 2, 3})) << "run " << run;
        EXPECT_FALSE(progress->isRendering());
        EXPECT_EQ(ProgressByDocument::count(), 0);
    }
}
