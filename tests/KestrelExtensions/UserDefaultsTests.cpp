#include "KestrelExtensions/Defaults/UserDefaults.h"
#include "support/LogCapture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace KestrelExtensions;

namespace {

void writeSettingsText(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

struct DetachedStoreReport {
    bool backedByFile = true;
    bool contains = true;
    std::optional<bool> flag;
    std::optional<QString> keptInMemory;
    qsizetype announced = 0;
};

// Opens a store on `path` and uses it on a thread of its own. Should the opening wait on a pipe, the
// pipe gets a writer after a while, which releases the reader, and the result says what happened.
std::optional<DetachedStoreReport> useStoreWithin(const QString& path, std::chrono::seconds limit)
{
    std::promise<DetachedStoreReport> promise;
    auto result = promise.get_future();
    std::thread worker([&] {
        UserDefaults store(path);
        DetachedStoreReport report;
        report.backedByFile = store.isBackedByFile();
        report.contains = store.contains("Flag");
        report.flag = store.boolean("Flag");
        QSignalSpy changed(&store, &UserDefaults::changed);
        store.setBool("Flag", true);
        store.setString("Title", "Kept");
        store.remove("Title");
        store.setString("Title", "Kept again");
        store.sync();
        report.keptInMemory = store.string("Title");
        report.announced = changed.count();
        promise.set_value(report);
    });
    const bool finished = result.wait_for(limit) == std::future_status::ready;
    if (!finished) {
        const int writer = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
    }
    worker.join();
    return finished ? std::optional(result.get()) : std::nullopt;
}

} // namespace

TEST(UserDefaults, OnlyTheUsualBooleanWordsReadAsBooleansAndAnythingElseAsAbsent)
{
    QTemporaryDir dir;
    int row = 0;
    const std::pair<const char*, std::optional<bool>> rows[] = {
        {"true", true},      {"false", false},   {"TRUE", true},    {"No", false},
        {"yes", true},       {"on", true},       {"off", false},    {"1", true},
        {"0", false},        {" true ", true},   {"garbage!!", {}}, {"", {}},
        {"2", {}},           {"-1", {}},         {"truee", {}},     {"\"yes\"", true},
        {"true, false", {}}, {"@Invalid()", {}}, {"nope", {}},      {"0x1", {}},
    };
    for (const auto& [text, expected] : rows) {
        SCOPED_TRACE(text);
        // A file of its own each: QSettings keeps a file's values while its size and time stay the same.
        const QString file = dir.filePath(QString("settings-%1.ini").arg(++row));
        writeSettingsText(file, QByteArray("[General]\nFlag=") + text + "\n");
        UserDefaults store(file);
        ASSERT_TRUE(store.contains("Flag"));
        EXPECT_EQ(store.boolean("Flag"), expected);
    }
    // Values set in this process keep their type until read back from the file.
    UserDefaults store(dir.filePath("typed.ini"));
    for (const auto& [value, expected] : {std::pair{QVariant(true), std::optional(true)},
                                          {QVariant(false), std::optional(false)},
                                          {QVariant(1), std::optional(true)},
                                          {QVariant(0), std::optional(false)},
                                          {QVariant(7), std::optional<bool>()},
                                          {QVariant(0.5), std::optional<bool>()}}) {
        store.setValue("Typed", value);
        EXPECT_EQ(store.boolean("Typed"), expected) << value.toString().toStdString();
    }
    EXPECT_EQ(store.boolean("Missing"), std::nullopt);
    store.setBool("Kept", true);
    store.remove("Typed");
    UserDefaults reopened(dir.filePath("typed.ini"));
    EXPECT_EQ(std::pair(reopened.contains("Typed"), reopened.boolean("Kept")),
              std::pair(false, std::optional(true)));
}

TEST(UserDefaults, APathThatIsNoRegularFileIsNeitherReadNorWrittenAndValuesLiveInMemory)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("settings.conf");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = dir.filePath("folder.conf");
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString linkToFifo = dir.filePath("link.conf");
    ASSERT_TRUE(QFile::link(fifo, linkToFifo));

    for (const QString& path : {fifo, folder, linkToFifo}) {
        SCOPED_TRACE(path.toStdString());
        LogCapture log;
        const auto report = useStoreWithin(path, std::chrono::seconds(10));
        ASSERT_TRUE(report) << "opening the store waited on the pipe";
        EXPECT_FALSE(report->backedByFile);
        EXPECT_FALSE(report->contains);
        EXPECT_EQ(report->flag, std::nullopt);
        EXPECT_EQ(report->keptInMemory, "Kept again");
        EXPECT_EQ(report->announced, 4);
        ASSERT_EQ(log.systemLines().size(), 1);
        EXPECT_TRUE(log.systemLines().first().contains(path)) << log.systemLines().first().toStdString();
    }
    struct stat status {};
    ASSERT_EQ(::lstat(QFile::encodeName(fifo).constData(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode)) << "nothing was written over the pipe";
    EXPECT_TRUE(QDir(folder).isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size(), 3);

    // A regular file, also through a link, is the usual store.
    const QString file = dir.filePath("real.ini");
    writeSettingsText(file, "[General]\nFlag=true\n");
    ASSERT_TRUE(QFile::link(file, dir.filePath("real-link.ini")));
    LogCapture log;
    UserDefaults linked(dir.filePath("real-link.ini"));
    EXPECT_TRUE(linked.isBackedByFile());
    EXPECT_EQ(linked.boolean("Flag"), true);
    EXPECT_TRUE(log.systemLines().isEmpty());
}

TEST(UserDefaults, TheStandardFileIsWhereQtKeepsTheApplicationsSettings)
{
    const QString organization = QCoreApplication::organizationName();
    const QString application = QCoreApplication::applicationName();
    for (const auto& [org, app] : {std::pair{QString("Sheetwright"), QString("Sheetwright")},
                                   {QString("Org"), QString()},
                                   {QString(), QString("Only App")}}) {
        QCoreApplication::setOrganizationName(org);
        QCoreApplication::setApplicationName(app);
        EXPECT_EQ(UserDefaults::standardFileName(), QSettings().fileName()) << org.toStdString();
    }
    QCoreApplication::setOrganizationName(organization);
    QCoreApplication::setApplicationName(application);
}
