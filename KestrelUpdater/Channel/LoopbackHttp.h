#pragma once

#include <QByteArray>

namespace KestrelUpdater {

// Whether plain HTTP to a loopback address may carry feeds and downloads. The updater library built
// into the application answers false, always: it has no way to turn this on. Only the updater's own
// tests, which serve feeds from a local server, link a variant of this function that can answer true.
bool loopbackHttpAllowed();

// PEM certificates that TLS trusts in place of the system's. The application's library answers none,
// always, so its transfers check servers against the system's certificates only; the tests' variant
// answers the certificates of their local HTTPS servers. Verification itself is never turned off.
QByteArray loopbackCertificateAuthorities();

} // namespace KestrelUpdater
