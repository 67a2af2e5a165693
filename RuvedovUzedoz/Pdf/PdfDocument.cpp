#include "RuvedovUzedoz/Pdf/PdfDocument.h"

#include "KestrelExtensions/Coding/FileError.h"
#include "KestrelExtensions/Logging/Log.h"
#include "RuvedovUzedoz/Pdf/CairoHandles.h"
#include "RuvedovUzedoz/Pdf/GraphicsContext.h"
#include "RuvedovUzedoz/Pdf/ImageStreams.h"
#include "RuvedovUzedoz/Pdf/PdfPage.h"
#include "RuvedovUzedoz/Pdf/PdfPostProcess.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <cairo-pdf.h>
#include <cmath>

namespace RuvedovUzedoz {

namespace {

std::atomic<quint64> nextDocumentId{1};

// cairo's output callback: no C++ exception may cross back into cairo, so running out of memory
// becomes cairo's write error and fails the document.
cairo_status_t appendToBuffer(void* closure, const unsigned char* data, unsigned int length) noexcept
{
    try {
        auto* buffer = static_cast<QByteArray*>(closure);
        const qsizetype needed = buffer->size() + qsizetype(length);
        // Grown here rather than by append(), which moves the whole buffer into a new block each time
        // and so briefly holds the document twice; reserve() resizes the block in place (a large one is
        // remapped, not copied).
        if (needed > buffer->capacity())
            buffer->reserve(std::max(needed, std::max<qsizetype>(buffer->capacity() * 2, 1 << 20)));
        buffer->append(reinterpret_cast<const char*>(data), qsizetype(length));
        return CAIRO_STATUS_SUCCESS;
    } catch (...) {
        return CAIRO_STATUS_WRITE_ERROR;
    }
}

// Where a streamed PDF goes, gathered into large writes; remembers a failed write so it is never mistaken
// for a drawing failure. The file is unbuffered, so that a failed write is told by the system's reason:
// a buffered file that fills up part-way (a file-size limit) reports no reason at all.
struct FileSink {
    static constexpr qsizetype gathered = 1 << 20;

    QFileDevice* file;
    QByteArray pending = {};
    bool failed = false;

    bool put(const char* data, qsizetype length)
    {
        pending.append(data, length);
        return pending.size() < gathered || drain();
    }
    // Writes what is gathered; a short write is retried, so that the one that fails gives the reason.
    bool drain()
    {
        qsizetype written = 0;
        while (!failed && written < pending.size()) {
            const qint64 step = file->write(pending.constData() + written, pending.size() - written);
            if (step <= 0)
                failed = true;
            else
                written += qsizetype(step);
        }
        pending.clear();
        return !failed;
    }
};

cairo_status_t writeToFile(void* closure, const unsigned char* data, unsigned int length) noexcept
{
    auto* sink = static_cast<FileSink*>(closure);
    try {
        if (!sink->failed && sink->put(reinterpret_cast<const char*>(data), qsizetype(length)))
            return CAIRO_STATUS_SUCCESS;
    } catch (...) {
    }
    sink->failed = true;
    return CAIRO_STATUS_WRITE_ERROR;
}

bool isDrawableSize(QSizeF size)
{
    return std::isfinite(size.width()) && std::isfinite(size.height()) && size.width() > 0 &&
           size.height() > 0 && size.width() <= 14400 * 100 && size.height() <= 14400 * 100;
}

void setMetadata(cairo_surface_t* surface, cairo_pdf_metadata_t entry, const QString& value)
{
    cairo_pdf_surface_set_metadata(surface, entry, value.toUtf8().constData());
}

void logFailure(cairo_status_t status)
{
    KestrelExtensions::Log::system(QStringLiteral("PDF rendering failed: ") +
                                   QString::fromUtf8(cairo_status_to_string(status)));
}

} // namespace

PdfDocument::PdfDocument() : m_id(nextDocumentId++) {}

PdfDocument::~PdfDocument()
{
    for (const auto& page : m_pages)
        page->m_document = nullptr;
}

void PdfDocument::insertPage(std::shared_ptr<PdfPage> page, qsizetype index)
{
    if (!page || page->m_document)
        return;
    index = std::clamp<qsizetype>(index, 0, pageCount());
    page->m_document = this;
    m_pages.insert(m_pages.begin() + index, std::move(page));
}

PdfPage* PdfDocument::page(qsizetype index) const
{
    return index >= 0 && index < pageCount() ? m_pages[size_t(index)].get() : nullptr;
}

qsizetype PdfDocument::index(const PdfPage& page) const
{
    const auto found =
        std::find_if(m_pages.begin(), m_pages.end(), [&](const auto& held) { return held.get() == &page; });
    return found == m_pages.end() ? -1 : qsizetype(found - m_pages.begin());
}

struct PdfDocument::Output {
    cairo_write_func_t write;
    void* closure;
    ImageStreams* streams; // where pictures compressed beforehand wait for the finished file
};

std::optional<std::vector<QRectF>> PdfDocument::draw(const Output& output) const
{
    if (m_pages.empty())
        return std::nullopt;
    std::vector<QRectF> boxes;
    for (const auto& page : m_pages) {
        if (!isDrawableSize(page->mediaBox().size())) {
            KestrelExtensions::Log::system(
                QStringLiteral("PDF rendering failed: page size %1 × %2 cannot be drawn")
                    .arg(page->mediaBox().width())
                    .arg(page->mediaBox().height()));
            return std::nullopt;
        }
        boxes.push_back(page->mediaBox());
    }

    CairoSurface surface(cairo_pdf_surface_create_for_stream(output.write, output.closure, boxes[0].width(),
                                                             boxes[0].height()));
    setMetadata(surface.get(), CAIRO_PDF_METADATA_CREATOR, m_attributes.creator);
    setMetadata(surface.get(), CAIRO_PDF_METADATA_TITLE, m_attributes.title);
    setMetadata(surface.get(), CAIRO_PDF_METADATA_AUTHOR, m_attributes.author);
    setMetadata(surface.get(), CAIRO_PDF_METADATA_SUBJECT, m_attributes.subject);
    setMetadata(surface.get(), CAIRO_PDF_METADATA_KEYWORDS, m_attributes.keywords.join(QStringLiteral(", ")));
    CairoContext cairo(cairo_create(surface.get()));

    for (size_t i = 0; i < m_pages.size(); ++i) {
        const QSizeF size = boxes[i].size();
        cairo_pdf_surface_set_size(surface.get(), size.width(), size.height());
        // A Document structure root marks the whole file as tagged; it must close before the last
        // page is shown, or cairo drops it.
        if (i == 0)
            cairo_tag_begin(cairo.get(), "Document", "");
        {
            GraphicsContext context(cairo.get(), size);
            context.setImageStreams(output.streams);
            m_pages[i]->draw(PdfDisplayBox::MediaBox, context);
        }
        if (i + 1 == m_pages.size())
            cairo_tag_end(cairo.get(), "Document");
        cairo_show_page(cairo.get());
        if (cairo_status(cairo.get()) != CAIRO_STATUS_SUCCESS)
            break;
    }
    const cairo_status_t drawing = cairo_status(cairo.get());
    cairo.reset();
    cairo_surface_finish(surface.get());
    const cairo_status_t status =
        drawing != CAIRO_STATUS_SUCCESS ? drawing : cairo_surface_status(surface.get());
    if (status != CAIRO_STATUS_SUCCESS) {
        logFailure(status);
        return std::nullopt;
    }
    return boxes;
}

std::optional<QByteArray> PdfDocument::dataRepresentation() const
{
    QByteArray data;
    ImageStreams streams(QDir::tempPath());
    const std::optional<std::vector<QRectF>> boxes = draw({appendToBuffer, &data, &streams});
    if (!boxes || !completePdf(data, *boxes) || !streams.place(data))
        return std::nullopt;
    return data;
}

bool PdfDocument::write(QFileDevice& file) const
{
    FileSink sink{&file};
    // Kept beside the PDF rather than in the temporary folder, which may be held in memory.
    const QString folder =
        file.fileName().isEmpty() ? QDir::tempPath() : QFileInfo(file.fileName()).absolutePath();
    ImageStreams streams(folder);
    const std::optional<std::vector<QRectF>> boxes = draw({writeToFile, &sink, &streams});
    sink.drain();
    const auto fail = [&file](const QString& fallback) {
        const QString reason = file.error() != QFileDevice::NoError ? file.errorString() : fallback;
        throw KestrelExtensions::FileError(KestrelExtensions::FileError::Operation::Write,
                                           KestrelExtensions::FileError::Code::Other, file.fileName(),
                                           reason);
    };
    if (sink.failed || file.error() != QFileDevice::NoError)
        fail(QStringLiteral("The PDF could not be written; the disk may be full."));
    if (!boxes)
        return false;
    if (!completePdf(file, *boxes))
        fail(QStringLiteral("The page boxes could not be written."));
    if (!streams.place(file))
        fail(QStringLiteral("The pictures could not be written."));
    if (!file.flush())
        fail(QStringLiteral("The PDF could not be written; the disk may be full."));
    return true;
}

} // namespace RuvedovUzedoz
