#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <array>

namespace ImageFixtures {

class Folder;

using Rgb = std::array<int, 3>;

namespace Profiles {
QByteArray adobeRgb();
// sRGB with its red and green primaries swapped: pixels must be read through it to come out right.
QByteArray redGreenSwapped();
} // namespace Profiles

// The numbers that mean the sRGB colour `srgb` in the space of `profile`.
Rgb fromSrgb(const QByteArray& profile, Rgb srgb);

// A flat 64 × 48 picture (.jpg, .png or .heic, by its name) of `values`, tagged with `profile` when given.
QUrl flatPicture(const Folder& folder, const QString& name, Rgb values, const QByteArray& profile);

// A flat CMYK JPEG meaning `srgb`, stored inverted with an Adobe segment saying so, as Photoshop writes it.
QUrl cmykPicture(const Folder& folder, const QString& name, Rgb srgb);

// A JPEG marker segment: FF `marker`, its length, `payload`.
QByteArray segment(int marker, const QByteArray& payload);

// `jpeg` as cameras, phones and editors write it: EXIF with a GPS position, XMP with the artist's name,
// IPTC, a comment, maker data, a JFIF thumbnail, a second picture (MPF) and a video after the end marker.
// Every private item holds the text "PRIVATE-<what>".
QByteArray withPrivateData(const QByteArray& jpeg);
inline const char* privateTexts[] = {"PRIVATE-EXIF",  "PRIVATE-XMP", "PRIVATE-IPTC",  "PRIVATE-COMMENT",
                                     "PRIVATE-THUMB", "PRIVATE-MPF", "PRIVATE-MAKER", "PRIVATE-TRAILER"};

// The entropy-coded data of a JPEG, from its first scan header to its end marker.
QByteArray scanData(const QByteArray& jpeg);

} // namespace ImageFixtures
