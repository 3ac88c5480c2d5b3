#include "network/OSMWays.h"

#include <iostream>

qint64 OSMWays::idCounter = 1;

void OSMWays::add(Way* way)
{
    list.emplace_back(way);
    if (!index.contains(way->getId()))
        index.insert(way->getId(), way);
}

Way* OSMWays::find(qint64 id) const
{
    return index.value(id, nullptr);
}

void OSMWays::simplifyIds()
{
    std::cerr << "OSMWays: " << "Simplifying way IDs..." << std::endl;
    const qint64 first = idCounter;
    for (const auto& way : list)
        way->setId(idCounter++);
    rebuildIndex();
    std::cerr << "OSMWays: " << "    New way IDs range: " << first << " - " << idCounter - 1 << std::endl;
}

void OSMWays::rebuildIndex()
{
    index.clear();
    index.reserve(int(list.size()));
    for (const auto& way : list)
        if (!index.contains(way->getId()))
            index.insert(way->getId(), way.get());
}
