#include "tests/support/FakeHttpServer.h"

#include <QNetworkProxy>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 304: return "Not Modified";
    case 307: return "Temporary Redirect";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 410: return "Gone";
    case 429: return "Too Many Requests";
    case 500: return "Internal Server Error";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    case 504: return "Gateway Timeout";
    case 509: return "Bandwidth Limit Exceeded";
    default: return "Status";
    }
}

} // namespace

QByteArray FakeHttpServer::Request::header(const QByteArray& name) const
{
    for (const auto& h : headers)
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    return QByteArray();
}

FakeHttpServer::Response FakeHttpServer::Response::ok(const QByteArray& body, const QByteArray& contentType)
{
    Response r;
    r.body = body;
    r.headers.append(qMakePair(QByteArray("Content-Type"), contentType));
    return r;
}

FakeHttpServer::Response FakeHttpServer::Response::error(int status, const QByteArray& body)
{
    Response r;
    r.status = status;
    r.body = body;
    r.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("text/plain")));
    return r;
}

FakeHttpServer::Response FakeHttpServer::Response::redirect(int status, const QByteArray& location)
{
    Response r;
    r.status = status;
    if (!location.isEmpty())
        r.headers.append(qMakePair(QByteArray("Location"), location));
    return r;
}

FakeHttpServer::FakeHttpServer(QObject* parent)
    : QObject(parent)
    , handler([](const Request&) { return Response::error(404, "no handler"); })
{
    connect(&server, SIGNAL(newConnection()), this, SLOT(acceptConnections()));
    clock.start();
}

FakeHttpServer::~FakeHttpServer()
{
    server.close();
}

bool FakeHttpServer::listen()
{
    return server.listen(QHostAddress::LocalHost, 0);
}

quint16 FakeHttpServer::port() const
{
    return server.serverPort();
}

void FakeHttpServer::useAsApplicationProxy()
{
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), port()));
}

void FakeHttpServer::clearApplicationProxy()
{
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::NoProxy));
}

void FakeHttpServer::setHandler(Handler h)
{
    handler = std::move(h);
}

QList<FakeHttpServer::Request> FakeHttpServer::requests() const
{
    return received;
}

QStringList FakeHttpServer::requestedUrls() const
{
    QStringList urls;
    for (const Request& r : received)
        urls << r.url.toString();
    return urls;
}

void FakeHttpServer::clearRequests()
{
    received.clear();
}

int FakeHttpServer::openConnections() const
{
    return pending.size();
}

void FakeHttpServer::acceptConnections()
{
    while (QTcpSocket* socket = server.nextPendingConnection()) {
        socket->setParent(this);
        pending.insert(socket, QByteArray());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            pending.remove(socket);
            socket->deleteLater();
        });
    }
}

void FakeHttpServer::readFrom(QTcpSocket* socket)
{
    pending[socket] += socket->readAll();
    // A blank line ends the head of each request; a POST's body follows, as long as its
    // Content-Length says. An answer may close the connection, which forgets its buffer.
    int end;
    while (pending.contains(socket) && (end = pending[socket].indexOf("\r\n\r\n")) >= 0) {
        QByteArray& buffer = pending[socket];
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        Request request;
        request.receivedMs = clock.elapsed();
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        request.method = first.value(0);
        request.target = first.value(1);
        request.url = QUrl::fromEncoded(request.target);
        for (int i = 1; i < lines.size(); ++i) {
            const int colon = lines[i].indexOf(':');
            if (colon > 0)
                request.headers.append(qMakePair(lines[i].left(colon).trimmed(), lines[i].mid(colon + 1).trimmed()));
        }
        const int length = request.header("Content-Length").toInt();
        if (buffer.size() < end + 4 + length)
            return; // the rest of the body is still on its way
        request.body = buffer.mid(end + 4, length);
        buffer.remove(0, end + 4 + length);
        if (request.url.isRelative())
            request.url = QUrl("http://" + request.header("Host") + request.target);
        answer(socket, request);
    }
}

void FakeHttpServer::answer(QTcpSocket* socket, const Request& request)
{
    received.append(request);
    Q_EMIT requestReceived(request.url);
    if (request.method == "CONNECT") {
        // Encrypted traffic is not served: the tunnel is refused.
        send(socket, Response::error(502, "no tunnels here"));
        return;
    }
    const Response response = handler(request);
    if (response.stall)
        return;
    if (response.delayMs > 0) {
        QPointer<QTcpSocket> guarded(socket);
        QTimer::singleShot(response.delayMs, this, [this, guarded, response] {
            if (guarded)
                send(guarded, response);
        });
        return;
    }
    send(socket, response);
}

void FakeHttpServer::send(QTcpSocket* socket, const Response& response)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonPhrase(response.status) + "\r\n";
    for (const auto& h : response.headers)
        head += h.first + ": " + h.second + "\r\n";
    if (response.omitLength)
        head += "Connection: close\r\n";
    else if (response.chunkedCoding)
        head += "Transfer-Encoding: chunked\r\n";
    else
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    head += "\r\n";
    socket->write(head);

    QByteArray body = response.body;
    const bool drop = response.dropAfterBytes >= 0;
    if (drop)
        body.truncate(response.dropAfterBytes);
    if (response.stallAfterBytes >= 0)
        body.truncate(response.stallAfterBytes);
    if (response.chunkedCoding) {
        // A body cut short lacks the last, empty chunk that ends a complete one.
        QByteArray coded;
        for (int i = 0; i < body.size(); i += 4096) {
            const QByteArray part = body.mid(i, 4096);
            coded += QByteArray::number(part.size(), 16) + "\r\n" + part + "\r\n";
        }
        if (!drop && response.stallAfterBytes < 0)
            coded += "0\r\n\r\n";
        body = coded;
    }
    const int chunks = qMax(1, response.chunks);
    const int chunkSize = qMax(1, (body.size() + chunks - 1) / chunks);
    sendParts(socket, body, chunkSize, drop || response.omitLength);
}

void FakeHttpServer::sendParts(QTcpSocket* socket, const QByteArray& rest, int partSize, bool closeAtEnd)
{
    // One part now, the next 20 ms later: each write schedules the next, so the parts go out in
    // order however late the timers fire on a busy machine.
    if (socket->state() != QAbstractSocket::ConnectedState)
        return; // the client hung up meanwhile
    socket->write(rest.left(partSize));
    socket->flush();
    QPointer<QTcpSocket> guarded(socket);
    const QByteArray next = rest.mid(partSize);
    QTimer::singleShot(20, this, [this, guarded, next, partSize, closeAtEnd] {
        if (!guarded)
            return;
        if (!next.isEmpty())
            sendParts(guarded, next, partSize, closeAtEnd);
        else if (closeAtEnd)
            guarded->disconnectFromHost();
    });
}
