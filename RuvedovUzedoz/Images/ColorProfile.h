#pragma once

#include <QByteArray>

namespace RuvedovUzedoz {

// Embedded ICC colour profiles, as far as the engine needs to tell them apart.
class ColorProfile {
public:
    // True when the profile maps colours as sRGB does (whatever it is called), so that pixels tagged
    // with it can be used as they are. Results are remembered per profile; thread-safe.
    static bool isSrgb(const QByteArray& profile);

    // The number of colour components the profile describes (1 grey, 3 RGB, 4 CMYK), 0 for others or
    // for data that is not a profile.
    static int components(const QByteArray& profile);

    // True when the colour library can open the profile: a reader of the PDF can use it.
    static bool isReadable(const QByteArray& profile);

    // `count` pixels of `components` 8-bit samples (1 grey, 3 RGB) in the space of `profile`, converted to
    // sRGB: three bytes a pixel. Empty when the profile cannot be used for such pixels.
    static QByteArray toSrgb(const QByteArray& profile, int components, const unsigned char* pixels,
                             qsizetype count);
};

} // namespace RuvedovUzedoz
