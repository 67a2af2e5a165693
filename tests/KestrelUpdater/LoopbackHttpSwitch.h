#pragma once

namespace TestSupport {

// The tests' side of KestrelUpdater::loopbackHttpAllowed(): on, so the local server can serve feeds.
// A test turns it off to see what the application itself does.
extern bool loopbackHttpOn;

} // namespace TestSupport
