#ifndef TESTS_SUPPORT_FAKEHTTPSERVER_H
#define TESTS_SUPPORT_FAKEHTTPSERVER_H

// A small HTTP/1.1 server on 127.0.0.1 that stands in for the OpenStreetMap services. Tests
// install it as the application's HTTP proxy, so production code keeps its fixed hosts and a
// request arrives here with its absolute URL; or they point a service's address variable at
// it (PELAGOR_NOMINATIM_URL), and since loopback is never proxied the request arrives in
// origin form ("/search?q=..."). Lives in the thread that creates it.
#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTcpServer>
#include <QUrl>
#include <functional>

class QTcpSocket;

class FakeHttpServer : public QObject
{
    Q_OBJECT
public:
    struct Request
    {
        QByteArray method;
        QUrl url;       // absolute: as sent in proxy form, or the Host header and the origin-form target
        QByteArray target; // the request target exactly as sent
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body; // of a POST
        qint64 receivedMs = 0; // on the server's monotonic clock, from its construction
        QByteArray header(const QByteArray& name) const;
    };

    struct Response
    {
        int status = 200;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        int delayMs = 0;          // wait before the first byte is sent
        bool stall = false;       // accept the request and never answer
        int dropAfterBytes = -1;  // close the connection after this many body bytes
        int stallAfterBytes = -1; // send this many body bytes, then nothing more (connection kept)
        int chunks = 1;           // send the body in this many writes, 20 ms apart
        bool omitLength = false;  // no Content-Length: the body ends with the connection
        bool chunkedCoding = false; // Transfer-Encoding: chunked instead of Content-Length

        static Response ok(const QByteArray& body, const QByteArray& contentType = "text/xml; charset=utf-8");
        static Response error(int status, const QByteArray& body = QByteArray());
        static Response redirect(int status, const QByteArray& location);
    };

    using Handler = std::function<Response(const Request&)>;

    explicit FakeHttpServer(QObject* parent = nullptr);
    ~FakeHttpServer() override;

    bool listen();
    quint16 port() const;
    // Routes all of the application's network traffic through this server.
    void useAsApplicationProxy();
    static void clearApplicationProxy();

    void setHandler(Handler handler);
    QList<Request> requests() const;
    QStringList requestedUrls() const;
    void clearRequests();
    // Connections that a stalled or slow answer keeps open.
    int openConnections() const;

Q_SIGNALS:
    void requestReceived(const QUrl& url);

private Q_SLOTS:
    void acceptConnections();

private:
    void readFrom(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const Request& request);
    void send(QTcpSocket* socket, const Response& response);
    void sendParts(QTcpSocket* socket, const QByteArray& rest, int partSize, bool closeAtEnd);

    QTcpServer server;
    QElapsedTimer clock;
    Handler handler;
    QList<Request> received;
    QHash<QTcpSocket*, QByteArray> pending;
};

#endif
