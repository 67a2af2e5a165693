#pragma once

namespace KestrelUpdater {

// Whether plain HTTP to a loopback address may carry feeds and downloads. The updater library built
// into the application answers false, always: it has no way to turn this on. Only the updater's own
// tests, which serve feeds from a local server, link a variant of this function that can answer true.
bool loopbackHttpAllowed();

} // namespace KestrelUpdater
