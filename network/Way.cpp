#include "network/Way.h"

#include "network/Node.h"
#include "network/RecordPool.h"

#include <algorithm>
#include <iostream>

namespace {

// Never destroyed: a network left to the end of the process keeps its ways.
RecordPool& pool()
{
    static RecordPool* const records = new RecordPool(sizeof(Way));
    return *records;
}

} // namespace

void* Way::operator new(std::size_t size)
{
    Q_ASSERT(size == sizeof(Way));
    Q_UNUSED(size);
    return pool().allocate();
}

void Way::operator delete(void* record)
{
    pool().release(record);
}

Node* Way::firstNode() const
{
    return nodeList.empty() ? nullptr : nodeList.front();
}

Node* Way::lastNode() const
{
    return nodeList.empty() ? nullptr : nodeList.back();
}

void Way::addNode(Node* node)
{
    if (!node) {
        std::cerr << "addNode NULL!!!!!" << std::endl;
        return;
    }
    // The current last node becomes an interior one; the first node is never
    // disconnected here because with two or more nodes it is not the last.
    if (nodeList.size() >= 2)
        nodeList.back()->disconnectWay(this);
    node->connectWay(this);
    nodeList.push_back(node);
}

void Way::disconnectNode(Node* node)
{
    const auto it = std::find(nodeList.begin(), nodeList.end(), node);
    if (it == nodeList.end()) {
        std::cerr << "disconnectNode(Node* node) FAILED! Could not find (*node)" << std::endl;
        return;
    }
    nodeList.erase(it);
}
