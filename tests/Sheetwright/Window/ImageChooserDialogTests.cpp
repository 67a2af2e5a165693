#include "Sheetwright/Window/ImageChooserDialog.h"
#include "WindowTestSupport.h"

#include <KestrelExtensions/Defaults/UserDefaults.h>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <gtest/gtest.h>

using namespace Sheetwright;
using namespace WindowTests;

class ImageChooserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeImages(m_folder.filePath(QStringLiteral("trip")),
                    {QStringLiteral("IMG_10.png"), QStringLiteral("IMG_2.png"), QStringLiteral("img_1.png")});
        writeImages(m_folder.filePath(QStringLiteral("more")), {QStringLiteral("c.png")});
        QDir(m_folder.path()).mkpath(QStringLiteral("trip/Zoo"));
        QDir(m_folder.path()).mkpath(QStringLiteral("trip/album 3"));
        m_chooser.setDirectory(m_folder.path());
        m_chooser.show();
        m_chooser.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_chooser));
        m_path = m_chooser.findChild<QLineEdit*>();
        m_view = m_chooser.findChild<QTreeView*>();
        m_open = m_chooser.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open);
        ASSERT_TRUE(m_path && m_view && m_open);
    }

    // Types into the path field as a user would and confirms with Return.
    void typePath(const QString& path)
    {
        m_path->setFocus();
        m_path->selectAll();
        QTest::keyClicks(m_path, path);
        QTest::keyClick(m_path, Qt::Key_Return);
    }
    QString path(const QString& relative) const { return m_folder.filePath(relative); }
    bool listed(int count)
    {
        return waitUntil([&] { return m_chooser.entryNames().size() == count; });
    }
    void doubleClick(const QString& name)
    {
        const int row = int(m_chooser.entryNames().indexOf(name));
        ASSERT_GE(row, 0) << name.toStdString();
        const QModelIndex index = m_view->model()->index(row, 0, m_view->rootIndex());
        ASSERT_TRUE(waitUntil([&] { return m_view->visualRect(index).isValid(); }));
        const QRect rect = m_view->visualRect(index);
        // The view acts on a double-click only after the press that starts it.
        QTest::mousePress(m_view->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(m_view->viewport(), Qt::LeftButton, {}, rect.center());
    }
    QToolButton* button(const char* name)
    {
        return m_chooser.findChild<QToolButton*>(QString::fromLatin1(name));
    }

    QTemporaryDir m_folder;
    KestrelExtensions::UserDefaults m_defaults{m_folder.filePath(QStringLiteral("defaults.ini"))};
    ImageChooserDialog m_chooser{nullptr, &m_defaults};
    QLineEdit* m_path = nullptr;
    QTreeView* m_view = nullptr;
    QPushButton* m_open = nullptr;
};

TEST_F(ImageChooserTest, ReturnGoesToTheTypedFolderAndKeepsTheDialogOpen)
{
    EXPECT_FALSE(m_open->isEnabled()); // nothing selected yet
    EXPECT_TRUE(m_view->hasFocus()) << "the keys go to the list first";
    typePath(path(QStringLiteral("trip")));
    EXPECT_TRUE(m_chooser.isVisible());
    EXPECT_EQ(m_chooser.result(), 0);
    EXPECT_EQ(m_chooser.directory(), path(QStringLiteral("trip")));

    // Relative paths start from the folder on show, so ".." is the way up.
    typePath(QStringLiteral(".."));
    EXPECT_EQ(m_chooser.directory(), m_folder.path());
    typePath(QStringLiteral("trip/"));
    EXPECT_EQ(m_chooser.directory(), path(QStringLiteral("trip")));

    // A typed file is selected in its folder, once a folder not read yet is listed; a missing path changes
    // nothing.
    typePath(path(QStringLiteral("more/c.png")));
    ASSERT_TRUE(waitUntil([&] { return !m_chooser.selectedUrls().isEmpty(); }));
    EXPECT_EQ(m_chooser.selectedUrls(), QList<QUrl>{QUrl::fromLocalFile(path(QStringLiteral("more/c.png")))});
    EXPECT_TRUE(m_open->isEnabled());
    typePath(path(QStringLiteral("no such folder")));
    EXPECT_TRUE(m_chooser.isVisible());
    EXPECT_EQ(m_chooser.directory(), path(QStringLiteral("more")));
}

TEST_F(ImageChooserTest, ASelectionNeverOutlivesTheFolderItWasMadeIn)
{
    ASSERT_TRUE(listed(2));
    m_chooser.selectNames({QStringLiteral("more")});
    ASSERT_EQ(m_chooser.selectedUrls().size(), 1);
    EXPECT_TRUE(m_open->isEnabled());

    // Every way of showing another folder drops the selection, and Open with it.
    const std::vector<std::pair<const char*, std::function<void()>>> moves{
        {"path field", [&] { typePath(path(QStringLiteral("trip"))); }},
        {"double-click", [&] { doubleClick(QStringLiteral("trip")); }},
        {"home", [&] { button("homeButton")->click(); }},
        {"up",
         [&] {
             m_chooser.setDirectory(path(QStringLiteral("more")));
             m_chooser.selectNames({QStringLiteral("c.png")});
             button("upButton")->click();
         }},
    };
    for (const auto& [how, move] : moves) {
        m_chooser.setDirectory(m_folder.path());
        ASSERT_TRUE(listed(2));
        m_chooser.selectNames({QStringLiteral("more")});
        if (std::string(how) != "up") {
            ASSERT_TRUE(m_open->isEnabled()) << how;
        }
        move();
        EXPECT_NE(m_chooser.directory(), path(QStringLiteral("more"))) << how;
        EXPECT_NE(m_chooser.directory(), std::string(how) == "up" ? QString() : m_folder.path()) << how;
        EXPECT_TRUE(m_chooser.selectedUrls().isEmpty()) << how;
        EXPECT_FALSE(m_open->isEnabled()) << how;
    }

    // Open with nothing visible selected chooses nothing and keeps the dialog open.
    QSignalSpy chosen(&m_chooser, &ImageChooserDialog::urlsSelected);
    QMetaObject::invokeMethod(m_chooser.findChild<QDialogButtonBox*>(), "accepted");
    EXPECT_EQ(chosen.count(), 0);
    EXPECT_TRUE(m_chooser.isVisible());
}

TEST_F(ImageChooserTest, FoldersFirstThenTheSystemsImageOrder)
{
    m_chooser.setDirectory(path(QStringLiteral("trip")));
    ASSERT_TRUE(listed(5));
    EXPECT_EQ(m_chooser.entryNames(),
              (QStringList{QStringLiteral("album 3"), QStringLiteral("Zoo"), QStringLiteral("img_1.png"),
                           QStringLiteral("IMG_2.png"), QStringLiteral("IMG_10.png")}));
}

TEST_F(ImageChooserTest, BackUpAndHomeMoveBetweenFolders)
{
    EXPECT_FALSE(ImageChooserDialog(nullptr, &m_defaults).findChild<QToolButton*>("backButton")->isEnabled())
        << "nowhere to go back to yet";
    m_chooser.setDirectory(path(QStringLiteral("trip/Zoo")));
    button("upButton")->click();
    EXPECT_EQ(m_chooser.directory(), path(QStringLiteral("trip")));
    button("homeButton")->click();
    EXPECT_EQ(m_chooser.directory(), QDir::homePath());
    button("backButton")->click();
    EXPECT_EQ(m_chooser.directory(), path(QStringLiteral("trip")));
    button("backButton")->click();
    EXPECT_EQ(m_chooser.directory(), path(QStringLiteral("trip/Zoo")));
    m_chooser.setDirectory(QDir::rootPath());
    EXPECT_FALSE(button("upButton")->isEnabled());
}

TEST_F(ImageChooserTest, DoubleClickEntersAFolderAndOpensAFileAndTheFolderIsRemembered)
{
    ASSERT_TRUE(listed(2));
    doubleClick(QStringLiteral("trip"));
    EXPECT_EQ(m_chooser.directory(), path(QStringLiteral("trip")));
    EXPECT_TRUE(m_chooser.isVisible());

    ASSERT_TRUE(listed(5));
    QSignalSpy chosen(&m_chooser, &ImageChooserDialog::urlsSelected);
    doubleClick(QStringLiteral("IMG_2.png"));
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.first().first().value<QList<QUrl>>(),
              QList<QUrl>{QUrl::fromLocalFile(path(QStringLiteral("trip/IMG_2.png")))});
    EXPECT_FALSE(m_chooser.isVisible());

    // The next chooser starts where this one chose from; without that folder, in Pictures or home.
    ImageChooserDialog next(nullptr, &m_defaults);
    EXPECT_EQ(next.directory(), path(QStringLiteral("trip")));
    QDir(path(QStringLiteral("trip"))).removeRecursively();
    ImageChooserDialog fresh(nullptr, &m_defaults);
    const QStringList pictures = QStandardPaths::standardLocations(QStandardPaths::PicturesLocation);
    EXPECT_TRUE(fresh.directory() == QDir::homePath() ||
                (!pictures.isEmpty() && fresh.directory() == pictures.first()))
        << fresh.directory().toStdString();
}
