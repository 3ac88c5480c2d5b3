#ifndef MAPVIEW_RENDERER_H
#define MAPVIEW_RENDERER_H

// The map view's model and painter: view centre, zoom and size, the tile layout on
// screen, the in-memory tile cache and all painting. Lives in the GUI thread.
#include "mapview/GeoPoint.h"
#include "mapview/LocationRect.h"
#include "mapview/MapTileDownloader.h"
#include "mapview/TileCache.h"

#include <QObject>
#include <QPixmap>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <vector>

class QPainter;

class Renderer : public QObject
{
    Q_OBJECT
public:
    // The zoom levels the map shows.
    static constexpr int minZoom = 2;
    static constexpr int maxZoom = 19;

    explicit Renderer(QObject* parent = nullptr);
    ~Renderer() override;

    void setViewWidth(int width);
    void setViewHeight(int height);
    void updateView();
    void pan(const QPoint& delta);
    // Centres the view on the area between the two corners and zooms as close as shows it
    // whole with a margin around it (within the zoom limits).
    void showArea(const GeoPoint& northWest, const GeoPoint& southEast);
    // Centres the view on the position at the zoom level, both clamped to the map's limits.
    void setView(const GeoPoint& centre, int zoomLevel);
    GeoPoint pixelToGeo(const QPoint& p) const;
    QPoint geoToPixel(const GeoPoint& g) const;
    QPointF geoToPixelF(const GeoPoint& g) const;
    void purgeTileCache();

    void setupPainter(QPainter* painter);
    void paintBackground(QPainter* painter, const QRect& dirty);
    void paintTiles(QPainter* painter, const QRect& dirty);
    void paintSelection(QPainter* painter, const QRect& dirty, const LocationRect& selection);

    // Read-only view state.
    int getZoom() const { return zoom; }
    GeoPoint getCenter() const { return GeoPoint(centerLat, centerLon); }
    QRect getTileRange() const { return tileRange; }
    QPoint getOriginOffset() const { return originOffset; }
    // Where the world's north-west corner lies in the view's pixels at the current zoom: what
    // the layers over the tiles add to a position's world pixel.
    QPoint worldOrigin() const;
    int cachedTileCount(int zoomLevel) const;
    bool hasCachedTile(const QPoint& tile, int zoomLevel) const;

Q_SIGNALS:
    void updated(QRect rect);
    void getTiles(std::vector<QPoint> tiles, int zoom);
    void tileConfirmation(QPoint tile, int zoom);
    // Relayed from the tile downloader: tiles cannot be fetched, and why; then they come again.
    void tilesUnreachable(const QString& reason);
    void tilesReachable();

public Q_SLOTS:
    void zoomIn();
    void zoomOut();

private Q_SLOTS:
    void tileReceived(QPoint tilePoint, int zoom, QPixmap* downloadedTile);

private:
    void requestMissingTiles();
    void purgeIfFull();

    QPixmap loadingTile;
    QPixmap emptyTile;
    TileCache tileCache;
    QPoint originOffset;
    QRect tileRange;
    int zoom;
    int viewWidth;
    int viewHeight;
    double centerLat;
    double centerLon;
    MapTileDownloader* tileDownloader; // owned; lives in its own thread
};

#endif
