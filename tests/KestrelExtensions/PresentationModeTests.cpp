#include "KestrelExtensions/Widgets/Presentation/PresentationMode.h"

#include <QApplication>
#include <QDialog>
#include <gtest/gtest.h>

using namespace KestrelExtensions;

namespace {

void activate(QWidget* window)
{
    window->activateWindow();
    QApplication::setActiveWindow(window);
    QCoreApplication::processEvents();
}

} // namespace

TEST(EndSheet, ClosesTheActiveOrGivenSheetButNeverAMainWindowThenDismisses)
{
    QWidget mainWindow;
    mainWindow.show();
    QDialog sheet(&mainWindow);
    sheet.setWindowModality(Qt::WindowModal);
    sheet.show();
    activate(&sheet);

    int dismissals = 0;
    bool sheetVisibleAtDismissal = true;
    PresentationMode mode([&] {
        ++dismissals;
        sheetVisibleAtDismissal = sheet.isVisible();
    });
    EXPECT_TRUE(mode.isPresented());
    endSheetAndDismiss(mode);
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_EQ(dismissals, 1);
    EXPECT_FALSE(sheetVisibleAtDismissal) << "the sheet ends before the presentation is dismissed";
    EXPECT_FALSE(mode.isPresented());

    // The active window is a main window, not a sheet: it stays open.
    activate(&mainWindow);
    PresentationMode again([&] { ++dismissals; });
    endSheetAndDismiss(again);
    EXPECT_TRUE(mainWindow.isVisible());
    EXPECT_EQ(dismissals, 2);

    // A given sheet closes even when another window is active.
    sheet.show();
    QWidget other;
    other.show();
    activate(&other);
    endSheetAndDismiss(&sheet, again);
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_TRUE(other.isVisible());
    endSheetAndDismiss(nullptr, again);
    EXPECT_EQ(dismissals, 4) << "a missing sheet still dismisses";
    // A widget inside a sheet ends that sheet; one embedded in a main window never closes the main window.
    QDialog second(&mainWindow);
    auto* button = new QWidget(&second);
    second.show();
    endSheetAndDismiss(button, again);
    EXPECT_FALSE(second.isVisible());
    auto* embedded = new QWidget(&mainWindow);
    embedded->show();
    endSheetAndDismiss(embedded, again);
    EXPECT_TRUE(mainWindow.isVisible());
    EXPECT_EQ(dismissals, 6);

    // Dismissing a flag writes false into it.
    Observable<bool> presented(true);
    PresentationMode flagged(Binding<bool>::of(presented));
    EXPECT_TRUE(flagged.isPresented());
    endSheetAndDismiss(flagged);
    EXPECT_FALSE(presented.get());
}
