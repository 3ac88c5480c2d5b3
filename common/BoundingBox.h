#ifndef COMMON_BOUNDINGBOX_H
#define COMMON_BOUNDINGBOX_H

// A box of longitudes and latitudes in degrees, edges included: west, south, east, north, the
// order of the command lines' W,S,E,N, of piece file names and of requests. The one box value
// of every layer; the area of the windows' signals and the download grid are other forms of
// it, each with one conversion (toArea here, PiecePlan's for the grid). A plain value, usable
// in any thread.
#include <QRectF>
#include <QString>

class BoundingBox
{
public:
    BoundingBox() = default;
    BoundingBox(double west, double south, double east, double north);

    // Reads "W,S,E,N": four numbers that make a box on Earth (see problem()). False, with what
    // is wrong in `problem`, for any other text.
    static bool fromText(const QString& text, BoundingBox& box, QString* problem = nullptr);

    // The area of the map's newLocRect and getLocationRect, the download window, the processing
    // run and Pelagor::downloadArea: a QRectF with x = west, y = north, width = east - west
    // (zero or positive) and height = south - north (zero or negative). From an area, east is
    // x + width and south y + height. A box handed on as an area may come back a unit in the
    // last place off (west + (east - west) need not be east); since every part that takes the
    // area reads it through fromArea, the request policy, the download grid and the window's
    // fields all see the same bounds.
    QRectF toArea() const;
    static BoundingBox fromArea(const QRectF& area);

    // Finite and within +-90 or +-180 degrees.
    static bool isLatitude(double lat);
    static bool isLongitude(double lon);
    // What keeps the box from being one on Earth: a bound off the world (or not a number), west
    // east of east, south north of north. Empty for a box on Earth.
    QString problem() const;

    bool contains(double lat, double lon) const;
    // Whether the two share a point, edges included.
    bool intersects(const BoundingBox& other) const;
    double west() const { return westLon; }
    double south() const { return southLat; }
    double east() const { return eastLon; }
    double north() const { return northLat; }

private:
    double westLon = 0;
    double southLat = 0;
    double eastLon = 0;
    double northLat = 0;
};

#endif
