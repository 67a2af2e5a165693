#include "KestrelExtensions/Defaults/UserDefaults.h"
#include "Sheetwright/Settings/GeneralPreferences.h"
#include "support/TestEnvironment.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStandardItemModel>
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
    const QStringList keys{GeneralPreferences::defaultLayoutKey, GeneralPreferences::titleKey,
                           GeneralPreferences::authorKey, GeneralPreferences::subjectKey};

    void addCustomLayout(const QString& name)
    {
        layouts.save(RuvedovUzedoz::SavedPageLayout{.rows = 3}, LayoutManager::TitleKey(name));
    }

    static void choose(QComboBox* picker, const QString& text)
    {
        const int row = picker->findText(text, Qt::MatchExactly);
        ASSERT_GE(row, 0) << text.toStdString();
        picker->setCurrentIndex(row);
        emit picker->activated(row);
    }

    // The shown texts after the "Custom Layouts" header.
    static QStringList customRows(const QComboBox* picker)
    {
        QStringList rows;
        for (int row = picker->findText("Custom Layouts") + 1; row < picker->count(); ++row)
            rows.append(picker->itemText(row));
        return rows;
    }
};

TEST_F(GeneralFixture, PickerRowsAreInOrderAndOnlyLayoutsCanBeChosenByTheirStoredNames)
{
    GeneralPreferences pane(store, layouts);
    QComboBox* picker = pane.layoutPicker();
    const auto* model = qobject_cast<const QStandardItemModel*>(picker->model());
    ASSERT_NE(model, nullptr);
    QStringList texts;
    for (int row = 0; row < picker->count(); ++row)
        texts.append(picker->itemText(row));
    EXPECT_EQ(texts, QStringList({"Default", "", "Page Sizes", "US Letter", "US Legal", "US Ledger",
                                  "Metric A4", "Metric A3", "Grids", "One Up", "Two Up", "Four Up",
                                  "Color Schemes", "Light", "Dark", "Custom Layouts"}));
    for (const char* header : {"Page Sizes", "Grids", "Color Schemes", "Custom Layouts"}) {
        const int row = picker->findText(header);
        EXPECT_FALSE(model->item(row)->flags() & Qt::ItemIsEnabled) << header;
        EXPECT_FALSE(picker->itemData(row, Qt::UserRole).isValid()) << header;
    }
    EXPECT_FALSE(model->item(1)->flags() & Qt::ItemIsSelectable) << "the divider";
    const std::pair<const char*, const char*> rows[] = {{"US Letter", "Letter"},
                                                        {"Metric A3", "A3"},
                                                        {"Four Up", "Four Up"},
                                                        {"Dark", "Dark"},
                                                        {"Default", "Default Layout"}};
    for (const auto& [shown, stored] : rows) {
        choose(picker, shown);
        EXPECT_EQ(store.string(GeneralPreferences::defaultLayoutKey), QString(stored)) << shown;
        EXPECT_EQ(picker->currentText(), shown);
    }
    for (const QString& key : keys.mid(1))
        EXPECT_FALSE(store.contains(key));
}

TEST_F(GeneralFixture, CustomLayoutsFollowThePlainNameOrderAndStoredNamesAreKept)
{
    for (const char* name : {"beta", "Alpha", "Zed", "A4"})
        addCustomLayout(name);
    store.setString(GeneralPreferences::defaultLayoutKey, "A4");
    GeneralPreferences pane(store, layouts);
    EXPECT_EQ(customRows(pane.layoutPicker()), QStringList({"A4", "Alpha", "Zed", "beta"}));
    EXPECT_EQ(pane.layoutPicker()->currentText(), "Metric A4") << "the first row carrying the name";
    choose(pane.layoutPicker(), "beta");
    EXPECT_EQ(store.string(GeneralPreferences::defaultLayoutKey), QString("beta"));
    store.setString(GeneralPreferences::defaultLayoutKey, "Gone");
    EXPECT_EQ(pane.layoutPicker()->currentIndex(), -1);
    pane.hide();
    pane.show();
    EXPECT_EQ(store.string(GeneralPreferences::defaultLayoutKey), QString("Gone"));
}

TEST_F(GeneralFixture, TextFieldsStoreEveryEditInTheirOwnKeyAndFollowTheStore)
{
    GeneralPreferences pane(store, layouts);
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
}

TEST_F(GeneralFixture, AnUntouchedPaneShowsDefaultsWritesNothingAndListsNewLayoutsWhenShownAgain)
{
    GeneralPreferences pane(store, layouts);
    pane.show();
    EXPECT_EQ(pane.layoutPicker()->currentText(), "Default");
    for (QLineEdit* field : {pane.titleField(), pane.authorField(), pane.subjectField()})
        EXPECT_TRUE(field->text().isEmpty());
    addCustomLayout("Proofs");
    EXPECT_TRUE(customRows(pane.layoutPicker()).isEmpty());
    pane.hide();
    pane.show();
    EXPECT_EQ(customRows(pane.layoutPicker()), QStringList({"Proofs"}));
    for (const QString& key : keys)
        EXPECT_FALSE(store.contains(key)) << key.toStdString();
}

} // namespace
