#include "PixelDeflation.h"

#include "DeflatedRows.h"
#include "RunDeflater.h"
#include "VipsConversion.h"
#include "VipsRuntime.h"

#include <memory>
#include <optional>
#include <zlib.h>

namespace RuvedovUzedoz {

namespace {

std::nullopt_t deflationFailure(QString& error, const QString& fallback)
{
    error = VipsRuntime::takeError();
    if (error.isEmpty()) {
        error = fallback;
    }
    return std::nullopt;
}

struct RegionDeleter {
    void operator()(VipsRegion* region) const { g_object_unref(region); }
};

// zlib's stream, ended however the compression ends.
class Deflater {
public:
    Deflater() { m_ready = deflateInit(&m_stream, Z_DEFAULT_COMPRESSION) == Z_OK; }
    ~Deflater()
    {
        if (m_ready) {
            deflateEnd(&m_stream);
        }
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    bool isReady() const { return m_ready; }

    // Ends the current block and gives the compressed length so far against the length taken in.
    double ratioSoFar(QByteArray& out)
    {
        if (!add(nullptr, 0, Z_SYNC_FLUSH, out) || m_stream.total_in == 0)
            return 0;
        return double(m_stream.total_out) / double(m_stream.total_in);
    }
    // The checksum of everything taken in so far.
    uint32_t adler() const { return uint32_t(m_stream.adler); }

    // Compresses `length` bytes into `out`; `flush` as zlib takes it (Z_FINISH ends the stream).
    bool add(const unsigned char* data, size_t length, int flush, QByteArray& out)
    {
        const bool finish = flush == Z_FINISH;
        m_stream.next_in = const_cast<unsigned char*>(data);
        m_stream.avail_in = uInt(length);
        int status = Z_OK;
        do {
            if (out.capacity() - out.size() < 65536) {
                // Grown in place where it can be: a large block is remapped rather than copied.
                out.reserve(out.size() + std::max<qsizetype>(out.size() / 4, 1 << 20));
            }
            const qsizetype before = out.size();
            const qsizetype room = out.capacity() - before;
            out.resize(out.capacity());
            m_stream.next_out = reinterpret_cast<unsigned char*>(out.data() + before);
            m_stream.avail_out = uInt(room);
            status = deflate(&m_stream, flush);
            out.resize(before + (room - qsizetype(m_stream.avail_out)));
            if (status == Z_STREAM_ERROR) {
                return false;
            }
        } while (m_stream.avail_out == 0 || (finish && status != Z_STREAM_END));
        return true;
    }

private:
    z_stream m_stream{};
    bool m_ready = false;
};

} // namespace

std::optional<PreparedImage> PixelDeflation::deflate(VipsImage* decoded, QString& error)
{
    VipsImageHandle image = VipsConversion::normalised(decoded, true);
    if (!image) {
        return deflationFailure(error, QStringLiteral("its colours cannot be converted"));
    }
    const int width = image->Xsize;
    const int height = image->Ysize;
    const int bands = image->Bands;
    if (bands != 1 && bands != 3) {
        error = QStringLiteral("it decodes to an unexpected pixel layout");
        return std::nullopt;
    }
    std::unique_ptr<VipsRegion, RegionDeleter> region(vips_region_new(image.get()));
    Deflater deflater;
    if (!region || !deflater.isReady()) {
        return deflationFailure(error, QStringLiteral("there is not enough memory for it"));
    }
    auto rows = std::make_shared<DeflatedRows>();
    if (!rows->isValid()) {
        error = QStringLiteral("there is no room to keep it aside");
        return std::nullopt;
    }
    // Compressed a strip at a time into here, then moved to the scratch file.
    QByteArray pending;
    const auto keep = [&](bool always) {
        if (!always && pending.size() < (1 << 20))
            return true;
        const bool kept = rows->append(pending.constData(), pending.size());
        pending.resize(0);
        if (!kept)
            error = QStringLiteral("there is no room to keep it aside");
        return kept;
    };
    PreparedImage result;
    result.encoding = PreparedImage::Encoding::Deflated;
    result.width = width;
    result.height = height;
    result.deflatedComponents = bands;
    result.sourceSize = QSize(width, height);
    const size_t rowBytes = size_t(width) * size_t(bands);
    // Strips of about a quarter of a megabyte, top to bottom, as a sequential decode delivers them: each
    // step of the decode keeps a buffer of the strip's size, on every thread that prepares pictures.
    const int strip = std::max(1, int((1 << 18) / std::max<size_t>(rowBytes, 1)));
    // How compressible the rows are is judged on about their first megabyte.
    const int sample = std::max(1, int((1 << 20) / std::max<size_t>(rowBytes, 1)));
    bool judged = false;
    // Once the rows are judged barely compressible, the stream goes on with runs and literals only.
    std::optional<RunDeflater> runs;
    int lastByte = -1;
    for (int top = 0; top < height; top += strip) {
        VipsRect rect{0, top, width, std::min(strip, height - top)};
        if (vips_region_prepare(region.get(), &rect) != 0) {
            return deflationFailure(error, QStringLiteral("it cannot be decoded"));
        }
        // Photographs carry noise that repeats nowhere: when the first megabyte barely shrinks, searching
        // the window for repeats is wasted time, and runs alone compress such rows within a few percent.
        if (!judged && top >= sample) {
            judged = true;
            if (deflater.ratioSoFar(pending) > 0.85)
                runs.emplace(deflater.adler(), lastByte);
        }
        for (int y = rect.top; y < rect.top + rect.height; ++y) {
            const auto* row = reinterpret_cast<const unsigned char*>(VIPS_REGION_ADDR(region.get(), 0, y));
            if (runs) {
                runs->add(row, rowBytes, pending);
            } else if (!deflater.add(row, rowBytes, Z_NO_FLUSH, pending)) {
                error = QStringLiteral("it cannot be compressed");
                return std::nullopt;
            }
            lastByte = row[rowBytes - 1];
        }
        if (!keep(false))
            return std::nullopt;
    }
    if (runs) {
        runs->finish(pending);
    } else if (!deflater.add(nullptr, 0, Z_FINISH, pending)) {
        error = QStringLiteral("it cannot be compressed");
        return std::nullopt;
    }
    if (!keep(true))
        return std::nullopt;
    result.deflated = std::move(rows);
    return result;
}

} // namespace RuvedovUzedoz
