#pragma once

#include "RuvedovUzedoz/Layouts/SavedPageLayout.h"

#include <QHash>
#include <QList>
#include <QString>
#include <algorithm>
#include <map>
#include <optional>

namespace Sheetwright {

// The one store of named layouts: the ten built-in presets and the custom layouts the user saved, each
// in a JSON file `<name>.swlayout` of its own in the layouts folder (any file there that decodes is a
// layout, named after the file without its extension). It answers which saved layout has a
// name, saves and deletes custom layouts; applying one is the caller's `PageLayout::apply`.
//
// The custom layouts are read once, when the manager is made; afterwards only its own save and delete
// change them, and files changed behind its back are seen at the next start. It announces no change:
// lists of layouts rebuild themselves when they are shown.
// Main thread only (only the creation of `shared()` is thread-safe).
class LayoutManager {
public:
    // The name of a layout: the key of presets and custom layouts, the tag of layout pickers and the
    // value stored under "DefaultLayoutName". As typed, in Unicode's composed form (NFC), so the two ways
    // of writing an accented letter name one layout: case and spaces count; ordered by code points.
    class TitleKey {
    public:
        TitleKey() = default;
        explicit TitleKey(const QString& name) : m_name(name.normalized(QString::NormalizationForm_C)) {}
        static TitleKey fromRawValue(const QString& raw) { return TitleKey(raw); }

        const QString& name() const { return m_name; }
        const QString& rawValue() const { return m_name; }
        const QString& id() const { return m_name; }

        friend bool operator==(const TitleKey&, const TitleKey&) = default;
        // Code points, not UTF-16 units: the two differ past the Basic Multilingual Plane.
        friend bool operator<(const TitleKey& a, const TitleKey& b)
        {
            const QList<uint> left = a.m_name.toUcs4();
            const QList<uint> right = b.m_name.toUcs4();
            return std::lexicographical_compare(left.begin(), left.end(), right.begin(), right.end());
        }
        friend size_t qHash(const TitleKey& key, size_t seed = 0) noexcept
        {
            return ::qHash(key.m_name, seed);
        }

        // Reserved: always the full default layout.
        static const TitleKey defaultLayout;
        // The presets, in this order.
        static const TitleKey letter, legal, ledger, a4, a3, oneUp, twoUp, fourUp, light, dark;

    private:
        QString m_name;
    };

    using Table = std::map<TitleKey, RuvedovUzedoz::SavedPageLayout>;

    // The process-wide manager on the user's layouts folder, made on first use and never released.
    static LayoutManager& shared();

    // A manager whose custom layouts live in `layoutsFolder` (read now); an empty folder path means
    // there is nowhere to keep custom layouts: none are listed and saving fails.
    explicit LayoutManager(const QString& layoutsFolder);
    LayoutManager(const LayoutManager&) = delete;
    LayoutManager& operator=(const LayoutManager&) = delete;

    // The custom layouts by name, and the ten presets.
    const Table& layouts() const { return m_layouts; }
    const Table& defaultLayouts() const { return m_defaultLayouts; }
    // The preset names in their menu order: Letter, Legal, Ledger, A4, A3, One Up, Two Up, Four Up,
    // Light, Dark.
    static const std::vector<TitleKey>& presetKeys();

    // "Default Layout" first (the full default, whatever is saved under that name), then the custom
    // layouts, then the presets; nothing for an unknown name.
    std::optional<RuvedovUzedoz::SavedPageLayout> layout(const TitleKey& key) const;

    // Writes the layout to `<name>.swlayout` (creating the folders; atomically, so a failed overwrite
    // keeps the old file) and lists it under the name. Throws LayoutError for a name that cannot be a
    // file name, KestrelExtensions::LocalizedError when the folder or file cannot be written; the table
    // is then unchanged.
    void save(const RuvedovUzedoz::SavedPageLayout& layout, const TitleKey& key);

    // Moves the custom layout's file to the Trash and forgets it. Throws LayoutError when there is no
    // such file or it cannot be trashed; the layout then stays listed.
    void deleteLayout(const TitleKey& key);

    // Why `name` cannot name a custom layout (empty, "." or "..", or holding "/" or NUL), or nothing.
    static std::optional<QString> nameProblem(const QString& name);

    const QString& layoutsFolder() const { return m_layoutsFolder; }
    // `<layouts folder>/<name>.swlayout`.
    QString filePath(const TitleKey& key) const;

    // `<user data folder>/Sheetwright`, or empty when the platform names no such folder.
    static QString applicationSupportFolder();
    // `<application support folder>/Layouts`, or empty.
    static QString defaultLayoutsFolder();

private:
    void loadCustomLayouts();

    QString m_layoutsFolder;
    Table m_layouts;
    Table m_defaultLayouts;
    // The file each custom layout was read from or written to; deleting trashes that file.
    std::map<TitleKey, QString> m_files;
};

} // namespace Sheetwright
