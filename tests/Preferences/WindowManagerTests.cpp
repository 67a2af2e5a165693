#include "FixedPane.h"
#include "KestrelExtensions/Defaults/UserDefaults.h"
#include "Preferences/Window/PreferencesTabViewController.h"
#include "Preferences/Window/PreferencesWindowController.h"
#include "Preferences/Window/UserInteractionPausableWindow.h"
#include "support/TestEnvironment.h"

#include <QGuiApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <ostream>

using namespace Preferences;

// Readable rectangles in failure messages.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QRect& rect, std::ostream* out)
{
    *out << rect.x() << "," << rect.y() << " " << rect.width() << "x" << rect.height();
}
QT_END_NAMESPACE

namespace {

// Handles events until the window manager has stopped moving `window`, for at most three seconds.
QRect settledFrame(QWidget* window)
{
    QRect frame = window->frameGeometry();
    for (int still = 0, polls = 0; still < 5 && polls < 60; ++polls) {
        QTest::qWait(50);
        const QRect now = window->frameGeometry();
        still = now == frame ? still + 1 : 0;
        frame = now;
    }
    return frame;
}

} // namespace

// Only a real window manager decorates windows, and only after they are shown: the offscreen platform
// knows the decoration from the start, so this runs under X with a window manager (see CMakeLists.txt)
// and is skipped elsewhere.
TEST(WindowManagerPlacement, TheSettingsWindowComesBackWhereItWasLeft)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X display with a window manager";
    KestrelExtensions::UserDefaults store(TestSupport::temporaryHome() + "/placement.ini");
    QList<QRect> frames;
    for (int start = 0; start < 4; ++start) {
        const QList<PreferencePane*> panes{new FixedPane("general", "General", {300, 200}),
                                           new FixedPane("updates", "Updates", {500, 120})};
        PreferencesWindowController controller(panes, Style::toolbarItems, false, true, &store);
        controller.show();
        QWidget* window = controller.window();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        if (!QTest::qWaitFor([&] { return window->frameGeometry() != window->geometry(); }, 3000))
            GTEST_SKIP() << "no window manager decorates the window";
        settledFrame(window);
        if (start == 1) {
            // Where the user leaves it.
            window->move(150, 120);
            ASSERT_TRUE(QTest::qWaitFor([&] { return window->pos() == QPoint(150, 120); }, 3000));
        }
        frames.append(settledFrame(window));
        window->close();
    }
    EXPECT_EQ(frames[1].size(), frames[0].size());
    EXPECT_EQ(frames[1].topLeft(), QPoint(150, 120));
    EXPECT_EQ(frames[2], frames[1]) << "back where it was left";
    EXPECT_EQ(frames[3], frames[1]) << "at every start";
}
