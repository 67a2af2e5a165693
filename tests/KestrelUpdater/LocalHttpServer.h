#pragma once

#include <QHash>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <memory>
#include <openssl/evp.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace TestSupport {

// A small HTTP/1.1 server on 127.0.0.1 (a port the system picks) serving a table of responses by path, one
// request per connection; over TLS with a fresh self-signed certificate when asked.
class LocalHttpServer {
public:
    struct Response {
        QByteArray body = {};
        int status = 200;
        QByteArray location = {};    // a redirect's target
        bool stall = false;          // read the request, never answer
        bool endless = false;        // no length, and after the body filler for as long as the client reads
        int trickleMs = 0;           // the body one byte per this many ms
        QByteArray headers = {};     // more header lines, each ended by CR LF
        qint64 contentLength = -1;   // announced in place of the body's length (the body is sent as it is)
        bool endlessHeaders = false; // header lines for as long as the client reads
        bool keepAlive = false;      // no "Connection: close"
    };
    struct Request {
        QString path, query;
        QByteArray head; // the request line and header lines, each ended by CR LF
    };
    enum Transport { Plain, Tls };

    // An endless body stops here, so a client that reads everything shows as a failed test, not a full disk.
    static constexpr qint64 maximumEndlessBytes = qint64(256) * 1024 * 1024;

    // An untrusted TLS server's certificate is trusted by no client.
    explicit LocalHttpServer(Transport transport = Plain, bool trusted = true)
        : m_server(transport == Tls ? new QSslServer : new QTcpServer)
    {
        if (auto* tls = qobject_cast<QSslServer*>(m_server.get()))
            tls->setSslConfiguration(certificate(trusted));
        m_server->listen(QHostAddress::LocalHost, 0);
        QObject::connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, m_server.get(), [this] {
            while (QTcpSocket* socket = m_server->nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket,
                                 [this, socket, buffer = QByteArray()]() mutable { read(socket, buffer); });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    QUrl url(const QString& path) const
    {
        const char* scheme = qobject_cast<QSslServer*>(m_server.get()) ? "https" : "http";
        return QUrl(QStringLiteral("%1://127.0.0.1:%2%3").arg(scheme).arg(m_server->serverPort()).arg(path));
    }
    void route(const QString& path, Response response) { m_routes.insert(path, std::move(response)); }
    const QList<Request>& requests() const { return m_requests; }
    // Body bytes written to clients so far (filler included).
    qint64 bytesSent() const { return m_bytesSent; }

private:
public:
    // The certificates of every TLS server made so far in this process, as PEM.
    static QByteArray& certificatesPem()
    {
        static QByteArray pem;
        return pem;
    }

private:
    // A certificate for 127.0.0.1 that every TLS client of this process trusts when `trusted` (each test
    // runs in its own process).
    static QSslConfiguration certificate(bool trusted)
    {
        std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
            EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"), EVP_PKEY_free);
        std::unique_ptr<X509, decltype(&X509_free)> owned(X509_new(), X509_free);
        X509* const certificate = owned.get();
        X509_gmtime_adj(X509_getm_notBefore(certificate), -3600);
        X509_gmtime_adj(X509_getm_notAfter(certificate), 24 * 3600);
        X509_set_pubkey(certificate, key.get());
        X509_NAME* name = X509_get_subject_name(certificate);
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
        X509_set_issuer_name(certificate, name);
        ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1);
        X509_set_version(certificate, 2);
        X509V3_CTX context;
        X509V3_set_ctx_nodb(&context);
        X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
        for (const auto& [id, value] : {std::pair{NID_subject_alt_name, "IP:127.0.0.1"},
                                        std::pair{NID_basic_constraints, "critical,CA:TRUE"}}) {
            std::unique_ptr<X509_EXTENSION, decltype(&X509_EXTENSION_free)> extension(
                X509V3_EXT_conf_nid(nullptr, &context, id, value), X509_EXTENSION_free);
            X509_add_ext(certificate, extension.get(), -1);
        }
        X509_sign(certificate, key.get(), EVP_sha256());
        const auto der = [](auto write, auto* object) {
            QByteArray bytes(write(object, nullptr), '\0');
            auto* data = reinterpret_cast<unsigned char*>(bytes.data());
            write(object, &data);
            return bytes;
        };
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setLocalCertificate(QSslCertificate(der(i2d_X509, certificate), QSsl::Der));
        configuration.setPrivateKey(QSslKey(der(i2d_PrivateKey, key.get()), QSsl::Ec, QSsl::Der));
        if (!trusted)
            return configuration;
        configuration.addCaCertificate(configuration.localCertificate());
        certificatesPem() += configuration.localCertificate().toPem();
        QSslConfiguration::setDefaultConfiguration(configuration);
        return configuration;
    }

    void read(QTcpSocket* socket, QByteArray& buffer)
    {
        buffer += socket->readAll();
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QUrl target(QString::fromUtf8(buffer.left(buffer.indexOf("\r\n")).split(' ').value(1)));
        const Request request{target.path(), target.query(), buffer.left(end) + "\r\n"};
        m_requests.append(request);
        const Response response = m_routes.value(request.path, Response{"not found", 404});
        if (response.stall)
            return;
        const qint64 length = response.contentLength >= 0 ? response.contentLength : response.body.size();
        socket->write(
            "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n" +
            (response.keepAlive ? QByteArray() : "Connection: close\r\n") +
            (response.endless && response.contentLength < 0
                 ? QByteArray()
                 : "Content-Length: " + QByteArray::number(length) + "\r\n") +
            (response.location.isEmpty() ? QByteArray() : "Location: " + response.location + "\r\n") +
            response.headers + (response.endlessHeaders ? QByteArray() : QByteArray("\r\n")));
        if (response.endlessHeaders)
            return keepSending(socket, "X-Filler: " + QByteArray(1000, 'h') + "\r\n");
        if (response.trickleMs > 0) {
            auto* timer = new QTimer(socket);
            QObject::connect(timer, &QTimer::timeout, socket,
                             [this, socket, body = response.body, sent = 0]() mutable {
                                 if (sent == body.size())
                                     return socket->disconnectFromHost();
                                 socket->write(body.mid(sent++, 1));
                                 ++m_bytesSent;
                             });
            return timer->start(response.trickleMs);
        }
        socket->write(response.body);
        m_bytesSent += response.body.size();
        if (!response.endless)
            return socket->disconnectFromHost();
        keepSending(socket, QByteArray(16 * 1024, 'x'));
    }

    // Sends the piece again and again for as long as the client reads (up to maximumEndlessBytes),
    // keeping a little ahead of it, so the bytes sent say how much it actually took.
    void keepSending(QTcpSocket* socket, const QByteArray& piece)
    {
        const auto topUp = [this, socket, piece] {
            while (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < 64 * 1024 &&
                   m_bytesSent < maximumEndlessBytes) {
                socket->write(piece);
                m_bytesSent += piece.size();
            }
        };
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket, topUp);
        topUp();
    }

    QHash<QString, Response> m_routes;
    QList<Request> m_requests;
    qint64 m_bytesSent = 0;
    std::unique_ptr<QTcpServer> m_server; // last, so its connections go first
};

} // namespace TestSupport
