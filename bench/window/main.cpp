// sheetwright-window-bench: how long the main thread of a window stalls while it takes a folder of
// large photos and renders them, driven exactly as a user's drop would be (offscreen window, real
// engine, real PDF viewer).
//
//   sheetwright-window-bench [--count N] [--width W] [--height H] PHOTO-FOLDER
//
// Photos missing from PHOTO-FOLDER are made first (noisy JPEGs named photo-0001.jpg ...). A 1 ms
// timer on the main thread measures the gaps between its ticks from the drop until the viewer shows
// the first page of the new PDF. The last line printed is
//   images=N pages=P seconds=S longest_stall_ms=L p99_gap_ms=G ticks=T peak_rss_mb=M
// The goals are a longest stall under 50 ms and, for 200 photos, a peak memory under 500 MB.

#include "Sheetwright/Window/ContentView.h"
#include "Sheetwright/Window/PDFColumn.h"
#include "Sheetwright/Window/PDFViewer.h"
#include "Sheetwright/Window/RenderService.h"
#include "Sheetwright/Window/WindowModel.h"

#include <KestrelExtensions/Defaults/UserDefaults.h>
#include <KestrelExtensions/Logging/Log.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <sys/resource.h>
#include <vector>

using namespace Sheetwright;

namespace {

int fail(const QString& message)
{
    QTextStream(stderr) << "sheetwright-window-bench: " << message << Qt::endl;
    return 1;
}

// Noise compresses badly, so these files are as heavy to decode as real photographs.
bool makePhotos(const QString& folder, int count, int width, int height)
{
    QDir().mkpath(folder);
    QImage tile(256, 256, QImage::Format_RGB32);
    for (int n = 1; n <= count; ++n) {
        const QString path =
            QDir(folder).filePath(QStringLiteral("photo-%1.jpg").arg(n, 4, 10, QLatin1Char('0')));
        if (QFileInfo::exists(path))
            continue;
        auto* random = QRandomGenerator::global();
        for (int y = 0; y < tile.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(tile.scanLine(y));
            for (int x = 0; x < tile.width(); ++x)
                line[x] = random->generate() | 0xff000000u;
        }
        QImage photo(width, height, QImage::Format_RGB32);
        photo.fill(QColor::fromHsv((n * 37) % 360, 160, 200));
        for (int y = 0; y < height; y += 512)
            for (int x = 0; x < width; x += 512)
                for (int ty = 0; ty < 2; ++ty)
                    for (int tx = 0; tx < 2; ++tx) {
                        const QRect target(x + tx * 256, y + ty * 256, 256, 256);
                        for (int row = 0; row < 256 && target.top() + row < height; ++row)
                            std::copy_n(reinterpret_cast<const QRgb*>(tile.constScanLine(row)),
                                        std::min(256, width - target.left()),
                                        reinterpret_cast<QRgb*>(photo.scanLine(target.top() + row)) +
                                            target.left());
                    }
        if (!photo.save(path, "JPEG", 90))
            return false;
        QTextStream(stderr) << "\rmade " << n << "/" << count << Qt::flush;
    }
    QTextStream(stderr) << "\n";
    return true;
}

// The process's peak resident memory so far, in megabytes.
double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    int count = 200;
    int width = 4000;
    int height = 3000;
    QString folder;
    const QStringList arguments = QApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if ((argument == QLatin1String("--count") || argument == QLatin1String("--width") ||
             argument == QLatin1String("--height")) &&
            i + 1 < arguments.size()) {
            const int value = arguments[++i].toInt();
            (argument == QLatin1String("--count")   ? count
             : argument == QLatin1String("--width") ? width
                                                    : height) = value;
        } else {
            folder = argument;
        }
    }
    if (folder.isEmpty() || count < 1 || width < 16 || height < 16)
        return fail(
            QStringLiteral("usage: sheetwright-window-bench [--count N] [--width W] [--height H] FOLDER"));
    if (!makePhotos(folder, count, width, height))
        return fail(QStringLiteral("cannot write photos into ") + folder);

    QTemporaryDir settings;
    KestrelExtensions::UserDefaults defaults(settings.filePath(QStringLiteral("defaults.ini")));
    LayoutManager layouts(settings.filePath(QStringLiteral("Layouts")));
    // Only the figures: the per-page lines would cost the main thread what a terminal costs.
    KestrelExtensions::Log::setSink([](KestrelExtensions::Log::Stream, const QString&) {});
    ContentView window(layouts, RenderService::engine(), defaults);
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.show();
    QApplication::processEvents();

    QList<QUrl> photos;
    for (const QFileInfo& file :
         QDir(folder).entryInfoList({QStringLiteral("photo-*.jpg")}, QDir::Files, QDir::Name)) {
        if (photos.size() < count)
            photos.append(QUrl::fromLocalFile(file.absoluteFilePath()));
    }

    std::vector<double> gaps;
    QElapsedTimer clock;
    qint64 lastTick = 0;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    heartbeat.setInterval(1);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        gaps.push_back(double(now - lastTick) / 1e6);
        lastTick = now;
    });

    bool done = false;
    QObject::connect(&window.model(), &WindowModel::pdfInfoChanged, [&] {
        if (qEnvironmentVariableIsSet("SHEETWRIGHT_BENCH_DETAIL"))
            QTextStream(stderr) << "stored_at_s=" << clock.nsecsElapsed() / 1e9 << "\n";
    });
    // Done when the viewer shows the first page of the new PDF.
    PDFViewer* viewer = window.pdfColumn()->viewer();
    QObject::connect(viewer, &PDFViewer::pageRendered, [&](int page) {
        if (page == 0 && window.model().pdfInfo())
            done = true;
    });
    clock.start();
    heartbeat.start();
    // A drop: the whole list in one addition, as the drop handler makes it.
    QTimer::singleShot(0, [&] {
        QElapsedTimer intake;
        intake.start();
        window.model().addDroppedURLs(photos);
        if (qEnvironmentVariableIsSet("SHEETWRIGHT_BENCH_DETAIL"))
            QTextStream(stderr) << "intake_ms=" << intake.nsecsElapsed() / 1e6 << "\n";
    });
    if (qEnvironmentVariableIsSet("SHEETWRIGHT_BENCH_DETAIL")) {
        QObject::connect(&heartbeat, &QTimer::timeout, [&] {
            if (gaps.back() > 20)
                QTextStream(stderr) << "stall_ms=" << gaps.back() << " at_s=" << clock.nsecsElapsed() / 1e9
                                    << "\n";
        });
    }
    while (!done)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QApplication::processEvents();
    heartbeat.stop();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;

    if (gaps.empty() || !window.model().pdfInfo())
        return fail(QStringLiteral("the render produced no PDF"));
    std::vector<double> sorted = gaps;
    std::sort(sorted.begin(), sorted.end());
    const double longest = sorted.back();
    const double p99 = sorted[std::min(sorted.size() - 1, size_t(double(sorted.size()) * 0.99))];
    QTextStream(stdout) << "images=" << window.model().images().size()
                        << " pages=" << window.model().pdfInfo()->pageCount
                        << " seconds=" << QString::number(seconds, 'f', 2)
                        << " longest_stall_ms=" << QString::number(longest, 'f', 1)
                        << " p99_gap_ms=" << QString::number(p99, 'f', 1) << " ticks=" << gaps.size()
                        << " peak_rss_mb=" << QString::number(peakMegabytes(), 'f', 1) << Qt::endl;
    return 0;
}
