#include "KestrelExtensions/Coding/PropertyListCoder.h"
#include "Thrown.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace KestrelExtensions;

namespace {

// Carries any JSON-shaped value, so tests can put exactly the shape they mean into a property list.
struct Any {
    QJsonValue json;
    QJsonValue toJson() const { return json; }
    static Any fromJson(const QJsonValue& value) { return Any{value}; }
};

QJsonValue roundTrip(const QJsonValue& value)
{
    return PropertyListDecoder().decode<Any>(PropertyListEncoder().encode(Any{value})).json;
}

QStringList refusedAt(const QJsonValue& value)
{
    return thrown<EncodingError>([&] { PropertyListEncoder().encode(Any{value}); }).codingPath();
}

QByteArray plist(const QByteArray& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + body + "</plist>";
}

} // namespace

TEST(PropertyList, ValuesAndTextComeBackExactlyOrAreRefused)
{
    const QJsonObject value{{"name", "<Tom & \"Jerry\">"},
                            {"list", QJsonArray{1, "two", "", true, false, -7, 0.125, qint64(1) << 60,
                                                QJsonArray{}, QJsonObject{}}},
                            {"nested", QJsonObject{{"deeper", QJsonObject{{"x", 1.5}}}}}};
    EXPECT_EQ(roundTrip(value), QJsonValue(value));
    EXPECT_EQ(roundTrip(QJsonValue(qint64(1) << 60)).toInteger(), qint64(1) << 60) << "no precision lost";
    EXPECT_EQ(roundTrip(42), QJsonValue(42));
    EXPECT_EQ(roundTrip(HUGE_VAL), QJsonValue(HUGE_VAL));
    EXPECT_EQ(roundTrip(-HUGE_VAL), QJsonValue(-HUGE_VAL));
    EXPECT_EQ(roundTrip(1e300), QJsonValue(1e300)) << "a whole number past 64 bits stays a real";
    const QByteArray text = PropertyListEncoder().encode(Any{QJsonObject{{"count", 3}, {"ratio", 0.1}}});
    EXPECT_TRUE(text.contains("<plist version=\"1.0\">") && text.endsWith("</plist>\n"))
        << "a complete document";
    EXPECT_TRUE(text.contains("\n\t<dict>\n\t\t<key>count</key>\n\t\t<integer>3</integer>"))
        << "indented by tabs";
    EXPECT_TRUE(text.contains("<real>0.10000000000000001</real>")) << "17 digits: every double reads back";

    // Line ends of every kind, tabs and characters beyond the basic plane, in values and in keys; the edges
    // of what XML holds, and pairs of surrogates at the very start and end.
    const QString kept = QStringLiteral("a\rb\r\nc\n\td\r") + QString::fromUcs4(U"\U0001F4F7 \u00E9");
    const QString edges = QString::fromUcs4(U"\U00010000\uD7FF\uE000\uFFFD\U0010FFFF\U0001F4F7");
    const QJsonObject texts{{kept, kept}, {"list", QJsonArray{"\r", " \r ", edges}}};
    EXPECT_EQ(roundTrip(texts), QJsonValue(texts));
    // Control characters, non-characters and lone halves of surrogate pairs (the last one at the very end).
    const QString refused[] = {QStringLiteral("bell\u0007"), QString(QChar(0)),
                               QString(QChar(0x1F)),         QString(QChar(0x1B)) + "[0m",
                               QString(QChar(0xFFFE)),       QString(QChar(0xDC00)),
                               QString(QChar(0xD800)),       QString(QChar(0xD83D)) + "x",
                               "x" + QString(QChar(0xD83D))};
    for (const QString& text : refused) {
        EXPECT_EQ(refusedAt(QJsonObject{{"text", text}}), QStringList{"text"});
        EXPECT_THROW(PropertyListEncoder().encode(Any{QJsonObject{{text, 1}}}), EncodingError);
    }
    const auto bell = [] { PropertyListEncoder().encode(Any{QStringLiteral("\u0007")}); };
    EXPECT_TRUE(thrown<EncodingError>(bell).failureReason()->contains("U+0007"));
}

TEST(PropertyList, WritesNoNullAndNoBinaryAndReadsFilesBack)
{
    EXPECT_EQ(refusedAt(QJsonObject{{"list", QJsonArray{1, QJsonValue::Null}}}),
              (QStringList{"list", "Index 1"}));

    QTemporaryDir dir;
    const QString path = dir.filePath("settings.plist");
    PropertyListEncoder().encodeToFile(Any{QJsonObject{{"a", 1}}}, path);
    PropertyListEncoder binary;
    binary.setOutputFormat(PropertyListFormat::Binary);
    EXPECT_THROW(binary.encodeToFile(Any{QJsonObject{{"a", 2}}}, path), EncodingError);
    EXPECT_EQ(PropertyListDecoder().decodeFromFile<Any>(path).json, QJsonValue(QJsonObject{{"a", 1}}));

    // Several files come back in the order asked for, and the first failure stops them.
    PropertyListEncoder().encodeToFile(Any{2}, dir.filePath("b.plist"));
    const auto values = PropertyListDecoder().decodeFromFiles<Any>({dir.filePath("b.plist"), path});
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].json, QJsonValue(2));
    EXPECT_EQ(values[1].json, QJsonValue(QJsonObject{{"a", 1}}));
    EXPECT_THROW(PropertyListDecoder().decodeFromFiles<Any>({path, dir.filePath("c.plist")}), FileError);
}

TEST(PropertyList, ReadsHandWrittenDocumentsAndCallsMalformedOnesCorrupted)
{
    const QByteArray text =
        plist("\n<dict>\n\t<key>when</key><date>2024-05-01T10:00:00Z</date>\n"
              "\t<key>blob</key><data>\n  aGVs\n  bG8=\n</data>\n"
              "\t<key>flag</key><true/>\n\t<key>none</key><dict/>\n"
              "\t<key>text</key><string/>\n\t<key>n</key><integer> 12 </integer>\n"
              "\t<key>up</key><real>Infinity</real><key>down</key><real> -infinity</real>\n"
              "\t<!-- a comment -->\n</dict>\n");
    EXPECT_EQ(PropertyListDecoder().decode<Any>(text).json,
              QJsonValue(QJsonObject{{"when", "2024-05-01T10:00:00Z"},
                                     {"blob", "aGVsbG8="},
                                     {"flag", true},
                                     {"none", QJsonObject{}},
                                     {"text", ""},
                                     {"n", 12},
                                     {"up", HUGE_VAL},
                                     {"down", -HUGE_VAL}}));

    const QByteArray malformed[] = {
        "",
        "bplist00\x01\x02",
        "<dict></dict>",
        "<array><string>a value under another root</string></array>",
        plist(""),
        plist("<dict><string>no key</string></dict>"),
        plist("<dict><key>a</key></dict>"),
        plist("<integer>1.5</integer>"),
        plist("<real>lots</real>"),
        plist("<true>yes</true>"),
        plist("<data>!!!</data>"),
        plist("<set/>"),
        plist("<string>a</string><string>b</string>"),
        plist("<true/>") + "<after/>",
        plist("loose text"),
        plist("<array><string>unclosed</array>"),
        plist(QByteArray("<array>").repeated(514) + QByteArray("</array>").repeated(514)),
    };
    const QByteArray deepest =
        plist(QByteArray("<array>").repeated(513) + QByteArray("</array>").repeated(513));
    EXPECT_NO_THROW(PropertyListDecoder().decode<Any>(deepest)) << "one level less is still read";
    const auto empty = [] { PropertyListDecoder().decode<Any>(plist("")); };
    EXPECT_TRUE(thrown<DecodingError>(empty).failureReason()->contains("holds no value"));
    for (const QByteArray& data : malformed) {
        EXPECT_EQ(thrown<DecodingError>([&] { PropertyListDecoder().decode<Any>(data); }).kind(),
                  DecodingError::Kind::DataCorrupted)
            << data.left(80).constData();
    }
}
