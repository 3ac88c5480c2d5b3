#ifndef NETWORK_OSMNODES_H
#define NETWORK_OSMNODES_H

// The nodes of the network in order of creation, with an index by id.
// Used only in the processing worker thread.
#include "network/Node.h"

#include <QHash>
#include <memory>
#include <vector>

class OSMNodes
{
public:
    OSMNodes() = default;
    OSMNodes(const OSMNodes&) = delete;
    OSMNodes& operator=(const OSMNodes&) = delete;

    void add(Node* node);
    // The first node in list order with this id, or null.
    Node* find(qint64 id) const;
    const std::vector<std::unique_ptr<Node>>& nodes() const { return list; }
    std::size_t size() const { return list.size(); }
    // Deletes every node that nothing uses, keeping the order of the others.
    void removeUnusedNodes();

private:
    std::vector<std::unique_ptr<Node>> list;
    QHash<qint64, Node*> index; // first node of each id
    // Nodes before this position survived a removal; since `used` never resets
    // they stay used, so only later nodes need checking.
    std::size_t checkedCount = 0;
    bool duplicateIds = false;
};

#endif
