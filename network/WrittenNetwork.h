#ifndef NETWORK_WRITTENNETWORK_H
#define NETWORK_WRITTENNETWORK_H

// A network file read back for checking and for the map: the positions of its nodes with their
// stop and signal tags, its roads and tram tracks with their class and node references as
// written, and its routes with their way and node members in file order. Unlike the network data of a run it keeps what a check must see
// and a run drops: ways of fewer than two nodes, references to nodes the file lacks, the
// order of a route's members. It may know the area the network was made of, where findings
// at its edge are told apart. Filled by one reader, then only read; any thread.
#include "network/IdIndex.h"

#include <QtGlobal>
#include <string>
#include <vector>

class WrittenNetwork
{
public:
    // What the tags of a node make it, as bits.
    enum NodeTag { BusStop = 1, TramStop = 2, TrafficSignals = 4 };
    struct Way
    {
        qint64 id;
        bool road;   // a highway value the network keeps
        bool tram;   // a tram track
        bool oneway; // a oneway road or track: traffic only in node order
        bool link;   // a road that is the link of its class
        int roadClass;
        std::size_t firstRef; // into nodeRefs()
        std::size_t refCount;
    };
    struct Member
    {
        qint64 ref;
        bool way; // otherwise a node: a stop of the route
    };
    struct Route
    {
        qint64 id;
        std::string route; // UTF-8 texts of the route, name and ref tags; empty when absent
        std::string name;
        std::string ref;
        std::size_t firstMember; // into members()
        std::size_t memberCount;
    };

    // The first position of a repeated id counts: a network file writes a node once per
    // stop on it, and the tags of every definition count.
    void addNode(qint64 id, double lat, double lon, unsigned tags);
    // The first way of a repeated id counts.
    void addWay(qint64 id, bool road, bool tram, bool oneway, bool link, int roadClass,
                const std::vector<qint64>& nodeIds);
    // The first route of a repeated id counts.
    void addRoute(qint64 id, std::string route, std::string name, std::string ref, const std::vector<Member>& members);

    // The area the network was made of, in degrees, edges included; a later call replaces an
    // earlier one.
    void setArea(double west, double south, double east, double north);
    bool hasArea() const { return areaKnown; }
    // True also when no area is known.
    bool inArea(double lat, double lon) const;

    // Positions in the lists, or -1.
    qint64 nodeIndex(qint64 id) const { return nodeIndexes.find(id); }
    qint64 wayIndex(qint64 id) const { return wayIndexes.find(id); }
    qint64 routeIndex(qint64 id) const { return routeIndexes.find(id); }

    std::size_t nodeCount() const { return nodeIds.size(); }
    qint64 nodeId(std::size_t index) const { return nodeIds[index]; }
    double lat(std::size_t index) const { return positions[2 * index]; }
    double lon(std::size_t index) const { return positions[2 * index + 1]; }
    unsigned tags(std::size_t index) const { return nodeTags[index]; }
    const std::vector<Way>& ways() const { return wayList; }
    const std::vector<qint64>& nodeRefs() const { return refs; }
    const std::vector<Route>& routes() const { return routeList; }
    const std::vector<Member>& members() const { return memberList; }

private:
    std::vector<qint64> nodeIds;
    std::vector<double> positions; // lat, lon of each node
    std::vector<unsigned char> nodeTags;
    IdIndex nodeIndexes;
    std::vector<Way> wayList;
    std::vector<qint64> refs; // the node ids of every way, way after way
    IdIndex wayIndexes;
    std::vector<Route> routeList;
    std::vector<Member> memberList;
    IdIndex routeIndexes;
    bool areaKnown = false;
    double area[4] = {0, 0, 0, 0}; // west, south, east, north
};

#endif
