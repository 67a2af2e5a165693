#include "ProcessError.h"

#include "KestrelExtensions/String/StrictUtf8.h"

namespace KestrelExtensions {

ProcessError::ProcessError(ProcessInfo task, QByteArray stdOut, QByteArray stdErr)
    : m_task(std::move(task)), m_stdOut(std::move(stdOut)), m_stdErr(std::move(stdErr)),
      m_stdOutString(decodeUtf8Strictly(m_stdOut)), m_stdErrString(decodeUtf8Strictly(m_stdErr))
{
}

QString ProcessError::terminationDescription() const
{
    if (m_task.terminationReason == TerminationReason::UncaughtSignal)
        return QStringLiteral("exited with uncaught signal: %1").arg(m_task.terminationStatus);
    return QStringLiteral("exited normally");
}

} // namespace KestrelExtensions
