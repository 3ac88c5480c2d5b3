#ifndef NETWORK_OSMRELATIONS_H
#define NETWORK_OSMRELATIONS_H

// The route relations in order of creation, with an index by id.
// Used only in the processing worker thread.
#include "network/Relation.h"

#include <QHash>
#include <memory>
#include <vector>

class OSMRelations
{
public:
    OSMRelations() = default;
    OSMRelations(const OSMRelations&) = delete;
    OSMRelations& operator=(const OSMRelations&) = delete;

    void add(Relation* relation);
    // The first relation in list order with this id, or null.
    Relation* find(qint64 id) const;
    const std::vector<std::unique_ptr<Relation>>& relations() const { return list; }
    std::size_t size() const { return list.size(); }

private:
    std::vector<std::unique_ptr<Relation>> list;
    QHash<qint64, Relation*> index; // first relation of each id
};

#endif
