#include "network/WrittenNetwork.h"

void WrittenNetwork::addNode(qint64 id, double lat, double lon)
{
    if (nodeIndexes.find(id) >= 0)
        return;
    nodeIndexes.insert(id, qint64(nodeIds.size()));
    nodeIds.push_back(id);
    positions.push_back(lat);
    positions.push_back(lon);
}

void WrittenNetwork::addWay(qint64 id, bool road, bool tram, bool oneway, const std::vector<qint64>& nodeIds)
{
    if (wayIndexes.find(id) >= 0)
        return;
    wayIndexes.insert(id, qint64(wayList.size()));
    wayList.push_back({id, road, tram, oneway, refs.size(), nodeIds.size()});
    refs.insert(refs.end(), nodeIds.begin(), nodeIds.end());
}

void WrittenNetwork::addRoute(qint64 id, std::string route, std::string name, std::string ref,
                              const std::vector<Member>& members)
{
    if (routeIndexes.find(id) >= 0)
        return;
    routeIndexes.insert(id, qint64(routeList.size()));
    routeList.push_back({id, std::move(route), std::move(name), std::move(ref), memberList.size(), members.size()});
    memberList.insert(memberList.end(), members.begin(), members.end());
}

void WrittenNetwork::setArea(double west, double south, double east, double north)
{
    areaKnown = true;
    area[0] = west;
    area[1] = south;
    area[2] = east;
    area[3] = north;
}

bool WrittenNetwork::inArea(double lat, double lon) const
{
    return !areaKnown || (lon >= area[0] && lat >= area[1] && lon <= area[2] && lat <= area[3]);
}
