#ifndef NETWORK_ROADCLASS_H
#define NETWORK_ROADCLASS_H

// Road classes 0 to 8 and the one table of OpenStreetMap highway values: the class of
// each value, whether it makes a way a road of the network, and whether it is a link.
#include <cstddef>
#include <string>
#include <vector>

class QStringRef;

enum RoadClass {
    Motorway = 0,
    Trunk = 1,
    Primary = 2,
    Secondary = 3,
    Tertiary = 4,
    Unclassified = 5,
    Residential = 6,
    Service = 7,
    Road = 8
};

struct HighwayValue
{
    const char* name;
    std::size_t length;
    int roadClass;
    bool acceptedRoad; // a way with this value is a road of the network
    bool link;         // the "_link" variant of its class
};

// The table's entry for a highway value (exact, case-sensitive), or null for a value
// the table does not hold. The value as read from XML, or as UTF-8 bytes.
const HighwayValue* findHighwayValue(const QStringRef& value);
const HighwayValue* findHighwayValue(const char* utf8, std::size_t size);

// The highway values whose ways are roads of the network, in the table's order.
std::vector<std::string> acceptedRoadValues();

// The class of a highway value (exact, case-sensitive); every unknown value is Road.
int roadClassFromName(const std::string& name);
// The highway value written for a class; unknown numbers are "road". With link,
// "_link" is appended to whatever name was chosen.
std::string roadClassName(int roadClass, bool link);

#endif
