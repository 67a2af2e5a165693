#include "RuvedovUzedoz/Pdf/PdfPage.h"

#include "RuvedovUzedoz/Pdf/PdfDocument.h"

namespace RuvedovUzedoz {

PdfPage::~PdfPage() = default;

void PdfPage::draw(PdfDisplayBox, GraphicsContext&) {}

qsizetype PdfPage::index() const
{
    return m_document ? m_document->index(*this) : -1;
}

QString PdfPage::description() const
{
    return QStringLiteral("<PdfPage: 0x%1>").arg(quintptr(this), 0, 16);
}

} // namespace RuvedovUzedoz
