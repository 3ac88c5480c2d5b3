#ifndef NETWORK_ROADCLASS_H
#define NETWORK_ROADCLASS_H

// Road classes 0 to 8 and their highway values, as network/KeepTable.h lists them.
#include <string>

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

// The class of a highway value (exact, case-sensitive); every unknown value is Road.
int roadClassFromName(const std::string& name);
// The highway value written for a class; unknown numbers are "road". With link,
// "_link" is appended to whatever name was chosen.
std::string roadClassName(int roadClass, bool link);

#endif
