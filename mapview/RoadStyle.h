#ifndef MAPVIEW_ROADSTYLE_H
#define MAPVIEW_ROADSTYLE_H

// How the map draws the ways of a network file: the colour and width of each road class, of
// links and of tram tracks. The one table of these looks; used in the GUI thread.
#include <QColor>
#include <QString>

class RoadStyle
{
public:
    // Road classes 0 (motorway) to 8 (road), the numbers of the network's road classes; the
    // map draws the higher numbers first, so that major roads lie on top.
    static constexpr int roadClasses = 9;
    // From this zoom on, lines have their full width; below it they narrow to one pixel.
    static constexpr int fullWidthZoom = 16;

    // The colour of a road class, links included; unknown numbers look like class 8.
    static QColor colour(int roadClass);
    // The line width in pixels of a road of the class at the zoom level.
    static double width(int roadClass, bool link, int zoom);
    // The name the legend gives a class: "motorway" to "road".
    static QString name(int roadClass);

    static QColor tramColour();
    static double tramWidth(int zoom);
    static QColor busStopColour();
    static QColor tramStopColour();
    static QColor signalColour();
};

#endif
