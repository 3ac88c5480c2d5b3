#include "network/Node.h"

#include <algorithm>
#include <iostream>

Node::Node(qint64 id, double lat, double lon, bool trafficSignals)
    : id(id)
    , lat(lat)
    , lon(lon)
    , trafficSignals(trafficSignals)
{
}

void Node::connectWay(Way* way)
{
    used = true;
    ways.push_back(way);
}

void Node::disconnectWay(Way* way)
{
    const auto it = std::find(ways.begin(), ways.end(), way);
    if (it == ways.end()) {
        std::cerr << "Node::disconnectWay FAILED, could not find (way)" << std::endl;
        return;
    }
    ways.erase(it);
}
