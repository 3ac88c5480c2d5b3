#include "network/SegmentIndex.h"

#include "network/NetworkCheck.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

// A leaf holds this many segments at most: trying a few is cheaper than opening more boxes.
const std::size_t leafSegments = 8;

const double degree = 3.141592653589793 / 180;

double centreLat(const SegmentIndex::Segment& s)
{
    return s.lat1 + s.lat2;
}

double centreLon(const SegmentIndex::Segment& s)
{
    return s.lon1 + s.lon2;
}

} // namespace

SegmentIndex::SegmentIndex(std::vector<Segment> segments)
    : segments(std::move(segments))
{
    if (this->segments.empty())
        return;
    // An inner box has two children, so the tree has fewer than twice as many boxes as leaves.
    boxes.reserve(2 * (this->segments.size() / leafSegments + 1));
    boxes.emplace_back();
    fill(0, 0, this->segments.size());
}

void SegmentIndex::fill(std::size_t box, std::size_t first, std::size_t count)
{
    Box bounds{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
               -std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(), first, count};
    for (std::size_t i = first; i < first + count; ++i) {
        const Segment& s = segments[i];
        bounds.south = std::min({bounds.south, s.lat1, s.lat2});
        bounds.north = std::max({bounds.north, s.lat1, s.lat2});
        bounds.west = std::min({bounds.west, s.lon1, s.lon2});
        bounds.east = std::max({bounds.east, s.lon1, s.lon2});
    }
    if (count <= leafSegments) {
        boxes[box] = bounds;
        return;
    }
    // Halved across its longer side, as the ground measures it, at the middle segment.
    const bool byLon = (bounds.east - bounds.west) * std::cos((bounds.south + bounds.north) / 2 * degree)
        > bounds.north - bounds.south;
    const std::size_t half = count / 2;
    const auto begin = segments.begin() + std::ptrdiff_t(first);
    std::nth_element(begin, begin + std::ptrdiff_t(half), begin + std::ptrdiff_t(count),
                     [byLon](const Segment& a, const Segment& b) {
                         return byLon ? centreLon(a) < centreLon(b) : centreLat(a) < centreLat(b);
                     });
    const std::size_t children = boxes.size();
    bounds.first = children;
    bounds.count = 0;
    boxes[box] = bounds;
    boxes.emplace_back();
    boxes.emplace_back();
    fill(children, first, half);
    fill(children + 1, first + half, count - half);
}

double SegmentIndex::nearestMetres(double lat, double lon, double enough) const
{
    double nearest = std::numeric_limits<double>::infinity();
    if (boxes.empty())
        return nearest;
    const auto distance = [lat, lon](const Box& box) {
        return NetworkCheck::metresToBox(lat, lon, box.south, box.west, box.north, box.east);
    };
    struct Open
    {
        double metres; // at least this far from the point
        std::size_t box;
    };
    std::vector<Open> open;
    open.reserve(64);
    open.push_back({distance(boxes[0]), 0});
    while (!open.empty()) {
        const Open next = open.back();
        open.pop_back();
        // A box farther than the nearest segment found holds no nearer one. The margin keeps a
        // box whose bound rounding put a hair beyond a segment inside it.
        if (next.metres > nearest + 1e-6 + nearest * 1e-12)
            continue;
        const Box& box = boxes[next.box];
        if (box.count == 0) {
            const double a = distance(boxes[box.first]);
            const double b = distance(boxes[box.first + 1]);
            // The nearer child is opened first: it is pushed last.
            open.push_back({std::max(a, b), a < b ? box.first + 1 : box.first});
            open.push_back({std::min(a, b), a < b ? box.first : box.first + 1});
            continue;
        }
        for (std::size_t i = box.first; i < box.first + box.count; ++i) {
            const Segment& s = segments[i];
            nearest = std::min(nearest, NetworkCheck::metresToSegment(lat, lon, s.lat1, s.lon1, s.lat2, s.lon2));
            if (nearest <= enough)
                return nearest;
        }
    }
    return nearest;
}
