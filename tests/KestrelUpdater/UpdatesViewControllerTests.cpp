#include "KestrelUpdater/Channel/IncludeBetaReleases.h"
#include "KestrelUpdater/Pane/UpdatesPreferencePane.h"
#include "KestrelUpdater/Pane/UpdatesViewController.h"
#include "KestrelUpdater/UpdatesPreferencesView.h"
#include "Preferences/Window/PreferencesTabViewController.h"
#include "Preferences/Window/PreferencesWindowController.h"
#include "Preferences/Window/UserInteractionPausableWindow.h"
#include "UpdaterFixture.h"
#include "support/LogCapture.h"

#include <QCheckBox>
#include <QTest>

using namespace KestrelUpdater;

namespace {

class UpdatesViewControllerTest : public TestSupport::UpdaterFixture {
protected:
    QString feed(const char* channel) const
    {
        return server->url("/applications/" + TestSupport::testApplicationId + "/" + channel + "/appcast.xml")
            .toString();
    }
    QString line(const char* channel) const { return "Setting Sparkle feed to " + feed(channel); }
};

TEST_F(UpdatesViewControllerTest, FollowsTheSwitchOnlyWhileShown)
{
    UpdatesViewController pane(*defaults, updater.get());
    KestrelExtensions::LogCapture log;
    pane.show(); // absent switch: the release feed, set at once
    EXPECT_EQ(updater->feedURL().toString(), feed("releases"));
    EXPECT_EQ(log.systemLines(), QStringList{line("releases")});

    setIncludeBetaReleases(*defaults, true);
    EXPECT_EQ(updater->feedURL().toString(), feed("betas"));

    pane.hide();
    EXPECT_FALSE(pane.isObservingIncludeBetaReleases());
    setIncludeBetaReleases(*defaults, false);
    EXPECT_EQ(updater->feedURL().toString(), feed("betas")); // hidden: nothing follows

    pane.show();
    EXPECT_EQ(updater->feedURL().toString(), feed("releases"));
    EXPECT_EQ(log.systemLines(), (QStringList{line("releases"), line("betas"), line("releases")}));

    // Its box writes the switch.
    auto* box = pane.findChild<QCheckBox*>("includeBetaReleases");
    ASSERT_NE(box, nullptr);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    EXPECT_TRUE(includeBetaReleases(*defaults));
    EXPECT_EQ(updater->feedURL().toString(), feed("betas"));
}

TEST_F(UpdatesViewControllerTest, WithoutAnApplicationIdNothingIsSetOrLogged)
{
    updater.reset();
    const auto anonymous = makeUpdater(QString());
    KestrelExtensions::LogCapture log;
    UpdatesViewController pane(*defaults, anonymous.get());
    pane.show();
    setIncludeBetaReleases(*defaults, true);
    EXPECT_TRUE(log.systemLines().isEmpty());
    EXPECT_TRUE(anonymous->feedURL().isEmpty());
}

TEST_F(UpdatesViewControllerTest, TitlesTheSettingsWindowAndIsHostedOnTheSharedUpdater)
{
    auto* pane = new UpdatesViewController(*defaults, updater.get());
    auto* other = new UpdatesViewController(*defaults, updater.get());
    EXPECT_FALSE(pane->toolbarItemIcon().isNull());
    Preferences::PreferencesWindowController window(QList<Preferences::PreferencePane*>{other, pane},
                                                    Preferences::Style::toolbarItems, false, true,
                                                    defaults.get());
    window.show(Preferences::PaneIdentifier(QStringLiteral("updates")));
    EXPECT_EQ(window.window()->windowTitle(), "Updates");

    const Preferences::Pane& value = updatesPane();
    EXPECT_EQ(value.identifier().rawValue, "updates");
    EXPECT_EQ(&updatesPane(), &value); // made once
    std::unique_ptr<Preferences::PreferencePane> hosted(updatesPreferencePane());
    ASSERT_NE(hosted, nullptr);
    EXPECT_EQ(updatesPreferencePane(), hosted.get());
    EXPECT_EQ(hosted->preferencePaneTitle(), "Updates");
    EXPECT_NE(hosted->findChild<UpdatesPreferencesView*>(), nullptr);
    hosted.reset();
    std::unique_ptr<Preferences::PreferencePane> again(updatesPreferencePane());
    EXPECT_NE(again, nullptr);
}

} // namespace
