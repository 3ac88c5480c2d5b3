#include "mapview/RoadStyle.h"

#include <cmath>

namespace {

struct ClassStyle
{
    const char* name;
    QColor colour;
    double width; // at fullWidthZoom and closer
};

// Mostly colours of Paul Tol's muted scheme, which people with the common colour vision
// deficiencies tell apart, dark enough to stand out on the map's pale roads and unlike the
// fills and casings of the map's own roads (its secondary roads have an olive casing, for
// one). The width falls with the class as well, so neighbouring classes differ in two ways;
// the many residential streets stay a quiet grey.
const ClassStyle classStyles[RoadStyle::roadClasses] = {
    {"motorway", QColor(136, 34, 85), 6.0},
    {"trunk", QColor(170, 68, 153), 5.5},
    {"primary", QColor(204, 102, 119), 5.0},
    {"secondary", QColor(51, 34, 136), 4.5},
    {"tertiary", QColor(17, 119, 51), 4.0},
    {"unclassified", QColor(68, 170, 153), 3.0},
    {"residential", QColor(110, 110, 110), 3.0},
    {"service", QColor(136, 204, 238), 2.5},
    {"road", QColor(170, 170, 170), 2.5},
};

const double linkWidthFactor = 0.6;
const double tramFullWidth = 2.0;

const ClassStyle& styleOf(int roadClass)
{
    return classStyles[roadClass >= 0 && roadClass < RoadStyle::roadClasses ? roadClass : RoadStyle::roadClasses - 1];
}

// Lines halve in width every two zoom levels out, down to a single pixel.
double zoomed(double width, int zoom)
{
    if (zoom >= RoadStyle::fullWidthZoom)
        return width;
    return std::max(1.0, width * std::pow(2.0, (zoom - RoadStyle::fullWidthZoom) / 2.0));
}

} // namespace

QColor RoadStyle::colour(int roadClass)
{
    return styleOf(roadClass).colour;
}

double RoadStyle::width(int roadClass, bool link, int zoom)
{
    return zoomed(styleOf(roadClass).width * (link ? linkWidthFactor : 1.0), zoom);
}

QString RoadStyle::name(int roadClass)
{
    return QString::fromLatin1(styleOf(roadClass).name);
}

QColor RoadStyle::tramColour()
{
    return QColor(0, 0, 0);
}

double RoadStyle::tramWidth(int zoom)
{
    return zoomed(tramFullWidth, zoom);
}

QColor RoadStyle::busStopColour()
{
    return QColor(0, 114, 178);
}

QColor RoadStyle::tramStopColour()
{
    return QColor(230, 159, 0);
}

QColor RoadStyle::signalColour()
{
    return QColor(204, 51, 17);
}
