#ifndef NETWORK_OSMROUTES_H
#define NETWORK_OSMROUTES_H

// A collection of resolved routes in order of addition; it owns the routes but not
// the ways and stops they point at.
#include "network/Route.h"

#include <memory>
#include <string>
#include <vector>

class OSMRoutes
{
public:
    OSMRoutes() = default;
    virtual ~OSMRoutes();
    OSMRoutes(const OSMRoutes&) = delete;
    OSMRoutes& operator=(const OSMRoutes&) = delete;

    void addRoute(Route* route);
    const std::vector<std::unique_ptr<Route>>& routes() const { return list; }
    std::size_t size() const { return list.size(); }
    // Every route with exactly this name (byte for byte), in list order.
    std::vector<Route*> routesByName(const std::string& name) const;
    std::size_t distinctNameCount() const;

private:
    std::vector<std::unique_ptr<Route>> list;
};

#endif
