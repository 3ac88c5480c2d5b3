#include "mapview/TileCache.h"

bool TileCache::insert(const TileId& tile, const QPixmap& pixmap)
{
    if (tile.zoom < 0 || tile.zoom >= zoomLevels)
        return false;
    levels[tile.zoom].insert(tile, pixmap);
    return true;
}

const QPixmap* TileCache::find(const TileId& tile) const
{
    if (tile.zoom < 0 || tile.zoom >= zoomLevels)
        return nullptr;
    const auto it = levels[tile.zoom].constFind(tile);
    return it == levels[tile.zoom].constEnd() ? nullptr : &it.value();
}

int TileCache::count(int zoom) const
{
    return zoom >= 0 && zoom < zoomLevels ? levels[zoom].size() : 0;
}

bool TileCache::isFull() const
{
    int total = 0;
    for (const QHash<TileId, QPixmap>& level : levels)
        total += level.size();
    return total >= purgeThreshold;
}

void TileCache::purge(const QRect& range, int zoom)
{
    const QRect keep(QPoint(range.left() - keepMargin, range.top() - keepMargin),
                     QPoint(range.right() + keepMargin, range.bottom() + keepMargin));
    for (int level = 0; level < zoomLevels; ++level) {
        if (level != zoom) {
            levels[level].clear();
            continue;
        }
        for (auto it = levels[level].begin(); it != levels[level].end();) {
            if (keep.contains(it.key().point()))
                ++it;
            else
                it = levels[level].erase(it);
        }
    }
}
