// sheetwright-bench: makes one contact sheet PDF from image files and folders the way a window does
// (add the files to a contact sheet, then write its PDF) and prints what it took.
//
//   sheetwright-bench [--layout FILE.swlayout] [--in-memory] --out FILE.pdf IMAGE-OR-FOLDER...
//
// --in-memory renders the PDF into memory first and then saves it; otherwise the PDF is streamed into the
// file as it is drawn.
//
// The PDF is written beside FILE.pdf and takes its place only once whole, so a failed run leaves an
// earlier FILE.pdf as it was; a link is followed, and a FILE.pdf that is no regular file (a device, a
// pipe, a folder) is refused before anything is drawn.
//
// The last line printed is
//   images=N pages=P bytes=B seconds=S images_per_s=R peak_rss_mb=M
// The exit status is non-zero when anything fails.

#include "KestrelExtensions/Coding/CodedFile.h"
#include "KestrelExtensions/Coding/LocalizedError.h"
#include "RuvedovUzedoz/Layouts/PageLayout.h"
#include "RuvedovUzedoz/Layouts/SavedPageLayout.h"
#include "RuvedovUzedoz/Sheet/ContactSheet.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QStringList>
#include <QTextStream>
#include <csignal>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace RuvedovUzedoz;

namespace {

int fail(const QString& message)
{
    QTextStream(stderr) << "sheetwright-bench: " << message << Qt::endl;
    return 1;
}

double peakResidentMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

struct Arguments {
    QString layoutFile;
    QString out;
    bool inMemory = false;
    QList<QUrl> inputs;
};

std::optional<Arguments> parse(const QStringList& arguments, QString& error)
{
    Arguments parsed;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--layout") || argument == QLatin1String("--out")) {
            if (i + 1 >= arguments.size()) {
                error = argument + QStringLiteral(" needs a file");
                return std::nullopt;
            }
            (argument == QLatin1String("--layout") ? parsed.layoutFile : parsed.out) = arguments[++i];
        } else if (argument == QLatin1String("--in-memory")) {
            parsed.inMemory = true;
        } else if (argument.startsWith(QLatin1String("--"))) {
            error = QStringLiteral("unknown option ") + argument;
            return std::nullopt;
        } else {
            parsed.inputs.append(QUrl::fromLocalFile(QFileInfo(argument).absoluteFilePath()));
        }
    }
    if (parsed.out.isEmpty() || parsed.inputs.isEmpty()) {
        error = QStringLiteral("usage: sheetwright-bench [--layout FILE.swlayout] [--in-memory] --out "
                               "FILE.pdf IMAGE-OR-FOLDER...");
        return std::nullopt;
    }
    return parsed;
}

// Read as the application reads its layout files.
std::optional<PageLayout> readLayout(const QString& fileName, QString& error)
{
    PageLayout layout = PageLayout::defaultLayout();
    if (fileName.isEmpty()) {
        return layout;
    }
    try {
        layout.apply(KestrelExtensions::decodeFromFile<SavedPageLayout>(fileName));
    } catch (const KestrelExtensions::LocalizedError& exception) {
        error = fileName + QStringLiteral(": ") + exception.errorDescription();
        return std::nullopt;
    }
    return layout;
}

// Which file a path names at the moment, to tell a newly written output from one left by an earlier run.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> identity(const QString& path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
        return std::nullopt;
    }
    return FileIdentity{status.st_dev, status.st_ino};
}

} // namespace

int main(int argc, char** argv)
{
    // A file-size limit (ulimit -f) makes the write fail with an error that is reported, instead of
    // killing the process.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    QString error;
    const auto arguments = parse(app.arguments(), error);
    if (!arguments) {
        return fail(error);
    }
    const auto layout = readLayout(arguments->layoutFile, error);
    if (!layout) {
        return fail(error);
    }
    try {
        KestrelExtensions::requireReplaceableFile(arguments->out);
    } catch (const KestrelExtensions::LocalizedError& exception) {
        return fail(exception.errorDescription());
    }
    const std::optional<FileIdentity> earlier = identity(arguments->out);

    QElapsedTimer timer;
    timer.start();
    ContactSheet sheet;
    sheet.add(arguments->inputs);
    const qsizetype images = sheet.images.size();
    if (images == 0) {
        return fail(QStringLiteral("no images found"));
    }

    // The render finishes on the main thread, so wait by running its event loop rather than blocking it.
    const QString out = arguments->out;
    QFuture<void> written =
        arguments->inMemory
            ? sheet.generatePDF(*layout).then(QtFuture::Launch::Async,
                                              [out](std::optional<PDFInfo> pdf) {
                                                  if (!pdf)
                                                      throw std::runtime_error("nothing was rendered");
                                                  KestrelExtensions::writeFileContents(pdf->data, out);
                                              })
            : sheet.writePDF(out, *layout);
    QFutureWatcher<void> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcher<void>::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(written);
    if (!written.isFinished()) {
        loop.exec();
    }
    try {
        written.waitForFinished(); // rethrows a failed write
    } catch (const KestrelExtensions::LocalizedError& exception) {
        return fail(QStringLiteral("writing the PDF failed: ") + exception.errorDescription());
    } catch (const std::exception& exception) {
        return fail(QStringLiteral("writing the PDF failed: ") + QString::fromUtf8(exception.what()));
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;

    // A render that drew nothing leaves the target as it was: an earlier run's PDF is no result.
    const std::optional<FileIdentity> now = identity(arguments->out);
    const QFileInfo pdf(arguments->out);
    if (!now || now == earlier || pdf.size() == 0) {
        return fail(QStringLiteral("no PDF was written"));
    }
    const qint64 perPage = layout->rows * layout->columns;
    const qint64 pages = perPage > 0 ? (images + perPage - 1) / perPage : 0;
    std::printf("images=%lld pages=%lld bytes=%lld seconds=%.3f images_per_s=%.2f peak_rss_mb=%.1f\n",
                static_cast<long long>(images), static_cast<long long>(pages),
                static_cast<long long>(pdf.size()), seconds, seconds > 0 ? double(images) / seconds : 0.0,
                peakResidentMegabytes());
    return 0;
}
