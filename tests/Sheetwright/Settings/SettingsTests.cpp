#include "KestrelExtensions/Defaults/UserDefaults.h"
#include "KestrelUpdater/Updater.h"
#include "Sheetwright/Settings/GeneralPreferences.h"
#include "Sheetwright/Settings/SettingsWindow.h"
#include "support/TestEnvironment.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using KestrelExtensions::UserDefaults;
using Sheetwright::GeneralPreferences;
using Sheetwright::LayoutManager;

namespace {

struct GeneralFixture : ::testing::Test {
    QTemporaryDir folder{TestSupport::temporaryHome() + "/general-XXXXXX"};
    UserDefaults store{folder.filePath("settings.ini")};
    LayoutManager layouts{folder.filePath("Layouts")};
    GeneralPreferences pane{store, layouts};
    QComboBox* picker = pane.layoutPicker();
    const QStringList keys{GeneralPreferences::defaultLayoutKey, GeneralPreferences::titleKey,
                           GeneralPreferences::authorKey, GeneralPreferences::subjectKey};

    // Saved by the application's manager, which announces nothing: the pane lists it when next shown.
    void addCustomLayout(const QString& name) { layouts.save({.rows = 3}, LayoutManager::TitleKey(name)); }

    void choose(const QString& text)
    {
        const int row = picker->findText(text, Qt::MatchExactly);
        ASSERT_GE(row, 0) << text.toStdString();
        picker->setCurrentIndex(row);
        emit picker->activated(row);
    }

    // The picker's shown texts from `first` on.
    QStringList rows(int first = 0) const
    {
        QStringList texts;
        for (int row = first; row < picker->count(); ++row)
            texts.append(picker->itemText(row));
        return texts;
    }
    QStringList customRows() const { return rows(picker->findText("Custom Layouts") + 1); }
};

TEST_F(GeneralFixture, PickerRowsAreInOrderAndOnlyLayoutsCanBeChosenByTheirStoredNames)
{
    EXPECT_EQ(rows(), QStringList({"Default", "", "Page Sizes", "US Letter", "US Legal", "US Ledger",
                                   "Metric A4", "Metric A3", "Grids", "One Up", "Two Up", "Four Up",
                                   "Color Schemes", "Light", "Dark", "Custom Layouts"}));
    const auto flags = [&](int row) { return picker->model()->flags(picker->model()->index(row, 0)); };
    for (const char* header : {"Page Sizes", "Grids", "Color Schemes", "Custom Layouts"}) {
        EXPECT_FALSE(flags(picker->findText(header)) & Qt::ItemIsEnabled) << header;
        EXPECT_FALSE(picker->itemData(picker->findText(header), Qt::UserRole).isValid()) << header;
    }
    EXPECT_FALSE(flags(1) & Qt::ItemIsSelectable) << "the divider";
    for (const auto& [shown, stored] : {std::pair{"US Letter", "Letter"},
                                        {"Metric A3", "A3"},
                                        {"Four Up", "Four Up"},
                                        {"Dark", "Dark"},
                                        {"Default", "Default Layout"}}) {
        choose(shown);
        EXPECT_EQ(store.string(GeneralPreferences::defaultLayoutKey), QString(stored)) << shown;
        EXPECT_EQ(picker->currentText(), shown);
    }
    for (const QString& key : keys.mid(1))
        EXPECT_FALSE(store.contains(key));
}

TEST_F(GeneralFixture, AnUntouchedPaneWritesNothingAndListsCustomLayoutsByPlainNameWhenShown)
{
    pane.show();
    EXPECT_EQ(picker->currentText(), "Default");
    for (QLineEdit* field : {pane.titleField(), pane.authorField(), pane.subjectField()})
        EXPECT_TRUE(field->text().isEmpty());
    for (const char* name : {"beta", "Alpha", "Zed", "A4"})
        addCustomLayout(name);
    // Another copy of the application saves a layout: the folder is not read again.
    LayoutManager(folder.filePath("Layouts")).save({.rows = 2}, LayoutManager::TitleKey("Elsewhere"));
    EXPECT_TRUE(customRows().isEmpty());
    pane.hide();
    pane.show();
    for (const QString& key : keys)
        EXPECT_FALSE(store.contains(key)) << key.toStdString();
    EXPECT_EQ(customRows(), QStringList({"A4", "Alpha", "Zed", "beta"}));
    store.setString(GeneralPreferences::defaultLayoutKey, "A4");
    EXPECT_EQ(picker->currentText(), "Metric A4") << "the first row carrying the name";
    choose("beta");
    EXPECT_EQ(store.string(GeneralPreferences::defaultLayoutKey), QString("beta"));
    store.setString(GeneralPreferences::defaultLayoutKey, "Gone");
    EXPECT_EQ(picker->currentIndex(), -1);
    pane.hide();
    pane.show();
    EXPECT_EQ(store.string(GeneralPreferences::defaultLayoutKey), QString("Gone"));
}

TEST_F(GeneralFixture, TextFieldsStoreEveryEditInTheirOwnKeyAndFollowTheStore)
{
    pane.show();
    const std::pair<QLineEdit*, QString> fields[] = {{pane.titleField(), GeneralPreferences::titleKey},
                                                     {pane.authorField(), GeneralPreferences::authorKey},
                                                     {pane.subjectField(), GeneralPreferences::subjectKey}};
    for (const auto& [field, key] : fields) {
        SCOPED_TRACE(key.toStdString());
        QTest::keyClicks(field, "Report");
        for (const QString& other : keys)
            EXPECT_EQ(store.string(other) == QString("Report"), other == key) << other.toStdString();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        EXPECT_EQ(store.string(key), QString("")) << "a cleared field stores the empty text";
        QSignalSpy writes(&store, &UserDefaults::changed);
        store.setString(key, "Holiday");
        EXPECT_EQ(field->text(), "Holiday");
        EXPECT_EQ(writes.count(), 1) << "showing a stored value does not write it back";
    }
    GeneralPreferences later{store, layouts};
    for (QLineEdit* field : {later.titleField(), later.authorField(), later.subjectField()})
        EXPECT_EQ(field->text(), "Holiday") << "a new pane shows what is stored";
}

TEST(SettingsWindow, ShowsTheGeneralThenTheUpdatesPaneWholeAndEscapeClosesIt)
{
    UserDefaults store{TestSupport::temporaryHome() + "/updater.ini"};
    KestrelUpdater::Updater updater{store, QUrl("http://127.0.0.1:9/applications/"),
                                    QStringLiteral("com.ardentmoss.Sheetwright")};
    Sheetwright::SettingsWindow window(updater);
    EXPECT_EQ((QStringList{window.tabs()->tabText(0), window.tabs()->tabText(1)}),
              (QStringList{"General", "Updates"}));
    EXPECT_EQ(window.tabs()->currentIndex(), 0);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_EQ(window.tabs()->geometry(), window.rect());
    for (int tab = 0; tab < 2; ++tab) {
        window.tabs()->setCurrentIndex(tab);
        QCoreApplication::processEvents();
        const QWidget* pane = window.tabs()->currentWidget();
        for (const QWidget* child : pane->findChildren<QWidget*>()) // nothing shown is cut off
            EXPECT_TRUE(!child->isVisible() || child->isWindow() ||
                        child->parentWidget()->rect().contains(child->geometry()))
                << child->objectName().toStdString();
    }
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(GeneralFixture, LongStoredNamesAndTextsLeaveThePaneAsWideAsEver)
{
    pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    const auto sizes = [&] { return std::tuple(pane.sizeHint(), pane.minimumSizeHint()); };
    const auto usual = sizes();
    const QString longName(240, u'M'); // about as long as a file name may be
    addCustomLayout(longName);
    store.setString(GeneralPreferences::titleKey, QString(100000, u'W'));
    store.setString(GeneralPreferences::defaultLayoutKey, longName);
    pane.hide();
    pane.show(); // lists the new layout
    QCoreApplication::processEvents();
    EXPECT_EQ(picker->currentData(Qt::UserRole).toString(), longName) << "chosen by its whole name";
    EXPECT_EQ(sizes(), usual);
    EXPECT_LE(picker->sizeHint().width(), pane.findChild<QWidget*>("GeneralForm")->width());
    const int row = picker->findData(longName, Qt::UserRole);
    EXPECT_TRUE(picker->itemText(row).endsWith(QChar(0x2026)));
    EXPECT_EQ(picker->itemData(row, Qt::ToolTipRole).toString(), longName);
    for (const QWidget* child : pane.findChildren<QWidget*>()) // nothing shown is cut off
        EXPECT_TRUE(!child->isVisible() || child->isWindow() ||
                    child->parentWidget()->rect().contains(child->geometry()))
            << child->objectName().toStdString();
}

} // namespace
