#include "TestEnvironment.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <cstdlib>
#include <string>

namespace TestSupport {

namespace {
QString& home()
{
    static QString path;
    return path;
}
} // namespace

QString temporaryHome()
{
    return home();
}

void isolateEnvironment()
{
    // mkdtemp before Qt exists: no test may ever see the user's real settings, layouts or trash.
    const QByteArray base = qgetenv("TMPDIR").isEmpty() ? QByteArray("/tmp") : qgetenv("TMPDIR");
    std::string pattern = base.toStdString() + "/sheetwright-test-XXXXXX";
    if (!mkdtemp(pattern.data()))
        std::abort();
    home() = QString::fromStdString(pattern);
    const QDir root(home());
    const char* folders[][2] = {{"XDG_CONFIG_HOME", ".config"},
                                {"XDG_DATA_HOME", ".local/share"},
                                {"XDG_CACHE_HOME", ".cache"},
                                {"XDG_STATE_HOME", ".local/state"},
                                {"XDG_RUNTIME_DIR", "runtime"}};
    for (const auto& folder : folders) {
        root.mkpath(folder[1]);
        qputenv(folder[0], root.filePath(folder[1]).toUtf8());
    }
    QFile::setPermissions(root.filePath("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", home().toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace TestSupport
