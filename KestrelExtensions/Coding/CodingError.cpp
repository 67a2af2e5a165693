#include "CodingError.h"

namespace KestrelExtensions {

const char* LocalizedError::what() const noexcept
{
    try {
        m_what = errorDescription().toUtf8();
    } catch (...) {
        return "error";
    }
    return m_what.constData();
}

DecodingError DecodingError::keyNotFound(const QStringList& path, const QString& key)
{
    return DecodingError(Kind::KeyNotFound, path,
                         QStringLiteral("No value associated with key \"%1\".").arg(key));
}

DecodingError DecodingError::valueNotFound(const QStringList& path, const QString& expectedType)
{
    return DecodingError(Kind::ValueNotFound, path,
                         QStringLiteral("Expected %1 value but found null instead.").arg(expectedType));
}

DecodingError DecodingError::typeMismatch(const QStringList& path, const QString& expectedType)
{
    return DecodingError(
        Kind::TypeMismatch, path,
        QStringLiteral("Expected to decode %1 but found another type instead.").arg(expectedType));
}

DecodingError DecodingError::dataCorrupted(const QStringList& path, const QString& description)
{
    return DecodingError(Kind::DataCorrupted, path, description);
}

std::optional<QString> DecodingError::failureReason() const
{
    const QString where =
        m_codingPath.isEmpty() ? QString() : QStringLiteral(" (at \"%1\")").arg(m_codingPath.join(u'.'));
    return QStringLiteral("The data couldn’t be read: %1%2").arg(m_debugDescription, where);
}

std::optional<QString> EncodingError::failureReason() const
{
    const QString where =
        m_codingPath.isEmpty() ? QString() : QStringLiteral(" (at \"%1\")").arg(m_codingPath.join(u'.'));
    return QStringLiteral("The data couldn’t be written: %1%2").arg(m_debugDescription, where);
}

} // namespace KestrelExtensions
