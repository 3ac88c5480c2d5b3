#ifndef EXTRACTION_NETWORKKEEPER_H
#define EXTRACTION_NETWORKKEEPER_H

// The handler that builds the network: it takes each entity of a file into the network data as
// the keep rules say (stops and signals of nodes, roads and tram tracks, bus, trolleybus and
// tram routes), optionally only what a clip selects, optionally with the roads that routes use,
// and optionally defines only the nodes that the file's kept ways use. Used in the processing
// worker thread.
#include "extraction/OSMHandler.h"

#include <functional>

class ClipSelection;
class KeptObjects;
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
    // From now on each entity the network keeps, or may keep (a node), is also handed to
    // `objects` (not owned), for the network file in standard form.
    void collectInto(KeptObjects* objects) { collector = objects; }
    // The area the file names is passed on to `told`.
    void tellBoundsTo(std::function<void(const BoundingBox&)> told) { boundsTold = std::move(told); }
    void bounds(const BoundingBox& box) override;
    // Only of what is collected: most nodes of a file are never kept.
    bool wantsMetadata(const OSMEntity& entity) const override;

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
    std::function<void(const BoundingBox&)> boundsTold;
    KeptObjects* collector = nullptr;
};

#endif
