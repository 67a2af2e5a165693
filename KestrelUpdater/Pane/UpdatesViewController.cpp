#include "UpdatesViewController.h"

#include "ArrowDownCircleIcon.h"
#include "KestrelExtensions/Defaults/UserDefaults.h"
#include "KestrelExtensions/Localization/Localized.h"
#include "KestrelExtensions/Logging/Log.h"
#include "KestrelUpdater/Channel/FeedChannel.h"
#include "KestrelUpdater/Channel/IncludeBetaReleases.h"
#include "KestrelUpdater/Updater.h"

#include <QCheckBox>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

using KestrelExtensions::localized;

namespace KestrelUpdater {

UpdatesViewController::UpdatesViewController(QWidget* parent)
    : UpdatesViewController(KestrelExtensions::UserDefaults::standard(), Updater::shared(), parent)
{
}

UpdatesViewController::UpdatesViewController(KestrelExtensions::UserDefaults& defaults, Updater* updater,
                                             QWidget* parent)
    : Preferences::PreferencePane(parent), m_identifier(QStringLiteral("updates")),
      m_title(localized("Updates")), m_toolbarIcon(arrowDownCircleIcon()), m_defaults(defaults),
      m_updater(updater)
{
    buildContent();
}

UpdatesViewController::~UpdatesViewController()
{
    QObject::disconnect(m_includeBetaReleasesObserver);
}

void UpdatesViewController::buildContent()
{
    auto* column = new QVBoxLayout(this);
    m_includeBetasBox = new QCheckBox(localized("Include beta releases"), this);
    m_includeBetasBox->setObjectName(QStringLiteral("includeBetaReleases"));
    m_includeBetasBox->setChecked(includeBetaReleases(m_defaults));
    column->addWidget(m_includeBetasBox);
    column->addStretch();
    connect(m_includeBetasBox, &QCheckBox::clicked, this,
            [this](bool on) { setIncludeBetaReleases(m_defaults, on); });
    // The box shows the switch whoever writes it, shown or hidden.
    connect(&m_defaults, &KestrelExtensions::UserDefaults::changed, this, [this](const QString& key) {
        if (key == QLatin1String(includeBetaReleasesKey)) {
            const QSignalBlocker blocker(m_includeBetasBox);
            m_includeBetasBox->setChecked(includeBetaReleases(m_defaults));
        }
    });
}

void UpdatesViewController::showEvent(QShowEvent* event)
{
    PreferencePane::showEvent(event);
    // A window restored from the taskbar is no new appearance.
    if (!event->spontaneous())
        viewDidAppear();
}

void UpdatesViewController::hideEvent(QHideEvent* event)
{
    PreferencePane::hideEvent(event);
    if (!event->spontaneous())
        viewWillDisappear();
}

void UpdatesViewController::viewDidAppear()
{
    QObject::disconnect(m_includeBetaReleasesObserver);
    m_includeBetaReleasesObserver =
        connect(&m_defaults, &KestrelExtensions::UserDefaults::changed, this, [this](const QString& key) {
            if (key == QLatin1String(includeBetaReleasesKey))
                includeBetaReleasesChanged();
        });
    includeBetaReleasesChanged(); // once at once, as the switch stands now
}

void UpdatesViewController::viewWillDisappear()
{
    QObject::disconnect(m_includeBetaReleasesObserver);
    m_includeBetaReleasesObserver = {};
}

void UpdatesViewController::includeBetaReleasesChanged()
{
    const QString applicationId =
        m_updater ? m_updater->applicationId() : bundleIdentifier().value_or(QString());
    const QUrl base = m_updater ? m_updater->feedBase() : Updater::defaultFeedBase();
    const QString feed = feedStringFor(includeBetaReleases(m_defaults), base, applicationId);
    if (feed.isEmpty())
        return;
    KestrelExtensions::Log::system(QStringLiteral("Setting Sparkle feed to ") + feed);
    if (m_updater)
        m_updater->setFeedURL(QUrl(feed));
}

} // namespace KestrelUpdater
