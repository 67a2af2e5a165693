#pragma once

#include "LocalizedError.h"

#include <QStringList>

namespace KestrelExtensions {

// A value could not be read from its coded form. `codingPath` names the keys down to the failing value.
class DecodingError : public LocalizedError {
public:
    enum class Kind { KeyNotFound, ValueNotFound, TypeMismatch, DataCorrupted };

    DecodingError(Kind kind, QStringList codingPath, QString debugDescription)
        : m_kind(kind), m_codingPath(std::move(codingPath)), m_debugDescription(std::move(debugDescription))
    {
    }

    static DecodingError keyNotFound(const QStringList& path, const QString& key);
    static DecodingError valueNotFound(const QStringList& path, const QString& expectedType);
    static DecodingError typeMismatch(const QStringList& path, const QString& expectedType);
    static DecodingError dataCorrupted(const QStringList& path, const QString& description);

    Kind kind() const { return m_kind; }
    const QStringList& codingPath() const { return m_codingPath; }
    const QString& debugDescription() const { return m_debugDescription; }
    std::optional<QString> failureReason() const override;

private:
    Kind m_kind;
    QStringList m_codingPath;
    QString m_debugDescription;
};

// A value could not be written in its coded form (for example a non-finite number in JSON).
class EncodingError : public LocalizedError {
public:
    EncodingError(QStringList codingPath, QString debugDescription)
        : m_codingPath(std::move(codingPath)), m_debugDescription(std::move(debugDescription))
    {
    }
    const QStringList& codingPath() const { return m_codingPath; }
    const QString& debugDescription() const { return m_debugDescription; }
    std::optional<QString> failureReason() const override;

private:
    QStringList m_codingPath;
    QString m_debugDescription;
};

} // namespace KestrelExtensions
