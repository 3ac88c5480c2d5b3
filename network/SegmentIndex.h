#ifndef NETWORK_SEGMENTINDEX_H
#define NETWORK_SEGMENTINDEX_H

// The segments of some ways in a tree of nested boxes, for the one nearest a point: a search
// opens only the boxes that may hold a nearer segment than the nearest found so far, so it
// takes about the logarithm of the segments where trying each takes all of them. Distances are
// those of NetworkCheck::metresToSegment. Built once, then only read; any thread.
#include <cstddef>
#include <vector>

class SegmentIndex
{
public:
    struct Segment
    {
        double lat1;
        double lon1;
        double lat2;
        double lon2;
    };

    explicit SegmentIndex(std::vector<Segment> segments);

    // The metres from the point to its nearest segment; once a segment within `enough` metres
    // is found, the distance of that one. Infinity without segments.
    double nearestMetres(double lat, double lon, double enough) const;

private:
    struct Box
    {
        double south;
        double west;
        double north;
        double east;
        std::size_t first; // a leaf's segments, or the inner box's two children
        std::size_t count; // 0 for an inner box
    };
    // Makes boxes[box] hold segments [first, first + count), splitting it while it has more
    // than a few.
    void fill(std::size_t box, std::size_t first, std::size_t count);

    std::vector<Segment> segments; // in leaf order
    std::vector<Box> boxes;        // the root first; an inner box's children side by side
};

#endif
