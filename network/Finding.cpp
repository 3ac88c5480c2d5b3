#include "network/Finding.h"

#include <tuple>

const char* Finding::kindName(Kind kind)
{
    switch (kind) {
    case RouteGap:
        return "route-gap";
    case RouteCut:
        return "route-cut";
    case RouteWithoutStops:
        return "route-without-stops";
    case StopOffRoute:
        return "stop-off-route";
    case Island:
        return "island";
    case OnewayDeadEnd:
        return "oneway-dead-end";
    case DegenerateWay:
        return "degenerate-way";
    }
    return "unknown";
}

// Each kind leaves the ids it does not name at 0, so one key orders all of them.
bool Finding::operator<(const Finding& other) const
{
    return std::tie(kind, route, node, way, stop) < std::tie(other.kind, other.route, other.node, other.way, other.stop);
}

bool Finding::operator==(const Finding& other) const
{
    return std::tie(kind, route, node, way, stop)
        == std::tie(other.kind, other.route, other.node, other.way, other.stop);
}
