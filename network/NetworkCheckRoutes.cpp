#include "network/NetworkCheck.h"

#include "network/SegmentIndex.h"
#include "network/WrittenNetwork.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

// What one route's members are in the network.
struct RouteMembers
{
    std::vector<std::size_t> ways;  // indexes of the ways with length, in member order
    std::vector<std::size_t> stops; // node indexes of the stops in the file, each once
    qint64 missing = 0;
    qint64 missingStops = 0; // of those missing, the node members
};

// Where a finding of the whole route lies: the first node of its way of the lowest id, or its
// stop of the lowest id; -1 without either. Both formats of a network give the same node,
// whatever order they list the members in. `wayStart` gives a way's first node.
template <typename WayStart>
qint64 routeNode(const WrittenNetwork& network, const RouteMembers& members, WayStart wayStart)
{
    if (!members.ways.empty()) {
        const auto lowest = std::min_element(members.ways.begin(), members.ways.end(),
                                             [&network](std::size_t a, std::size_t b) {
                                                 return network.ways()[a].id < network.ways()[b].id;
                                             });
        return qint64(wayStart(*lowest));
    }
    if (members.stops.empty())
        return -1;
    return qint64(*std::min_element(members.stops.begin(), members.stops.end(),
                                    [&network](std::size_t a, std::size_t b) {
                                        return network.nodeId(a) < network.nodeId(b);
                                    }));
}

RouteMembers membersOf(const WrittenNetwork& network, const WrittenNetwork::Route& route,
                       const std::vector<bool>& usable)
{
    RouteMembers members;
    for (std::size_t m = route.firstMember; m < route.firstMember + route.memberCount; ++m) {
        const WrittenNetwork::Member& member = network.members()[m];
        const qint64 index = member.way ? network.wayIndex(member.ref) : network.nodeIndex(member.ref);
        if (index < 0) {
            ++members.missing;
            if (!member.way)
                ++members.missingStops;
        } else if (!member.way) {
            members.stops.push_back(std::size_t(index));
        } else if (usable[std::size_t(index)]) {
            // A way without length is passed over: the route runs from the way before it
            // to the way after it.
            members.ways.push_back(std::size_t(index));
        }
    }
    std::sort(members.stops.begin(), members.stops.end());
    members.stops.erase(std::unique(members.stops.begin(), members.stops.end()), members.stops.end());
    return members;
}

// A finding of the route, with its words, at the node (none for -1).
Finding routeFinding(const WrittenNetwork& network, const WrittenNetwork::Route& route, Finding::Kind kind,
                     qint64 node)
{
    Finding finding;
    finding.kind = kind;
    finding.route = route.id;
    finding.routeType = QString::fromStdString(route.route);
    finding.ref = QString::fromStdString(route.ref);
    finding.name = QString::fromStdString(route.name);
    if (node >= 0) {
        finding.hasPosition = true;
        finding.lat = network.lat(std::size_t(node));
        finding.lon = network.lon(std::size_t(node));
        finding.edge = !network.inArea(finding.lat, finding.lon);
    }
    return finding;
}

} // namespace

SegmentIndex NetworkCheck::segmentsOf(const WrittenNetwork& network, const Ways& ways,
                                      const std::vector<std::size_t>& routeWays)
{
    std::vector<SegmentIndex::Segment> segments;
    for (const std::size_t way : routeWays) {
        for (std::size_t n = 1; n < ways.size(way); ++n) {
            const std::size_t p = ways.node(way, n - 1);
            const std::size_t q = ways.node(way, n);
            segments.push_back({network.lat(p), network.lon(p), network.lat(q), network.lon(q)});
        }
    }
    return SegmentIndex(std::move(segments));
}

std::vector<std::size_t> NetworkCheck::routeParts(const Ways& ways, const std::vector<std::size_t>& routeWays,
                                                  NodeOwners& owners)
{
    // Union-find over the route's ways, joined where one holds a node an earlier one holds.
    std::vector<std::size_t> parent(routeWays.size());
    ++owners.pass;
    for (std::size_t i = 0; i < routeWays.size(); ++i) {
        parent[i] = i;
        for (std::size_t n = 0; n < ways.size(routeWays[i]); ++n) {
            const std::size_t node = ways.node(routeWays[i], n);
            if (owners.stamp[node] != owners.pass) {
                owners.stamp[node] = owners.pass;
                owners.owner[node] = i;
                continue;
            }
            // The lower root stays: a part is named by its first way.
            const std::size_t a = rootOf(parent, owners.owner[node]);
            const std::size_t b = rootOf(parent, i);
            parent[std::max(a, b)] = std::min(a, b);
        }
    }
    for (std::size_t i = 0; i < routeWays.size(); ++i)
        parent[i] = rootOf(parent, i);
    return parent;
}

std::size_t NetworkCheck::nearestNode(const WrittenNetwork& network, const Ways& ways,
                                      const std::vector<std::size_t>& part, const std::vector<std::size_t>& rest)
{
    // The first node of the least distance, in the order of the part's ways and their nodes.
    const SegmentIndex others = segmentsOf(network, ways, rest);
    double nearest = std::numeric_limits<double>::infinity();
    std::size_t at = ways.node(part.front(), 0);
    for (const std::size_t way : part) {
        for (std::size_t n = 0; n < ways.size(way); ++n) {
            const std::size_t node = ways.node(way, n);
            const double metres = others.nearestMetres(network.lat(node), network.lon(node), 0);
            if (metres < nearest) {
                nearest = metres;
                at = node;
            }
        }
    }
    return at;
}

void NetworkCheck::routeGaps(const WrittenNetwork& network, const Ways& ways, std::vector<std::size_t> routeWays,
                             const Finding& route, NodeOwners& owners, std::vector<Finding>& findings)
{
    // Each way once, by id: both formats of a network list the same ways, in different orders.
    std::sort(routeWays.begin(), routeWays.end(),
              [&network](std::size_t a, std::size_t b) { return network.ways()[a].id < network.ways()[b].id; });
    routeWays.erase(std::unique(routeWays.begin(), routeWays.end()), routeWays.end());
    if (routeWays.size() < 2)
        return;
    const std::vector<std::size_t> part = routeParts(ways, routeWays, owners);
    // The largest part has the most ways; of two as large, the one with the lower way id,
    // which the order by id meets first.
    std::vector<std::size_t> size(routeWays.size(), 0);
    for (const std::size_t root : part)
        ++size[root];
    std::size_t largest = part[0];
    for (const std::size_t root : part)
        if (size[root] > size[largest])
            largest = root;

    std::vector<bool> reported(routeWays.size(), false);
    for (const std::size_t root : part) {
        if (root == largest || reported[root])
            continue;
        reported[root] = true;
        std::vector<std::size_t> these;
        std::vector<std::size_t> rest;
        for (std::size_t i = 0; i < routeWays.size(); ++i)
            (part[i] == root ? these : rest).push_back(routeWays[i]);
        Finding gap = route;
        gap.kind = Finding::RouteGap;
        gap.way = network.ways()[these.front()].id;
        for (const std::size_t way : these)
            gap.ways.push_back(network.ways()[way].id);
        // The gap lies where the part comes nearest to the rest of the route.
        const std::size_t at = nearestNode(network, ways, these, rest);
        gap.hasPosition = true;
        gap.lat = network.lat(at);
        gap.lon = network.lon(at);
        gap.edge = !network.inArea(gap.lat, gap.lon);
        findings.push_back(gap);
    }
}

void NetworkCheck::routes(const WrittenNetwork& network, const Ways& ways, std::vector<Finding>& findings)
{
    NodeOwners owners;
    owners.stamp.assign(network.nodeCount(), 0);
    owners.owner.assign(network.nodeCount(), 0);
    for (const WrittenNetwork::Route& route : network.routes()) {
        const RouteMembers members = membersOf(network, route, ways.usable);
        const qint64 firstNode = routeNode(network, members, [&ways](std::size_t way) { return ways.node(way, 0); });

        if (members.missing > 0) {
            Finding cut = routeFinding(network, route, Finding::RouteCut, firstNode);
            cut.count = members.missing;
            // The members the file lacks are taken to lie beyond the area.
            cut.edge = network.hasArea();
            findings.push_back(cut);
        }

        if (members.stops.empty()) {
            Finding without = routeFinding(network, route, Finding::RouteWithoutStops, firstNode);
            // Its stops may lie beyond the area; a route that names none has no stop anywhere.
            without.edge = without.edge || (network.hasArea() && members.missingStops > 0);
            findings.push_back(without);
        }

        routeGaps(network, ways, members.ways, routeFinding(network, route, Finding::RouteGap, -1), owners, findings);

        // Without a way in the network a route has no line to be off: route-cut tells.
        if (members.ways.empty() || members.stops.empty())
            continue;
        // Only whether a stop is off the route needs the exact distance: a search ends at the
        // first segment within reach.
        const SegmentIndex segments = segmentsOf(network, ways, members.ways);
        for (std::size_t stop : members.stops) {
            const double nearest = segments.nearestMetres(network.lat(stop), network.lon(stop), stopDistanceMetres);
            if (nearest <= stopDistanceMetres)
                continue;
            Finding off = routeFinding(network, route, Finding::StopOffRoute, qint64(stop));
            off.stop = network.nodeId(stop);
            off.distance = nearest;
            findings.push_back(off);
        }
    }
}
