#include "extraction/WayNodeSet.h"

#include "extraction/NetworkKeepRules.h"
#include "extraction/RouteRoads.h"

#include <algorithm>

void WayNodeSet::way(const OSMEntity& way)
{
    if (!NetworkKeepRules::keepsWay(way) && !(routeRoads && routeRoads->keeps(way)))
        return;
    ids.insert(ids.end(), way.refs.begin(), way.refs.end());
    // Ways share their end nodes: duplicates go now and then, so that they never pile up.
    if (ids.size() >= compactAt) {
        compact();
        compactAt = std::max(compactAt, 2 * ids.size());
    }
}

void WayNodeSet::compact()
{
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
}

void WayNodeSet::finish()
{
    compact();
    ids.shrink_to_fit();
    cursor = 0;
}

bool WayNodeSet::contains(qint64 id) const
{
    // `cursor` is the first id not below the last one asked for: an id at or after it is found
    // by stepping on, one before it by a search.
    if (cursor > 0 && ids[cursor - 1] >= id)
        cursor = std::size_t(std::lower_bound(ids.begin(), ids.end(), id) - ids.begin());
    else
        while (cursor < ids.size() && ids[cursor] < id)
            ++cursor;
    return cursor < ids.size() && ids[cursor] == id;
}
