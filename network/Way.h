#ifndef NETWORK_WAY_H
#define NETWORK_WAY_H

// One road or tram track with its class, direction, lanes and ordered nodes.
// Used only in the processing worker thread.
#include "network/RoadClass.h"

#include <QtGlobal>
#include <vector>

class Node;

class Way final
{
public:
    Way() = default;
    // A network holds hundreds of thousands of ways: their records come from a pool of their size.
    static void* operator new(std::size_t size);
    static void operator delete(void* record);

    qint64 getId() const { return id; }
    void setId(qint64 value) { id = value; }
    bool getHighway() const { return highway; }
    void setHighway(bool value) { highway = value; }
    bool getTram() const { return tram; }
    void setTram(bool value) { tram = value; }
    bool getOneway() const { return oneway; }
    void setOneway(bool value) { oneway = value; }
    bool getLink() const { return link; }
    void setLink(bool value) { link = value; }
    int getLanesForward() const { return lanesForward; }
    void setLanesForward(int value) { lanesForward = value; }
    int getLanesBackward() const { return lanesBackward; }
    void setLanesBackward(int value) { lanesBackward = value; }
    int getRoadClass() const { return roadClass; }
    void setRoadClass(int value) { roadClass = value; }

    // The way's nodes in way order (not owned).
    const std::vector<Node*>& nodes() const { return nodeList; }
    Node* firstNode() const;
    Node* lastNode() const;
    // Appends a node; only the first and the last node keep this way in their lists.
    void addNode(Node* node);
    // Makes room for this many nodes in all.
    void reserveNodes(std::size_t count) { nodeList.reserve(count); }
    void disconnectNode(Node* node);

private:
    qint64 id = 0;
    bool highway = false;
    bool tram = false;
    bool oneway = false;
    bool link = false;
    int lanesForward = 0;
    int lanesBackward = 0;
    int roadClass = Road;
    std::vector<Node*> nodeList;
};

#endif
