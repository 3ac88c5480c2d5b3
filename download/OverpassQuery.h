#ifndef DOWNLOAD_OVERPASSQUERY_H
#define DOWNLOAD_OVERPASSQUERY_H

// The Overpass QL query of a tile: of what the editing API's map call returns for the box,
// exactly the ways, nodes and relations the network can use, with their metadata.
#include <QRect>
#include <QString>

class OverpassQuery
{
public:
    // What the query asks for: what the keep table keeps, or that and the ways that the selected
    // routes use among the selection's ways, with their nodes.
    enum Ways { NetworkWays, WithRouteRoads };

    // The query for a tile on the grid of 0.001 degree (PiecePlan::toGridRect).
    static QString forTile(const QRect& tile, Ways ways = NetworkWays);
};

#endif
