#include "Preferences/Localization/Localization.h"
#include "Preferences/Localization/SecondaryNoteStyle.h"

#include <QApplication>
#include <QLabel>
#include <gtest/gtest.h>

using Preferences::Localization;
using Identifier = Localization::Identifier;

namespace {

struct LookupCase {
    const char* name;
    QStringList preferred;
    const char* current;
    Identifier identifier;
    const char* expected;
};

class TitleLookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(TitleLookup, ChoosesTheRowOfTheFirstLanguage)
{
    const LookupCase& row = GetParam();
    EXPECT_EQ(Localization::localizedTitle(row.identifier, row.preferred, QString::fromUtf8(row.current)),
              QString::fromUtf8(row.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Languages, TitleLookup,
    ::testing::Values(
        LookupCase{"SwissGermanFirst", {"de-CH", "en"}, "en_US", Identifier::preferences, "Einstellungen"},
        LookupCase{"CanadianFrenchUsesFrenchRow", {"fr-CA"}, "C", Identifier::preferences, "Préférences"},
        LookupCase{
            "BrazilianPortugueseUsesBareCode", {"pt-BR"}, "C", Identifier::preferences, "Preferências"},
        LookupCase{"TraditionalTaiwan", {"zh-Hant-TW"}, "C", Identifier::preferences, "偏好設定"},
        LookupCase{"TraditionalHongKong", {"zh-Hant-HK"}, "C", Identifier::preferences, "偏好設定"},
        LookupCase{"SimplifiedWithoutRegion", {"zh-Hans"}, "C", Identifier::preferences, "偏好设置"},
        LookupCase{"TraditionalScriptWithoutRegion", {"zh-Hant"}, "C", Identifier::preferences, "偏好设置"},
        LookupCase{"Macao", {"zh-Hant-MO"}, "C", Identifier::preferences, "偏好设置"},
        LookupCase{"PosixTaiwan", {"zh_TW.UTF-8"}, "C", Identifier::preferences, "偏好設定"},
        LookupCase{"MissingLanguageFallsBack", {"is"}, "C", Identifier::preferences, "Preferences"},
        LookupCase{"NorwegianKeepsItsCode", {"no"}, "C", Identifier::preferences, "Valg"},
        LookupCase{"BokmalIsNotInTheTable", {"nb"}, "C", Identifier::preferences, "Preferences"},
        LookupCase{"SkipsEntriesWithoutLanguage", {"C", "ru-RU"}, "C", Identifier::preferences, "Настройки"},
        LookupCase{"EmptyListUsesCurrentLocale", {}, "de_DE", Identifier::preferences, "Einstellungen"},
        LookupCase{"NoLanguageAnywhere", {"C"}, "C", Identifier::preferences, "Preferences"},
        LookupCase{
            "KoreanEllipsisIsFullStops", {"ko"}, "C", Identifier::preferencesEllipsized, "환경설정..."},
        LookupCase{"TaiwanEllipsisIsMidline", {"zh-TW"}, "C", Identifier::preferencesEllipsized, "偏好設定⋯"},
        LookupCase{"EnglishEllipsized", {"en-GB"}, "C", Identifier::preferencesEllipsized, "Preferences…"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LocalizationTable, HoldsTheSameThirtyNineCodesUnderBothIdentifiers)
{
    const auto& plain = Localization::table(Identifier::preferences);
    const auto& ellipsized = Localization::table(Identifier::preferencesEllipsized);
    ASSERT_EQ(plain.size(), 39);
    ASSERT_EQ(ellipsized.size(), 39);
    const QStringList special{"ko", "zh-HK", "zh-TW"};
    for (auto it = plain.cbegin(); it != plain.cend(); ++it) {
        ASSERT_TRUE(ellipsized.contains(it.key())) << it.key().toStdString();
        if (!special.contains(it.key())) {
            EXPECT_EQ(ellipsized.value(it.key()), it.value() + QChar(0x2026)) << it.key().toStdString();
        }
    }
    EXPECT_EQ(ellipsized.value("zh-HK"), plain.value("zh-HK") + QChar(0x22EF));
    EXPECT_EQ(ellipsized.value("ko"), plain.value("ko") + "...");
}

TEST(LocalizationTable, ParsesLocaleIdentifiersAsWritten)
{
    const auto tag = Localization::parseLanguageTag("es-419");
    EXPECT_EQ(tag.languageCode, "es");
    EXPECT_EQ(tag.regionCode, "419");
    const auto posix = Localization::parseLanguageTag("sr_RS@latin");
    EXPECT_EQ(posix.languageCode, "sr");
    EXPECT_EQ(posix.regionCode, "RS");
    EXPECT_TRUE(Localization::parseLanguageTag("").languageCode.isEmpty());
    EXPECT_TRUE(Localization::parseLanguageTag("POSIX").languageCode.isEmpty());
    EXPECT_EQ(Localization::parseLanguageTag("fil_PH").languageCode, "fil")
        << "three-letter languages are read";
}

TEST(SecondaryNoteStyle, ElevenThirteenthsOfTheInterfaceFontInThePlaceholderColour)
{
    QLabel note("note");
    Preferences::secondaryNoteStyle(&note);
    Preferences::secondaryNoteStyle(nullptr);
    EXPECT_NEAR(note.font().pointSizeF(), QApplication::font().pointSizeF() * 11.0 / 13.0, 0.01);
    EXPECT_EQ(note.palette().color(QPalette::WindowText), note.palette().color(QPalette::PlaceholderText));
}

} // namespace
