#include "extraction/KeptObjects.h"

#include "extraction/NetworkKeepRules.h"
#include "extraction/RouteRoads.h"
#include "network/OSMData.h"

#include <algorithm>

KeptObjects::KeptObjects(OSMData& data, const RouteRoads* routeRoads)
    : routeRoads(routeRoads)
{
    for (const auto& node : data.getNodes().nodes()) {
        if (!node->isUsed() || nodeObjects.contains(node->getId()))
            continue;
        Entry& entry = nodeObjects[node->getId()];
        entry.lat = node->getLat();
        entry.lon = node->getLon();
    }
    // A way without nodes is not written in either format.
    for (const auto& way : data.getWays().ways())
        if (way->firstNode())
            wayObjects[way->getId()];
    for (const auto& relation : data.getRelations().relations())
        relationObjects[relation->getId()];
}

bool KeptObjects::wants(const QHash<qint64, Entry>& objects, qint64 id)
{
    const auto it = objects.constFind(id);
    return it != objects.constEnd() && !it->found;
}

bool KeptObjects::wantsNode(qint64 id) const
{
    const auto it = nodeObjects.constFind(id);
    return it != nodeObjects.constEnd() && !it->exact;
}

bool KeptObjects::wantsWay(qint64 id) const
{
    return wants(wayObjects, id);
}

bool KeptObjects::wantsRelation(qint64 id) const
{
    return wants(relationObjects, id);
}

void KeptObjects::node(const OSMEntity& node)
{
    const auto it = nodeObjects.find(node.id);
    if (it == nodeObjects.end() || it->exact)
        return;
    // A node removed at the end of one file may be defined anew by a later one; the network
    // has the definition that survived, known by its position.
    const bool exact = node.lat == it->lat && node.lon == it->lon;
    if (it->found && !exact)
        return;
    it->found = true;
    it->exact = exact;
    it->object = node;
}

void KeptObjects::add(QHash<qint64, Entry>& objects, const OSMEntity& object)
{
    const auto it = objects.find(object.id);
    if (it == objects.end() || it->found)
        return;
    it->found = true;
    it->object = object;
}

void KeptObjects::way(const OSMEntity& way)
{
    if (NetworkKeepRules::keepsWay(way) || (routeRoads && routeRoads->keeps(way)))
        add(wayObjects, way);
}

void KeptObjects::relation(const OSMEntity& relation)
{
    if (NetworkKeepRules::route(relation).kept)
        add(relationObjects, relation);
}

bool KeptObjects::idBefore(qint64 a, qint64 b)
{
    const bool aPositive = a > 0;
    const bool bPositive = b > 0;
    if (aPositive != bPositive)
        return bPositive;
    // Compared by magnitude without negating: the lowest 64-bit value has no positive twin.
    return aPositive ? a < b : a > b;
}

std::vector<const OSMEntity*> KeptObjects::sorted(const QHash<qint64, Entry>& objects)
{
    std::vector<const OSMEntity*> list;
    list.reserve(std::size_t(objects.size()));
    for (const Entry& entry : objects)
        if (entry.found)
            list.push_back(&entry.object);
    std::sort(list.begin(), list.end(), [](const OSMEntity* a, const OSMEntity* b) { return idBefore(a->id, b->id); });
    return list;
}

std::size_t KeptObjects::missingCount() const
{
    std::size_t missing = 0;
    for (const QHash<qint64, Entry>* objects : {&nodeObjects, &wayObjects, &relationObjects})
        for (const Entry& entry : *objects)
            if (!entry.found)
                ++missing;
    return missing;
}
