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

TEST(EndSheet, ClosesTheActiveSheetThenDismisses)
{
    QWidget mainWindow;
    mainWindow.show();
    QDialog sheet(&mainWindow);
    sheet.setWindowModality(Qt::WindowModal);
    sheet.show();
    activate(&sheet);
    ASSERT_EQ(QApplication::activeWindow(), &sheet);

    int dismissals = 0;
    bool sheetVisibleAtDismissal = true;
    PresentationMode mode([&] {
        ++dismissals;
        sheetVisibleAtDismissal = sheet.isVisible();
    });
    endSheetAndDismiss(mode);
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_TRUE(mainWindow.isVisible());
    EXPECT_EQ(dismissals, 1);
    EXPECT_FALSE(sheetVisibleAtDismissal) << "the sheet ends before the presentation is dismissed";
    EXPECT_FALSE(mode.isPresented());

    // The active window is a main window, not a sheet: it stays open.
    activate(&mainWindow);
    PresentationMode again([&] { ++dismissals; });
    endSheetAndDismiss(again);
    EXPECT_TRUE(mainWindow.isVisible());
    EXPECT_EQ(dismissals, 2);

    // Dismissing a flag writes false into it.
    Observable<bool> presented(true);
    PresentationMode flagged(Binding<bool>::of(presented));
    EXPECT_TRUE(flagged.isPresented());
    endSheetAndDismiss(flagged);
    EXPECT_FALSE(presented.get());
}

TEST(EndSheet, AGivenSheetClosesEvenWhenAnotherWindowIsActive)
{
    QWidget mainWindow;
    mainWindow.show();
    QDialog sheet(&mainWindow);
    sheet.show();
    QWidget other;
    other.show();
    activate(&other);
    int dismissals = 0;
    PresentationMode mode([&] { ++dismissals; });
    endSheetAndDismiss(&sheet, mode);
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_TRUE(other.isVisible());
    EXPECT_EQ(dismissals, 1);

    endSheetAndDismiss(nullptr, mode);
    EXPECT_EQ(dismissals, 2) << "a missing sheet still dismisses";

    // A widget inside a sheet ends that sheet; one embedded in a main window never closes the main window.
    QDialog second(&mainWindow);
    auto* button = new QWidget(&second);
    second.show();
    endSheetAndDismiss(button, mode);
    EXPECT_FALSE(second.isVisible());
    auto* embedded = new QWidget(&mainWindow);
    embedded->show();
    endSheetAndDismiss(embedded, mode);
    EXPECT_TRUE(mainWindow.isVisible());
    EXPECT_EQ(dismissals, 4);
}
