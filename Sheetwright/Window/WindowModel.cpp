#include "WindowModel.h"

#include "RuvedovUzedoz/Layouts/SavedPageLayout.h"
#include "RuvedovUzedoz/Sheet/RenderFailure.h"

#include <KestrelExtensions/Coding/LocalizedError.h>
#include <KestrelExtensions/Logging/Log.h>
#include <QFutureWatcher>
#include <QTimer>
#include <algorithm>
#include <exception>

namespace Sheetwright {

using KestrelExtensions::Log;
using RuvedovUzedoz::PDFProgress;

const QString WindowModel::imageChangeReason = QStringLiteral("Rendering PDF due to image change");
const QString WindowModel::renderCommandReason = QStringLiteral("Rendering PDF due to render command");
const QString WindowModel::exportCommandReason = QStringLiteral("Rendering PDF due to export command");

namespace {
const QString defaultLayoutNameKey = QStringLiteral("DefaultLayoutName");
const QString defaultTitleKey = QStringLiteral("DefaultTitle");
const QString defaultAuthorKey = QStringLiteral("DefaultAuthor");
const QString defaultSubjectKey = QStringLiteral("DefaultSubject");
} // namespace

WindowModel::WindowModel(LayoutManager& layoutManager, RenderService& renderService, QObject* parent)
    : QObject(parent), m_layoutManager(layoutManager), m_renderService(renderService),
      m_sheet(PDFMetadata{}, {}), m_layout(PageLayout::defaultLayout())
{
    setProgress(m_sheet.progress);

    m_layout.onChange(this, [this](const PageLayout& old, const PageLayout& now) {
        ++m_changeSerial;
        ++m_inputSerial;
        setNeedsRender(true);
        m_handler.registerUndo(old, now);
        emit layoutChanged();
    });
    m_metadata.onChange(this, [this](const PDFMetadata&, const PDFMetadata&) {
        ++m_changeSerial;
        ++m_inputSerial;
        setNeedsRender(true);
        emit metadataChanged();
    });
    m_images.onChange(this, [this](const QSet<QUrl>&, const QSet<QUrl>&) {
        ++m_inputSerial;
        emit imagesChanged();
        renderPDF(imageChangeReason);
    });
}

WindowModel::~WindowModel()
{
    // Nobody will see the render's result: stop its drawing and decoding now.
    if (m_renderRunning)
        m_runningRender.cancel();
    disconnect(m_progressConnection);
}

RuvedovUzedoz::ContactSheet WindowModel::contactSheet() const
{
    ContactSheet sheet = m_sheet;
    sheet.images = m_images.get();
    sheet.metadata = m_metadata.get();
    return sheet;
}

void WindowModel::mutateSheet(const std::function<void(ContactSheet&)>& edit)
{
    ContactSheet sheet = contactSheet();
    edit(sheet);
    if (sheet.progress != m_sheet.progress)
        setProgress(sheet.progress);
    m_metadata.set(sheet.metadata);
    m_images.set(sheet.images);
}

KestrelExtensions::Binding<RuvedovUzedoz::PageLayout> WindowModel::layoutBinding()
{
    return KestrelExtensions::Binding<PageLayout>::of(m_layout);
}

KestrelExtensions::Binding<RuvedovUzedoz::PDFMetadata> WindowModel::metadataBinding()
{
    return KestrelExtensions::Binding<PDFMetadata>::of(m_metadata);
}

bool WindowModel::isRendering() const
{
    return m_renderRunning || !m_pendingRenders.empty() || progress().isRendering();
}

void WindowModel::setPresentImporter(bool present)
{
    if (std::exchange(m_presentImporter, present) != present)
        emit presentImporterChanged(present);
}

void WindowModel::setPresentExporter(bool present)
{
    if (std::exchange(m_presentExporter, present) != present)
        emit presentExporterChanged(present);
}

void WindowModel::setPresentSaveLayout(bool present)
{
    if (std::exchange(m_presentSaveLayout, present) != present)
        emit presentSaveLayoutChanged(present);
}

void WindowModel::setPresentAlert(bool present)
{
    if (std::exchange(m_presentAlert, present) != present)
        emit presentAlertChanged(present);
}

void WindowModel::setNeedsRender(bool needsRender)
{
    if (std::exchange(m_needsRender, needsRender) != needsRender)
        emit needsRenderChanged(needsRender);
}

void WindowModel::setProgress(std::shared_ptr<PDFProgress> progress)
{
    disconnect(m_progressConnection);
    m_sheet.progress = std::move(progress);
    m_progressConnection = connect(m_sheet.progress.get(), &PDFProgress::changed, this, [this] {
        emit progressChanged();
        emit renderingChanged();
    });
    emit progressChanged();
    emit renderingChanged();
}

void WindowModel::applyStartupDefaults(const KestrelExtensions::UserDefaults& defaults)
{
    setProgress(PDFProgress::create());
    // Bound first, so that the defaults are ordinary, undoable changes like any other.
    m_handler.setBinding(layoutBinding());
    m_handler.setUndoManager(&m_undoStack);
    if (const auto name = defaults.string(defaultLayoutNameKey)) {
        if (const auto saved = m_layoutManager.layout(LayoutManager::TitleKey(*name)))
            mutateLayout([&](PageLayout& layout) { layout.apply(*saved); });
    }
    if (const auto title = defaults.string(defaultTitleKey))
        m_metadata.modify([&](PDFMetadata& metadata) { metadata.title = *title; });
    if (const auto author = defaults.string(defaultAuthorKey))
        m_metadata.modify([&](PDFMetadata& metadata) { metadata.author = *author; });
    if (const auto subject = defaults.string(defaultSubjectKey))
        m_metadata.modify([&](PDFMetadata& metadata) { metadata.subject = *subject; });
}

void WindowModel::renderPDF(const QString& reason, bool thenExport)
{
    // A render that has not started yet reads the newest inputs anyway: it serves this request too,
    // and opens the exporter when this one would have.
    for (RenderRequest& pending : m_pendingRenders) {
        if (!pending.exportOnly) {
            pending.thenExport = pending.thenExport || thenExport;
            return;
        }
    }
    if (m_renderRunning && m_runningInputSerial == m_inputSerial) {
        // The render under way draws the current images and layout: its result serves this request.
        m_runningRequest.thenExport = m_runningRequest.thenExport || thenExport;
        return;
    }
    const bool wasRendering = isRendering();
    m_pendingRenders.push_back({reason, thenExport, false});
    if (m_renderRunning) {
        // The render under way draws inputs that are already out of date: this one replaces it, and
        // opens the exporter that it, or an export waiting on it, would have opened.
        RenderRequest& replacement = m_pendingRenders.back();
        replacement.thenExport = replacement.thenExport || m_runningRequest.thenExport ||
                                 std::any_of(m_pendingRenders.begin(), m_pendingRenders.end(),
                                             [](const RenderRequest& request) { return request.exportOnly; });
        m_runningRender.cancel();
    }
    if (!wasRendering)
        emit renderingChanged();
    // The caller returns first; the render reads the sheet and layout when it starts.
    if (!m_startScheduled) {
        m_startScheduled = true;
        QTimer::singleShot(0, this, [this] {
            m_startScheduled = false;
            startNextRender();
        });
    }
}

void WindowModel::exportPDF()
{
    if (m_needsRender) {
        renderPDF(exportCommandReason, true);
        return;
    }
    if (m_renderRunning || !m_pendingRenders.empty()) {
        // Opens on the result of the renders already asked for, not on the PDF they replace.
        m_pendingRenders.push_back({QString(), false, true});
        return;
    }
    openExporterIfPossible();
}

void WindowModel::openExporterIfPossible()
{
    if (m_pdfInfo)
        setPresentExporter(true);
}

void WindowModel::startNextRender()
{
    while (!m_renderRunning && !m_pendingRenders.empty()) {
        const RenderRequest request = m_pendingRenders.front();
        m_pendingRenders.pop_front();
        if (request.exportOnly) {
            openExporterIfPossible();
            continue;
        }
        m_renderRunning = true;
        Log::system(request.reason);
        const quint64 serial = m_changeSerial;
        m_runningInputSerial = m_inputSerial;
        auto* watcher = new QFutureWatcher<std::optional<PDFInfo>>(this);
        connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, serial] {
            std::optional<PDFInfo> result;
            bool failed = false;
            std::optional<QString> failure;
            try {
                auto future = watcher->future();
                // Rethrows what the render threw; a future holding an exception also reads as cancelled.
                future.waitForFinished();
                failed = future.isCanceled();
                if (!failed && future.resultCount() > 0)
                    result = future.result();
            } catch (const RuvedovUzedoz::RenderFailure& error) {
                Log::system(QString::fromUtf8(error.what()));
                failed = true;
                failure = error.reason();
            } catch (const std::exception& error) {
                Log::system(QString::fromUtf8(error.what()));
                failed = true;
                failure = QString::fromUtf8(error.what());
            } catch (...) {
                Log::system(QStringLiteral("The PDF could not be rendered"));
                failed = true;
                failure = QString();
            }
            watcher->deleteLater();
            // As it stands now: a later request it serves may have asked it to open the exporter.
            const RenderRequest finished = m_runningRequest;
            finishRender(finished, std::move(result), serial, failed, std::move(failure));
        });
        m_runningRequest = request;
        m_runningRender = m_renderService.generatePDF(contactSheet(), m_layout.get());
        watcher->setFuture(m_runningRender);
    }
    if (!isRendering())
        emit renderingChanged();
}

void WindowModel::setRenderFailure(std::optional<QString> failure)
{
    if (m_renderFailure == failure)
        return;
    m_renderFailure = std::move(failure);
    emit renderFailureChanged();
}

void WindowModel::finishRender(const RenderRequest& request, std::optional<PDFInfo> result, quint64 serial,
                               bool failed, std::optional<QString> failure)
{
    // A render replaced by a newer one says nothing about the sheet; one that failed or ended does.
    if (failure || !failed)
        setRenderFailure(std::move(failure));
    if (failed) {
        // The last good PDF stays on show, marked out of date, so that rendering again is offered
        // and nothing exports it as the current one.
        setNeedsRender(true);
        m_renderRunning = false;
        // Exports waiting on this render's result have none to open.
        while (!m_pendingRenders.empty() && m_pendingRenders.front().exportOnly)
            m_pendingRenders.pop_front();
    } else {
        m_pdfInfo = std::move(result);
        emit pdfInfoChanged();
        if (serial == m_changeSerial)
            setNeedsRender(false);
        m_renderRunning = false;
        if (request.thenExport)
            openExporterIfPossible();
    }
    emit renderingChanged();
    startNextRender();
}

void WindowModel::handleCommand(const MenuCommands::Commands& command)
{
    using Kind = MenuCommands::Commands::Kind;
    switch (command.kind) {
    case Kind::deleteLayout:
        m_currentAlert = command.name;
        setPresentAlert(true);
        break;
    case Kind::setLayout:
        if (const auto saved = m_layoutManager.layout(command.name))
            mutateLayout([&](PageLayout& layout) { layout.apply(*saved); });
        break;
    case Kind::presentImporter:
        setPresentImporter(true);
        break;
    case Kind::presentExporter:
        exportPDF();
        break;
    case Kind::saveLayout:
        setPresentSaveLayout(true);
        break;
    case Kind::rotatePage:
        mutateLayout([](PageLayout& layout) { layout.swapDimensions(); });
        break;
    }
}

std::optional<QString> WindowModel::confirmDeleteLayout()
{
    if (!m_currentAlert)
        return std::nullopt;
    try {
        m_layoutManager.deleteLayout(*m_currentAlert);
    } catch (const KestrelExtensions::LocalizedError& error) {
        return error.errorDescription();
    }
    return std::nullopt;
}

void WindowModel::addDroppedURLs(const QList<QUrl>& urls)
{
    const QSet<QUrl> unique(urls.cbegin(), urls.cend());
    Log::system(QStringLiteral("Adding %1 new URLs to contact sheet").arg(unique.size()));
    mutateSheet([&](ContactSheet& sheet) { sheet.addContentsOf(unique); });
}

void WindowModel::openURL(const QUrl& url)
{
    mutateSheet([&](ContactSheet& sheet) { sheet.add({url}); });
}

} // namespace Sheetwright
