#pragma once

#include <QString>
#include <memory>

namespace RuvedovUzedoz {

class PDFProgress;
class PdfDocument;
class PdfPage;

// The progress object of each running render, found from the document being drawn. An entry lives
// from the render's registration to its closing. Main thread only.
class ProgressByDocument {
public:
    static void insert(std::shared_ptr<PdfDocument> document, std::shared_ptr<PDFProgress> progress);
    static void remove(quint64 documentId);
    static std::shared_ptr<PDFProgress> progress(quint64 documentId);
    static qsizetype count();
};

// What a drawn page reports: its document (0 for none), its index there, and its description.
struct ProgressTick {
    quint64 documentId = 0;
    qsizetype pageIndex = -1;
    QString pageDescription;

    static ProgressTick of(const PdfPage& page);
};

// Sets the render's progress to the page's one-based number; a page outside any document is logged,
// a render already closed is silently ignored. Main thread only.
void updateProgress(const PdfPage& page);
void updateProgress(const ProgressTick& tick);

// Hands the tick to the main thread without waiting for it.
void postProgress(const PdfPage& page);

} // namespace RuvedovUzedoz
