#include "EditorFixture.h"
#include "Sheetwright/Editors/SaveLayout.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>

using namespace Sheetwright;
using RuvedovUzedoz::PageLayout;
using RuvedovUzedoz::SavedPageLayout;
using Key = LayoutManager::TitleKey;

namespace {
// Each toggle of the sheet, in order, and the one key each keeps in the saved file.
const QStringList toggles =
    QString("Width|Height|Margin|Rows|Columns|Show Label|Font Name|Font Size|Font Color|"
            "Draw Background|Background Color|Draw Bounding Box|Draw Images|"
            "Enable Compression|Image Compression|Image Quality")
        .split('|');
const QStringList toggleKeys{"width",       "height",          "margin",          "rows",
                             "columns",     "showsLabel",      "fontName",        "fontSize",
                             "fontColor",   "drawsBackground", "backgroundColor", "drawsBoundingBox",
                             "drawsImages", "enableQuartz",    "imageQuality",    "imageSizeMax"};
} // namespace

class SaveLayoutTest : public EditorFixture {
protected:
    std::unique_ptr<SaveLayout> makeSheet()
    {
        return std::make_unique<SaveLayout>(layout, "New Layout", SavedPageLayout::Options(), &manager);
    }

    // A shown sheet after the named buttons were clicked, the name typed and Save clicked.
    std::unique_ptr<SaveLayout> save(const QString& name, const QStringList& buttons = {})
    {
        auto sheet = makeSheet();
        sheet->show();
        for (const QString& button : buttons)
            sheet->findChild<QAbstractButton*>(button)->click();
        sheet->findChild<QLineEdit*>("nameField")->setText(name);
        sheet->findChild<QAbstractButton*>("saveButton")->click();
        return sheet;
    }

    QStringList savedKeys(const QString& name, const QStringList& buttons)
    {
        QFile file(testFolder() + "/Layouts/" + name + ".swlayout");
        if (save(name, buttons)->result() != QDialog::Accepted || !file.open(QIODevice::ReadOnly))
            return {"<not saved>"};
        QStringList keys = QJsonDocument::fromJson(file.readAll()).object().keys();
        keys.sort();
        return keys;
    }

    PageLayout layout = edited([](auto& l) { l.rows = 3; });
};

TEST_F(SaveLayoutTest, EachToggleKeepsExactlyItsOwnKeyAndAllOrNoneSwitchEveryToggle)
{
    auto sheet = makeSheet();
    QStringList shown, keys = toggleKeys + QStringList{"imageResolution", "imageScaleFactor", "imageSizeMin"};
    for (auto* box : sheet->findChildren<QCheckBox*>()) {
        shown << box->text();
        EXPECT_TRUE(box->isChecked());
    }
    EXPECT_EQ(shown, toggles);
    keys.sort();
    EXPECT_EQ(savedKeys("New Layout", {}), keys);
    EXPECT_EQ(manager.layout(Key("New Layout")), SavedPageLayout::from(layout));
    EXPECT_EQ(savedKeys("Everything", {"noneButton", "allButton"}), keys);
    EXPECT_EQ(savedKeys("Nothing", {"noneButton"}), QStringList());
    for (qsizetype toggle = 0; toggle < toggles.size(); ++toggle)
        EXPECT_EQ(savedKeys(toggleKeys[toggle], {"noneButton", toggles[toggle]}),
                  QStringList{toggleKeys[toggle]});
}

TEST_F(SaveLayoutTest, TypingReplacesTheProposedNameReturnSavesAndEscapeSavesNothing)
{
    auto sheet = makeSheet();
    auto* name = sheet->findChild<QLineEdit*>("nameField");
    sheet->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(sheet.get()));
    EXPECT_EQ(QApplication::focusWidget(), name);
    EXPECT_EQ(name->selectedText(), QStringLiteral("New Layout"));
    QTest::keyClicks(name, "Wide  ");
    EXPECT_EQ(sheet->name(), QStringLiteral("Wide  "));
    layout.rows = 9; // later changes of the window's layout are not the sheet's
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(manager.layout(Key("Wide  "))->rows, 3);
    auto cancelled = makeSheet();
    cancelled->show();
    QTest::keyClick(cancelled.get(), Qt::Key_Escape);
    EXPECT_EQ(cancelled->result(), QDialog::Rejected);
    EXPECT_EQ(manager.layouts().size(), 1u);
}

TEST_F(SaveLayoutTest, RefusedNamesAndFailedSavesWarnAndKeepTheSheetOpen)
{
    KestrelExtensions::LogCapture log;
    for (const char* hostile : {"", "..", "a/b", "../../evil", "Default Layout"}) {
        auto sheet = save(QString::fromUtf8(hostile));
        EXPECT_TRUE(sheet->isVisible()) << hostile;
        EXPECT_NE(sheet->result(), QDialog::Accepted) << hostile;
        EXPECT_TRUE(sheet->findChild<QMessageBox*>("saveLayoutError")) << hostile;
        EXPECT_EQ(sheet->name(), QString::fromUtf8(hostile));
    }
    EXPECT_FALSE(QDir(testFolder() + "/Layouts").exists());
    // The layouts folder's place is taken by a file: the write fails, is logged and shown.
    QDir().mkpath(testFolder());
    QFile(testFolder() + "/Layouts").open(QIODevice::WriteOnly);
    auto sheet = save("New Layout");
    EXPECT_TRUE(sheet->isVisible());
    auto* report = sheet->findChild<QMessageBox*>("failureReport");
    ASSERT_TRUE(report);
    EXPECT_EQ(report->text(), QStringLiteral("The layout \u201CNew Layout\u201D could not be saved."));
    EXPECT_TRUE(report->informativeText().contains(QStringLiteral("New Layout.swlayout")));
    EXPECT_EQ(report->windowModality(), Qt::WindowModal);
    ASSERT_EQ(log.systemLines().size(), 1);
    EXPECT_TRUE(log.systemLines().first().startsWith(
        QStringLiteral("The layout \u201CNew Layout\u201D could not be saved (")));
    EXPECT_TRUE(manager.layouts().empty());
}
