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

    std::vector<std::unique_ptr<Way>> list;
    QHash<qint64, Way*> index; // first way of each id
    static qint64 idCounter;
};

#endif
