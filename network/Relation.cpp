#include "network/Relation.h"

#include <utility>

Relation::Relation(qint64 id, std::string name, std::string ref, std::string route, std::vector<qint64> ways,
                   std::vector<qint64> forwardWays, std::vector<qint64> backwardWays, std::vector<qint64> stops)
    : id(id)
    , name(std::move(name))
    , ref(std::move(ref))
    , route(std::move(route))
    , ways(std::move(ways))
    , forwardWays(std::move(forwardWays))
    , backwardWays(std::move(backwardWays))
    , stops(std::move(stops))
{
}
