// Not called by the application: kept as a library service for other users.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace KestrelExtensions {

// An operating-system pipe owned by this object: both ends close with it. Descriptors are close-on-exec.
class Pipe {
public:
    // Throws std::system_error when the system has no descriptors left.
    Pipe();
    ~Pipe();
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    int readDescriptor() const { return m_read; }
    int writeDescriptor() const { return m_write; }

    // Writes all of `bytes` to the writing end; false when that end is closed or the write fails.
    bool write(const QByteArray& bytes);
    void closeWriteEnd();

    // Everything up to end of file, as UTF-8 text (absent when not valid UTF-8). This pipe's own writing
    // end is closed first: while it stays open the end of file could never come. Blocks until every
    // other writer has closed its end.
    std::optional<QString> readString();
    // Reads the same way and, when the text decodes, prints it followed by a line feed to standard output.
    void printOutput();

private:
    int m_read = -1;
    int m_write = -1;
};

} // namespace KestrelExtensions
