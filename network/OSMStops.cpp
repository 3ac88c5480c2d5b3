#include "network/OSMStops.h"

void OSMStops::add(Stop* stop)
{
    list.emplace_back(stop);
    byNode[stop->getNode()].push_back(stop);
}

Stop* OSMStops::find(const std::string& name, const Node* node) const
{
    const auto it = byNode.find(node);
    if (it == byNode.end())
        return nullptr;
    for (Stop* stop : it->second)
        if (stop->nameRef() == name)
            return stop;
    return nullptr;
}
