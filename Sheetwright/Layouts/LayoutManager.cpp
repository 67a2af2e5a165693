#include "LayoutManager.h"

#include "KestrelExtensions/Coding/CodedFile.h"
#include "KestrelExtensions/Localization/Localized.h"
#include "KestrelExtensions/Logging/Log.h"
#include "LayoutError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

using KestrelExtensions::Log;
using RuvedovUzedoz::Color;
using RuvedovUzedoz::ColorProxy;
using RuvedovUzedoz::SavedPageLayout;

namespace Sheetwright {

namespace {
const QString fileExtension = QStringLiteral("swlayout");

// The key of a listed file: its name without the last extension. A leading dot starts no extension, so
// ".hidden" keeps its whole name.
QString keyName(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? fileName.left(dot) : fileName;
}
} // namespace

using TitleKey = LayoutManager::TitleKey;

const TitleKey TitleKey::defaultLayout(QStringLiteral("Default Layout"));
const TitleKey TitleKey::letter(QStringLiteral("Letter"));
const TitleKey TitleKey::legal(QStringLiteral("Legal"));
const TitleKey TitleKey::ledger(QStringLiteral("Ledger"));
const TitleKey TitleKey::a4(QStringLiteral("A4"));
const TitleKey TitleKey::a3(QStringLiteral("A3"));
const TitleKey TitleKey::oneUp(QStringLiteral("One Up"));
const TitleKey TitleKey::twoUp(QStringLiteral("Two Up"));
const TitleKey TitleKey::fourUp(QStringLiteral("Four Up"));
const TitleKey TitleKey::light(QStringLiteral("Light"));
const TitleKey TitleKey::dark(QStringLiteral("Dark"));

LayoutManager& LayoutManager::shared()
{
    static LayoutManager* manager = new LayoutManager(defaultLayoutsFolder());
    return *manager;
}

const std::vector<TitleKey>& LayoutManager::presetKeys()
{
    static const std::vector<TitleKey> keys{
        TitleKey::letter, TitleKey::legal, TitleKey::ledger, TitleKey::a4,    TitleKey::a3,
        TitleKey::oneUp,  TitleKey::twoUp, TitleKey::fourUp, TitleKey::light, TitleKey::dark};
    return keys;
}

LayoutManager::LayoutManager(const QString& layoutsFolder) : m_layoutsFolder(layoutsFolder)
{
    auto size = [](double width, double height) {
        SavedPageLayout saved;
        saved.width = width;
        saved.height = height;
        return saved;
    };
    auto grid = [](qint64 rows, qint64 columns) {
        SavedPageLayout saved;
        saved.rows = rows;
        saved.columns = columns;
        return saved;
    };
    auto colours = [](Color font, Color background) {
        SavedPageLayout saved;
        saved.fontColor = ColorProxy(font);
        saved.backgroundColor = ColorProxy(background);
        return saved;
    };
    m_defaultLayouts = {
        {TitleKey::letter, size(792, 612)},
        {TitleKey::legal, size(1008, 612)},
        {TitleKey::ledger, size(1224, 792)},
        {TitleKey::a4, size(595.3, 841.9)},
        {TitleKey::a3, size(1190.6, 841.9)},
        {TitleKey::oneUp, grid(1, 1)},
        {TitleKey::twoUp, grid(1, 2)},
        {TitleKey::fourUp, grid(2, 2)},
        {TitleKey::light, colours(Color::black(), Color::white())},
        {TitleKey::dark, colours(Color::gray(0.82, 1.0), Color::gray(0.18, 1.0))},
    };
    loadCustomLayouts();
}

void LayoutManager::loadCustomLayouts()
{
    if (m_layoutsFolder.isEmpty())
        return;
    const QDir folder(m_layoutsFolder);
    if (!folder.exists())
        return; // a fresh system has no custom layouts yet
    // Sorted by name so that, of two files with one base name, the result does not depend on the disk.
    const QFileInfoList entries =
        folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        const TitleKey key(keyName(entry.fileName()));
        try {
            m_layouts[key] = KestrelExtensions::decodeFromFile<SavedPageLayout>(entry.filePath());
            m_files[key] = entry.filePath();
        } catch (const KestrelExtensions::LocalizedError& error) {
            // A broken file is left out; a good file of the same name still counts.
            Log::system(QStringLiteral("Skipping layout file %1: %2")
                            .arg(entry.fileName(), error.errorDescription()));
        }
    }
}

std::optional<SavedPageLayout> LayoutManager::layout(const TitleKey& key) const
{
    if (key == TitleKey::defaultLayout)
        return SavedPageLayout::defaultLayout();
    if (auto custom = m_layouts.find(key); custom != m_layouts.end())
        return custom->second;
    if (auto preset = m_defaultLayouts.find(key); preset != m_defaultLayouts.end())
        return preset->second;
    return std::nullopt;
}

std::optional<QString> LayoutManager::nameProblem(const QString& name)
{
    using KestrelExtensions::localized;
    if (name.isEmpty())
        return localized("A layout needs a name.");
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return localized("A layout cannot be called \".\" or \"..\".");
    if (name.contains(QLatin1Char('/')) || name.contains(QChar(0)))
        return localized("A layout name cannot contain \"/\".");
    return std::nullopt;
}

QString LayoutManager::filePath(const TitleKey& key) const
{
    return m_layoutsFolder + QLatin1Char('/') + key.name() + QLatin1Char('.') + fileExtension;
}

void LayoutManager::save(const SavedPageLayout& layout, const TitleKey& key)
{
    if (auto problem = nameProblem(key.name()))
        throw LayoutError(*problem);
    if (m_layoutsFolder.isEmpty())
        throw LayoutError(KestrelExtensions::localized("There is no folder to keep layouts in."));
    if (!QDir().mkpath(m_layoutsFolder))
        throw LayoutError(KestrelExtensions::localized("The layouts folder %1 could not be created.")
                              .arg(QDir::toNativeSeparators(m_layoutsFolder)));
    const QString path = filePath(key);
    KestrelExtensions::encodeToFile(layout, path);
    m_layouts[key] = layout;
    m_files[key] = path;
    Log::system(QStringLiteral("New layout saved as ") + QFileInfo(path).fileName());
}

void LayoutManager::deleteLayout(const TitleKey& key)
{
    if (auto problem = nameProblem(key.name()))
        throw LayoutError(*problem);
    const auto remembered = m_files.find(key);
    const QString path = remembered != m_files.end() ? remembered->second : filePath(key);
    const QString fileName = QFileInfo(path).fileName();
    if (m_layoutsFolder.isEmpty() || !QFileInfo(path).isFile())
        throw LayoutError(KestrelExtensions::localized("There is no layout file %1.").arg(fileName));

    // Without the data folder Qt picks a trash folder relative to the working directory and reports
    // success; make sure the user's trash can exist first, and refuse any trash path that is relative.
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    QFile file(path);
    if (dataHome.isEmpty() || !QDir().mkpath(dataHome) || !file.moveToTrash() ||
        QFileInfo(file.fileName()).isRelative())
        throw LayoutError(
            KestrelExtensions::localized("The layout file %1 could not be moved to the Trash: %2")
                .arg(fileName, file.errorString()));

    m_layouts.erase(key);
    m_files.erase(key);
    Log::system(QStringLiteral("Layout '%1' deleted").arg(fileName));
}

QString LayoutManager::applicationSupportFolder()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty()) {
        Log::system(QStringLiteral("No user data folder; custom layouts are unavailable"));
        return {};
    }
    return data + QStringLiteral("/Sheetwright");
}

QString LayoutManager::defaultLayoutsFolder()
{
    const QString support = applicationSupportFolder();
    return support.isEmpty() ? QString() : support + QStringLiteral("/Layouts");
}

} // namespace Sheetwright
