#pragma once

#include "KestrelExtensions/Coding/LocalizedError.h"

#include <QString>

namespace RuvedovUzedoz {

// A render that could not make its PDF (the file cannot be made or written: a full disk, a file-size
// limit, a folder without permission, a drawing that fails), as opposed to one with nothing to draw.
// `reason` is the system's own wording where there is one.
class RenderFailure : public KestrelExtensions::LocalizedError {
public:
    explicit RenderFailure(QString reason) : m_reason(std::move(reason)) {}

    const QString& reason() const { return m_reason; }
    std::optional<QString> failureReason() const override
    {
        return QStringLiteral("PDF rendering failed: ") + m_reason;
    }

private:
    QString m_reason;
};

} // namespace RuvedovUzedoz
