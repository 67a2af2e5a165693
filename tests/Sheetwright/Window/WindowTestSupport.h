#pragma once

#include "Sheetwright/Layouts/LayoutManager.h"
#include "Sheetwright/Window/RenderService.h"
#include "support/LogCapture.h"

#include <KestrelExtensions/Defaults/UserDefaults.h>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPromise>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <exception>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

// Handles events until `condition` holds, failing the test after five seconds.
#define WAIT_UNTIL(condition) ASSERT_TRUE(QTest::qWaitFor([&] { return bool(condition); }))

namespace WindowTests {

// A render service whose renders finish only when the test says so; it keeps what each render was given.
class FakeRenderService : public Sheetwright::RenderService {
public:
    using Result = std::optional<RuvedovUzedoz::PDFInfo>;
    struct Call {
        QSet<QUrl> images;
        RuvedovUzedoz::PageLayout layout;
        std::shared_ptr<QPromise<Result>> promise;
    };

    QFuture<Result> generatePDF(const RuvedovUzedoz::ContactSheet& sheet,
                                const RuvedovUzedoz::PageLayout& layout) override
    {
        calls.push_back({sheet.images, layout, std::make_shared<QPromise<Result>>()});
        calls.back().promise->start();
        return calls.back().promise->future();
    }
    void finish(size_t index, Result result)
    {
        calls.at(index).promise->addResult(std::move(result));
        calls.at(index).promise->finish();
    }
    void fail(size_t index, std::exception_ptr error)
    {
        calls.at(index).promise->setException(error);
        calls.at(index).promise->finish();
    }
    static RuvedovUzedoz::PDFInfo pdf(int pages, QByteArray data = "%PDF-fake")
    {
        return {data, data.size(), pages};
    }

    std::vector<Call> calls;
};

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// Small pictures named as given, written into `folder`.
inline QList<QUrl> writeImages(const QString& folder, const QStringList& names)
{
    QList<QUrl> urls;
    QDir().mkpath(folder);
    for (const QString& name : names) {
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(QColor::fromHsv(int(qHash(name) % 360), 200, 200));
        image.save(QDir(folder).filePath(name));
        urls.append(QUrl::fromLocalFile(QDir(folder).filePath(name)));
    }
    return urls;
}

// Makes `window` the key window, as a click on it would.
inline bool activate(QWidget* window)
{
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

// A window's surroundings: private layouts, defaults and pictures, a render service finished by hand, the
// log.
class WindowFixture : public ::testing::Test {
protected:
    QTemporaryDir folder;
    Sheetwright::LayoutManager layouts{folder.filePath(QStringLiteral("Layouts"))};
    FakeRenderService engine;
    KestrelExtensions::UserDefaults defaults{folder.filePath(QStringLiteral("defaults.ini"))};
    KestrelExtensions::LogCapture log;

    QList<QUrl> images(const QStringList& names)
    {
        return writeImages(folder.filePath(QStringLiteral("photos")), names);
    }
};

} // namespace WindowTests
