#ifndef EXTRACTION_WAYNODESET_H
#define EXTRACTION_WAYNODESET_H

// The nodes that the kept ways of a file use, gathered by a pass over its ways alone, so that
// the pass that builds the network defines only those nodes (and the stops) instead of holding
// every node of the file until its end. Held in rising order as the differences between
// neighbouring ids, a few bytes per node; asked in ascending order, as a sorted file lists its
// nodes, each answer costs a step. Used in the processing worker thread.
#include "extraction/OSMHandler.h"

#include <cstdint>
#include <limits>
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
    std::size_t size() const { return count; }

protected:
    void way(const OSMEntity& way) override;

private:
    void compact();
    void encode();
    // Moves the cursor to the first id of this block.
    void enterBlock(std::size_t block) const;
    // Moves the cursor to the next id; false at the end.
    bool step() const;

    const RouteRoads* routeRoads;
    std::vector<qint64> ids; // while the ways are read; sorted and unique after compact()
    std::size_t compactAt = std::size_t(1) << 20;

    // After finish(): the ids in blocks of blockSize, each its first id and then the differences
    // to the id before, seven bits to a byte, the high bit set on all bytes of a difference but
    // its last.
    static const std::size_t blockSize = 64;
    std::vector<qint64> firsts;
    std::vector<std::uint32_t> starts; // where each block's differences begin in `differences`
    std::vector<std::uint8_t> differences;
    std::size_t count = 0;

    // Where the last answer was found: at the first id not below the last one asked for, or
    // past the end when there is none.
    struct Cursor
    {
        std::size_t block = 0;
        std::size_t inBlock = 0; // position of the id in its block
        std::size_t byte = 0;    // where the difference to the next id begins
        qint64 id = 0;
        bool atEnd = true;
        qint64 asked = std::numeric_limits<qint64>::min();
    };
    mutable Cursor cursor;
    mutable Cursor previous; // where the answer to the id asked for before stood
};

#endif
