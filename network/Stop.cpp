#include "network/Stop.h"

#include <utility>

Stop::Stop(std::string name, Node* node, StopType type)
    : name(std::move(name))
    , type(type)
    , node(node)
{
}
