#ifndef MAPVIEW_NETWORKPICTURE_H
#define MAPVIEW_NETWORKPICTURE_H

// What the map draws of a network file: its ways as lines in degrees with their road class,
// its bus and tram stops and its traffic signals. A plain value, made in any thread and
// handed to the map in the GUI thread.
#include "mapview/GeoPoint.h"

#include <QMetaType>
#include <QString>
#include <vector>

class NetworkPicture
{
public:
    struct Line
    {
        // The numbers of the network's road classes, 0 (motorway) to 8 (road).
        int roadClass = 0;
        bool highway = false; // a road of roadClass
        bool link = false;    // the road is a link of its class
        bool tram = false;    // the way carries tram tracks
        std::vector<GeoPoint> points;
    };
    struct Stop
    {
        GeoPoint position;
        bool bus = false;
        bool tram = false;
    };

    bool isEmpty() const { return lines.empty() && stops.empty() && trafficSignals.empty(); }

    std::vector<Line> lines;
    std::vector<Stop> stops;
    std::vector<GeoPoint> trafficSignals;
    // The network file shown, relative to the working directory; empty when there is none.
    QString fileName;
};

Q_DECLARE_METATYPE(NetworkPicture)

#endif
