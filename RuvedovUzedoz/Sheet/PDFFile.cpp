#include "RuvedovUzedoz/Sheet/PDFFile.h"

#include "KestrelExtensions/Logging/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QMutex>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryFile>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace RuvedovUzedoz {

namespace {

// The files this process still holds; whatever is left when the process ends is removed then.
class LiveFiles {
public:
    ~LiveFiles()
    {
        for (const QString& path : std::as_const(m_paths))
            QFile::remove(path);
    }
    void insert(const QString& path)
    {
        const QMutexLocker lock(&m_mutex);
        m_paths.insert(path);
    }
    void remove(const QString& path)
    {
        const QMutexLocker lock(&m_mutex);
        m_paths.remove(path);
    }

private:
    QMutex m_mutex;
    QSet<QString> m_paths;
};

LiveFiles& liveFiles()
{
    static LiveFiles files;
    return files;
}

// File names carry the process id, so that leftovers of a process that is gone can be told from the
// files of a running one.
const QString prefix = QStringLiteral("sheet-");

bool isRunning(qint64 pid)
{
    return pid > 0 && (kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

} // namespace

PDFFile::PDFFile(QString path) : m_path(std::move(path))
{
    liveFiles().insert(m_path);
}

PDFFile::~PDFFile()
{
    QFile::remove(m_path);
    liveFiles().remove(m_path);
}

std::shared_ptr<PDFFile> PDFFile::create(const QString& folder, QString* failure)
{
    const auto fail = [failure](const QString& reason) {
        if (failure)
            *failure = reason;
        else
            KestrelExtensions::Log::system(QStringLiteral("PDF rendering failed: ") + reason);
        return nullptr;
    };
    errno = 0;
    if (!QDir().mkpath(folder)) {
        const QString system = errno != 0 ? QString::fromLocal8Bit(std::strerror(errno)) : QString();
        return fail(QStringLiteral("the folder ") + folder + QStringLiteral(" cannot be made") +
                    (system.isEmpty() ? QString() : QStringLiteral(": ") + system));
    }
    QTemporaryFile file(QDir(folder).filePath(prefix + QString::number(QCoreApplication::applicationPid()) +
                                              QStringLiteral("-XXXXXX.pdf")));
    file.setAutoRemove(false);
    if (!file.open())
        return fail(file.errorString());
    return std::shared_ptr<PDFFile>(new PDFFile(file.fileName()));
}

void PDFFile::removeLeftovers(const QString& folder)
{
    static const QRegularExpression name(QStringLiteral("^sheet-(\\d+)-\\w+\\.pdf$"));
    const QDir dir(folder);
    for (const QString& entry :
         dir.entryList({prefix + QStringLiteral("*.pdf")}, QDir::Files | QDir::Hidden)) {
        const QRegularExpressionMatch match = name.match(entry);
        if (match.hasMatch() && !isRunning(match.captured(1).toLongLong()))
            QFile::remove(dir.filePath(entry));
    }
}

} // namespace RuvedovUzedoz
