#ifndef NETWORK_OSMDATA_H
#define NETWORK_OSMDATA_H

// The network data of one processing run: nodes, route relations, resolved routes,
// stops and ways, with the rules that absorb duplicate input. Used only in the
// processing worker thread.
#include "network/OSMNodes.h"
#include "network/OSMRelations.h"
#include "network/OSMRoutes.h"
#include "network/OSMStops.h"
#include "network/OSMWays.h"

#include <string>
#include <vector>

class OSMData
{
public:
    OSMData() = default;
    OSMData(const OSMData&) = delete;
    OSMData& operator=(const OSMData&) = delete;

    // The node with this id; created with these values when there is none yet.
    Node* addNode(qint64 id, double lat, double lon, bool trafficSignals);
    // The same as addNode for a caller that needs no pointer: the node gets a record
    // only when a way or stop takes it, so the many nodes that are removed again at
    // the end of their file cost no allocation.
    void defineNode(qint64 id, double lat, double lon, bool trafficSignals);
    void addTramStop(const std::string& name, Node* node);
    void addBusStop(const std::string& name, Node* node);
    void addWay(qint64 id, const std::vector<qint64>& nodeIds, bool tram, bool highway, bool oneway, bool link,
                int roadClass, int lanesForward, int lanesBackward);
    void addRelation(qint64 id, std::string name, std::string ref, std::string route, std::vector<qint64> ways,
                     std::vector<qint64> forwardWays, std::vector<qint64> backwardWays,
                     std::vector<qint64> stops);
    void removeUnusedNodes();

    OSMNodes& getNodes() { return nodes; }
    OSMRelations& getRelations() { return relations; }
    OSMRoutes& getRoutes() { return routes; }
    OSMStops& getTramStops() { return tramStops; }
    OSMStops& getBusStops() { return busStops; }
    OSMWays& getWays() { return ways; }

private:
    void addStop(OSMStops& stops, StopType type, const std::string& name, Node* node);

    // Destroyed in reverse order: ways and stops go before the nodes they point at.
    OSMNodes nodes;
    OSMRelations relations;
    OSMRoutes routes;
    OSMStops tramStops;
    OSMStops busStops;
    OSMWays ways;
};

#endif
