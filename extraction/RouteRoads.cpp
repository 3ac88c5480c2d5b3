#include "extraction/RouteRoads.h"

#include "extraction/ClipSelection.h"
#include "extraction/NetworkKeepRules.h"

#include <algorithm>

void RouteRoads::relation(const OSMEntity& relation)
{
    if (!NetworkKeepRules::route(relation).kept)
        return;
    for (const OSMEntity::Member& member : relation.members())
        if (member.type == OSMEntity::WayMember && !NetworkKeepRules::isPlatformMember(relation, member))
            found.emplace_back(relation.id, member.ref);
}

void RouteRoads::finish(const ClipSelection* selection)
{
    for (const std::pair<qint64, qint64>& member : found)
        if (!selection || selection->keepsRelation(member.first))
            ways.push_back(member.second);
    found.clear();
    found.shrink_to_fit();
    std::sort(ways.begin(), ways.end());
    ways.erase(std::unique(ways.begin(), ways.end()), ways.end());
}

bool RouteRoads::keeps(const OSMEntity& way) const
{
    return way.refs.size() >= 2 && contains(way.id) && !NetworkKeepRules::isPlatformWay(way);
}

bool RouteRoads::contains(qint64 way) const
{
    return std::binary_search(ways.begin(), ways.end(), way);
}
