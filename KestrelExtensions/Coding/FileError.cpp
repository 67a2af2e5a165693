#include "FileError.h"

#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace KestrelExtensions {

FileError FileError::fromErrno(Operation operation, const QString& path, int error)
{
    Code code = Code::Other;
    switch (error) {
    case ENOENT:
        code = Code::NoSuchFile;
        break;
    case EACCES:
    case EPERM:
        code = Code::NoPermission;
        break;
    case EISDIR:
        code = Code::IsDirectory;
        break;
    default:
        break;
    }
    return FileError(operation, code, path, QString::fromLocal8Bit(std::strerror(error)));
}

std::optional<QString> FileError::failureReason() const
{
    const QString name = QFileInfo(m_path).fileName();
    const QString verb = m_operation == Operation::Read ? QStringLiteral("opened") : QStringLiteral("saved");
    switch (m_code) {
    case Code::NoSuchFile:
        return QStringLiteral("The file “%1” couldn’t be %2 because there is no such file.").arg(name, verb);
    case Code::NoSuchFolder:
        return QStringLiteral("The file “%1” couldn’t be %2 because its folder doesn’t exist.")
            .arg(name, verb);
    case Code::NoPermission:
        return QStringLiteral("The file “%1” couldn’t be %2 because you don’t have permission.")
            .arg(name, verb);
    case Code::IsDirectory:
        return QStringLiteral("The file “%1” couldn’t be %2 because it is a folder.").arg(name, verb);
    case Code::TooLarge:
        return QStringLiteral("The file “%1” couldn’t be %2 because it is too large.").arg(name, verb);
    case Code::Other:
        break;
    }
    return QStringLiteral("The file “%1” couldn’t be %2: %3").arg(name, verb, m_systemMessage);
}

} // namespace KestrelExtensions
