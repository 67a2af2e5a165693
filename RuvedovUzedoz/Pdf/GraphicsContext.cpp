#include "RuvedovUzedoz/Pdf/GraphicsContext.h"

#include "RuvedovUzedoz/Images/ColorProfile.h"
#include "RuvedovUzedoz/Images/DeflatedRows.h"
#include "RuvedovUzedoz/Images/PngStructure.h"
#include "RuvedovUzedoz/Images/PreparedImage.h"
#include "RuvedovUzedoz/Pdf/CairoHandles.h"
#include "RuvedovUzedoz/Pdf/ImageStreams.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <pango/pangocairo.h>
#include <zlib.h>

namespace RuvedovUzedoz {

namespace {

const char* tagName(ContentTag tag)
{
    switch (tag) {
    case ContentTag::Figure:
        return "Figure";
    case ContentTag::Label:
        return "Lbl";
    }
    return "Figure";
}

bool isUsable(double value)
{
    return std::isfinite(value);
}

// The matrix that maps the stored raster (width × height, y down) onto its upright form for an EXIF
// orientation: a point (x, y) of the stored raster lands at matrix(x, y) of the upright picture.
cairo_matrix_t orientationMatrix(int orientation, double width, double height)
{
    cairo_matrix_t m;
    switch (orientation) {
    case 2: // mirrored left to right
        cairo_matrix_init(&m, -1, 0, 0, 1, width, 0);
        break;
    case 3: // turned half round
        cairo_matrix_init(&m, -1, 0, 0, -1, width, height);
        break;
    case 4: // mirrored top to bottom
        cairo_matrix_init(&m, 1, 0, 0, -1, 0, height);
        break;
    case 5: // transposed
        cairo_matrix_init(&m, 0, 1, 1, 0, 0, 0);
        break;
    case 6: // stored a quarter turn anticlockwise: the first row is the right-hand side
        cairo_matrix_init(&m, 0, 1, -1, 0, height, 0);
        break;
    case 7: // transversed
        cairo_matrix_init(&m, 0, -1, -1, 0, height, width);
        break;
    case 8: // stored a quarter turn clockwise: the first row is the left-hand side
        cairo_matrix_init(&m, 0, -1, 1, 0, 0, width);
        break;
    default:
        cairo_matrix_init_identity(&m);
        break;
    }
    return m;
}

void releaseByteArray(void* data)
{
    delete static_cast<QByteArray*>(data);
}

// A surface standing in for a JPEG that is embedded as is: cairo writes the attached bytes and never
// reads the surface's own pixels, so a small, untouched surface stretched over the picture is enough.
CairoSurface jpegSurface(const QByteArray& jpeg, int pixelWidth, int pixelHeight, double& scaleX,
                         double& scaleY)
{
    const int width = std::max(1, std::min(4096, (pixelWidth + 15) / 16));
    const int height = std::max(1, std::min(4096, (pixelHeight + 15) / 16));
    CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    auto* bytes = new QByteArray(jpeg);
    const cairo_status_t status = cairo_surface_set_mime_data(
        surface.get(), CAIRO_MIME_TYPE_JPEG, reinterpret_cast<const unsigned char*>(bytes->constData()),
        static_cast<unsigned long>(bytes->size()), releaseByteArray, bytes);
    if (status != CAIRO_STATUS_SUCCESS) {
        delete bytes;
        return nullptr;
    }
    scaleX = double(pixelWidth) / width;
    scaleY = double(pixelHeight) / height;
    return surface;
}

// Compressed rows drawn without a document to keep their stream: unpacked into pixels for cairo, through
// their colour profile when they carry one.
CairoSurface inflatedSurface(const PreparedImage& image)
{
    int components = image.deflatedComponents;
    const qsizetype rowBytes = qsizetype(image.width) * components;
    const QByteArray deflated = image.deflated->readAll();
    QByteArray rows((rowBytes + (image.deflatedPredicted ? 1 : 0)) * image.height, Qt::Uninitialized);
    uLongf length = uLongf(rows.size());
    if (uncompress(reinterpret_cast<Bytef*>(rows.data()), &length,
                   reinterpret_cast<const Bytef*>(deflated.constData()), uLong(deflated.size())) != Z_OK ||
        qsizetype(length) != rows.size())
        return nullptr;
    if (image.deflatedPredicted)
        rows = PngStructure::unfilteredRows(rows, image.width, image.height, components);
    if (!rows.isEmpty() && !image.deflatedProfile.isEmpty()) {
        rows = ColorProfile::toSrgb(image.deflatedProfile, components,
                                    reinterpret_cast<const unsigned char*>(rows.constData()),
                                    qsizetype(image.width) * image.height);
        components = 3;
    }
    if (rows.isEmpty())
        return nullptr;
    const qsizetype pixelRowBytes = qsizetype(image.width) * components;
    CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, image.width, image.height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    cairo_surface_flush(surface.get());
    unsigned char* target = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < image.height; ++y) {
        const auto* in =
            reinterpret_cast<const unsigned char*>(rows.constData()) + qsizetype(y) * pixelRowBytes;
        auto* out = reinterpret_cast<quint32*>(target + qsizetype(y) * stride);
        for (int x = 0; x < image.width; ++x) {
            const unsigned char* p = in + qsizetype(x) * components;
            const quint32 r = p[0];
            const quint32 g = components == 3 ? p[1] : r;
            const quint32 b = components == 3 ? p[2] : r;
            out[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
        }
    }
    cairo_surface_mark_dirty(surface.get());
    return surface;
}

// A surface owning a copy of the picture's pixels: cairo may keep the source until the page is written.
CairoSurface pixelSurface(const PreparedImage& image)
{
    const cairo_format_t format = image.hasAlpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24;
    const int rowBytes = image.width * 4;
    CairoSurface surface(cairo_image_surface_create(format, image.width, image.height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    cairo_surface_flush(surface.get());
    unsigned char* target = cairo_image_surface_get_data(surface.get());
    const int targetStride = cairo_image_surface_get_stride(surface.get());
    const char* source = image.pixels.constData();
    for (int row = 0; row < image.height; ++row)
        std::memcpy(target + qsizetype(row) * targetStride, source + qsizetype(row) * image.stride, rowBytes);
    cairo_surface_mark_dirty(surface.get());
    return surface;
}

} // namespace

GraphicsContext::GraphicsContext(cairo_t* cairo, QSizeF pageSize) : m_cairo(cairo), m_pageSize(pageSize)
{
    cairo_save(m_cairo);
    cairo_translate(m_cairo, 0, pageSize.height());
    cairo_scale(m_cairo, 1, -1);
    // Lines are one point wide unless a page sets otherwise (cairo would start at two).
    cairo_set_line_width(m_cairo, 1);
}

GraphicsContext::~GraphicsContext()
{
    while (!m_openTags.isEmpty())
        endTag();
    while (!m_saved.empty())
        restoreGState();
    cairo_restore(m_cairo);
}

void GraphicsContext::saveGState()
{
    cairo_save(m_cairo);
    m_saved.push_back({m_fill, m_stroke});
}

void GraphicsContext::restoreGState()
{
    if (m_saved.empty())
        return;
    cairo_restore(m_cairo);
    m_fill = m_saved.back().fill;
    m_stroke = m_saved.back().stroke;
    m_saved.pop_back();
}

bool GraphicsContext::translateBy(double x, double y)
{
    if (!isUsable(x) || !isUsable(y))
        return false;
    cairo_translate(m_cairo, x, y);
    return true;
}

bool GraphicsContext::scaleBy(double sx, double sy)
{
    // The checks cairo makes itself (inverting a matrix is not one: a tiny scale inverts, yet its
    // determinant is zero).
    if (!isUsable(sx) || !isUsable(sy) || sx * sy == 0)
        return false;
    cairo_matrix_t matrix;
    cairo_get_matrix(m_cairo, &matrix);
    cairo_matrix_scale(&matrix, sx, sy);
    const double determinant = matrix.xx * matrix.yy - matrix.yx * matrix.xy;
    if (!std::isfinite(determinant) || determinant == 0)
        return false;
    cairo_scale(m_cairo, sx, sy);
    return true;
}

void GraphicsContext::setLineWidth(double width)
{
    if (isUsable(width) && width >= 0)
        cairo_set_line_width(m_cairo, width);
}

void GraphicsContext::setSource(const DeviceColor& color)
{
    cairo_set_source_rgba(m_cairo, color.red, color.green, color.blue, color.alpha);
}

void GraphicsContext::fill(const QRectF& rect)
{
    if (!rect.isValid())
        return;
    cairo_save(m_cairo);
    cairo_rectangle(m_cairo, rect.x(), rect.y(), rect.width(), rect.height());
    cairo_clip(m_cairo);
    cairo_rectangle(m_cairo, rect.x(), rect.y(), rect.width(), rect.height());
    setSource(m_fill);
    cairo_fill(m_cairo);
    cairo_restore(m_cairo);
}

void GraphicsContext::stroke(const QRectF& rect)
{
    cairo_save(m_cairo);
    cairo_rectangle(m_cairo, rect.x(), rect.y(), rect.width(), rect.height());
    setSource(m_stroke);
    cairo_stroke(m_cairo);
    cairo_restore(m_cairo);
}

void GraphicsContext::beginTag(ContentTag tag)
{
    const char* name = tagName(tag);
    cairo_tag_begin(m_cairo, name, "");
    m_openTags.append(QString::fromLatin1(name));
}

void GraphicsContext::endTag()
{
    if (m_openTags.isEmpty())
        return;
    cairo_tag_end(m_cairo, m_openTags.takeLast().toLatin1().constData());
}

bool GraphicsContext::canDraw(const PreparedImage& image)
{
    if (image.width <= 0 || image.height <= 0)
        return false;
    if (image.encoding == PreparedImage::Encoding::Jpeg)
        return !image.jpeg.isEmpty();
    if (image.encoding == PreparedImage::Encoding::Deflated)
        return image.deflated && image.deflated->size() > 0 && image.width <= 32767 &&
               image.height <= 32767 && (image.deflatedComponents == 1 || image.deflatedComponents == 3);
    // cairo's image surfaces hold at most 32767 pixels a side.
    const qsizetype rowBytes = qsizetype(image.width) * 4;
    return image.width <= 32767 && image.height <= 32767 && image.stride >= rowBytes &&
           image.pixels.size() >= qsizetype(image.stride) * (image.height - 1) + rowBytes;
}

bool GraphicsContext::drawImage(const PreparedImage& image, const QRectF& rect)
{
    if (!canDraw(image) || !rect.isValid())
        return false;
    const bool turned = image.orientation >= 5 && image.orientation <= 8;
    const double uprightWidth = turned ? image.height : image.width;
    const double uprightHeight = turned ? image.width : image.height;

    double surfaceScaleX = 1;
    double surfaceScaleY = 1;
    CairoSurface surface;
    switch (image.encoding) {
    case PreparedImage::Encoding::Jpeg:
        surface = jpegSurface(image.jpeg, image.width, image.height, surfaceScaleX, surfaceScaleY);
        break;
    case PreparedImage::Encoding::Deflated:
        if (const QByteArray standIn = m_imageStreams ? m_imageStreams->add(image) : QByteArray();
            !standIn.isEmpty())
            surface = jpegSurface(standIn, image.width, image.height, surfaceScaleX, surfaceScaleY);
        else
            surface = inflatedSurface(image);
        break;
    case PreparedImage::Encoding::Pixels:
        surface = pixelSurface(image);
        break;
    }
    if (!surface)
        return false;

    cairo_save(m_cairo);
    cairo_translate(m_cairo, rect.x(), rect.y());
    cairo_scale(m_cairo, rect.width() / uprightWidth, rect.height() / uprightHeight);
    // Everything drawn inside a tag goes through a clip: an unclipped page-covering paint would make
    // cairo drop the open tag and with it the document.
    cairo_rectangle(m_cairo, 0, 0, uprightWidth, uprightHeight);
    cairo_clip(m_cairo);
    // Rasters run top to bottom.
    cairo_translate(m_cairo, 0, uprightHeight);
    cairo_scale(m_cairo, 1, -1);
    const cairo_matrix_t orientation = orientationMatrix(image.orientation, image.width, image.height);
    cairo_transform(m_cairo, &orientation);
    cairo_scale(m_cairo, surfaceScaleX, surfaceScaleY);
    const double surfaceWidth = image.width / surfaceScaleX;
    const double surfaceHeight = image.height / surfaceScaleY;
    cairo_set_source_surface(m_cairo, surface.get(), 0, 0);
    cairo_rectangle(m_cairo, 0, 0, surfaceWidth, surfaceHeight);
    cairo_clip(m_cairo);
    cairo_paint(m_cairo);
    cairo_restore(m_cairo);
    return true;
}

void GraphicsContext::drawText(const QString& text, const QRectF& frame, const TextStyle& style)
{
    if (!frame.isValid() || !isUsable(style.fontSize) || style.fontSize <= 0)
        return;
    cairo_save(m_cairo);
    cairo_rectangle(m_cairo, frame.x(), frame.y(), frame.width(), frame.height());
    cairo_clip(m_cairo);
    // Text is set from the frame's top edge downwards.
    cairo_translate(m_cairo, frame.x(), frame.y() + frame.height());
    cairo_scale(m_cairo, 1, -1);

    GObjectHandle<PangoLayout> layout(pango_cairo_create_layout(m_cairo));
    PangoFontDescriptionHandle font(pango_font_description_new());
    const QByteArray family = style.fontFamily.toUtf8();
    pango_font_description_set_family(font.get(), family.constData());
    // Absolute size: one point of font size is one unit of page space, whatever resolution Pango assumes.
    pango_font_description_set_absolute_size(font.get(),
                                             std::min(style.fontSize * PANGO_SCALE, double(INT_MAX)));
    pango_layout_set_font_description(layout.get(), font.get());
    pango_layout_set_width(layout.get(), int(std::min(frame.width() * PANGO_SCALE, double(INT_MAX))));
    pango_layout_set_alignment(layout.get(), PANGO_ALIGN_CENTER);
    pango_layout_set_ellipsize(layout.get(), PANGO_ELLIPSIZE_MIDDLE);
    pango_layout_set_single_paragraph_mode(layout.get(), TRUE);
    const QByteArray utf8 = text.toUtf8();
    pango_layout_set_text(layout.get(), utf8.constData(), int(utf8.size()));

    setSource(style.color);
    cairo_move_to(m_cairo, 0, 0);
    pango_cairo_show_layout(m_cairo, layout.get());
    cairo_restore(m_cairo);
}

} // namespace RuvedovUzedoz
