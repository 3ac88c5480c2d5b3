#ifndef EXTRACTION_OSMHANDLER_H
#define EXTRACTION_OSMHANDLER_H

// What a reader hands the entities of a file to, in file order, whatever the file's format:
// keeping the network, the first pass of a clipped file, the copy of kept objects, the reading of
// a network file. A handler overrides what it needs per kind; this base is the one place that
// tells the kinds apart. Used in the thread that reads.
#include "extraction/OSMEntity.h"

class BoundingBox;

class OSMHandler
{
public:
    virtual ~OSMHandler();

    // Whether the entity of this kind and id is to be read at all: a reader passes over one that
    // is not wanted without converting (or reporting) anything more of it.
    bool wants(OSMEntity::Kind kind, qint64 id) const;
    // True for a handler that wants only some entities, by their ids: it wants none whose id
    // does not convert.
    virtual bool selects() const;
    // Whether a reader that reads version attributes is to convert those of this entity, once its
    // id, position, references, members and tags are read: true by default.
    virtual bool wantsMetadata(const OSMEntity& entity) const;
    // Hands a whole entity to node(), way() or relation().
    void handle(const OSMEntity& entity);
    // The area the file says its data covers (XML's <bounds>, a PBF header's box), when it says
    // one; nothing by default.
    virtual void bounds(const BoundingBox& box);

protected:
    virtual bool wantsNode(qint64 id) const;
    virtual bool wantsWay(qint64 id) const;
    virtual bool wantsRelation(qint64 id) const;
    virtual void node(const OSMEntity& node);
    virtual void way(const OSMEntity& way);
    virtual void relation(const OSMEntity& relation);
};

#endif
