#include "KestrelExtensions/Process/OutputWatcher.h"
#include "KestrelExtensions/Process/Pipe.h"
#include "KestrelExtensions/Process/ProcessRunner.h"
#include "support/LogCapture.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace KestrelExtensions;

namespace {

void shell(QProcess& process, const QString& script)
{
    process.setProgram("/bin/sh");
    process.setArguments({"-c", script});
}

ProcessError runExpectingError(QProcess& process)
{
    try {
        run(process);
    } catch (const ProcessError& error) {
        return error;
    }
    throw std::runtime_error("the run did not throw ProcessError");
}

} // namespace

TEST(ProcessRunner, SuccessKeepsOnlyStandardOutput)
{
    QProcess process;
    shell(process, "printf out; printf err >&2");
    const ProcessOutput output = run(process);
    EXPECT_EQ(output.terminationStatus, 0);
    EXPECT_EQ(output.response, "out");
    EXPECT_EQ(output.responseString(), "out");
}

TEST(ProcessRunner, NonZeroStatusAndSignalsThrowWithEverythingWritten)
{
    QProcess failing;
    shell(failing, "printf partial; echo msg >&2; exit 3");
    const ProcessError error = runExpectingError(failing);
    EXPECT_EQ(error.task().terminationStatus, 3);
    EXPECT_EQ(error.task().program, "/bin/sh");
    EXPECT_EQ(error.stdOut(), "partial");
    EXPECT_EQ(error.failureReason(), "msg\n");
    EXPECT_EQ(error.terminationDescription(), "exited normally");

    QProcess killed;
    shell(killed, "kill -9 $$");
    const ProcessError signalled = runExpectingError(killed);
    EXPECT_EQ(signalled.task().terminationReason, TerminationReason::UncaughtSignal);
    EXPECT_EQ(signalled.terminationDescription(), "exited with uncaught signal: 9");
}

TEST(ProcessRunner, LargeOutputOnBothStreamsArrivesWholeAndApart)
{
    QProcess process;
    // 2 MB on each stream, far more than a pipe holds, written before the tool exits.
    shell(process,
          "head -c 2097152 /dev/zero | tr '\\0' o; head -c 2097152 /dev/zero | tr '\\0' e >&2; exit 1");
    const ProcessError error = runExpectingError(process);
    EXPECT_EQ(error.stdOut().size(), 2097152);
    EXPECT_EQ(error.stdErr().size(), 2097152);
    EXPECT_EQ(error.stdOut().count('o'), 2097152);
    EXPECT_EQ(error.stdErr().count('e'), 2097152);
}

TEST(ProcessRunner, InvalidUtf8LeavesTheTextAbsentButTheBytes)
{
    QProcess process;
    shell(process, "printf '\\377\\376'; printf '\\303' >&2; exit 2");
    const ProcessError error = runExpectingError(process);
    EXPECT_EQ(error.stdOut(), QByteArray("\xff\xfe"));
    EXPECT_EQ(error.stdOutString(), std::nullopt);
    EXPECT_EQ(error.stdErrString(), std::nullopt) << "a cut sequence is not text";
    EXPECT_EQ(error.failureReason(), std::nullopt);

    EXPECT_EQ((ProcessOutput{0, "\xe2\x82"}).responseString(), std::nullopt);
}

TEST(ProcessRunner, EchoPrintsTheWorkingFolderAndCommandLine)
{
    LogCapture capture;
    QProcess bare;
    bare.setProgram("/bin/true");
    run(bare, std::nullopt, true);
    EXPECT_EQ(capture.outLines(), (QStringList{"Working path not set", "/bin/true "}));

    capture.clear();
    QTemporaryDir folder;
    QProcess inFolder;
    shell(inFolder, "pwd");
    const ProcessOutput output = run(inFolder, folder.path(), true);
    EXPECT_EQ(capture.outLines(), (QStringList{folder.path(), "/bin/sh -c pwd"}));
    EXPECT_EQ(output.responseString(), QDir(folder.path()).canonicalPath() + "\n");

    capture.clear();
    QProcess keepsFolder;
    keepsFolder.setProgram("/bin/true");
    keepsFolder.setArguments({"a", "b"});
    run(keepsFolder, true);
    EXPECT_EQ(capture.outLines(), QStringList{"/bin/true a b"});
}

// A folder as a string literal must not silently pick the echo-only overload.
template <typename Argument>
concept RunsWith = requires(QProcess& process, Argument argument)
{
    run(process, argument);
};
static_assert(!RunsWith<const char*>);
static_assert(RunsWith<QString> && RunsWith<bool> && RunsWith<std::optional<QString>>);

TEST(ProcessRunner, AToolReadingStandardInputSeesItsEndAndSlowToolsAreStopped)
{
    QProcess cat;
    cat.setProgram("/bin/cat");
    EXPECT_EQ(run(cat, false, std::chrono::seconds(60)).response, "");
    QProcess sort;
    sort.setProgram("/usr/bin/sort");
    EXPECT_EQ(run(sort, QDir::tempPath()).response, "");

    QProcess slow;
    shell(slow, "printf started; exec sleep 60");
    try {
        run(slow, false, std::chrono::milliseconds(200));
        FAIL();
    } catch (const ProcessTimeoutError& error) {
        EXPECT_EQ(error.task().terminationReason, TerminationReason::UncaughtSignal);
        EXPECT_EQ(error.terminationDescription(), "exited with uncaught signal: 9");
        EXPECT_EQ(error.stdOut(), "started");
        EXPECT_TRUE(error.failureReason()->contains("/bin/sh")) << error.failureReason()->toStdString();
    }
    EXPECT_EQ(slow.state(), QProcess::NotRunning);
}

TEST(ProcessRunner, AToolThatCannotStartThrowsItsOwnError)
{
    QProcess missing;
    missing.setProgram("/nonexistent/tool");
    EXPECT_THROW(run(missing), ProcessLaunchError);
    QProcess unset;
    try {
        run(unset);
        FAIL();
    } catch (const ProcessLaunchError& error) {
        EXPECT_FALSE(error.reason().isEmpty());
    }
}

TEST(Pipe, ReadsEverythingWrittenAndPrintsIt)
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
}

TEST(OutputWatcher, ReportsTheFirstStatusWordOfEachChunk)
{
    Pipe pipe;
    QStringList words;
    bool finished = false;
    OutputWatcher* watcher =
        watchOutput(pipe.readDescriptor(), [&](const QString& word) { words.append(word); });
    QObject::connect(watcher, &OutputWatcher::finished, [&] { finished = true; });
    const auto deliver = [&](const QByteArray& chunk) {
        pipe.write(chunk);
        QCoreApplication::processEvents();
    };
    deliver("\x1b]0;Rendering\x07 more \x1b]0;Ignored\x07");
    deliver("plain text, no sequence");
    deliver("\x1b]0;Cut\xe2\x82");
    deliver("\x1b]2;Done\x07");
    EXPECT_EQ(words, (QStringList{"Rendering", "Done"}));

    pipe.closeWriteEnd();
    QCoreApplication::processEvents();
    EXPECT_TRUE(finished);
    EXPECT_FALSE(watcher->isWatching()) << "at end of file the watcher stops instead of spinning";
    delete watcher;
}
