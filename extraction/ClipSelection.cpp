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

void ClipSelection::addNode(qint64 id, double lat, double lon)
{
    if (box.contains(lat, lon))
        add(insideNodes, id);
}

void ClipSelection::addWay(qint64 id, const std::vector<qint64>& nodeIds)
{
    bool touches = false;
    for (qint64 nodeId : nodeIds) {
        if (contains(insideNodes, nodeId)) {
            touches = true;
            break;
        }
    }
    if (!touches)
        return;
    add(ways, id);
    for (qint64 nodeId : nodeIds)
        if (!contains(insideNodes, nodeId))
            add(wayNodes, nodeId);
}

bool ClipSelection::pullsIn(MemberType type, qint64 memberRef) const
{
    // A node outside the area that only completes a way brings no relation.
    if (type == NodeMember)
        return contains(insideNodes, memberRef);
    if (type == WayMember)
        return contains(ways, memberRef);
    return false;
}

void ClipSelection::addRelation(qint64 id)
{
    add(relations, id);
}

void ClipSelection::addParentCandidate(qint64 id, const std::vector<qint64>& relationRefs)
{
    for (qint64 ref : relationRefs)
        candidates.emplace_back(id, ref);
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
