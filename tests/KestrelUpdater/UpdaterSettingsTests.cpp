#include "KestrelUpdater/Observation/ObservableUpdater.h"
#include "UpdaterFixture.h"
#include "support/LogCapture.h"

#include <cmath>

using namespace TestSupport;

namespace {

using UpdaterSettings = UpdaterFixture;

TEST_F(UpdaterSettings, QuietDefaultsThenEverySettingPersistsAndAnnouncesOnlyRealChanges)
{
    const auto settings = [](const Updater& from) {
        return std::tuple(from.automaticallyChecksForUpdates(), from.updateCheckInterval(),
                          from.sendsSystemProfile(), from.automaticallyDownloadsUpdates(),
                          from.feedURL().path(), from.lastUpdateCheckDate().isValid(), from.isScheduled());
    };
    EXPECT_EQ(settings(*updater), std::tuple(false, 86400.0, false, false, releasesPath(), false, false));
    EXPECT_FALSE(defaults->contains("KestrelUpdater/AutomaticallyChecksForUpdates")); // not written by asking
    QSignalSpy automatic(updater.get(), &Updater::automaticallyChecksForUpdatesChanged),
        interval(updater.get(), &Updater::updateCheckIntervalChanged),
        feed(updater.get(), &Updater::feedURLChanged);
    for (int twice = 0; twice < 2; ++twice) {
        updater->setAutomaticallyChecksForUpdates(true);
        updater->setUpdateCheckInterval(604800);
        updater->setFeedURL(server->url(betasPath()));
    }
    updater->setSendsSystemProfile(true);
    updater->setAutomaticallyDownloadsUpdates(true);
    EXPECT_EQ((QList<qsizetype>{automatic.count(), interval.count(), feed.count()}),
              (QList<qsizetype>{1, 1, 1}));
    EXPECT_EQ(settings(*updater), std::tuple(true, 604800.0, true, true, betasPath(), false, true));
    // Reread by the next updater; the first updater made is the shared one, until replaced.
    const auto second = makeUpdater(testApplicationId);
    EXPECT_EQ(Updater::shared(), updater.get());
    updater.reset();
    Updater::setShared(second.get());
    EXPECT_EQ(Updater::shared(), second.get());
    EXPECT_EQ(settings(*second), std::tuple(true, 604800.0, true, true, betasPath(), false, true));
}

TEST_F(UpdaterSettings, UnusableValuesAreRefusedOrReadAsDefaultsAndAStoredIntervalIsHeldToAnHourToAYear)
{
    const QString now = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    const double hour = Updater::minimumUpdateCheckInterval, year = Updater::maximumUpdateCheckInterval;
    const std::pair<QVariant, double> rows[] = {{1e17, year}, {1e300, year},  {-5.0, hour},    {0.0, hour},
                                                {10.0, hour}, {7200.0, 7200}, {"often", 86400}};
    for (const auto& [stored, read] : rows) {
        SCOPED_TRACE(stored.toString().toStdString());
        defaults->setValue("KestrelUpdater/UpdateCheckInterval", stored);
        defaults->setString("KestrelUpdater/LastUpdateCheckDate", now);
        updater = makeUpdater(testApplicationId);
        updater->setInitialCheckDelayMs(0);
        EXPECT_EQ(updater->updateCheckInterval(), read);
        // Checked just now: the next check is a whole (sane) interval away, never at once.
        const qint64 wait = QDateTime::currentDateTimeUtc().secsTo(updater->nextCheckDue());
        EXPECT_NEAR(wait, read, 5);
    }
    updater->setUpdateCheckInterval(1e300);
    EXPECT_EQ(updater->updateCheckInterval(), year);
    KestrelExtensions::LogCapture log;
    QSignalSpy feed(updater.get(), &Updater::feedURLChanged);
    updater->setFeedURL(QUrl());
    updater->setFeedURL(QUrl(QStringLiteral("relative/appcast.xml")));
    updater->setUpdateCheckInterval(std::nan(""));
    EXPECT_EQ(feed.count(), 0);
    EXPECT_EQ(updater->feedURL(), server->url(releasesPath()));
    EXPECT_EQ(updater->updateCheckInterval(), year); // unchanged
    EXPECT_EQ(log.systemLines().size(), 3);
    // A damaged settings file reads as defaults rather than as garbage.
    defaults->setValue("KestrelUpdater/LastUpdateCheckDate", "yesterday-ish");
    EXPECT_FALSE(updater->lastUpdateCheckDate().isValid());
    defaults->setString("KestrelUpdater/FeedURL", "http://[broken");
    EXPECT_EQ(updater->feedURL(), server->url(releasesPath()));
    // A last check dated in the future does not hold checks off beyond one interval.
    defaults->setString("KestrelUpdater/LastUpdateCheckDate", "2999-01-01T00:00:00.000Z");
    EXPECT_LE(QDateTime::currentDateTimeUtc().secsTo(updater->nextCheckDue()), qint64(year));
}

TEST_F(UpdaterSettings, WrappersWriteThroughAnnounceEveryWriteAndOutliveTheUpdaterHarmlessly)
{
    Sparkle<bool> automatic(*updater, "automaticallyChecksForUpdates"),
        again(*updater, "automaticallyChecksForUpdates");
    QSignalSpy changed(&automatic.observer(), &ObservableUpdater::changed),
        againChanged(&again.observer(), &ObservableUpdater::changed);
    automatic.set(false); // a write of the current value still announces, to its own wrapper
    automatic.set(true);
    EXPECT_TRUE(updater->automaticallyChecksForUpdates() && again.get());
    // A change made on the updater reaches every wrapper of the key, with nothing cached.
    updater->setAutomaticallyChecksForUpdates(false);
    EXPECT_EQ(std::pair(changed.count(), againChanged.count()), std::pair(qsizetype(4), qsizetype(2)));
    EXPECT_FALSE(automatic.get());
    std::make_unique<Sparkle<bool>>(*updater, "sendsSystemProfile").reset();
    updater->setSendsSystemProfile(true); // no observer left to call
    Sparkle<bool> orphan(*updater, "sendsSystemProfile");
    updater.reset();
    EXPECT_FALSE(orphan.get());
    orphan.set(true); // writes nowhere, announces, does not crash
}

} // namespace
