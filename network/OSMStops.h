#ifndef NETWORK_OSMSTOPS_H
#define NETWORK_OSMSTOPS_H

// The stops of one kind in order of creation, indexed by the node they stand on.
// Used only in the processing worker thread.
#include "network/Stop.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class OSMStops
{
public:
    OSMStops() = default;
    OSMStops(const OSMStops&) = delete;
    OSMStops& operator=(const OSMStops&) = delete;

    void add(Stop* stop);
    // The first stop with exactly this name (byte for byte) on this very node, or null.
    Stop* find(const std::string& name, const Node* node) const;
    const std::vector<std::unique_ptr<Stop>>& stops() const { return list; }
    std::size_t size() const { return list.size(); }

private:
    std::vector<std::unique_ptr<Stop>> list;
    // Stops per node in list order; a node rarely carries more than one.
    std::unordered_map<const Node*, std::vector<Stop*>> byNode;
};

#endif
