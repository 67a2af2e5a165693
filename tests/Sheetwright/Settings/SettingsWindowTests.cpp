#include "KestrelExtensions/Defaults/UserDefaults.h"
#include "KestrelUpdater/Updater.h"
#include "KestrelUpdater/UpdatesPreferencesView.h"
#include "Sheetwright/Settings/SettingsWindow.h"
#include "support/TestEnvironment.h"

#include <QLabel>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

using Sheetwright::SettingsWindow;

namespace {

struct SettingsFixture : ::testing::Test {
    KestrelExtensions::UserDefaults store{TestSupport::temporaryHome() + "/updater.ini"};
    KestrelUpdater::Updater updater{store, QUrl("http://127.0.0.1:9/applications/"),
                                    QStringLiteral("com.ardentmoss.Sheetwright")};
};

// Every visible widget lies inside its parent's rectangle, so nothing is cut off.
void expectNothingClipped(const QWidget* root)
{
    for (const QWidget* child : root->findChildren<QWidget*>()) {
        if (!child->isVisible() || child->isWindow() || !child->parentWidget())
            continue;
        const QRect inParent = child->geometry();
        EXPECT_TRUE(child->parentWidget()->rect().contains(inParent))
            << child->metaObject()->className() << " " << child->objectName().toStdString() << " at "
            << inParent.x() << "," << inParent.y() << " " << inParent.width() << "x" << inParent.height();
        if (const auto* label = qobject_cast<const QLabel*>(child); label && !label->text().isEmpty()) {
            EXPECT_GE(label->width(), label->minimumSizeHint().width()) << label->text().toStdString();
        }
    }
}

TEST_F(SettingsFixture, ShowsTheGeneralThenTheUpdatesPaneWholeAndEscapeClosesIt)
{
    SettingsWindow window(updater);
    ASSERT_EQ(window.tabs()->count(), 2);
    EXPECT_EQ(window.tabs()->tabText(0), "General");
    EXPECT_EQ(window.tabs()->tabText(1), "Updates");
    EXPECT_EQ(window.tabs()->widget(0), window.general());
    EXPECT_EQ(window.tabs()->widget(1), window.updates());
    EXPECT_EQ(window.tabs()->currentIndex(), 0);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_EQ(window.tabs()->geometry(), window.rect());
    for (int tab = 0; tab < 2; ++tab) {
        window.tabs()->setCurrentIndex(tab);
        QCoreApplication::processEvents();
        const QWidget* pane = window.tabs()->currentWidget();
        EXPECT_GE(pane->width(), pane->minimumSizeHint().width()) << tab;
        EXPECT_GE(pane->height(), pane->minimumSizeHint().height()) << tab;
        expectNothingClipped(pane);
    }
    EXPECT_GE(window.general()->width(), 600);
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

} // namespace
