#include "network/RoadClass.h"

#include <cstring>

namespace {

struct Recognised
{
    const char* value;
    int roadClass;
};

// In the order the values are compared: the first match wins.
const Recognised recognised[] = {
    {"motorway", Motorway},         {"motorway_link", Motorway},
    {"trunk", Trunk},               {"trunk_link", Trunk},
    {"primary", Primary},           {"primary_link", Primary},
    {"secondary", Secondary},       {"secondary_link", Secondary},
    {"tertiary", Tertiary},         {"tertiary_link", Tertiary},
    {"unclassified", Unclassified}, {"residential", Residential},
    {"service", Service},
};

const char* const writtenNames[] = {
    "motorway", "trunk", "primary", "secondary", "tertiary", "unclassified", "residential", "service",
};

} // namespace

int roadClassFromName(const std::string& name)
{
    for (const Recognised& r : recognised)
        if (name.size() == std::strlen(r.value) && name.compare(r.value) == 0)
            return r.roadClass;
    return Road;
}

std::string roadClassName(int roadClass, bool link)
{
    std::string name = (roadClass >= Motorway && roadClass <= Service) ? writtenNames[roadClass] : "road";
    if (link)
        name += "_link";
    return name;
}
