#include "KestrelUpdater/Interface/DialogUserDriver.h"
#include "KestrelUpdater/Interface/FeedText.h"
#include "KestrelUpdater/Interface/ReleaseNotesView.h"
#include "UpdaterFixture.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QImage>
#include <QLabel>
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

// Stands in for the user's browser: records what would have been opened.
class BrowserRecorder : public QObject {
    Q_OBJECT
public:
    BrowserRecorder()
    {
        for (const char* scheme : {"https", "http", "file"})
            QDesktopServices::setUrlHandler(QLatin1String(scheme), this, "open");
    }
    ~BrowserRecorder() override
    {
        for (const char* scheme : {"https", "http", "file"})
            QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    }
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.append(url); }
};

TEST(FeedText, OneLineWithoutControlOrDirectionCharactersAndCut)
{
    const struct {
        QString text;
        QString shown;
    } cases[] = {
        {"1.1 (Spring)", "1.1 (Spring)"},
        {"1.1\n\r\t2", "1.12"},
        {QString::fromUtf8("1.1\u202Eexe.gpj\u2066x\u2069\u200B"), "1.1exe.gpjx"},
        {QString::fromUtf8("a\u2028b\u2029c"), "abc"},
        {QString(100, u'9'), QString(80, u'9') + QString::fromUtf8("\u2026")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(feedText(c.text), c.shown) << c.text.toStdString();
}

class DialogUserDriverTest : public TestSupport::UpdaterFixture {
protected:
    void TearDown() override
    {
        for (QWidget* widget : QApplication::topLevelWidgets())
            delete widget;
        UpdaterFixture::TearDown();
    }

    CheckResult found(const QString& notes = "<p>Faster sheets</p>", const QString& version = "1.1 (Spring)")
    {
        AppcastItem item = downloadItem("/files/app.AppImage", 4);
        item.shortVersionString = version;
        item.description = notes;
        return {CheckResult::Status::UpdateAvailable, item, {}, 200, {}};
    }

    // The notes view of a freshly shown update dialog, painted once.
    ReleaseNotesView* showNotes(const QString& notes)
    {
        driver.showUpdateFound(*updater, found(notes));
        EXPECT_EQ(shown<QDialog>().size(), 1);
        auto* dialog = shown<QDialog>().last();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
        dialog->grab();
        return dialog->findChild<ReleaseNotesView*>();
    }

    DialogUserDriver driver;
};

TEST_F(DialogUserDriverTest, CheckProgressCancelsOnlyTheCheckAndClosesQuietly)
{
    TestSupport::LocalHttpServer::Response stalled;
    stalled.stall = true;
    server->route(releasesPath(), stalled);
    updater->check(Updater::CheckMode::Probe);
    driver.showCheckStarted(*updater);
    ASSERT_EQ(shown<QProgressDialog>().size(), 1);
    driver.dismissCheck();
    QApplication::processEvents();
    EXPECT_TRUE(shown<QProgressDialog>().isEmpty());
    EXPECT_TRUE(updater->isChecking()); // closed by the updater, not cancelled by the user

    driver.showCheckStarted(*updater);
    button(shown<QProgressDialog>().first(), "Cancel")->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !updater->isChecking(); }, 3000));
}

TEST_F(DialogUserDriverTest, FoundUpdateOffersReleaseNotesSkipAndDownload)
{
    driver.showUpdateFound(*updater, found());
    const auto dialogs = shown<QDialog>();
    ASSERT_EQ(dialogs.size(), 1);
    auto* notes = dialogs.first()->findChild<QTextBrowser*>();
    ASSERT_NE(notes, nullptr);
    EXPECT_TRUE(notes->toPlainText().contains("Faster sheets"));

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

TEST_F(DialogUserDriverTest, OutcomesAreShownInMessageBoxesAndFeedStringsAsPlainText)
{
    const QString hostile = "<img src=\"/dev/zero\"><b>9.9</b>";
    // After leaving the beta channel the feed's newest is older than what runs: name what runs.
    AppcastItem older;
    older.version = "0.9";
    driver.showUpToDate(*updater, {CheckResult::Status::UpToDate, older, {}, 200, {}});
    driver.showCheckError(*updater, {CheckResult::Status::Error, std::nullopt, hostile, 0, {}});
    DownloadResult ready;
    ready.status = DownloadResult::Status::Downloaded;
    ready.filePath = "/tmp/<img src=x>.AppImage";
    ready.item.shortVersionString = hostile;
    ready.signatureVerified = true;
    driver.showDownloadFinished(*updater, ready);
    ready.filePath = "/tmp/unverified.AppImage";
    ready.item.shortVersionString = "1.1";
    ready.signatureVerified = false;
    driver.showDownloadFinished(*updater, ready);
    const auto boxes = shown<QMessageBox>();
    ASSERT_EQ(boxes.size(), 4);
    QStringList texts;
    int withShowInFolder = 0;
    for (QMessageBox* box : boxes) {
        texts << box->text();
        withShowInFolder += button(box, "Show in Folder") != nullptr;
    }
    const QStringList upToDate = texts.filter("is currently the newest version available");
    ASSERT_EQ(upToDate.size(), 1);
    EXPECT_TRUE(upToDate.first().contains(" 1.0 ")) << upToDate.first().toStdString();
    EXPECT_FALSE(upToDate.first().contains("0.9"));
    EXPECT_EQ(texts.filter(hostile).size(), 2); // the error and the ready download's version
    EXPECT_EQ(texts.filter("/tmp/<img src=x>.AppImage").size(), 1);
    // Only the unverified download says so, plainly.
    EXPECT_EQ(texts.filter("could not be verified").size(), 1);
    EXPECT_EQ(texts.filter("/tmp/unverified.AppImage").filter("could not be verified").size(), 1);
    EXPECT_EQ(withShowInFolder, 2);

    driver.showUpdateFound(*updater, found("<p>notes</p>", hostile));
    driver.showDownloadStarted(*updater, *found({}, hostile).item);
    int labels = 0;
    for (QWidget* window : QApplication::topLevelWidgets())
        for (QLabel* label : window->findChildren<QLabel*>())
            if (label->text().contains("<img")) {
                ++labels;
                EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
            }
    // The found dialog, the download's progress, the ready download and the error.
    EXPECT_EQ(labels, 4);
}

TEST_F(DialogUserDriverTest, ReleaseNotesLoadNothingTheyName)
{
    // A large picture on disk: if any of these references were loaded, the notes would grow to its size.
    QTemporaryDir folder;
    QImage picture(600, 600, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(folder.filePath("marker.png")));
    const QString local = QUrl::fromLocalFile(folder.filePath("marker.png")).toString();
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder.path()); // where a relative name would be looked up
    const QString cases[] = {
        "<img src=\"" + local + "\">",
        "<img src=\"" + folder.filePath("marker.png") + "\">",
        "<img src=\"marker.png\">",
        "<table background=\"" + local + "\"><tr><td>x</td></tr></table>",
        "<img src=\"" + server->url("/marker.png").toString() + "\">",
    };
    for (const QString& notes : cases) {
        ReleaseNotesView* view = showNotes("<p>Notes</p>" + notes);
        ASSERT_NE(view, nullptr);
        view->window()->close();
        EXPECT_TRUE(view->showsRichText());
        EXPECT_LT(view->document()->size().width(), 500) << notes.toStdString();
        EXPECT_LT(view->document()->size().height(), 500) << notes.toStdString();
    }
    QDir::setCurrent(previous);
    QTest::qWait(50);
    EXPECT_TRUE(server->requests().isEmpty());
}

TEST_F(DialogUserDriverTest, OnlyHttpsLinksLeaveTheNotesForTheBrowser)
{
    BrowserRecorder browser;
    ReleaseNotesView* view =
        showNotes("<p><a href=\"file:///etc/hostname\">LOCAL</a></p><p><a href=\"more.html\">RELATIVE</a></p>"
                  "<p><a href=\"http://127.0.0.1:9/notes\">PLAIN</a></p>"
                  "<p><a href=\"https://example.org/notes\">SECURE</a></p>");
    ASSERT_NE(view, nullptr);
    const QString text = view->toPlainText();
    for (const char* anchor : {"LOCAL", "RELATIVE", "PLAIN", "SECURE"}) {
        const QTextCursor found = view->document()->find(QLatin1String(anchor));
        ASSERT_FALSE(found.isNull()) << anchor;
        QTextCursor inside(view->document());
        inside.setPosition(found.selectionStart() + 1);
        const QPoint at = view->cursorRect(inside).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QApplication::processEvents();
        // The dialog keeps showing the notes: nothing was loaded into it.
        EXPECT_EQ(view->toPlainText(), text) << anchor;
        EXPECT_TRUE(view->source().isEmpty()) << anchor;
    }
    EXPECT_EQ(browser.opened, QList<QUrl>{QUrl("https://example.org/notes")});
}

TEST_F(DialogUserDriverTest, NotesTooLargeOrTooDeepAreShownAsPlainText)
{
    const struct {
        const char* name;
        QString notes;
        bool rich;
    } cases[] = {
        {"ordinary",
         "<h3>New</h3><ul><li>Faster<ul><li>much</li></ul></li></ul><table><tr><td>a</td></tr></table>",
         true},
        {"deep but allowed", QString("<div>").repeated(ReleaseNotesView::maximumRichTextDepth) + "x", true},
        {"one level too deep", QString("<div>").repeated(ReleaseNotesView::maximumRichTextDepth + 1) + "x",
         false},
        {"3000 nested tables", QString("<table><tr><td>").repeated(3000) + "x", false},
        {"20000 nested lists", QString("<ul><li>").repeated(20000) + "x", false},
        {"stray end tags", QString("<table></b><tr><td></i>").repeated(3000) + "x", false},
        {"siblings", QString("<div>x</div>").repeated(ReleaseNotesView::maximumRichTextDepth * 2), true},
        {"closed nesting",
         QString("<ul><ul><ul>x</ul></ul></ul>").repeated(ReleaseNotesView::maximumRichTextDepth * 2), true},
        {"as many tags as allowed", QString("<br>").repeated(ReleaseNotesView::maximumRichTextTags), true},
        {"one tag too many", QString("<br>").repeated(ReleaseNotesView::maximumRichTextTags + 1), false},
        {"huge", "<p>" + QString("word ").repeated(ReleaseNotesView::maximumRichTextSize / 5) + "</p>",
         false},
        {"long prose", "<p>" + QString("word ").repeated(ReleaseNotesView::maximumRichTextSize / 6) + "</p>",
         true},
        {"a last lone <", "<p>x</p><", true},
        {"one endless word", "<p>" + QString(ReleaseNotesView::maximumRichTextWord + 1, u'x') + "</p>",
         false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReleaseNotesView::fitsRichText(c.notes), c.rich) << c.name;
        ReleaseNotesView* view = showNotes(c.notes);
        ASSERT_NE(view, nullptr) << c.name;
        EXPECT_EQ(view->showsRichText(), c.rich) << c.name;
        if (!c.rich) {
            EXPECT_TRUE(view->toPlainText().startsWith(c.notes.left(10))) << c.name;
            EXPECT_LE(view->toPlainText().size(), ReleaseNotesView::maximumPlainTextSize + 2) << c.name;
        }
        shown<QDialog>().last()->close();
    }
}

} // namespace

#include "DialogUserDriverTests.moc"
