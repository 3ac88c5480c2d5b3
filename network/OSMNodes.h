#ifndef NETWORK_OSMNODES_H
#define NETWORK_OSMNODES_H

// The nodes of the network in order of creation, with an index by id.
// Used only in the processing worker thread.
#include "network/IdIndex.h"
#include "network/Node.h"

#include <QHash>
#include <deque>
#include <memory>
#include <vector>

class OSMNodes
{
public:
    OSMNodes() = default;
    OSMNodes(const OSMNodes&) = delete;
    OSMNodes& operator=(const OSMNodes&) = delete;

    // Appends a node; takes ownership. While no node is merely defined, it goes straight into
    // the list, so that a reader that defines only nodes it knows to be used holds each once.
    void add(Node* node);
    // Appends a node with these values unless one with this id is there already. Its
    // record is made only when find() hands the node out; one that nobody asked for
    // until the next removal is dropped without ever having had a record.
    void define(qint64 id, double lat, double lon, bool trafficSignals);
    // The first node in list order with this id, or null.
    Node* find(qint64 id);
    // Every node in list order (a record is made for each one that has none yet).
    const std::vector<std::unique_ptr<Node>>& nodes();
    std::size_t size() const { return list.size() + pending.size(); }
    // Makes room in the list for this many nodes in all, for a reader that knows how many it
    // will add: the list then never holds twice the room it needs while it grows.
    void reserve(std::size_t count) { list.reserve(count); }
    // Deletes every node that nothing uses, keeping the order of the others.
    void removeUnusedNodes();

private:
    // A node appended since the last removal. Most nodes of a file are used by no
    // way; they stay this small entry and are dropped by the removal.
    struct Pending
    {
        qint64 id;
        double lat;
        double lon;
        bool trafficSignals;
        std::unique_ptr<Node> record; // null until find() hands the node out
    };
    // `known`: the id is already in the list or among the pending nodes.
    void append(Pending entry, bool known);
    // Appends to the list (and to its sample or index).
    void appendToList(std::unique_ptr<Node> node);
    // The first node of the list with this id, or null.
    Node* findInList(qint64 id) const;
    void rebuildListLookup();
    // Position of the first pending entry with this id, or -1.
    qint64 findPending(qint64 id) const;
    void clearPending();
    void settle();

    // Nodes that survived a removal (and those settled by nodes(), or added while nothing
    // was pending), in order; every pending node comes after all of them.
    std::vector<std::unique_ptr<Node>> list;
    // While the ids of `list` rise strictly, as after one file sorted by id, they are found by
    // binary search over every sampleStep-th id; the first id out of order builds `index`
    // (first node of each id in `list`).
    bool listAscending = true;
    std::vector<qint64> listSample;
    QHash<qint64, Node*> index;
    std::deque<Pending> pending;
    // While the pending ids rise strictly, as in files sorted by id, they are found
    // by binary search and need no index; the first id out of order builds
    // `pendingIndex` (first pending entry of each id not in `index`).
    bool pendingAscending = true;
    IdIndex pendingIndex;
    // While ascending: the id of every sampleStep-th pending entry, in order.
    static const std::size_t sampleStep = 16;
    std::vector<qint64> pendingSample;
    // Nodes of `list` before this position survived a removal; since `used` never
    // resets they stay used, so only later nodes need checking.
    std::size_t checkedCount = 0;
    bool duplicateIds = false;
};

#endif
