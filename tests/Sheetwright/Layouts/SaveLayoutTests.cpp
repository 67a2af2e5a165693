#include "QtPrinting.h"
#include "RuvedovUzedoz/Layouts/PageLayout.h"
#include "Sheetwright/Editors/SaveLayout.h"
#include "Sheetwright/Layouts/LayoutManager.h"
#include "support/LogCapture.h"
#include "support/TestEnvironment.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace Sheetwright;
using RuvedovUzedoz::PageLayout;
using RuvedovUzedoz::SavedPageLayout;

namespace {
// Each toggle of the sheet, in order, with the one key it keeps in the saved file.
const std::pair<const char*, const char*> toggles[] = {
    {"Width", "width"},
    {"Height", "height"},
    {"Margin", "margin"},
    {"Rows", "rows"},
    {"Columns", "columns"},
    {"Show Label", "showsLabel"},
    {"Font Name", "fontName"},
    {"Font Size", "fontSize"},
    {"Font Color", "fontColor"},
    {"Draw Background", "drawsBackground"},
    {"Background Color", "backgroundColor"},
    {"Draw Bounding Box", "drawsBoundingBox"},
    {"Draw Images", "drawsImages"},
    {"Enable Compression", "enableQuartz"},
    {"Image Compression", "imageQuality"},
    {"Image Quality", "imageSizeMax"},
};
} // namespace

class SaveLayoutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString test =
            QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name());
        folder = TestSupport::temporaryHome() + "/" + test + "/Layouts";
        manager = std::make_unique<LayoutManager>(folder);
        layout.rows = 3;
        layout.fontName = "DejaVu Sans";
    }

    std::unique_ptr<SaveLayout> makeSheet()
    {
        return std::make_unique<SaveLayout>(layout, "New Layout", SavedPageLayout::Options(), manager.get());
    }

    QStringList savedKeys(const QString& name)
    {
        QFile file(folder + "/" + name + ".swlayout");
        if (!file.open(QIODevice::ReadOnly))
            return {"<no file>"};
        QStringList keys = QJsonDocument::fromJson(file.readAll()).object().keys();
        keys.sort();
        return keys;
    }

    void click(SaveLayout& sheet, const char* name) { sheet.findChild<QAbstractButton*>(name)->click(); }

    PageLayout layout = PageLayout::defaultLayout();
    QString folder;
    std::unique_ptr<LayoutManager> manager;
};

TEST_F(SaveLayoutTest, StartsWithTheCallersNameAndEveryToggleOnAndSavesAllFields)
{
    auto sheet = makeSheet();
    EXPECT_EQ(sheet->findChild<QLineEdit*>("nameField")->text(), "New Layout");
    QStringList labels;
    for (auto* box : sheet->findChildren<QCheckBox*>()) {
        labels << box->text();
        EXPECT_TRUE(box->isChecked());
    }
    ASSERT_EQ(labels.size(), qsizetype(std::size(toggles)));
    for (size_t i = 0; i < std::size(toggles); ++i)
        EXPECT_EQ(labels[qsizetype(i)], QString::fromUtf8(toggles[i].first));
    EXPECT_GE(sheet->minimumWidth(), 300);

    click(*sheet, "saveButton");
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(savedKeys("New Layout").size(), 19);
    EXPECT_EQ(manager->layout(LayoutManager::TitleKey("New Layout")), SavedPageLayout::from(layout));
}

TEST_F(SaveLayoutTest, NoneAndAllSwitchEveryToggleAndEachToggleKeepsExactlyItsOwnField)
{
    auto empty = makeSheet();
    click(*empty, "noneButton");
    empty->findChild<QLineEdit*>("nameField")->setText("Nothing");
    click(*empty, "saveButton");
    EXPECT_EQ(savedKeys("Nothing"), QStringList());
    PageLayout other = PageLayout::defaultLayout();
    other.apply(*manager->layout(LayoutManager::TitleKey("Nothing")));
    EXPECT_EQ(other, PageLayout::defaultLayout());

    auto all = makeSheet();
    click(*all, "noneButton");
    click(*all, "allButton");
    all->findChild<QLineEdit*>("nameField")->setText("Everything");
    click(*all, "saveButton");
    EXPECT_EQ(savedKeys("Everything").size(), 19);

    for (const auto& [label, field] : toggles) {
        auto sheet = makeSheet();
        click(*sheet, "noneButton");
        sheet->findChild<QCheckBox*>(label)->click();
        sheet->findChild<QLineEdit*>("nameField")->setText(QString::fromUtf8(field));
        click(*sheet, "saveButton");
        EXPECT_EQ(savedKeys(QString::fromUtf8(field)), QStringList{field}) << label;
    }
}

TEST_F(SaveLayoutTest, TypingReplacesTheProposedNameReturnSavesAndEscapeSavesNothing)
{
    auto sheet = makeSheet();
    sheet->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet.get()));
    auto* name = sheet->findChild<QLineEdit*>("nameField");
    EXPECT_EQ(name->selectedText(), QStringLiteral("New Layout"));
    QTest::keyClicks(name, "Wide  ");
    EXPECT_EQ(sheet->name(), QStringLiteral("Wide  "));
    layout.rows = 9; // later changes of the window's layout are not the sheet's
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(manager->layout(LayoutManager::TitleKey("Wide  "))->rows, 3);

    auto cancelled = makeSheet();
    cancelled->show();
    QTest::keyClick(cancelled.get(), Qt::Key_Escape);
    EXPECT_EQ(cancelled->result(), QDialog::Rejected);
    EXPECT_EQ(manager->layouts().size(), 1u);
}

TEST_F(SaveLayoutTest, RefusedNamesAndFailedSavesWarnAndKeepTheSheetOpen)
{
    KestrelExtensions::LogCapture log;
    for (const char* hostile : {"", "..", "a/b", "../../evil", "Default Layout"}) {
        auto sheet = makeSheet();
        sheet->show();
        sheet->findChild<QLineEdit*>("nameField")->setText(QString::fromUtf8(hostile));
        click(*sheet, "saveButton");
        EXPECT_TRUE(sheet->isVisible()) << hostile;
        EXPECT_NE(sheet->result(), QDialog::Accepted) << hostile;
        EXPECT_TRUE(sheet->findChild<QMessageBox*>("saveLayoutError")) << hostile;
        EXPECT_EQ(sheet->name(), QString::fromUtf8(hostile));
    }
    EXPECT_TRUE(manager->layouts().empty());
    EXPECT_FALSE(QDir(folder).exists());

    // The layouts folder's place is taken by a file: the write fails, is logged and shown.
    QDir().mkpath(QFileInfo(folder).path());
    QFile(folder).open(QIODevice::WriteOnly);
    auto sheet = makeSheet();
    sheet->show();
    click(*sheet, "saveButton");
    EXPECT_TRUE(sheet->isVisible());
    auto* report = sheet->findChild<QMessageBox*>("failureReport");
    ASSERT_TRUE(report);
    EXPECT_EQ(report->text(), QStringLiteral("The layout \u201CNew Layout\u201D could not be saved."));
    EXPECT_TRUE(report->informativeText().contains(QStringLiteral("New Layout.swlayout")));
    EXPECT_EQ(report->windowModality(), Qt::WindowModal);
    ASSERT_EQ(log.systemLines().size(), 1);
    EXPECT_TRUE(log.systemLines().first().startsWith(
        QStringLiteral("The layout \u201CNew Layout\u201D could not be saved (")));
    EXPECT_TRUE(manager->layouts().empty());
}
