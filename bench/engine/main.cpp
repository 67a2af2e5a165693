// sheetwright-bench: makes one contact sheet PDF from image files and folders the way a window does
// (add the files to a contact sheet, then write its PDF) and prints what it took.
//
//   sheetwright-bench [--layout FILE.swlayout] [--in-memory] --out FILE.pdf IMAGE-OR-FOLDER...
//
// --in-memory renders the PDF into memory first and then saves it, as the window does (it shows the PDF
// before saving it); otherwise the PDF is streamed into the file as it is drawn.
//
// The last line printed is
//   images=N pages=P bytes=B seconds=S images_per_s=R peak_rss_mb=M
// The exit status is non-zero when anything fails.

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
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStringList>
#include <QTextStream>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <sys/resource.h>

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

std::optional<PageLayout> readLayout(const QString& fileName, QString& error)
{
    PageLayout layout = PageLayout::defaultLayout();
    if (fileName.isEmpty()) {
        return layout;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        error = fileName + QStringLiteral(": ") + file.errorString();
        return std::nullopt;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error = fileName + QStringLiteral(": ") + parseError.errorString();
        return std::nullopt;
    }
    try {
        layout.apply(SavedPageLayout::fromJson(document.object()));
    } catch (const std::exception& exception) {
        error = fileName + QStringLiteral(": ") + QString::fromUtf8(exception.what());
        return std::nullopt;
    }
    return layout;
}

} // namespace

int main(int argc, char** argv)
{
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
    QFile::remove(arguments->out);

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
    QFuture<void> written = arguments->inMemory
                                ? sheet.generatePDF(*layout).then(
                                      QtFuture::Launch::Async,
                                      [out](std::optional<PDFInfo> pdf) {
                                          QSaveFile file(out);
                                          if (!pdf || !file.open(QIODevice::WriteOnly) ||
                                              file.write(pdf->data) != pdf->data.size() || !file.commit())
                                              throw std::runtime_error("cannot save the rendered PDF");
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
    } catch (const std::exception& exception) {
        return fail(QStringLiteral("writing the PDF failed: ") + QString::fromUtf8(exception.what()));
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;

    const QFileInfo pdf(arguments->out);
    if (!pdf.exists() || pdf.size() == 0) {
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
