#include "extraction/NetworkKeeper.h"

#include "extraction/ClipSelection.h"
#include "extraction/KeptObjects.h"
#include "extraction/NetworkKeepRules.h"
#include "extraction/RouteRoads.h"
#include "extraction/WayNodeSet.h"
#include "network/OSMData.h"

#include <string>
#include <vector>

NetworkKeeper::NetworkKeeper(OSMData& data, const ClipSelection* selection, const WayNodeSet* wayNodes,
                             RouteRoads* routeRoads)
    : data(data)
    , selection(selection)
    , wayNodes(wayNodes)
    , routeRoads(routeRoads)
{
}

void NetworkKeeper::bounds(const BoundingBox& box)
{
    if (boundsTold)
        boundsTold(box);
}

bool NetworkKeeper::wantsMetadata(const OSMEntity& entity) const
{
    if (!collector)
        return false;
    switch (entity.kind()) {
    case OSMEntity::Node: {
        if (!wayNodes || wayNodes->contains(entity.id))
            return true;
        const NetworkKeepRules::NodeRole role = NetworkKeepRules::node(entity);
        return role.busStop || role.tramStop;
    }
    case OSMEntity::Way:
        return NetworkKeepRules::keepsWay(entity) || (routeRoads && routeRoads->keeps(entity));
    case OSMEntity::Relation:
        return NetworkKeepRules::route(entity).kept;
    }
    return false;
}

bool NetworkKeeper::wantsNode(qint64 id) const
{
    return !selection || selection->keepsNode(id);
}

bool NetworkKeeper::wantsWay(qint64 id) const
{
    return !selection || selection->keepsWay(id);
}

bool NetworkKeeper::wantsRelation(qint64 id) const
{
    return !selection || selection->keepsRelation(id);
}

void NetworkKeeper::node(const OSMEntity& node)
{
    const NetworkKeepRules::NodeRole role = NetworkKeepRules::node(node);
    // Most nodes are no stop: they are only defined, and a way may take them later. With the
    // nodes of the kept ways known, the others are left out and the rest get their record now.
    if (!role.busStop && !role.tramStop) {
        if (!wayNodes)
            data.defineNode(node.id, node.lat, node.lon, role.trafficSignals);
        else if (wayNodes->contains(node.id))
            data.addNode(node.id, node.lat, node.lon, role.trafficSignals);
        else
            return;
        if (collector)
            collector->collect(node);
        return;
    }
    if (collector)
        collector->collect(node);
    Node* record = data.addNode(node.id, node.lat, node.lon, role.trafficSignals);
    const std::string name(role.name);
    if (role.busStop)
        data.addBusStop(name, record);
    if (role.tramStop)
        data.addTramStop(name, record);
}

void NetworkKeeper::way(const OSMEntity& way)
{
    if (way.refs.size() < 2)
        return;
    NetworkKeepRules::WayRole role = NetworkKeepRules::way(way);
    if (!role.isRoadOrTramTrack()) {
        // The first definition of a way counts, as addWay() has it.
        if (!routeRoads || !routeRoads->keeps(way) || data.getWays().find(way.id))
            return;
        role = NetworkKeepRules::routeRoad(way);
        routeRoads->countAdded();
    }
    data.addWay(way.id, way.refs, role.tram, role.highway, role.oneway, role.link, role.roadClass,
                role.lanesForward, role.lanesBackward);
    if (collector)
        collector->collect(way);
}

void NetworkKeeper::relation(const OSMEntity& relation)
{
    const NetworkKeepRules::RouteRole role = NetworkKeepRules::route(relation);
    if (!role.kept)
        return;
    // Counted first, so that each list is made as long as it will be: a network of many routes
    // would otherwise hold up to twice the room its members need.
    enum List { Both, Forward, Backward, Stops, Other };
    const auto listOf = [&relation](const OSMEntity::Member& member) {
        if (member.type == OSMEntity::NodeMember)
            return Stops;
        if (member.type != OSMEntity::WayMember)
            return Other;
        // No role, an empty one or any other: a way of the route in both directions.
        const std::string_view memberRole = relation.role(member);
        return memberRole == "forward" ? Forward : memberRole == "backward" ? Backward : Both;
    };
    if (collector)
        collector->collect(relation);
    std::size_t counts[Other + 1] = {};
    for (const OSMEntity::Member& member : relation.members())
        ++counts[listOf(member)];
    std::vector<qint64> lists[Other];
    for (int list = Both; list < Other; ++list)
        lists[list].reserve(counts[list]);
    for (const OSMEntity::Member& member : relation.members())
        if (const List list = listOf(member); list != Other)
            lists[list].push_back(member.ref);
    data.addRelation(relation.id, std::string(role.name), std::string(role.ref), std::string(role.route),
                     std::move(lists[Both]), std::move(lists[Forward]), std::move(lists[Backward]),
                     std::move(lists[Stops]));
}
