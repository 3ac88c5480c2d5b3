#include "network/Node.h"

#include "network/RecordPool.h"

#include <algorithm>
#include <iostream>

namespace {

// The size of the array that holds `count` ways (count at least 2).
quint32 capacityFor(quint32 count)
{
    quint32 capacity = 2;
    while (capacity < count)
        capacity *= 2;
    return capacity;
}

// Never destroyed: a network left to the end of the process keeps its nodes.
RecordPool& pool()
{
    static RecordPool* const records = new RecordPool(sizeof(Node));
    return *records;
}

} // namespace

Node::Node(qint64 id, double lat, double lon, bool trafficSignals)
    : id(id)
    , lat(lat)
    , lon(lon)
    , trafficSignals(trafficSignals)
{
}

void* Node::operator new(std::size_t size)
{
    Q_ASSERT(size == sizeof(Node));
    Q_UNUSED(size);
    return pool().allocate();
}

void Node::operator delete(void* record)
{
    pool().release(record);
}

Node::~Node()
{
    if (wayCount > 1)
        delete[] ways.many;
}

std::vector<Way*> Node::getWays() const
{
    Way* const* first = wayList();
    return std::vector<Way*>(first, first + wayCount);
}

void Node::connectWay(Way* way)
{
    used = true;
    if (wayCount == 0) {
        ways.one = way;
    } else if (wayCount == 1) {
        Way** many = new Way*[2]{ways.one, way};
        ways.many = many;
    } else {
        if (wayCount == capacityFor(wayCount)) {
            Way** grown = new Way*[2 * wayCount];
            std::copy(ways.many, ways.many + wayCount, grown);
            delete[] ways.many;
            ways.many = grown;
        }
        ways.many[wayCount] = way;
    }
    ++wayCount;
}

void Node::disconnectWay(Way* way)
{
    Way** first = wayCount > 1 ? ways.many : &ways.one;
    Way** const last = first + wayCount;
    Way** const it = std::find(first, last, way);
    if (it == last) {
        std::cerr << "Node::disconnectWay FAILED, could not find (way)" << std::endl;
        return;
    }
    std::copy(it + 1, last, it);
    --wayCount;
    // Back to the way held in place.
    if (wayCount == 1) {
        Way* remaining = first[0];
        delete[] first;
        ways.one = remaining;
    }
}
