// Not called by the application: kept as a library service for other users.
#pragma once

#include "KestrelExtensions/Coding/LocalizedError.h"

namespace KestrelExtensions {

// More strings to replace in than replacement texts for them.
class StringReplacementError : public LocalizedError {
public:
    enum class Kind { TooManyElements };

    static StringReplacementError tooManyElements(qsizetype elementCount, qsizetype replacementCount)
    {
        return StringReplacementError(elementCount, replacementCount);
    }

    Kind kind() const { return Kind::TooManyElements; }
    qsizetype elementCount() const { return m_elementCount; }
    qsizetype replacementCount() const { return m_replacementCount; }

    std::optional<QString> failureReason() const override
    {
        return QStringLiteral("More input strings (%1) given than replacement strings (%2).")
            .arg(m_elementCount)
            .arg(m_replacementCount);
    }

private:
    StringReplacementError(qsizetype elementCount, qsizetype replacementCount)
        : m_elementCount(elementCount), m_replacementCount(replacementCount)
    {
    }

    qsizetype m_elementCount;
    qsizetype m_replacementCount;
};

} // namespace KestrelExtensions
