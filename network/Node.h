#ifndef NETWORK_NODE_H
#define NETWORK_NODE_H

// One point of the extracted road and tram network, with the ways it currently ends.
// Used only in the processing worker thread.
#include <QtGlobal>
#include <utility>
#include <vector>

class Way;

class Node
{
public:
    Node(qint64 id, double lat, double lon, bool trafficSignals);

    qint64 getId() const { return id; }
    std::pair<double, double> getPosition() const { return {lat, lon}; }
    double getLat() const { return lat; }
    double getLon() const { return lon; }
    bool hasTrafficSignals() const { return trafficSignals; }
    bool isUsed() const { return used; }
    void setUsed() { used = true; }

    // The ways of which this node is the first or the last node (not owned).
    const std::vector<Way*>& getWays() const { return ways; }
    void connectWay(Way* way);
    void disconnectWay(Way* way);

private:
    qint64 id;
    double lat;
    double lon;
    bool trafficSignals;
    bool used = false;
    std::vector<Way*> ways;
};

#endif
