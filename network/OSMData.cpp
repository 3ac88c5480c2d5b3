#include "network/OSMData.h"

#include <iostream>
#include <utility>

Node* OSMData::addNode(qint64 id, double lat, double lon, bool trafficSignals)
{
    if (Node* existing = nodes.find(id))
        return existing;
    Node* node = new Node(id, lat, lon, trafficSignals);
    nodes.add(node);
    return node;
}

void OSMData::defineNode(qint64 id, double lat, double lon, bool trafficSignals)
{
    nodes.define(id, lat, lon, trafficSignals);
}

void OSMData::addTramStop(const std::string& name, Node* node)
{
    addStop(tramStops, Tram, name, node);
}

void OSMData::addBusStop(const std::string& name, Node* node)
{
    addStop(busStops, Bus, name, node);
}

void OSMData::addStop(OSMStops& stops, StopType type, const std::string& name, Node* node)
{
    if (stops.find(name, node))
        return;
    node->setUsed();
    stops.add(new Stop(name, node, type));
}

void OSMData::addWay(qint64 id, const std::vector<qint64>& nodeIds, bool tram, bool highway, bool oneway,
                     bool link, int roadClass, int lanesForward, int lanesBackward)
{
    if (ways.find(id))
        return;
    if (!highway && !tram)
        return;
    if (nodeIds.size() < 2)
        return;
    Way* way = new Way;
    way->setId(id);
    way->setHighway(highway);
    way->setTram(tram);
    way->setOneway(oneway);
    way->setLink(link);
    way->setRoadClass(roadClass);
    way->setLanesForward(lanesForward);
    way->setLanesBackward(lanesBackward);
    way->reserveNodes(nodeIds.size());
    for (qint64 nodeId : nodeIds) {
        if (Node* node = nodes.find(nodeId))
            way->addNode(node);
        else
            std::cerr << "addWay finding Node failed: fromId == " << nodeId << std::endl;
    }
    ways.add(way);
}

void OSMData::addRelation(qint64 id, std::string name, std::string ref, std::string route,
                          std::vector<qint64> ways, std::vector<qint64> forwardWays,
                          std::vector<qint64> backwardWays, std::vector<qint64> stops)
{
    if (relations.find(id))
        return;
    relations.add(new Relation(id, std::move(name), std::move(ref), std::move(route), std::move(ways),
                               std::move(forwardWays), std::move(backwardWays), std::move(stops)));
}

void OSMData::removeUnusedNodes()
{
    nodes.removeUnusedNodes();
}
