#pragma once

#include "RenderService.h"
#include "Sheetwright/Commands/MenuCommands.h"
#include "Sheetwright/Layouts/LayoutManager.h"
#include "Sheetwright/Undo/UndoHandler.h"

#include <KestrelExtensions/Defaults/UserDefaults.h>
#include <KestrelExtensions/Observation/Binding.h>
#include <KestrelExtensions/Observation/Observable.h>
#include <QObject>
#include <QSet>
#include <QUndoStack>
#include <QUrl>
#include <deque>
#include <functional>
#include <optional>

namespace Sheetwright {

// Everything one main window holds, without its widgets: the contact sheet (metadata, images,
// progress), the page layout, the last rendered PDF, the out-of-date flag and the presentation flags.
// Each setter announces only a real change. Renders run one at a time, in order. Main thread only.
class WindowModel : public QObject {
    Q_OBJECT
public:
    using PDFInfo = RuvedovUzedoz::PDFInfo;
    using PageLayout = RuvedovUzedoz::PageLayout;
    using PDFMetadata = RuvedovUzedoz::PDFMetadata;
    using ContactSheet = RuvedovUzedoz::ContactSheet;

    // Why a render runs; the text is its log line.
    static const QString imageChangeReason;
    static const QString renderCommandReason;
    static const QString exportCommandReason;

    explicit WindowModel(LayoutManager& layoutManager = LayoutManager::shared(),
                         RenderService& renderService = RenderService::engine(), QObject* parent = nullptr);
    ~WindowModel() override;

    // The sheet as a value: its metadata, images and the progress object renders report to.
    ContactSheet contactSheet() const;
    // Changes the sheet through `edit` on a copy, written back once.
    void mutateSheet(const std::function<void(ContactSheet&)>& edit);
    const QSet<QUrl>& images() const { return m_images.get(); }
    const PDFMetadata& metadata() const { return m_metadata.get(); }
    RuvedovUzedoz::PDFProgress& progress() const { return *m_sheet.progress; }

    const PageLayout& layout() const { return m_layout.get(); }
    void setLayout(const PageLayout& layout) { m_layout.set(layout); }
    void mutateLayout(const std::function<void(PageLayout&)>& edit) { m_layout.modify(edit); }
    KestrelExtensions::Binding<PageLayout> layoutBinding();
    KestrelExtensions::Binding<PDFMetadata> metadataBinding();

    const std::optional<PDFInfo>& pdfInfo() const { return m_pdfInfo; }
    // Why the last render that ended could not make its PDF (the system's wording where there is one);
    // nullopt once a render ends with a PDF or with nothing to draw.
    const std::optional<QString>& renderFailure() const { return m_renderFailure; }
    bool needsRender() const { return m_needsRender; }
    // A render runs or waits to run.
    bool isRendering() const;

    QUndoStack& undoStack() { return m_undoStack; }
    UndoHandler<PageLayout>& handler() { return m_handler; }
    LayoutManager& layoutManager() const { return m_layoutManager; }

    bool presentImporter() const { return m_presentImporter; }
    void setPresentImporter(bool present);
    bool presentExporter() const { return m_presentExporter; }
    void setPresentExporter(bool present);
    bool presentSaveLayout() const { return m_presentSaveLayout; }
    void setPresentSaveLayout(bool present);
    // The custom layout the delete confirmation asks about, and whether it is shown.
    const std::optional<LayoutManager::TitleKey>& currentAlert() const { return m_currentAlert; }
    bool presentAlert() const { return m_presentAlert; }
    void setPresentAlert(bool present);

    // Once per window, when it is first shown: a fresh progress object, the default layout by name and
    // the default title, author and subject, each only when its key is stored.
    void applyStartupDefaults(const KestrelExtensions::UserDefaults& defaults);

    // Queues a render with `reason`; it reads the sheet and layout when it starts. A render asked for
    // while another waits is merged into the waiting one, and one asked for while a render of the
    // current inputs runs is served by that render; an export render then opens the exporter.
    void renderPDF(const QString& reason, bool thenExport = false);
    // Renders first when out of date; opens the exporter once the PDF is current and the renders before
    // it have finished. Without a PDF there is nothing to export and nothing opens.
    void exportPDF();

    // A window's command, acted on by the window only while it is key.
    void handleCommand(const MenuCommands::Commands& command);
    // Deletes the layout the confirmation asked about. A failure leaves it listed and gives the reason,
    // for the window to report.
    std::optional<QString> confirmDeleteLayout();

    // Image intake: one addition for a whole drop (logged), and one per open request.
    void addDroppedURLs(const QList<QUrl>& urls);
    void openURL(const QUrl& url);

signals:
    void imagesChanged();
    void metadataChanged();
    void layoutChanged();
    // Every stored render result, also an equal one or none.
    void pdfInfoChanged();
    void needsRenderChanged(bool needsRender);
    void renderFailureChanged();
    void renderingChanged();
    // The progress object was replaced or reported a change.
    void progressChanged();
    void presentImporterChanged(bool present);
    void presentExporterChanged(bool present);
    void presentSaveLayoutChanged(bool present);
    void presentAlertChanged(bool present);

private:
    struct RenderRequest {
        QString reason;
        bool thenExport = false;
        // Only opens the exporter, after the renders queued before it.
        bool exportOnly = false;
    };

    void setNeedsRender(bool needsRender);
    void setProgress(std::shared_ptr<RuvedovUzedoz::PDFProgress> progress);
    void startNextRender();
    // `failed`: the render threw or was cancelled, which is no result at all; `failure` says why it
    // threw.
    void finishRender(const RenderRequest& request, std::optional<PDFInfo> result, quint64 serial,
                      bool failed, std::optional<QString> failure);
    void setRenderFailure(std::optional<QString> failure);
    void openExporterIfPossible();

    LayoutManager& m_layoutManager;
    RenderService& m_renderService;
    // Holds the progress object; images and metadata live in the observables below.
    ContactSheet m_sheet;
    KestrelExtensions::Observable<QSet<QUrl>> m_images;
    KestrelExtensions::Observable<PDFMetadata> m_metadata;
    KestrelExtensions::Observable<PageLayout> m_layout;
    std::optional<PDFInfo> m_pdfInfo;
    std::optional<QString> m_renderFailure;
    bool m_needsRender = true;
    bool m_presentImporter = false;
    bool m_presentExporter = false;
    bool m_presentSaveLayout = false;
    std::optional<LayoutManager::TitleKey> m_currentAlert;
    bool m_presentAlert = false;
    QUndoStack m_undoStack;
    UndoHandler<PageLayout> m_handler;
    QMetaObject::Connection m_progressConnection;

    // Layout and metadata changes count up; a render clears the out-of-date flag only when nothing
    // changed after it read its inputs.
    quint64 m_changeSerial = 0;
    // Changes of the images, layout or metadata count up; a render whose inputs are still current is
    // waited for, not replaced.
    quint64 m_inputSerial = 0;
    quint64 m_runningInputSerial = 0;
    std::deque<RenderRequest> m_pendingRenders;
    bool m_renderRunning = false;
    // The render under way, cancelled when a newer render replaces it or the window goes.
    QFuture<std::optional<PDFInfo>> m_runningRender;
    RenderRequest m_runningRequest;
    bool m_startScheduled = false;
};

} // namespace Sheetwright
