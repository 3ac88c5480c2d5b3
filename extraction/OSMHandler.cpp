#include "extraction/OSMHandler.h"

OSMHandler::~OSMHandler() = default;

bool OSMHandler::wants(OSMEntity::Kind kind, qint64 id) const
{
    switch (kind) {
    case OSMEntity::Node:
        return wantsNode(id);
    case OSMEntity::Way:
        return wantsWay(id);
    case OSMEntity::Relation:
        return wantsRelation(id);
    }
    return false;
}

void OSMHandler::handle(const OSMEntity& entity)
{
    switch (entity.kind()) {
    case OSMEntity::Node:
        node(entity);
        break;
    case OSMEntity::Way:
        way(entity);
        break;
    case OSMEntity::Relation:
        relation(entity);
        break;
    }
}

bool OSMHandler::selects() const
{
    return false;
}

bool OSMHandler::wantsNode(qint64) const
{
    return true;
}

bool OSMHandler::wantsWay(qint64) const
{
    return true;
}

bool OSMHandler::wantsRelation(qint64) const
{
    return true;
}

void OSMHandler::node(const OSMEntity&)
{
}

void OSMHandler::way(const OSMEntity&)
{
}

void OSMHandler::relation(const OSMEntity&)
{
}

void OSMHandler::bounds(const BoundingBox&)
{
}

bool OSMHandler::wantsMetadata(const OSMEntity&) const
{
    return true;
}
