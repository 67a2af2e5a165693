#include "KestrelExtensions/Coding/FileError.h"
#include "KestrelExtensions/Logging/Log.h"
#include "KestrelExtensions/String/LocalizedStandardOrder.h"
#include "RuvedovUzedoz/Images/Cancellation.h"
#include "RuvedovUzedoz/Layouts/PageLayout.h"
#include "RuvedovUzedoz/Pdf/PdfDocument.h"
#include "RuvedovUzedoz/Rendering/CompressionSettings.h"
#include "RuvedovUzedoz/Rendering/ContactSheetPage.h"
#include "RuvedovUzedoz/Rendering/ImageSupply.h"
#include "RuvedovUzedoz/Rendering/LayoutRefusal.h"
#include "RuvedovUzedoz/Rendering/NumberDescription.h"
#include "RuvedovUzedoz/Rendering/ProgressByDocument.h"
#include "RuvedovUzedoz/Rendering/RenderPool.h"
#include "RuvedovUzedoz/Sheet/ContactSheet.h"
#include "RuvedovUzedoz/Sheet/PDFFile.h"
#include "RuvedovUzedoz/Sheet/RenderFailure.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPromise>
#include <QSaveFile>
#include <QThreadPool>
#include <cerrno>
#include <exception>

using KestrelExtensions::FileError;
using KestrelExtensions::Log;

namespace RuvedovUzedoz {

namespace {

using Result = std::optional<PDFInfo>;

// One line for a render that ended without a PDF: cancelled, or failed with the reason when known.
void logRenderFailure(std::exception_ptr failure) noexcept
{
    try {
        std::rethrow_exception(failure);
    } catch (const RenderCancelled&) {
        Log::system(QStringLiteral("PDF rendering cancelled"));
    } catch (const std::exception& error) {
        Log::system(QStringLiteral("PDF rendering failed: ") + QString::fromUtf8(error.what()));
    } catch (...) {
        Log::system(QStringLiteral("PDF rendering failed"));
    }
}

std::shared_ptr<PdfDocument> buildDocument(const QSet<QUrl>& images, const PDFMetadata& metadata,
                                           const PageLayout& layout,
                                           std::shared_ptr<const Cancellation> cancellation)
{
    Log::system(QStringLiteral("Generating PDF ") + doubleDescription(layout.width) + QStringLiteral(", ") +
                doubleDescription(layout.height));
    const std::vector<QUrl> sorted = KestrelExtensions::orderedImages(images);

    auto document = std::make_shared<PdfDocument>();
    document->setDocumentAttributes({QStringLiteral("Sheetwright"), metadata.title, metadata.author,
                                     metadata.subject, metadata.keywords});

    const qint64 count = qint64(sorted.size());
    const qint64 pages = layout.pagesNeeded(count);
    const qint64 perPage = layout.cellsPerPage().value_or(1);
    std::vector<QList<QUrl>> pageImages;
    std::vector<ImageRequest> requests;
    for (qint64 p = 0; p < pages; ++p) {
        const qint64 start = p * perPage;
        const qint64 end = std::min(start + perPage, count);
        QList<QUrl> run(sorted.begin() + start, sorted.begin() + end);
        for (ImageRequest& request : ContactSheetPage::imageRequests(layout, run))
            requests.push_back(std::move(request));
        pageImages.push_back(std::move(run));
    }
    std::shared_ptr<ImageSupply> supply =
        requests.empty() ? nullptr
                         : std::make_shared<ImageSupply>(std::move(requests), imageSettings(layout),
                                                         std::move(cancellation));

    for (qint64 p = 0; p < pages; ++p) {
        auto page = std::make_shared<ContactSheetPage>(layout, std::move(pageImages[size_t(p)]), supply);
        Log::system(QStringLiteral("Adding page %1 to PDF").arg(p + 1));
        document->insertPage(std::move(page), qsizetype(p));
    }
    return document;
}

Result produce(const PdfDocument& document) noexcept
{
    try {
        std::optional<QByteArray> data = document.dataRepresentation();
        if (!data)
            return std::nullopt;
        PDFInfo info;
        info.size = data->size();
        info.data = std::move(*data);
        info.pageCount = int(document.pageCount());
        return info;
    } catch (...) {
        logRenderFailure(std::current_exception());
    }
    return std::nullopt;
}

// What a render into a file leaves: the PDF, or why it could not be made.
struct FileOutcome {
    Result info;
    std::exception_ptr failure;
};

// Draws `document` into a new file in `folder`. A file that cannot be made or written, or pages that
// cannot be drawn, fail the render with the reason; only a cancelled render ends with no PDF.
FileOutcome produceFile(const PdfDocument& document, const QString& folder) noexcept
{
    const auto failure = [](const QString& reason) {
        return FileOutcome{std::nullopt, std::make_exception_ptr(RenderFailure(reason))};
    };
    try {
        QString why;
        std::shared_ptr<PDFFile> target = PDFFile::create(folder, &why);
        if (!target)
            return failure(why);
        QFile file(target->path());
        // Read and write: the page boxes are fixed by reading the finished file back.
        if (!file.open(QIODevice::ReadWrite | QIODevice::Truncate | QIODevice::Unbuffered))
            return failure(file.errorString());
        if (!document.write(file))
            return failure(QStringLiteral("its pages cannot be drawn"));
        PDFInfo info;
        info.size = file.size();
        info.pageCount = int(document.pageCount());
        info.file = std::move(target);
        return {std::move(info), nullptr};
    } catch (const RenderCancelled&) {
        logRenderFailure(std::current_exception());
        return {};
    } catch (const FileError& error) {
        return failure(error.systemMessage());
    } catch (const std::bad_alloc&) {
        return failure(QStringLiteral("there is not enough memory"));
    } catch (const std::exception& error) {
        return failure(QString::fromUtf8(error.what()));
    } catch (...) {
        return failure(QStringLiteral("an unknown error"));
    }
}

QFuture<Result> readyResult()
{
    return QtFuture::makeReadyFuture(Result());
}

template <class T> QFuture<T> failedFuture(const std::exception_ptr& error)
{
    QPromise<T> promise;
    QFuture<T> future = promise.future();
    promise.start();
    promise.setException(error);
    promise.finish();
    return future;
}

// Draws `document` with `produce` on the render pool while `progress` shows it, and hands the result to
// `done`. Registration and closing touch the progress and the table, so they run on the main thread (the
// application, not a window: the closing must happen even when the window has gone). The closing is
// posted by the drawing thread after the progress of every page it drew, so it reaches the main thread
// after all of them. The result travels by moves alone: no thread keeps a share of it (a file) after
// `done` has it, not even the drawing thread, which may let go of the closing call after it has run.
template <class T, class Produce, class Done>
void tracked(std::shared_ptr<PdfDocument> document, std::shared_ptr<PDFProgress> progress, Produce produce,
             Done done)
{
    QObject* mainThread = QCoreApplication::instance();
    if (!document || !progress || !mainThread) {
        done(T());
        return;
    }
    QMetaObject::invokeMethod(mainThread, [mainThread, document, progress, produce, done] {
        ProgressByDocument::insert(document, progress);
        progress->setRendering(true);
        progress->setCompletedUnitCount(0);
        progress->setTotalUnitCount(float(document->pageCount()));
        renderPool().start([mainThread, document, progress, produce, done]() mutable {
            T result = produce(*document);
            QMetaObject::invokeMethod(
                mainThread,
                [document = std::move(document), progress = std::move(progress), done = std::move(done),
                 result = std::move(result)]() mutable {
                    // Taken out of the call, which this thread may be the last to let go of.
                    const auto closed = std::move(document);
                    const auto shown = std::move(progress);
                    const auto finish = std::move(done);
                    shown->setRendering(false);
                    shown->setCompletedUnitCount(shown->totalUnitCount());
                    ProgressByDocument::remove(closed->id());
                    finish(std::move(result));
                },
                Qt::QueuedConnection);
        });
    });
}

template <class T, class Produce>
QFuture<T> tracked(std::shared_ptr<PdfDocument> document, std::shared_ptr<PDFProgress> progress,
                   Produce produce)
{
    auto promise = std::make_shared<QPromise<T>>();
    QFuture<T> future = promise->future();
    promise->start();
    tracked<T>(std::move(document), std::move(progress), produce, [promise](T result) {
        promise->addResult(std::move(result));
        promise->finish();
    });
    return future;
}

// Writes the PDF of `document` to `path` as it is drawn; a failure to write comes back as the error.
// Written beside the target and renamed over it, so a failed write leaves any earlier file whole.
std::exception_ptr writeDocument(const PdfDocument& document, const QString& path) noexcept
{
    try {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            throw FileError(FileError::Operation::Write, FileError::Code::Other, path, file.errorString());
        const bool written = document.write(file);
        if (file.error() != QFileDevice::NoError)
            throw FileError(FileError::Operation::Write, FileError::Code::Other, path, file.errorString());
        if (!written) {
            file.cancelWriting(); // nothing could be drawn, which was logged: no file, as for an empty sheet
            return nullptr;
        }
        if (!file.commit())
            throw FileError(FileError::Operation::Write, FileError::Code::Other, path, file.errorString());
        return nullptr;
    } catch (...) {
        return std::current_exception();
    }
}

} // namespace

// Starts building the document of the sheet's pages on the render pool and hands it to `next` on the main
// thread (null when it could not be built), or logs why nothing can be rendered and gives false. No
// continuation of Qt's futures is used on this road: each would keep a share of the result (the PDF's
// file) for as long as any thread holds it, and one attached while its future finishes is not safe.
bool ContactSheet::startDocument(const PageLayout& layout, std::shared_ptr<const Cancellation> cancellation,
                                 std::function<void(std::shared_ptr<PdfDocument>)> next) const
{
    if (images.isEmpty()) {
        Log::system(QStringLiteral("No images in PDF, skipping render"));
        return false;
    }
    if (const std::optional<LayoutRefusal> refusal = LayoutRefusal::of(layout)) {
        Log::system(refusal->logLine);
        return false;
    }
    QObject* mainThread = QCoreApplication::instance();
    if (!mainThread) {
        Log::system(QStringLiteral("PDF rendering needs a running application, skipping render"));
        return false;
    }
    renderPool().start(
        [images = images, metadata = metadata, layout, cancellation, next, mainThread]() mutable {
            std::shared_ptr<PdfDocument> document;
            try {
                document = buildDocument(images, metadata, layout, cancellation);
            } catch (...) {
                logRenderFailure(std::current_exception());
            }
            QMetaObject::invokeMethod(
                mainThread,
                [document = std::move(document), next = std::move(next)]() mutable {
                    const auto start = std::move(next);
                    start(std::move(document));
                },
                Qt::QueuedConnection);
        });
    return true;
}

// A future settled by the `done` of a render, which the render calls once at its end.
template <class T> struct Settlement {
    std::shared_ptr<QPromise<T>> promise = std::make_shared<QPromise<T>>();
    QFuture<T> future = promise->future();

    Settlement() { promise->start(); }
};

// Why a document that could not be built (which was logged) makes no PDF.
std::exception_ptr unbuilt()
{
    return std::make_exception_ptr(RenderFailure(QStringLiteral("its pages cannot be laid out")));
}

QFuture<Result> ContactSheet::generatePDF(const PageLayout& layout) const
{
    auto cancellation = std::make_shared<Cancellation>();
    const Settlement<Result> settlement;
    const auto done = [promise = settlement.promise, cancellation](Result info) {
        cancellation->stopFollowing();
        promise->addResult(std::move(info));
        promise->finish();
    };
    // Cancelling the future the caller holds stops the drawing and the decodes under way.
    cancellation->follow(settlement.future);
    if (!startDocument(layout, cancellation,
                       [progress = progress, done](std::shared_ptr<PdfDocument> document) {
                           tracked<Result>(std::move(document), progress, produce, done);
                       }))
        return readyResult();
    return settlement.future;
}

QFuture<Result> ContactSheet::generatePDF(const PageLayout& layout, const QString& folder) const
{
    auto cancellation = std::make_shared<Cancellation>();
    const Settlement<Result> settlement;
    const auto done = [promise = settlement.promise, cancellation](FileOutcome outcome) {
        // The render is over: its file is the caller's alone from here on.
        cancellation->stopFollowing();
        if (outcome.failure)
            promise->setException(outcome.failure);
        else
            promise->addResult(std::move(outcome.info));
        promise->finish();
    };
    cancellation->follow(settlement.future);
    const auto next = [progress = progress, folder, done](std::shared_ptr<PdfDocument> document) {
        if (!document)
            return done(FileOutcome{std::nullopt, unbuilt()});
        tracked<FileOutcome>(
            std::move(document), progress,
            [folder](const PdfDocument& drawn) { return produceFile(drawn, folder); }, done);
    };
    if (!startDocument(layout, cancellation, next))
        return readyResult();
    return settlement.future;
}

QFuture<Result> ContactSheet::render(std::shared_ptr<PdfDocument> document,
                                     std::shared_ptr<PDFProgress> progress)
{
    return tracked<Result>(std::move(document), std::move(progress), produce);
}

QFuture<void> ContactSheet::writePDF(const QString& path, const PageLayout& layout) const
{
    const QString folder = QFileInfo(path).absolutePath();
    errno = 0;
    if (!QDir().mkpath(folder)) {
        const int error = errno != 0 ? errno : EIO;
        return failedFuture<void>(
            std::make_exception_ptr(FileError::fromErrno(FileError::Operation::Write, folder, error)));
    }
    Log::system(QStringLiteral("Writing the PDF to ") + path);
    auto cancellation = std::make_shared<Cancellation>();
    const Settlement<void> settlement;
    const auto done = [promise = settlement.promise, cancellation](std::exception_ptr error) {
        cancellation->stopFollowing();
        if (error)
            promise->setException(error);
        promise->finish();
    };
    cancellation->follow(settlement.future);
    // The PDF goes to the file as it is drawn rather than through memory: a sheet of full-size
    // pictures is as large as the pictures themselves.
    const auto next = [progress = progress, path, done](std::shared_ptr<PdfDocument> document) {
        if (!document)
            return done(unbuilt());
        tracked<std::exception_ptr>(
            std::move(document), progress,
            [path](const PdfDocument& drawn) { return writeDocument(drawn, path); }, done);
    };
    if (!startDocument(layout, cancellation, next))
        return QtFuture::makeReadyFuture();
    return settlement.future;
}

} // namespace RuvedovUzedoz
