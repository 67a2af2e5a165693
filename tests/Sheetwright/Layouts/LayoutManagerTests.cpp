#include "EditorFixture.h"
#include "Sheetwright/Editors/SaveLayout.h"
#include "Sheetwright/Layouts/LayoutError.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QMessageBox>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace Sheetwright;
using RuvedovUzedoz::SavedPageLayout;
using Key = LayoutManager::TitleKey;
using RuvedovUzedoz::PageLayout;

namespace {
SavedPageLayout grid(qint64 rows, qint64 columns)
{
    return SavedPageLayout{.rows = rows, .columns = columns};
}
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

class LayoutManagerTest : public EditorFixture {
protected:
    void writeFile(const QString& name, const QByteArray& content)
    {
        QDir().mkpath(folder);
        QFile file(folder + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    const QString folder = testFolder() + "/Layouts";
};

TEST_F(LayoutManagerTest, PresetsAndTheReservedDefaultWithoutAFolder)
{
    const std::tuple<Key, const char*, QJsonObject> rows[] = {
        {Key::letter, "Letter", {{"width", 792}, {"height", 612}}},
        {Key::legal, "Legal", {{"width", 1008}, {"height", 612}}},
        {Key::ledger, "Ledger", {{"width", 1224}, {"height", 792}}},
        {Key::a4, "A4", {{"width", 595.3}, {"height", 841.9}}},
        {Key::a3, "A3", {{"width", 1190.6}, {"height", 841.9}}},
        {Key::oneUp, "One Up", {{"rows", 1}, {"columns", 1}}},
        {Key::twoUp, "Two Up", {{"rows", 1}, {"columns", 2}}},
        {Key::fourUp, "Four Up", {{"rows", 2}, {"columns", 2}}},
        {Key::light, "Light", {{"fontColor", QJsonArray{0, 1}}, {"backgroundColor", QJsonArray{1, 1}}}},
        {Key::dark, "Dark", {{"fontColor", QJsonArray{0.82, 1}}, {"backgroundColor", QJsonArray{0.18, 1}}}},
    };
    std::vector<Key> keys;
    for (const auto& [key, name, json] : rows) {
        keys.push_back(key);
        EXPECT_EQ(key.name(), name); // stored in settings: must never change
        EXPECT_EQ(manager.layout(key).value().toJson().toObject(), json) << name;
    }
    EXPECT_EQ(LayoutManager::presetKeys(), keys);
    EXPECT_EQ(manager.layout(Key::defaultLayout), SavedPageLayout::defaultLayout());
    EXPECT_FALSE(manager.layout(Key(QStringLiteral("Nope"))));
    EXPECT_FALSE(manager.layout(Key(QStringLiteral("letter")))); // case counts
}

TEST_F(LayoutManagerTest, EveryItemOfTheFolderLoadsWhateverItsExtensionAndAFailureDropsItsKey)
{
    writeFile("Compact.json", R"({"rows":3,"columns":4})");
    writeFile("Pack.v2.json", R"({"rows":2})");
    writeFile(".DS_Store", "\x00\x01garbage");
    writeFile("empty.swlayout", "{}");
    writeFile("bad.swlayout", R"({"fontColor":[1,0,0]})");
    writeFile("typed.swlayout", R"({"width":"wide"})");
    // Read in name order: a failing item drops what an earlier item stored under its key, and a good
    // item after a failing one still counts.
    writeFile("x.swlayout", R"({"rows":5})");
    writeFile("x.txt", "not json");
    writeFile("y.notes", "not json");
    writeFile("y.swlayout", R"({"rows":6})");
    QDir(folder).mkpath("Folder.swlayout");
    // A sparse file of 200 GB takes no disk space but must not be read into memory at start-up.
    QFile huge(folder + "/huge.swlayout");
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(200) << 30));
    huge.close();
    KestrelExtensions::LogCapture log;
    EXPECT_TRUE(manager.layouts().empty()) << "made before the files were there; never reads again";
    LayoutManager loaded(folder);
    QStringList names;
    for (const auto& [key, layout] : loaded.layouts())
        names << key.name();
    EXPECT_EQ(names, (QStringList{"Compact", "Pack.v2", "empty", "y"}));
    EXPECT_EQ(loaded.layout(Key("Compact")), grid(3, 4));
    EXPECT_EQ(loaded.layout(Key("empty")), SavedPageLayout());
    EXPECT_EQ(loaded.layout(Key("y"))->rows, 6);
    EXPECT_EQ(log.systemLines().size(), 7) << log.systemLines().join('\n').toStdString();
    EXPECT_EQ(log.systemLines().filter("huge.swlayout").size(), 1);
    // Deleting trashes the file the layout was read from.
    loaded.deleteLayout(Key("Compact"));
    EXPECT_FALSE(QFile::exists(folder + "/Compact.json"));
}

TEST_F(LayoutManagerTest, SavesCreateTheFoldersAndFileAndOnlyAManagerMadeLaterSeesThem)
{
    KestrelExtensions::LogCapture log;
    LayoutManager& ours = manager;
    LayoutManager theirs(folder);
    SavedPageLayout wide = grid(1, 3);
    wide.width = 1224.5;
    theirs.save(wide, Key("Wide"));
    EXPECT_TRUE(QFile::exists(folder + "/Wide.swlayout"));
    EXPECT_EQ(theirs.layout(Key("Wide")), wide);
    EXPECT_EQ(log.systemLines(), QStringList{"New layout saved as Wide.swlayout"});
    EXPECT_FALSE(ours.layout(Key("Wide"))) << "the folder is read once, when the manager is made";
    theirs.save(grid(2, 2), Key("Wide"));
    theirs.save(grid(1, 1), Key("wide"));
    LayoutManager later(folder);
    EXPECT_EQ(later.layouts().size(), 2u);
    EXPECT_EQ(later.layout(Key("Wide")), grid(2, 2));
    EXPECT_EQ(later.layout(Key("wide")), grid(1, 1));
    theirs.deleteLayout(Key("Wide"));
    EXPECT_EQ(later.layouts().size(), 2u);
    EXPECT_TRUE(ours.layouts().empty());
}

TEST_F(LayoutManagerTest, CustomLayoutsHidePresetsUntilDeletedToTheTrash)
{
    writeFile("Compact.swlayout", R"({"rows":3})");
    LayoutManager manager(folder);
    manager.save(grid(3, 3), Key::letter);
    EXPECT_EQ(manager.layout(Key::letter), grid(3, 3));
    manager.save(grid(4, 4), Key::defaultLayout);
    EXPECT_EQ(manager.layouts().count(Key::defaultLayout), 1u);
    EXPECT_EQ(manager.layout(Key::defaultLayout), SavedPageLayout::defaultLayout());
    KestrelExtensions::LogCapture log;
    manager.deleteLayout(Key::letter);
    manager.deleteLayout(Key("Compact")); // read from the folder, not saved here
    for (const char* file : {"Letter.swlayout", "Compact.swlayout"}) {
        EXPECT_FALSE(QFile::exists(folder + "/" + file)) << file;
        EXPECT_TRUE(QDir(qEnvironmentVariable("XDG_DATA_HOME") + "/Trash/files").exists(file)) << file;
    }
    EXPECT_EQ(log.systemLines().first(), "Layout 'Letter.swlayout' deleted");
    EXPECT_EQ(manager.layout(Key::letter)->width, 792);
    EXPECT_EQ(manager.layouts().size(), 1u);
}

TEST_F(LayoutManagerTest, FailedDeletesAndSavesChangeNothing)
{
    KestrelExtensions::LogCapture log;
    EXPECT_THROW(manager.deleteLayout(Key("Ghost")), LayoutError);
    EXPECT_THROW(manager.deleteLayout(Key::dark), LayoutError);
    EXPECT_TRUE(manager.layout(Key::dark));
    for (const char* hostile : {"", ".", "..", "a/b", "../evil", "/tmp/evil", "nul\0byte"}) {
        const QString name = QString::fromUtf8(hostile, hostile[0] == 'n' ? 8 : -1);
        EXPECT_THROW(manager.save(grid(1, 1), Key(name)), LayoutError) << hostile;
        EXPECT_TRUE(LayoutManager::nameProblem(name)) << hostile;
    }
    EXPECT_FALSE(LayoutManager::nameProblem(QStringLiteral(".hidden name.v2")));
    // A value the file cannot hold is refused; the table and the file keep the last good save.
    manager.save(grid(1, 1), Key("Keep"));
    SavedPageLayout broken;
    broken.width = std::numeric_limits<double>::infinity();
    EXPECT_THROW(manager.save(broken, Key("Keep")), KestrelExtensions::LocalizedError);
    EXPECT_EQ(manager.layout(Key("Keep")), grid(1, 1));
    EXPECT_EQ(LayoutManager(folder).layout(Key("Keep")), grid(1, 1));
    EXPECT_EQ(log.systemLines(), QStringList{"New layout saved as Keep.swlayout"});
    LayoutManager nowhere{QString()};
    EXPECT_THROW(nowhere.save(grid(1, 1), Key("Wide")), LayoutError);
}

TEST_F(LayoutManagerTest, NamesAreComposedAndOrderedByCodePoints)
{
    // Two spellings of one name are one key; the stored name is the composed one.
    EXPECT_EQ(Key(QStringLiteral("Caf\u00E9")), Key(QStringLiteral("Cafe\u0301")));
    EXPECT_EQ(Key(QStringLiteral("Cafe\u0301")).name(), QStringLiteral("Caf\u00E9"));
    // Past the Basic Multilingual Plane UTF-16 units and code points disagree; code points decide.
    EXPECT_LT(Key(QStringLiteral("\uFFFD")), Key(QString::fromUcs4(U"\U0001F600")));
    manager.save(grid(1, 1), Key(QStringLiteral("Cafe\u0301")));
    manager.save(grid(2, 2), Key(QStringLiteral("Caf\u00E9")));
    ASSERT_EQ(manager.layouts().size(), 1u);
    EXPECT_EQ(manager.layout(Key(QStringLiteral("Cafe\u0301")))->rows, 2);
}

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

TEST_F(LayoutManagerTest, APipeAmongTheLayoutFilesIsSkippedWithoutWaitingAndAMarkedFileIsRead)
{
    writeFile("Marked.swlayout", "\xEF\xBB\xBF{\"rows\":3,\"columns\":4}");
    writeFile("Plain.swlayout", "{\"rows\":2}");
    const QString pipe = folder + "/Pipe.swlayout";
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);

    KestrelExtensions::LogCapture log;
    std::promise<LayoutManager::Table> loaded;
    auto result = loaded.get_future();
    std::thread reader([&] { loaded.set_value(LayoutManager(folder).layouts()); });
    const bool finished = result.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    if (!finished) { // release a reader stuck on the pipe, so the test fails rather than hangs
        const int writer = ::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
    }
    reader.join();
    ASSERT_TRUE(finished) << "reading the layouts waited on the pipe";
    const auto layouts = result.get();
    EXPECT_EQ(layouts.size(), 2u);
    EXPECT_EQ(layouts.count(Key("Marked")) ? layouts.at(Key("Marked")) : SavedPageLayout(), grid(3, 4));
    EXPECT_EQ(layouts.count(Key("Plain")), 1u);
    ASSERT_EQ(log.systemLines().size(), 1);
    EXPECT_TRUE(log.systemLines().first().contains("Pipe.swlayout"))
        << log.systemLines().first().toStdString();
    EXPECT_TRUE(QFileInfo(pipe).exists() && !QFileInfo(pipe).isFile());
}
