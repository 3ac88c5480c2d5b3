#ifndef NETWORK_ROUTE_H
#define NETWORK_ROUTE_H

// A resolved route: a name with pointers to its ways and stops (neither owned).
#include <string>
#include <vector>

class Stop;
class Way;

class Route
{
public:
    explicit Route(std::string name, std::vector<Way*> ways = {}, std::vector<Stop*> stops = {});

    const std::string& getName() const { return name; }
    const std::vector<Way*>& getWays() const { return ways; }
    const std::vector<Stop*>& getStops() const { return stops; }
    void addWay(Way* way) { ways.push_back(way); }
    void addStop(Stop* stop) { stops.push_back(stop); }
    // Writes the name, the way ids and the stop names to the standard error stream.
    void print() const;

private:
    std::string name;
    std::vector<Way*> ways;
    std::vector<Stop*> stops;
};

#endif
