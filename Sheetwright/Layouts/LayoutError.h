#pragma once

#include "KestrelExtensions/Coding/LocalizedError.h"

namespace Sheetwright {

// A custom layout could not be saved or deleted; the reason is meant for the user.
class LayoutError : public KestrelExtensions::LocalizedError {
public:
    explicit LayoutError(QString reason) : m_reason(std::move(reason)) {}
    std::optional<QString> failureReason() const override { return m_reason; }

private:
    QString m_reason;
};

} // namespace Sheetwright
