#ifndef NETWORK_OSMWAYS_H
#define NETWORK_OSMWAYS_H

// The ways of the network in order of creation, with an index by id, and the
// renumbering of way ids from a process-wide counter. Used only in the processing
// worker thread.
#include "network/Way.h"

#include <QHash>
#include <memory>
#include <vector>

class OSMWays
{
public:
    OSMWays() = default;
    OSMWays(const OSMWays&) = delete;
    OSMWays& operator=(const OSMWays&) = delete;

    void add(Way* way);
    // The first way in list order with this id, or null.
    Way* find(qint64 id) const;
    const std::vector<std::unique_ptr<Way>>& ways() const { return list; }
    std::size_t size() const { return list.size(); }
    // Gives the ways consecutive ids from the counter shared by the whole process.
    void simplifyIds();

private:
    void rebuildIndex();
    void indexAll();

    std::vector<std::unique_ptr<Way>> list;
    // While the ids of `list` rise strictly, as in a file sorted by id and after simplifyIds(),
    // a way is found by binary search over every sampleStep-th id and then over that stretch of
    // the list; the first id out of order builds `index` (first way of each id).
    static const std::size_t sampleStep = 16;
    bool ascending = true;
    std::vector<qint64> sample;
    QHash<qint64, Way*> index;
    static qint64 idCounter;
};

#endif
