#include "KestrelUpdater/Interface/DialogUserDriver.h"
#include "UpdaterFixture.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTextBrowser>

using namespace KestrelUpdater;

namespace {

template <typename Window> QList<Window*> shown()
{
    QList<Window*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<Window*>(widget); window && window->isVisible())
            windows.append(window);
    return windows;
}

QPushButton* button(QWidget* dialog, const QString& text)
{
    for (auto* candidate : dialog->findChildren<QPushButton*>())
        if (candidate->text() == text)
            return candidate;
    return nullptr;
}

class DialogUserDriverTest : public TestSupport::UpdaterFixture {
protected:
    void TearDown() override
    {
        for (QWidget* widget : QApplication::topLevelWidgets())
            delete widget;
        UpdaterFixture::TearDown();
    }

    CheckResult found()
    {
        AppcastItem item;
        item.version = "1.1";
        item.shortVersionString = "1.1 (Spring)";
        // A remote image in release notes must not be fetched (it would tell a server who reads them).
        item.description = "<p>Faster sheets</p><img src=\"" + server->url("/tracker.png").toString() + "\">";
        item.hasEnclosure = true;
        item.enclosure.url = server->url("/files/app.AppImage");
        return {CheckResult::Status::UpdateAvailable, item, {}, 200, {}};
    }

    DialogUserDriver driver;
};

TEST_F(DialogUserDriverTest, CheckProgressCancelsOnlyTheCheckAndClosesQuietly)
{
    driver.showCheckStarted(*updater);
    ASSERT_EQ(shown<QProgressDialog>().size(), 1);
    driver.dismissCheck();
    QApplication::processEvents();
    EXPECT_TRUE(shown<QProgressDialog>().isEmpty());
}

TEST_F(DialogUserDriverTest, FoundUpdateOffersReleaseNotesSkipAndDownload)
{
    driver.showUpdateFound(*updater, found());
    const auto dialogs = shown<QDialog>();
    ASSERT_EQ(dialogs.size(), 1);
    auto* notes = dialogs.first()->findChild<QTextBrowser*>();
    ASSERT_NE(notes, nullptr);
    EXPECT_TRUE(notes->toPlainText().contains("Faster sheets"));
    dialogs.first()->grab(); // paint it, images and all
    QTest::qWait(100);
    EXPECT_TRUE(server->requests().isEmpty());

    button(dialogs.first(), "Skip This Version")->click();
    EXPECT_EQ(updater->skippedVersion(), "1.1");

    driver.showUpdateFound(*updater, found());
    QSignalSpy downloaded(updater.get(), &Updater::downloadFinished);
    auto* dialog = shown<QDialog>().last();
    button(dialog, QString::fromUtf8("Download\u2026"))->click();
    EXPECT_TRUE(updater->isDownloading());
    ASSERT_TRUE(downloaded.wait(5000)); // nothing is served there: an error, shown as such
    EXPECT_EQ(downloaded.first().first().value<DownloadResult>().status, DownloadResult::Status::Error);
}

TEST_F(DialogUserDriverTest, OutcomesAreShownInMessageBoxes)
{
    driver.showUpToDate(*updater, {CheckResult::Status::UpToDate, std::nullopt, {}, 200, {}});
    driver.showCheckError(*updater,
                          {CheckResult::Status::Error, std::nullopt, "The update feed is too large.", 0, {}});
    DownloadResult ready;
    ready.status = DownloadResult::Status::Downloaded;
    ready.filePath = "/tmp/app.AppImage";
    ready.item.version = "1.1";
    driver.showDownloadFinished(*updater, ready);
    const auto boxes = shown<QMessageBox>();
    ASSERT_EQ(boxes.size(), 3);
    QStringList texts;
    int withShowInFolder = 0;
    for (QMessageBox* box : boxes) {
        texts << box->text();
        withShowInFolder += button(box, "Show in Folder") != nullptr;
    }
    EXPECT_EQ(texts.filter("is the newest version available").size(), 1);
    EXPECT_EQ(texts.filter("The update feed is too large.").size(), 1);
    EXPECT_EQ(texts.filter("/tmp/app.AppImage").size(), 1);
    EXPECT_EQ(withShowInFolder, 1);
}

} // namespace
