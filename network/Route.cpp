#include "network/Route.h"

#include "network/Stop.h"
#include "network/Way.h"

#include <iostream>
#include <utility>

Route::Route(std::string name, std::vector<Way*> ways, std::vector<Stop*> stops)
    : name(std::move(name))
    , ways(std::move(ways))
    , stops(std::move(stops))
{
}

void Route::print() const
{
    std::cerr << "Route name: " << name << std::endl;
    std::cerr << "Ways: ";
    for (std::size_t i = 0; i < ways.size(); ++i)
        std::cerr << (i ? "|" : "") << ways[i]->getId();
    std::cerr << std::endl;
    std::cerr << "Stops: ";
    for (std::size_t i = 0; i < stops.size(); ++i)
        std::cerr << (i ? "|" : "") << stops[i]->nameRef();
    std::cerr << std::endl;
}
