#include "PDFPageRenderer.h"

#include <QPdfDocument>

namespace Sheetwright {

PDFPageRenderer::PDFPageRenderer() = default;

PDFPageRenderer::~PDFPageRenderer()
{
    if (m_document)
        m_document->close();
}

void PDFPageRenderer::load(quint64 generation, const QByteArray& data)
{
    if (isStale(generation))
        return;
    if (m_document)
        m_document->close();
    m_document.reset();
    m_buffer.reset();
    // The document reads lazily from the buffer, so the bytes stay with it.
    m_data = data;
    m_loadedGeneration = generation;
    QList<QSizeF> sizes;
    if (!m_data.isEmpty()) {
        m_buffer = std::make_unique<QBuffer>(&m_data);
        m_buffer->open(QIODevice::ReadOnly);
        m_document = std::make_unique<QPdfDocument>();
        m_document->load(m_buffer.get());
        if (m_document->status() == QPdfDocument::Status::Ready) {
            for (int page = 0; page < m_document->pageCount(); ++page)
                sizes.append(m_document->pagePointSize(page));
        }
    }
    emit loaded(generation, sizes);
}

void PDFPageRenderer::render(quint64 generation, int page, QSize size)
{
    if (isStale(generation) || generation != m_loadedGeneration || !m_document ||
        m_document->status() != QPdfDocument::Status::Ready || page < 0 || page >= m_document->pageCount())
        return;
    emit rendered(generation, page, m_document->render(page, size));
}

} // namespace Sheetwright
