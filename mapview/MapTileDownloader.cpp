#include "mapview/MapTileDownloader.h"

#include "common/DataFolders.h"
#include "common/UserAgent.h"
#include "mapview/AnswerBody.h"
#include "mapview/TileConnectionFailure.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkConfigurationManager>
#include <QNetworkDiskCache>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPixmap>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <algorithm>

// Registered when the program loads, where the type is declared: queued connections between
// threads carry it, and no caller has to remember to register it.
static const int tileListType = qRegisterMetaType<std::vector<QPoint>>("std::vector<QPoint>");
static const int pixmapType = qRegisterMetaType<QPixmap*>("QPixmap*");

namespace {

template <typename List, typename Item>
bool contains(const List& list, const Item& item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

} // namespace

MapTileDownloader::MapTileDownloader(QObject* parent, int retryInterval)
    : QObject(parent)
    , dataDir(DataFolders::root())
    , tilesSubdir(DataFolders::tileCacheSubfolder())
    , cacheDir(dataDir + tilesSubdir)
    , nameSeparator("-")
    , fileExtension("png")
    , tileHost("tile.openstreetmap.org")
    , serverNames{"a", "b", "c"}
    , manager(nullptr)
    , retryInterval(retryInterval)
    , retryTimer(new QTimer(this))
{
    manager = new QNetworkAccessManager(this);
    QNetworkDiskCache* diskCache = new QNetworkDiskCache(this);
    diskCache->setCacheDirectory(QStandardPaths::writableLocation(QStandardPaths::CacheLocation));
    manager->setCache(diskCache);

    connect(manager, SIGNAL(finished(QNetworkReply*)), this, SLOT(handleNetworkData(QNetworkReply*)));
    for (const QString& name : serverNames)
        serverBusy.insert(name, false);

    retryTimer->setSingleShot(true);
    connect(retryTimer, SIGNAL(timeout()), this, SLOT(retryUnreachable()));
    // Qt 5's only word on the network's reachability; deprecated for Qt 6, which has another.
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    auto* reachability = new QNetworkConfigurationManager(this);
    connect(reachability, SIGNAL(onlineStateChanged(bool)), this, SLOT(onlineStateChanged(bool)));
    QT_WARNING_POP

    DataFolders::makeRoot();
    DataFolders::make(cacheDir);

    thread.take(this);
    thread.start();
}

MapTileDownloader::~MapTileDownloader() = default;

void MapTileDownloader::tilesRequired(std::vector<QPoint> reqTiles, int zoom)
{
    incoming.clear();
    // What waited for the connection is asked for again only if the renderer still wants it.
    unreachable.clear();
    for (const QPoint& point : reqTiles)
        incoming.push_back(TileId(point, zoom));
    processQueue();
}

void MapTileDownloader::tileConfirmed(QPoint tile, int zoom)
{
    const auto it = std::find(delivered.begin(), delivered.end(), TileId(tile, zoom));
    if (it != delivered.end())
        delivered.erase(it);
}

void MapTileDownloader::processQueue()
{
    // An empty request leaves incoming empty and so keeps the tiles that still wait.
    if (!incoming.empty()) {
        workQueue = incoming;
        incoming.clear();
    }

    while (!workQueue.empty()) {
        const TileId tile = workQueue.front();
        // A tile on its way to the renderer, in flight or failed for good is not served again.
        if (contains(delivered, tile) || contains(requested, tile)) {
            workQueue.erase(workQueue.begin());
            continue;
        }
        if (loadFromCache(tile)) {
            workQueue.erase(workQueue.begin());
            continue;
        }
        if (waitingForConnection()) {
            if (!contains(unreachable, tile))
                unreachable.push_back(tile);
            workQueue.erase(workQueue.begin());
            continue;
        }
        // The earliest free name, not the next in a rotation.
        QString freeName;
        for (const QString& name : serverNames) {
            if (!serverBusy.value(name, false)) {
                serverBusy.insert(name, false);
                freeName = name;
                break;
            }
        }
        if (freeName.isEmpty())
            return;
        requested.push_back(tile);
        requestTile(freeName, tile);
        workQueue.erase(workQueue.begin());
    }
}

QString MapTileDownloader::cacheFilePath(const TileId& tile) const
{
    return QString("%1%2%3%4%5%6.%7")
        .arg(cacheDir)
        .arg(tile.zoom)
        .arg(nameSeparator)
        .arg(tile.x)
        .arg(nameSeparator)
        .arg(tile.y)
        .arg(fileExtension);
}

bool MapTileDownloader::loadFromCache(const TileId& tile)
{
    if (!QDir(cacheDir).exists())
        return false;
    QPixmap pixmap;
    pixmap.load(cacheFilePath(tile), "PNG");
    if (pixmap.isNull())
        return false;
    Q_EMIT tileDownloaded(tile.point(), tile.zoom, new QPixmap(pixmap));
    delivered.push_back(tile);
    return true;
}

void MapTileDownloader::requestTile(const QString& name, const TileId& tile)
{
    const QUrl url(QString("http://%1.%2/%3/%4/%5.png").arg(name, tileHost).arg(tile.zoom).arg(tile.x).arg(tile.y),
                   QUrl::TolerantMode);

    QNetworkRequest request(url);
    request.setRawHeader(UserAgent::header, UserAgent::value);
    request.setAttribute(QNetworkRequest::User, QVariant::fromValue(tile));
    // The tile servers answer plain HTTP with a redirect to HTTPS; without following it
    // every tile would fail once and then never be asked for again.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    AnswerBody::prepare(request);
    AnswerBody::attach(manager->get(request), largestTileBytes);
    serverBusy[name] = true;
}

void MapTileDownloader::handleNetworkData(QNetworkReply* reply)
{
    const TileId tile = reply->request().attribute(QNetworkRequest::User).value<TileId>();

    // The name is freed whatever the outcome. It comes from the URL the request was sent
    // to: a redirect may have moved the reply to another host.
    const QString host = reply->request().url().host(QUrl::FullyDecoded);
    serverBusy[host.left(host.indexOf('.'))] = false;

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const AnswerBody* body = AnswerBody::of(reply);
    if (reply->error() == QNetworkReply::NoError && status >= 200 && status < 300 && body && body->isWhole()) {
        QImage image;
        if (image.loadFromData(body->bytes())) {
            saveToCache(image, tile);
            Q_EMIT tileDownloaded(tile.point(), tile.zoom, new QPixmap(QPixmap::fromImage(image)));
            const auto it = std::find(requested.begin(), requested.end(), tile);
            if (it != requested.end())
                requested.erase(it);
            delivered.push_back(tile);
            if (connectionLost) {
                connectionLost = false;
                retryTimer->stop();
                Q_EMIT tilesReachable();
            }
        }
    } else if (TileConnectionFailure::matches(reply->error())) {
        connectionFailed(tile, reply->error());
    }

    reply->deleteLater();
    processQueue();
}

void MapTileDownloader::saveToCache(const QImage& image, const TileId& tile)
{
    DataFolders::make(cacheDir);
    const QString path = cacheFilePath(tile);
    if (QFile::exists(path))
        return;
    // Cache files are never rewritten, so one cut short by a full disk would stay broken
    // for good: the tile appears under its name only once completely written.
    // Encoded in memory first: Qt's PNG writer leaks its list of rows when the device
    // fails under it, and a full disk should cost nothing but the cache file.
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return;
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(png) == png.size())
        file.commit();
}

void MapTileDownloader::connectionFailed(const TileId& tile, int error)
{
    // Not failed for good, unlike a tile the server refused: it waits for the connection.
    const auto it = std::find(requested.begin(), requested.end(), tile);
    if (it != requested.end())
        requested.erase(it);
    if (!contains(unreachable, tile))
        unreachable.push_back(tile);
    lastConnectionFailure.start();
    if (!connectionLost) {
        connectionLost = true;
        Q_EMIT tilesUnreachable(TileConnectionFailure::describe(error));
    }
}

bool MapTileDownloader::waitingForConnection() const
{
    return connectionLost && lastConnectionFailure.isValid() && lastConnectionFailure.elapsed() < retryInterval;
}

void MapTileDownloader::onlineStateChanged(bool online)
{
    if (online)
        retryUnreachable();
}

void MapTileDownloader::retryUnreachable()
{
    if (!connectionLost)
        return;
    // At most once a retry interval, however often the network comes and goes.
    const qint64 left = retryInterval - lastConnectionFailure.elapsed();
    if (left > 0) {
        retryTimer->start(int(left));
        return;
    }
    incoming = unreachable;
    unreachable.clear();
    processQueue();
}
