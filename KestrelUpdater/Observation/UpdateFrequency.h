#pragma once

#include <array>
#include <optional>

namespace KestrelUpdater {

// How often automatic checks run; the raw value is the interval in seconds.
enum class UpdateFrequency { hourly, daily, weekly };

inline constexpr std::array<UpdateFrequency, 3> allUpdateFrequencies{
    UpdateFrequency::hourly, UpdateFrequency::daily, UpdateFrequency::weekly};

constexpr double rawValue(UpdateFrequency frequency)
{
    switch (frequency) {
    case UpdateFrequency::hourly:
        return 3600;
    case UpdateFrequency::daily:
        return 86400;
    case UpdateFrequency::weekly:
        return 604800;
    }
    return 0;
}

// The identity of a frequency is its raw value.
constexpr double id(UpdateFrequency frequency)
{
    return rawValue(frequency);
}

// The case whose interval is exactly the given number of seconds; none for any other number (NaN too).
constexpr std::optional<UpdateFrequency> updateFrequency(double seconds)
{
    for (UpdateFrequency frequency : allUpdateFrequencies)
        if (rawValue(frequency) == seconds)
            return frequency;
    return std::nullopt;
}

} // namespace KestrelUpdater
