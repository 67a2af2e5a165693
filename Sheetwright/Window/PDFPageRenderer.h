#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QObject>
#include <QSizeF>
#include <atomic>
#include <memory>

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
    void load(quint64 generation, const QByteArray& data);
    void render(quint64 generation, int page, QSize size);

signals:
    // Page sizes in points; empty for bytes that do not parse (or no PDF).
    void loaded(quint64 generation, const QList<QSizeF>& pageSizes);
    void rendered(quint64 generation, int page, const QImage& image);

private:
    bool isStale(quint64 generation) const { return generation != m_currentGeneration.load(); }

    std::atomic<quint64> m_currentGeneration{0};
    quint64 m_loadedGeneration = 0;
    QByteArray m_data;
    std::unique_ptr<QBuffer> m_buffer;
    std::unique_ptr<QPdfDocument> m_document;
};

} // namespace Sheetwright
