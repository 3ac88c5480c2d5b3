#include "extraction/ClipSelection.h"

ClipSelection::ClipSelection(const BoundingBox& box)
    : box(box)
{
}

bool ClipSelection::contains(const IdIndex& set, qint64 id)
{
    return set.find(id) >= 0;
}

void ClipSelection::add(IdIndex& set, qint64 id)
{
    if (!contains(set, id))
        set.insert(id, 0);
}

void ClipSelection::node(const OSMEntity& node)
{
    if (box.contains(node.lat, node.lon))
        add(insideNodes, node.id);
}

void ClipSelection::way(const OSMEntity& way)
{
    bool touches = false;
    for (qint64 nodeId : way.refs) {
        if (contains(insideNodes, nodeId)) {
            touches = true;
            break;
        }
    }
    if (!touches)
        return;
    add(ways, way.id);
    for (qint64 nodeId : way.refs)
        if (!contains(insideNodes, nodeId))
            add(wayNodes, nodeId);
}

void ClipSelection::relation(const OSMEntity& relation)
{
    relationRefs.clear();
    for (const OSMEntity::Member& member : relation.members()) {
        // A node outside the area that only completes a way brings no relation.
        if ((member.type == OSMEntity::NodeMember && contains(insideNodes, member.ref))
            || (member.type == OSMEntity::WayMember && contains(ways, member.ref))) {
            add(relations, relation.id);
            return;
        }
        if (member.type == OSMEntity::RelationMember)
            relationRefs.push_back(member.ref);
    }
    // Kept when one of its relation members is: settled by finishScan().
    for (qint64 ref : relationRefs)
        candidates.emplace_back(relation.id, ref);
}

void ClipSelection::finishScan()
{
    // Only relations brought in by a node or a way bring in their parents, so a parent's own
    // parent stays out, as the API's map call leaves it out.
    for (const std::pair<qint64, qint64>& candidate : candidates)
        if (contains(relations, candidate.second))
            add(parentRelations, candidate.first);
    candidates.clear();
    candidates.shrink_to_fit();
}

bool ClipSelection::keepsNode(qint64 id) const
{
    return contains(insideNodes, id) || contains(wayNodes, id);
}

bool ClipSelection::keepsWay(qint64 id) const
{
    return contains(ways, id);
}

bool ClipSelection::keepsRelation(qint64 id) const
{
    return contains(relations, id) || contains(parentRelations, id);
}
