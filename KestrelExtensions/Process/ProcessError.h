// Not called by the application: kept as a library service for other users.
#pragma once

#include "KestrelExtensions/Coding/LocalizedError.h"

#include <QByteArray>
#include <QStringList>
#include <chrono>
#include <cstdint>

namespace KestrelExtensions {

// How a finished process ended.
enum class TerminationReason { Exit = 1, UncaughtSignal = 2 };

// The finished process as the caller set it up, and how it ended.
struct ProcessInfo {
    QString program;
    QStringList arguments;
    QString workingDirectory;
    // The exit status, or the signal number when the process was killed by a signal.
    int32_t terminationStatus = 0;
    TerminationReason terminationReason = TerminationReason::Exit;
};

// A tool ran and exited with a status other than 0 (or was killed). Carries everything it wrote; its
// failure reason is the tool's own error text.
class ProcessError : public LocalizedError {
public:
    ProcessError(ProcessInfo task, QByteArray stdOut, QByteArray stdErr);

    const ProcessInfo& task() const { return m_task; }
    const QByteArray& stdOut() const { return m_stdOut; }
    const QByteArray& stdErr() const { return m_stdErr; }
    const std::optional<QString>& stdOutString() const { return m_stdOutString; }
    const std::optional<QString>& stdErrString() const { return m_stdErrString; }

    // "exited with uncaught signal: 9" for a killed process, "exited normally" otherwise.
    QString terminationDescription() const;
    std::optional<QString> failureReason() const override { return m_stdErrString; }

private:
    ProcessInfo m_task;
    QByteArray m_stdOut;
    QByteArray m_stdErr;
    std::optional<QString> m_stdOutString;
    std::optional<QString> m_stdErrString;
};

// A tool ran past its time limit and was killed. Carries what it wrote until then.
class ProcessTimeoutError : public ProcessError {
public:
    ProcessTimeoutError(ProcessInfo task, QByteArray stdOut, QByteArray stdErr,
                        std::chrono::milliseconds timeout)
        : ProcessError(std::move(task), std::move(stdOut), std::move(stdErr)), m_timeout(timeout)
    {
    }
    std::chrono::milliseconds timeout() const { return m_timeout; }
    std::optional<QString> failureReason() const override
    {
        return QStringLiteral("“%1” did not finish within %2 s and was stopped.")
            .arg(task().program)
            .arg(double(m_timeout.count()) / 1000.0);
    }

private:
    std::chrono::milliseconds m_timeout;
};

// A tool could not be started at all (no program set, not found, not executable).
class ProcessLaunchError : public LocalizedError {
public:
    ProcessLaunchError(QString program, QString reason)
        : m_program(std::move(program)), m_reason(std::move(reason))
    {
    }
    const QString& program() const { return m_program; }
    const QString& reason() const { return m_reason; }
    std::optional<QString> failureReason() const override
    {
        return QStringLiteral("“%1” could not be started: %2").arg(m_program, m_reason);
    }

private:
    QString m_program;
    QString m_reason;
};

} // namespace KestrelExtensions
