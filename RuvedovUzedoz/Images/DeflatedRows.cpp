#include "DeflatedRows.h"

#include <QDir>
#include <QFile>
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

} // namespace RuvedovUzedoz
