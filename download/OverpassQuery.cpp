#include "download/OverpassQuery.h"

#include "download/PiecePlan.h"
#include "network/KeepTable.h"

#include <QStringList>

namespace {

QString text(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), int(utf8.size()));
}

// An Overpass filter for one tag: [key=value].
QString filter(const KeepTable::Tag& tag)
{
    return "[" + text(tag.key) + "=" + text(tag.value) + "]";
}

} // namespace

QString OverpassQuery::forTile(const QRect& tile, Ways ways)
{
    // Overpass writes a box south, west, north, east: latitude first, unlike the editing API.
    const BoundingBox b = PiecePlan::toBox(tile);
    const QString box = QString("(%1,%2,%3,%4)").arg(b.south()).arg(b.west()).arg(b.north()).arg(b.east());
    QStringList roads;
    for (const KeepTable::Highway& entry : KeepTable::highways)
        if (entry.road)
            roads << text(entry.value);
    QStringList kinds;
    for (std::string_view kind : KeepTable::routeKinds)
        kinds << text(kind);
    QString stops;
    for (const KeepTable::StopTag& stop : KeepTable::stops)
        stops += "node.nodes" + filter(stop.tag) + ";";
    return (QStringLiteral(
               // XML as the editing API answers; three minutes and 512 MiB of the server's memory
               // at most, and then a runtime error instead of an answer.
               "[out:xml][timeout:180][maxsize:536870912];\n"
               // The map call's selection: the nodes inside the box,
               "node%1->.inside;\n"
               // the ways with such a node,
               "way(bn.inside)->.ways;\n"
               // all nodes of those ways, also outside the box,
               "node(w.ways)->.wayNodes;\n"
               // the relations with a member among the nodes inside the box or those ways,
               "(rel(bn.inside);rel(bw.ways);)->.relations;\n"
               // and, one level up, the relations that have such a relation as a member.
               "rel(br.relations)->.parents;\n"
               "(.inside;.wayNodes;)->.nodes;\n"
               "(.relations;.parents;)->.selected;\n"
               // Of it, the roads of the network (by their highway values; footways, service
               // roads and the like are not) and the tram tracks, with all their nodes,
               "(way.ways[%2~\"^(%3)$\"];way.ways%4;)->.tracks;\n"
               "node(w.tracks)->.trackNodes;\n"
               // the stops, signals and public-transport nodes (the nodes routes name as stops),
               "(%5node.nodes%6;node.nodes[public_transport];)->.stops;\n"
               // the bus, trolleybus and tram routes,
               "rel.selected%7[%8~\"^(%9)$\"]->.routes;\n"
               // and their node members of the selection.
               "node(r.routes)->.members;\n"
               "node.members.nodes->.routeNodes;\n")
        + (ways == WithRouteRoads ? QStringLiteral(
               // The ways those routes use among the selection's ways, whatever their tags, with
               // all their nodes.
               "way.ways(r.routes)->.routeWays;\n"
               "node(w.routeWays)->.routeWayNodes;\n")
                                  : QString())
        + QStringLiteral(
               // Versions, timestamps and authors, as the editing API gives them.
               "(.tracks;.trackNodes;.stops;.routes;.routeNodes;")
        + (ways == WithRouteRoads ? QStringLiteral(".routeWays;.routeWayNodes;") : QString())
        + QStringLiteral(");\n"
               "out meta;\n"))
        .arg(box, text(KeepTable::highwayKey), roads.join('|'), filter(KeepTable::tramTrack), stops,
             filter(KeepTable::trafficSignals), filter(KeepTable::routeType), text(KeepTable::routeKey),
             kinds.join('|'));
}
