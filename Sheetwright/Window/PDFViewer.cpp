#include "PDFViewer.h"

#include <KestrelExtensions/Logging/Log.h>
#include <QBuffer>
#include <QPdfDocument>
#include <QPdfView>
#include <QVBoxLayout>

namespace Sheetwright {

using KestrelExtensions::Log;

class PDFViewer::Holder {
public:
    explicit Holder(const QByteArray& data) : m_data(data), m_buffer(&m_data)
    {
        m_buffer.open(QIODevice::ReadOnly);
        m_document.load(&m_buffer);
    }
    ~Holder() { m_document.close(); }

    QPdfDocument* document()
    {
        return m_document.status() == QPdfDocument::Status::Ready ? &m_document : nullptr;
    }

private:
    QByteArray m_data;
    QBuffer m_buffer;
    QPdfDocument m_document;
};

PDFViewer::PDFViewer(const std::optional<RuvedovUzedoz::PDFInfo>& pdf, QWidget* parent)
    : QWidget(parent), m_view(new QPdfView(this))
{
    Log::out(QStringLiteral("Making View"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    m_view->setPageMode(QPdfView::PageMode::MultiPage);
    m_view->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    display(pdf);
}

PDFViewer::~PDFViewer()
{
    m_view->setDocument(nullptr);
}

void PDFViewer::setPDF(const std::optional<RuvedovUzedoz::PDFInfo>& pdf)
{
    Log::out(QStringLiteral("Updating View"));
    display(pdf);
}

QPdfDocument* PDFViewer::document() const
{
    return m_holder ? m_holder->document() : nullptr;
}

void PDFViewer::display(const std::optional<RuvedovUzedoz::PDFInfo>& pdf)
{
    std::unique_ptr<Holder> next = pdf ? std::make_unique<Holder>(pdf->data) : nullptr;
    // The view lets go of the old document before it is destroyed.
    m_view->setDocument(next ? next->document() : nullptr);
    m_holder = std::move(next);
}

} // namespace Sheetwright
