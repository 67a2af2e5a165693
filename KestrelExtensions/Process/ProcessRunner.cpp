#include "ProcessRunner.h"

#include "KestrelExtensions/Logging/Log.h"

#include <QProcess>
#include <algorithm>
#include <csignal>
#include <limits>

namespace KestrelExtensions {

namespace {

ProcessOutput runConfigured(QProcess& process, bool echoWorkingDirectory, bool echo,
                            std::chrono::milliseconds timeout)
{
    if (echo) {
        if (echoWorkingDirectory) {
            const QString directory = process.workingDirectory();
            Log::out(directory.isEmpty() ? QStringLiteral("Working path not set") : directory);
        }
        Log::out(process.program() + u' ' + process.arguments().join(u' '));
    }
    process.setProcessChannelMode(QProcess::SeparateChannels);
    // Nothing is ever written to the child: an open input pipe would keep `cat` or `sort` waiting.
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(-1))
        throw ProcessLaunchError(process.program(), process.errorString());
    // QProcess reads both pipes while it waits, so neither can fill up and stall the child.
    if (!process.waitForFinished(int(std::min<qint64>(timeout.count(), std::numeric_limits<int>::max())))) {
        process.kill();
        process.waitForFinished(-1);
        ProcessInfo task{process.program(), process.arguments(), process.workingDirectory(), SIGKILL,
                         TerminationReason::UncaughtSignal};
        throw ProcessTimeoutError(std::move(task), process.readAllStandardOutput(),
                                  process.readAllStandardError(), timeout);
    }

    const QByteArray standardOutput = process.readAllStandardOutput();
    const QByteArray standardError = process.readAllStandardError();
    const bool crashed = process.exitStatus() == QProcess::CrashExit;
    const int32_t status = process.exitCode();
    if (!crashed && status == 0)
        return ProcessOutput{status, standardOutput};
    ProcessInfo task{process.program(), process.arguments(), process.workingDirectory(), status,
                     crashed ? TerminationReason::UncaughtSignal : TerminationReason::Exit};
    throw ProcessError(std::move(task), standardOutput, standardError);
}

} // namespace

ProcessOutput run(QProcess& process, const std::optional<QString>& workingDirectory, bool echo,
                  std::chrono::milliseconds timeout)
{
    process.setWorkingDirectory(workingDirectory.value_or(QString()));
    return runConfigured(process, true, echo, timeout);
}

ProcessOutput run(QProcess& process, bool echo, std::chrono::milliseconds timeout)
{
    return runConfigured(process, false, echo, timeout);
}

} // namespace KestrelExtensions
