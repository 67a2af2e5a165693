#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

namespace TestSupport {

// A small HTTP/1.1 server on 127.0.0.1 (an ephemeral port) for updater tests: each path answers with a
// fixed response, or stalls, redirects or leaves out its length. One request per connection.
class LocalHttpServer : public QObject {
    Q_OBJECT
public:
    struct Response {
        int status = 200;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        bool stall = false;             // read the request, never answer
        bool omitContentLength = false; // body ends when the connection closes
    };
    struct Request {
        QString path;
        QString query;
        QHash<QByteArray, QByteArray> headers; // names lower-case
    };

    explicit LocalHttpServer(QObject* parent = nullptr);
    ~LocalHttpServer() override;

    quint16 port() const { return m_server.serverPort(); }
    QUrl url(const QString& path) const;

    void route(const QString& path, Response response);
    void routeBody(const QString& path, const QByteArray& body, int status = 200);
    void redirect(const QString& path, const QString& location, int status = 302);

    const QList<Request>& requests() const { return m_requests; }

signals:
    void requestReceived();

private:
    void accept();
    void read(QTcpSocket* socket);

    QTcpServer m_server;
    QHash<QString, Response> m_routes;
    QList<Request> m_requests;
    QHash<QTcpSocket*, QByteArray> m_pending;
};

} // namespace TestSupport
