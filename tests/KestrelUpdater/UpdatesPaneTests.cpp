#include "KestrelUpdater/Channel/IncludeBetaReleases.h"
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

using namespace TestSupport;

namespace {

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

} // namespace
