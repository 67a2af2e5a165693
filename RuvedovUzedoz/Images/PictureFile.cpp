#include "PictureFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RuvedovUzedoz {

namespace {

struct OpenFile {
    int fd;
    ~OpenFile()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool sameFile(const struct stat& before, const struct stat& after)
{
    return before.st_size == after.st_size && before.st_mtim.tv_sec == after.st_mtim.tv_sec &&
           before.st_mtim.tv_nsec == after.st_mtim.tv_nsec && before.st_ino == after.st_ino;
}

} // namespace

std::variant<QByteArray, QString> PictureFile::read(const QByteArray& path)
{
    // Not blocking: opening a named pipe would otherwise wait for a writer.
    OpenFile file{::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
    if (file.fd < 0) {
        const int error = errno;
        if (error == ENOENT)
            return QStringLiteral("the file does not exist");
        return QStringLiteral("it cannot be opened (%1)").arg(systemError(error));
    }
    struct stat before {};
    if (::fstat(file.fd, &before) != 0)
        return QStringLiteral("it cannot be opened (%1)").arg(systemError(errno));
    if (S_ISDIR(before.st_mode))
        return QStringLiteral("it is a folder");
    if (!S_ISREG(before.st_mode))
        // A pipe or device would block the reader or never end.
        return QStringLiteral("it is not a regular file");
    if (before.st_size == 0)
        return QStringLiteral("the file is empty");
    if (before.st_size > maximumSize)
        return QStringLiteral("it is %1 bytes long, more than the %2 allowed")
            .arg(before.st_size)
            .arg(maximumSize);

    const qsizetype size = qsizetype(before.st_size);
    QByteArray bytes(size, Qt::Uninitialized);
    qsizetype done = 0;
    const QString changed = QStringLiteral("the file changed while it was read");
    while (done < size) {
        const ssize_t count = ::read(file.fd, bytes.data() + done, size_t(size - done));
        if (count < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return QStringLiteral("it cannot be read (%1)").arg(systemError(errno));
        }
        if (count == 0)
            return changed; // shortened since it was measured
        done += count;
    }
    char extra;
    ssize_t more;
    do {
        more = ::read(file.fd, &extra, 1);
    } while (more < 0 && errno == EINTR);
    struct stat after {};
    if (more != 0 || ::fstat(file.fd, &after) != 0 || !sameFile(before, after))
        return changed;
    return bytes;
}

} // namespace RuvedovUzedoz
