#pragma once

#include "Sheetwright/App/UpdateService.h"
#include "Sheetwright/Layouts/LayoutManager.h"
#include "Sheetwright/Window/RenderService.h"
#include "support/LogCapture.h"

#include <KestrelExtensions/Defaults/UserDefaults.h>
#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QObject>
#include <QPromise>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace WindowTests {

// A render service whose renders finish only when the test says so, and which records what each
// render was given.
class FakeRenderService : public Sheetwright::RenderService {
public:
    struct Call {
        QSet<QUrl> images;
        RuvedovUzedoz::PageLayout layout;
        std::shared_ptr<QPromise<std::optional<RuvedovUzedoz::PDFInfo>>> promise;
    };

    QFuture<std::optional<RuvedovUzedoz::PDFInfo>>
    generatePDF(const RuvedovUzedoz::ContactSheet& sheet, const RuvedovUzedoz::PageLayout& layout) override
    {
        auto promise = std::make_shared<QPromise<std::optional<RuvedovUzedoz::PDFInfo>>>();
        promise->start();
        calls.push_back({sheet.images, layout, promise});
        return promise->future();
    }

    // Finishes render `index` with a PDF of `pages` pages (none for 0 images).
    void finish(size_t index, std::optional<RuvedovUzedoz::PDFInfo> result)
    {
        auto& promise = *calls.at(index).promise;
        promise.addResult(std::move(result));
        promise.finish();
    }
    static RuvedovUzedoz::PDFInfo pdf(int pages, QByteArray data = "%PDF-fake")
    {
        return {data, data.size(), pages};
    }

    std::vector<Call> calls;
};

inline bool waitUntil(const std::function<bool()>& condition, int milliseconds = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QTest::qWait(1);
    }
    return true;
}

// Small pictures named as given, written into `folder`.
inline QList<QUrl> writeImages(const QString& folder, const QStringList& names)
{
    QList<QUrl> urls;
    QDir().mkpath(folder);
    for (const QString& name : names) {
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(QColor::fromHsv(int(qHash(name) % 360), 200, 200));
        const QString path = QDir(folder).filePath(name);
        image.save(path);
        urls.append(QUrl::fromLocalFile(path));
    }
    return urls;
}

// What every window under test stands in: a private folder for its layouts, defaults and pictures, a
// render service the test finishes by hand, and the log.
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

// Stands in for the software updater: counts the checks it is asked for; its settings window is empty.
class FakeUpdateService : public Sheetwright::UpdateService {
public:
    void checkForUpdates() override { ++checks; }
    QWidget* makeSettingsWindow() override { return new QWidget; }

    int checks = 0;
};

inline QString plainText(QString menuText)
{
    return menuText.replace(QStringLiteral("&&"), QStringLiteral("\x01"))
        .remove(QLatin1Char('&'))
        .replace(QStringLiteral("\x01"), QStringLiteral("&"));
}

// The action reached through menu titles, as a user reads them ({"Layout", "Set Layout", "Default"}).
inline QAction* menuAction(QMenuBar* bar, const QStringList& path)
{
    QList<QAction*> actions = bar->actions();
    QAction* found = nullptr;
    for (const QString& title : path) {
        found = nullptr;
        for (QAction* action : actions) {
            if (plainText(action->text()) == title) {
                found = action;
                break;
            }
        }
        if (!found)
            return nullptr;
        if (found->menu()) {
            emit found->menu()->aboutToShow();
            actions = found->menu()->actions();
        }
    }
    return found;
}

inline QStringList titles(const QList<QAction*>& actions)
{
    QStringList texts;
    for (QAction* action : actions)
        texts << (action->isSeparator() ? QStringLiteral("---") : plainText(action->text()));
    return texts;
}

} // namespace WindowTests
