#pragma once

#include "KestrelExtensions/Logging/Log.h"
#include "RuvedovUzedoz/Rendering/NumberDescription.h"

#include <QString>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace RuvedovUzedoz {

// One cache per scale, made on first request and kept for the life of the process. Guarded by a lock so
// a render thread and the main thread may both ask.
template <typename Cache> class ScaleTable {
public:
    explicit ScaleTable(QString className) : m_className(std::move(className)) {}

    Cache& cache(double scale)
    {
        std::lock_guard lock(m_mutex);
        auto& slot = m_caches[key(scale)];
        if (!slot) {
            slot = std::make_unique<Cache>();
            KestrelExtensions::Log::system(
                QStringLiteral("Creating %1 for scale %2").arg(m_className, doubleDescription(scale)));
        }
        return *slot;
    }

private:
    // Every NaN is one scale (NaN equals nothing, so the table would grow on every request) and -0.0 is 0.0.
    static std::uint64_t key(double scale)
    {
        if (std::isnan(scale)) {
            scale = std::numeric_limits<double>::quiet_NaN();
        } else if (scale == 0) {
            scale = 0;
        }
        return std::bit_cast<std::uint64_t>(scale);
    }

    QString m_className;
    std::mutex m_mutex;
    std::unordered_map<std::uint64_t, std::unique_ptr<Cache>> m_caches;
};

} // namespace RuvedovUzedoz
