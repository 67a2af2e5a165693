#include "RuvedovUzedoz/Sheet/PDFMetadata.h"
#include "RuvedovUzedoz/Sheet/PDFProgress.h"
#include "support/LogCapture.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <thread>

using namespace RuvedovUzedoz;

TEST(PDFMetadataTests, EveryFieldTakesPartInEqualityUpToCanonicalEquivalence)
{
    const PDFMetadata base{"Title", "Author", "Subject", {"a", "b"}, "Header", "Footer"};
    const PDFMetadata differing[] = {
        {"Other", "Author", "Subject", {"a", "b"}, "Header", "Footer"},
        {"Title", "Other", "Subject", {"a", "b"}, "Header", "Footer"},
        {"Title", "Author", "Other", {"a", "b"}, "Header", "Footer"},
        {"Title", "Author", "Subject", {"b", "a"}, "Header", "Footer"},
        {"Title", "Author", "Subject", {"a"}, "Header", "Footer"},
        {"Title", "Author", "Subject", {"a", "b"}, "Other", "Footer"},
        {"Title", "Author", "Subject", {"a", "b"}, "Header", "Other"},
    };
    for (const PDFMetadata& other : differing)
        EXPECT_NE(base, other) << other.title.toStdString() << other.header.toStdString();
    EXPECT_NE(PDFMetadata{}, (PDFMetadata{.keywords = {""}}));
    const QString precomposed = QStringLiteral("Caf\u00e9"), combining = QStringLiteral("Cafe\u0301");
    EXPECT_EQ(PDFMetadata{.title = precomposed}, PDFMetadata{.title = combining});
    EXPECT_EQ(PDFMetadata{.keywords = {precomposed}}, PDFMetadata{.keywords = {combining}});
    EXPECT_NE(PDFMetadata{.title = precomposed}, PDFMetadata{.title = QStringLiteral("Cafe")});
    // Compatibility forms look alike but are other text: a ligature, a superscript digit.
    EXPECT_NE(PDFMetadata{.keywords = {QStringLiteral("\ufb01le")}}, PDFMetadata{.keywords = {"file"}});
    EXPECT_NE(PDFMetadata{.title = QStringLiteral("m\u00b2")}, PDFMetadata{.title = QStringLiteral("m2")});
}

TEST(PDFProgressTests, StartsIdleAndSignalsRealChangesOnly)
{
    KestrelExtensions::LogCapture log;
    PDFProgress progress;
    EXPECT_EQ(log.systemLines(), QStringList{"Creating new PDFProgress!!"});
    EXPECT_FALSE(progress.isRendering());
    QSignalSpy completed(&progress, &PDFProgress::completedUnitCountChanged);
    QSignalSpy total(&progress, &PDFProgress::totalUnitCountChanged);
    QSignalSpy rendering(&progress, &PDFProgress::isRenderingChanged);
    QSignalSpy changed(&progress, &PDFProgress::changed);
    progress.setRendering(true);
    progress.setTotalUnitCount(3);
    for (float page : {1.0f, 2.0f, 3.0f, 3.0f})
        progress.setCompletedUnitCount(page);
    progress.setRendering(false);
    EXPECT_EQ(completed.count(), 3);
    EXPECT_EQ(completed.last().at(0).toFloat(), 3.0f);
    EXPECT_EQ(total.count(), 1);
    EXPECT_EQ(rendering.count(), 2);
    EXPECT_EQ(changed.count(), 6);
    EXPECT_EQ(progress.property("completedUnitCount").toFloat(), 3.0f);
}

TEST(PDFProgressTests, TheLastOwnerOnAnotherThreadHandsDeletionToTheObjectsThread)
{
    std::shared_ptr<PDFProgress> progress = PDFProgress::create();
    QPointer<PDFProgress> watched = progress.get();
    std::thread([owned = std::move(progress)]() mutable { owned.reset(); }).join();
    ASSERT_FALSE(watched.isNull()) << "deleted off its own thread";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watched.isNull());
    progress = PDFProgress::create();
    watched = progress.get();
    progress.reset();
    EXPECT_TRUE(watched.isNull());
}
