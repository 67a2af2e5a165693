// Not called by the application: kept as a library service for other users.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace Preferences {

// The settings window's own word for "Preferences" in 39 languages; it does not depend on the
// application's string tables, so the window title is right even where the application is untranslated.
class Localization {
public:
    enum class Identifier { preferences, preferencesEllipsized };

    // The text for the user's language (the system locale's preferred UI languages, then the locale).
    static QString localizedTitle(Identifier identifier);
    // The same choice made from given language identifiers ("de-CH", "zh_TW.UTF-8") and a fallback
    // locale name, for callers that know them.
    static QString localizedTitle(Identifier identifier, const QStringList& preferredLanguages,
                                  const QString& currentLocaleName);

    // Language code to text, for one identifier; built once, never changed.
    static const QHash<QString, QString>& table(Identifier identifier);

    // The language and region codes of a locale identifier, as a locale reads them: language lower-case
    // (2 or 3 letters, empty when there is none), region upper-case letters or a 3-digit area code.
    struct LanguageTag {
        QString languageCode;
        QString regionCode;
    };
    static LanguageTag parseLanguageTag(const QString& identifier);
};

} // namespace Preferences
