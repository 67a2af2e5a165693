#include "KestrelUpdater/Pane/LastCheckDateFormat.h"
#include "KestrelUpdater/UpdatesPreferencesView.h"
#include "UpdaterFixture.h"
#include "support/LogCapture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace KestrelUpdater;
using TestSupport::appcast;
using TestSupport::appcastItem;

namespace {

class UpdatesPaneTest : public TestSupport::UpdaterFixture {
protected:
    void SetUp() override
    {
        UpdaterFixture::SetUp();
        pane = std::make_unique<UpdatesPreferencesView>(*updater);
        pane->show();
    }
    void TearDown() override
    {
        pane.reset();
        UpdaterFixture::TearDown();
    }
    template <typename Widget> Widget* child(const char* name) const
    {
        auto* found = pane->findChild<Widget*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    // Clicks a box on its indicator: a stretched box answers only there and on its text.
    static void click(QAbstractButton* button)
    {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }
    void choose(QComboBox* combo, int row)
    {
        combo->setCurrentIndex(row);
        emit combo->activated(row);
    }

    std::unique_ptr<UpdatesPreferencesView> pane;
};

TEST_F(UpdatesPaneTest, ShowsTheQuietDefaultsAndControlsWriteTheUpdaterAtOnce)
{
    auto* automatic = child<QCheckBox>("checkForUpdates");
    auto* picker = child<QComboBox>("updateFrequency");
    EXPECT_EQ(child<QLabel>("lastCheckDate")->text(), "Never");
    EXPECT_FALSE(automatic->isChecked());
    EXPECT_EQ(picker->currentText(), "Daily");
    EXPECT_FALSE(picker->isEnabled()); // only automatic checks use it
    EXPECT_FALSE(child<QCheckBox>("includeBetas")->isChecked());

    click(automatic);
    EXPECT_TRUE(updater->automaticallyChecksForUpdates());
    EXPECT_TRUE(picker->isEnabled());

    choose(picker, 2);
    EXPECT_EQ(updater->updateCheckInterval(), 604800.0);
    choose(picker, 0);
    EXPECT_EQ(updater->updateCheckInterval(), 3600.0);

    click(child<QCheckBox>("sendsSystemProfile"));
    click(child<QCheckBox>("automaticallyDownloadsUpdates"));
    EXPECT_TRUE(updater->sendsSystemProfile());
    EXPECT_TRUE(updater->automaticallyDownloadsUpdates());

    KestrelExtensions::LogCapture log;
    click(child<QCheckBox>("includeBetas"));
    EXPECT_EQ(updater->feedURL(), server->url(betasPath()));
    EXPECT_EQ(log.systemLines(),
              QStringList{"Setting Sparkle feed to " + server->url(betasPath()).toString()});
}

TEST_F(UpdatesPaneTest, ChangesMadeOnTheUpdaterRedrawThePane)
{
    updater->setUpdateCheckInterval(7200);
    EXPECT_EQ(child<QComboBox>("updateFrequency")->currentIndex(), -1);
    updater->setAutomaticallyChecksForUpdates(true);
    EXPECT_TRUE(child<QCheckBox>("checkForUpdates")->isChecked());
    EXPECT_TRUE(child<QComboBox>("updateFrequency")->isEnabled());

    // A finished check dates the footer.
    server->routeBody(releasesPath(), appcast(appcastItem("1.0")));
    runCheck(Updater::CheckMode::Probe);
    const QString shown = child<QLabel>("lastCheckDate")->text();
    EXPECT_NE(shown, "Never");
    EXPECT_TRUE(shown.startsWith("Today at ")) << shown.toStdString();
}

TEST_F(UpdatesPaneTest, CheckNowAsksTheFeedOnceAndTheBetaSwitchIsReadOnEachShow)
{
    server->routeBody(releasesPath(), appcast(appcastItem("1.1")));
    QSignalSpy finished(updater.get(), &Updater::checkFinished);
    click(child<QPushButton>("checkNow"));
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(server->requests().size(), 1);
    EXPECT_EQ(recorder->events.last(), "updateFound");

    pane->hide();
    updater->setFeedURL(server->url(betasPath()));
    pane->show();
    EXPECT_TRUE(child<QCheckBox>("includeBetas")->isChecked());
}

TEST_F(UpdatesPaneTest, WithoutAnApplicationIdTheBetaSwitchSnapsBack)
{
    pane.reset();
    updater.reset();
    updater = makeUpdater(QString());
    pane = std::make_unique<UpdatesPreferencesView>(*updater);
    pane->show();
    KestrelExtensions::LogCapture log;
    auto* betas = child<QCheckBox>("includeBetas");
    click(betas);
    EXPECT_FALSE(betas->isChecked());
    EXPECT_TRUE(log.systemLines().isEmpty());
    EXPECT_TRUE(updater->feedURL().isEmpty());
}

TEST(LastCheckDateFormat, RelativeDaysAndLongDatesWithoutWeekday)
{
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QDateTime now(QDate(2024, 3, 10), QTime(18, 0), Qt::LocalTime);
    const QString at = QStringLiteral(" at ") + us.toString(QTime(15, 7), QLocale::ShortFormat);
    EXPECT_EQ(formatLastCheckDate(QDateTime(QDate(2024, 3, 10), QTime(15, 7)), now, us), "Today" + at);
    EXPECT_EQ(formatLastCheckDate(QDateTime(QDate(2024, 3, 9), QTime(15, 7)), now, us), "Yesterday" + at);
    EXPECT_EQ(formatLastCheckDate(QDateTime(QDate(2024, 3, 11), QTime(15, 7)), now, us), "Tomorrow" + at);
    EXPECT_EQ(formatLastCheckDate(QDateTime(QDate(2024, 1, 5), QTime(15, 7)), now, us),
              "January 5, 2024" + at);

    for (const QLocale& locale : {us, QLocale(QLocale::German, QLocale::Germany), QLocale(QLocale::French)}) {
        const QString format = longDateFormatWithoutWeekday(locale);
        EXPECT_FALSE(format.contains("dddd")) << format.toStdString();
        EXPECT_TRUE(format.contains("yyyy")) << format.toStdString();
        EXPECT_FALSE(format.startsWith(',') || format.startsWith(' ')) << format.toStdString();
    }
}

} // namespace
