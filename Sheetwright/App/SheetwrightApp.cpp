#include "SheetwrightApp.h"

#include "RuvedovUzedoz/Sheet/LocalPath.h"
#include "Sheetwright/Commands/MenuBar.h"
#include "Sheetwright/Window/ContentView.h"
#include "Sheetwright/Window/WindowModel.h"
#include "UpdateService.h"

#include <KestrelExtensions/Localization/Localized.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QWidget>

namespace Sheetwright {

using KestrelExtensions::localized;

SheetwrightApp::SheetwrightApp(KestrelExtensions::UserDefaults& defaults, LayoutManager& layoutManager,
                               RenderService& renderService, UpdateService& updates, QObject* parent)
    : QObject(parent), m_defaults(defaults), m_layoutManager(layoutManager), m_renderService(renderService),
      m_updates(updates)
{
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
    MenuBar::Actions actions;
    actions.newWindow = [this] { newWindow(); };
    actions.showSettings = [this] { showSettings(); };
    actions.checkForUpdates = [this] { checkForUpdates(); };
    actions.toggleSidebar = [window] { window->toggleSidebar(); };
    new MenuBar(window, window->model().undoStack(), m_defaults, m_layoutManager, std::move(actions));
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
        m_settingsWindow = m_updates.makeSettingsWindow();
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
    m_updates.checkForUpdates();
}

QList<QUrl> SheetwrightApp::openRequests(const QByteArrayList& arguments)
{
    QList<QUrl> urls;
    for (const QByteArray& argument : arguments) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8.decode(argument);
        if (!utf8.hasError()) {
            urls.append(openRequests(QStringList{text}));
            continue;
        }
        // A file name that is not UTF-8 is taken byte for byte, relative to the working folder.
        QByteArray path = argument;
        if (!path.startsWith('/'))
            path.prepend(QFile::encodeName(QDir::currentPath()) + '/');
        urls.append(RuvedovUzedoz::LocalPath::url(path));
    }
    return urls;
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
