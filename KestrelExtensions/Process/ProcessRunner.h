// Not called by the application: kept as a library service for other users.
#pragma once

#include "ProcessError.h"
#include "ProcessOutput.h"

#include <chrono>
#include <optional>

class QProcess;

namespace KestrelExtensions {

// How long a tool may run before it is killed. Generous: the limit is there so that a tool waiting for
// something that never comes cannot hold the caller for ever.
constexpr std::chrono::milliseconds defaultProcessTimeout = std::chrono::minutes(10);

// Runs the tool whose program and arguments are set on `process` and waits until it has exited;
// standard output and standard error are collected apart, both drained while it runs so a talkative tool
// cannot stall. Its standard input is the null device, so a tool that reads it sees end of file at once.
// `workingDirectory` absent lets the child start in this process's folder. With `echo`, two lines go to
// standard output first: the working directory (or "Working path not set") and the command line. Status
// 0 returns the output (standard error is dropped); any other status, or death by a signal, throws
// ProcessError; a tool still running after `timeout` is killed and throws ProcessTimeoutError; a tool
// that cannot start throws ProcessLaunchError.
ProcessOutput run(QProcess& process, const std::optional<QString>& workingDirectory, bool echo = false,
                  std::chrono::milliseconds timeout = defaultProcessTimeout);

// The same, keeping the process's own working directory; the echo prints only the command line.
ProcessOutput run(QProcess& process, bool echo = false,
                  std::chrono::milliseconds timeout = defaultProcessTimeout);

// A folder given as a bare string literal would otherwise be taken for the echo flag and ignored.
ProcessOutput run(QProcess& process, const char* workingDirectory, bool echo = false,
                  std::chrono::milliseconds timeout = defaultProcessTimeout) = delete;

} // namespace KestrelExtensions
