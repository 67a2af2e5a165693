#include "ColorProfile.h"

#include <QCryptographicHash>
#include <QHash>
#include <QMutex>
#include <cstdint>
#include <cstdlib>
#include <lcms2.h>
#include <memory>

namespace RuvedovUzedoz {

namespace {

struct ProfileRelease {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using ProfileHandle = std::unique_ptr<void, ProfileRelease>;

struct TransformRelease {
    void operator()(void* transform) const { cmsDeleteTransform(transform); }
};
using TransformHandle = std::unique_ptr<void, TransformRelease>;

bool mapsLikeSrgb(const QByteArray& bytes)
{
    ProfileHandle profile(cmsOpenProfileFromMem(bytes.constData(), cmsUInt32Number(bytes.size())));
    if (!profile || cmsGetColorSpace(profile.get()) != cmsSigRgbData) {
        return false;
    }
    ProfileHandle srgb(cmsCreate_sRGBProfile());
    TransformHandle transform(cmsCreateTransform(profile.get(), TYPE_RGB_8, srgb.get(), TYPE_RGB_8,
                                                 INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOCACHE));
    if (!transform) {
        return false;
    }
    // A grid of colours through the profile; one unit of rounding either way is still sRGB.
    constexpr int steps[] = {0, 40, 96, 160, 220, 255};
    unsigned char in[6 * 6 * 6 * 3];
    unsigned char out[sizeof in];
    int n = 0;
    for (int r : steps) {
        for (int g : steps) {
            for (int b : steps) {
                in[n++] = static_cast<unsigned char>(r);
                in[n++] = static_cast<unsigned char>(g);
                in[n++] = static_cast<unsigned char>(b);
            }
        }
    }
    cmsDoTransform(transform.get(), in, out, cmsUInt32Number(n / 3));
    for (int i = 0; i < n; ++i) {
        if (std::abs(int(in[i]) - int(out[i])) > 2) {
            return false;
        }
    }
    return true;
}

} // namespace

bool ColorProfile::isSrgb(const QByteArray& profile)
{
    static QMutex mutex;
    static QHash<QByteArray, bool> known;
    const QByteArray key = QCryptographicHash::hash(profile, QCryptographicHash::Sha1);
    {
        QMutexLocker lock(&mutex);
        if (auto found = known.constFind(key); found != known.cend()) {
            return *found;
        }
    }
    const bool result = mapsLikeSrgb(profile);
    QMutexLocker lock(&mutex);
    if (known.size() > 256) {
        known.clear();
    }
    known.insert(key, result);
    return result;
}

int ColorProfile::components(const QByteArray& profile)
{
    if (profile.size() < 128) {
        return 0;
    }
    const QByteArray space = profile.mid(16, 4);
    if (space == "GRAY") {
        return 1;
    }
    if (space == "RGB ") {
        return 3;
    }
    if (space == "CMYK") {
        return 4;
    }
    return 0;
}

bool ColorProfile::isReadable(const QByteArray& profile)
{
    return ProfileHandle(cmsOpenProfileFromMem(profile.constData(), cmsUInt32Number(profile.size()))) !=
           nullptr;
}

QByteArray ColorProfile::toSrgb(const QByteArray& profile, int components, const unsigned char* pixels,
                                qsizetype count)
{
    ProfileHandle source(cmsOpenProfileFromMem(profile.constData(), cmsUInt32Number(profile.size())));
    if (!source || components != ColorProfile::components(profile) || (components != 1 && components != 3) ||
        count <= 0 || count > qsizetype(UINT32_MAX))
        return {};
    ProfileHandle srgb(cmsCreate_sRGBProfile());
    TransformHandle transform(cmsCreateTransform(source.get(), components == 1 ? TYPE_GRAY_8 : TYPE_RGB_8,
                                                 srgb.get(), TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC, 0));
    if (!transform)
        return {};
    QByteArray out(count * 3, Qt::Uninitialized);
    cmsDoTransform(transform.get(), pixels, out.data(), cmsUInt32Number(count));
    return out;
}

} // namespace RuvedovUzedoz
