#ifndef MAPVIEW_TILEID_H
#define MAPVIEW_TILEID_H

// One map tile: its x and y on the grid of its zoom level. The key of the tile caches (in
// memory and on disk) and of tile requests. A value type; usable in any thread.
#include <QHashFunctions>
#include <QMetaType>
#include <QPoint>

struct TileId
{
    int x = 0;
    int y = 0;
    int zoom = 0;

    TileId() = default;
    TileId(int x, int y, int zoom)
        : x(x)
        , y(y)
        , zoom(zoom)
    {
    }
    TileId(const QPoint& point, int zoom)
        : TileId(point.x(), point.y(), zoom)
    {
    }
    QPoint point() const { return QPoint(x, y); }
    bool operator==(const TileId& other) const { return x == other.x && y == other.y && zoom == other.zoom; }
    bool operator!=(const TileId& other) const { return !(*this == other); }
};

// x * 17 XOR y, as the tile cache has always been keyed, with the zoom level in the high bits.
inline uint qHash(const TileId& tile, uint seed = 0)
{
    return (uint(tile.x * 17) ^ uint(tile.y) ^ (uint(tile.zoom) << 27)) ^ seed;
}

Q_DECLARE_METATYPE(TileId)

#endif
