#include "PDFViewer.h"

#include "PDFPageRenderer.h"

#include <KestrelExtensions/Logging/Log.h>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <utility>

namespace Sheetwright {

using KestrelExtensions::Log;

namespace {
constexpr int pageSpacing = 10;
} // namespace

PDFViewer::PDFViewer(const std::optional<RuvedovUzedoz::PDFInfo>& pdf, QWidget* parent)
    : QAbstractScrollArea(parent), m_renderer(new PDFPageRenderer)
{
    Log::out(QStringLiteral("Making View"));
    setFrameShape(QFrame::NoFrame);
    viewport()->setBackgroundRole(QPalette::Mid);
    viewport()->setAutoFillBackground(true);
    horizontalScrollBar()->setRange(0, 0);
    // Always there, so that the pages keep their width, and the place on show, while a new PDF is read.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalScrollBar()->setSingleStep(20);

    m_renderer->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_renderer, &QObject::deleteLater);
    connect(m_renderer, &PDFPageRenderer::loaded, this, &PDFViewer::didLoad);
    connect(m_renderer, &PDFPageRenderer::rendered, this, &PDFViewer::didRender);
    m_thread.setObjectName(QStringLiteral("PDF viewer"));
    m_thread.start();
    display(pdf);
}

PDFViewer::~PDFViewer()
{
    // Drop what is queued; the page being drawn, if any, is finished first.
    m_renderer->setCurrentGeneration(0);
    m_thread.quit();
    m_thread.wait();
}

void PDFViewer::setPDF(const std::optional<RuvedovUzedoz::PDFInfo>& pdf)
{
    Log::out(QStringLiteral("Updating View"));
    display(pdf);
}

void PDFViewer::display(const std::optional<RuvedovUzedoz::PDFInfo>& pdf)
{
    // A new render of the same sheet is read where the user was reading the last one.
    if (!m_loading && !m_pageSizes.isEmpty())
        m_placeToRestore = place();
    const quint64 generation = ++m_generation;
    m_renderer->setCurrentGeneration(generation);
    m_pageSizes.clear();
    m_images.clear();
    m_requested.clear();
    m_loading = true;
    layoutPages();
    viewport()->update();
    QMetaObject::invokeMethod(m_renderer,
                              [renderer = m_renderer, generation, pdf] { renderer->load(generation, pdf); });
}

void PDFViewer::didLoad(quint64 generation, const QList<QSizeF>& pageSizes)
{
    if (generation != m_generation)
        return;
    m_loading = false;
    m_pageSizes = pageSizes;
    layoutPages();
    if (const std::optional<Place> restore = std::exchange(m_placeToRestore, std::nullopt))
        scrollTo(*restore);
    requestVisiblePages();
    viewport()->update();
    emit documentLoaded(pageCount());
}

void PDFViewer::didRender(quint64 generation, int page, const QImage& image)
{
    if (generation != m_generation)
        return;
    m_images.insert(page, image);
    viewport()->update();
    emit pageRendered(page);
}

int PDFViewer::pageWidth() const
{
    return std::max(1, viewport()->width() - 2 * pageSpacing);
}

QList<QRect> PDFViewer::pageRects() const
{
    QList<QRect> rects;
    const int width = pageWidth();
    int top = pageSpacing;
    for (const QSizeF& size : m_pageSizes) {
        const int height = size.width() > 0 ? int(std::lround(width * size.height() / size.width())) : width;
        rects.append(QRect(pageSpacing, top, width, std::max(1, height)));
        top += height + pageSpacing;
    }
    return rects;
}

void PDFViewer::layoutPages()
{
    const QList<QRect> rects = pageRects();
    const int contentHeight = rects.isEmpty() ? 0 : rects.last().bottom() + 1 + pageSpacing;
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setRange(0, std::max(0, contentHeight - viewport()->height()));
}

PDFViewer::Place PDFViewer::place() const
{
    const QList<QRect> rects = pageRects();
    const int top = verticalScrollBar()->value();
    for (int page = 0; page < rects.size(); ++page) {
        // The page under the top edge, or the gap above it.
        if (rects[page].bottom() + pageSpacing >= top)
            return {page, double(top - rects[page].top()) / rects[page].height()};
    }
    return {};
}

void PDFViewer::scrollTo(const Place& place)
{
    const QList<QRect> rects = pageRects();
    if (rects.isEmpty())
        return;
    const int page = std::clamp(place.page, 0, int(rects.size()) - 1);
    const QRect& rect = rects[page];
    verticalScrollBar()->setValue(rect.top() + int(std::lround(place.offset * rect.height())));
}

void PDFViewer::requestVisiblePages()
{
    if (m_loading || m_pageSizes.isEmpty())
        return;
    const QList<QRect> rects = pageRects();
    const qreal ratio = devicePixelRatioF();
    const QRect visible(0, verticalScrollBar()->value(), viewport()->width(), viewport()->height());
    // One screen ahead and behind, so scrolling finds its pages drawn.
    const QRect wanted = visible.adjusted(0, -visible.height(), 0, visible.height());
    for (int page = 0; page < rects.size(); ++page) {
        if (!rects[page].intersects(wanted))
            continue;
        const QSize pixels = (QSizeF(rects[page].size()) * ratio).toSize();
        if (m_requested.value(page) == pixels.width())
            continue;
        m_requested.insert(page, pixels.width());
        const quint64 generation = m_generation;
        QMetaObject::invokeMethod(m_renderer, [renderer = m_renderer, generation, page, pixels] {
            renderer->render(generation, page, pixels);
        });
    }
}

void PDFViewer::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const int offset = verticalScrollBar()->value();
    const QList<QRect> rects = pageRects();
    for (int page = 0; page < rects.size(); ++page) {
        const QRect target = rects[page].translated(0, -offset);
        if (!target.intersects(event->rect()))
            continue;
        // Pages are paper: what the PDF leaves unpainted is white, as in any viewer.
        painter.fillRect(target, Qt::white);
        const QImage image = m_images.value(page);
        if (!image.isNull())
            painter.drawImage(target, image);
    }
}

void PDFViewer::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    layoutPages();
    requestVisiblePages();
}

void PDFViewer::scrollContentsBy(int, int)
{
    requestVisiblePages();
    viewport()->update();
}

} // namespace Sheetwright
