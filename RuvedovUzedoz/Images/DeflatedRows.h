#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <functional>

namespace RuvedovUzedoz {

// One picture's compressed rows, kept in an unnamed scratch file instead of in memory: the pictures
// prepared ahead of the drawing would otherwise hold tens of megabytes each. The file goes when the last
// holder lets go (or the process ends). Written by one thread, then read by any.
class DeflatedRows {
public:
    // What read bytes go to; false stops the reading.
    using Sink = std::function<bool(const char* data, qint64 length)>;

    // Empty, its file made in the temporary folder; isValid() is false when it cannot be made.
    DeflatedRows();
    ~DeflatedRows();
    DeflatedRows(const DeflatedRows&) = delete;
    DeflatedRows& operator=(const DeflatedRows&) = delete;

    bool isValid() const { return m_fd >= 0; }
    // The scratch file's descriptor, for copying from it at any offset (pread, copy_file_range).
    int handle() const { return m_fd; }
    // Adds bytes at the end; false when the file cannot take them.
    bool append(const char* data, qint64 length);
    qint64 size() const { return m_size; }

    // Sends all the bytes to `sink`, a piece at a time; false when they cannot be read or `sink` stops.
    bool read(const Sink& sink) const;
    // All the bytes at once, for small pictures; empty when they cannot be read.
    QByteArray readAll() const;
    // Writes all the bytes into the file `fd` at `offset`; false when they cannot be read or written.
    bool copyTo(int fd, qint64 offset) const;

    // Copies `length` bytes from one file to another at the given offsets, inside the kernel where the
    // files allow it (no pass through this process's memory); false when they cannot be copied.
    static bool copyBetween(int from, qint64 fromOffset, int to, qint64 toOffset, qint64 length);

private:
    int m_fd = -1;
    qint64 m_size = 0;
};

} // namespace RuvedovUzedoz
