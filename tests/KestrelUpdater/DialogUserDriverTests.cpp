#include "KestrelUpdater/Interface/DialogUserDriver.h"
#include "KestrelUpdater/Interface/FeedText.h"
#include "KestrelUpdater/Interface/ReleaseNotesHtml.h"
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

using namespace TestSupport;

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
    const auto buttons = dialog->findChildren<QPushButton*>();
    const auto found = std::ranges::find(buttons, text, &QPushButton::text);
    return found == buttons.end() ? nullptr : *found;
}

// Stands in for the user's browser for every scheme a link could name: records what would have been opened.
class BrowserRecorder : public QObject {
    Q_OBJECT
public:
    static constexpr const char* schemes[] = {"https", "http", "file"};
    BrowserRecorder()
    {
        std::ranges::for_each(schemes, [this](auto s) { QDesktopServices::setUrlHandler(s, this, "open"); });
    }
    ~BrowserRecorder() override { std::ranges::for_each(schemes, QDesktopServices::unsetUrlHandler); }
    QList<QUrl> opened;
    Q_INVOKABLE void open(const QUrl& url) { opened.append(url); }
};

class DialogUserDriverTest : public UpdaterFixture {
protected:
    void TearDown() override { qDeleteAll(QApplication::topLevelWidgets()); }
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

TEST_F(DialogUserDriverTest, CheckProgressCancelsTheCheckUndatedAndAFoundUpdateOffersNotesSkipAndDownload)
{
    server->route(releasesPath(), {.stall = true});
    updater->checkForUpdates();
    driver.showCheckStarted(*updater);
    ASSERT_EQ(shown<QProgressDialog>().size(), 1);
    driver.dismissCheck();
    QApplication::processEvents();
    EXPECT_TRUE(shown<QProgressDialog>().isEmpty());
    EXPECT_TRUE(updater->isChecking()); // closed by the updater, not cancelled by the user
    driver.showCheckStarted(*updater);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !server->requests().isEmpty(); }, 3000));
    const CheckResult cancelled = await<CheckResult>(
        &Updater::checkFinished, [&] { button(shown<QProgressDialog>().first(), "Cancel")->click(); });
    EXPECT_EQ(cancelled.status, CheckResult::Status::Cancelled);
    EXPECT_EQ(recorder->events, (QStringList{"checkStarted", "dismissCheck"})) << "no outcome shown";
    EXPECT_FALSE(updater->lastUpdateCheckDate().isValid());
    // A found update offers its notes, skipping it, and downloading it.
    EXPECT_TRUE(showNotes("<p>Faster sheets</p>")->toPlainText().contains("Faster sheets"));
    button(shown<QDialog>().first(), "Skip This Version")->click();
    EXPECT_EQ(updater->skippedVersion(), "1.1");
    driver.showUpdateFound(*updater, found());
    const DownloadResult result = await<DownloadResult>(&Updater::downloadFinished, [&] {
        button(shown<QDialog>().last(), QString::fromUtf8("Download\u2026"))->click();
        EXPECT_TRUE(updater->isDownloading());
    });
    EXPECT_EQ(result.status, DownloadResult::Status::Error);
}

TEST_F(DialogUserDriverTest, OutcomesAreShownInMessageBoxesAndFeedStringsAsPlainText)
{
    // Feed strings lose control and direction characters and stay on one short line.
    const std::pair<QString, QString> rows[] = {
        {"1.1 (Spring)", "1.1 (Spring)"},
        {"1.1\n\r\t2", "1.12"},
        {QString::fromUtf8("1.1\u202Eexe.gpj\u2066x\u2069\u200B"), "1.1exe.gpjx"},
        {QString::fromUtf8("a\u2028b\u2029c"), "abc"},
        {QString(100, u'9'), QString(80, u'9') + QString::fromUtf8("\u2026")},
    };
    for (const auto& [text, shown] : rows)
        EXPECT_EQ(feedText(text), shown) << text.toStdString();
    const QString hostile = "<img src=\"/dev/zero\"><b>9.9</b>";
    // After leaving the beta channel the feed's newest is older than what runs: name what runs.
    AppcastItem older;
    older.version = "0.9";
    driver.showUpToDate(*updater, {CheckResult::Status::UpToDate, older, {}, 200, {}});
    driver.showCheckError(*updater, {CheckResult::Status::Error, std::nullopt, hostile, 0, {}});
    DownloadResult ready{DownloadResult::Status::Downloaded, {}, "/tmp/<img src=x>.AppImage", {}, true};
    ready.item.shortVersionString = hostile;
    driver.showDownloadFinished(*updater, ready);
    driver.showDownloadFinished(
        *updater, {DownloadResult::Status::Downloaded, {}, "/tmp/unverified.AppImage", {}, false});
    driver.showDownloadFinished(*updater, {DownloadResult::Status::Error, {}, {}, hostile, false});
    QStringList texts;
    int withShowInFolder = 0;
    for (QMessageBox* box : shown<QMessageBox>()) {
        texts << box->text();
        withShowInFolder += button(box, "Show in Folder") != nullptr;
    }
    ASSERT_EQ(texts.size(), 5);
    EXPECT_EQ(texts.filter(" 1.0 is currently the newest version available").size(), 1);
    EXPECT_TRUE(texts.filter("0.9").isEmpty());
    EXPECT_EQ(texts.filter(hostile).size(), 3); // the two errors and the ready download's version
    EXPECT_EQ(texts.filter("/tmp/<img src=x>.AppImage").size(), 1);
    // Only the unverified download says so, plainly.
    EXPECT_EQ(texts.filter("could not be verified"), texts.filter("/tmp/unverified.AppImage"));
    EXPECT_EQ(withShowInFolder, 2);
    EXPECT_TRUE(shown<QMessageBox>().first()->testAttribute(Qt::WA_DeleteOnClose))
        << "closed, a message is freed";
    driver.showUpdateFound(*updater, found("<p>notes</p>", hostile));
    driver.showDownloadStarted(*updater, *found({}, hostile).item);
    int labels = 0;
    for (QWidget* window : QApplication::topLevelWidgets())
        for (QLabel* label : window->findChildren<QLabel*>())
            if (label->text().contains("<img")) {
                ++labels;
                EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
            }
    EXPECT_EQ(labels, 5); // the found dialog, the download's progress, the ready download and both errors
}

TEST_F(DialogUserDriverTest, ABuildWithoutAFeedSaysPlainlyThatItCannotFindUpdates)
{
    updater = std::make_unique<Updater>(*defaults, QUrl(), testApplicationId);
    const CheckResult result = runCheck(Mode::Probe);
    driver.showCheckError(*updater, result);
    ASSERT_EQ(shown<QMessageBox>().size(), 1);
    const QMessageBox* box = shown<QMessageBox>().first();
    EXPECT_EQ(box->icon(), QMessageBox::Information);
    EXPECT_EQ(box->text(), result.message);
    EXPECT_TRUE(box->text().contains("has no update feed configured, so it cannot find updates"));
}

TEST_F(DialogUserDriverTest, OnlyHttpsLinksLeaveNotesAndTooLargeOrDeepNotesArePlainTextLoadingNothing)
{
    BrowserRecorder browser;
    ReleaseNotesView* view =
        showNotes("<p><a href=\"file:///etc/hostname\">LOCAL</a></p><p><a href=\"more.html\">RELATIVE</a></p>"
                  "<p><a href=\"http://127.0.0.1:9/notes\">PLAIN</a></p>"
                  "<p><a href=\"https://example.org/notes\">SECURE</a></p>");
    ASSERT_NE(view, nullptr);
    const QString text = view->toPlainText();
    for (const char* anchor : {"LOCAL", "RELATIVE", "PLAIN", "SECURE"}) {
        QTextCursor inside = view->document()->find(QLatin1String(anchor));
        ASSERT_FALSE(inside.isNull()) << anchor;
        inside.setPosition(inside.selectionStart() + 1);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->cursorRect(inside).center());
        QApplication::processEvents();
        // The dialog keeps showing the notes: nothing was loaded into it.
        EXPECT_EQ(view->toPlainText(), text) << anchor;
        EXPECT_TRUE(view->source().isEmpty()) << anchor;
    }
    EXPECT_EQ(browser.opened, QList<QUrl>{QUrl("https://example.org/notes")});
    view->window()->close();

    // A large picture on disk: if any reference to it were loaded, the notes would grow to its size.
    QTemporaryDir folder;
    ASSERT_TRUE(QImage(600, 600, QImage::Format_Mono).save(folder.filePath("marker.png")));
    const QString local = QUrl::fromLocalFile(folder.filePath("marker.png")).toString();
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder.path()); // where a relative name would be looked up
    const qsizetype size = ReleaseNotesLimits::maximumSize;
    const struct {
        const char* name;
        QString notes;
        bool rich;
        bool small = false; // laid out in less than 500 x 500: nothing it names was loaded
    } rows[] = {
        {"file picture", "<p>Notes</p><img src=\"" + local + "\">", true, true},
        {"path picture", "<p>Notes</p><img src=\"" + folder.filePath("marker.png") + "\">", true, true},
        {"relative picture", "<p>Notes</p><img src=\"marker.png\">", true, true},
        {"background", "<table background=\"" + local + "\"><tr><td>x</td></tr></table>", true, true},
        {"remote picture", "<img src=\"" + server->url("/marker.png").toString() + "\">", true, true},
        {"ordinary",
         "<h3>New</h3><ul><li>Faster<ul><li>much</li></ul></li></ul><table><tr><td>a</td></tr></table>",
         true},
        {"deep but within the parser's depth", QString("<div>").repeated(24) + "x", true},
        {"deeper, flattened", QString("<div>").repeated(200) + "x", true},
        {"past the parser's depth", QString("<div>").repeated(1000) + "x", false},
        {"3000 nested tables", QString("<table><tr><td>").repeated(3000) + "x", false},
        {"stray end tags", QString("<table></b><tr><td></i>").repeated(3000) + "x", false},
        {"siblings", QString("<div>x</div>").repeated(48), true},
        {"closed nesting", QString("<ul><ul><ul>x</ul></ul></ul>").repeated(48), true},
        {"many tags", QString("<br>").repeated(1500), true},
        {"huge", "<p>" + QString("word ").repeated(size / 5) + "</p>", false},
        {"long prose", "<p>" + QString("word ").repeated(size / 6) + "</p>", true},
        {"a last lone <", "<p>x</p><", true},
        {"comparisons are no tags", "<p>" + QString("1 < 2 ").repeated(2000) + "</p>", true},
        {"one endless word", "<p>" + QString(5000, u'x') + "</p>", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ReleaseNotesView* view = showNotes(row.notes);
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->showsRichText(), row.rich);
        if (!row.rich) {
            EXPECT_TRUE(view->toPlainText().startsWith(row.notes.left(10)));
            EXPECT_LE(view->toPlainText().size(), ReleaseNotesLimits::maximumPlainTextSize * 65 / 64 + 2);
        }
        const QSizeF laidOut = view->document()->size();
        EXPECT_TRUE(!row.small || (laidOut.width() < 500 && laidOut.height() < 500)) << laidOut.width();
        view->window()->close();
    }
    QDir::setCurrent(previous);
    QTest::qWait(50);
    EXPECT_TRUE(server->requests().isEmpty());
}

// A character that must never reach a window: a control character, or one that changes the direction
// in which the text around it reads.
bool isControlOrDirection(QChar c)
{
    switch (c.direction()) {
    case QChar::DirLRE:
    case QChar::DirLRO:
    case QChar::DirRLE:
    case QChar::DirRLO:
    case QChar::DirPDF:
    case QChar::DirLRI:
    case QChar::DirRLI:
    case QChar::DirFSI:
    case QChar::DirPDI:
        return true;
    default:
        return c.category() == QChar::Other_Control || c == u'\u200E' || c == u'\u200F' || c == u'\u061C';
    }
}

TEST_F(DialogUserDriverTest, NoWindowShowsAControlOrDirectionCharacterWhereverTheTextComesFrom)
{
    // An unsafe redirect's target, percent-encoded, is decoded when the error names it.
    server->route(releasesPath(), {.status = 302, .location = "http://evil.example/%E2%80%AEfdp.exe%0D%0Ax"});
    const CheckResult redirected = runCheck(Mode::UserInitiated);
    ASSERT_EQ(redirected.status, CheckResult::Status::Error);
    driver.showCheckError(*updater, redirected);

    const QString hostile = QString::fromUtf8("9.9\u202Eexe.gpj\u2066\u2067\u2068\u2069\u200E\u200F\u061C"
                                              "\u202A\u202B\u202C\u202D\n\r\t\x01\x7F\u0085 end");
    driver.showCheckError(*updater, {CheckResult::Status::Error, std::nullopt, hostile, 0, {}});
    driver.showDownloadFinished(*updater, {DownloadResult::Status::Error, {}, {}, hostile, false});
    DownloadResult ready{DownloadResult::Status::Downloaded, {}, "/tmp/" + hostile + ".AppImage", {}, false};
    ready.item.shortVersionString = hostile;
    driver.showDownloadFinished(*updater, ready);
    driver.showUpdateFound(*updater, found("<p>" + hostile + "</p>", hostile));
    driver.showDownloadStarted(*updater, *found({}, hostile).item);

    QStringList texts;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        for (QLabel* label : window->findChildren<QLabel*>())
            texts << label->text();
        for (ReleaseNotesView* notes : window->findChildren<ReleaseNotesView*>())
            texts << notes->toPlainText().remove(u'\n'); // the document's own paragraph ends
    }
    EXPECT_EQ(texts.filter("evil.example").size(), 1);
    EXPECT_EQ(texts.filter("end").size(),
              6); // two errors, the download, its progress, the found update and its notes
    for (const QString& text : texts)
        EXPECT_FALSE(std::ranges::any_of(text, isControlOrDirection)) << text.toStdString();
}

} // namespace

#include "DialogUserDriverTests.moc"
