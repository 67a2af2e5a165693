#include "RuvedovUzedoz/Rendering/ProgressByDocument.h"

#include "KestrelExtensions/Logging/Log.h"
#include "RuvedovUzedoz/Pdf/PdfDocument.h"
#include "RuvedovUzedoz/Pdf/PdfPage.h"
#include "RuvedovUzedoz/Sheet/PDFProgress.h"

#include <QCoreApplication>
#include <QHash>
#include <QThread>
#include <utility>

namespace RuvedovUzedoz {

namespace {

using Entry = std::pair<std::shared_ptr<PdfDocument>, std::shared_ptr<PDFProgress>>;

QHash<quint64, Entry>& table()
{
    static QHash<quint64, Entry> entries;
    Q_ASSERT(!QCoreApplication::instance() ||
             QThread::currentThread() == QCoreApplication::instance()->thread());
    return entries;
}

} // namespace

void ProgressByDocument::insert(std::shared_ptr<PdfDocument> document, std::shared_ptr<PDFProgress> progress)
{
    if (!document || !progress)
        return;
    const quint64 id = document->id();
    table().insert(id, {std::move(document), std::move(progress)});
}

void ProgressByDocument::remove(quint64 documentId)
{
    // The entry leaves the table before its document is released.
    const Entry entry = table().take(documentId);
    Q_UNUSED(entry);
}

std::shared_ptr<PDFProgress> ProgressByDocument::progress(quint64 documentId)
{
    const auto found = table().constFind(documentId);
    return found == table().cend() ? nullptr : found->second;
}

qsizetype ProgressByDocument::count()
{
    return table().size();
}

ProgressTick ProgressTick::of(const PdfPage& page)
{
    const PdfDocument* document = page.document();
    return {document ? document->id() : 0, page.index(), page.description()};
}

void updateProgress(const PdfPage& page)
{
    updateProgress(ProgressTick::of(page));
}

void updateProgress(const ProgressTick& tick)
{
    if (tick.documentId == 0) {
        KestrelExtensions::Log::system(QStringLiteral("Page ") + tick.pageDescription +
                                       QStringLiteral(" has no associated document"));
        return;
    }
    const std::shared_ptr<PDFProgress> progress = ProgressByDocument::progress(tick.documentId);
    if (!progress)
        return;
    progress->setCompletedUnitCount(float(tick.pageIndex + 1));
}

void postProgress(const PdfPage& page)
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application)
        return;
    QMetaObject::invokeMethod(
        application, [tick = ProgressTick::of(page)] { updateProgress(tick); }, Qt::QueuedConnection);
}

} // namespace RuvedovUzedoz
