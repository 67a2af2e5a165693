#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <unistd.h>

namespace RuvedovUzedoz::DecoderProtocol {

// What the engine sends the decoder program on its standard input, followed by `length` bytes of the
// picture file.
struct Request {
    char magic[4] = {'S', 'W', 'D', 'Q'};
    char loader[16] = {}; // "svg", "heif" or "magick", NUL-terminated
    double boxWidth = 0;  // the cell's picture box, points
    double boxHeight = 0;
    int32_t compress = 0; // the image settings of the layout
    int32_t reserved = 0;
    double quality = 1;
    double scaleFactor = 1;
    double resolution = 300;
    double sizeMax = 2048;
    double sizeMin = 0;
    uint64_t length = 0;
};

// What the decoder program answers on its standard output, followed by `length` bytes: the pixels
// (8-bit sRGB, `bands` 3 or 4, rows packed) when `ok`, else the reason in UTF-8.
struct Response {
    char magic[4] = {'S', 'W', 'D', 'A'};
    int32_t ok = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bands = 0;
    int32_t sourceWidth = 0; // the picture's own upright size
    int32_t sourceHeight = 0;
    int32_t reserved = 0;
    uint64_t length = 0;
};

// The decoder program's own limits, set on itself before it reads anything.
constexpr int cpuSeconds = 20;
constexpr uint64_t addressSpaceBytes = uint64_t(3) << 30;

// Moves all `size` bytes over a pipe or file, retrying when a signal interrupts; false on error or end
// of file first.
template <typename Transfer, typename Byte>
bool transferFully(Transfer transfer, int fd, Byte* at, size_t size)
{
    while (size > 0) {
        const ssize_t count = transfer(fd, at, size);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        at += count;
        size -= size_t(count);
    }
    return true;
}

inline bool readFully(int fd, void* data, size_t size)
{
    return transferFully(::read, fd, static_cast<char*>(data), size);
}

inline bool writeFully(int fd, const void* data, size_t size)
{
    return transferFully(::write, fd, static_cast<const char*>(data), size);
}

} // namespace RuvedovUzedoz::DecoderProtocol
