#include "ProcessRunner.h"

#include "KestrelExtensions/Logging/Log.h"

#include <QProcess>

namespace KestrelExtensions {

namespace {

ProcessOutput runConfigured(QProcess& process, bool echoWorkingDirectory, bool echo)
{
    if (echo) {
        if (echoWorkingDirectory) {
            const QString directory = process.workingDirectory();
            Log::out(directory.isEmpty() ? QStringLiteral("Working path not set") : directory);
        }
        Log::out(process.program() + u' ' + process.arguments().join(u' '));
    }
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(-1))
        throw ProcessLaunchError(process.program(), process.errorString());
    // No time limit: the default of 30 s would report on a tool that is still running. QProcess reads
    // both pipes while it waits, so neither can fill up and stall the child.
    process.waitForFinished(-1);

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

ProcessOutput run(QProcess& process, const std::optional<QString>& workingDirectory, bool echo)
{
    process.setWorkingDirectory(workingDirectory.value_or(QString()));
    return runConfigured(process, true, echo);
}

ProcessOutput run(QProcess& process, bool echo)
{
    return runConfigured(process, false, echo);
}

} // namespace KestrelExtensions
