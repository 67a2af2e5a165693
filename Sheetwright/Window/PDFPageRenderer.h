#pragma once

#include "RuvedovUzedoz/Sheet/PDFInfo.h"

#include <QByteArray>
#include <QIODevice>
#include <QImage>
#include <QList>
#include <QObject>
#include <QSizeF>
#include <atomic>
#include <memory>
#include <optional>

class QPdfDocument;

namespace Sheetwright {

// Reads a PDF and draws its pages on a thread of its own. The PDF library serialises every call
// behind one lock, so the window's thread never calls it: a page that takes long to draw would hold
// the window still. Work for a PDF that has since been replaced is skipped.
class PDFPageRenderer : public QObject {
    Q_OBJECT
public:
    PDFPageRenderer();
    ~PDFPageRenderer() override;

    // Thread-safe: work of an older generation is dropped as it comes up.
    void setCurrentGeneration(quint64 generation) { m_currentGeneration = generation; }

    // On the renderer's thread.
    // Reads the PDF from its file when it is kept on disk, else from its bytes; holds on to either for as
    // long as it is shown, so a file is not removed while its pages may still be drawn.
    void load(quint64 generation, const std::optional<RuvedovUzedoz::PDFInfo>& pdf);
    void render(quint64 generation, int page, QSize size);

signals:
    // Page sizes in points; empty for bytes that do not parse (or no PDF).
    void loaded(quint64 generation, const QList<QSizeF>& pageSizes);
    void rendered(quint64 generation, int page, const QImage& image);

private:
    bool isStale(quint64 generation) const { return generation != m_currentGeneration.load(); }

    std::atomic<quint64> m_currentGeneration{0};
    quint64 m_loadedGeneration = 0;
    std::optional<RuvedovUzedoz::PDFInfo> m_pdf;
    std::unique_ptr<QIODevice> m_source;
    std::unique_ptr<QPdfDocument> m_document;
};

} // namespace Sheetwright
