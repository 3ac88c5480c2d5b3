#ifndef EXTRACTION_CLIPSELECTION_H
#define EXTRACTION_CLIPSELECTION_H

// What a file clipped to an area keeps, as the OpenStreetMap API's `map` call does
// for that area: every node inside it, every way with at least one such node, all
// nodes of those ways, every relation with a member among the nodes inside or among
// those ways, and every relation that has one of those relations as a member (one
// level up, not further). As a handler it is filled by a first pass over the file in
// file order; finishScan() ends that pass, and the second pass then asks it what to read.
// Only ids are held, so memory follows what is kept, not the file. Used in the
// processing worker thread.
#include "common/BoundingBox.h"
#include "extraction/OSMHandler.h"
#include "network/IdIndex.h"

#include <QtGlobal>
#include <utility>
#include <vector>

class ClipSelection : public OSMHandler
{
public:
    explicit ClipSelection(const BoundingBox& box);

    // Ends the first pass: a parent may come before its members in the file.
    void finishScan();

    // Second pass.
    bool keepsNode(qint64 id) const;
    bool keepsWay(qint64 id) const;
    bool keepsRelation(qint64 id) const;

protected:
    void node(const OSMEntity& node) override;
    void way(const OSMEntity& way) override;
    void relation(const OSMEntity& relation) override;

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
    std::vector<qint64> relationRefs;                  // of the relation being scanned
};

#endif
