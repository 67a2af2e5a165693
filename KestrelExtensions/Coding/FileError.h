#pragma once

#include "LocalizedError.h"

#include <QString>

namespace KestrelExtensions {

// A file could not be read or written. `code` tells the common causes apart so callers can react to a
// missing file without parsing text; `systemMessage` is the operating system's own wording.
class FileError : public LocalizedError {
public:
    enum class Operation { Read, Write };
    enum class Code { NoSuchFile, NoSuchFolder, NoPermission, IsDirectory, TooLarge, Other };

    FileError(Operation operation, Code code, QString path, QString systemMessage)
        : m_operation(operation), m_code(code), m_path(std::move(path)),
          m_systemMessage(std::move(systemMessage))
    {
    }

    // Builds the error from an errno value of a failed system call.
    static FileError fromErrno(Operation operation, const QString& path, int error);

    Operation operation() const { return m_operation; }
    Code code() const { return m_code; }
    const QString& path() const { return m_path; }
    const QString& systemMessage() const { return m_systemMessage; }
    std::optional<QString> failureReason() const override;

private:
    Operation m_operation;
    Code m_code;
    QString m_path;
    QString m_systemMessage;
};

} // namespace KestrelExtensions
