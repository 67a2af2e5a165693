#include "Pipe.h"

#include "KestrelExtensions/Logging/Log.h"
#include "KestrelExtensions/String/StrictUtf8.h"

#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace KestrelExtensions {

Pipe::Pipe()
{
    int descriptors[2];
    if (::pipe2(descriptors, O_CLOEXEC) != 0)
        throw std::system_error(errno, std::generic_category(), "pipe");
    m_read = descriptors[0];
    m_write = descriptors[1];
}

Pipe::~Pipe()
{
    closeWriteEnd();
    if (m_read >= 0)
        ::close(m_read);
}

bool Pipe::write(const QByteArray& bytes)
{
    qsizetype written = 0;
    while (m_write >= 0 && written < bytes.size()) {
        const ssize_t count = ::write(m_write, bytes.constData() + written, size_t(bytes.size() - written));
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        written += count;
    }
    return m_write >= 0;
}

void Pipe::closeWriteEnd()
{
    if (m_write >= 0) {
        ::close(m_write);
        m_write = -1;
    }
}

std::optional<QString> Pipe::readString()
{
    closeWriteEnd();
    QByteArray contents;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t count = ::read(m_read, buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (count == 0)
            break;
        contents.append(buffer, qsizetype(count));
    }
    return decodeUtf8Strictly(contents);
}

void Pipe::printOutput()
{
    if (const auto text = readString())
        Log::out(*text);
}

} // namespace KestrelExtensions
