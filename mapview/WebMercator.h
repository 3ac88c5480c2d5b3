#ifndef MAPVIEW_WEBMERCATOR_H
#define MAPVIEW_WEBMERCATOR_H

// The Web-Mercator projection of the OpenStreetMap tile servers: fractional tile x and y of a
// position at a zoom level, and back; the one home of the map's projection, which the renderer
// and the layers over the tiles share. Plain functions; usable in any thread.
#include "mapview/GeoPoint.h"

#include <QPointF>

class WebMercator
{
public:
    // A tile's side in pixels.
    static constexpr int tileSize = 256;
    // The positions the map shows: the square of the projection.
    static constexpr double maxLat = 85.0511;
    static constexpr double maxLon = 180.0;

    static QPointF latLonToTile(double lat, double lon, int zoom);
    static double tileXToLon(double x, int zoom);
    static double tileYToLat(double y, int zoom);
    static GeoPoint tileToGeo(double x, double y, int zoom);
    // The position moved into the square the map shows.
    static GeoPoint clamped(const GeoPoint& g);
    // The position as a fraction of the world (0 to 1 from the north-west corner): its pixel at
    // a zoom level is this times worldPixels(zoom).
    static QPointF toWorld(const GeoPoint& g) { return latLonToTile(g.lat, g.lon, 0); }
    // The side of the whole world in pixels at a zoom level.
    static double worldPixels(int zoom);
    // Tiles per side at a zoom level: 2^zoom.
    static int tilesPerSide(int zoom) { return 1 << zoom; }
};

#endif
