#ifndef NETWORK_NETWORKCHECK_H
#define NETWORK_NETWORKCHECK_H

// Finds what in a network file would break a simulation run: routes with gaps, routes cut
// off by the area or by ways the network does not keep, routes without a stop in the
// network, stops away from their route, parts of the network joined to nothing, oneway
// roads that end where no road goes on, and ways without length. Where the network's area
// is known, it marks the findings at its edge. Plain data work on a WrittenNetwork; any thread.
#include "network/Finding.h"

#include <cstddef>
#include <vector>

class SegmentIndex;
class WrittenNetwork;

class NetworkCheck
{
public:
    // A stop farther than this from every segment of its route's ways is off the route.
    static constexpr double stopDistanceMetres = 50;

    // Every finding, in the order of Finding::operator<, each once.
    static std::vector<Finding> run(const WrittenNetwork& network);

    // The metres from a point to the segment from (lat1, lon1) to (lat2, lon2), on a plane
    // laid on the Earth at the point: exact to well below a metre over the few hundred
    // metres that matter here.
    static double metresToSegment(double lat, double lon, double lat1, double lon1, double lat2, double lon2);
    // The metres from a point to the nearest point of a box, on the same plane: never more than
    // metresToSegment gives for a segment inside the box.
    static double metresToBox(double lat, double lon, double south, double west, double north, double east);

private:
    // The ways' node references as indexes into the network's node list, those the file
    // lacks left out, and whether a way has at least two different nodes: the other ways
    // are reported as degenerate and take part in no other kind.
    struct Ways
    {
        std::vector<std::size_t> first; // per way, into nodes; one entry more than ways
        std::vector<std::size_t> nodes;
        std::vector<bool> usable;
        std::vector<bool> partial; // the file lacks a node of the way
        std::vector<bool> cutEnd;  // the file lacks the way's last node
        std::size_t size(std::size_t way) const { return first[way + 1] - first[way]; }
        std::size_t node(std::size_t way, std::size_t i) const { return nodes[first[way] + i]; }
    };
    static Ways resolve(const WrittenNetwork& network);
    // The root of i in a union-find forest, halving the path on the way.
    static std::size_t rootOf(std::vector<std::size_t>& parent, std::size_t i);

    static void degenerateWays(const WrittenNetwork& network, const Ways& ways, std::vector<Finding>& findings);
    static void islands(const WrittenNetwork& network, const Ways& ways, std::vector<Finding>& findings);
    static void onewayDeadEnds(const WrittenNetwork& network, const Ways& ways, std::vector<Finding>& findings);
    // The segments of a route's ways, indexed for the stop nearest each.
    static SegmentIndex segmentsOf(const WrittenNetwork& network, const Ways& ways,
                                   const std::vector<std::size_t>& routeWays);
    // Per node, which way of the route at hand holds it: owner[node] is valid when
    // stamp[node] == pass. Kept from route to route, so that no route pays for the whole network.
    struct NodeOwners
    {
        std::vector<std::size_t> stamp;
        std::vector<std::size_t> owner;
        std::size_t pass = 0;
    };
    // route-gap, route-cut, route-without-stops and stop-off-route, route by route.
    static void routes(const WrittenNetwork& network, const Ways& ways, std::vector<Finding>& findings);
    // The part of each of the route's ways, joined at shared nodes, named by the index of the
    // part's first way there.
    static std::vector<std::size_t> routeParts(const Ways& ways, const std::vector<std::size_t>& routeWays,
                                               NodeOwners& owners);
    // The node of the part's ways nearest to a segment of the rest's.
    static std::size_t nearestNode(const WrittenNetwork& network, const Ways& ways,
                                   const std::vector<std::size_t>& part, const std::vector<std::size_t>& rest);
    // A route-gap, made from `route`, for each part of the route's ways (joined at shared nodes)
    // but its largest: the member order plays no part.
    static void routeGaps(const WrittenNetwork& network, const Ways& ways, std::vector<std::size_t> routeWays,
                          const Finding& route, NodeOwners& owners, std::vector<Finding>& findings);
};

#endif
