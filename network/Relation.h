#ifndef NETWORK_RELATION_H
#define NETWORK_RELATION_H

// A public-transport route relation as read: its tags and the ids of its member
// ways by role and of its stop nodes. Used only in the processing worker thread.
#include <QtGlobal>
#include <string>
#include <vector>

class Relation
{
public:
    Relation(qint64 id, std::string name, std::string ref, std::string route, std::vector<qint64> ways,
             std::vector<qint64> forwardWays, std::vector<qint64> backwardWays, std::vector<qint64> stops);

    qint64 getId() const { return id; }
    const std::string& getName() const { return name; }
    const std::string& getRef() const { return ref; }
    const std::string& getRoute() const { return route; }
    const std::vector<qint64>& getWays() const { return ways; }
    const std::vector<qint64>& getForwardWays() const { return forwardWays; }
    const std::vector<qint64>& getBackwardWays() const { return backwardWays; }
    const std::vector<qint64>& getStops() const { return stops; }

private:
    qint64 id;
    std::string name;  // UTF-8, empty when absent
    std::string ref;   // UTF-8, empty when absent
    std::string route; // UTF-8, empty when absent
    std::vector<qint64> ways;
    std::vector<qint64> forwardWays;
    std::vector<qint64> backwardWays;
    std::vector<qint64> stops;
};

#endif
