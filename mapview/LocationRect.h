#ifndef MAPVIEW_LOCATIONRECT_H
#define MAPVIEW_LOCATIONRECT_H

// The selected area as four numbered corners: 1 = (lat1, lon1), 2 = (lat1, lon2),
// 3 = (lat2, lon1), 4 = (lat2, lon2). No order holds between lat1 and lat2 or lon1 and lon2.
// A plain value used in the GUI thread.
#include "common/BoundingBox.h"
#include "mapview/GeoPoint.h"

#include <QRectF>

class LocationRect
{
public:
    LocationRect();
    LocationRect(double lat1, double lat2, double lon1, double lon2);

    // n = 1..4; any other n yields corner 1.
    GeoPoint cornerPoint(int n) const;
    GeoPoint topLeft() const;
    GeoPoint bottomRight() const;
    // Clamps p to the map's world (latitude +-85.0511, longitude +-180) and stores it as
    // corner n, which also moves the two corners that share its latitude or longitude.
    void setCorner(int n, const GeoPoint& p);
    // The box the four corners span, whatever their order.
    BoundingBox box() const;
    // That box as an area (BoundingBox::toArea).
    QRectF toRectF() const;

    double lat1;
    double lat2;
    double lon1;
    double lon2;
};

#endif
