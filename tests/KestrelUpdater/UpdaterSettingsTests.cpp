#include "KestrelUpdater/Channel/IncludeBetaReleases.h"
#include "KestrelUpdater/Channel/IncludeBetas.h"
#include "KestrelUpdater/Observation/ObservableUpdater.h"
#include "KestrelUpdater/Pane/LastCheckDateFormat.h"
#include "KestrelUpdater/Pane/UpdatesPreferencePane.h"
#include "KestrelUpdater/Pane/UpdatesViewController.h"
#include "KestrelUpdater/UpdatesPreferencesView.h"
#include "UpdaterFixture.h"
#include "support/LogCapture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
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

TEST_F(UpdaterSettings, WithoutAnApplicationIdOrAFeedBaseThereIsNoFeedAndACheckSaysSoAskingNoServer)
{
    // No id given and the running application has none: no other application's id stands in.
    QGuiApplication::setDesktopFileName(QString());
    const Updater anonymous(*defaults, server->url("/applications/"));
    EXPECT_TRUE(anonymous.applicationId().isEmpty());
    EXPECT_TRUE(anonymous.feedURL().isEmpty());
    QGuiApplication::setDesktopFileName("org.example.Other");
    EXPECT_EQ(Updater(*defaults, server->url("/applications/")).applicationId(), "org.example.Other");

    // A build configured without a feed base has no feed, on either channel.
    updater = std::make_unique<Updater>(*defaults, QUrl(), testApplicationId);
    updater->setUserDriver(std::make_unique<RecordingUserDriver>());
    recorder = static_cast<RecordingUserDriver*>(&updater->userDriver());
    EXPECT_TRUE(updater->feedURL().isEmpty());
    EXPECT_FALSE(IncludeBetas(*updater).setValue(true));
    EXPECT_TRUE(updater->feedURL().isEmpty());
    const CheckResult result = runCheck(Mode::UserInitiated);
    EXPECT_EQ(result.status, CheckResult::Status::NoFeed);
    EXPECT_EQ(result.message,
              "This build of Sheetwright has no update feed configured, so it cannot find updates.");
    EXPECT_EQ(recorder->events, (QStringList{"checkStarted", "dismissCheck", "error"}));
    EXPECT_TRUE(server->requests().isEmpty());
    EXPECT_FALSE(updater->lastUpdateCheckDate().isValid());
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

// Clicks a box on its indicator: a stretched box answers only there and on its text.
void clickBox(QAbstractButton* box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

class UpdatesPaneTest : public UpdaterFixture {
protected:
    void SetUp() override { pane->show(); }
    template <typename Widget> Widget* child(const char* name) const
    {
        return pane->findChild<Widget*>(QLatin1String(name));
    }
    void click(const char* name) { clickBox(child<QAbstractButton>(name)); }
    std::unique_ptr<UpdatesPreferencesView> pane = std::make_unique<UpdatesPreferencesView>(*updater);
};

TEST_F(UpdatesPaneTest, ShowsTheQuietDefaultsAndTheControlsAndTheUpdaterFollowEachOther)
{
    auto* picker = child<QComboBox>("updateFrequency");
    EXPECT_EQ(child<QLabel>("lastCheckDate")->text(), "Never");
    EXPECT_FALSE(child<QCheckBox>("checkForUpdates")->isChecked());
    EXPECT_EQ(picker->currentText(), "Daily");
    EXPECT_FALSE(picker->isEnabled()); // only automatic checks use it
    EXPECT_FALSE(child<QCheckBox>("includeBetas")->isChecked());
    EXPECT_FALSE(
        child<QWidget>("includeBetas")->geometry().intersects(child<QWidget>("checkForUpdates")->geometry()));
    click("checkForUpdates");
    EXPECT_TRUE(updater->automaticallyChecksForUpdates());
    EXPECT_TRUE(picker->isEnabled());
    for (const auto& [row, seconds] : {std::pair{2, 604800.0}, std::pair{0, 3600.0}}) {
        emit picker->activated(row);
        EXPECT_EQ(updater->updateCheckInterval(), seconds);
    }
    click("sendsSystemProfile");
    click("automaticallyDownloadsUpdates");
    EXPECT_TRUE(updater->sendsSystemProfile() && updater->automaticallyDownloadsUpdates());
    KestrelExtensions::LogCapture log;
    click("includeBetas");
    EXPECT_EQ(updater->feedURL(), server->url(betasPath()));
    EXPECT_EQ(log.systemLines(),
              QStringList{"Setting Sparkle feed to " + server->url(betasPath()).toString()});
    // A feed changed elsewhere does not move the switch while shown; it is read from the feed on each show.
    updater->setFeedURL(server->url(releasesPath()));
    updater->setUpdateCheckInterval(7200);
    EXPECT_EQ(picker->currentIndex(), -1);
    EXPECT_TRUE(child<QCheckBox>("includeBetas")->isChecked());
    updater->setAutomaticallyChecksForUpdates(false);
    EXPECT_FALSE(child<QCheckBox>("checkForUpdates")->isChecked());
    EXPECT_FALSE(picker->isEnabled());
    pane->hide();
    pane->show();
    EXPECT_FALSE(child<QCheckBox>("includeBetas")->isChecked());
    // Check Now asks the feed once, and the finished check dates the footer.
    server->route(releasesPath(), {feedOf("1.1")});
    await<CheckResult>(&Updater::checkFinished, [&] { click("checkNow"); });
    EXPECT_EQ(server->requests().size(), 1);
    EXPECT_EQ(recorder->events.last(), "updateFound");
    EXPECT_TRUE(child<QLabel>("lastCheckDate")->text().startsWith("Today at "));
}

TEST(LastCheckDateFormat, RelativeDaysAndLongDatesWithoutWeekday)
{
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QDateTime now(QDate(2024, 3, 10), QTime(18, 0), Qt::LocalTime);
    const QString at = QStringLiteral(" at ") + us.toString(QTime(15, 7), QLocale::ShortFormat);
    const std::pair<int, QString> rows[] = {{10, "Today"}, {9, "Yesterday"}, {11, "Tomorrow"}};
    for (const auto& [day, shown] : rows)
        EXPECT_EQ(formatLastCheckDate(QDateTime(QDate(2024, 3, day), QTime(15, 7)), now, us), shown + at);
    EXPECT_EQ(formatLastCheckDate(QDateTime(QDate(2024, 1, 5), QTime(15, 7)), now, us),
              "January 5, 2024" + at);
    EXPECT_EQ(longDateFormatWithoutWeekday(QLocale(QLocale::French)), "d MMMM yyyy");
    EXPECT_EQ(longDateFormatWithoutWeekday(QLocale(QLocale::German, QLocale::Germany)), "d. MMMM yyyy");
}

using UpdatesViewControllerTest = UpdaterFixture;

TEST_F(UpdatesViewControllerTest, WithoutAnApplicationIdNothingIsSetOrLoggedAndThePanesBetaSwitchSnapsBack)
{
    updater = makeUpdater(QString());
    UpdatesPreferencesView view(*updater);
    UpdatesViewController controller(*defaults, updater.get());
    view.show();
    controller.show();
    KestrelExtensions::LogCapture log;
    setIncludeBetaReleases(*defaults, true);
    clickBox(view.findChild<QCheckBox*>("includeBetas"));
    EXPECT_FALSE(view.findChild<QCheckBox*>("includeBetas")->isChecked());
    EXPECT_TRUE(log.systemLines().isEmpty());
    EXPECT_TRUE(updater->feedURL().isEmpty());
}

TEST_F(UpdatesViewControllerTest, FollowsTheSwitchOnlyWhileShownAndIsTheHostedUpdatesPane)
{
    const auto feed = [&](const char* channel) { return server->url(feedPath(channel)).toString(); };
    const auto line = [&](const char* channel) { return "Setting Sparkle feed to " + feed(channel); };
    UpdatesViewController pane(*defaults, updater.get());
    KestrelExtensions::LogCapture log;
    pane.show(); // absent switch: the release feed, set at once
    EXPECT_EQ(updater->feedURL().toString(), feed("releases"));
    setIncludeBetaReleases(*defaults, true);
    pane.hide();
    EXPECT_FALSE(pane.isObservingIncludeBetaReleases());
    setIncludeBetaReleases(*defaults, false); // hidden: nothing follows
    EXPECT_EQ(updater->feedURL().toString(), feed("betas"));
    pane.show();
    EXPECT_EQ(updater->feedURL().toString(), feed("releases"));
    EXPECT_EQ(log.systemLines(), (QStringList{line("releases"), line("betas"), line("releases")}));
    clickBox(pane.findChild<QCheckBox*>("includeBetaReleases"));
    EXPECT_TRUE(includeBetaReleases(*defaults));
    EXPECT_EQ(updater->feedURL().toString(), feed("betas"));
    EXPECT_EQ(std::pair(pane.preferencePaneIdentifier(), pane.preferencePaneTitle()),
              std::pair(updatesPane().identifier(), QString("Updates")));
    std::unique_ptr<Preferences::PreferencePane> hosted(updatesPreferencePane());
    EXPECT_EQ(updatesPreferencePane(), hosted.get()); // made once
    EXPECT_NE(hosted->findChild<UpdatesPreferencesView*>(), nullptr);
    hosted.reset();
    EXPECT_NE(std::unique_ptr<Preferences::PreferencePane>(updatesPreferencePane()), nullptr); // made again
}

TEST_F(UpdaterSettings, ASwitchDamagedInTheSettingsFileStaysOffSoNoCheckRunsUnasked)
{
    const QString file = m_folder.filePath("damaged.ini");
    QFile damaged(file);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("[General]\nincludeBetaReleases=sure\n"
                  "[KestrelUpdater]\nAutomaticallyChecksForUpdates=garbage!!\nSendsSystemProfile=2\n"
                  "AutomaticallyDownloadsUpdates=enabled\n");
    damaged.close();
    updater.reset();
    defaults = std::make_unique<KestrelExtensions::UserDefaults>(file);
    updater = makeUpdater(testApplicationId);
    EXPECT_EQ(std::tuple(updater->automaticallyChecksForUpdates(), updater->sendsSystemProfile(),
                         updater->automaticallyDownloadsUpdates(), updater->isScheduled(),
                         includeBetaReleases(*defaults)),
              std::tuple(false, false, false, false, false));
    updater->setAutomaticallyChecksForUpdates(true); // the user's own choice still counts
    EXPECT_TRUE(updater->isScheduled());
}

} // namespace
