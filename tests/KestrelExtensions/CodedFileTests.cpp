#include "KestrelExtensions/Coding/CodedFile.h"
#include "KestrelExtensions/Coding/JsonObjectReader.h"

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

// A value whose coded form is a bare number at the top level.
struct Count {
    qint64 value = 0;
    QJsonValue toJson() const { return QJsonValue(value); }
    static Count fromJson(const QJsonValue& json)
    {
        if (!json.isDouble())
            throw DecodingError::typeMismatch({}, "Int");
        return Count{json.toInteger()};
    }
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

TEST_F(CodedFile, RoundTripReplacesALongerExistingFileWhole)
{
    const QString file = path("layout.swlayout");
    writeRaw(file, QByteArray(4096, 'x'));
    const Sample sample{"Contact", 12.5, true};
    encodeToFile(sample, file);
    EXPECT_EQ(decodeFromFile<Sample>(file), sample);
    EXPECT_FALSE(readRaw(file).contains('x'));
    EXPECT_FALSE(readRaw(file).contains('\n')) << "compact output";
}

TEST_F(CodedFile, TopLevelScalarsRoundTrip)
{
    const QString file = path("count.json");
    encodeToFile(Count{42}, file);
    EXPECT_EQ(readRaw(file), "42");
    EXPECT_EQ(decodeFromFile<Count>(file).value, 42);
    writeRaw(file, " 7 \n");
    EXPECT_EQ(decodeFromFile<Count>(file).value, 7);
    for (const QByteArray& bad :
         {QByteArray(""), QByteArray("1,2"), QByteArray("1],[2"), QByteArray("7 x")}) {
        writeRaw(file, bad);
        try {
            decodeFromFile<Count>(file);
            ADD_FAILURE() << bad.constData();
        } catch (const DecodingError& error) {
            EXPECT_EQ(error.kind(), DecodingError::Kind::DataCorrupted) << bad.constData();
        }
    }
}

TEST_F(CodedFile, ReadFailuresAreFileErrorsNotDecodingErrors)
{
    try {
        decodeFromFile<Sample>(path("missing.json"));
        FAIL();
    } catch (const FileError& error) {
        EXPECT_EQ(error.code(), FileError::Code::NoSuchFile);
        EXPECT_TRUE(error.failureReason()->contains("missing.json"));
    }
    try {
        decodeFromFile<Sample>(m_dir.path());
        FAIL();
    } catch (const FileError& error) {
        EXPECT_EQ(error.code(), FileError::Code::IsDirectory);
    }
    // A file past the cap is refused before anything is read; one at the cap is read whole.
    const QString sized = path("sized.json");
    writeRaw(sized, "12345678901");
    EXPECT_EQ(readFileContents(sized, 11), "12345678901");
    try {
        readFileContents(sized, 10);
        FAIL();
    } catch (const FileError& error) {
        EXPECT_EQ(error.code(), FileError::Code::TooLarge);
        EXPECT_TRUE(error.failureReason()->contains("too large"));
    }
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
}

TEST_F(CodedFile, DecodingErrorsNameTheProblem)
{
    const QString file = path("sample.json");
    const std::pair<QByteArray, DecodingError::Kind> rows[] = {
        {"{\"name\": \"a\", ", DecodingError::Kind::DataCorrupted},
        {"[1, 2]", DecodingError::Kind::TypeMismatch},
        {"{\"size\": 1}", DecodingError::Kind::KeyNotFound},
        {"{\"name\": \"a\", \"size\": \"big\"}", DecodingError::Kind::TypeMismatch},
        {"{\"name\": \"a\", \"size\": 1, \"flag\": 1}", DecodingError::Kind::TypeMismatch},
    };
    for (const auto& [bytes, kind] : rows) {
        writeRaw(file, bytes);
        try {
            decodeFromFile<Sample>(file);
            ADD_FAILURE() << bytes.constData();
        } catch (const DecodingError& error) {
            EXPECT_EQ(error.kind(), kind) << bytes.constData();
        }
    }
    writeRaw(file, "{\"name\": \"a\", \"size\": 1, \"flag\": null, \"extra\": []}");
    EXPECT_EQ(decodeFromFile<Sample>(file), (Sample{"a", 1, std::nullopt}));
}

TEST_F(CodedFile, FailedEncodingLeavesTheFileUntouched)
{
    const QString existing = path("existing.json");
    writeRaw(existing, "{\"name\":\"old\",\"size\":1}");
    EXPECT_THROW(encodeToFile(Sample{"new", std::numeric_limits<double>::quiet_NaN(), {}}, existing),
                 EncodingError);
    EXPECT_EQ(readRaw(existing), "{\"name\":\"old\",\"size\":1}");

    // A raw non-finite number anywhere in the tree is refused too, not written as null.
    struct Raw {
        QJsonValue toJson() const
        {
            return QJsonObject{{"a", QJsonArray{1, std::numeric_limits<double>::infinity()}}};
        }
    };
    try {
        encodeToFile(Raw{}, path("new.json"));
        FAIL();
    } catch (const EncodingError& error) {
        EXPECT_EQ(error.codingPath(), (QStringList{"a", "Index 1"}));
    }
    EXPECT_FALSE(QFile::exists(path("new.json")));
}

TEST_F(CodedFile, WritingIntoAMissingFolderFailsAndCreatesNothing)
{
    const QString file = path("absent/sub/layout.json");
    try {
        encodeToFile(Sample{"a", 1, {}}, file);
        FAIL();
    } catch (const FileError& error) {
        EXPECT_EQ(error.code(), FileError::Code::NoSuchFolder);
    }
    EXPECT_FALSE(QDir(path("absent")).exists());
}

TEST_F(CodedFile, AFailedWriteKeepsTheOldContent)
{
    const QString file = path("layout.json");
    const QByteArray old = "{\"name\":\"old\",\"size\":1}";
    // Small contents matter as much as large ones: a layout file is a few hundred bytes.
    for (const qsizetype length : {qsizetype(1000), qsizetype(100000)}) {
        writeRaw(file, old);
        // A file-size limit makes the write fail part-way, as a full disk would, even for root.
        rlimit saved{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = 256;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
        EXPECT_THROW(encodeToFile(Sample{QString(length, u'n'), 2, {}}, file), FileError) << length;
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
        EXPECT_EQ(readRaw(file), old) << length;
        EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"layout.json"})
            << "no temporary left";
    }
}

TEST_F(CodedFile, SeveralFilesDecodeInOrderAndStopAtTheFirstFailure)
{
    EXPECT_TRUE(decodeFromFiles<Sample>({}).empty());
    encodeToFile(Sample{"one", 1, {}}, path("1.json"));
    encodeToFile(Sample{"two", 2, {}}, path("2.json"));
    const auto values = decodeFromFiles<Sample>({path("2.json"), path("1.json")});
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].name, "two");
    EXPECT_EQ(values[1].name, "one");

    writeRaw(path("bad.json"), "{");
    EXPECT_THROW(decodeFromFiles<Sample>({path("1.json"), path("bad.json"), path("missing.json")}),
                 DecodingError);
    EXPECT_THROW(decodeFromFiles<Sample>({path("1.json"), path("missing.json"), path("bad.json")}),
                 FileError);
}
