#ifndef EXTRACTION_NETWORKKEEPRULES_H
#define EXTRACTION_NETWORKKEEPRULES_H

// What the network makes of an OpenStreetMap node, way or relation, by the keep table
// (network/KeepTable.h): the one home of these rules for every reader and handler. Also what
// counts as an id and a position on Earth when a file is read. Any thread.
#include "extraction/OSMEntity.h"

#include <QtGlobal>
#include <string_view>

class QByteArray;

class NetworkKeepRules
{
public:
    // A node or relation id, or a member's ref. The two ends of the 64-bit range do
    // not count: C's strtoll gives them for every number beyond the range, so
    // OpenStreetMap readers refuse them.
    static bool isId(qint64 id);
    // A way id given as a number: truncated toward zero when it fits a 64-bit id
    // (the lowest 64-bit value excluded, as for isId); false for anything else.
    static bool wayIdFromNumber(double value, qint64& id);
    // One diagnostic line for a number that does not convert: "OSMParser: " and
    // `what`, then the text as read.
    static void conversionFailed(const char* what, std::string_view utf8);

    // A node's stop and signal tags.
    struct NodeRole
    {
        std::string_view name; // empty when the node has no name tag
        bool busStop = false;
        bool tramStop = false;
        bool trafficSignals = false;
    };
    static NodeRole node(const OSMEntity& node);

    // A way's class, direction and lanes. A road's lanes follow from its direction alone; only
    // a tram track that is no road keeps the lanes:forward and lanes:backward values.
    struct WayRole
    {
        bool highway = false; // an accepted road
        bool tram = false;
        bool oneway = false;
        bool link = false;
        int roadClass;
        int lanesForward = 0;
        int lanesBackward = 0;
        // A road or a tram track.
        bool isRoadOrTramTrack() const { return highway || tram; }
    };
    static WayRole way(const OSMEntity& way);
    // A road or tram track with at least two node references: a way the network takes.
    static bool keepsWay(const OSMEntity& way);
    // A way that a kept route uses, as the network keeps it when it keeps the roads that routes
    // use: a road or tram track as way() has it; any other way a road of the class the table
    // gives its highway value ("service" has one), Road where there is none.
    static WayRole routeRoad(const OSMEntity& way);
    // A route's platforms, where passengers wait, are no way the route runs on: neither kept as
    // roads that routes use nor judged as parts of the route. A member is one by its role; a way
    // by its tags, whatever its role, unless it is a road or tram track of the network (which
    // stays one, whatever else its tags say).
    static bool isPlatformMember(const OSMEntity& relation, const OSMEntity::Member& member);
    static bool isPlatformWay(const OSMEntity& way);

    // A relation's route tags; `kept` when it is a bus, trolleybus or tram route.
    struct RouteRole
    {
        std::string_view name;
        std::string_view ref;
        std::string_view route;
        bool kept = false;
    };
    static RouteRole route(const OSMEntity& relation);
};

#endif
