#include "IncludeBetas.h"

#include "FeedChannel.h"
#include "KestrelExtensions/Logging/Log.h"
#include "KestrelUpdater/Updater.h"

namespace KestrelUpdater {

IncludeBetas::IncludeBetas(Updater& updater)
    : m_key(QStringLiteral("KestrelIncludeBetas")), m_updater(updater),
      m_backingValue(channelFolder(updater.feedURL()) == QLatin1String(betasFolder))
{
}

bool IncludeBetas::setValue(bool on)
{
    if (!setFeedChannel(m_updater, on))
        return false;
    m_backingValue = on;
    return true;
}

bool setFeedChannel(Updater& updater, bool betas)
{
    const QString feed = feedStringFor(betas, updater.feedBase(), updater.applicationId());
    if (feed.isEmpty())
        return false;
    KestrelExtensions::Log::system(QStringLiteral("Setting Sparkle feed to ") + feed);
    updater.setFeedURL(QUrl(feed));
    return true;
}

} // namespace KestrelUpdater
