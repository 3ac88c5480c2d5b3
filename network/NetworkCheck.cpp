#include "network/NetworkCheck.h"

#include "network/WrittenNetwork.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

const double earthRadiusMetres = 6371008.8; // the mean radius
const double degree = 3.141592653589793 / 180;

Finding at(const WrittenNetwork& network, std::size_t node, Finding finding)
{
    finding.hasPosition = true;
    finding.lat = network.lat(node);
    finding.lon = network.lon(node);
    return finding;
}

// Outside the network's known area; never without one.
bool outside(const WrittenNetwork& network, std::size_t node)
{
    return !network.inArea(network.lat(node), network.lon(node));
}

} // namespace

std::vector<Finding> NetworkCheck::run(const WrittenNetwork& network)
{
    const Ways ways = resolve(network);
    std::vector<Finding> findings;
    routes(network, ways, findings);
    islands(network, ways, findings);
    onewayDeadEnds(network, ways, findings);
    degenerateWays(network, ways, findings);
    std::sort(findings.begin(), findings.end());
    findings.erase(std::unique(findings.begin(), findings.end()), findings.end());
    return findings;
}

double NetworkCheck::metresToSegment(double lat, double lon, double lat1, double lon1, double lat2, double lon2)
{
    const double kx = earthRadiusMetres * degree * std::cos(lat * degree);
    const double ky = earthRadiusMetres * degree;
    const double x1 = (lon1 - lon) * kx;
    const double y1 = (lat1 - lat) * ky;
    const double dx = (lon2 - lon1) * kx;
    const double dy = (lat2 - lat1) * ky;
    const double length2 = dx * dx + dy * dy;
    // The point of the segment nearest to the origin, as a fraction of the way from its start.
    double t = length2 > 0 ? -(x1 * dx + y1 * dy) / length2 : 0;
    t = std::max(0.0, std::min(1.0, t));
    return std::hypot(x1 + t * dx, y1 + t * dy);
}

double NetworkCheck::metresToBox(double lat, double lon, double south, double west, double north, double east)
{
    // The factors of metresToSegment, so that the box's distance bounds each segment's in it.
    const double kx = earthRadiusMetres * degree * std::cos(lat * degree);
    const double ky = earthRadiusMetres * degree;
    const double dx = lon < west ? west - lon : lon > east ? lon - east : 0;
    const double dy = lat < south ? south - lat : lat > north ? lat - north : 0;
    return std::hypot(dx * kx, dy * ky);
}

std::size_t NetworkCheck::rootOf(std::vector<std::size_t>& parent, std::size_t i)
{
    while (parent[i] != i) {
        parent[i] = parent[parent[i]];
        i = parent[i];
    }
    return i;
}

NetworkCheck::Ways NetworkCheck::resolve(const WrittenNetwork& network)
{
    Ways ways;
    ways.first.reserve(network.ways().size() + 1);
    ways.nodes.reserve(network.nodeRefs().size());
    ways.usable.reserve(network.ways().size());
    ways.partial.reserve(network.ways().size());
    ways.cutEnd.reserve(network.ways().size());
    for (const WrittenNetwork::Way& way : network.ways()) {
        ways.first.push_back(ways.nodes.size());
        const std::size_t start = ways.nodes.size();
        bool twoNodes = false;
        bool lacking = false;
        for (std::size_t i = way.firstRef; i < way.firstRef + way.refCount; ++i) {
            const qint64 node = network.nodeIndex(network.nodeRefs()[i]);
            if (node < 0) {
                lacking = true;
                continue;
            }
            // A way of one node repeated has no length either.
            if (ways.nodes.size() > start && ways.nodes[start] != std::size_t(node))
                twoNodes = true;
            ways.nodes.push_back(std::size_t(node));
        }
        ways.usable.push_back(twoNodes);
        ways.partial.push_back(lacking);
        ways.cutEnd.push_back(way.refCount > 0
                              && network.nodeIndex(network.nodeRefs()[way.firstRef + way.refCount - 1]) < 0);
    }
    ways.first.push_back(ways.nodes.size());
    return ways;
}

void NetworkCheck::degenerateWays(const WrittenNetwork& network, const Ways& ways, std::vector<Finding>& findings)
{
    for (std::size_t w = 0; w < network.ways().size(); ++w) {
        if (ways.usable[w])
            continue;
        Finding finding;
        finding.kind = Finding::DegenerateWay;
        finding.way = network.ways()[w].id;
        // Its nodes may lie beyond the area, where the file ends.
        finding.edge = network.hasArea() && ways.partial[w];
        for (std::size_t i = 0; i < ways.size(w); ++i)
            finding.edge = finding.edge || outside(network, ways.node(w, i));
        findings.push_back(finding);
    }
}

void NetworkCheck::islands(const WrittenNetwork& network, const Ways& ways, std::vector<Finding>& findings)
{
    std::vector<std::size_t> parent(network.nodeCount());
    std::iota(parent.begin(), parent.end(), std::size_t(0));
    for (std::size_t w = 0; w < network.ways().size(); ++w) {
        if (!ways.usable[w])
            continue;
        const std::size_t a = rootOf(parent, ways.node(w, 0));
        for (std::size_t i = 1; i < ways.size(w); ++i) {
            const std::size_t b = rootOf(parent, ways.node(w, i));
            if (b != a)
                parent[b] = a;
        }
    }
    // Per part, by its root node: how many ways, the one of the lowest id, and whether the
    // part reaches beyond the area, where it may join the rest.
    const std::size_t none = network.ways().size();
    std::vector<qint64> wayCount(network.nodeCount(), 0);
    std::vector<std::size_t> lowestWay(network.nodeCount(), none);
    std::vector<bool> reachesOut(network.nodeCount(), false);
    for (std::size_t w = 0; w < network.ways().size(); ++w) {
        if (!ways.usable[w])
            continue;
        const std::size_t root = rootOf(parent, ways.node(w, 0));
        ++wayCount[root];
        if (lowestWay[root] == none || network.ways()[w].id < network.ways()[lowestWay[root]].id)
            lowestWay[root] = w;
        if (!network.hasArea() || reachesOut[root])
            continue;
        bool out = ways.partial[w];
        for (std::size_t i = 0; i < ways.size(w) && !out; ++i)
            out = outside(network, ways.node(w, i));
        reachesOut[root] = out;
    }
    // The largest part has the most ways; of two as large, the one with the lower way id.
    std::size_t largest = network.nodeCount();
    for (std::size_t root = 0; root < network.nodeCount(); ++root) {
        if (wayCount[root] == 0)
            continue;
        if (largest == network.nodeCount() || wayCount[root] > wayCount[largest]
            || (wayCount[root] == wayCount[largest]
                && network.ways()[lowestWay[root]].id < network.ways()[lowestWay[largest]].id))
            largest = root;
    }
    for (std::size_t root = 0; root < network.nodeCount(); ++root) {
        if (wayCount[root] == 0 || root == largest)
            continue;
        Finding finding;
        finding.kind = Finding::Island;
        finding.count = wayCount[root];
        finding.way = network.ways()[lowestWay[root]].id;
        finding.edge = reachesOut[root];
        findings.push_back(at(network, ways.node(lowestWay[root], 0), finding));
    }
}

void NetworkCheck::onewayDeadEnds(const WrittenNetwork& network, const Ways& ways, std::vector<Finding>& findings)
{
    // A road leaves a node when a two-way road holds it, or a oneway road holds it before
    // its last place: tram tracks take no car on.
    std::vector<bool> roadLeaves(network.nodeCount(), false);
    for (std::size_t w = 0; w < network.ways().size(); ++w) {
        const WrittenNetwork::Way& way = network.ways()[w];
        if (!ways.usable[w] || !way.road)
            continue;
        const std::size_t end = way.oneway ? ways.size(w) - 1 : ways.size(w);
        for (std::size_t i = 0; i < end; ++i)
            roadLeaves[ways.node(w, i)] = true;
    }
    for (std::size_t w = 0; w < network.ways().size(); ++w) {
        const WrittenNetwork::Way& way = network.ways()[w];
        if (!ways.usable[w] || !way.road || !way.oneway)
            continue;
        const std::size_t last = ways.node(w, ways.size(w) - 1);
        if (roadLeaves[last])
            continue;
        Finding finding;
        finding.kind = Finding::OnewayDeadEnd;
        finding.node = network.nodeId(last);
        finding.way = way.id;
        // The road may go on beyond the area, or beyond the nodes the file holds.
        finding.edge = outside(network, last) || (network.hasArea() && ways.cutEnd[w]);
        findings.push_back(at(network, last, finding));
    }
}
