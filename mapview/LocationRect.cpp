#include "mapview/LocationRect.h"

#include <QtGlobal>

namespace {

const double maxLat = 85.0511;
const double maxLon = 180.0;

} // namespace

LocationRect::LocationRect()
    : lat1(49.2014)
    , lat2(49.1978)
    , lon1(16.6048)
    , lon2(16.6102)
{
}

LocationRect::LocationRect(double lat1, double lat2, double lon1, double lon2)
    : lat1(lat1)
    , lat2(lat2)
    , lon1(lon1)
    , lon2(lon2)
{
}

GeoPoint LocationRect::cornerPoint(int n) const
{
    switch (n) {
    case 2: return GeoPoint(lat1, lon2);
    case 3: return GeoPoint(lat2, lon1);
    case 4: return GeoPoint(lat2, lon2);
    default: return GeoPoint(lat1, lon1);
    }
}

GeoPoint LocationRect::topLeft() const
{
    return GeoPoint(qMax(lat1, lat2), qMin(lon1, lon2));
}

GeoPoint LocationRect::bottomRight() const
{
    return GeoPoint(qMin(lat1, lat2), qMax(lon1, lon2));
}

void LocationRect::setCorner(int n, const GeoPoint& p)
{
    const double lat = qBound(-maxLat, p.lat, maxLat);
    const double lon = qBound(-maxLon, p.lon, maxLon);
    switch (n) {
    case 1: lat1 = lat; lon1 = lon; break;
    case 2: lat1 = lat; lon2 = lon; break;
    case 3: lat2 = lat; lon1 = lon; break;
    case 4: lat2 = lat; lon2 = lon; break;
    default: break;
    }
}

BoundingBox LocationRect::box() const
{
    return BoundingBox(qMin(lon1, lon2), qMin(lat1, lat2), qMax(lon1, lon2), qMax(lat1, lat2));
}

QRectF LocationRect::toRectF() const
{
    return box().toArea();
}
