#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace KestrelUpdater {

// True exactly when the base64 signature is a valid Ed25519 signature of the message under the base64
// public key (32 raw bytes). Malformed keys or signatures answer false.
bool verifyEd25519(const QByteArray& publicKeyBase64, const QByteArray& signatureBase64,
                   QByteArrayView message);

} // namespace KestrelUpdater
