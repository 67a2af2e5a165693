#include "KestrelExtensions/Coding/CodedFile.h"
#include "KestrelExtensions/Coding/JsonObjectReader.h"
#include "Thrown.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <limits>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace KestrelExtensions;

namespace {

struct Sample {
    QString name;
    double size = 0;
    std::optional<bool> flag;

    QJsonValue toJson() const
    {
        QJsonObject object{{"name", name}, {"size", encodeNumber(size, {"size"})}};
        if (flag)
            object.insert("flag", *flag);
        return object;
    }
    static Sample fromJson(const QJsonValue& json)
    {
        const auto reader = JsonObjectReader::from(json);
        return Sample{reader.string("name"), reader.number("size"), reader.booleanIfPresent("flag")};
    }
    bool operator==(const Sample&) const = default;
};

// Codes any JSON value as it stands, a bare number at the top level included.
struct Bare {
    QJsonValue json;
    QJsonValue toJson() const { return json; }
    static Bare fromJson(const QJsonValue& json) { return Bare{json}; }
};

void writeRaw(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readRaw(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// Outside the anonymous namespace: the test classes derive from it, and in a batched build this file
// is not the main file, where GCC would warn about the derived classes' linkage.
class CodedFile : public ::testing::Test {
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

TEST_F(CodedFile, RoundTripsReplaceALongerFileWholeTakeTopLevelScalarsAndSeveralFiles)
{
    const QString file = path("layout.swlayout");
    writeRaw(file, QByteArray(4096, 'x'));
    const Sample sample{"Contact", 12.5, true};
    encodeToFile(sample, file);
    EXPECT_EQ(decodeFromFile<Sample>(file), sample);
    EXPECT_FALSE(readRaw(file).contains('x'));
    EXPECT_FALSE(readRaw(file).contains('\n')) << "compact output";

    encodeToFile(Bare{42}, file);
    EXPECT_EQ(readRaw(file), "42");
    EXPECT_EQ(decodeFromFile<Bare>(file).json, QJsonValue(42));
    writeRaw(file, " 7 \n");
    EXPECT_EQ(decodeFromFile<Bare>(file).json, QJsonValue(7));

    // Several files decode in the order given and stop at the first failure.
    encodeToFile(Sample{"one", 1, {}}, path("1.json"));
    encodeToFile(Sample{"two", 2, {}}, path("2.json"));
    EXPECT_EQ(decodeFromFiles<Sample>({path("2.json"), path("1.json")}),
              (std::vector<Sample>{{"two", 2, {}}, {"one", 1, {}}}));
    writeRaw(path("bad.json"), "{");
    EXPECT_THROW(decodeFromFiles<Sample>({path("1.json"), path("bad.json"), path("missing.json")}),
                 DecodingError);
    EXPECT_THROW(decodeFromFiles<Sample>({path("1.json"), path("missing.json"), path("bad.json")}),
                 FileError);
}

TEST_F(CodedFile, ReadFailuresAreFileErrorsAndDecodingErrorsNameTheProblem)
{
    const auto failure = [](const QString& file, qsizetype cap = defaultMaximumFileSize) {
        return thrown<FileError>([&] { readFileContents(file, cap); });
    };
    EXPECT_EQ(failure(path("missing.json")).code(), FileError::Code::NoSuchFile);
    EXPECT_TRUE(failure(path("missing.json")).failureReason()->contains("missing.json"));
    EXPECT_EQ(failure(m_dir.path()).code(), FileError::Code::IsDirectory);
    // A file past the cap is refused before anything is read; one at the cap is read whole.
    const QString sized = path("sized.json");
    writeRaw(sized, "12345678901");
    EXPECT_EQ(readFileContents(sized, 11), "12345678901");
    EXPECT_EQ(failure(sized, 10).code(), FileError::Code::TooLarge);
    EXPECT_TRUE(failure(sized, 10).failureReason()->contains("too large"));
    {
        QFile sparse(path("sparse.json"));
        ASSERT_TRUE(sparse.open(QIODevice::WriteOnly));
        ASSERT_TRUE(sparse.resize(defaultMaximumFileSize + 1));
    }
    EXPECT_THROW(decodeFromFile<Sample>(path("sparse.json")), FileError);
    // Neither a pipe without a writer nor an endless device may hang or exhaust memory.
    const QString fifo = path("fifo.json");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_THROW(decodeFromFile<Sample>(fifo), FileError);
    EXPECT_THROW(decodeFromFile<Sample>("/dev/zero"), FileError);

    const QString file = path("sample.json");
    const std::pair<QByteArray, DecodingError::Kind> rows[] = {
        {"{\"name\": \"a\", ", DecodingError::Kind::DataCorrupted},
        {"", DecodingError::Kind::DataCorrupted},
        {"1,2", DecodingError::Kind::DataCorrupted},
        {"1],[2", DecodingError::Kind::DataCorrupted},
        {"7 x", DecodingError::Kind::DataCorrupted},
        {"[1, 2]", DecodingError::Kind::TypeMismatch},
        {"{\"size\": 1}", DecodingError::Kind::KeyNotFound},
        {"{\"name\": \"a\", \"size\": \"big\"}", DecodingError::Kind::TypeMismatch},
        {"{\"name\": \"a\", \"size\": 1, \"flag\": 1}", DecodingError::Kind::TypeMismatch},
    };
    for (const auto& [bytes, kind] : rows) {
        writeRaw(file, bytes);
        EXPECT_EQ(thrown<DecodingError>([&] { decodeFromFile<Sample>(file); }).kind(), kind)
            << bytes.constData();
    }
    writeRaw(file, "{\"name\": \"a\", \"size\": 1, \"flag\": null, \"extra\": []}");
    EXPECT_EQ(decodeFromFile<Sample>(file), (Sample{"a", 1, std::nullopt}));
}

TEST(JsonObjectReader, IntegersAreWholeAndFitSixtyFourBitsAndTypesAreChecked)
{
    const auto reader = JsonObjectReader::from(jsonValue(
        R"({"n": -3, "low": -9223372036854775808, "half": 1.5, "high": 9223372036854775808, "s": "3"})"));
    EXPECT_EQ(reader.integer("n"), -3);
    EXPECT_EQ(reader.integerIfPresent("low"), std::numeric_limits<qint64>::min());
    for (const char* key : {"half", "high"})
        EXPECT_EQ(thrown<DecodingError>([&] { reader.integer(key); }).kind(),
                  DecodingError::Kind::DataCorrupted)
            << key;
    EXPECT_EQ(thrown<DecodingError>([&] { reader.integer("s"); }).kind(), DecodingError::Kind::TypeMismatch);
    EXPECT_EQ(thrown<DecodingError>([&] { reader.object("s"); }).kind(), DecodingError::Kind::TypeMismatch);
}

TEST_F(CodedFile, FailedEncodingOrWritingKeepsTheOldContentAndLeavesNothingElse)
{
    const QString file = path("layout.json");
    const QByteArray old = "{\"name\":\"old\",\"size\":1}";
    writeRaw(file, old);
    EXPECT_THROW(encodeToFile(Sample{"new", std::numeric_limits<double>::quiet_NaN(), {}}, file),
                 EncodingError);
    EXPECT_EQ(readRaw(file), old);

    // A raw non-finite number anywhere in the tree is refused too, not written as null.
    const Bare infinite{QJsonObject{{"a", QJsonArray{1, std::numeric_limits<double>::infinity()}}}};
    EXPECT_EQ(thrown<EncodingError>([&] { encodeToFile(infinite, path("new.json")); }).codingPath(),
              (QStringList{"a", "Index 1"}));
    const auto intoMissingFolder = [&] { encodeToFile(Sample{"a", 1, {}}, path("absent/sub/layout.json")); };
    EXPECT_EQ(thrown<FileError>(intoMissingFolder).code(), FileError::Code::NoSuchFolder);
    const auto overlongName = [&] { encodeToFile(Sample{"a", 1, {}}, path(QString(300, u'n'))); };
    EXPECT_EQ(thrown<FileError>(overlongName).code(), FileError::Code::Other)
        << "refused, not for want of rights";
    EXPECT_EQ(thrown<FileError>([&] {
                  encodeToFile(Sample{"a", 1, {}}, m_dir.path());
              }).code(),
              FileError::Code::IsDirectory);

    // Small contents matter as much as large ones: a layout file is a few hundred bytes.
    for (const qsizetype length : {qsizetype(1000), qsizetype(100000)}) {
        // A file-size limit makes the write fail part-way, as a full disk would, even for root.
        rlimit saved{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = 256;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
        const auto tooLong = [&] { encodeToFile(Sample{QString(length, u'n'), 2, {}}, file); };
        EXPECT_EQ(thrown<FileError>(tooLong).code(), FileError::Code::Other) << length;
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
        EXPECT_EQ(readRaw(file), old) << length;
        EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  QStringList{"layout.json"})
            << "no temporary, no new file, no folder left";
    }
}

TEST_F(CodedFile, OneLeadingByteOrderMarkIsPassedOverAndAnyOtherStaysAnError)
{
    const QByteArray mark = "\xEF\xBB\xBF";
    const QString file = path("marked.json");
    writeRaw(file, mark + "{\"name\": \"a\", \"size\": 2}");
    EXPECT_EQ(decodeFromFile<Sample>(file), (Sample{"a", 2, std::nullopt}));
    EXPECT_EQ(jsonValue(mark + " [1]"), QJsonValue(QJsonArray{1}));
    EXPECT_EQ(jsonValue(mark + "7"), QJsonValue(7));
    EXPECT_EQ(jsonValue(mark + "\"x\""), QJsonValue("x"));
    for (const QByteArray& bytes : {mark, mark + mark + "{}", " " + mark + "{}", "{}" + mark,
                                    "[" + mark + "1]", QByteArray("\xEF\xBB{}"), mark + "{\"a\" 1}"}) {
        EXPECT_EQ(thrown<DecodingError>([&] { jsonValue(bytes); }).kind(), DecodingError::Kind::DataCorrupted)
            << bytes.toHex().constData();
    }
    // Offsets in the message count the file's own bytes, the mark included.
    const auto message = [](const QByteArray& bytes) {
        return thrown<DecodingError>([&] { jsonValue(bytes); }).debugDescription();
    };
    for (const QByteArray& broken : {QByteArray("{\"a\" 1}"), QByteArray("1 2")}) {
        const QString plain = message(broken);
        const qsizetype at = plain.indexOf("offset ");
        ASSERT_GE(at, 0) << plain.toStdString();
        const int offset = plain.mid(at + 7).chopped(1).toInt();
        EXPECT_EQ(message(mark + broken),
                  QString(plain).replace(at + 7, plain.size() - at - 8, QString::number(offset + 3)));
    }
}

TEST_F(CodedFile, ASaveReplacesOnlyRegularFilesAndKeepsALinkALink)
{
    const QString fifo = path("pipe.json");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(fifo, path("to-pipe.json")));
    ASSERT_TRUE(QFile::link("/dev/null", path("to-device.json")));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("folder.json"));
    ASSERT_TRUE(QFile::link(path("folder.json"), path("to-folder.json")));
    for (const char* name :
         {"pipe.json", "to-pipe.json", "to-device.json", "folder.json", "to-folder.json"}) {
        const FileError error = thrown<FileError>([&] { encodeToFile(Sample{"a", 1, {}}, path(name)); });
        EXPECT_EQ(error.path(), path(name));
        EXPECT_EQ(error.operation(), FileError::Operation::Write) << name;
        EXPECT_THROW(requireReplaceableFile(path(name)), FileError) << name;
    }
    const auto type = [&](const char* name) {
        struct stat status {};
        return ::lstat(QFile::encodeName(path(name)).constData(), &status) == 0 ? status.st_mode & S_IFMT : 0;
    };
    EXPECT_EQ((std::vector<unsigned>{type("pipe.json"), type("to-pipe.json"), type("to-device.json"),
                                     type("folder.json")}),
              (std::vector<unsigned>{S_IFIFO, S_IFLNK, S_IFLNK, S_IFDIR}));
    EXPECT_TRUE(QDir(path("folder.json")).isEmpty());

    // A link to a file: the file gets the new content and the link stays where it was.
    const QString target = path("target.json");
    writeRaw(target, "old");
    ASSERT_TRUE(QFile::link(target, path("link.json")));
    requireReplaceableFile(path("link.json"));
    requireReplaceableFile(path("nothing-yet.json"));
    encodeToFile(Sample{"new", 2, {}}, path("link.json"));
    EXPECT_EQ(type("link.json"), unsigned(S_IFLNK));
    EXPECT_EQ(decodeFromFile<Sample>(target), (Sample{"new", 2, std::nullopt}));
}
