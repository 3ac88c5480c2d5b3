#include "mapview/MapTileDownloader.h"
#include "tests/support/EncodedBodies.h"
#include "tests/support/FakeHttpServer.h"
#include "tests/support/TestWorkDir.h"
#include "tests/support/TileImages.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkProxy>
#include <QPixmap>
#include <QProcess>
#include <QTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QStandardPaths>
#include <QtTest>
#include <memory>

namespace {

const QString tileUrlPattern = "http://%1.tile.openstreetmap.org/%2/%3/%4.png";

// A colour of its own for every tile, so a delivery shows which tile it carries.
QColor tileColour(int zoom, int x, int y)
{
    return QColor((x * 37) % 256, (y * 53) % 256, (zoom * 11) % 256);
}

FakeHttpServer::Response tileResponse(const QUrl& url)
{
    const QStringList parts = url.path().split('/', Qt::SkipEmptyParts);
    if (parts.size() != 3 || !parts[2].endsWith(".png"))
        return FakeHttpServer::Response::error(404, "no such tile");
    const int zoom = parts[0].toInt();
    const int x = parts[1].toInt();
    const int y = parts[2].chopped(4).toInt();
    return FakeHttpServer::Response::ok(TileImages::pngTile(tileColour(zoom, x, y)), "image/png");
}

QString serverOf(const QUrl& url)
{
    return url.host().section('.', 0, 0);
}

std::vector<QPoint> points(std::initializer_list<QPoint> list)
{
    return std::vector<QPoint>(list);
}

} // namespace

// Stands in for the renderer: asks for tiles, takes over every delivered pixmap and
// confirms on demand, connected the same way as the renderer.
class TileClient : public QObject
{
    Q_OBJECT
public:
    struct Delivery
    {
        QPoint tile;
        int zoom;
        QSize size;
        QColor colour;
    };

    explicit TileClient(MapTileDownloader* downloader)
        : downloader(downloader)
    {
        connect(this, SIGNAL(getTiles(std::vector<QPoint>,int)), downloader, SLOT(tilesRequired(std::vector<QPoint>,int)));
        connect(downloader, SIGNAL(tileDownloaded(QPoint,int,QPixmap*)), this, SLOT(tileReceived(QPoint,int,QPixmap*)));
        connect(this, SIGNAL(tileConfirmation(QPoint,int)), downloader, SLOT(tileConfirmed(QPoint,int)));
        // Connected after the downloader's own handler, so each count arrives once the
        // downloader has handled that reply (and freed its server name).
        auto* manager = downloader->findChild<QNetworkAccessManager*>();
        connect(manager, &QNetworkAccessManager::finished, this, [this] { ++finishedReplies; }, Qt::QueuedConnection);
    }

    // Returns once the downloader has handled everything it was asked so far and what it
    // delivered meanwhile has arrived: the number of its requests still in flight.
    int settle()
    {
        int inFlight = 0;
        QMetaObject::invokeMethod(
            downloader,
            [this, &inFlight] {
                inFlight = downloader->findChild<QNetworkAccessManager*>()->findChildren<QNetworkReply*>().size();
            },
            Qt::BlockingQueuedConnection);
        QCoreApplication::sendPostedEvents(this);
        return inFlight;
    }

    int finishedReplies = 0; // replies the downloader has handled

    // A tile still queued for this client would go with the client, and its pixmap
    // with nobody to delete it: stop further deliveries, then take the queued ones.
    ~TileClient() override
    {
        disconnect(downloader, nullptr, this, nullptr);
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    }

    QList<Delivery> deliveries;

    bool delivered(const QPoint& tile, int zoom) const
    {
        for (const Delivery& d : deliveries)
            if (d.tile == tile && d.zoom == zoom)
                return true;
        return false;
    }

Q_SIGNALS:
    void getTiles(std::vector<QPoint> tiles, int zoom);
    void tileConfirmation(QPoint tile, int zoom);

private Q_SLOTS:
    void tileReceived(QPoint tilePoint, int zoom, QPixmap* downloadedTile)
    {
        std::unique_ptr<QPixmap> pixmap(downloadedTile);
        QVERIFY(pixmap);
        deliveries.append({tilePoint, zoom, pixmap->size(), pixmap->toImage().pixelColor(128, 128)});
    }

private:
    MapTileDownloader* downloader; // not owned; outlives the client
};

class tst_MapTileDownloader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void createsCacheFolders();
    void cacheHitWithoutTraffic();
    void requestCarriesUrlHeaderAndKey_data();
    void requestCarriesUrlHeaderAndKey();
    void downloadedTileIsCached();
    void fourthTileTakesFreedName();
    void newRequestReplacesWaitingTiles();
    void emptyRequestReplacesNothing();
    void deliveredTileNotSentAgainUntilConfirmed();
    void failedTileNeverRequestedAgain_data();
    void failedTileNeverRequestedAgain();
    void unreachableSaidOnceAskedAgain_data();
    void unreachableSaidOnceAskedAgain();
    void redirectIsFollowed_data();
    void redirectIsFollowed();
    void encodedAnswer_data();
    void encodedAnswer();
    void existingCacheFileNotOverwritten();
    void missingCacheFolderTurnsCacheReadsOff();
    void cacheFileWrittenWhole_data();
    void cacheFileWrittenWhole();

private:
    void writeCacheFile(const QString& name, const QByteArray& bytes);

    FakeHttpServer server;
    std::unique_ptr<TestWorkDir> workDir;
};

void tst_MapTileDownloader::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).removeRecursively();
    QVERIFY(server.listen());
    server.useAsApplicationProxy();
}

void tst_MapTileDownloader::init()
{
    // Every test starts with an empty network cache, its own working folder and a
    // server that serves every tile.
    QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).removeRecursively();
    workDir.reset(new TestWorkDir);
    QVERIFY(workDir->isValid());
    server.clearRequests();
    server.setHandler([](const FakeHttpServer::Request& r) { return tileResponse(r.url); });
    server.useAsApplicationProxy();
}

void tst_MapTileDownloader::cleanup()
{
    workDir.reset();
    QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).removeRecursively();
}

void tst_MapTileDownloader::writeCacheFile(const QString& name, const QByteArray& bytes)
{
    QVERIFY(QDir().mkpath("data/map_tiles"));
    QVERIFY(TestWorkDir::writeFile("data/map_tiles/" + name, bytes));
}

void tst_MapTileDownloader::createsCacheFolders()
{
    MapTileDownloader downloader;
    QVERIFY(QFileInfo("data").isDir());
    QVERIFY(QFileInfo("data/map_tiles").isDir());
}

void tst_MapTileDownloader::cacheHitWithoutTraffic()
{
    writeCacheFile("13-4474-2838.png", TileImages::pngTile(Qt::red));
    MapTileDownloader downloader;
    TileClient client(&downloader);

    Q_EMIT client.getTiles(points({QPoint(4474, 2838)}), 13);
    QTRY_COMPARE(client.deliveries.size(), 1);
    QCOMPARE(client.deliveries[0].tile, QPoint(4474, 2838));
    QCOMPARE(client.deliveries[0].zoom, 13);
    QCOMPARE(client.deliveries[0].size, QSize(256, 256));
    QCOMPARE(client.deliveries[0].colour, QColor(Qt::red));
    QCOMPARE(client.settle(), 0);
    QCOMPARE(client.deliveries.size(), 1);
    QVERIFY(server.requests().isEmpty());
}

void tst_MapTileDownloader::requestCarriesUrlHeaderAndKey_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<QString>("url");

    QTest::newRow("zoom 13 in Brno") << 13 << 4474 << 2838 << "http://a.tile.openstreetmap.org/13/4474/2838.png";
    QTest::newRow("zoom 0 single tile") << 0 << 0 << 0 << "http://a.tile.openstreetmap.org/0/0/0.png";
    QTest::newRow("zoom 19 large numbers") << 19 << 286341 << 181652 << "http://a.tile.openstreetmap.org/19/286341/181652.png";
}

void tst_MapTileDownloader::requestCarriesUrlHeaderAndKey()
{
    QFETCH(int, zoom);
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(QString, url);

    MapTileDownloader downloader;
    TileClient client(&downloader);
    Q_EMIT client.getTiles(points({QPoint(x, y)}), zoom);
    QTRY_COMPARE(client.deliveries.size(), 1);

    QCOMPARE(server.requestedUrls(), QStringList{url});
    const FakeHttpServer::Request request = server.requests().first();
    QCOMPARE(request.method, QByteArray("GET"));
    QCOMPARE(request.header("User-Agent"), QByteArray("Dorvex"));
    // The reply is matched back to its tile through the request key zoom-x-y.
    QCOMPARE(client.deliveries[0].tile, QPoint(x, y));
    QCOMPARE(client.deliveries[0].zoom, zoom);
    QCOMPARE(client.deliveries[0].colour, tileColour(zoom, x, y));
}

void tst_MapTileDownloader::downloadedTileIsCached()
{
    MapTileDownloader downloader;
    TileClient client(&downloader);
    Q_EMIT client.getTiles(points({QPoint(4474, 2838), QPoint(4475, 2838)}), 13);
    QTRY_COMPARE(client.deliveries.size(), 2);

    for (int x : {4474, 4475}) {
        const QString path = QString("data/map_tiles/13-%1-2838.png").arg(x);
        QVERIFY2(QFile::exists(path), qPrintable(path));
        QVERIFY(TestWorkDir::readFile(path).startsWith("\x89PNG"));
        QImage stored(path, "PNG");
        QCOMPARE(stored.size(), QSize(256, 256));
        QCOMPARE(stored.pixelColor(10, 10), tileColour(13, x, 2838));
    }
    QCOMPARE(QDir("data/map_tiles").entryList(QDir::Files).size(), 2);

    // Once confirmed, the tile comes from the file: no second request.
    Q_EMIT client.tileConfirmation(QPoint(4474, 2838), 13);
    Q_EMIT client.getTiles(points({QPoint(4474, 2838)}), 13);
    QTRY_COMPARE(client.deliveries.size(), 3);
    QCOMPARE(client.deliveries[2].colour, tileColour(13, 4474, 2838));
    QCOMPARE(server.requests().size(), 2);
}

void tst_MapTileDownloader::fourthTileTakesFreedName()
{
    // "b" answers quickly, "a" and "c" take long: the fourth tile has to wait for "b".
    server.setHandler([](const FakeHttpServer::Request& r) {
        FakeHttpServer::Response response = tileResponse(r.url);
        response.delayMs = serverOf(r.url) == "b" ? 1000 : 4000;
        return response;
    });
    MapTileDownloader downloader;
    TileClient client(&downloader);
    Q_EMIT client.getTiles(points({QPoint(1, 1), QPoint(2, 1), QPoint(3, 1), QPoint(4, 1)}), 5);

    QTRY_COMPARE(server.requests().size(), 3);
    // The fourth waits: three requests are in flight and no more.
    QCOMPARE(client.settle(), 3);
    QCOMPARE(server.requests().size(), 3);
    QCOMPARE(server.requestedUrls(), QStringList({tileUrlPattern.arg("a").arg(5).arg(1).arg(1),
                                                  tileUrlPattern.arg("b").arg(5).arg(2).arg(1),
                                                  tileUrlPattern.arg("c").arg(5).arg(3).arg(1)}));

    QTRY_COMPARE(server.requests().size(), 4);
    QCOMPARE(server.requestedUrls().at(3), tileUrlPattern.arg("b").arg(5).arg(4).arg(1));
    QCOMPARE(client.deliveries.size(), 1);
    QCOMPARE(client.deliveries[0].tile, QPoint(2, 1));

    QTRY_COMPARE_WITH_TIMEOUT(client.deliveries.size(), 4, 10000);
    QCOMPARE(client.deliveries[1].tile, QPoint(4, 1));
}

void tst_MapTileDownloader::newRequestReplacesWaitingTiles()
{
    server.setHandler([](const FakeHttpServer::Request& r) {
        FakeHttpServer::Response response = tileResponse(r.url);
        response.delayMs = 1000;
        return response;
    });
    MapTileDownloader downloader;
    TileClient client(&downloader);
    Q_EMIT client.getTiles(points({QPoint(1, 1), QPoint(2, 1), QPoint(3, 1), QPoint(4, 1), QPoint(5, 1)}), 6);
    QTRY_COMPARE(server.requests().size(), 3);
    Q_EMIT client.getTiles(points({QPoint(9, 9)}), 6);

    QTRY_COMPARE_WITH_TIMEOUT(client.deliveries.size(), 4, 10000);
    QCOMPARE(client.settle(), 0);
    QCOMPARE(client.deliveries.size(), 4);
    QStringList urls = server.requestedUrls();
    urls.sort();
    QCOMPARE(urls, QStringList({tileUrlPattern.arg("a").arg(6).arg(1).arg(1),
                                tileUrlPattern.arg("a").arg(6).arg(9).arg(9),
                                tileUrlPattern.arg("b").arg(6).arg(2).arg(1),
                                tileUrlPattern.arg("c").arg(6).arg(3).arg(1)}));
    // The tiles in flight still arrive; the waiting ones are forgotten.
    for (const QPoint& tile : {QPoint(1, 1), QPoint(2, 1), QPoint(3, 1), QPoint(9, 9)})
        QVERIFY(client.delivered(tile, 6));
    QVERIFY(!client.delivered(QPoint(4, 1), 6));
    QVERIFY(!client.delivered(QPoint(5, 1), 6));
}

void tst_MapTileDownloader::emptyRequestReplacesNothing()
{
    server.setHandler([](const FakeHttpServer::Request& r) {
        FakeHttpServer::Response response = tileResponse(r.url);
        response.delayMs = 800;
        return response;
    });
    MapTileDownloader downloader;
    TileClient client(&downloader);
    Q_EMIT client.getTiles(points({QPoint(1, 1), QPoint(2, 1), QPoint(3, 1), QPoint(4, 1), QPoint(5, 1)}), 6);
    QTRY_COMPARE(server.requests().size(), 3);
    Q_EMIT client.getTiles(std::vector<QPoint>(), 6);

    QTRY_COMPARE_WITH_TIMEOUT(client.deliveries.size(), 5, 10000);
    for (int x = 1; x <= 5; ++x)
        QVERIFY(client.delivered(QPoint(x, 1), 6));
    QCOMPARE(server.requests().size(), 5);
}

void tst_MapTileDownloader::deliveredTileNotSentAgainUntilConfirmed()
{
    writeCacheFile("7-10-20.png", TileImages::pngTile(Qt::green));
    writeCacheFile("7-11-20.png", TileImages::pngTile(Qt::blue));
    MapTileDownloader downloader;
    TileClient client(&downloader);

    Q_EMIT client.getTiles(points({QPoint(10, 20)}), 7);
    QTRY_COMPARE(client.deliveries.size(), 1);

    // Unconfirmed: asked for again, it is skipped; the second tile proves the request was handled.
    Q_EMIT client.getTiles(points({QPoint(10, 20), QPoint(11, 20)}), 7);
    QTRY_COMPARE(client.deliveries.size(), 2);
    QCOMPARE(client.deliveries[1].tile, QPoint(11, 20));

    // A confirmation for another zoom level does not release it either.
    Q_EMIT client.tileConfirmation(QPoint(10, 20), 8);
    Q_EMIT client.getTiles(points({QPoint(10, 20)}), 7);
    Q_EMIT client.tileConfirmation(QPoint(11, 20), 7);
    Q_EMIT client.getTiles(points({QPoint(11, 20)}), 7);
    QTRY_COMPARE(client.deliveries.size(), 3);
    QCOMPARE(client.deliveries[2].tile, QPoint(11, 20));

    Q_EMIT client.tileConfirmation(QPoint(10, 20), 7);
    Q_EMIT client.getTiles(points({QPoint(10, 20)}), 7);
    QTRY_COMPARE(client.deliveries.size(), 4);
    QCOMPARE(client.deliveries[3].tile, QPoint(10, 20));
    QCOMPARE(client.deliveries[3].colour, QColor(Qt::green));
    QCOMPARE(client.settle(), 0);
    QCOMPARE(client.deliveries.size(), 4);
    QVERIFY(server.requests().isEmpty());
}

void tst_MapTileDownloader::failedTileNeverRequestedAgain_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");

    const QByteArray png = TileImages::pngTile(Qt::yellow);
    QTest::newRow("404 with an image body") << 404 << png;
    QTest::newRow("500 with an image body") << 500 << png;
    QTest::newRow("300 without location, image body") << 300 << png;
    QTest::newRow("200 with an undecodable body") << 200 << QByteArray("<html>no tile</html>");
    QTest::newRow("204 without body") << 204 << QByteArray();
}

void tst_MapTileDownloader::failedTileNeverRequestedAgain()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);

    const QString failing = tileUrlPattern.arg("a").arg(9).arg(100).arg(200);
    server.setHandler([=](const FakeHttpServer::Request& r) {
        if (r.url.path() == "/9/100/200.png") {
            FakeHttpServer::Response response;
            response.status = status;
            response.body = body;
            response.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("image/png")));
            return response;
        }
        return tileResponse(r.url);
    });
    MapTileDownloader downloader;
    TileClient client(&downloader);

    Q_EMIT client.getTiles(points({QPoint(100, 200)}), 9);
    QTRY_COMPARE(server.requests().size(), 1);
    QCOMPARE(server.requestedUrls().first(), failing);
    QTRY_COMPARE(client.finishedReplies, 1);
    client.settle();
    QVERIFY(client.deliveries.isEmpty());

    // Asked for again, the failed tile is skipped; its server name is free again.
    Q_EMIT client.getTiles(points({QPoint(100, 200), QPoint(101, 200)}), 9);
    QTRY_COMPARE(client.deliveries.size(), 1);
    QCOMPARE(client.deliveries[0].tile, QPoint(101, 200));
    QCOMPARE(server.requestedUrls(), QStringList({failing, tileUrlPattern.arg("a").arg(9).arg(101).arg(200)}));

    Q_EMIT client.getTiles(points({QPoint(100, 200)}), 9);
    QCOMPARE(client.settle(), 0);
    QCOMPARE(server.requests().size(), 2);
    QVERIFY(!QFile::exists("data/map_tiles/9-100-200.png"));
}

void tst_MapTileDownloader::unreachableSaidOnceAskedAgain_data()
{
    QTest::addColumn<int>("retryInterval");
    QTest::addColumn<bool>("online"); // back through Qt's reachability, or asked for again (a pan)
    QTest::addColumn<bool>("askedAgain");
    QTest::newRow("a pan within the minute") << int(MapTileDownloader::retryIntervalMs) << false << false;
    QTest::newRow("online within the minute") << int(MapTileDownloader::retryIntervalMs) << true << false;
    QTest::newRow("a pan after the interval") << 0 << false << true;
    QTest::newRow("online after the interval") << 0 << true << true;
}

// Tiles that cannot be fetched for want of a connection are said once, in words; they are not
// failed for good: after the retry interval a pan or the network's return asks for them again.
void tst_MapTileDownloader::unreachableSaidOnceAskedAgain()
{
    QFETCH(int, retryInterval);
    QFETCH(bool, online);
    QFETCH(bool, askedAgain);
    // A port nobody listens on: every connection is refused.
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, "127.0.0.1", port));
    // A tile on disk is still shown.
    writeCacheFile("9-103-200.png", TileImages::pngTile(Qt::green));

    MapTileDownloader downloader(nullptr, retryInterval);
    TileClient client(&downloader);
    QSignalSpy unreachable(&downloader, SIGNAL(tilesUnreachable(QString)));
    QSignalSpy reachable(&downloader, SIGNAL(tilesReachable()));
    const std::vector<QPoint> tiles = points({QPoint(100, 200), QPoint(101, 200), QPoint(102, 200), QPoint(103, 200),
                                              QPoint(104, 200)});
    Q_EMIT client.getTiles(tiles, 9);
    QTRY_COMPARE(client.finishedReplies, retryInterval > 0 ? 3 : 4);
    QCOMPARE(client.settle(), 0);
    QCOMPARE(unreachable.count(), 1);
    QCOMPARE(unreachable.first().first().toString(), QString("the connection was refused"));
    QCOMPARE(client.deliveries.size(), 1);
    QCOMPARE(client.deliveries[0].tile, QPoint(103, 200));

    // The connection is back.
    server.useAsApplicationProxy();
    if (online)
        QVERIFY(QMetaObject::invokeMethod(&downloader, "onlineStateChanged", Qt::QueuedConnection, Q_ARG(bool, true)));
    else
        Q_EMIT client.getTiles(points({QPoint(100, 200), QPoint(101, 200), QPoint(102, 200), QPoint(104, 200)}), 9);
    if (!askedAgain) {
        QCOMPARE(client.settle(), 0);
        QVERIFY(server.requests().isEmpty());
        QCOMPARE(reachable.count(), 0);
        return;
    }
    QTRY_COMPARE(client.deliveries.size(), 5);
    QCOMPARE(server.requests().size(), 4);
    QCOMPARE(reachable.count(), 1);
    QCOMPARE(unreachable.count(), 1);
}

void tst_MapTileDownloader::redirectIsFollowed_data()
{
    QTest::addColumn<QByteArray>("location");
    QTest::addColumn<int>("redirectStatus");
    QTest::addColumn<bool>("delivered");

    QTest::newRow("301 same host") << QByteArray("http://a.tile.openstreetmap.org/moved/3/4/5.png") << 301 << true;
    QTest::newRow("302 relative") << QByteArray("/moved/3/4/5.png") << 302 << true;
    QTest::newRow("307 other host") << QByteArray("http://tile.openstreetmap.org/moved/3/4/5.png") << 307 << true;
    // Encrypted traffic is allowed, but the test server refuses the tunnel: a failure.
    QTest::newRow("301 to https, unreachable") << QByteArray("https://a.tile.openstreetmap.org/3/4/5.png") << 301 << false;
    QTest::newRow("redirect to a 404") << QByteArray("http://a.tile.openstreetmap.org/gone.png") << 302 << false;
}

void tst_MapTileDownloader::redirectIsFollowed()
{
    QFETCH(QByteArray, location);
    QFETCH(int, redirectStatus);
    QFETCH(bool, delivered);

    server.setHandler([=](const FakeHttpServer::Request& r) {
        if (r.url.path() == "/3/4/5.png" && r.url.scheme() == "http")
            return FakeHttpServer::Response::redirect(redirectStatus, location);
        if (r.url.path() == "/moved/3/4/5.png")
            return FakeHttpServer::Response::ok(TileImages::pngTile(Qt::cyan), "image/png");
        return tileResponse(r.url);
    });
    MapTileDownloader downloader;
    TileClient client(&downloader);
    Q_EMIT client.getTiles(points({QPoint(4, 5)}), 3);

    QTRY_VERIFY(server.requests().size() >= 2);
    if (!delivered) {
        // The redirect is followed within one reply; once it is handled, nothing is in flight.
        QTRY_COMPARE(client.finishedReplies, 1);
        QCOMPARE(client.settle(), 0);
        QVERIFY(client.deliveries.isEmpty());
        QVERIFY(!QFile::exists("data/map_tiles/3-4-5.png"));
    } else {
        QTRY_COMPARE(client.deliveries.size(), 1);
        QCOMPARE(client.deliveries[0].tile, QPoint(4, 5));
        QCOMPARE(client.deliveries[0].zoom, 3);
        QCOMPARE(client.deliveries[0].colour, QColor(Qt::cyan));
        QCOMPARE(TestWorkDir::readFile("data/map_tiles/3-4-5.png").isEmpty(), false);
    }

    // Whatever the outcome, "a" is free again, also when the answer came from another host.
    server.clearRequests();
    Q_EMIT client.getTiles(points({QPoint(6, 6)}), 3);
    QTRY_COMPARE(server.requests().size(), 1);
    QCOMPARE(server.requestedUrls().first(), tileUrlPattern.arg("a").arg(3).arg(6).arg(6));
    // Received before the client goes, or the tile would be handed to nobody.
    QTRY_VERIFY(client.delivered(QPoint(6, 6), 3));
}

void tst_MapTileDownloader::encodedAnswer_data()
{
    QTest::addColumn<QByteArray>("encoding");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("delivered");
    const QByteArray png = TileImages::pngTile(tileColour(9, 100, 200));
    // Inflated by the downloader, not by Qt (which would leave the header in place).
    QTest::newRow("gzip") << QByteArray("gzip") << EncodedBodies::gzip(png) << true;
    QTest::newRow("raw deflate") << QByteArray("deflate") << EncodedBodies::deflate(png, true) << true;
    QTest::newRow("inflating past the tile limit") << QByteArray("gzip")
                                                   << EncodedBodies::gzip(png + QByteArray(2 << 20, '\0')) << false;
    QTest::newRow("corrupt gzip") << QByteArray("gzip") << EncodedBodies::zeroedMiddle(EncodedBodies::gzip(png))
                                  << false;
}

void tst_MapTileDownloader::encodedAnswer()
{
    QFETCH(QByteArray, encoding);
    QFETCH(QByteArray, body);
    QFETCH(bool, delivered);
    server.setHandler([=](const FakeHttpServer::Request&) {
        FakeHttpServer::Response response = FakeHttpServer::Response::ok(body, "image/png");
        response.headers.append(qMakePair(QByteArray("Content-Encoding"), encoding));
        return response;
    });
    MapTileDownloader downloader;
    TileClient client(&downloader);

    Q_EMIT client.getTiles(points({QPoint(100, 200)}), 9);
    QTRY_COMPARE(client.finishedReplies, 1);
    client.settle();
    QCOMPARE(server.requests().first().header("Accept-Encoding"), QByteArray("gzip, deflate"));
    QCOMPARE(client.deliveries.size(), delivered ? 1 : 0);
    QCOMPARE(QFile::exists("data/map_tiles/9-100-200.png"), delivered);
    if (delivered)
        QCOMPARE(client.deliveries[0].colour, tileColour(9, 100, 200));
}

void tst_MapTileDownloader::existingCacheFileNotOverwritten()
{
    // A file that does not decode is no cache hit, so the tile is downloaded, yet the file stays.
    const QByteArray broken("not a picture");
    writeCacheFile("12-5-6.png", broken);
    MapTileDownloader downloader;
    TileClient client(&downloader);
    Q_EMIT client.getTiles(points({QPoint(5, 6)}), 12);
    QTRY_COMPARE(client.deliveries.size(), 1);
    QCOMPARE(client.deliveries[0].colour, tileColour(12, 5, 6));
    QCOMPARE(server.requests().size(), 1);
    QCOMPARE(TestWorkDir::readFile("data/map_tiles/12-5-6.png"), broken);
}

void tst_MapTileDownloader::missingCacheFolderTurnsCacheReadsOff()
{
    writeCacheFile("12-7-7.png", TileImages::pngTile(Qt::red));
    MapTileDownloader downloader;
    // The folder goes away and a plain file takes its place: neither read nor write works.
    QVERIFY(QDir("data/map_tiles").removeRecursively());
    QVERIFY(TestWorkDir::writeFile("data/map_tiles", "in the way"));

    TileClient client(&downloader);
    Q_EMIT client.getTiles(points({QPoint(7, 7)}), 12);
    QTRY_COMPARE(client.deliveries.size(), 1);
    QCOMPARE(client.deliveries[0].colour, tileColour(12, 7, 7));
    QCOMPARE(server.requests().size(), 1);
    QVERIFY(QFileInfo("data/map_tiles").isFile());
}

void tst_MapTileDownloader::cacheFileWrittenWhole_data()
{
    QTest::addColumn<QString>("limit");
    QTest::addColumn<bool>("cached");
    QTest::newRow("disk fills during the tile") << "16" << false;
    QTest::newRow("room enough") << "unlimited" << true;
}

void tst_MapTileDownloader::cacheFileWrittenWhole()
{
    // A tile of noise makes a PNG of about 190 KiB, far beyond a 16 KiB file size limit.
    QFETCH(QString, limit);
    QFETCH(bool, cached);
    QImage noise(256, 256, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            noise.setPixel(x, y, (seed = seed * 1103515245u + 12345u) >> 8);
    const QByteArray png = TileImages::png(noise);
    QVERIFY(png.size() > 100000);
    server.setHandler([png](const FakeHttpServer::Request&) { return FakeHttpServer::Response::ok(png, "image/png"); });

    // The child fetches one tile with the server of this process as its proxy; SIGXFSZ
    // is ignored so that the limit makes writes fail instead of killing the child.
    QProcess child;
    child.start("sh", {"-c", "trap '' XFSZ; ulimit -f " + limit + "; exec \"$0\" --fetch-tile \"$1\"",
                       QCoreApplication::applicationFilePath(), QString::number(server.port())});
    QTRY_COMPARE_WITH_TIMEOUT(child.state(), QProcess::NotRunning, 20000);
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    const QStringList files = QDir("data/map_tiles").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    if (!cached) {
        QCOMPARE(files, QStringList());
        return;
    }
    QCOMPARE(files, QStringList{"15-17-11.png"});
    QImage stored;
    QVERIFY(stored.load("data/map_tiles/15-17-11.png", "PNG"));
    QCOMPARE(stored.pixel(200, 100), noise.pixel(200, 100));
}

// Child process of cacheFileWrittenWhole: fetches tile (17, 11) at zoom 15 through the
// proxy on the given port, in the working directory it was started in.
static int fetchTileChild(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), quint16(QString(argv[2]).toUInt())));
    MapTileDownloader downloader;
    TileClient client(&downloader);
    QObject::connect(&downloader, &MapTileDownloader::tileDownloaded, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QTimer::singleShot(15000, &app, [] { QCoreApplication::exit(3); });
    Q_EMIT client.getTiles(points({QPoint(17, 11)}), 15);
    return app.exec();
}

int main(int argc, char* argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--fetch-tile") == 0)
        return fetchTileChild(argc, argv);
    QApplication app(argc, argv);
    tst_MapTileDownloader test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_MapTileDownloader.moc"
