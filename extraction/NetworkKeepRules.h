#ifndef EXTRACTION_NETWORKKEEPRULES_H
#define EXTRACTION_NETWORKKEEPRULES_H

// What the network keeps of OpenStreetMap nodes, ways and relations, and how a kept
// element goes into the network data: the one home of these rules for every input
// format. The XML readers hand over texts as read (QStringRef), the PBF reader as
// UTF-8 bytes; both end up in the same calls into OSMData. Used in the processing
// worker thread.
#include <QtGlobal>
#include <string>
#include <vector>

class OSMData;
class QByteArray;
class QStringRef;

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
    // Positions on Earth only: a finite number within 90 (latitude) or 180
    // (longitude) degrees of zero.
    static bool isLatitude(double lat);
    static bool isLongitude(double lon);
    // One diagnostic line for a number that does not convert: "OSMParser: " and
    // `what`, then the text as read.
    static void conversionFailed(const char* what, const QByteArray& utf8);

    // A node: its stop and signal tags, collected tag by tag.
    struct NodeValues
    {
        std::string name; // UTF-8; empty when the node has no name tag
        bool busStop = false;
        bool tramStop = false;
        bool trafficSignals = false;

        void tag(const QStringRef& k, const QStringRef& v);
        void tag(const char* k, const char* v);
        // Defines the node and registers its stops.
        void store(OSMData& data, qint64 id, double lat, double lon) const;
    };

    // A way: its node references in order and the tags of its class, direction
    // and lanes.
    struct WayValues
    {
        std::vector<qint64> nodeIds;
        bool highway = false; // an accepted road
        bool tram = false;
        bool oneway = false;
        bool link = false;
        int roadClass;
        int lanesForward = 0;
        int lanesBackward = 0;

        WayValues();
        void tag(const QStringRef& k, const QStringRef& v);
        void tag(const char* k, const char* v);
        // The tags make the way part of the network: a road or a tram track.
        bool isRoadOrTramTrack() const { return highway || tram; }
        // Adds the way when it is a road or tram track with at least two nodes.
        void store(OSMData& data, qint64 id);
    };

    // A relation: kept when it is a bus, trolleybus or tram route.
    struct RouteValues
    {
        std::string name;
        std::string ref;
        std::string route;
        bool isRoute = false;
        std::vector<qint64> ways;
        std::vector<qint64> forwardWays;
        std::vector<qint64> backwardWays;
        std::vector<qint64> stops;

        // False when the tag says the relation is no route at all: nothing of it
        // is kept, and it need not be read further.
        bool tag(const QStringRef& k, const QStringRef& v);
        bool tag(const char* k, const char* v);
        // A member whose ref converted; `hasRole` false when the member names no role.
        void member(const QStringRef& type, qint64 memberRef, const QStringRef& role, bool hasRole);
        void member(const char* type, qint64 memberRef, const char* role);
        // The tags make the relation a route of the network: bus, trolleybus or tram.
        bool isKept() const;
        void store(OSMData& data, qint64 id);
    };
};

#endif
