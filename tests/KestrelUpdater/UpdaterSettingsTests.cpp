#include "KestrelUpdater/Channel/IncludeBetas.h"
#include "KestrelUpdater/Observation/ObservableUpdater.h"
#include "UpdaterFixture.h"
#include "support/LogCapture.h"

#include <QSignalSpy>
#include <cmath>

using namespace KestrelUpdater;
using TestSupport::UpdaterFixture;

namespace {

using UpdaterSettings = UpdaterFixture;

TEST_F(UpdaterSettings, QuietDefaultsThenEverySettingPersistsAndAnnouncesOnlyRealChanges)
{
    EXPECT_FALSE(updater->automaticallyChecksForUpdates());
    EXPECT_EQ(updater->updateCheckInterval(), 86400);
    EXPECT_FALSE(updater->sendsSystemProfile());
    EXPECT_FALSE(updater->automaticallyDownloadsUpdates());
    EXPECT_FALSE(updater->lastUpdateCheckDate().isValid());
    EXPECT_EQ(updater->feedURL(), server->url(releasesPath()));
    EXPECT_FALSE(updater->isScheduled());
    // Nothing was written merely by asking.
    EXPECT_FALSE(defaults->contains("KestrelUpdater/AutomaticallyChecksForUpdates"));

    QSignalSpy automatic(updater.get(), &Updater::automaticallyChecksForUpdatesChanged);
    QSignalSpy interval(updater.get(), &Updater::updateCheckIntervalChanged);
    QSignalSpy feed(updater.get(), &Updater::feedURLChanged);
    updater->setAutomaticallyChecksForUpdates(true);
    updater->setAutomaticallyChecksForUpdates(true);
    updater->setUpdateCheckInterval(604800);
    updater->setUpdateCheckInterval(604800);
    updater->setSendsSystemProfile(true);
    updater->setAutomaticallyDownloadsUpdates(true);
    const QUrl beta = server->url(betasPath());
    updater->setFeedURL(beta);
    updater->setFeedURL(beta);
    EXPECT_EQ(automatic.count(), 1);
    EXPECT_EQ(interval.count(), 1);
    EXPECT_EQ(feed.count(), 1);
    EXPECT_TRUE(updater->isScheduled());

    updater.reset();
    const auto reread = makeUpdater(TestSupport::testApplicationId);
    EXPECT_TRUE(reread->automaticallyChecksForUpdates());
    EXPECT_EQ(reread->updateCheckInterval(), 604800);
    EXPECT_TRUE(reread->sendsSystemProfile());
    EXPECT_TRUE(reread->automaticallyDownloadsUpdates());
    EXPECT_EQ(reread->feedURL(), beta);
}

TEST_F(UpdaterSettings, UnusableValuesAreRefusedOrReadAsDefaults)
{
    KestrelExtensions::LogCapture log;
    QSignalSpy feed(updater.get(), &Updater::feedURLChanged);
    updater->setFeedURL(QUrl());
    updater->setFeedURL(QUrl(QStringLiteral("relative/appcast.xml")));
    updater->setUpdateCheckInterval(std::nan(""));
    EXPECT_EQ(feed.count(), 0);
    EXPECT_EQ(updater->feedURL(), server->url(releasesPath()));
    EXPECT_EQ(updater->updateCheckInterval(), 86400);
    EXPECT_EQ(log.systemLines().size(), 3);

    // A damaged settings file reads as defaults rather than as garbage.
    defaults->setValue("KestrelUpdater/UpdateCheckInterval", "often");
    defaults->setValue("KestrelUpdater/LastUpdateCheckDate", "yesterday-ish");
    EXPECT_EQ(updater->updateCheckInterval(), 86400);
    EXPECT_FALSE(updater->lastUpdateCheckDate().isValid());
}

TEST_F(UpdaterSettings, AStoredIntervalIsHeldToAnHourToAYear)
{
    const QString now = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    const struct {
        QVariant stored;
        double read;
    } cases[] = {
        {1e17, Updater::maximumUpdateCheckInterval}, {1e300, Updater::maximumUpdateCheckInterval},
        {-5.0, Updater::minimumUpdateCheckInterval}, {0.0, Updater::minimumUpdateCheckInterval},
        {10.0, Updater::minimumUpdateCheckInterval}, {7200.0, 7200},
    };
    for (const auto& c : cases) {
        defaults->setValue("KestrelUpdater/UpdateCheckInterval", c.stored);
        defaults->setString("KestrelUpdater/LastUpdateCheckDate", now);
        updater = makeUpdater(TestSupport::testApplicationId);
        updater->setInitialCheckDelayMs(0);
        EXPECT_EQ(updater->updateCheckInterval(), c.read) << c.stored.toString().toStdString();
        // Checked just now: the next check is a whole (sane) interval away, never at once.
        const qint64 wait = QDateTime::currentDateTimeUtc().secsTo(updater->nextCheckDue());
        EXPECT_GE(wait, qint64(c.read) - 5) << c.stored.toString().toStdString();
        EXPECT_LE(wait, qint64(c.read)) << c.stored.toString().toStdString();
    }
    updater->setUpdateCheckInterval(1e300);
    EXPECT_EQ(updater->updateCheckInterval(), Updater::maximumUpdateCheckInterval);
    // A last check dated in the future does not hold checks off beyond one interval.
    defaults->setString("KestrelUpdater/LastUpdateCheckDate", "2999-01-01T00:00:00.000Z");
    EXPECT_LE(QDateTime::currentDateTimeUtc().secsTo(updater->nextCheckDue()),
              qint64(Updater::maximumUpdateCheckInterval));
}

TEST_F(UpdaterSettings, TheFirstUpdaterMadeIsTheSharedOne)
{
    EXPECT_EQ(Updater::shared(), updater.get());
    const auto second = makeUpdater(TestSupport::testApplicationId);
    EXPECT_EQ(Updater::shared(), updater.get());
    updater.reset();
    Updater::setShared(second.get());
    EXPECT_EQ(Updater::shared(), second.get());
}

TEST_F(UpdaterSettings, WrappersWriteThroughAndFollowChangesFromEitherSide)
{
    Sparkle<bool> automatic(*updater, "automaticallyChecksForUpdates");
    Sparkle<double> interval(*updater, "updateCheckInterval");
    SparkleValue<QDateTime> lastCheck(*updater, "lastUpdateCheckDate");
    QSignalSpy automaticChanged(&automatic.observer(), &ObservableUpdater::changed);

    // A write of the current value still announces once.
    automatic.set(false);
    EXPECT_EQ(automaticChanged.count(), 1);
    automatic.set(true);
    EXPECT_TRUE(updater->automaticallyChecksForUpdates());
    EXPECT_TRUE(automatic.get());
    EXPECT_GE(automaticChanged.count(), 2);

    interval.set(604800);
    EXPECT_EQ(updater->updateCheckInterval(), 604800);

    // A change made on the updater reaches every wrapper of the key, with nothing cached.
    Sparkle<bool> automaticAgain(*updater, "automaticallyChecksForUpdates");
    QSignalSpy againChanged(&automaticAgain.observer(), &ObservableUpdater::changed);
    automaticChanged.clear();
    updater->setAutomaticallyChecksForUpdates(false);
    EXPECT_EQ(automaticChanged.count(), 1);
    EXPECT_EQ(againChanged.count(), 1);
    EXPECT_FALSE(automatic.get());
    EXPECT_FALSE(lastCheck.get().isValid());
}

TEST_F(UpdaterSettings, AWrapperOutlivedByItsUpdaterOrGoneFirstIsHarmless)
{
    {
        Sparkle<bool> shortLived(*updater, "sendsSystemProfile");
    }
    updater->setSendsSystemProfile(true); // no observer left to call
    Sparkle<bool> orphan(*updater, "sendsSystemProfile");
    updater.reset();
    EXPECT_FALSE(orphan.get());
    orphan.set(true); // writes nowhere, announces, does not crash
}

TEST_F(UpdaterSettings, BetaSwitchSetsAndLogsTheFeedOnEverySet)
{
    KestrelExtensions::LogCapture log;
    IncludeBetas betas(*updater);
    const QString base = server->url("/applications/").toString();
    const QString betaFeed = base + TestSupport::testApplicationId + "/betas/appcast.xml";
    const QString releaseFeed = base + TestSupport::testApplicationId + "/releases/appcast.xml";
    EXPECT_TRUE(betas.setValue(true));
    EXPECT_TRUE(betas.value());
    EXPECT_EQ(updater->feedURL().toString(), betaFeed);
    EXPECT_TRUE(betas.setValue(true));
    EXPECT_TRUE(betas.setValue(false));
    EXPECT_EQ(updater->feedURL().toString(), releaseFeed);
    EXPECT_EQ(log.systemLines(),
              (QStringList{"Setting Sparkle feed to " + betaFeed, "Setting Sparkle feed to " + betaFeed,
                           "Setting Sparkle feed to " + releaseFeed}));

    // A feed changed elsewhere does not move a switch already made; a new switch starts from the feed's
    // folder.
    updater->setFeedURL(QUrl(betaFeed));
    EXPECT_FALSE(betas.value());
    for (const char* folder : {"betas", "releases", "Betas", "beta"}) {
        updater->setFeedURL(QUrl(base + TestSupport::testApplicationId + "/" + folder + "/appcast.xml"));
        EXPECT_EQ(IncludeBetas(*updater).value(), qstrcmp(folder, "betas") == 0) << folder;
    }
    EXPECT_EQ(betas.key(), "KestrelIncludeBetas");
}

} // namespace
