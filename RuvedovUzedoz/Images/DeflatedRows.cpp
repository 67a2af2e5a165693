#include "DeflatedRows.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace RuvedovUzedoz {

namespace {

// An unnamed file in the temporary folder: nothing is left behind, whatever ends the process.
int unnamedFile()
{
    const QByteArray folder = QFile::encodeName(QDir::tempPath());
#ifdef O_TMPFILE
    const int fd = ::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0)
        return fd;
#endif
    // File systems without unnamed files: a named one, unlinked at once.
    QByteArray name = folder + "/.sheet-rows-XXXXXX";
    const int named = ::mkostemp(name.data(), O_CLOEXEC);
    if (named >= 0)
        ::unlink(name.constData());
    return named;
}

} // namespace

DeflatedRows::DeflatedRows() : m_fd(unnamedFile()) {}

DeflatedRows::~DeflatedRows()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool DeflatedRows::append(const char* data, qint64 length)
{
    while (m_fd >= 0 && length > 0) {
        const ssize_t written = ::pwrite(m_fd, data, size_t(length), off_t(m_size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        length -= written;
        m_size += written;
    }
    return m_fd >= 0;
}

bool DeflatedRows::read(const Sink& sink) const
{
    if (m_fd < 0)
        return false;
    QByteArray buffer(qsizetype(1) << 20, Qt::Uninitialized);
    for (qint64 at = 0; at < m_size;) {
        const ssize_t got =
            ::pread(m_fd, buffer.data(), size_t(std::min<qint64>(m_size - at, buffer.size())), off_t(at));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || !sink(buffer.constData(), got))
            return false;
        at += got;
    }
    return true;
}

QByteArray DeflatedRows::readAll() const
{
    QByteArray all;
    all.reserve(m_size);
    if (!read([&all](const char* data, qint64 length) {
            all.append(data, length);
            return true;
        }))
        return {};
    return all;
}

bool DeflatedRows::copyTo(int fd, qint64 offset) const
{
    return m_fd >= 0 && copyBetween(m_fd, 0, fd, offset, m_size);
}

bool DeflatedRows::copyBetween(int from, qint64 fromOffset, int to, qint64 toOffset, qint64 length)
{
    off_t in = off_t(fromOffset);
    off_t out = off_t(toOffset);
    qint64 left = length;
    while (left > 0) {
        const ssize_t copied = ::copy_file_range(from, &in, to, &out, size_t(left), 0);
        if (copied < 0 && errno == EINTR)
            continue;
        if (copied <= 0)
            break;
        left -= copied;
    }
    // File systems that cannot copy between these files: through a buffer, from where the copy stopped.
    QByteArray buffer;
    while (left > 0) {
        if (buffer.isEmpty())
            buffer.resize(qsizetype(std::min<qint64>(left, 1 << 20)));
        const ssize_t got = ::pread(from, buffer.data(), size_t(std::min<qint64>(left, buffer.size())), in);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        for (ssize_t done = 0; done < got;) {
            const ssize_t written = ::pwrite(to, buffer.constData() + done, size_t(got - done), out);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return false;
            done += written;
            out += written;
        }
        in += got;
        left -= got;
    }
    return true;
}

} // namespace RuvedovUzedoz
