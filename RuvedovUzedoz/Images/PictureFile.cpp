#include "PictureFile.h"

#include "JpegStructure.h"

#include <algorithm>
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

// Follows a JPEG's bytes as they arrive, to tell where the picture ends.
class JpegEnd {
public:
    explicit JpegEnd(bool startsAsJpeg) : looking_(startsAsJpeg) {}

    bool looking() const { return looking_; }
    bool found() const { return end_ > 0; }
    qsizetype end() const { return end_; }

    // `bytes` is the start of the file, longer at each call.
    void follow(const QByteArray& bytes)
    {
        if (scanFrom_ == 0) {
            const JpegStructure header = JpegStructure::read(bytes);
            if (header.headerCut)
                return;
            if (!header.isJpeg) {
                looking_ = false; // damaged: read whole, as any other file
                return;
            }
            scanFrom_ = header.scanStart + 2;
        }
        // The marker's first byte may have been the last one seen.
        end_ = JpegStructure::endOfImage(bytes, std::max(scanFrom_, searched_ - 1));
        searched_ = bytes.size();
        if (end_ > 0)
            looking_ = false;
    }

private:
    bool looking_;
    qsizetype scanFrom_ = 0;
    qsizetype searched_ = 0;
    qsizetype end_ = 0;
};

// Reads of a JPEG are this large, so that little is read past its end marker.
constexpr qsizetype jpegChunk = qsizetype(1) << 20;

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
    const QString tooLarge =
        QStringLiteral("it is %1 bytes long, more than the %2 allowed").arg(before.st_size).arg(maximumSize);

    // A JPEG is read up to its end marker only: phones append a motion-photo video after it, which is
    // never drawn and can be far larger than the picture.
    unsigned char head[2] = {};
    JpegEnd jpeg(::pread(file.fd, head, 2, 0) == 2 && head[0] == 0xFF && head[1] == 0xD8);
    if (!jpeg.looking() && before.st_size > maximumSize)
        return tooLarge;

    const qint64 size = before.st_size;
    QByteArray bytes;
    qsizetype done = 0;
    const QString changed = QStringLiteral("the file changed while it was read");
    while (done < size && !jpeg.found()) {
        qsizetype want;
        if (jpeg.looking()) {
            if (done == maximumSize)
                return tooLarge;
            want = qsizetype(std::min({qint64(jpegChunk), size - done, maximumSize - done}));
            if (done + want > bytes.capacity())
                // Grown by doubling, never past what can be read.
                bytes.reserve(qsizetype(std::max(
                    qint64(done + want), std::min({size, maximumSize, qint64(2) * bytes.capacity()}))));
        } else {
            if (size > maximumSize)
                return tooLarge;
            want = qsizetype(size) - done;
        }
        bytes.resize(done + want);
        const ssize_t count = ::read(file.fd, bytes.data() + done, size_t(want));
        if (count < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return QStringLiteral("it cannot be read (%1)").arg(systemError(errno));
        }
        if (count == 0)
            return changed; // shortened since it was measured
        done += count;
        if (jpeg.looking())
            jpeg.follow(QByteArray::fromRawData(bytes.constData(), done));
    }
    struct stat after {};
    if (jpeg.found()) {
        bytes.truncate(jpeg.end());
        bytes.squeeze();
    } else {
        bytes.truncate(done);
        char extra;
        ssize_t more;
        do {
            more = ::read(file.fd, &extra, 1);
        } while (more < 0 && errno == EINTR);
        if (more != 0)
            return changed;
    }
    if (::fstat(file.fd, &after) != 0 || !sameFile(before, after))
        return changed;
    return bytes;
}

} // namespace RuvedovUzedoz
