#include "App/SheetwrightApp.h"
#include "App/SoftwareUpdater.h"
#include "Layouts/LayoutManager.h"
#include "RuvedovUzedoz/Rendering/RenderPool.h"
#include "Window/RenderService.h"

#include <KestrelExtensions/Defaults/UserDefaults.h>
#include <KestrelExtensions/Logging/Log.h>
#include <QApplication>
#include <QIcon>
#include <QThreadPool>
#include <csignal>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    // A file-size limit (ulimit -f) makes an export's write fail with an error that is reported, instead
    // of killing the process.
    std::signal(SIGXFSZ, SIG_IGN);
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
    // Qt has taken its own options (-platform, -style) out of the arguments by now; they are read as
    // bytes, since a file name need not be UTF-8.
    QByteArrayList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    app.start(Sheetwright::SheetwrightApp::openRequests(arguments));
    QApplication::exec();
    // A render still under way when the last window closed is stopped before the process tears down
    // the state it uses. One that does not come to rest in time (a decoder deep in a single step) must
    // not keep the process alive: it is left behind without the usual teardown.
    if (!RuvedovUzedoz::stopAllRenders(std::chrono::milliseconds(1500))) {
        KestrelExtensions::Log::system(QStringLiteral("Quitting while a render is still stopping"));
        std::fflush(nullptr);
        std::_Exit(0);
    }
    return 0;
}
