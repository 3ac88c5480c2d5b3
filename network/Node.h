#ifndef NETWORK_NODE_H
#define NETWORK_NODE_H

// One point of the extracted road and tram network, with the ways it currently ends.
// Used only in the processing worker thread.
#include <QtGlobal>
#include <utility>
#include <vector>

class Way;

class Node final
{
public:
    Node(qint64 id, double lat, double lon, bool trafficSignals);
    ~Node();
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;
    // A network holds millions of nodes: their records come from a pool of their size.
    static void* operator new(std::size_t size);
    static void operator delete(void* record);

    qint64 getId() const { return id; }
    std::pair<double, double> getPosition() const { return {lat, lon}; }
    double getLat() const { return lat; }
    double getLon() const { return lon; }
    bool hasTrafficSignals() const { return trafficSignals; }
    bool isUsed() const { return used; }
    void setUsed() { used = true; }

    // The ways of which this node is the first or the last node, in the order they were
    // connected (not owned).
    std::vector<Way*> getWays() const;
    void connectWay(Way* way);
    void disconnectWay(Way* way);

private:
    Way* const* wayList() const { return wayCount > 1 ? ways.many : &ways.one; }

    qint64 id;
    double lat;
    double lon;
    // Every node of a way is connected while the way is built and all but the ends again
    // disconnected, so most nodes end no way and the ends of most one or two: a single way is
    // held in place, more in an array whose size is the smallest power of two that holds them.
    union {
        Way* one;
        Way** many;
    } ways = {nullptr};
    quint32 wayCount = 0;
    bool trafficSignals;
    bool used = false;
};

#endif
