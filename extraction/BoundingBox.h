#ifndef EXTRACTION_BOUNDINGBOX_H
#define EXTRACTION_BOUNDINGBOX_H

// An area of longitudes and latitudes in degrees, edges included, as the `--bbox`
// option of pelagor-extract gives it: west, south, east, north.
#include <QString>

class BoundingBox
{
public:
    BoundingBox() = default;
    BoundingBox(double west, double south, double east, double north);

    // Reads "W,S,E,N": four numbers, west not east of east, south not north of north,
    // all on Earth. False, with what is wrong in `problem`, for any other text.
    static bool fromText(const QString& text, BoundingBox& box, QString* problem = nullptr);

    bool contains(double lat, double lon) const;
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
