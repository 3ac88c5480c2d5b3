#ifndef MAPVIEW_MAPTILEDOWNLOADER_H
#define MAPVIEW_MAPTILEDOWNLOADER_H

// Supplies map tiles from the file cache under ./data/map_tiles/ or from the OpenStreetMap
// tile servers, at most one request per server name; while the servers cannot be reached it
// says so once and asks again at most once a retry interval. Lives in a thread of its own,
// which it creates, starts and finally stops itself.
#include "common/WorkerThread.h"
#include "mapview/TileId.h"

#include <QElapsedTimer>
#include <QHash>
#include <QMetaType>
#include <QObject>
#include <QPoint>
#include <QString>
#include <vector>

class QImage;
class QNetworkAccessManager;
class QNetworkReply;
class QPixmap;
class QTimer;

Q_DECLARE_METATYPE(std::vector<QPoint>)

class MapTileDownloader : public QObject
{
    Q_OBJECT
public:
    // A tile of 256 x 256 pixels takes some tens of kilobytes; an answer far larger is none.
    static constexpr qint64 largestTileBytes = 1 << 20;
    // While the tile servers cannot be reached, tiles are asked for again at most this often.
    static constexpr int retryIntervalMs = 60 * 1000;

    // A shorter retry interval is for tests.
    explicit MapTileDownloader(QObject* parent = nullptr, int retryInterval = retryIntervalMs);
    ~MapTileDownloader() override;

Q_SIGNALS:
    // downloadedTile is new for each emission; the receiver owns and deletes it.
    void tileDownloaded(QPoint tilePoint, int zoom, QPixmap* downloadedTile);
    // Once when requests begin to fail for want of a connection, with the words of why
    // ("the connection was refused"); tilesReachable() when a tile comes from a server again.
    void tilesUnreachable(const QString& reason);
    void tilesReachable();

private Q_SLOTS:
    void tilesRequired(std::vector<QPoint> reqTiles, int zoom);
    void tileConfirmed(QPoint tile, int zoom);
    void handleNetworkData(QNetworkReply* reply);
    // Qt's network reachability: back online, the tiles that waited for the connection are
    // asked for again (once the retry interval since the last failure has passed).
    void onlineStateChanged(bool online);
    void retryUnreachable();

private:
    void connectionFailed(const TileId& tile, int error);
    // While the servers cannot be reached and the retry interval has not passed.
    bool waitingForConnection() const;
    void processQueue();
    bool loadFromCache(const TileId& tile);
    void requestTile(const QString& name, const TileId& tile);
    void saveToCache(const QImage& image, const TileId& tile);
    QString cacheFilePath(const TileId& tile) const;

    QString dataDir;
    QString tilesSubdir;
    QString cacheDir;
    QString nameSeparator;
    QString fileExtension;
    QString tileHost;
    QString serverNames[3];
    QHash<QString, bool> serverBusy;
    QNetworkAccessManager* manager; // child of this object
    std::vector<TileId> incoming;
    std::vector<TileId> workQueue;
    std::vector<TileId> delivered;
    std::vector<TileId> requested;
    // Tiles of the latest request that could not be asked for for want of a connection.
    std::vector<TileId> unreachable;
    int retryInterval;
    bool connectionLost = false;
    QElapsedTimer lastConnectionFailure;
    QTimer* retryTimer; // child of this object
    // The thread this object lives in: stopped first when it is destroyed.
    WorkerThread thread;
};

#endif
