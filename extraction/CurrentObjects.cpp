#include "extraction/CurrentObjects.h"

#include "extraction/KeptObjects.h"

#include <utility>

CurrentObjects::CurrentObjects(OSMHandler& next)
    : next(next)
{
}

bool CurrentObjects::selects() const
{
    return next.selects();
}

bool CurrentObjects::wantsNode(qint64 id) const
{
    return next.wants(OSMEntity::Node, id);
}

bool CurrentObjects::wantsWay(qint64 id) const
{
    return next.wants(OSMEntity::Way, id);
}

bool CurrentObjects::wantsRelation(qint64 id) const
{
    return next.wants(OSMEntity::Relation, id);
}

bool CurrentObjects::inOrder(const OSMEntity& earlier, const OSMEntity& later)
{
    if (earlier.kind() != later.kind())
        return earlier.kind() < later.kind();
    return KeptObjects::idBefore(earlier.id, later.id);
}

void CurrentObjects::take(OSMEntity& entity)
{
    if (refused())
        return;
    ++objects;
    if (!holding) {
        std::swap(held, entity);
        holding = true;
        return;
    }
    if (entity.kind() == held.kind() && entity.id == held.id) {
        // The same version again (or none given) outside a history file is the duplicate of
        // any file: the first definition is handed on first, and the handler's rules decide.
        if (history || entity.version != held.version) {
            history = true;
            if (!sorted) {
                refuse(Refusal::Unsorted);
                return;
            }
            // The versions of an object come in ascending order; a lower one after a higher
            // one does not replace it.
            if (entity.version >= held.version)
                std::swap(held, entity);
            return;
        }
    } else if (!inOrder(held, entity)) {
        sorted = false;
        if (history) {
            refuse(Refusal::Unsorted);
            return;
        }
    }
    release();
    std::swap(held, entity);
}

void CurrentObjects::release()
{
    // Deleted in the file's last word on it: not data of today.
    if (held.visible && held.action != OSMEntity::Action::Delete)
        next.handle(held);
}

void CurrentObjects::finish()
{
    if (holding && !refused())
        release();
    holding = false;
}

void CurrentObjects::refuse(Refusal why)
{
    refusal = why;
    holding = false;
}

void CurrentObjects::refuseChange()
{
    refuse(Refusal::Change);
}

QString CurrentObjects::reason() const
{
    switch (refusal) {
    case Refusal::Change:
        return "it is an osmChange file (a change), not OSM data";
    case Refusal::Unsorted:
        return "it holds several versions of its objects, not sorted by type, id and version";
    case Refusal::None:
        break;
    }
    return QString();
}

QString CurrentObjects::failureText() const
{
    switch (refusal) {
    case Refusal::Change:
        return "The file is not read: " + reason() + ".";
    case Refusal::Unsorted:
        return "The rest of the file is not read: " + reason() + " (osmium sort puts them in order).";
    case Refusal::None:
        break;
    }
    return QString();
}

CurrentObjects::Content CurrentObjects::content() const
{
    // A refused file is told by its refusal alone.
    if (refused())
        return Content::Data;
    if (history)
        return Content::History;
    if (changesets > 0 && objects == 0)
        return Content::ChangesetsOnly;
    return Content::Data;
}

QString CurrentObjects::note(Content content)
{
    switch (content) {
    case Content::History:
        return "The file holds the history of its objects: the last version of each was read, and none "
               "whose last version is deleted.\n";
    case Content::ChangesetsOnly:
        return "The file holds changesets only, no nodes, ways or relations.\n";
    case Content::Data:
        break;
    }
    return QString();
}
