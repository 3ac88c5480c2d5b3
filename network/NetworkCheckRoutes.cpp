#include "network/NetworkCheck.h"

#include "network/SegmentIndex.h"
#include "network/WrittenNetwork.h"

#include <algorithm>
#include <utility>

namespace {

// What one route's members are in the network.
struct RouteMembers
{
    std::vector<std::size_t> ways;  // indexes of the ways with length, in member order
    std::vector<std::size_t> stops; // node indexes of the stops in the file, each once
    qint64 missing = 0;
    qint64 firstStop = -1; // the node index of the first stop in member order
};

RouteMembers membersOf(const WrittenNetwork& network, const WrittenNetwork::Route& route,
                       const std::vector<bool>& usable)
{
    RouteMembers members;
    for (std::size_t m = route.firstMember; m < route.firstMember + route.memberCount; ++m) {
        const WrittenNetwork::Member& member = network.members()[m];
        const qint64 index = member.way ? network.wayIndex(member.ref) : network.nodeIndex(member.ref);
        if (index < 0) {
            ++members.missing;
        } else if (!member.way) {
            members.stops.push_back(std::size_t(index));
            if (members.firstStop < 0)
                members.firstStop = index;
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

Finding routeFinding(const WrittenNetwork& network, Finding::Kind kind, qint64 route, qint64 node)
{
    Finding finding;
    finding.kind = kind;
    finding.route = route;
    if (node >= 0) {
        finding.hasPosition = true;
        finding.lat = network.lat(std::size_t(node));
        finding.lon = network.lon(std::size_t(node));
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

void NetworkCheck::routes(const WrittenNetwork& network, const Ways& ways, std::vector<Finding>& findings)
{
    // Marks the nodes of the way before: stamp[node] == pass when that way holds the node.
    std::vector<std::size_t> stamp(network.nodeCount(), 0);
    std::size_t pass = 0;
    for (const WrittenNetwork::Route& route : network.routes()) {
        const RouteMembers members = membersOf(network, route, ways.usable);
        // The route's first node: that of its first way in the network, or its first stop.
        const qint64 firstNode
            = members.ways.empty() ? members.firstStop : qint64(ways.node(members.ways.front(), 0));

        if (members.missing > 0) {
            Finding cut = routeFinding(network, Finding::RouteCut, route.id, firstNode);
            cut.count = members.missing;
            findings.push_back(cut);
        }

        for (std::size_t i = 1; i < members.ways.size(); ++i) {
            const std::size_t a = members.ways[i - 1];
            const std::size_t b = members.ways[i];
            ++pass;
            for (std::size_t n = 0; n < ways.size(a); ++n)
                stamp[ways.node(a, n)] = pass;
            bool shared = false;
            for (std::size_t n = 0; n < ways.size(b) && !shared; ++n)
                shared = stamp[ways.node(b, n)] == pass;
            if (shared)
                continue;
            Finding gap = routeFinding(network, Finding::RouteGap, route.id, qint64(ways.node(a, ways.size(a) - 1)));
            gap.way = network.ways()[a].id;
            gap.nextWay = network.ways()[b].id;
            findings.push_back(gap);
        }

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
            Finding off = routeFinding(network, Finding::StopOffRoute, route.id, qint64(stop));
            off.stop = network.nodeId(stop);
            off.distance = nearest;
            findings.push_back(off);
        }
    }
}
