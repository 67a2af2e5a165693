// Not called by the application: kept as a library service for other users.
#pragma once

#include <QHashFunctions>
#include <QJsonValue>
#include <QString>
#include <functional>

namespace Preferences {

// Names one pane of a settings window; equal and hashed by its raw string, coded as that bare string.
struct PaneIdentifier {
    QString rawValue;

    PaneIdentifier() = default;
    explicit PaneIdentifier(QString raw) : rawValue(std::move(raw)) {}
    static PaneIdentifier fromRawValue(const QString& raw) { return PaneIdentifier(raw); }

    bool operator==(const PaneIdentifier&) const = default;

    QJsonValue toJson() const { return QJsonValue(rawValue); }
    // Throws KestrelExtensions::DecodingError when the value is not a string.
    static PaneIdentifier fromJson(const QJsonValue& value);
};

inline size_t qHash(const PaneIdentifier& identifier, size_t seed = 0) noexcept
{
    return qHash(identifier.rawValue, seed);
}

} // namespace Preferences

template <> struct std::hash<Preferences::PaneIdentifier> {
    size_t operator()(const Preferences::PaneIdentifier& identifier) const noexcept
    {
        return qHash(identifier.rawValue);
    }
};
