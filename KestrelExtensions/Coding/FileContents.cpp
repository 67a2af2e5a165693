#include "FileContents.h"

#include "FileError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace KestrelExtensions {

namespace {

struct FileDescriptor {
    int fd = -1;
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

QByteArray readFileContents(const QString& path, qsizetype maximumSize)
{
    using Operation = FileError::Operation;
    // POSIX calls rather than QFile, so the cause (errno) reaches the caller.
    const QByteArray encoded = QFile::encodeName(path);
    FileDescriptor file;
    do {
        file.fd = ::open(encoded.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (file.fd < 0 && errno == EINTR);
    if (file.fd < 0)
        throw FileError::fromErrno(Operation::Read, path, errno);
    struct stat status {};
    if (::fstat(file.fd, &status) != 0)
        throw FileError::fromErrno(Operation::Read, path, errno);
    if (S_ISDIR(status.st_mode))
        throw FileError::fromErrno(Operation::Read, path, EISDIR);
    // A pipe or device has no end to read to (or none in sight): only regular files are read. The open
    // above does not wait for a pipe's writer; the reads below may block as usual.
    if (!S_ISREG(status.st_mode))
        throw FileError(Operation::Read, FileError::Code::Other, path, QStringLiteral("Not a regular file"));
    ::fcntl(file.fd, F_SETFL, ::fcntl(file.fd, F_GETFL) & ~O_NONBLOCK);

    const auto tooLarge = [&] {
        return FileError(Operation::Read, FileError::Code::TooLarge, path,
                         QStringLiteral("File larger than %1 bytes").arg(maximumSize));
    };
    // The size may be a sparse file's or change while reading; the reads below are capped as well.
    if (status.st_size > maximumSize)
        throw tooLarge();
    QByteArray contents;
    if (status.st_size > 0)
        contents.reserve(qsizetype(status.st_size));
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t count = ::read(file.fd, buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            throw FileError::fromErrno(Operation::Read, path, errno);
        }
        if (count == 0)
            break;
        if (qsizetype(count) > maximumSize - contents.size())
            throw tooLarge();
        contents.append(buffer, qsizetype(count));
    }
    return contents;
}

void requireReplaceableFile(const QString& path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return; // nothing there yet (or unreachable, which the write itself reports)
    if (S_ISDIR(status.st_mode))
        throw FileError::fromErrno(FileError::Operation::Write, path, EISDIR);
    if (!S_ISREG(status.st_mode))
        throw FileError(FileError::Operation::Write, FileError::Code::Other, path,
                        QStringLiteral("Not a regular file"));
}

void writeFileContents(const QByteArray& data, const QString& path)
{
    using Operation = FileError::Operation;
    const QFileInfo info(path);
    if (!info.absoluteDir().exists())
        throw FileError(Operation::Write, FileError::Code::NoSuchFolder, path,
                        QStringLiteral("No such file or directory"));
    requireReplaceableFile(path);

    QSaveFile file(path);
    const auto failure = [&] {
        const auto code = file.error() == QFileDevice::PermissionsError ? FileError::Code::NoPermission
                                                                        : FileError::Code::Other;
        return FileError(Operation::Write, code, path, file.errorString());
    };
    // Unbuffered, so that every byte goes out in write(), where a short count shows. A buffered write
    // that fails only when commit() flushes it goes unreported, and the cut-off file replaces the old one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw failure();
    const qint64 written = file.write(data);
    if (written != data.size()) {
        // A short write sets no error of its own: the disk is full or the file may not grow further.
        const FileError error =
            written < 0
                ? failure()
                : FileError(Operation::Write, FileError::Code::Other, path,
                            QStringLiteral("Only %1 of %2 bytes could be written; the disk may be full")
                                .arg(written)
                                .arg(data.size()));
        file.cancelWriting();
        throw error;
    }
    if (!file.commit())
        throw failure();
}

} // namespace KestrelExtensions
