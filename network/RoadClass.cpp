#include "network/RoadClass.h"

#include "network/KeepTable.h"

int roadClassFromName(const std::string& name)
{
    const KeepTable::Highway* entry = KeepTable::highway(name);
    return entry ? entry->roadClass : Road;
}

std::string roadClassName(int roadClass, bool link)
{
    std::string name = "road";
    for (const KeepTable::Highway& entry : KeepTable::highways) {
        if (entry.roadClass == roadClass && !entry.link) {
            name = std::string(entry.value);
            break;
        }
    }
    if (link)
        name += "_link";
    return name;
}
