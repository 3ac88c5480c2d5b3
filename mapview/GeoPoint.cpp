#include "mapview/GeoPoint.h"

GeoPoint::GeoPoint()
    : lat(0.0)
    , lon(0.0)
{
}

GeoPoint::GeoPoint(double lat, double lon)
    : lat(lat)
    , lon(lon)
{
}
