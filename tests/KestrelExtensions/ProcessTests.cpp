#include "KestrelExtensions/Process/OutputWatcher.h"
#include "KestrelExtensions/Process/Pipe.h"
#include "KestrelExtensions/Process/ProcessRunner.h"
#include "Thrown.h"
#include "support/LogCapture.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>

using namespace KestrelExtensions;

namespace {

void shell(QProcess& process, const QString& script)
{
    process.setProgram("/bin/sh");
    process.setArguments({"-c", script});
}

ProcessError failure(const QString& script)
{
    QProcess process;
    shell(process, script);
    return thrown<ProcessError>([&] { run(process); });
}

} // namespace

TEST(ProcessRunner, SuccessKeepsStandardOutputAndAFailureThrowsWithAllOutputWholeAsBytes)
{
    QProcess succeeding;
    shell(succeeding, "printf out; printf err >&2");
    const ProcessOutput output = run(succeeding);
    EXPECT_EQ(output.responseString(), "out");

    const ProcessError error = failure("printf partial; echo msg >&2; exit 3");
    EXPECT_EQ(error.task().terminationStatus, 3);
    EXPECT_EQ(error.task().program, "/bin/sh");
    EXPECT_EQ(error.stdOut(), "partial");
    EXPECT_EQ(error.failureReason(), "msg\n");
    EXPECT_EQ(error.terminationDescription(), "exited normally");

    const ProcessError signalled = failure("kill -9 $$");
    EXPECT_EQ(signalled.task().terminationReason, TerminationReason::UncaughtSignal);
    EXPECT_EQ(signalled.terminationDescription(), "exited with uncaught signal: 9");

    // 2 MB on each stream, far more than a pipe holds, written before the tool exits.
    const ProcessError whole =
        failure("head -c 2097152 /dev/zero | tr '\\0' o; head -c 2097152 /dev/zero | tr '\\0' e >&2; exit 1");
    EXPECT_EQ(whole.stdOut().count('o'), 2097152);
    EXPECT_EQ(whole.stdErr().count('e'), 2097152);

    const ProcessError bytes = failure("printf '\\377\\376'; printf '\\303' >&2; exit 2");
    EXPECT_EQ(bytes.stdOut(), QByteArray("\xff\xfe"));
    EXPECT_EQ(bytes.stdOutString(), std::nullopt);
    EXPECT_EQ(bytes.stdErrString(), std::nullopt) << "a cut sequence is not text";
    EXPECT_EQ(bytes.failureReason(), std::nullopt);
    EXPECT_EQ((ProcessOutput{0, "\xe2\x82"}).responseString(), std::nullopt);
}

TEST(Log, CaptureSeparatesTheStreams)
{
    LogCapture capture;
    Log::system(QStringLiteral("Rendering PDF due to image change"));
    Log::out(QStringLiteral("Exporting PDF to /tmp/a.pdf"));
    EXPECT_EQ(capture.systemLines(), QStringList{"Rendering PDF due to image change"});
    EXPECT_EQ(capture.outLines(), QStringList{"Exporting PDF to /tmp/a.pdf"});
}

TEST(ProcessRunner, EchoPrintsTheWorkingFolderAndCommandLine)
{
    LogCapture capture;
    QProcess bare;
    bare.setProgram("/bin/true");
    run(bare, std::nullopt, true);
    bare.setArguments({"a", "b"});
    run(bare, true);
    EXPECT_EQ(capture.outLines(), (QStringList{"Working path not set", "/bin/true ", "/bin/true a b"}));

    capture.clear();
    QTemporaryDir folder;
    QProcess inFolder;
    shell(inFolder, "pwd");
    EXPECT_EQ(run(inFolder, folder.path(), true).responseString(),
              QDir(folder.path()).canonicalPath() + "\n");
    EXPECT_EQ(capture.outLines(), (QStringList{folder.path(), "/bin/sh -c pwd"}));
}

// A folder as a string literal must not silently pick the echo-only overload.
template <typename Argument>
concept RunsWith = requires(QProcess& process, Argument argument)
{
    run(process, argument);
};
static_assert(!RunsWith<const char*>);
static_assert(RunsWith<QString> && RunsWith<bool> && RunsWith<std::optional<QString>>);

TEST(ProcessRunner, AToolReadingInputSeesItsEndSlowToolsAreStoppedAndFailedStartsThrow)
{
    QProcess cat;
    cat.setProgram("/bin/cat");
    EXPECT_EQ(run(cat, false, std::chrono::seconds(60)).response, "");
    QProcess sort;
    sort.setProgram("/usr/bin/sort");
    EXPECT_EQ(run(sort, QDir::tempPath()).response, "");

    QProcess slow;
    shell(slow, "printf started; exec sleep 60");
    const auto error = thrown<ProcessTimeoutError>([&] { run(slow, false, std::chrono::milliseconds(200)); });
    EXPECT_EQ(error.task().terminationReason, TerminationReason::UncaughtSignal);
    EXPECT_EQ(error.terminationDescription(), "exited with uncaught signal: 9");
    EXPECT_EQ(error.stdOut(), "started");
    EXPECT_TRUE(error.failureReason()->contains("/bin/sh")) << error.failureReason()->toStdString();
    EXPECT_EQ(slow.state(), QProcess::NotRunning);

    QProcess missing;
    missing.setProgram("/nonexistent/tool");
    EXPECT_THROW(run(missing), ProcessLaunchError);
    QProcess unset;
    EXPECT_FALSE(thrown<ProcessLaunchError>([&] { run(unset); }).reason().isEmpty());
}

TEST(Pipe, ReadsEverythingWrittenPrintsItAndAWatcherReportsTheFirstStatusWordOfEachChunk)
{
    Pipe pipe;
    ASSERT_TRUE(pipe.write("first "));
    ASSERT_TRUE(pipe.write("second"));
    // The pipe's own writing end is closed by the read, so this returns instead of waiting for ever.
    EXPECT_EQ(pipe.readString(), "first second");
    EXPECT_FALSE(pipe.write("late"));

    LogCapture capture;
    Pipe text;
    text.write("line\n");
    text.printOutput();
    Pipe binary;
    binary.write("\xff");
    binary.printOutput();
    EXPECT_EQ(capture.outLines(), QStringList{"line\n"});

    Pipe watched;
    QStringList words;
    bool finished = false;
    OutputWatcher* watcher =
        watchOutput(watched.readDescriptor(), [&](const QString& word) { words.append(word); });
    QObject::connect(watcher, &OutputWatcher::finished, [&] { finished = true; });
    const auto deliver = [&](const QByteArray& chunk) {
        watched.write(chunk);
        QCoreApplication::processEvents();
    };
    deliver("\x1b]0;Rendering\x07 more \x1b]0;Ignored\x07");
    deliver("plain text, no sequence");
    deliver("\x1b]0;Cut\xe2\x82");
    deliver("\x1b]2;Done\x07");
    EXPECT_EQ(words, (QStringList{"Rendering", "Done"}));

    // End of file ends the watch whatever an earlier call left in errno.
    watched.closeWriteEnd();
    errno = EAGAIN;
    QEvent readable(QEvent::SockAct);
    QCoreApplication::sendEvent(watcher->findChild<QSocketNotifier*>(), &readable);
    EXPECT_TRUE(finished);
    EXPECT_FALSE(watcher->isWatching()) << "at end of file the watcher stops instead of spinning";
    delete watcher;
}
