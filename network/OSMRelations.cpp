#include "network/OSMRelations.h"

void OSMRelations::add(Relation* relation)
{
    list.emplace_back(relation);
    if (!index.contains(relation->getId()))
        index.insert(relation->getId(), relation);
}

Relation* OSMRelations::find(qint64 id) const
{
    return index.value(id, nullptr);
}
