#ifndef NETWORK_KEEPTABLE_H
#define NETWORK_KEEPTABLE_H

// What the network keeps of OpenStreetMap data, as one table: the highway values with their
// road class and link flag, the tag of tram tracks, the tags of stops and traffic signals, and
// the kinds of route. The readers of the extraction and the Overpass query both read it; texts
// are UTF-8 and compared exactly, case-sensitively. Any thread (constant data).
#include "network/RoadClass.h"
#include "network/Stop.h"

#include <string_view>

namespace KeepTable {

struct Tag
{
    std::string_view key;
    std::string_view value;
};

struct Highway
{
    std::string_view value;
    int roadClass;
    bool road; // a way with this value is a road of the network
    bool link; // the "_link" variant of its class
};

struct StopTag
{
    Tag tag;
    StopType type;
};

// In the order the values are compared: the first match wins. The first entry of a class that
// is no link gives the value written for that class.
inline constexpr Highway highways[] = {
    {"motorway", Motorway, true, false},
    {"motorway_link", Motorway, true, true},
    {"trunk", Trunk, true, false},
    {"trunk_link", Trunk, true, true},
    {"primary", Primary, true, false},
    {"primary_link", Primary, true, true},
    {"secondary", Secondary, true, false},
    {"secondary_link", Secondary, true, true},
    {"tertiary", Tertiary, true, false},
    {"tertiary_link", Tertiary, true, true},
    {"unclassified", Unclassified, true, false},
    {"residential", Residential, true, false},
    // A service road has a class of its own but is not part of the network.
    {"service", Service, false, false},
    {"road", Road, true, false},
};

inline constexpr std::string_view highwayKey = "highway";
inline constexpr Tag tramTrack = {"railway", "tram"};
// Bus stops are listed before tram stops, as the network file writes them.
inline constexpr StopTag stops[] = {
    {{"highway", "bus_stop"}, Bus},
    {{"railway", "tram_stop"}, Tram},
};
inline constexpr Tag trafficSignals = {"highway", "traffic_signals"};
// A relation is a route by this tag; a type of another value makes it no route at all.
inline constexpr Tag routeType = {"type", "route"};
inline constexpr std::string_view routeKey = "route";
inline constexpr std::string_view routeKinds[] = {"bus", "trolleybus", "tram"};
// A route's platforms, where passengers wait, are no road a vehicle of the route runs on: the
// members of these roles, and the ways of these tags whatever their role.
inline constexpr std::string_view platformRoles[] = {"platform", "platform_entry_only", "platform_exit_only"};
inline constexpr Tag platformTags[] = {
    {"public_transport", "platform"},
    {"railway", "platform"},
    {"highway", "platform"},
};

// The entry of a highway value, or null for a value the table does not hold.
const Highway* highway(std::string_view value);
// A route of a kind the network keeps.
bool isRouteKind(std::string_view route);
// The role of a route's platform member.
bool isPlatformRole(std::string_view role);

} // namespace KeepTable

#endif
