#ifndef EXTRACTION_CLIPSELECTION_H
#define EXTRACTION_CLIPSELECTION_H

// What a file clipped to an area keeps, as the OpenStreetMap API's `map` call does
// for that area: every node inside it, every way with at least one such node, all
// nodes of those ways, every relation with a member among the nodes inside or among
// those ways, and every relation that has one of those relations as a member (one
// level up, not further). Filled by a first pass over the file in file order, then
// asked by the second pass that reads the kept elements. Only ids are held, so memory
// follows what is kept, not the file. Used in the processing worker thread.
#include "extraction/BoundingBox.h"
#include "network/IdIndex.h"

#include <QtGlobal>
#include <utility>
#include <vector>

class ClipSelection
{
public:
    enum MemberType { NodeMember, WayMember, RelationMember, OtherMember };

    explicit ClipSelection(const BoundingBox& box);

    // First pass, in file order.
    void addNode(qint64 id, double lat, double lon);
    void addWay(qint64 id, const std::vector<qint64>& nodeIds);
    // Whether this member brings its relation into the clip.
    bool pullsIn(MemberType type, qint64 memberRef) const;
    void addRelation(qint64 id);
    // A relation that no node or way brought in, with its relation members: it is kept when
    // one of them is. A parent may come before its members in the file, so this is settled
    // by finishScan().
    void addParentCandidate(qint64 id, const std::vector<qint64>& relationRefs);
    // Ends the first pass.
    void finishScan();

    // Second pass.
    bool keepsNode(qint64 id) const;
    bool keepsWay(qint64 id) const;
    bool keepsRelation(qint64 id) const;

private:
    static bool contains(const IdIndex& set, qint64 id);
    static void add(IdIndex& set, qint64 id);

    BoundingBox box;
    IdIndex insideNodes;
    IdIndex wayNodes; // nodes of kept ways that lie outside the area
    IdIndex ways;
    IdIndex relations;
    IdIndex parentRelations;
    std::vector<std::pair<qint64, qint64>> candidates; // (parent, member) until finishScan()
};

#endif
