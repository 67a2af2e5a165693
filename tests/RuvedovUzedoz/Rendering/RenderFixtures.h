#pragma once

#include "RuvedovUzedoz/Layouts/PageLayout.h"
#include "RuvedovUzedoz/Sheet/PDFInfo.h"

#include <QByteArray>
#include <QFuture>
#include <array>
#include <functional>
#include <optional>

namespace RenderFixtures {

// Spins the event loop until `future` is finished: its main-thread steps need the loop to run.
template <class T> void waitFor(const QFuture<T>& future);
void spinUntil(const std::function<bool()>& done);

template <class T> void waitFor(const QFuture<T>& future)
{
    spinUntil([&] { return future.isFinished(); });
}

// A raster of one page at `dpi` (poppler's pdftoppm), as RGB rows top to bottom.
struct Raster {
    int width = 0;
    int height = 0;
    QByteArray rgb;
    std::array<int, 3> pixel(int x, int y) const;
};
std::optional<Raster> rasterize(const QByteArray& pdf, int page = 1, int dpi = 72);

// The text of the whole document (poppler's pdftotext).
QString extractText(const QByteArray& pdf);

// The default layout with a plain font that is sure to exist.
RuvedovUzedoz::PageLayout layout();

} // namespace RenderFixtures
