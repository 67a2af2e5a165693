#pragma once

#include "RuvedovUzedoz/Sheet/PDFInfo.h"

#include <QAbstractScrollArea>
#include <QHash>
#include <QImage>
#include <QList>
#include <QSet>
#include <QSizeF>
#include <QThread>
#include <optional>

namespace Sheetwright {

class PDFPageRenderer;

// Shows a rendered PDF: every page in one scrolling column, fitted to the width, on a grey ground.
// Each update reads the whole PDF again; bytes that do not parse leave the view empty. Reading and
// drawing happen on a thread of the viewer's own, so a page that takes long never holds the window.
class PDFViewer : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit PDFViewer(const std::optional<RuvedovUzedoz::PDFInfo>& pdf, QWidget* parent = nullptr);
    ~PDFViewer() override;

    void setPDF(const std::optional<RuvedovUzedoz::PDFInfo>& pdf);

    // True from an update until its PDF has been read.
    bool isLoading() const { return m_loading; }
    // The pages read from the PDF shown: none while reading, without a PDF, or for bytes that do not
    // parse.
    int pageCount() const { return int(m_pageSizes.size()); }
    // The page at the top of the view (0 without pages).
    int currentPage() const { return place().page; }
    // The drawn image of a page, once it has arrived.
    QImage pageImage(int page) const { return m_images.value(page); }

signals:
    void documentLoaded(int pageCount);
    void pageRendered(int page);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void display(const std::optional<RuvedovUzedoz::PDFInfo>& pdf);
    void didLoad(quint64 generation, const QList<QSizeF>& pageSizes);
    void didRender(quint64 generation, int page, const QImage& image);
    void layoutPages();
    // Where the view stands: the page at the top edge and how far into it, as a share of its height.
    struct Place {
        int page = 0;
        double offset = 0;
    };
    Place place() const;
    // Scrolls to `place`, on the last page when the document has fewer pages now.
    void scrollTo(const Place& place);
    void requestVisiblePages();
    // Each page's rectangle in the scrolled content, at the current width.
    QList<QRect> pageRects() const;
    int pageWidth() const;

    QThread m_thread;
    PDFPageRenderer* m_renderer;
    quint64 m_generation = 0;
    bool m_loading = false;
    QList<QSizeF> m_pageSizes;
    QHash<int, QImage> m_images;
    // Pages asked for at the width they were asked for.
    QHash<int, int> m_requested;
    // Where to stand once the PDF being read has arrived: where the previous one was left.
    std::optional<Place> m_placeToRestore;
};

} // namespace Sheetwright
