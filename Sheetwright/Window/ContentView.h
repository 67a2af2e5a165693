#pragma once

#include "ImageChooserDialog.h"
#include "Sheetwright/Commands/MenuCommands.h"

#include <QFileDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <optional>

class QAction;
class QSplitter;
class QVBoxLayout;

namespace KestrelExtensions {
class UserDefaults;
}

namespace Sheetwright {

class LayoutManager;
class PDFColumn;
class PDFProgressView;
class RenderService;
class SidebarColumn;
class WindowModel;

// A main window: the image sidebar, the PDF column and the settings column, with its toolbar, its own
// command channel (acted on only while the window is key), the image chooser, the PDF exporter, the
// delete confirmation and the Save Layout sheet.
class ContentView : public QMainWindow {
    Q_OBJECT
public:
    ContentView(LayoutManager& layoutManager, RenderService& renderService,
                KestrelExtensions::UserDefaults& defaults, QWidget* parent = nullptr);
    ~ContentView() override;

    WindowModel& model() const { return *m_model; }
    MenuCommands& commands() const { return *m_commands; }
    SidebarColumn* sidebar() const { return m_sidebar; }
    PDFColumn* pdfColumn() const { return m_pdfColumn; }
    PDFProgressView* progressView() const { return m_progressView; }
    QWidget* settingsColumn() const { return m_settingsColumn; }
    QAction* toggleSidebarAction() const { return m_toggleSidebar; }
    QAction* renderAction() const { return m_render; }
    QAction* exportAction() const { return m_export; }
    QFileDialog* exporter() const { return m_exporter; }
    ImageChooserDialog* importer() const { return m_importer; }
    QMessageBox* alert() const { return m_alert; }
    QDialog* saveLayoutSheet() const { return m_saveLayout; }

    // Each menu command that reaches this window's channel; ignored unless the window is key.
    void handleCommand(const MenuCommands::Commands& command);
    // An open request: the file or folder joins this window's images.
    void openURL(const QUrl& url);
    void toggleSidebar();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildToolbar();
    void refreshToolbar();
    void presentImporter();
    void presentExporter();
    void presentAlert();
    void presentSaveLayout();
    void exportDidComplete(const QString& path);

    LayoutManager& m_layoutManager;
    KestrelExtensions::UserDefaults& m_defaults;
    WindowModel* m_model;
    MenuCommands* m_commands;
    SidebarColumn* m_sidebar = nullptr;
    PDFColumn* m_pdfColumn = nullptr;
    QSplitter* m_detail = nullptr;
    QWidget* m_settingsColumn = nullptr;
    QVBoxLayout* m_settingsLayout = nullptr;
    PDFProgressView* m_progressView = nullptr;
    QAction* m_toggleSidebar = nullptr;
    QAction* m_render = nullptr;
    QAction* m_export = nullptr;
    QPointer<QFileDialog> m_exporter;
    QPointer<ImageChooserDialog> m_importer;
    QPointer<QMessageBox> m_alert;
    QPointer<QDialog> m_saveLayout;
    bool m_appeared = false;
};

} // namespace Sheetwright
