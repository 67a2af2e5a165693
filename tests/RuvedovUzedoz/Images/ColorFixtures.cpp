#include "ColorFixtures.h"

#include "ImageFixtures.h"
#include "RuvedovUzedoz/Images/VipsApi.h"

#include <gtest/gtest.h>
#include <lcms2.h>

namespace ImageFixtures {

namespace {

QByteArray rgbProfile(cmsCIExyY red, cmsCIExyY green, cmsCIExyY blue, cmsToneCurve* curve)
{
    const cmsCIExyY white = {0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries = {red, green, blue};
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    QByteArray bytes(qsizetype(size), '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

} // namespace

namespace Profiles {

QByteArray adobeRgb()
{
    return rgbProfile({0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}, cmsBuildGamma(nullptr, 563.0 / 256));
}

QByteArray redGreenSwapped()
{
    const cmsFloat64Number srgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    return rgbProfile({0.30, 0.60, 1}, {0.64, 0.33, 1}, {0.15, 0.06, 1},
                      cmsBuildParametricToneCurve(nullptr, 4, srgbCurve));
}

} // namespace Profiles

Rgb fromSrgb(const QByteArray& profile, Rgb srgb)
{
    cmsHPROFILE from = cmsCreate_sRGBProfile();
    cmsHPROFILE to = cmsOpenProfileFromMem(profile.constData(), cmsUInt32Number(profile.size()));
    cmsHTRANSFORM transform =
        cmsCreateTransform(from, TYPE_RGB_8, to, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC, 0);
    const unsigned char in[3] = {uchar(srgb[0]), uchar(srgb[1]), uchar(srgb[2])};
    unsigned char out[3] = {};
    cmsDoTransform(transform, in, out, 1);
    cmsDeleteTransform(transform);
    cmsCloseProfile(from);
    cmsCloseProfile(to);
    return {out[0], out[1], out[2]};
}

QUrl flatPicture(const Folder& folder, const QString& name, Rgb values, const QByteArray& profile)
{
    const Image image = picture(64, 48, 3, [&](int, int, int band) { return values[size_t(band)]; });
    if (!profile.isEmpty())
        vips_image_set_blob_copy(image.get(), VIPS_META_ICC_NAME, profile.constData(),
                                 size_t(profile.size()));
    const QByteArray format = name.mid(name.lastIndexOf(u'.')).toUtf8();
    return folder.save(name, image.get(), format == ".jpg" ? ".jpg[Q=95]" : format.constData());
}

QUrl cmykPicture(const Folder& folder, const QString& name, Rgb srgb)
{
    VipsImage* cmyk = nullptr;
    EXPECT_EQ(
        vips_icc_transform(picture(64, 48, 3, [&](int, int, int band) { return srgb[size_t(band)]; }).get(),
                           &cmyk, "cmyk", "input_profile", "srgb", nullptr),
        0)
        << vips_error_buffer();
    const QUrl url = folder.save(name, cmyk, ".jpg[Q=95]");
    g_object_unref(cmyk);
    return url;
}

QByteArray segment(int marker, const QByteArray& payload)
{
    return QByteArray("\xFF", 1) + char(marker) + char((payload.size() + 2) >> 8) +
           char((payload.size() + 2) & 0xFF) + payload;
}

QByteArray withPrivateData(const QByteArray& jpeg)
{
    const QByteArray jfif("JFIF\0\x01\x01\x00\x00\x48\x00\x48\x02\x01PRIVATE-THUMB", 27);
    const QByteArray xmp(
        "http://ns.adobe.com/xap/1.0/\0<x:xmpmeta><dc:creator>PRIVATE-XMP</dc:creator></x:xmpmeta>", 88);
    // A phone's motion photo: a video, with a JPEG of its own in it, after the end marker.
    const QByteArray video("\0\0\0\x18"
                           "ftypmp42 PRIVATE-TRAILER \xFF\xD8\xFF\xD9",
                           33);
    return jpeg.left(2) + segment(0xE0, jfif) +
           segment(0xE1, QByteArray("Exif\0\0MM GPS 51.5N PRIVATE-EXIF", 31)) + segment(0xE1, xmp) +
           segment(0xE2, QByteArray("MPF\0PRIVATE-MPF", 15)) +
           segment(0xED, QByteArray("Photoshop 3.0\0"
                                    "8BIM PRIVATE-IPTC",
                                    31)) +
           segment(0xFE, "PRIVATE-COMMENT") + segment(0xEF, "PRIVATE-MAKER") + jpeg.mid(2) + video;
}

QByteArray scanData(const QByteArray& jpeg)
{
    const qsizetype scan = jpeg.indexOf(QByteArray("\xFF\xDA", 2));
    const qsizetype end = jpeg.indexOf(QByteArray("\xFF\xD9", 2), scan);
    return scan < 0 || end < 0 ? QByteArray() : jpeg.mid(scan, end + 2 - scan);
}

} // namespace ImageFixtures
