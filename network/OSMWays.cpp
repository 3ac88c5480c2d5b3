#include "network/OSMWays.h"

#include <algorithm>
#include <iostream>

qint64 OSMWays::idCounter = 1;

void OSMWays::add(Way* way)
{
    const qint64 id = way->getId();
    if (ascending && !list.empty() && id <= list.back()->getId()) {
        ascending = false;
        std::vector<qint64>().swap(sample);
        indexAll();
    }
    if (ascending) {
        if (list.size() % sampleStep == 0)
            sample.push_back(id);
    } else if (!index.contains(id)) {
        index.insert(id, way);
    }
    list.emplace_back(way);
}

Way* OSMWays::find(qint64 id) const
{
    if (!ascending)
        return index.value(id, nullptr);
    if (list.empty() || id > list.back()->getId() || id < list.front()->getId())
        return nullptr;
    const std::size_t stretch =
        std::size_t(std::upper_bound(sample.begin(), sample.end(), id) - sample.begin() - 1);
    const auto first = list.begin() + qint64(stretch * sampleStep);
    const auto last = list.size() - stretch * sampleStep > sampleStep ? first + qint64(sampleStep) : list.end();
    const auto it = std::lower_bound(first, last, id,
                                     [](const std::unique_ptr<Way>& way, qint64 value) { return way->getId() < value; });
    return it != last && (*it)->getId() == id ? it->get() : nullptr;
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
    sample.clear();
    ascending = true;
    for (std::size_t i = 1; i < list.size() && ascending; ++i)
        ascending = list[i - 1]->getId() < list[i]->getId();
    if (!ascending) {
        indexAll();
        return;
    }
    for (std::size_t i = 0; i < list.size(); i += sampleStep)
        sample.push_back(list[i]->getId());
}

void OSMWays::indexAll()
{
    index.reserve(int(list.size()));
    for (const auto& way : list)
        if (!index.contains(way->getId()))
            index.insert(way->getId(), way.get());
}
