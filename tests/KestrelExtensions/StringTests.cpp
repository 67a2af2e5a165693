#include "KestrelExtensions/Localization/Localized.h"
#include "KestrelExtensions/String/CamelCase.h"
#include "KestrelExtensions/String/IntegerFormat.h"
#include "KestrelExtensions/String/NumberPadding.h"
#include "KestrelExtensions/String/TrailingNumber.h"
#include "KestrelExtensions/String/Trimming.h"

#include <QCoreApplication>
#include <QTranslator>
#include <gtest/gtest.h>
#include <limits>
#include <stdexcept>

using namespace KestrelExtensions;

TEST(TrailingNumber, StepsOrAppendsTheNumberInAFormatOfOneIntegerConversion)
{
    // Name, default number, format, separator, expected. Only the matched range goes; past 64 bits or with
    // digits not all ASCII the default is appended; the value is formatted in 64 bits; literal text and %%
    // surround the conversion; a separator that is no valid pattern finds nothing.
    const std::tuple<const char*, qint64, const char*, const char*, const char*> rows[] = {
        {"Layout 3", 1, "%d", " ", "Layout 4"},
        {"Layout", 1, "%d", " ", "Layout 1"},
        {"Layout3", 1, "%d", " ", "Layout3 1"},
        {"Scan-9", 1, "%02d", "-", "Scan-10"},
        {"Scan-07", 1, "%02d", "-", "Scan-08"},
        {"Sheet", 2, "%d", " ", "Sheet 2"},
        {"", 1, "%d", " ", " 1"},
        {"a 3 a 3", 1, "%d", " ", "a 3 a 4"},
        {"Copy 123456789012345678901234567890", 1, "%d", " ", "Copy 123456789012345678901234567890 1"},
        {"Copy 9223372036854775807", 1, "%d", " ", "Copy 9223372036854775807 1"},
        {"Big 4294967296", 1, "%d", " ", "Big 4294967297"},
        {"Take 5", 1, "(%d%%)", " ", "Take (6%)"},
        {"Odd(1", 1, "%d", "(", "Odd(1(1"},
        {"Copy 12\u0663", 1, "%d", " ", "Copy 12\u0663 1"}};
    for (const auto& [input, defaultNumber, format, separator, expected] : rows)
        EXPECT_EQ(incrementingTrailingNumber(input, defaultNumber, 1, format, separator),
                  QString::fromUtf8(expected))
            << input;
    QString name = "Layout 9";
    incrementTrailingNumber(name, 1, 5);
    EXPECT_EQ(name, "Layout 14");

    EXPECT_EQ(IntegerFormat("%5d").format(42), "   42");
    EXPECT_EQ(IntegerFormat("%-4ld|").format(7), "7   |");
    EXPECT_EQ(IntegerFormat("%lld").format(-3), "-3");
    EXPECT_EQ(IntegerFormat("%x").format(255), "ff");
    EXPECT_EQ(IntegerFormat("%#06X").format(255), "0X00FF");
    EXPECT_EQ(IntegerFormat("%.3i").format(5), "005");
    EXPECT_EQ(IntegerFormat("Überschrift %d").format(1), "Überschrift 1");
    EXPECT_EQ(IntegerFormat("%1024d").format(1).size(), 1024) << "the widest width taken";
    for (const char* bad : {"%s", "%n", "%d %d", "no number", "%", "%*d", "%.*d", "%f", "%99999d", "%%"}) {
        EXPECT_THROW(IntegerFormat{bad}, std::invalid_argument) << bad;
    }
    EXPECT_THROW(incrementingTrailingNumber("Layout 1", 1, 1, "%s"), std::invalid_argument);
}

TEST(NumberPadding, PadsShortDigitRunsOnTheLeft)
{
    EXPECT_EQ(paddingNumbers("img7_page12", 3, "0"), "img007_page012");
    EXPECT_EQ(paddingNumbers("img1234", 3, "0"), "img1234");
    EXPECT_EQ(paddingNumbers("1-22-333", 3, "ab"), "abab1-ab22-333");
    EXPECT_EQ(paddingNumbers("img7", 0, "0"), "img7");
    EXPECT_EQ(paddingNumbers("no digits", 4, "0"), "no digits");
    EXPECT_EQ(paddingNumbers("7", maximumPaddingWidth, "0").size(), maximumPaddingWidth);
    EXPECT_THROW(paddingNumbers("7", maximumPaddingWidth + 1, "0"), std::invalid_argument);
    EXPECT_THROW(paddingNumbers("no digits", std::numeric_limits<qsizetype>::max(), "0"),
                 std::invalid_argument);
    // Digits of any script count: Arabic-Indic seven, and a digit outside the BMP counted as one.
    EXPECT_EQ(paddingNumbers(QString::fromUtf8("p\u0667"), 2, "0"), QString::fromUtf8("p0\u0667"));
    EXPECT_EQ(paddingNumbers(QString::fromUcs4(U"x\U0001D7D8"), 2, "0"), QString::fromUcs4(U"x0\U0001D7D8"));
}

TEST(CamelCase, SplitsBeforeCapitalsThatFollowOthers)
{
    // A titlecase letter counts as a capital, as does one after an accented letter (two scalars, one
    // character) or outside the basic plane.
    const std::pair<QString, QString> rows[] = {
        {"imageSizeMax", "image Size Max"},
        {"PDFFile", "P DFFile"},
        {"ABTest", "A BTest"},
        {"aB", "a B"},
        {"URL", "U RL"},
        {"A", "A"},
        {"", ""},
        {"already split", "already split"},
        {QString::fromUtf8("a\u01C5b"), QString::fromUtf8("a \u01C5b")},
        {QString::fromUtf8("e\u0301Xy"), QString::fromUtf8("e\u0301 Xy")},
        {QString::fromUcs4(U"x\U0001D400"), QString::fromUcs4(U"x \U0001D400")},
        {"aB" + QString(QChar(0xD800)), "a B" + QString(QChar(0xD800))},
        {"a" + QString(QChar(0xDC00)), "a" + QString(QChar(0xDC00))}};
    for (const auto& [input, expected] : rows)
        EXPECT_EQ(splittingCamelCase(input), expected) << input.toStdString();
}

TEST(Trimming, WhitespaceIsSpacesAndTabsOnly)
{
    EXPECT_EQ(trimmed(QString::fromUtf8(" \t\u00A0name\u2003 ")), "name");
    EXPECT_EQ(trimmed("\nname\n"), "\nname\n");
    EXPECT_EQ(trimmed("   "), "");
    EXPECT_EQ(removingNewlines("a\r\nb\nc"), "a\rbc");
}

namespace {
// Translates one key in the application's context, as a shipped translation would.
class OneWordTranslator : public QTranslator {
public:
    QString translate(const char* context, const char* sourceText, const char*, int) const override
    {
        return QByteArray(context) == "Sheetwright" && QByteArray(sourceText) == "&File" ? "&Datei"
                                                                                         : QString();
    }
};
} // namespace

TEST(Localized, GoesThroughTheInstalledTranslatorAndIsTheKeyWithout)
{
    const QString key = QString::fromUtf8("Open Images\u2026");
    EXPECT_EQ(localized("Open Images\u2026"), key) << "the key is the English text, UTF-8 included";
    OneWordTranslator translator;
    QCoreApplication::installTranslator(&translator);
    EXPECT_EQ(localized("&File"), QStringLiteral("&Datei"));
    EXPECT_EQ(localized(key), key);
    QCoreApplication::removeTranslator(&translator);
    EXPECT_EQ(localized("&File"), QStringLiteral("&File"));
}
