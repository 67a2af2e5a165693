#include "Preferences/Localization/Localization.h"
#include "Preferences/Localization/SecondaryNoteStyle.h"

#include <QApplication>
#include <QLabel>
#include <gtest/gtest.h>

using Preferences::Localization;
using Identifier = Localization::Identifier;

namespace {

TEST(LocalizedTitle, ChoosesTheRowOfTheFirstLanguage)
{
    const auto ellipsized = Identifier::preferencesEllipsized;
    const struct {
        QStringList preferred;
        const char* current;
        const char* expected;
        Identifier identifier = Identifier::preferences;
    } rows[] = {
        {{"de-CH", "en"}, "en_US", "Einstellungen"},
        {{"fr-CA"}, "C", "Préférences"},
        {{"pt-BR"}, "C", "Preferências"}, // the bare code's row
        {{"zh-Hant-TW"}, "C", "偏好設定"},
        {{"zh-Hant-HK"}, "C", "偏好設定"},
        {{"zh-Hans"}, "C", "偏好设置"},
        {{"zh-Hant"}, "C", "偏好设置"},
        {{"zh-Hant-MO"}, "C", "偏好设置"},
        {{"zh_TW.UTF-8"}, "C", "偏好設定"},
        {{"zh-Aaaa-TW"}, "C", "偏好設定"}, // a script of any letters is passed over
        {{"zh-Zzzz-TW"}, "C", "偏好設定"},
        {{"is"}, "C", "Preferences"}, // not in the table
        {{"no"}, "C", "Valg"},
        {{"nb"}, "C", "Preferences"},
        {{"C", "ru-RU"}, "C", "Настройки"}, // entries without a language are skipped
        {{}, "de_DE", "Einstellungen"},     // no list: the current locale
        {{"C"}, "C", "Preferences"},
        {{"ko"}, "C", "환경설정...", ellipsized},
        {{"zh-TW"}, "C", "偏好設定⋯", ellipsized},
        {{"en-GB"}, "C", "Preferences…", ellipsized},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Localization::localizedTitle(row.identifier, row.preferred, QString::fromUtf8(row.current)),
                  QString::fromUtf8(row.expected))
            << row.preferred.join(',').toStdString();
}

TEST(LocalizationTable, HoldsTheSameThirtyNineCodesUnderBothIdentifiers)
{
    const auto& plain = Localization::table(Identifier::preferences);
    const auto& ellipsized = Localization::table(Identifier::preferencesEllipsized);
    ASSERT_EQ(plain.size(), 39);
    ASSERT_EQ(ellipsized.size(), 39);
    for (auto it = plain.cbegin(); it != plain.cend(); ++it) {
        const QString& code = it.key();
        const bool midline = code == "zh-HK" || code == "zh-TW";
        const QString ellipsis = code == "ko" ? QString("...") : QString(QChar(midline ? 0x22EF : 0x2026));
        EXPECT_EQ(ellipsized.value(code), it.value() + ellipsis) << code.toStdString();
    }
}

TEST(LocalizationTable, ParsesLocaleIdentifiersAsWritten)
{
    const std::tuple<const char*, const char*, const char*> rows[] = {
        {"es-419", "es", "419"}, {"sr_RS@latin", "sr", "RS"}, {"", "", ""},
        {"POSIX", "", ""},       {"fil_PH", "fil", "PH"},     {"d3", "", ""},
        {"de-CHE", "de", ""}};
    for (const auto& [identifier, language, region] : rows) {
        const auto tag = Localization::parseLanguageTag(identifier);
        EXPECT_EQ(tag.languageCode, language) << identifier;
        EXPECT_EQ(tag.regionCode, region) << identifier;
    }
}

TEST(SecondaryNoteStyle, ElevenThirteenthsOfTheInterfaceFontInThePlaceholderColour)
{
    QLabel note("note");
    Preferences::secondaryNoteStyle(&note);
    Preferences::secondaryNoteStyle(nullptr);
    EXPECT_NEAR(note.font().pointSizeF(), QApplication::font().pointSizeF() * 11.0 / 13.0, 0.01);
    EXPECT_EQ(note.palette().color(QPalette::WindowText), note.palette().color(QPalette::PlaceholderText));
    QFont pixels;
    pixels.setPixelSize(26);
    const QFont interfaceFont = QApplication::font();
    QApplication::setFont(pixels);
    Preferences::secondaryNoteStyle(&note);
    QApplication::setFont(interfaceFont);
    EXPECT_EQ(note.font().pixelSize(), 22) << "an interface font given in pixels scales the same way";
}

} // namespace
