#include "network/RoadClass.h"

#include <QStringRef>
#include <cstring>

namespace {

#define PELAGOR_HIGHWAY(name, roadClass, accepted, link) {name, sizeof(name) - 1, roadClass, accepted, link}

// In the order the values are compared: the first match wins. The first entry of a
// class that is no link gives the name written for that class.
const HighwayValue highwayValues[] = {
    PELAGOR_HIGHWAY("motorway", Motorway, true, false),
    PELAGOR_HIGHWAY("motorway_link", Motorway, true, true),
    PELAGOR_HIGHWAY("trunk", Trunk, true, false),
    PELAGOR_HIGHWAY("trunk_link", Trunk, true, true),
    PELAGOR_HIGHWAY("primary", Primary, true, false),
    PELAGOR_HIGHWAY("primary_link", Primary, true, true),
    PELAGOR_HIGHWAY("secondary", Secondary, true, false),
    PELAGOR_HIGHWAY("secondary_link", Secondary, true, true),
    PELAGOR_HIGHWAY("tertiary", Tertiary, true, false),
    PELAGOR_HIGHWAY("tertiary_link", Tertiary, true, true),
    PELAGOR_HIGHWAY("unclassified", Unclassified, true, false),
    PELAGOR_HIGHWAY("residential", Residential, true, false),
    // A service road has a class of its own but is not part of the network.
    PELAGOR_HIGHWAY("service", Service, false, false),
    PELAGOR_HIGHWAY("road", Road, true, false),
};

#undef PELAGOR_HIGHWAY

bool sameText(const HighwayValue& entry, const QStringRef& value)
{
    if (std::size_t(value.size()) != entry.length)
        return false;
    const QChar* characters = value.unicode();
    for (std::size_t i = 0; i < entry.length; ++i)
        if (characters[i].unicode() != static_cast<unsigned char>(entry.name[i]))
            return false;
    return true;
}

} // namespace

const HighwayValue* findHighwayValue(const QStringRef& value)
{
    for (const HighwayValue& entry : highwayValues)
        if (sameText(entry, value))
            return &entry;
    return nullptr;
}

const HighwayValue* findHighwayValue(const char* utf8, std::size_t size)
{
    for (const HighwayValue& entry : highwayValues)
        if (size == entry.length && std::memcmp(utf8, entry.name, size) == 0)
            return &entry;
    return nullptr;
}

int roadClassFromName(const std::string& name)
{
    const HighwayValue* entry = findHighwayValue(name.data(), name.size());
    return entry ? entry->roadClass : Road;
}

std::vector<std::string> acceptedRoadValues()
{
    std::vector<std::string> values;
    for (const HighwayValue& entry : highwayValues)
        if (entry.acceptedRoad)
            values.emplace_back(entry.name, entry.length);
    return values;
}

std::string roadClassName(int roadClass, bool link)
{
    std::string name = "road";
    for (const HighwayValue& entry : highwayValues) {
        if (entry.roadClass == roadClass && !entry.link) {
            name = entry.name;
            break;
        }
    }
    if (link)
        name += "_link";
    return name;
}
