#ifndef MAPVIEW_TILECACHE_H
#define MAPVIEW_TILECACHE_H

// The renderer's tiles in memory: one level per zoom level, filled by the tiles that arrive and
// emptied by a purge that keeps only the tiles around the view. Lives in the GUI thread.
#include "mapview/TileId.h"

#include <QHash>
#include <QPixmap>
#include <QRect>

class TileCache
{
public:
    static const int zoomLevels = 20;
    // A cache that holds this many tiles after a new one is purged.
    static const int purgeThreshold = 512;
    // Tiles this far around the view stay at a purge.
    static const int keepMargin = 2;

    // False (and nothing kept) for a zoom level beyond the levels.
    bool insert(const TileId& tile, const QPixmap& pixmap);
    // The tile's pixmap, or null.
    const QPixmap* find(const TileId& tile) const;
    bool contains(const TileId& tile) const { return find(tile) != nullptr; }
    int count(int zoom) const;
    bool isFull() const;
    // Keeps at `zoom` the tiles of `range` widened by keepMargin; empties every other level.
    void purge(const QRect& range, int zoom);

private:
    QHash<TileId, QPixmap> levels[zoomLevels];
};

#endif
