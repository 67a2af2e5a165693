#pragma once

#include <QByteArrayList>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <QWidget>

namespace KestrelExtensions {
class UserDefaults;
}

namespace Sheetwright {

class ContentView;
class LayoutManager;
class RenderService;
class UpdateService;

// The application: opens main windows (each with its own command channel and menu bar) and the one
// settings window, passes update checks to the update service, and hands the files named at start-up to
// the first window as open requests. Main thread only.
class SheetwrightApp : public QObject {
    Q_OBJECT
public:
    SheetwrightApp(KestrelExtensions::UserDefaults& defaults, LayoutManager& layoutManager,
                   RenderService& renderService, UpdateService& updates, QObject* parent = nullptr);
    ~SheetwrightApp() override;

    // A new main window, shown.
    ContentView* newWindow();
    QList<ContentView*> windows() const;

    // Shows the settings window, making it on first use.
    QWidget* showSettings();
    QWidget* settingsWindow() const { return m_settingsWindow.data(); }

    void checkForUpdates();

    // Command-line arguments as open requests: files and folders relative to the working folder.
    static QList<QUrl> openRequests(const QStringList& arguments);
    // The same from the arguments' bytes: a file name that is not UTF-8 is kept as it is.
    static QList<QUrl> openRequests(const QByteArrayList& arguments);
    // Opens the first window and gives it each request, after its start-up defaults.
    ContentView* start(const QList<QUrl>& requests);

    KestrelExtensions::UserDefaults& defaults() const { return m_defaults; }
    LayoutManager& layoutManager() const { return m_layoutManager; }

private:
    KestrelExtensions::UserDefaults& m_defaults;
    LayoutManager& m_layoutManager;
    RenderService& m_renderService;
    UpdateService& m_updates;
    QList<QPointer<ContentView>> m_windows;
    QPointer<QWidget> m_settingsWindow;
};

} // namespace Sheetwright
