#ifndef MAPVIEW_MAPTILEDOWNLOADER_H
#define MAPVIEW_MAPTILEDOWNLOADER_H

// Supplies map tiles from the file cache under ./data/map_tiles/ or from the OpenStreetMap
// tile servers, at most one request per server name. Lives in a thread of its own, which
// it creates, starts and finally stops itself.
#include "common/WorkerThread.h"
#include "mapview/TileId.h"

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

Q_DECLARE_METATYPE(std::vector<QPoint>)

class MapTileDownloader : public QObject
{
    Q_OBJECT
public:
    // A tile of 256 x 256 pixels takes some tens of kilobytes; an answer far larger is none.
    static constexpr qint64 largestTileBytes = 1 << 20;

    explicit MapTileDownloader(QObject* parent = nullptr);
    ~MapTileDownloader() override;

Q_SIGNALS:
    // downloadedTile is new for each emission; the receiver owns and deletes it.
    void tileDownloaded(QPoint tilePoint, int zoom, QPixmap* downloadedTile);

private Q_SLOTS:
    void tilesRequired(std::vector<QPoint> reqTiles, int zoom);
    void tileConfirmed(QPoint tile, int zoom);
    void handleNetworkData(QNetworkReply* reply);

private:
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
    // The thread this object lives in: stopped first when it is destroyed.
    WorkerThread thread;
};

#endif
