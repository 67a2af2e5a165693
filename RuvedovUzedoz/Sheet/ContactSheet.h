#pragma once

#include "RuvedovUzedoz/Sheet/PDFInfo.h"
#include "RuvedovUzedoz/Sheet/PDFMetadata.h"
#include "RuvedovUzedoz/Sheet/PDFProgress.h"

#include <QFuture>
#include <QList>
#include <QSet>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

namespace RuvedovUzedoz {

class Cancellation;
class PdfDocument;
struct PageLayout;

// A window's document in memory: the PDF metadata, the set of image files (no order, no duplicates)
// and the progress of its renders. Copies share the progress object; metadata and images are copied.
// Adding never throws: each file or folder's outcome is one log line.
struct ContactSheet {
    PDFMetadata metadata;
    QSet<QUrl> images;
    std::shared_ptr<PDFProgress> progress;

    explicit ContactSheet(PDFMetadata metadata = {}, const QList<QUrl>& images = {});

    // Image files are added as they are; folders add their image files one level deep, hidden files
    // and sub-folders left out. Other files are skipped without a word.
    void add(const QList<QUrl>& urls);
    template <class Range> void addContentsOf(const Range& urls)
    {
        QList<QUrl> list;
        for (const QUrl& url : urls)
            list.append(url);
        add(list);
    }

    void remove(const QSet<QUrl>& urls);
    void remove(const QUrl& url);

    // Renders the sheet's images, in file-name order, on pages of `layout`; nullopt for an empty sheet.
    // Cancelling the returned future stops the render (between pictures and inside decodes); so does
    // Cancellation::cancelAll().
    QFuture<std::optional<PDFInfo>> generatePDF(const PageLayout& layout) const;
    // The same PDF written into a new file in `folder` as it is drawn, never held in memory whole; the
    // file lives as long as the result's `file` is held. A file that cannot be made or written fails the
    // future with a RenderFailure saying why, so that it is never taken for an empty sheet.
    QFuture<std::optional<PDFInfo>> generatePDF(const PageLayout& layout, const QString& folder) const;
    static QFuture<std::optional<PDFInfo>> render(std::shared_ptr<PdfDocument> document,
                                                  std::shared_ptr<PDFProgress> progress);
    // The future carries a failure to create the folder or write the file as an exception.
    QFuture<void> writePDF(const QString& path, const PageLayout& layout) const;

private:
    void addURL(const QUrl& url);
    bool startDocument(const PageLayout& layout, std::shared_ptr<const Cancellation> cancellation,
                       std::function<void(std::shared_ptr<PdfDocument>)> next) const;
};

} // namespace RuvedovUzedoz
