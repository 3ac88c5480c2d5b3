#include "mapview/WebMercator.h"

#include <QtGlobal>
#include <cmath>

namespace {

const double pi = 3.141592653589793;
const double degreesPerRadian = 57.29577951308232;

} // namespace

QPointF WebMercator::latLonToTile(double lat, double lon, int zoom)
{
    const double n = std::pow(2.0, zoom);
    const double phi = lat * pi / 180.0;
    const double x = (lon + 180.0) / 360.0 * n;
    const double y = (1.0 - std::log(std::tan(phi) + 1.0 / std::cos(phi)) / pi) * 0.5 * n;
    return QPointF(x, y);
}

double WebMercator::tileXToLon(double x, int zoom)
{
    return x / std::pow(2.0, zoom) * 360.0 - 180.0;
}

double WebMercator::tileYToLat(double y, int zoom)
{
    const double t = pi - 2.0 * pi * y / std::pow(2.0, zoom);
    return std::atan(0.5 * (std::exp(t) - std::exp(-t))) * degreesPerRadian;
}

GeoPoint WebMercator::tileToGeo(double x, double y, int zoom)
{
    return GeoPoint(tileYToLat(y, zoom), tileXToLon(x, zoom));
}

GeoPoint WebMercator::clamped(const GeoPoint& g)
{
    return GeoPoint(qBound(-maxLat, g.lat, maxLat), qBound(-maxLon, g.lon, maxLon));
}

double WebMercator::worldPixels(int zoom)
{
    return tileSize * std::pow(2.0, zoom);
}
