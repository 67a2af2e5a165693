#include "App/SheetwrightApp.h"
#include "App/SoftwareUpdater.h"
#include "Layouts/LayoutManager.h"
#include "RuvedovUzedoz/Rendering/RenderPool.h"
#include "Window/RenderService.h"

#include <KestrelExtensions/Defaults/UserDefaults.h>
#include <QApplication>
#include <QIcon>
#include <QThreadPool>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Sheetwright"));
    QApplication::setApplicationName(QStringLiteral("Sheetwright"));
    QApplication::setApplicationVersion(QStringLiteral(SHEETWRIGHT_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("com.ardentmoss.Sheetwright"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("com.ardentmoss.Sheetwright"),
                                                 QIcon(QStringLiteral(":/com.ardentmoss.Sheetwright.svg"))));

    auto& defaults = KestrelExtensions::UserDefaults::standard();
    Sheetwright::SoftwareUpdater updater(defaults);
    Sheetwright::SheetwrightApp app(defaults, Sheetwright::LayoutManager::shared(),
                                    Sheetwright::RenderService::engine(), updater);
    // Qt has taken its own options (-platform, -style) out of the arguments by now.
    app.start(Sheetwright::SheetwrightApp::openRequests(QApplication::arguments().mid(1)));
    QApplication::exec();
    // A render still drawing when the last window closed finishes before the process tears down the
    // state it uses; its result is dropped.
    RuvedovUzedoz::renderPool().waitForDone();
    return 0;
}
