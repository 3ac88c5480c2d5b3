#ifndef EXTRACTION_NETWORKKEEPER_H
#define EXTRACTION_NETWORKKEEPER_H

// The handler that builds the network: it takes each entity of a file into the network data as
// the keep rules say (stops and signals of nodes, roads and tram tracks, bus, trolleybus and
// tram routes), optionally only what a clip selects, optionally with the roads that routes use,
// and optionally defines only the nodes that the file's kept ways use. Used in the processing
// worker thread.
#include "extraction/OSMHandler.h"

class ClipSelection;
class OSMData;
class RouteRoads;
class WayNodeSet;

class NetworkKeeper : public OSMHandler
{
public:
    // `selection`, `wayNodes` and `routeRoads`, when given, must outlive the keeper.
    explicit NetworkKeeper(OSMData& data, const ClipSelection* selection = nullptr,
                           const WayNodeSet* wayNodes = nullptr, RouteRoads* routeRoads = nullptr);

    bool selects() const override { return selection != nullptr; }

protected:
    bool wantsNode(qint64 id) const override;
    bool wantsWay(qint64 id) const override;
    bool wantsRelation(qint64 id) const override;
    void node(const OSMEntity& node) override;
    void way(const OSMEntity& way) override;
    void relation(const OSMEntity& relation) override;

private:
    OSMData& data;
    const ClipSelection* selection; // not owned; null: everything
    // Not owned; null: every node is defined. A node that no kept way of the file uses and that
    // is no stop would be removed at the end of the file unused, so leaving it out changes
    // nothing but the memory a file of many nodes takes.
    const WayNodeSet* wayNodes;
    // Not owned; null: a way that is no road or tram track is dropped, whatever uses it. Told of
    // each way it makes the network take.
    RouteRoads* routeRoads;
};

#endif
