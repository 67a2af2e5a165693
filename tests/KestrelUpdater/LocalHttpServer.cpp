#include "LocalHttpServer.h"

#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>

namespace TestSupport {

LocalHttpServer::LocalHttpServer(QObject* parent) : QObject(parent), m_server(std::make_unique<QTcpServer>())
{
    listen();
}

LocalHttpServer::LocalHttpServer(const QSslCertificate& certificate, const QSslKey& key, QObject* parent)
    : QObject(parent), m_tls(true)
{
    auto server = std::make_unique<QSslServer>();
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificate(certificate);
    configuration.setPrivateKey(key);
    server->setSslConfiguration(configuration);
    m_server = std::move(server);
    listen();
}

void LocalHttpServer::listen()
{
    // Loopback only, and a port the system picks.
    m_server->listen(QHostAddress::LocalHost, 0);
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, &LocalHttpServer::accept);
}

LocalHttpServer::~LocalHttpServer()
{
    m_server->close();
}

QUrl LocalHttpServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("%1://127.0.0.1:%2%3").arg(m_tls ? "https" : "http").arg(port()).arg(path));
}

void LocalHttpServer::route(const QString& path, Response response)
{
    m_routes.insert(path, std::move(response));
}

void LocalHttpServer::routeBody(const QString& path, const QByteArray& body, int status)
{
    Response response;
    response.status = status;
    response.body = body;
    route(path, response);
}

void LocalHttpServer::redirect(const QString& path, const QString& location, int status)
{
    Response response;
    response.status = status;
    response.headers.append({"Location", location.toUtf8()});
    route(path, response);
}

void LocalHttpServer::accept()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void LocalHttpServer::read(QTcpSocket* socket)
{
    QByteArray& buffer = m_pending[socket];
    buffer += socket->readAll();
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    const QList<QByteArray> lines = buffer.left(end).split('\n');
    m_pending.remove(socket);
    if (lines.isEmpty())
        return;
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    Request request;
    const QUrl target(QString::fromUtf8(requestLine.value(1)));
    request.path = target.path();
    request.query = target.query();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                   lines[i].mid(colon + 1).trimmed());
    }
    m_requests.append(request);
    emit requestReceived();

    const Response response = m_routes.value(request.path, Response{404, "not found", {}, false, false});
    if (response.stall)
        return;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\nConnection: close\r\n";
    if (!response.omitContentLength)
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    for (const auto& [name, value] : response.headers)
        head += name + ": " + value + "\r\n";
    socket->write(head + "\r\n");
    send(socket, response);
}

void LocalHttpServer::send(QTcpSocket* socket, const Response& response)
{
    if (response.trickleMs > 0) {
        auto* timer = new QTimer(socket);
        connect(timer, &QTimer::timeout, socket, [this, socket, response, sent = qsizetype(0)]() mutable {
            if (sent < response.body.size() || response.endless) {
                socket->write(sent < response.body.size() ? response.body.mid(sent, 1) : QByteArray("x"));
                ++sent;
                ++m_bytesSent;
            } else {
                socket->disconnectFromHost();
            }
        });
        timer->start(response.trickleMs);
        return;
    }
    socket->write(response.body);
    m_bytesSent += response.body.size();
    if (!response.endless) {
        socket->disconnectFromHost();
        return;
    }
    // Keeps a little ahead of the client, so the bytes sent say how much it actually took.
    const auto topUp = [this, socket] {
        static const QByteArray filler(16 * 1024, 'x');
        while (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < 64 * 1024 &&
               m_bytesSent < maximumEndlessBytes) {
            socket->write(filler);
            m_bytesSent += filler.size();
        }
    };
    connect(socket, &QTcpSocket::bytesWritten, this, topUp);
    topUp();
}

} // namespace TestSupport
