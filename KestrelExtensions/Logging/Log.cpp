#include "Log.h"

#include <cstdio>
#include <mutex>

namespace KestrelExtensions {

namespace {

std::mutex& logMutex()
{
    static std::mutex mutex;
    return mutex;
}

Log::Sink& currentSink()
{
    static Log::Sink sink;
    return sink;
}

void write(Log::Stream stream, const QString& line)
{
    std::lock_guard lock(logMutex());
    if (auto& sink = currentSink()) {
        sink(stream, line);
        return;
    }
    FILE* file = stream == Log::Stream::System ? stderr : stdout;
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file);
    std::fputc('\n', file);
    std::fflush(file);
}

} // namespace

void Log::system(const QString& line)
{
    write(Stream::System, line);
}

void Log::out(const QString& line)
{
    write(Stream::Out, line);
}

void Log::setSink(Sink sink)
{
    std::lock_guard lock(logMutex());
    currentSink() = std::move(sink);
}

} // namespace KestrelExtensions
