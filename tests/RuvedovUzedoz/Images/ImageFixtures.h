#pragma once

#include "RuvedovUzedoz/Images/PreparedImage.h"

#include <QString>
#include <QTemporaryDir>
#include <QUrl>

namespace ImageFixtures {

struct JpegOptions {
    int width = 64;
    int height = 48;
    int bands = 3;       // 1 grey, 3 sRGB
    int orientation = 0; // EXIF orientation written when non-zero
    bool progressive = false;
    bool cmyk = false;
};

// Picture files written with libvips into a temporary folder; every helper returns the file's URL.
class Folder {
public:
    Folder();
    QString path(const QString& name) const;
    QUrl jpeg(const QString& name, const JpegOptions& options = {}) const;
    // Opaque red on the left half, half-transparent red on the right.
    QUrl pngWithAlpha(const QString& name, int width = 64, int height = 48) const;
    // 40 × 30 opaque grey: the top half 200, the bottom half 50.
    QUrl twoToneGreyPng(const QString& name) const;
    // One opaque colour, width × height, in a file a fraction of that: lossless WebP when the name ends in
    // ".webp", else PNG.
    QUrl bomb(const QString& name, int width, int height) const;
    QUrl bytes(const QString& name, const QByteArray& content) const;
    QUrl truncatedJpeg(const QString& name) const;
    QUrl truncatedPng(const QString& name) const;
    // A small JPEG whose frame header claims the given size.
    QUrl jpegClaimingSize(const QString& name, int width, int height) const;

private:
    QTemporaryDir m_dir;
};

QByteArray readAll(const QUrl& url);

// Compression on, with the given largest size; the other settings at their defaults.
RuvedovUzedoz::ImageSettings compressing(double sizeMax = 2048);
// Compression off: JPEGs pass through, everything else is decoded at full size.
RuvedovUzedoz::ImageSettings passingThrough();

} // namespace ImageFixtures
