#include "PictureFormat.h"

#include "VipsApi.h"
#include "VipsErrorScope.h"
#include "VipsRuntime.h"

#include <QMimeDatabase>
#include <algorithm>
#include <limits>
#include <zlib.h>

namespace RuvedovUzedoz {

namespace {

bool isOrInherits(const QMimeType& type, QStringView name)
{
    return type.name() == name || type.allAncestors().contains(name.toString());
}

PictureFormat refuse(QString reason)
{
    return {PictureFormat::Decoder::None, {}, std::move(reason)};
}

// The first bytes of what a gzip stream holds: enough to tell its content, never the whole of it.
QByteArray gunzippedStart(const QByteArray& bytes)
{
    constexpr qsizetype enough = 64 * 1024;
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        return {};
    QByteArray out(enough, Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData()));
    stream.avail_in = uInt(std::min<qsizetype>(bytes.size(), std::numeric_limits<uInt>::max()));
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    const int status = inflate(&stream, Z_SYNC_FLUSH);
    const qsizetype produced = out.size() - qsizetype(stream.avail_out);
    inflateEnd(&stream);
    if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR)
        return {};
    out.truncate(produced);
    return out;
}

} // namespace

PictureFormat PictureFormat::of(const QByteArray& bytes)
{
    // The loader search also names loaders that the runtime blocks; only these may run here.
    static const QByteArrayList inProcess = {"VipsForeignLoadJpegBuffer", "VipsForeignLoadPngBuffer",
                                             "VipsForeignLoadWebpBuffer", "VipsForeignLoadTiffBuffer",
                                             "VipsForeignLoadNsgifBuffer"};
    if (VipsRuntime::ensureStarted()) {
        const VipsErrorScope scope(VipsErrorScope::Mode::Shared);
        const char* loader = vips_foreign_find_load_buffer(bytes.constData(), size_t(bytes.size()));
        // The search leaves errors of the loaders it tried behind.
        vips_error_clear();
        if (loader && inProcess.contains(QByteArray(loader)))
            return {Decoder::InProcess, {}, {}};
    }

    static const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForData(bytes);
    if (isOrInherits(type, u"application/pdf"))
        return refuse(QStringLiteral("it is a PDF document, not a picture"));
    if (isOrInherits(type, u"application/postscript") || type.name() == u"image/x-eps")
        return refuse(QStringLiteral("it is a PostScript document, not a picture"));
    if (isOrInherits(type, u"image/svg+xml") || isOrInherits(type, u"image/svg+xml-compressed"))
        return {Decoder::DecoderProgram, QByteArrayLiteral("svg"), {}};
    // Compressed SVG is told from what it holds, which the SVG decoder reads as it is.
    if (bytes.startsWith("\x1F\x8B") &&
        isOrInherits(database.mimeTypeForData(gunzippedStart(bytes)), u"image/svg+xml"))
        return {Decoder::DecoderProgram, QByteArrayLiteral("svg"), {}};
    for (const char* heif : {"image/heif", "image/heic", "image/avif", "image/heif-sequence",
                             "image/heic-sequence", "image/avif-sequence"}) {
        if (isOrInherits(type, QString::fromLatin1(heif)))
            return {Decoder::DecoderProgram, QByteArrayLiteral("heif"), {}};
    }
    if (type.name().startsWith(u"image/"))
        return {Decoder::DecoderProgram, QByteArrayLiteral("magick"), {}};
    return refuse(QStringLiteral("its content (%1) is not a picture").arg(type.name()));
}

} // namespace RuvedovUzedoz
