#include "LayoutManager.h"

#include "KestrelExtensions/Coding/CodedFile.h"
#include "KestrelExtensions/Localization/Localized.h"
#include "KestrelExtensions/Logging/Log.h"
#include "LayoutError.h"
#include "RuvedovUzedoz/Layouts/BuiltInLayout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

using KestrelExtensions::Log;
using RuvedovUzedoz::BuiltInLayout;
using RuvedovUzedoz::builtInLayout;
using RuvedovUzedoz::builtInLayouts;
using RuvedovUzedoz::SavedPageLayout;

namespace Sheetwright {

namespace {
const QString fileExtension = QStringLiteral("swlayout");

// The key of a listed item: its name without the last extension (archive.tar.gz gives archive.tar). A leading
// dot starts no extension, so
// ".hidden" keeps its whole name.
QString keyName(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? fileName.left(dot) : fileName;
}
} // namespace

using TitleKey = LayoutManager::TitleKey;

const TitleKey TitleKey::defaultLayout(QStringLiteral("Default Layout"));
const TitleKey TitleKey::letter(builtInLayout(BuiltInLayout::Id::Letter).name);
const TitleKey TitleKey::legal(builtInLayout(BuiltInLayout::Id::Legal).name);
const TitleKey TitleKey::ledger(builtInLayout(BuiltInLayout::Id::Ledger).name);
const TitleKey TitleKey::a4(builtInLayout(BuiltInLayout::Id::A4).name);
const TitleKey TitleKey::a3(builtInLayout(BuiltInLayout::Id::A3).name);
const TitleKey TitleKey::oneUp(builtInLayout(BuiltInLayout::Id::OneUp).name);
const TitleKey TitleKey::twoUp(builtInLayout(BuiltInLayout::Id::TwoUp).name);
const TitleKey TitleKey::fourUp(builtInLayout(BuiltInLayout::Id::FourUp).name);
const TitleKey TitleKey::light(builtInLayout(BuiltInLayout::Id::Light).name);
const TitleKey TitleKey::dark(builtInLayout(BuiltInLayout::Id::Dark).name);

LayoutManager& LayoutManager::shared()
{
    static LayoutManager* manager = new LayoutManager(defaultLayoutsFolder());
    return *manager;
}

const std::vector<TitleKey>& LayoutManager::presetKeys()
{
    static const std::vector<TitleKey> keys = [] {
        std::vector<TitleKey> names;
        for (const BuiltInLayout& preset : builtInLayouts())
            names.emplace_back(preset.name);
        return names;
    }();
    return keys;
}

LayoutManager::LayoutManager(const QString& layoutsFolder) : m_layoutsFolder(layoutsFolder)
{
    for (const BuiltInLayout& preset : builtInLayouts())
        m_defaultLayouts.emplace(TitleKey(preset.name), preset.layout);
    loadCustomLayouts();
}

void LayoutManager::loadCustomLayouts()
{
    if (m_layoutsFolder.isEmpty())
        return;
    // Every item of the folder is read, whatever its name: Compact.json is the layout Compact. An item
    // that is no layout (notes, a subfolder, .DS_Store) fails to decode and drops any layout an earlier
    // item stored under its key. Sorted by name so that the result does not depend on the disk.
    const QFileInfoList entries =
        QDir(m_layoutsFolder)
            .entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        const TitleKey key(keyName(entry.fileName()));
        try {
            m_layouts[key] = KestrelExtensions::decodeFromFile<SavedPageLayout>(entry.filePath());
            m_files[key] = entry.filePath();
        } catch (const KestrelExtensions::LocalizedError& error) {
            m_layouts.erase(key);
            m_files.erase(key);
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
