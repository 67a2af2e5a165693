#pragma once

#include <QString>
#include <functional>

namespace KestrelExtensions {

// The one way every library writes a log line. `system` stands for the system log (standard error, plain
// line, no prefix or level); `out` writes to standard output. Both are thread-safe.
class Log {
public:
    enum class Stream { System, Out };
    using Sink = std::function<void(Stream, const QString&)>;

    static void system(const QString& line);
    static void out(const QString& line);

    // Replaces the writer for every line (tests capture with it); an empty sink restores the default.
    static void setSink(Sink sink);
};

} // namespace KestrelExtensions
