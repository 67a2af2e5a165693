#include "ColorFixtures.h"

#include "ImageFixtures.h"
#include "RuvedovUzedoz/Images/VipsApi.h"

#include <QFile>
#include <gtest/gtest.h>
#include <lcms2.h>

namespace ImageFixtures {

namespace {

QByteArray save(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    QByteArray bytes(qsizetype(size), '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

QByteArray rgbProfile(cmsCIExyY red, cmsCIExyY green, cmsCIExyY blue, cmsToneCurve* curve)
{
    cmsCIExyY white;
    cmsWhitePointFromTemp(&white, 6504);
    white = {0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries = {red, green, blue};
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    return save(profile);
}

cmsToneCurve* srgbCurve()
{
    const cmsFloat64Number parameters[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    return cmsBuildParametricToneCurve(nullptr, 4, parameters);
}

void appendSegment(QByteArray& out, int marker, const QByteArray& payload)
{
    out.append(char(0xFF)).append(char(marker));
    out.append(char((payload.size() + 2) >> 8)).append(char((payload.size() + 2) & 0xFF));
    out.append(payload);
}

} // namespace

namespace Profiles {

QByteArray srgb()
{
    return save(cmsCreate_sRGBProfile());
}

QByteArray adobeRgb()
{
    return rgbProfile({0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}, cmsBuildGamma(nullptr, 563.0 / 256));
}

QByteArray displayP3()
{
    return rgbProfile({0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}, srgbCurve());
}

QByteArray redGreenSwapped()
{
    return rgbProfile({0.30, 0.60, 1}, {0.64, 0.33, 1}, {0.15, 0.06, 1}, srgbCurve());
}

} // namespace Profiles

Rgb fromSrgb(const QByteArray& profile, Rgb srgb)
{
    cmsHPROFILE from = cmsCreate_sRGBProfile();
    cmsHPROFILE to = cmsOpenProfileFromMem(profile.constData(), cmsUInt32Number(profile.size()));
    cmsHTRANSFORM transform =
        cmsCreateTransform(from, TYPE_RGB_8, to, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC, 0);
    const unsigned char in[3] = {static_cast<unsigned char>(srgb[0]), static_cast<unsigned char>(srgb[1]),
                                 static_cast<unsigned char>(srgb[2])};
    unsigned char out[3] = {};
    cmsDoTransform(transform, in, out, 1);
    cmsDeleteTransform(transform);
    cmsCloseProfile(from);
    cmsCloseProfile(to);
    return {out[0], out[1], out[2]};
}

QUrl flatPicture(const Folder& folder, const QString& name, Rgb values, const QByteArray& profile)
{
    VipsImage* black = nullptr;
    vips_black(&black, 64, 48, "bands", 3, nullptr);
    const double ink[3] = {double(values[0]), double(values[1]), double(values[2])};
    VipsImage* coloured = nullptr;
    vips_linear(black, &coloured, std::array<double, 3>{0, 0, 0}.data(), const_cast<double*>(ink), 3, "uchar",
                TRUE, nullptr);
    g_object_unref(black);
    VipsImage* image = nullptr;
    vips_copy(coloured, &image, "interpretation", VIPS_INTERPRETATION_sRGB, nullptr);
    g_object_unref(coloured);
    if (!profile.isEmpty()) {
        vips_image_set_blob_copy(image, VIPS_META_ICC_NAME, profile.constData(), size_t(profile.size()));
    }
    const QByteArray file = QFile::encodeName(folder.path(name));
    const int status = name.endsWith(QLatin1String(".png"))
                           ? vips_pngsave(image, file.constData(), nullptr)
                           : vips_jpegsave(image, file.constData(), "Q", 95, nullptr);
    EXPECT_EQ(status, 0) << vips_error_buffer();
    g_object_unref(image);
    return QUrl::fromLocalFile(folder.path(name));
}

QUrl cmykPicture(const Folder& folder, const QString& name, Rgb srgb)
{
    const QUrl url = flatPicture(folder, name + QStringLiteral(".source.png"), srgb, {});
    VipsImage* source = vips_image_new_from_file(QFile::encodeName(url.toLocalFile()).constData(), nullptr);
    VipsImage* cmyk = nullptr;
    EXPECT_EQ(vips_icc_transform(source, &cmyk, "cmyk", "input_profile", "srgb", nullptr), 0)
        << vips_error_buffer();
    g_object_unref(source);
    const QByteArray file = QFile::encodeName(folder.path(name));
    EXPECT_EQ(vips_jpegsave(cmyk, file.constData(), "Q", 95, nullptr), 0) << vips_error_buffer();
    g_object_unref(cmyk);
    return QUrl::fromLocalFile(folder.path(name));
}

QByteArray withPrivateData(const QByteArray& jpeg)
{
    QByteArray out("\xFF\xD8", 2);
    QByteArray jfif("JFIF\0\x01\x01\x00\x00\x48\x00\x48\x02\x01", 14);
    jfif += QByteArray("PRIVATE-THUMB").leftJustified(6, '\0');
    appendSegment(out, 0xE0, jfif);
    appendSegment(out, 0xE1, QByteArray("Exif\0\0", 6) + "MM GPS 51.5N 0.12W PRIVATE-EXIF");
    appendSegment(out, 0xE1,
                  QByteArray("http://ns.adobe.com/xap/1.0/\0", 29) +
                      "<x:xmpmeta><dc:creator>PRIVATE-XMP</dc:creator></x:xmpmeta>");
    appendSegment(out, 0xE2, QByteArray("MPF\0", 4) + "PRIVATE-MPF");
    appendSegment(out, 0xED, QByteArray("Photoshop 3.0\0", 14) + "8BIM PRIVATE-IPTC");
    appendSegment(out, 0xFE, "PRIVATE-COMMENT");
    out += jpeg.mid(2);
    // A phone's motion photo: a video, with a JPEG of its own in it, after the end marker.
    out += QByteArray("\x00\x00\x00\x18"
                      "ftypmp42 PRIVATE-TRAILER ",
                      30);
    out += QByteArray("\xFF\xD8\xFF\xD9", 4);
    return out;
}

QByteArray scanData(const QByteArray& jpeg)
{
    const qsizetype scan = jpeg.indexOf(QByteArray("\xFF\xDA", 2));
    const qsizetype end = jpeg.indexOf(QByteArray("\xFF\xD9", 2), scan);
    return scan < 0 || end < 0 ? QByteArray() : jpeg.mid(scan, end + 2 - scan);
}

} // namespace ImageFixtures
