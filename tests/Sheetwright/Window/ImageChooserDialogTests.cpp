#include "Sheetwright/Window/ImageChooserDialog.h"
#include "WindowTestSupport.h"

#include <QFileInfo>
#include <QFileSystemModel>
#include <QStandardPaths>
#include <QTreeView>

using namespace Sheetwright;
using namespace WindowTests;

class ImageChooserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeImages(path("trip"), {"IMG_10.png", "IMG_2.png", "img_1.png"});
        writeImages(path("more"), {"c.png", "d.png"});
        QDir(m_folder.path()).mkpath("trip/Zoo");
        QDir(m_folder.path()).mkpath("trip/album 3");
        m_chooser.setDirectory(m_folder.path());
        m_chooser.show();
        ASSERT_TRUE(activate(&m_chooser));
    }

    // Types into the path field as a user would and confirms with Return.
    void typePath(const QString& path)
    {
        m_path->setFocus();
        m_path->selectAll();
        QTest::keyClicks(m_path, path);
        QTest::keyClick(m_path, Qt::Key_Return);
    }
    QString path(const char* relative) const { return m_folder.filePath(QString::fromUtf8(relative)); }
    QList<QUrl> selected(const char* relative) const { return {QUrl::fromLocalFile(path(relative))}; }
    bool listed(int count)
    {
        return QTest::qWaitFor([&] { return m_chooser.entryNames().size() == count; });
    }
    void doubleClick(const QString& name)
    {
        const int row = int(m_chooser.entryNames().indexOf(name));
        ASSERT_GE(row, 0) << name.toStdString();
        const QModelIndex index = m_view->model()->index(row, 0, m_view->rootIndex());
        WAIT_UNTIL(m_view->visualRect(index).isValid());
        // The view acts on a double-click only after the press that starts it.
        QTest::mousePress(m_view->viewport(), Qt::LeftButton, {}, m_view->visualRect(index).center());
        QTest::mouseDClick(m_view->viewport(), Qt::LeftButton, {}, m_view->visualRect(index).center());
    }
    QToolButton* button(const char* name) { return m_chooser.findChild<QToolButton*>(name); }

    QTemporaryDir m_folder;
    KestrelExtensions::UserDefaults m_defaults{path("defaults.ini")};
    ImageChooserDialog m_chooser{nullptr, &m_defaults};
    QLineEdit* m_path = m_chooser.findChild<QLineEdit*>();
    QTreeView* m_view = m_chooser.findChild<QTreeView*>();
    QPushButton* m_open = m_chooser.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open);
};

TEST_F(ImageChooserTest, ReturnGoesToTheTypedPathAndKeepsTheDialogOpen)
{
    EXPECT_FALSE(m_open->isEnabled()); // nothing selected yet
    EXPECT_TRUE(m_view->hasFocus()) << "the keys go to the list first";
    // Relative paths start from the folder on show, so ".." is the way up.
    for (const auto& [typed, shown] :
         {std::pair{path("trip"), path("trip")}, {"..", m_folder.path()}, {"trip/", path("trip")}}) {
        typePath(typed);
        EXPECT_EQ(m_chooser.directory(), shown) << typed.toStdString();
    }
    EXPECT_TRUE(m_chooser.isVisible());
    // A typed file is selected in its folder; a selection made before the folder is read survives it.
    QSignalSpy loaded(m_chooser.findChild<QFileSystemModel*>(), &QFileSystemModel::directoryLoaded);
    typePath(path("more/c.png"));
    EXPECT_EQ(m_chooser.selectedUrls(), selected("more/c.png"));
    EXPECT_TRUE(m_open->isEnabled());
    m_chooser.selectNames({"d.png"});
    WAIT_UNTIL(
        std::any_of(loaded.begin(), loaded.end(), [&](auto& args) { return args[0] == path("more"); }));
    EXPECT_EQ(m_chooser.selectedUrls(), selected("more/d.png"));
    typePath(path("no such folder"));
    EXPECT_TRUE(m_chooser.isVisible());
    EXPECT_EQ(m_chooser.directory(), path("more")) << "a missing path changes nothing";
}

TEST_F(ImageChooserTest, ASelectionNeverOutlivesTheFolderItWasMadeIn)
{
    // Every way of showing another folder drops the selection, and Open with it.
    const std::pair<const char*, std::function<void()>> moves[] = {
        {"path field", [&] { typePath(path("trip")); }},
        {"double-click", [&] { doubleClick("trip"); }},
        {"home", [&] { button("homeButton")->click(); }},
        {"up",
         [&] {
             m_chooser.setDirectory(path("more"));
             m_chooser.selectNames({"c.png"});
             button("upButton")->click();
         }},
    };
    for (const auto& [how, move] : moves) {
        SCOPED_TRACE(how);
        m_chooser.setDirectory(m_folder.path());
        ASSERT_TRUE(listed(2));
        m_chooser.selectNames({"more"});
        ASSERT_EQ(m_chooser.selectedUrls(), selected("more"));
        move();
        EXPECT_NE(m_chooser.directory(), std::string(how) == "up" ? path("more") : m_folder.path());
        EXPECT_TRUE(m_chooser.selectedUrls().isEmpty());
        EXPECT_FALSE(m_open->isEnabled());
    }
    // Open with nothing visible selected chooses nothing and keeps the dialog open.
    QSignalSpy chosen(&m_chooser, &ImageChooserDialog::urlsSelected);
    QMetaObject::invokeMethod(m_chooser.findChild<QDialogButtonBox*>(), "accepted");
    EXPECT_EQ(chosen.count(), 0);
    EXPECT_TRUE(m_chooser.isVisible());
}

TEST_F(ImageChooserTest, BackUpAndHomeMoveBetweenFolders)
{
    EXPECT_FALSE(ImageChooserDialog(nullptr, &m_defaults).findChild<QToolButton*>("backButton")->isEnabled())
        << "nowhere to go back to yet";
    m_chooser.setDirectory(path("trip/Zoo"));
    const std::pair<const char*, QString> steps[] = {
        {"upButton", path("trip")},       {"homeButton", QDir::homePath()}, {"backButton", path("trip")},
        {"backButton", path("trip/Zoo")}, {"backButton", m_folder.path()},
    };
    for (const auto& [name, folder] : steps) {
        button(name)->click();
        EXPECT_EQ(m_chooser.directory(), folder) << name;
    }
    m_chooser.setDirectory(QDir::rootPath());
    EXPECT_FALSE(button("upButton")->isEnabled());
}

TEST_F(ImageChooserTest, DoubleClickEntersAFolderListedInOrderOpensAFileAndTheFolderIsRemembered)
{
    ASSERT_TRUE(listed(2));
    doubleClick("trip");
    EXPECT_EQ(m_chooser.directory(), path("trip"));
    EXPECT_TRUE(m_chooser.isVisible());
    // Folders first, then the system's one image order.
    WAIT_UNTIL(m_chooser.entryNames() ==
               QStringList({"album 3", "Zoo", "img_1.png", "IMG_2.png", "IMG_10.png"}));
    QSignalSpy chosen(&m_chooser, &ImageChooserDialog::urlsSelected);
    doubleClick("IMG_2.png");
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.first().first().value<QList<QUrl>>(), selected("trip/IMG_2.png"));
    EXPECT_FALSE(m_chooser.isVisible());
    // The next chooser starts there; Back skips removed folders. Without that folder: Pictures, or home.
    ImageChooserDialog next(nullptr, &m_defaults);
    EXPECT_EQ(next.directory(), path("trip"));
    next.setDirectory(path("more"));
    QDir(path("trip")).removeRecursively();
    next.goBack();
    EXPECT_EQ(next.directory(), path("more"));
    EXPECT_FALSE(next.findChild<QToolButton*>("backButton")->isEnabled());
    const QString pictures = QStandardPaths::standardLocations(QStandardPaths::PicturesLocation).value(0);
    EXPECT_EQ(ImageChooserDialog(nullptr, &m_defaults).directory(),
              QFileInfo(pictures).isDir() ? pictures : QDir::homePath());
}
