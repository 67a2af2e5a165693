#define POINTERHOLDER_TRANSITION 4
#include "RuvedovUzedoz/Pdf/PdfPostProcess.h"

#include "KestrelExtensions/Logging/Log.h"

#include <exception>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

namespace RuvedovUzedoz {

namespace {

QPDFObjectHandle number(double value)
{
    return QPDFObjectHandle::newReal(value, 4, true);
}

} // namespace

std::optional<QByteArray> applyMediaBoxes(const QByteArray& pdf, const std::vector<QRectF>& mediaBoxes)
{
    try {
        QPDF document;
        document.setSuppressWarnings(true);
        document.processMemoryFile("contact sheet", pdf.constData(), size_t(pdf.size()));
        std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(document).getAllPages();
        for (size_t i = 0; i < pages.size() && i < mediaBoxes.size(); ++i) {
            const QRectF& box = mediaBoxes[i];
            if (box.x() == 0 && box.y() == 0)
                continue;
            pages[i].getObjectHandle().replaceKey(
                "/MediaBox",
                QPDFObjectHandle::newArray({number(box.x()), number(box.y()), number(box.x() + box.width()),
                                            number(box.y() + box.height())}));
            const std::string shift = QStringLiteral("1 0 0 1 %1 %2 cm\n")
                                          .arg(box.x(), 0, 'f', 4)
                                          .arg(box.y(), 0, 'f', 4)
                                          .toStdString();
            pages[i].addPageContents(QPDFObjectHandle::newStream(&document, shift), true);
        }
        QPDFWriter writer(document);
        writer.setOutputMemory();
        // Streams are copied as cairo wrote them: no decoding, no recompression.
        writer.setDecodeLevel(qpdf_dl_none);
        writer.setCompressStreams(false);
        writer.write();
        std::shared_ptr<Buffer> buffer = writer.getBufferSharedPointer();
        return QByteArray(reinterpret_cast<const char*>(buffer->getBuffer()), qsizetype(buffer->getSize()));
    } catch (const std::exception& error) {
        KestrelExtensions::Log::system(QStringLiteral("PDF rendering failed: ") +
                                       QString::fromUtf8(error.what()));
    }
    return std::nullopt;
}

} // namespace RuvedovUzedoz
