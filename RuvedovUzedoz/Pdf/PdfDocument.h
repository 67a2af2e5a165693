#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

namespace RuvedovUzedoz {

class PdfPage;

// The document information entries written into the PDF.
struct PdfDocumentAttributes {
    QString creator;
    QString title;
    QString author;
    QString subject;
    QStringList keywords; // one string in the file, joined with ", "
};

// A PDF document made of pages that draw themselves when its data is produced.
class PdfDocument {
public:
    PdfDocument();
    ~PdfDocument();
    PdfDocument(const PdfDocument&) = delete;
    PdfDocument& operator=(const PdfDocument&) = delete;

    // A number unique in this process, never reused: the document's identity after it is gone.
    quint64 id() const { return m_id; }

    const PdfDocumentAttributes& documentAttributes() const { return m_attributes; }
    void setDocumentAttributes(const PdfDocumentAttributes& attributes) { m_attributes = attributes; }

    // Inserts at `index` (clamped to 0...pageCount); a page belongs to one document at a time.
    void insertPage(std::shared_ptr<PdfPage> page, qsizetype index);
    qsizetype pageCount() const { return qsizetype(m_pages.size()); }
    PdfPage* page(qsizetype index) const;
    qsizetype index(const PdfPage& page) const;

    // Draws every page in order into a new PDF and returns its bytes; nullopt when the document has no
    // pages or the PDF could not be produced (one log line says why).
    std::optional<QByteArray> dataRepresentation() const;
    // The same PDF written straight into `file` (open for writing, empty) as it is drawn, so it is never
    // held in memory whole. False when nothing could be drawn (one log line says why); a file that could
    // not be written throws a KestrelExtensions::FileError, so a full disk never passes for an empty sheet.
    // Writes are gathered here: open `file` unbuffered, so that a failed one gives the system's reason.
    bool write(QFileDevice& file) const;

private:
    struct Output; // where the PDF writer's bytes go
    // Draws every page into a new PDF sent to `output`; the pages' media boxes, or nullopt on failure.
    std::optional<std::vector<QRectF>> draw(const Output& output) const;

    quint64 m_id;
    PdfDocumentAttributes m_attributes;
    std::vector<std::shared_ptr<PdfPage>> m_pages;
};

} // namespace RuvedovUzedoz
