#include "network/WrittenNetwork.h"

void WrittenNetwork::addNode(qint64 id, double lat, double lon, unsigned tags)
{
    const qint64 known = nodeIndexes.find(id);
    if (known >= 0) {
        nodeTags[std::size_t(known)] |= static_cast<unsigned char>(tags);
        return;
    }
    nodeIndexes.insert(id, qint64(nodeIds.size()));
    nodeIds.push_back(id);
    positions.push_back(lat);
    positions.push_back(lon);
    nodeTags.push_back(static_cast<unsigned char>(tags));
}

void WrittenNetwork::addWay(qint64 id, bool road, bool tram, bool oneway, bool link, int roadClass,
                            const std::vector<qint64>& nodeIds)
{
    if (wayIndexes.find(id) >= 0)
        return;
    wayIndexes.insert(id, qint64(wayList.size()));
    wayList.push_back({id, road, tram, oneway, link, roadClass, refs.size(), nodeIds.size()});
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
