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

    static QStringList allKeys()
    {
        return {GeneralPreferences::defaultLayoutKey, GeneralPreferences::titleKey,
                GeneralPreferences::authorKey, GeneralPreferences::subjectKey};
    }

    void addCustomLayout(const QString& name)
    {
        RuvedovUzedoz::SavedPageLayout layout;
        layout.rows = 3;
        layouts.save(layout, LayoutManager::TitleKey(name));
    }

    static int rowShowing(const QComboBox* picker, const QString& text)
    {
        return picker->findText(text, Qt::MatchExactly);
    }

    static void choose(QComboBox* picker, int row)
    {
        ASSERT_GE(row, 0);
        picker->setCurrentIndex(row);
        emit picker->activated(row);
    }

    // The shown texts after the "Custom Layouts" header.
    static QStringList customRows(const QComboBox* picker)
    {
        const int header = rowShowing(picker, "Custom Layouts");
        QStringList rows;
        for (int row = header + 1; row < picker->count(); ++row)
            rows.append(picker->itemText(row));
        return rows;
    }
};

TEST_F(GeneralFixture, AnUntouchedPaneShowsDefaultsAndWritesNothing)
{
    {
        GeneralPreferences pane(store, layouts);
        pane.show();
        EXPECT_EQ(pane.layoutPicker()->currentText(), "Default");
        EXPECT_TRUE(pane.titleField()->text().isEmpty());
        EXPECT_TRUE(pane.authorField()->text().isEmpty());
        EXPECT_TRUE(pane.subjectField()->text().isEmpty());
        pane.hide();
        pane.show();
    }
    for (const QString& key : allKeys())
        EXPECT_FALSE(store.contains(key)) << key.toStdString();
}

TEST_F(GeneralFixture, PickerRowsAreInOrderAndOnlyLayoutsCanBeChosen)
{
    GeneralPreferences pane(store, layouts);
    const QComboBox* picker = pane.layoutPicker();
    const auto* model = qobject_cast<const QStandardItemModel*>(picker->model());
    ASSERT_NE(model, nullptr);
    QStringList texts;
    for (int row = 0; row < picker->count(); ++row)
        texts.append(picker->itemText(row));
    EXPECT_EQ(texts, QStringList({"Default", "", "Page Sizes", "US Letter", "US Legal", "US Ledger",
                                  "Metric A4", "Metric A3", "Grids", "One Up", "Two Up", "Four Up",
                                  "Color Schemes", "Light", "Dark", "Custom Layouts"}));
    for (const char* header : {"Page Sizes", "Grids", "Color Schemes", "Custom Layouts"}) {
        const int row = rowShowing(picker, header);
        EXPECT_FALSE(model->item(row)->flags() & Qt::ItemIsEnabled) << header;
        EXPECT_FALSE(picker->itemData(row, Qt::UserRole).isValid()) << header;
    }
    EXPECT_FALSE(model->item(1)->flags() & Qt::ItemIsSelectable) << "the divider";
}

struct TagCase {
    const char* shown;
    const char* stored;
};

class PickerTags : public GeneralFixture, public ::testing::WithParamInterface<TagCase> {};

TEST_P(PickerTags, ChoosingARowStoresItsLayoutName)
{
    GeneralPreferences pane(store, layouts);
    choose(pane.layoutPicker(), rowShowing(pane.layoutPicker(), GetParam().shown));
    EXPECT_EQ(store.string(GeneralPreferences::defaultLayoutKey), QString(GetParam().stored));
    EXPECT_EQ(pane.layoutPicker()->currentText(), GetParam().shown);
    for (const QString& key : allKeys().mid(1))
        EXPECT_FALSE(store.contains(key));
}

INSTANTIATE_TEST_SUITE_P(Rows, PickerTags,
                         ::testing::Values(TagCase{"Default", "Default Layout"},
                                           TagCase{"US Letter", "Letter"}, TagCase{"Metric A3", "A3"},
                                           TagCase{"Four Up", "Four Up"}, TagCase{"Dark", "Dark"}));

TEST_F(GeneralFixture, CustomLayoutsFollowThePlainNameOrder)
{
    for (const char* name : {"beta", "Alpha", "Zed"})
        addCustomLayout(name);
    GeneralPreferences pane(store, layouts);
    EXPECT_EQ(customRows(pane.layoutPicker()), QStringList({"Alpha", "Zed", "beta"}));
    choose(pane.layoutPicker(), rowShowing(pane.layoutPicker(), "beta"));
    EXPECT_EQ(store.string(GeneralPreferences::defaultLayoutKey), QString("beta"));
}

TEST_F(GeneralFixture, SharedAndUnknownNamesAreKeptAsStored)
{
    addCustomLayout("A4");
    store.setString(GeneralPreferences::defaultLayoutKey, "A4");
    GeneralPreferences pane(store, layouts);
    EXPECT_EQ(customRows(pane.layoutPicker()), QStringList({"A4"}));
    EXPECT_EQ(pane.layoutPicker()->currentText(), "Metric A4") << "the first row carrying the name";

    store.setString(GeneralPreferences::defaultLayoutKey, "Gone");
    EXPECT_EQ(pane.layoutPicker()->currentIndex(), -1);
    pane.hide();
    pane.show();
    EXPECT_EQ(store.string(GeneralPreferences::defaultLayoutKey), QString("Gone"));
}

TEST_F(GeneralFixture, TextFieldsStoreEveryEditAndFollowTheStore)
{
    GeneralPreferences pane(store, layouts);
    pane.show();
    QTest::keyClicks(pane.titleField(), "Report");
    EXPECT_EQ(store.string(GeneralPreferences::titleKey), QString("Report"));
    EXPECT_FALSE(store.contains(GeneralPreferences::authorKey));

    pane.titleField()->selectAll();
    QTest::keyClick(pane.titleField(), Qt::Key_Backspace);
    ASSERT_TRUE(store.contains(GeneralPreferences::titleKey)) << "a cleared field stores the empty text";
    EXPECT_EQ(store.string(GeneralPreferences::titleKey), QString(""));

    QSignalSpy writes(&store, &UserDefaults::changed);
    store.setString(GeneralPreferences::subjectKey, "Holiday");
    EXPECT_EQ(pane.subjectField()->text(), "Holiday");
    EXPECT_EQ(writes.count(), 1) << "showing a stored value does not write it back";
}

TEST_F(GeneralFixture, LayoutsSavedMeanwhileAppearWhenShownAgain)
{
    GeneralPreferences pane(store, layouts);
    pane.show();
    addCustomLayout("Proofs");
    EXPECT_TRUE(customRows(pane.layoutPicker()).isEmpty());
    pane.hide();
    pane.show();
    EXPECT_EQ(customRows(pane.layoutPicker()), QStringList({"Proofs"}));
    EXPECT_FALSE(store.contains(GeneralPreferences::defaultLayoutKey));
}

} // namespace
