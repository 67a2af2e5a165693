#pragma once

#include <QSslCertificate>
#include <QSslKey>

namespace TestSupport {

// A fresh self-signed certificate for 127.0.0.1 and its private key, for a TLS server on loopback.
struct TestCertificate {
    QSslCertificate certificate;
    QSslKey key;

    static TestCertificate make();
    // Makes every TLS client of this process trust the certificate (each test runs in its own process).
    void trustInThisProcess() const;
};

} // namespace TestSupport
