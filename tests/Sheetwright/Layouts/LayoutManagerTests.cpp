#include "QtPrinting.h"
#include "RuvedovUzedoz/Layouts/PageLayout.h"
#include "Sheetwright/Layouts/LayoutError.h"
#include "Sheetwright/Layouts/LayoutManager.h"
#include "support/LogCapture.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace Sheetwright;
using RuvedovUzedoz::ColorProxy;
using RuvedovUzedoz::PageLayout;
using RuvedovUzedoz::SavedPageLayout;
using Key = LayoutManager::TitleKey;

namespace {
// Each test has its own folder, so the tests also pass when run in one process.
QString layoutsFolder()
{
    const QString test = QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name());
    return TestSupport::temporaryHome() + QStringLiteral("/") + test + QStringLiteral("/Sheetwright/Layouts");
}

void writeFile(const QString& name, const QByteArray& content)
{
    QDir().mkpath(layoutsFolder());
    QFile file(layoutsFolder() + QLatin1Char('/') + name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

SavedPageLayout grid(qint64 rows, qint64 columns)
{
    SavedPageLayout saved;
    saved.rows = rows;
    saved.columns = columns;
    return saved;
}

QStringList trashedFiles()
{
    return QDir(qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Trash/files"))
        .entryList(QDir::Files);
}
} // namespace

TEST(LayoutManager, PresetsAndTheReservedDefaultWithoutAFolder)
{
    LayoutManager manager(layoutsFolder());
    EXPECT_TRUE(manager.layouts().empty());
    ASSERT_EQ(manager.defaultLayouts().size(), 10u);

    struct Row {
        Key key;
        QJsonObject json;
    };
    const Row rows[] = {
        {Key::letter, {{"width", 792}, {"height", 612}}},
        {Key::legal, {{"width", 1008}, {"height", 612}}},
        {Key::ledger, {{"width", 1224}, {"height", 792}}},
        {Key::a4, {{"width", 595.3}, {"height", 841.9}}},
        {Key::a3, {{"width", 1190.6}, {"height", 841.9}}},
        {Key::oneUp, {{"rows", 1}, {"columns", 1}}},
        {Key::twoUp, {{"rows", 1}, {"columns", 2}}},
        {Key::fourUp, {{"rows", 2}, {"columns", 2}}},
        {Key::light, {{"fontColor", QJsonArray{0, 1}}, {"backgroundColor", QJsonArray{1, 1}}}},
        {Key::dark, {{"fontColor", QJsonArray{0.82, 1}}, {"backgroundColor", QJsonArray{0.18, 1}}}},
    };
    ASSERT_EQ(LayoutManager::presetKeys().size(), 10u);
    for (size_t i = 0; i < std::size(rows); ++i) {
        EXPECT_EQ(LayoutManager::presetKeys()[i], rows[i].key);
        const auto preset = manager.layout(rows[i].key);
        ASSERT_TRUE(preset) << rows[i].key.name().toStdString();
        EXPECT_EQ(preset->toJson().toObject(), rows[i].json) << rows[i].key.name().toStdString();
    }
    QStringList names;
    for (const Key& key : LayoutManager::presetKeys())
        names.append(key.name());
    EXPECT_EQ(names, (QStringList{"Letter", "Legal", "Ledger", "A4", "A3", "One Up", "Two Up", "Four Up",
                                  "Light", "Dark"})); // stored in settings: must never change
    EXPECT_EQ(manager.layout(Key::defaultLayout), SavedPageLayout::defaultLayout());
    EXPECT_FALSE(manager.layout(Key(QStringLiteral("Nope"))));
    EXPECT_FALSE(manager.layout(Key(QStringLiteral("letter")))); // case counts
}

TEST(LayoutManager, LoadsGoodLayoutFilesAndSkipsEverythingElse)
{
    writeFile("Compact.json", R"({"rows":3,"columns":4})");
    writeFile(".DS_Store", "\x00\x01garbage");
    writeFile("empty.swlayout", "{}");
    writeFile("bad.swlayout", R"({"fontColor":[1,0,0]})");
    writeFile("typed.swlayout", R"({"width":"wide"})");
    writeFile("x.swlayout", R"({"rows":5})");
    writeFile("x.txt", "not json");
    QDir(layoutsFolder()).mkpath("Folder.swlayout");
    // A sparse file of 200 GB takes no disk space but must not be read into memory at start-up.
    {
        QFile huge(layoutsFolder() + "/huge.swlayout");
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        ASSERT_TRUE(huge.resize(qint64(200) << 30));
    }

    KestrelExtensions::LogCapture log;
    LayoutManager manager(layoutsFolder());
    std::vector<QString> names;
    for (const auto& [key, layout] : manager.layouts())
        names.push_back(key.name());
    EXPECT_EQ(names, (std::vector<QString>{"empty", "x"}));
    EXPECT_EQ(manager.layout(Key("empty")), SavedPageLayout());
    EXPECT_EQ(manager.layout(Key("x"))->rows, 5);
    ASSERT_EQ(log.systemLines().size(), 3); // bad, huge, typed; other files are not read at all
    EXPECT_TRUE(log.systemLines()[1].contains("huge.swlayout")) << log.systemLines()[1].toStdString();
}

TEST(LayoutManager, SaveCreatesTheFoldersWritesTheFileAndPersists)
{
    KestrelExtensions::LogCapture log;
    LayoutManager manager(layoutsFolder());
    ASSERT_FALSE(QDir(layoutsFolder()).exists());
    SavedPageLayout wide = grid(1, 3);
    wide.width = 1224.5;
    manager.save(wide, Key("Wide"));
    EXPECT_TRUE(QFile::exists(layoutsFolder() + "/Wide.swlayout"));
    EXPECT_EQ(manager.layout(Key("Wide")), wide);
    EXPECT_EQ(log.systemLines(), QStringList{"New layout saved as Wide.swlayout"});

    manager.save(grid(2, 2), Key("Wide"));
    EXPECT_EQ(manager.layout(Key("Wide")), grid(2, 2));
    EXPECT_EQ(log.systemLines().size(), 2);

    manager.save(grid(1, 1), Key("wide"));
    LayoutManager reopened(layoutsFolder());
    EXPECT_EQ(reopened.layouts().size(), 2u);
    EXPECT_EQ(reopened.layout(Key("Wide")), grid(2, 2));
    EXPECT_EQ(reopened.layout(Key("wide")), grid(1, 1));
}

TEST(LayoutManager, CustomLayoutsHidePresetsUntilDeleted)
{
    LayoutManager manager(layoutsFolder());
    manager.save(grid(3, 3), Key::letter);
    EXPECT_EQ(manager.layout(Key::letter), grid(3, 3));

    manager.save(grid(4, 4), Key::defaultLayout);
    EXPECT_EQ(manager.layouts().count(Key::defaultLayout), 1u);
    EXPECT_EQ(manager.layout(Key::defaultLayout), SavedPageLayout::defaultLayout());

    KestrelExtensions::LogCapture log;
    manager.deleteLayout(Key::letter);
    EXPECT_FALSE(QFile::exists(layoutsFolder() + "/Letter.swlayout"));
    EXPECT_TRUE(trashedFiles().contains("Letter.swlayout"));
    EXPECT_EQ(log.systemLines(), QStringList{"Layout 'Letter.swlayout' deleted"});
    EXPECT_EQ(manager.layout(Key::letter)->width, 792);
}

TEST(LayoutManager, DeletesTheFileALayoutWasReadFrom)
{
    writeFile("Compact.swlayout", R"({"rows":3})");
    LayoutManager manager(layoutsFolder());
    manager.deleteLayout(Key("Compact"));
    EXPECT_FALSE(QFile::exists(layoutsFolder() + "/Compact.swlayout"));
    EXPECT_TRUE(manager.layouts().empty());
}

TEST(LayoutManager, FailedDeletesAndSavesChangeNothing)
{
    LayoutManager manager(layoutsFolder());
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
    QDirIterator everything(TestSupport::temporaryHome(), QDir::Files | QDir::Hidden,
                            QDirIterator::Subdirectories);
    while (everything.hasNext())
        EXPECT_FALSE(everything.next().contains("evil"));

    // The layouts folder is taken by a file: the save fails and nothing is listed.
    QDir().mkpath(TestSupport::temporaryHome() + "/blocked/Sheetwright");
    QFile(TestSupport::temporaryHome() + "/blocked/Sheetwright/Layouts").open(QIODevice::WriteOnly);
    LayoutManager blocked(TestSupport::temporaryHome() + "/blocked/Sheetwright/Layouts");
    EXPECT_THROW(blocked.save(grid(1, 1), Key("Wide")), KestrelExtensions::LocalizedError);
    EXPECT_TRUE(blocked.layouts().empty());

    // A non-finite value is refused before the file is touched.
    manager.save(grid(1, 1), Key("Keep"));
    SavedPageLayout broken;
    broken.width = std::numeric_limits<double>::infinity();
    EXPECT_THROW(manager.save(broken, Key("Keep")), KestrelExtensions::LocalizedError);
    EXPECT_EQ(LayoutManager(layoutsFolder()).layout(Key("Keep")), grid(1, 1));
    EXPECT_EQ(log.systemLines(), QStringList{"New layout saved as Keep.swlayout"});

    LayoutManager nowhere{QString()};
    EXPECT_THROW(nowhere.save(grid(1, 1), Key("Wide")), LayoutError);
}

TEST(LayoutManager, ReadOnlyFolderRefusesSavesAndKeepsTheTable)
{
    QDir().mkpath(layoutsFolder());
    QFile::setPermissions(layoutsFolder(), QFile::ReadOwner | QFile::ExeOwner);
    QString folder = layoutsFolder();
    // A superuser writes into read-only folders; a folder under /proc stays unwritable for everyone.
    if (QFile(layoutsFolder() + "/probe").open(QIODevice::WriteOnly))
        folder = QStringLiteral("/proc/sheetwright-layouts");
    LayoutManager manager(folder);
    EXPECT_THROW(manager.save(grid(1, 1), Key("Wide")), KestrelExtensions::LocalizedError);
    EXPECT_TRUE(manager.layouts().empty());
    QFile::setPermissions(layoutsFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(LayoutManager, NamesAreComposedAndOrderedByCodePoints)
{
    // Two spellings of one name are one key; the stored name is the composed one.
    EXPECT_EQ(Key(QStringLiteral("Caf\u00E9")), Key(QStringLiteral("Cafe\u0301")));
    EXPECT_EQ(Key(QStringLiteral("Cafe\u0301")).name(), QStringLiteral("Caf\u00E9"));
    // Past the Basic Multilingual Plane UTF-16 units and code points disagree; code points decide.
    EXPECT_LT(Key(QStringLiteral("\uFFFD")), Key(QString::fromUcs4(U"\U0001F600")));
    EXPECT_LT(Key(QStringLiteral("B")), Key(QStringLiteral("a")));

    LayoutManager manager(layoutsFolder());
    manager.save(grid(1, 1), Key(QStringLiteral("Cafe\u0301")));
    manager.save(grid(2, 2), Key(QStringLiteral("Caf\u00E9")));
    ASSERT_EQ(manager.layouts().size(), 1u);
    EXPECT_EQ(manager.layout(Key(QStringLiteral("Cafe\u0301")))->rows, 2);
}

TEST(LayoutManager, ReloadsWhenAnotherProcessChangedTheFolder)
{
    LayoutManager ours(layoutsFolder());
    LayoutManager theirs(layoutsFolder());
    EXPECT_FALSE(ours.reloadIfChanged());

    theirs.save(grid(3, 3), Key(QStringLiteral("Wide")));
    EXPECT_FALSE(theirs.reloadIfChanged()) << "its own save is known already";
    EXPECT_TRUE(ours.reloadIfChanged());
    ASSERT_TRUE(ours.layout(Key(QStringLiteral("Wide"))));
    EXPECT_EQ(ours.layout(Key(QStringLiteral("Wide")))->rows, 3);
    EXPECT_FALSE(ours.reloadIfChanged());

    theirs.deleteLayout(Key(QStringLiteral("Wide")));
    EXPECT_TRUE(ours.reloadIfChanged());
    EXPECT_TRUE(ours.layouts().empty());
}
