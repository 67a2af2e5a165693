#pragma once

#include "ProcessError.h"
#include "ProcessOutput.h"

#include <optional>

class QProcess;

namespace KestrelExtensions {

// Runs the tool whose program and arguments are set on `process`, waiting (with no time limit) until it
// has exited; standard output and standard error are collected apart, both drained while it runs so a
// talkative tool cannot stall. `workingDirectory` absent lets the child start in this process's folder.
// With `echo`, two lines go to standard output first: the working directory (or "Working path not
// set") and the command line. Status 0 returns the output (standard error is dropped); any other
// status, or death by a signal, throws ProcessError; a tool that cannot start throws ProcessLaunchError.
ProcessOutput run(QProcess& process, const std::optional<QString>& workingDirectory, bool echo = false);

// The same, keeping the process's own working directory; the echo prints only the command line.
ProcessOutput run(QProcess& process, bool echo = false);

} // namespace KestrelExtensions
