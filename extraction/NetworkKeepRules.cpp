#include "extraction/NetworkKeepRules.h"

#include "extraction/OSMEntity.h"
#include "network/KeepTable.h"

#include <QString>
#include <string>
#include <cmath>
#include <iostream>
#include <limits>

namespace {

bool is(std::string_view k, std::string_view v, const KeepTable::Tag& tag)
{
    return k == tag.key && v == tag.value;
}

// A lane count is the value as a base-10 integer, 0 when it is not one, as Qt converts XML
// text (blanks around the digits included).
int laneCount(std::string_view v)
{
    return QString::fromUtf8(v.data(), int(v.size())).toInt(nullptr, 10);
}

} // namespace

bool NetworkKeepRules::isId(qint64 id)
{
    return id != std::numeric_limits<qint64>::min() && id != std::numeric_limits<qint64>::max();
}

bool NetworkKeepRules::wayIdFromNumber(double value, qint64& id)
{
    // Only numbers that fit a 64-bit id can be truncated to one; nan, inf, 1e300 and
    // the lowest 64-bit value cannot.
    if (!std::isfinite(value) || !(value > -9223372036854775808.0) || !(value < 9223372036854775808.0))
        return false;
    id = qint64(value);
    return true;
}

void NetworkKeepRules::conversionFailed(const char* what, std::string_view utf8)
{
    std::cerr << "OSMParser: " << what;
    std::cerr.write(utf8.data(), std::streamsize(utf8.size()));
    std::cerr << std::endl;
}

NetworkKeepRules::NodeRole NetworkKeepRules::node(const OSMEntity& node)
{
    NodeRole role;
    for (std::size_t i = 0; i < node.tagCount(); ++i) {
        const std::string_view k = node.key(i);
        const std::string_view v = node.value(i);
        if (k == "name") {
            role.name = v; // a later name tag replaces an earlier one
            continue;
        }
        for (const KeepTable::StopTag& stop : KeepTable::stops)
            if (is(k, v, stop.tag))
                (stop.type == Bus ? role.busStop : role.tramStop) = true;
        if (is(k, v, KeepTable::trafficSignals))
            role.trafficSignals = true;
    }
    return role;
}

NetworkKeepRules::WayRole NetworkKeepRules::way(const OSMEntity& way)
{
    WayRole role;
    role.roadClass = Road;
    for (std::size_t i = 0; i < way.tagCount(); ++i) {
        const std::string_view k = way.key(i);
        const std::string_view v = way.value(i);
        if (k == KeepTable::highwayKey) {
            // A highway value that is no road of the network changes nothing, not even
            // an accepted value read before it.
            const KeepTable::Highway* value = KeepTable::highway(v);
            if (value && value->road) {
                role.roadClass = value->roadClass;
                role.link = value->link;
                role.highway = true;
            }
        } else if (is(k, v, KeepTable::tramTrack)) {
            role.tram = true;
        } else if (k == "oneway") {
            role.oneway = role.oneway || v == "yes";
        } else if (k == "lanes:forward") {
            role.lanesForward = laneCount(v);
        } else if (k == "lanes:backward") {
            role.lanesBackward = laneCount(v);
        }
    }
    if (role.highway) {
        role.lanesForward = 1;
        role.lanesBackward = role.oneway ? 0 : 1;
    }
    return role;
}

bool NetworkKeepRules::keepsWay(const OSMEntity& way)
{
    return way.refs.size() >= 2 && NetworkKeepRules::way(way).isRoadOrTramTrack();
}

NetworkKeepRules::WayRole NetworkKeepRules::routeRoad(const OSMEntity& way)
{
    WayRole role = NetworkKeepRules::way(way);
    if (role.isRoadOrTramTrack())
        return role;
    for (std::size_t i = 0; i < way.tagCount(); ++i)
        if (way.key(i) == KeepTable::highwayKey)
            role.roadClass = roadClassFromName(std::string(way.value(i)));
    role.highway = true;
    role.lanesForward = 1;
    role.lanesBackward = role.oneway ? 0 : 1;
    return role;
}

bool NetworkKeepRules::isPlatformMember(const OSMEntity& relation, const OSMEntity::Member& member)
{
    return KeepTable::isPlatformRole(relation.role(member));
}

bool NetworkKeepRules::isPlatformWay(const OSMEntity& way)
{
    bool platform = false;
    for (std::size_t i = 0; i < way.tagCount() && !platform; ++i)
        for (const KeepTable::Tag& tag : KeepTable::platformTags)
            platform = platform || is(way.key(i), way.value(i), tag);
    return platform && !NetworkKeepRules::way(way).isRoadOrTramTrack();
}

NetworkKeepRules::RouteRole NetworkKeepRules::route(const OSMEntity& relation)
{
    RouteRole role;
    bool isRoute = false;
    for (std::size_t i = 0; i < relation.tagCount(); ++i) {
        const std::string_view k = relation.key(i);
        const std::string_view v = relation.value(i);
        // A later tag of the same key replaces an earlier value.
        if (k == "name") {
            role.name = v;
        } else if (k == "ref") {
            role.ref = v;
        } else if (k == KeepTable::routeKey) {
            role.route = v;
        } else if (k == KeepTable::routeType.key) {
            // Any other type makes the relation no route at all, whatever follows.
            if (v != KeepTable::routeType.value)
                return RouteRole();
            isRoute = true;
        }
    }
    role.kept = isRoute && KeepTable::isRouteKind(role.route);
    return role;
}
