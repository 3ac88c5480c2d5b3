#ifndef NETWORK_NETWORKCHECK_H
#define NETWORK_NETWORKCHECK_H

// Finds what in a network file would break a simulation run: routes with gaps, routes cut
// off by the area or by ways the network does not keep, stops away from their route,
// parts of the network joined to nothing, oneway roads that end where no road goes on,
// and ways without length. Plain data work on a WrittenNetwork; any thread.
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

    // Every finding, in report order (Finding::operator<), each once.
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
        std::size_t size(std::size_t way) const { return first[way + 1] - first[way]; }
        std::size_t node(std::size_t way, std::size_t i) const { return nodes[first[way] + i]; }
    };
    static Ways resolve(const WrittenNetwork& network);

    static void degenerateWays(const WrittenNetwork& network, const Ways& ways, std::vector<Finding>& findings);
    static void islands(const WrittenNetwork& network, const Ways& ways, std::vector<Finding>& findings);
    static void onewayDeadEnds(const WrittenNetwork& network, const Ways& ways, std::vector<Finding>& findings);
    // The segments of a route's ways, indexed for the stop nearest each.
    static SegmentIndex segmentsOf(const WrittenNetwork& network, const Ways& ways,
                                   const std::vector<std::size_t>& routeWays);
    // route-gap, route-cut and stop-off-route, route by route.
    static void routes(const WrittenNetwork& network, const Ways& ways, std::vector<Finding>& findings);
};

#endif
