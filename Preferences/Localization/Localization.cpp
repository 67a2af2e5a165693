#include "Localization.h"

#include <QLocale>
#include <QRegularExpression>

namespace Preferences {

namespace {

struct Row {
    const char* code;
    const char* word;
    const char* ellipsized;
};

// Ellipsized forms end in U+2026, except Korean (three full stops) and the traditional Chinese rows
// (U+22EF), which is how those languages write a menu item that opens a window.
constexpr Row rows[] = {
    {"ar", "تفضيلات", "تفضيلات…"},
    {"ca", "Preferències", "Preferències…"},
    {"cs", "Předvolby", "Předvolby…"},
    {"da", "Indstillinger", "Indstillinger…"},
    {"de", "Einstellungen", "Einstellungen…"},
    {"el", "Προτιμήσεις", "Προτιμήσεις…"},
    {"en", "Preferences", "Preferences…"},
    {"en-AU", "Preferences", "Preferences…"},
    {"en-GB", "Preferences", "Preferences…"},
    {"es", "Preferencias", "Preferencias…"},
    {"es-419", "Preferencias", "Preferencias…"},
    {"fi", "Asetukset", "Asetukset…"},
    {"fr", "Préférences", "Préférences…"},
    {"fr-CA", "Préférences", "Préférences…"},
    {"he", "העדפות", "העדפות…"},
    {"hi", "प्राथमिकता", "प्राथमिकता…"},
    {"hr", "Postavke", "Postavke…"},
    {"hu", "Beállítások", "Beállítások…"},
    {"id", "Preferensi", "Preferensi…"},
    {"it", "Preferenze", "Preferenze…"},
    {"ja", "環境設定", "環境設定…"},
    {"ko", "환경설정", "환경설정..."},
    {"ms", "Keutamaan", "Keutamaan…"},
    {"nl", "Voorkeuren", "Voorkeuren…"},
    {"no", "Valg", "Valg…"},
    {"pl", "Preferencje", "Preferencje…"},
    {"pt", "Preferências", "Preferências…"},
    {"pt-PT", "Preferências", "Preferências…"},
    {"ro", "Preferințe", "Preferințe…"},
    {"ru", "Настройки", "Настройки…"},
    {"sk", "Nastavenia", "Nastavenia…"},
    {"sv", "Inställningar", "Inställningar…"},
    {"th", "การตั้งค่า", "การตั้งค่า…"},
    {"tr", "Tercihler", "Tercihler…"},
    {"uk", "Параметри", "Параметри…"},
    {"vi", "Tùy chọn", "Tùy chọn…"},
    {"zh-CN", "偏好设置", "偏好设置…"},
    {"zh-HK", "偏好設定", "偏好設定⋯"},
    {"zh-TW", "偏好設定", "偏好設定⋯"},
};

QHash<QString, QString> makeTable(bool ellipsized)
{
    QHash<QString, QString> table;
    for (const Row& row : rows)
        table.insert(QString::fromUtf8(row.code), QString::fromUtf8(ellipsized ? row.ellipsized : row.word));
    return table;
}

bool isAsciiLetters(const QString& text)
{
    for (QChar c : text)
        if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')))
            return false;
    return !text.isEmpty();
}

bool isAsciiDigits(const QString& text)
{
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return !text.isEmpty();
}

} // namespace

const QHash<QString, QString>& Localization::table(Identifier identifier)
{
    static const QHash<QString, QString> plain = makeTable(false);
    static const QHash<QString, QString> ellipsized = makeTable(true);
    return identifier == Identifier::preferences ? plain : ellipsized;
}

Localization::LanguageTag Localization::parseLanguageTag(const QString& identifier)
{
    // QLocale would "complete" identifiers (zh-Hant gains TW, no becomes nb), so the tags are read as
    // written: language, optional 4-letter script, optional region.
    QString text = identifier;
    text.truncate(text.indexOf(u'@') < 0 ? text.size() : text.indexOf(u'@'));
    text.truncate(text.indexOf(u'.') < 0 ? text.size() : text.indexOf(u'.'));
    const QStringList parts = text.split(QRegularExpression(QStringLiteral("[-_]")));
    LanguageTag tag;
    if (parts.isEmpty() || !isAsciiLetters(parts[0]) || parts[0].size() < 2 || parts[0].size() > 3)
        return tag;
    tag.languageCode = parts[0].toLower();
    qsizetype next = 1;
    if (next < parts.size() && parts[next].size() == 4 && isAsciiLetters(parts[next]))
        ++next;
    if (next < parts.size()) {
        const QString& region = parts[next];
        if (region.size() == 2 && isAsciiLetters(region))
            tag.regionCode = region.toUpper();
        else if (region.size() == 3 && isAsciiDigits(region))
            tag.regionCode = region;
    }
    return tag;
}

QString Localization::localizedTitle(Identifier identifier)
{
    const QLocale system = QLocale::system();
    return localizedTitle(identifier, system.uiLanguages(), system.name());
}

QString Localization::localizedTitle(Identifier identifier, const QStringList& preferredLanguages,
                                     const QString& currentLocaleName)
{
    const QHash<QString, QString>& texts = table(identifier);
    const QString fallback = texts.value(QStringLiteral("en"));

    LanguageTag chosen;
    bool found = false;
    for (const QString& language : preferredLanguages) {
        chosen = parseLanguageTag(language);
        if (!chosen.languageCode.isEmpty()) {
            found = true;
            break;
        }
    }
    if (!found)
        chosen = parseLanguageTag(currentLocaleName);
    if (chosen.languageCode.isEmpty())
        return fallback;

    if (chosen.languageCode != QLatin1String("zh"))
        return texts.value(chosen.languageCode, fallback);
    const bool traditional =
        chosen.regionCode == QLatin1String("HK") || chosen.regionCode == QLatin1String("TW");
    return texts.value(traditional ? QStringLiteral("zh-") + chosen.regionCode : QStringLiteral("zh-CN"));
}

} // namespace Preferences
