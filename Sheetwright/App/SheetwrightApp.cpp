#include "SheetwrightApp.h"

#include "KestrelUpdater/Updater.h"
#include "Sheetwright/Commands/MenuBar.h"
#include "Sheetwright/Icons/ThemeIcon.h"
#include "Sheetwright/Settings/SettingsWindow.h"
#include "Sheetwright/Window/ContentView.h"
#include "Sheetwright/Window/WindowModel.h"

#include <KestrelExtensions/Localization/Localized.h>
#include <QCoreApplication>
#include <QDir>
#include <QTabWidget>
#include <QWidget>

namespace Sheetwright {

using KestrelExtensions::localized;

SheetwrightApp::SheetwrightApp(KestrelExtensions::UserDefaults& defaults, LayoutManager& layoutManager,
                               RenderService& renderService, QObject* updater, QObject* parent)
    : QObject(parent), m_defaults(defaults), m_layoutManager(layoutManager), m_renderService(renderService),
      m_updater(updater)
{
    if (m_updater)
        m_updater->setParent(this);
}

SheetwrightApp::~SheetwrightApp()
{
    for (const QPointer<ContentView>& window : m_windows)
        delete window.data();
    delete m_settingsWindow.data();
}

ContentView* SheetwrightApp::newWindow()
{
    auto* window = new ContentView(m_layoutManager, m_renderService, m_defaults);
    new MenuBar(window, window->model().undoStack(), *this, [window] { window->toggleSidebar(); });
    // Closed windows have deleted themselves; their entries go rather than pile up.
    m_windows.removeIf([](const QPointer<ContentView>& open) { return open.isNull(); });
    m_windows.append(window);
    window->show();
    return window;
}

QList<ContentView*> SheetwrightApp::windows() const
{
    QList<ContentView*> open;
    for (const QPointer<ContentView>& window : m_windows) {
        if (window)
            open.append(window.data());
    }
    return open;
}

QWidget* SheetwrightApp::showSettings()
{
    if (!m_settingsWindow) {
        if (auto* updater = qobject_cast<KestrelUpdater::Updater*>(m_updater))
            m_settingsWindow = new SettingsWindow(*updater);
        // Only a stand-in updater (tests) lacks the real panes.
        if (!m_settingsWindow) {
            auto* tabs = new QTabWidget;
            tabs->addTab(new QWidget(tabs), themeIcon(QStringLiteral("preferences-system")),
                         localized("General"));
            tabs->addTab(new QWidget(tabs), themeIcon(QStringLiteral("system-software-update")),
                         localized("Updates"));
            m_settingsWindow = tabs;
        }
        // Closing the last main window quits, whether or not the settings window is open.
        m_settingsWindow->setAttribute(Qt::WA_QuitOnClose, false);
        m_settingsWindow->setWindowTitle(localized("Settings"));
    }
    m_settingsWindow->show();
    m_settingsWindow->raise();
    m_settingsWindow->activateWindow();
    return m_settingsWindow.data();
}

void SheetwrightApp::checkForUpdates()
{
    if (m_updater)
        QMetaObject::invokeMethod(m_updater, "checkForUpdates");
}

QList<QUrl> SheetwrightApp::openRequests(const QStringList& arguments)
{
    QList<QUrl> urls;
    for (const QString& argument : arguments) {
        if (!argument.isEmpty())
            urls.append(QUrl::fromUserInput(argument, QDir::currentPath(), QUrl::AssumeLocalFile));
    }
    return urls;
}

ContentView* SheetwrightApp::start(const QList<QUrl>& requests)
{
    ContentView* window = newWindow();
    // Shown already: its defaults are in place before the first image arrives.
    for (const QUrl& url : requests)
        window->openURL(url);
    return window;
}

} // namespace Sheetwright
