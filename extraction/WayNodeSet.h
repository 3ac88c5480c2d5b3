#ifndef EXTRACTION_WAYNODESET_H
#define EXTRACTION_WAYNODESET_H

// The nodes that the kept ways of a file use, gathered by a pass over its ways alone, so that
// the pass that builds the network defines only those nodes (and the stops) instead of holding
// every node of the file until its end. Eight bytes per node used; asked in ascending order, as
// a sorted file lists its nodes, each answer costs a step. Used in the processing worker thread.
#include "extraction/OSMHandler.h"

#include <vector>

class RouteRoads;

class WayNodeSet : public OSMHandler
{
public:
    // With `routeRoads` (not owned, outliving the set), the ways it holds count as kept.
    explicit WayNodeSet(const RouteRoads* routeRoads = nullptr)
        : routeRoads(routeRoads)
    {
    }

    // Ends the pass over the ways.
    void finish();
    bool contains(qint64 id) const;
    std::size_t size() const { return ids.size(); }

protected:
    void way(const OSMEntity& way) override;

private:
    void compact();

    const RouteRoads* routeRoads;
    std::vector<qint64> ids; // sorted and unique after compact()
    std::size_t compactAt = std::size_t(1) << 20;
    mutable std::size_t cursor = 0; // where the last answer was found
};

#endif
