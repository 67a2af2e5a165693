#pragma once

namespace KestrelExtensions {
class UserDefaults;
}

namespace KestrelUpdater {

// The user-defaults switch "includeBetaReleases" that the Updates view controller follows; absent reads
// as false.
inline constexpr auto includeBetaReleasesKey = "includeBetaReleases";

bool includeBetaReleases(const KestrelExtensions::UserDefaults& defaults);
void setIncludeBetaReleases(KestrelExtensions::UserDefaults& defaults, bool on);

} // namespace KestrelUpdater
