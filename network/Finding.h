#ifndef NETWORK_FINDING_H
#define NETWORK_FINDING_H

// One problem of a network file that would break a simulation run: its kind, the ids
// it names and, for most kinds, where it lies. A plain value, made in any thread.
#include <QtGlobal>

class Finding
{
public:
    // In the order in which reports list them.
    enum Kind { RouteGap = 0, RouteCut, StopOffRoute, Island, OnewayDeadEnd, DegenerateWay };
    static constexpr int kinds = 6;
    // The kind's name in reports: "route-gap", "route-cut", "stop-off-route", "island",
    // "oneway-dead-end", "degenerate-way".
    static const char* kindName(Kind kind);

    // By kind, then by the ids each kind names (route, node, way, next way, stop): the
    // order of every report.
    bool operator<(const Finding& other) const;
    bool operator==(const Finding& other) const;

    Kind kind = RouteGap;
    qint64 route = 0;   // route-gap, route-cut, stop-off-route
    qint64 node = 0;    // oneway-dead-end
    qint64 way = 0;     // the first way of a route-gap; island, oneway-dead-end, degenerate-way
    qint64 nextWay = 0; // the second way of a route-gap
    qint64 stop = 0;    // stop-off-route
    qint64 count = 0;   // route-cut: members missing; island: ways of the part
    double distance = 0; // stop-off-route: metres to the nearest way of the route
    bool hasPosition = false;
    double lat = 0;
    double lon = 0;
};

#endif
