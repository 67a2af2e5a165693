#include "ContentView.h"

#include "ImageChooserDialog.h"
#include "PDFColumn.h"
#include "PDFProgressView.h"
#include "Sheetwright/Editors/FailureReport.h"
#include "Sheetwright/Editors/LayoutSettings.h"
#include "Sheetwright/Editors/SaveLayout.h"
#include "Sheetwright/Extensions/PDFInfoWriter.h"
#include "Sheetwright/Icons/ThemeIcon.h"
#include "Sheetwright/Undo/UndoShortcutFilter.h"
#include "SidebarColumn.h"
#include "WindowModel.h"

#include <KestrelExtensions/Defaults/UserDefaults.h>
#include <KestrelExtensions/Localization/Localized.h>
#include <KestrelExtensions/Logging/Log.h>
#include <KeyWindow/Observation/WindowObserver.h>
#include <KeyWindow/Publishing/KeyWindowPublisher.h>
#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtConcurrent>
#include <algorithm>

namespace Sheetwright {

using KestrelExtensions::localized;
using KestrelExtensions::Log;

ContentView::ContentView(LayoutManager& layoutManager, RenderService& renderService,
                         KestrelExtensions::UserDefaults& defaults, QWidget* parent)
    : QMainWindow(parent), m_layoutManager(layoutManager), m_defaults(defaults),
      m_model(new WindowModel(layoutManager, renderService, this)), m_commands(new MenuCommands(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    UndoShortcutFilter::installOnce();
    setWindowTitle(QStringLiteral("Sheetwright"));
    // The usual size, but within the screen's free area, so that the counts and the settings column are
    // not left off a small or scaled screen; a tenth is left for the window frame and the panels.
    QSize initial(1100, 720);
    if (const QScreen* screen = this->screen())
        initial = initial.boundedTo(screen->availableGeometry().size() * 0.9);
    resize(initial);

    auto* outer = new QSplitter(Qt::Horizontal, this);
    outer->setChildrenCollapsible(false);
    m_sidebar = new SidebarColumn(*m_model, outer);
    auto* detail = m_detail = new QSplitter(Qt::Horizontal, outer);
    detail->setChildrenCollapsible(false);
    m_pdfColumn = new PDFColumn(*m_model, detail);
    m_settingsColumn = new QWidget(detail);
    m_settingsLayout = new QVBoxLayout(m_settingsColumn);
    m_settingsLayout->setContentsMargins(0, 0, 0, 0);
    m_progressView = new PDFProgressView(*m_model, m_settingsColumn);
    m_progressView->setContentsMargins(11, 11, 11, 11);
    m_settingsLayout->addStretch();
    m_settingsLayout->addWidget(m_progressView);
    detail->setStretchFactor(0, 1);
    detail->setStretchFactor(1, 0);
    outer->setStretchFactor(0, 0);
    outer->setStretchFactor(1, 1);
    outer->setSizes({220, 880});
    setCentralWidget(outer);
    buildToolbar();

    // The menus reach this window's channel while it is key.
    KeyWindow::observeWindow(this);
    KeyWindow::keyWindow(this, m_commands);
    connect(m_commands, &MenuCommands::commandChanged, this, &ContentView::handleCommand);

    connect(m_model, &WindowModel::presentImporterChanged, this, [this](bool present) {
        if (present)
            presentImporter();
    });
    connect(m_model, &WindowModel::presentExporterChanged, this, [this](bool present) {
        if (present)
            presentExporter();
    });
    connect(m_model, &WindowModel::presentAlertChanged, this, [this](bool present) {
        if (present)
            presentAlert();
    });
    connect(m_model, &WindowModel::presentSaveLayoutChanged, this, [this](bool present) {
        if (present)
            presentSaveLayout();
    });
}

ContentView::~ContentView() = default;

void ContentView::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_appeared)
        return;
    // Once per window: showing it again must not overwrite what the user has edited since.
    m_appeared = true;
    m_model->applyStartupDefaults(m_defaults);
    // Made now, so the column observes the progress object the window keeps from here on.
    auto* settings =
        new LayoutSettings(m_model->layoutBinding(), m_model->metadataBinding(), &m_model->progress(),
                           &m_layoutManager, {}, &m_defaults, m_settingsColumn);
    m_settingsLayout->insertWidget(0, settings, 1);
    const int settingsWidth = std::max(320, settings->sizeHint().width());
    m_detail->setSizes({std::max(300, m_detail->width() - settingsWidth), settingsWidth});
}

void ContentView::buildToolbar()
{
    auto* toolbar = addToolBar(localized("Toolbar"));
    toolbar->setObjectName(QStringLiteral("mainToolbar"));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->toggleViewAction()->setVisible(false);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    m_toggleSidebar =
        toolbar->addAction(themeIcon(QStringLiteral("sidebar-show")), localized("Toggle Sidebar"));
    m_toggleSidebar->setToolTip(localized("Toggle Sidebar"));
    if (auto* button = qobject_cast<QToolButton*>(toolbar->widgetForAction(m_toggleSidebar)))
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    connect(m_toggleSidebar, &QAction::triggered, this, &ContentView::toggleSidebar);

    auto* spacer = new QWidget(toolbar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolbar->addWidget(spacer);

    m_render = toolbar->addAction(themeIcon(QStringLiteral("view-refresh")), localized("Render"));
    m_render->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    connect(m_render, &QAction::triggered, this,
            [this] { m_model->renderPDF(WindowModel::renderCommandReason); });
    m_export = toolbar->addAction(themeIcon(QStringLiteral("document-save")), localized("Export PDF"));
    m_export->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(m_export, &QAction::triggered, this, [this] { m_model->exportPDF(); });
    // Shortcuts keep working while the toolbar is hidden.
    addAction(m_render);
    addAction(m_export);

    connect(m_model, &WindowModel::needsRenderChanged, this, &ContentView::refreshToolbar);
    connect(m_model, &WindowModel::imagesChanged, this, &ContentView::refreshToolbar);
    connect(m_model, &WindowModel::pdfInfoChanged, this, &ContentView::refreshToolbar);
    connect(m_model, &WindowModel::renderingChanged, this, &ContentView::refreshToolbar);
    refreshToolbar();
}

void ContentView::refreshToolbar()
{
    const bool rendering = m_model->isRendering();
    m_render->setEnabled(m_model->needsRender() && !m_model->images().isEmpty() && !rendering);
    m_export->setEnabled(m_model->pdfInfo().has_value() && !rendering);
}

void ContentView::toggleSidebar()
{
    m_sidebar->setVisible(!m_sidebar->isVisible());
}

void ContentView::handleCommand(const MenuCommands::Commands& command)
{
    if (!KeyWindow::isKeyWindow(this))
        return;
    m_model->handleCommand(command);
}

void ContentView::openURL(const QUrl& url)
{
    m_model->openURL(url);
}

void ContentView::presentImporter()
{
    if (m_importer) {
        m_importer->raise();
        return;
    }
    m_importer = new ImageChooserDialog(this, &m_defaults);
    m_importer->setAttribute(Qt::WA_DeleteOnClose);
    m_importer->setWindowModality(Qt::WindowModal);
    connect(m_importer, &ImageChooserDialog::urlsSelected, this, [this](const QList<QUrl>& urls) {
        m_model->mutateSheet([&](RuvedovUzedoz::ContactSheet& sheet) { sheet.addContentsOf(urls); });
    });
    connect(m_importer, &QDialog::finished, this, [this] { m_model->setPresentImporter(false); });
    m_importer->open();
}

void ContentView::presentExporter()
{
    const auto pdf = m_model->pdfInfo();
    if (!pdf || m_exporter) {
        m_model->setPresentExporter(false);
        return;
    }
    m_exporter = new QFileDialog(this, localized("Export PDF"));
    m_exporter->setAttribute(Qt::WA_DeleteOnClose);
    m_exporter->setOption(QFileDialog::DontUseNativeDialog);
    m_exporter->setAcceptMode(QFileDialog::AcceptSave);
    m_exporter->setFileMode(QFileDialog::AnyFile);
    m_exporter->setNameFilter(localized("PDF (*.pdf)"));
    m_exporter->setDefaultSuffix(QStringLiteral("pdf"));
    QString title = m_model->metadata().title;
    if (!title.isEmpty()) {
        // A slash cannot stand in a file name; the title itself is left as it is.
        title.replace(QLatin1Char('/'), QLatin1Char('-'));
        if (!title.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
            title += QStringLiteral(".pdf");
        m_exporter->selectFile(title);
    }
    // What the user saw when the dialog opened is what gets written. Written off the window's thread:
    // a large sheet or a slow disk must not hold the window still. The write owns its copies, so a
    // window closed meanwhile loses nothing.
    connect(m_exporter, &QFileDialog::fileSelected, this, [this, pdf](const QString& path) {
        auto* watcher = new QFutureWatcher<std::optional<QString>>(this);
        connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, path] {
            watcher->deleteLater();
            if (const std::optional<QString> error = watcher->result()) {
                reportFailure(this, {localized("The PDF could not be exported."), path, *error});
                return;
            }
            exportDidComplete(path);
        });
        watcher->setFuture(QtConcurrent::run([pdf = *pdf, path] { return writePDFInfo(pdf, path); }));
    });
    connect(m_exporter, &QDialog::finished, this, [this] { m_model->setPresentExporter(false); });
    m_exporter->open();
}

void ContentView::exportDidComplete(const QString& path)
{
    Log::out(QStringLiteral("Exporting PDF to ") + QFileInfo(path).absoluteFilePath());
}

void ContentView::presentAlert()
{
    const auto name = m_model->currentAlert();
    if (!name || m_alert) {
        m_model->setPresentAlert(false);
        return;
    }
    m_alert = new QMessageBox(this);
    m_alert->setAttribute(Qt::WA_DeleteOnClose);
    m_alert->setWindowModality(Qt::WindowModal);
    // A layout name is shown as typed, never as markup.
    m_alert->setTextFormat(Qt::PlainText);
    m_alert->setText(localized("Do you want to delete the saved layout '%1'?").arg(name->name()));
    QPushButton* cancel = m_alert->addButton(localized("Cancel"), QMessageBox::RejectRole);
    QPushButton* remove = m_alert->addButton(localized("Delete"), QMessageBox::DestructiveRole);
    m_alert->setDefaultButton(cancel);
    m_alert->setEscapeButton(cancel);
    connect(remove, &QPushButton::clicked, this, [this, name = *name] {
        if (const std::optional<QString> error = m_model->confirmDeleteLayout())
            reportFailure(this,
                          {localized("The layout \u201C%1\u201D could not be deleted.").arg(name.name()),
                           m_layoutManager.filePath(name), *error});
    });
    connect(m_alert, &QDialog::finished, this, [this] { m_model->setPresentAlert(false); });
    m_alert->open();
}

void ContentView::presentSaveLayout()
{
    if (m_saveLayout) {
        m_saveLayout->raise();
        return;
    }
    // A snapshot: later edits of the window's layout do not change what the sheet saves.
    m_saveLayout = new SaveLayout(m_model->layout(), localized("New Layout"),
                                  RuvedovUzedoz::SavedPageLayout::Options{}, &m_layoutManager, this);
    m_saveLayout->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_saveLayout, &QDialog::finished, this, [this] { m_model->setPresentSaveLayout(false); });
    m_saveLayout->open();
}

} // namespace Sheetwright
