#include "IncludeBetaReleases.h"

#include "KestrelExtensions/Defaults/UserDefaults.h"

namespace KestrelUpdater {

bool includeBetaReleases(const KestrelExtensions::UserDefaults& defaults)
{
    return defaults.boolean(QLatin1String(includeBetaReleasesKey)).value_or(false);
}

void setIncludeBetaReleases(KestrelExtensions::UserDefaults& defaults, bool on)
{
    defaults.setBool(QLatin1String(includeBetaReleasesKey), on);
}

} // namespace KestrelUpdater
