#ifndef NETWORK_STOP_H
#define NETWORK_STOP_H

// A named bus or tram stop standing on a node. Used only in the processing worker thread.
#include <string>

class Node;

enum StopType { Tram = 0, Bus = 1 };

class Stop
{
public:
    Stop(std::string name, Node* node, StopType type);

    std::string getName() const { return name; }
    const std::string& nameRef() const { return name; }
    StopType getType() const { return type; }
    Node* getNode() const { return node; }

private:
    std::string name; // UTF-8, may be empty
    StopType type;
    Node* node; // not owned, never null
};

#endif
