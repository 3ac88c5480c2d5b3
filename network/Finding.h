#ifndef NETWORK_FINDING_H
#define NETWORK_FINDING_H

// One problem of a network file that would break a simulation run: its kind, the ids it
// names, the route it belongs to with that route's words, where it lies, and whether it lies
// at the edge of the network's area. A plain value, made in any thread; reports and views
// read it as it is.
#include <QString>
#include <QtGlobal>
#include <vector>

class Finding
{
public:
    // In the order in which reports list them.
    enum Kind { RouteGap = 0, RouteCut, RouteWithoutStops, StopOffRoute, Island, OnewayDeadEnd, DegenerateWay };
    static constexpr int kinds = 7;
    // The kind's name in reports: "route-gap", "route-cut", "route-without-stops",
    // "stop-off-route", "island", "oneway-dead-end", "degenerate-way".
    static const char* kindName(Kind kind);

    // By kind, then by the ids each kind names (route, node, way, stop): the order of the
    // check, within which reports keep each kind.
    bool operator<(const Finding& other) const;
    bool operator==(const Finding& other) const;

    Kind kind = RouteGap;
    qint64 route = 0;   // route-gap, route-cut, route-without-stops, stop-off-route
    qint64 node = 0;    // oneway-dead-end
    qint64 way = 0;     // the lowest way id of a route-gap's part; island, oneway-dead-end, degenerate-way
    qint64 stop = 0;    // stop-off-route
    qint64 count = 0;   // route-cut: members missing; island: ways of the part
    double distance = 0; // stop-off-route: metres to the nearest way of the route
    std::vector<qint64> ways; // route-gap: the ways of the part, by id
    // The route's route, ref and name tags, for the findings of a route; empty where it has none.
    QString routeType;
    QString ref;
    QString name;
    bool hasPosition = false;
    double lat = 0;
    double lon = 0;
    // The finding lies outside the network's area, or its cause does: a member or a
    // continuation that the file lacks. Only a network whose area is known has such findings.
    bool edge = false;
};

#endif
