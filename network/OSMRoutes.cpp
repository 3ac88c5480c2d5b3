#include "network/OSMRoutes.h"

#include <set>

OSMRoutes::~OSMRoutes() = default;

void OSMRoutes::addRoute(Route* route)
{
    list.emplace_back(route);
}

std::vector<Route*> OSMRoutes::routesByName(const std::string& name) const
{
    std::vector<Route*> found;
    for (const auto& route : list)
        if (route->getName() == name)
            found.push_back(route.get());
    return found;
}

std::size_t OSMRoutes::distinctNameCount() const
{
    std::set<std::string> names;
    for (const auto& route : list)
        names.insert(route->getName());
    return names.size();
}
