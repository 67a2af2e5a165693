#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

struct BenchRun {
    bool finished = false;
    QProcess::ExitStatus status = QProcess::CrashExit;
    int exitCode = -1;
    QString errors;
};

class BenchOutput : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        // Four coloured pixels: any picture will do, the file handling is what counts.
        write("picture.ppm", "P3\n2 2\n255\n255 0 0 0 255 0 0 0 255 255 255 255\n");
        ASSERT_TRUE(QDir(m_dir.path()).mkdir("no-pictures"));
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }

    void write(const QString& name, const QByteArray& bytes)
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray read(const QString& name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    unsigned type(const QString& name) const
    {
        struct stat status {};
        return ::lstat(QFile::encodeName(path(name)).constData(), &status) == 0 ? status.st_mode & S_IFMT : 0;
    }

    // Runs the benchmark on `input` into `out`, optionally under a file-size limit of `sizeLimit` bytes.
    BenchRun bench(const QString& out, const QString& input, bool inMemory = false, rlim_t sizeLimit = 0,
                   const QStringList& options = {})
    {
        QProcess process;
        process.setWorkingDirectory(m_dir.path());
        process.setProcessChannelMode(QProcess::SeparateChannels);
        if (sizeLimit) {
            process.setChildProcessModifier([sizeLimit] {
                const rlimit limit{sizeLimit, sizeLimit};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            });
        }
        QStringList arguments{"--out", out, input};
        if (inMemory)
            arguments.prepend("--in-memory");
        arguments = options + arguments;
        process.start(QStringLiteral(SHEETWRIGHT_BENCH_PROGRAM), arguments);
        BenchRun run;
        run.finished = process.waitForFinished(60000);
        if (!run.finished) {
            process.kill();
            process.waitForFinished();
        }
        run.status = process.exitStatus();
        run.exitCode = process.exitCode();
        run.errors = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(BenchOutput, AnEarlierOutputStaysUntilANewOneIsWholeAndALinkStaysALink)
{
    for (const bool inMemory : {false, true}) {
        SCOPED_TRACE(inMemory ? "in memory" : "streamed");
        write("sheet.pdf", "earlier run");
        const BenchRun failed = bench("sheet.pdf", "no-pictures", inMemory);
        EXPECT_TRUE(failed.finished && failed.status == QProcess::NormalExit && failed.exitCode != 0);
        EXPECT_EQ(read("sheet.pdf"), "earlier run") << "a failed run loses nothing";

        const BenchRun made = bench("sheet.pdf", "picture.ppm", inMemory);
        EXPECT_EQ(made.exitCode, 0) << made.errors.toStdString();
        EXPECT_TRUE(read("sheet.pdf").startsWith("%PDF-"));

        write("target.pdf", "earlier run");
        QFile::remove(path("link.pdf"));
        ASSERT_TRUE(QFile::link(path("target.pdf"), path("link.pdf")));
        const BenchRun linked = bench("link.pdf", "picture.ppm", inMemory);
        EXPECT_EQ(linked.exitCode, 0) << linked.errors.toStdString();
        EXPECT_EQ(type("link.pdf"), unsigned(S_IFLNK));
        EXPECT_TRUE(read("target.pdf").startsWith("%PDF-"));
    }
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::System).size(), 4)
        << "the picture, the sheet, the link and its target; no temporary file left";
}

TEST_F(BenchOutput, ATargetThatIsNoRegularFileIsRefusedUntouchedAndWithoutWaiting)
{
    ASSERT_EQ(mkfifo(QFile::encodeName(path("pipe.pdf")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link("/dev/null", path("device.pdf")));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("folder.pdf"));
    for (const char* name : {"pipe.pdf", "device.pdf", "folder.pdf"}) {
        for (const bool inMemory : {false, true}) {
            const BenchRun run = bench(name, "picture.ppm", inMemory);
            EXPECT_TRUE(run.finished) << name;
            EXPECT_NE(run.exitCode, 0) << name;
            EXPECT_TRUE(run.errors.contains(name)) << run.errors.toStdString();
        }
    }
    EXPECT_EQ((std::vector<unsigned>{type("pipe.pdf"), type("device.pdf"), type("folder.pdf")}),
              (std::vector<unsigned>{S_IFIFO, S_IFLNK, S_IFDIR}));
    EXPECT_TRUE(QDir(path("folder.pdf")).isEmpty());
}

TEST_F(BenchOutput, AFileSizeLimitIsAReportedFailureThatKeepsTheEarlierOutput)
{
    for (const bool inMemory : {false, true}) {
        SCOPED_TRACE(inMemory ? "in memory" : "streamed");
        write("sheet.pdf", "earlier run");
        const BenchRun run = bench("sheet.pdf", "picture.ppm", inMemory, 1024);
        EXPECT_TRUE(run.finished);
        EXPECT_EQ(run.status, QProcess::NormalExit) << "not killed by the limit's signal";
        EXPECT_NE(run.exitCode, 0);
        EXPECT_TRUE(run.errors.contains("writing the PDF failed")) << run.errors.toStdString();
        EXPECT_EQ(read("sheet.pdf"), "earlier run");
    }
}

TEST_F(BenchOutput, ALayoutFileIsReadAsTheApplicationReadsItAndAPipeIsNotWaitedOn)
{
    write("marked.swlayout", "\xEF\xBB\xBF{\"rows\": 1, \"columns\": 1}");
    write("list.swlayout", "[1, 2]");
    write("typed.swlayout", "{\"rows\": \"many\"}");
    ASSERT_EQ(mkfifo(QFile::encodeName(path("pipe.swlayout")).constData(), 0600), 0);
    const auto withLayout = [&](const char* layout) {
        return bench("sheet.pdf", "picture.ppm", false, 0, {"--layout", layout});
    };
    const BenchRun marked = withLayout("marked.swlayout");
    EXPECT_EQ(marked.exitCode, 0) << marked.errors.toStdString();
    for (const char* refused : {"list.swlayout", "typed.swlayout", "pipe.swlayout"}) {
        const BenchRun run = withLayout(refused);
        EXPECT_TRUE(run.finished) << refused;
        EXPECT_NE(run.exitCode, 0) << refused;
        EXPECT_TRUE(run.errors.contains(refused)) << run.errors.toStdString();
    }
}
