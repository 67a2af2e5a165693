#include "PDFPageRenderer.h"

#include <QBuffer>
#include <QFile>
#include <QPdfDocument>

namespace Sheetwright {

PDFPageRenderer::PDFPageRenderer() = default;

PDFPageRenderer::~PDFPageRenderer()
{
    if (m_document)
        m_document->close();
}

void PDFPageRenderer::load(quint64 generation, const std::optional<RuvedovUzedoz::PDFInfo>& pdf)
{
    if (isStale(generation))
        return;
    if (m_document)
        m_document->close();
    m_document.reset();
    m_source.reset();
    // The document reads lazily from its source, so the bytes (or the file) stay with it.
    m_pdf = pdf;
    m_loadedGeneration = generation;
    QList<QSizeF> sizes;
    if (m_pdf && m_pdf->file)
        m_source = std::make_unique<QFile>(m_pdf->file->path());
    else if (m_pdf && !m_pdf->data.isEmpty())
        m_source = std::make_unique<QBuffer>(&m_pdf->data);
    if (m_source && m_source->open(QIODevice::ReadOnly)) {
        m_document = std::make_unique<QPdfDocument>();
        m_document->load(m_source.get());
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
