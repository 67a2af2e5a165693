#pragma once

#include "KestrelExtensions/Logging/Log.h"

#include <QStringList>
#include <mutex>

namespace KestrelExtensions {

// Collects every log line while it lives; for tests that assert exact lines.
class LogCapture {
public:
    LogCapture()
    {
        Log::setSink([this](Log::Stream stream, const QString& line) {
            std::lock_guard lock(m_mutex);
            (stream == Log::Stream::System ? m_system : m_out).append(line);
        });
    }
    ~LogCapture() { Log::setSink({}); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList systemLines() const
    {
        std::lock_guard lock(m_mutex);
        return m_system;
    }
    QStringList outLines() const
    {
        std::lock_guard lock(m_mutex);
        return m_out;
    }
    void clear()
    {
        std::lock_guard lock(m_mutex);
        m_system.clear();
        m_out.clear();
    }

private:
    mutable std::mutex m_mutex;
    QStringList m_system;
    QStringList m_out;
};

} // namespace KestrelExtensions
