#pragma once

#include "RuvedovUzedoz/Images/PreparedImage.h"
#include "RuvedovUzedoz/Images/VipsRuntime.h"

#include <QString>
#include <QTemporaryDir>
#include <QUrl>
#include <functional>

struct _VipsImage;

namespace ImageFixtures {

struct JpegOptions {
    int width = 64, height = 48;
    int bands = 3;       // 1 grey, 3 sRGB
    int orientation = 0; // EXIF orientation written when non-zero
    bool progressive = false, cmyk = false;
};

using Image = std::unique_ptr<_VipsImage, void (*)(void*)>;
// An 8-bit grey (1 band), sRGB (3) or sRGB with alpha (4) picture whose band `b` at (x, y) is value(x, y, b).
Image picture(int width, int height, int bands, const std::function<int(int, int, int)>& value);

class Folder {
public:
    Folder() { RuvedovUzedoz::VipsRuntime::ensureStarted(); }
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QUrl save(const QString& name, _VipsImage* image, const char* format) const;
    QUrl jpeg(const QString& name, const JpegOptions& options = {}) const;
    // Opaque red on the left half, half-transparent red on the right.
    QUrl pngWithAlpha(const QString& name, int width = 64, int height = 48) const;
    // 40 × 30 opaque grey: the top half 200, the bottom half 50.
    QUrl twoToneGreyPng(const QString& name) const;
    QUrl bytes(const QString& name, const QByteArray& content) const;
    // A small JPEG whose frame header claims the given size.
    QUrl jpegClaimingSize(const QString& name, int width, int height) const;

private:
    QTemporaryDir m_dir;
};

QByteArray readAll(const QUrl& url);

inline RuvedovUzedoz::ImageSettings compressing(double sizeMax = 2048)
{
    return {.sizeMax = sizeMax};
}
inline RuvedovUzedoz::ImageSettings passingThrough()
{
    return {.compress = false};
}

} // namespace ImageFixtures
