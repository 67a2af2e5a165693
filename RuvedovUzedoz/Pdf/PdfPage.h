#pragma once

#include <QRectF>
#include <QString>

namespace RuvedovUzedoz {

class GraphicsContext;
class PdfDocument;

// Which of a page's boxes a drawing is made for; pages here only have a media box.
enum class PdfDisplayBox { MediaBox };

// One page of a PdfDocument. Subclasses draw their content in `draw`, in a context whose origin is the
// lower-left corner of the media box, x to the right, y upwards, in points.
class PdfPage {
public:
    PdfPage() = default;
    virtual ~PdfPage();
    PdfPage(const PdfPage&) = delete;
    PdfPage& operator=(const PdfPage&) = delete;

    QRectF mediaBox() const { return m_mediaBox; }
    void setMediaBox(const QRectF& box) { m_mediaBox = box; }

    virtual void draw(PdfDisplayBox box, GraphicsContext& context);

    // The document the page was inserted into, or nullptr; the document clears it when it goes.
    PdfDocument* document() const { return m_document; }
    // Zero-based position in the document, or -1 outside a document.
    qsizetype index() const;
    // A stable text naming this page object, for log lines.
    QString description() const;

private:
    friend class PdfDocument;
    QRectF m_mediaBox;
    PdfDocument* m_document = nullptr;
};

} // namespace RuvedovUzedoz
