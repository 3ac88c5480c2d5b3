#ifndef MAPVIEW_MAPTILEDOWNLOADER_H
#define MAPVIEW_MAPTILEDOWNLOADER_H

// Supplies map tiles from the file cache under ./data/map_tiles/ or from the OpenStreetMap
// tile servers, at most one request per server name. Lives in a thread of its own, which
// it creates, starts and finally stops itself.
#include "common/WorkerThread.h"
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
    struct Tile
    {
        int x;
        int y;
        int zoom;
        bool operator==(const Tile& other) const
        {
            return x == other.x && y == other.y && zoom == other.zoom;
        }
    };

    void processQueue();
    bool loadFromCache(const Tile& tile);
    void requestTile(const QString& name, const Tile& tile);
    void saveToCache(const QImage& image, const Tile& tile);
    QString cacheFilePath(const Tile& tile) const;

    QString dataDir;
    QString tilesSubdir;
    QString cacheDir;
    QString nameSeparator;
    QString fileExtension;
    QString tileHost;
    QString serverNames[3];
    QHash<QString, bool> serverBusy;
    QNetworkAccessManager* manager; // child of this object
    std::vector<Tile> incoming;
    std::vector<Tile> workQueue;
    std::vector<Tile> delivered;
    std::vector<Tile> requested;
    // The thread this object lives in: stopped first when it is destroyed.
    WorkerThread thread;
};

#endif
