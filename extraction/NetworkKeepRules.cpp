#include "extraction/NetworkKeepRules.h"

#include "network/OSMData.h"
#include "network/KeepTable.h"

#include <QByteArray>
#include <QString>
#include <QStringRef>
#include <cmath>
#include <cstring>
#include <iostream>
#include <limits>

namespace {

// Exact, case-sensitive comparisons with the ASCII texts of the rules, without
// converting what was read.
template <std::size_t N>
bool is(const QStringRef& text, const char (&literal)[N])
{
    if (text.size() != int(N - 1))
        return false;
    const QChar* characters = text.unicode();
    for (std::size_t i = 0; i + 1 < N; ++i)
        if (characters[i].unicode() != static_cast<unsigned char>(literal[i]))
            return false;
    return true;
}

template <std::size_t N>
bool is(const char* text, const char (&literal)[N])
{
    // Most keys differ from a literal in their first byte.
    return text[0] == literal[0] && std::strcmp(text, literal) == 0;
}

std::string utf8(const QStringRef& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

std::string utf8(const char* text)
{
    return text;
}

const KeepTable::Highway* highwayValue(const QStringRef& v)
{
    return KeepTable::highway(utf8(v));
}

const KeepTable::Highway* highwayValue(const char* v)
{
    return KeepTable::highway(v);
}

// A lane count is the value as a base-10 integer, 0 when it is not one. UTF-8 bytes
// take the same conversion as XML text, so both accept exactly the same values
// (blanks around the digits included).
int laneCount(const QStringRef& v)
{
    return v.toInt(nullptr, 10);
}

int laneCount(const char* v)
{
    return QString::fromUtf8(v).toInt(nullptr, 10);
}

// The first rule that fits applies.
template <class Text>
void nodeTag(NetworkKeepRules::NodeValues& node, const Text& k, const Text& v)
{
    if (is(k, "name"))
        node.name = utf8(v); // a later name tag replaces an earlier one
    else if (is(k, "railway") && is(v, "tram_stop"))
        node.tramStop = true;
    else if (is(k, "highway") && is(v, "bus_stop"))
        node.busStop = true;
    else if (is(k, "highway") && is(v, "traffic_signals"))
        node.trafficSignals = true;
}

template <class Text>
void wayTag(NetworkKeepRules::WayValues& way, const Text& k, const Text& v)
{
    if (is(k, "highway")) {
        // A highway value that is no road of the network changes nothing, not even
        // an accepted value read before it.
        const KeepTable::Highway* value = highwayValue(v);
        if (value && value->road) {
            way.roadClass = value->roadClass;
            way.link = value->link;
            way.highway = true;
        }
    } else if (is(k, "railway")) {
        if (is(v, "tram"))
            way.tram = true;
    } else if (is(k, "oneway")) {
        if (is(v, "yes"))
            way.oneway = true;
    } else if (is(k, "lanes:forward")) {
        way.lanesForward = laneCount(v);
    } else if (is(k, "lanes:backward")) {
        way.lanesBackward = laneCount(v);
    }
}

template <class Text>
bool routeTag(NetworkKeepRules::RouteValues& route, const Text& k, const Text& v)
{
    if (is(k, "name")) {
        route.name = utf8(v);
    } else if (is(k, "ref")) {
        route.ref = utf8(v);
    } else if (is(k, "route")) {
        route.route = utf8(v);
    } else if (is(k, "type")) {
        if (!is(v, "route"))
            return false;
        route.isRoute = true;
    }
    return true;
}

template <class Text>
void routeMember(NetworkKeepRules::RouteValues& route, const Text& type, qint64 memberRef, const Text& role,
                 bool hasRole)
{
    if (is(type, "way")) {
        // No role, an empty one or any other: a way of the route in both directions.
        if (hasRole && is(role, "forward"))
            route.forwardWays.push_back(memberRef);
        else if (hasRole && is(role, "backward"))
            route.backwardWays.push_back(memberRef);
        else
            route.ways.push_back(memberRef);
    } else if (is(type, "node")) {
        route.stops.push_back(memberRef);
    }
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

bool NetworkKeepRules::isLatitude(double lat)
{
    return std::isfinite(lat) && std::fabs(lat) <= 90;
}

bool NetworkKeepRules::isLongitude(double lon)
{
    return std::isfinite(lon) && std::fabs(lon) <= 180;
}

void NetworkKeepRules::conversionFailed(const char* what, const QByteArray& utf8)
{
    std::cerr << "OSMParser: " << what;
    std::cerr.write(utf8.constData(), utf8.size());
    std::cerr << std::endl;
}

void NetworkKeepRules::NodeValues::tag(const QStringRef& k, const QStringRef& v)
{
    nodeTag(*this, k, v);
}

void NetworkKeepRules::NodeValues::tag(const char* k, const char* v)
{
    nodeTag(*this, k, v);
}

void NetworkKeepRules::NodeValues::store(OSMData& data, qint64 id, double lat, double lon) const
{
    // Most nodes are no stop: they are only defined, and a way may take them later.
    if (!busStop && !tramStop) {
        data.defineNode(id, lat, lon, trafficSignals);
        return;
    }
    Node* node = data.addNode(id, lat, lon, trafficSignals);
    if (busStop)
        data.addBusStop(name, node);
    if (tramStop)
        data.addTramStop(name, node);
}

NetworkKeepRules::WayValues::WayValues()
    : roadClass(Road)
{
}

void NetworkKeepRules::WayValues::tag(const QStringRef& k, const QStringRef& v)
{
    wayTag(*this, k, v);
}

void NetworkKeepRules::WayValues::tag(const char* k, const char* v)
{
    wayTag(*this, k, v);
}

void NetworkKeepRules::WayValues::store(OSMData& data, qint64 id)
{
    // A road's lanes follow from its direction alone; only a tram track that is no
    // road keeps the lanes:forward and lanes:backward values.
    if (highway) {
        lanesForward = 1;
        lanesBackward = oneway ? 0 : 1;
    }
    if (!isRoadOrTramTrack())
        return;
    if (nodeIds.size() < 2)
        return;
    data.addWay(id, nodeIds, tram, highway, oneway, link, roadClass, lanesForward, lanesBackward);
}

bool NetworkKeepRules::RouteValues::tag(const QStringRef& k, const QStringRef& v)
{
    return routeTag(*this, k, v);
}

bool NetworkKeepRules::RouteValues::tag(const char* k, const char* v)
{
    return routeTag(*this, k, v);
}

void NetworkKeepRules::RouteValues::member(const QStringRef& type, qint64 memberRef, const QStringRef& role,
                                           bool hasRole)
{
    routeMember(*this, type, memberRef, role, hasRole);
}

void NetworkKeepRules::RouteValues::member(const char* type, qint64 memberRef, const char* role)
{
    routeMember(*this, type, memberRef, role, true);
}

bool NetworkKeepRules::RouteValues::isKept() const
{
    return isRoute && KeepTable::isRouteKind(route);
}

void NetworkKeepRules::RouteValues::store(OSMData& data, qint64 id)
{
    if (isKept())
        data.addRelation(id, std::move(name), std::move(ref), std::move(route), std::move(ways),
                         std::move(forwardWays), std::move(backwardWays), std::move(stops));
}
