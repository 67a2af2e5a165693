#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QTcpServer>
#include <QUrl>
#include <memory>

class QSslCertificate;
class QSslKey;
class QTcpSocket;

namespace TestSupport {

// A small HTTP/1.1 server on 127.0.0.1 (an ephemeral port) for updater tests: each path answers with a
// fixed response, or stalls, redirects, leaves out its length, never ends or trickles. One request per
// connection.
class LocalHttpServer : public QObject {
    Q_OBJECT
public:
    struct Response {
        int status = 200;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        bool stall = false;             // read the request, never answer
        bool omitContentLength = false; // body ends when the connection closes
        bool endless = false;           // after the body, filler bytes for as long as the client reads
        int trickleMs = 0;              // send the body (and any filler) one byte per this many ms
    };
    struct Request {
        QString path;
        QString query;
        QHash<QByteArray, QByteArray> headers; // names lower-case
    };

    // An endless body stops here, so a client that reads everything shows as a failed test, not a full disk.
    static constexpr qint64 maximumEndlessBytes = qint64(256) * 1024 * 1024;

    explicit LocalHttpServer(QObject* parent = nullptr);
    // The same over TLS with the given certificate (for 127.0.0.1) and key: an https: server.
    LocalHttpServer(const QSslCertificate& certificate, const QSslKey& key, QObject* parent = nullptr);
    ~LocalHttpServer() override;

    quint16 port() const { return m_server->serverPort(); }
    QUrl url(const QString& path) const;

    void route(const QString& path, Response response);
    void routeBody(const QString& path, const QByteArray& body, int status = 200);
    void redirect(const QString& path, const QString& location, int status = 302);

    const QList<Request>& requests() const { return m_requests; }
    // Body bytes written to clients so far (filler included).
    qint64 bytesSent() const { return m_bytesSent; }

signals:
    void requestReceived();

private:
    void accept();
    void read(QTcpSocket* socket);
    void send(QTcpSocket* socket, const Response& response);

    void listen();

    std::unique_ptr<QTcpServer> m_server;
    bool m_tls = false;
    QHash<QString, Response> m_routes;
    QList<Request> m_requests;
    QHash<QTcpSocket*, QByteArray> m_pending;
    qint64 m_bytesSent = 0;
};

} // namespace TestSupport
