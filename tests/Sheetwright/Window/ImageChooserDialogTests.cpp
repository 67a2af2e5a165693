#include "Sheetwright/Window/ImageChooserDialog.h"
#include "WindowTestSupport.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace Sheetwright;
using namespace WindowTests;

class ImageChooserPathField : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeImages(m_folder.filePath(QStringLiteral("trip")),
                    {QStringLiteral("a.png"), QStringLiteral("b.png")});
        m_chooser.setDirectory(m_folder.path());
        m_chooser.show();
        m_chooser.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_chooser));
        m_path = m_chooser.findChild<QLineEdit*>();
        m_open = m_chooser.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open);
        ASSERT_TRUE(m_path && m_open);
    }

    // Types into the path field as a user would and confirms with Return.
    void typePath(const QString& path)
    {
        m_path->setFocus();
        m_path->selectAll();
        QTest::keyClicks(m_path, path);
        QTest::keyClick(m_path, Qt::Key_Return);
    }

    QTemporaryDir m_folder;
    ImageChooserDialog m_chooser;
    QLineEdit* m_path = nullptr;
    QPushButton* m_open = nullptr;
};

TEST_F(ImageChooserPathField, ReturnGoesToTheTypedFolderAndKeepsTheDialogOpen)
{
    EXPECT_FALSE(m_open->isEnabled()); // nothing selected yet
    typePath(m_folder.filePath(QStringLiteral("trip")));
    EXPECT_TRUE(m_chooser.isVisible());
    EXPECT_EQ(m_chooser.result(), 0);
    EXPECT_EQ(m_chooser.directory(), m_folder.filePath(QStringLiteral("trip")));

    // Relative paths start from the folder on show, so ".." is the way up.
    typePath(QStringLiteral(".."));
    EXPECT_EQ(m_chooser.directory(), m_folder.path());
    typePath(QStringLiteral("trip/"));
    EXPECT_EQ(m_chooser.directory(), m_folder.filePath(QStringLiteral("trip")));
}

TEST_F(ImageChooserPathField, ATypedFileIsSelectedInItsFolderAndAMissingPathChangesNothing)
{
    const QString trip = m_folder.filePath(QStringLiteral("trip"));
    typePath(trip + QStringLiteral("/b.png"));
    EXPECT_TRUE(m_chooser.isVisible());
    EXPECT_EQ(m_chooser.directory(), trip);
    ASSERT_TRUE(waitUntil([&] { return !m_chooser.selectedUrls().isEmpty(); }));
    EXPECT_EQ(m_chooser.selectedUrls(), QList<QUrl>{QUrl::fromLocalFile(trip + QStringLiteral("/b.png"))});
    EXPECT_TRUE(m_open->isEnabled());

    typePath(m_folder.filePath(QStringLiteral("no such folder")));
    EXPECT_TRUE(m_chooser.isVisible());
    EXPECT_EQ(m_chooser.directory(), trip);
}
