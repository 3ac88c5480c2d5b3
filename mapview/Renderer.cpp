#include "mapview/Renderer.h"

#include "mapview/TilePlaceholders.h"
#include "mapview/WebMercator.h"

#include <QBrush>
#include <QColor>
#include <QCoreApplication>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>

namespace {

const int tileSize = WebMercator::tileSize;
// The space left around an area that the view is zoomed to show.
const int showMargin = 48;
const QColor landColor(232, 228, 220);
const QColor selectionFill(0, 128, 255, 50);

} // namespace

Renderer::Renderer(QObject* parent)
    : QObject(parent)
    , loadingTile()
    , emptyTile(tileSize, tileSize)
    , originOffset(0, 0)
    , tileRange()
    , zoom(16)
    , viewWidth(600)
    , viewHeight(400)
    , centerLat(49.1996)
    , centerLon(16.6075)
    , tileDownloader(nullptr)
{
    loadingTile = TilePlaceholders::loading(std::max(qreal(1), qGuiApp ? qGuiApp->devicePixelRatio() : qreal(1)));
    emptyTile.fill(landColor);

    tileDownloader = new MapTileDownloader();
    connect(this, SIGNAL(getTiles(std::vector<QPoint>,int)), tileDownloader, SLOT(tilesRequired(std::vector<QPoint>,int)));
    connect(tileDownloader, SIGNAL(tileDownloaded(QPoint,int,QPixmap*)), this, SLOT(tileReceived(QPoint,int,QPixmap*)));
    connect(this, SIGNAL(tileConfirmation(QPoint,int)), tileDownloader, SLOT(tileConfirmed(QPoint,int)));
    connect(tileDownloader, SIGNAL(tilesUnreachable(QString)), this, SIGNAL(tilesUnreachable(QString)));
    connect(tileDownloader, SIGNAL(tilesReachable()), this, SIGNAL(tilesReachable()));
}

Renderer::~Renderer()
{
    delete tileDownloader;
    // Tiles that the downloader sent before its thread ended are still queued for this
    // object, each with a pixmap that only the receiver deletes: take them in now, and
    // with the downloader gone tileReceived only deletes them.
    tileDownloader = nullptr;
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void Renderer::setViewWidth(int width)
{
    viewWidth = width;
}

void Renderer::setViewHeight(int height)
{
    viewHeight = height;
}

void Renderer::updateView()
{
    if (viewWidth <= 0 || viewHeight <= 0)
        return;

    const QPointF center = WebMercator::latLonToTile(centerLat, centerLon, zoom);
    const double cx = center.x();
    const double cy = center.y();

    // Screen position of the centre tile's top-left corner, then how many tiles are
    // needed to the left of and above it.
    const int c = int(viewWidth / 2 - (cx - std::floor(cx)) * tileSize);
    const int f = int(viewHeight / 2 - (cy - std::floor(cy)) * tileSize);
    const int tilesLeft = (c + tileSize - 1) / tileSize;
    const int tilesAbove = (f + tileSize - 1) / tileSize;

    const int centerX = int(cx);
    const int centerY = int(cy);
    tileRange.setLeft(centerX - tilesLeft);
    tileRange.setTop(centerY - tilesAbove);
    originOffset = QPoint(c - tileSize * tilesLeft, f - tileSize * tilesAbove);
    tileRange.setRight(centerX + (viewWidth - c - 1) / tileSize);
    tileRange.setBottom(centerY + (viewHeight - f - 1) / tileSize);

    requestMissingTiles();
    Q_EMIT updated(QRect(0, 0, viewWidth, viewHeight));
}

void Renderer::requestMissingTiles()
{
    const int n = WebMercator::tilesPerSide(zoom);
    std::vector<QPoint> missing;
    for (int x = tileRange.left(); x <= tileRange.right(); ++x) {
        for (int y = tileRange.top(); y <= tileRange.bottom(); ++y) {
            if (x < 0 || y < 0 || x > n - 1 || y > n - 1)
                continue;
            if (!tileCache.contains(TileId(x, y, zoom)))
                missing.push_back(QPoint(x, y));
        }
    }
    // Sent also when empty: it tells the downloader that nothing else is wanted now.
    Q_EMIT getTiles(missing, zoom);
}

void Renderer::zoomIn()
{
    if (zoom < maxZoom) {
        ++zoom;
        updateView();
    }
}

void Renderer::zoomOut()
{
    if (zoom > minZoom) {
        --zoom;
        updateView();
    }
}

void Renderer::pan(const QPoint& delta)
{
    const QPointF center = WebMercator::latLonToTile(centerLat, centerLon, zoom);
    const GeoPoint moved = WebMercator::clamped(WebMercator::tileToGeo(
        center.x() - delta.x() / double(tileSize), center.y() - delta.y() / double(tileSize), zoom));
    centerLat = moved.lat;
    centerLon = moved.lon;

    updateView();
}

void Renderer::showArea(const GeoPoint& northWest, const GeoPoint& southEast)
{
    const QPointF a = WebMercator::toWorld(WebMercator::clamped(northWest));
    const QPointF b = WebMercator::toWorld(WebMercator::clamped(southEast));
    const GeoPoint centre = WebMercator::tileToGeo((a.x() + b.x()) / 2, (a.y() + b.y()) / 2, 0);
    centerLat = centre.lat;
    centerLon = centre.lon;
    // The closest zoom at which the area fits the view with a margin around it.
    const double width = std::abs(b.x() - a.x());
    const double height = std::abs(b.y() - a.y());
    zoom = maxZoom;
    while (zoom > minZoom
           && (width * WebMercator::worldPixels(zoom) > std::max(1, viewWidth - 2 * showMargin)
               || height * WebMercator::worldPixels(zoom) > std::max(1, viewHeight - 2 * showMargin)))
        --zoom;
    updateView();
}

void Renderer::setView(const GeoPoint& centre, int zoomLevel)
{
    const GeoPoint clamped = WebMercator::clamped(centre);
    centerLat = clamped.lat;
    centerLon = clamped.lon;
    zoom = std::max(minZoom, std::min(maxZoom, zoomLevel));
    updateView();
}

GeoPoint Renderer::pixelToGeo(const QPoint& p) const
{
    const QPointF center = WebMercator::latLonToTile(centerLat, centerLon, zoom);
    const double tx = center.x() - 0.5 * viewWidth / tileSize + p.x() / double(tileSize);
    const double ty = center.y() - 0.5 * viewHeight / tileSize + p.y() / double(tileSize);
    return WebMercator::tileToGeo(tx, ty, zoom);
}

QPoint Renderer::geoToPixel(const GeoPoint& g) const
{
    const QPointF t = WebMercator::latLonToTile(g.lat, g.lon, zoom);
    const int x = (int(t.x()) - tileRange.left()) * tileSize + originOffset.x()
        + int((t.x() - std::floor(t.x())) * tileSize);
    const int y = (int(t.y()) - tileRange.top()) * tileSize + originOffset.y()
        + int((t.y() - std::floor(t.y())) * tileSize);
    return QPoint(x, y);
}

QPointF Renderer::geoToPixelF(const GeoPoint& g) const
{
    const QPointF t = WebMercator::latLonToTile(g.lat, g.lon, zoom);
    const double x = (int(t.x()) - tileRange.left()) * tileSize + originOffset.x()
        + (t.x() - std::floor(t.x())) * tileSize;
    const double y = (int(t.y()) - tileRange.top()) * tileSize + originOffset.y()
        + (t.y() - std::floor(t.y())) * tileSize;
    return QPointF(x, y);
}

void Renderer::tileReceived(QPoint tilePoint, int zoom, QPixmap* downloadedTile)
{
    if (!tileDownloader || !tileCache.insert(TileId(tilePoint, zoom), *downloadedTile)) {
        delete downloadedTile;
        return;
    }
    delete downloadedTile;

    // The current layout, even for a tile of another zoom level: at worst an area is repainted.
    Q_EMIT updated(QRect((tilePoint.x() - tileRange.left()) * tileSize + originOffset.x(),
                       (tilePoint.y() - tileRange.top()) * tileSize + originOffset.y(),
                       tileSize, tileSize));
    Q_EMIT tileConfirmation(tilePoint, zoom);
    purgeIfFull();
}

void Renderer::purgeIfFull()
{
    if (tileCache.isFull())
        purgeTileCache();
}

void Renderer::purgeTileCache()
{
    tileCache.purge(tileRange, zoom);
}

int Renderer::cachedTileCount(int zoomLevel) const
{
    return tileCache.count(zoomLevel);
}

bool Renderer::hasCachedTile(const QPoint& tile, int zoomLevel) const
{
    return tileCache.contains(TileId(tile, zoomLevel));
}

QPoint Renderer::worldOrigin() const
{
    return originOffset - tileRange.topLeft() * tileSize;
}

void Renderer::setupPainter(QPainter* painter)
{
    painter->setRenderHint(QPainter::Antialiasing, true);
    QPen pen = painter->pen();
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setColor(Qt::black);
    painter->setPen(pen);
    painter->setBrush(QBrush(Qt::white, Qt::SolidPattern));
    QFont font = painter->font();
    font.setPixelSize(12);
    painter->setFont(font);
}

void Renderer::paintBackground(QPainter* painter, const QRect& dirty)
{
    painter->fillRect(dirty, QBrush(landColor, Qt::SolidPattern));
}

void Renderer::paintTiles(QPainter* painter, const QRect& dirty)
{
    const int n = WebMercator::tilesPerSide(zoom);
    for (int i = 0; i <= tileRange.right() - tileRange.left(); ++i) {
        for (int j = 0; j <= tileRange.bottom() - tileRange.top(); ++j) {
            const int x = tileRange.left() + i;
            const int y = tileRange.top() + j;
            const QRect target(originOffset.x() + tileSize * i, originOffset.y() + tileSize * j, tileSize, tileSize);
            if (x < 0 || y < 0 || x > n - 1 || y > n - 1) {
                painter->drawPixmap(QRectF(target), emptyTile, QRectF());
                continue;
            }
            if (!target.intersects(dirty))
                continue;
            const QPixmap* cached = tileCache.find(TileId(x, y, zoom));
            painter->drawPixmap(QRectF(target), cached ? *cached : loadingTile, QRectF());
        }
    }
}

void Renderer::paintSelection(QPainter* painter, const QRect&, const LocationRect& selection)
{
    const QPointF a = geoToPixelF(selection.topLeft());
    const QPointF b = geoToPixelF(selection.bottomRight());
    const QRectF area(a.x(), a.y(), b.x() - a.x(), b.y() - a.y());

    painter->save();
    painter->setBrush(QBrush(selectionFill, Qt::SolidPattern));
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->drawRects(&area, 1);
    painter->restore();

    for (int n = 1; n <= 4; ++n) {
        const QPoint q = geoToPixel(selection.cornerPoint(n));
        const QRect handle(QPoint(q.x() - 5, q.y() - 5), QPoint(q.x() + 4, q.y() + 4));
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->drawRects(&handle, 1);
        painter->restore();
    }
}
