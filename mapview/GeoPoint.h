#ifndef MAPVIEW_GEOPOINT_H
#define MAPVIEW_GEOPOINT_H

// A geographic point in degrees, latitude first. A plain value used in the GUI thread.

class GeoPoint
{
public:
    GeoPoint();
    GeoPoint(double lat, double lon);

    double lat;
    double lon;
};

#endif
