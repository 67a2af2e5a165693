#pragma once

#include <QString>
#include <exception>
#include <optional>

namespace KestrelExtensions {

// Base of the library's thrown errors: each carries its user-facing text in `failureReason`.
class LocalizedError : public std::exception {
public:
    virtual std::optional<QString> failureReason() const { return std::nullopt; }
    virtual QString errorDescription() const
    {
        return failureReason().value_or(QStringLiteral("The operation couldn’t be completed."));
    }
    const char* what() const noexcept override;

private:
    mutable QByteArray m_what;
};

} // namespace KestrelExtensions
