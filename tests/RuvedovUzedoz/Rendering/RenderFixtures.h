#pragma once

#include "RuvedovUzedoz/Layouts/PageLayout.h"
#include "RuvedovUzedoz/Layouts/SavedPageLayout.h"
#include "RuvedovUzedoz/Sheet/ContactSheet.h"

#include <QFuture>
#include <QImage>
#include <QRectF>
#include <array>
#include <functional>
#include <vector>

namespace RenderFixtures {

// Spins the event loop until `done`: a render's main-thread steps need the loop to run.
void spinUntil(const std::function<bool()>& done);
template <class T> void waitFor(const QFuture<T>& future)
{
    spinUntil([&] { return future.isFinished(); });
}

// One page at `dpi` (poppler's pdftoppm): a null image when it cannot be drawn.
QImage rasterize(const QByteArray& pdf, int page = 1, int dpi = 72);
std::array<int, 3> rgb(const QImage& raster, int x, int y);
// The text of the whole document (poppler's pdftotext).
QString extractText(const QByteArray& pdf);
// Each word of the document with its box, in points from the page's top-left corner (pdftotext -bbox).
std::vector<std::pair<QString, QRectF>> words(const QByteArray& pdf);

// The default layout with a plain font that is sure to exist, with `changes` applied.
RuvedovUzedoz::PageLayout layout(const RuvedovUzedoz::SavedPageLayout& changes = {});
RuvedovUzedoz::ContactSheet sheetOf(const QList<QUrl>& images);

} // namespace RenderFixtures
