#include "extraction/BoundingBox.h"

#include "extraction/NetworkKeepRules.h"

#include <QStringList>

BoundingBox::BoundingBox(double west, double south, double east, double north)
    : westLon(west)
    , southLat(south)
    , eastLon(east)
    , northLat(north)
{
}

bool BoundingBox::fromText(const QString& text, BoundingBox& box, QString& problem)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4) {
        problem = QStringLiteral("four numbers W,S,E,N expected");
        return false;
    }
    double values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts[i].toDouble(&ok);
        if (!ok) {
            problem = QStringLiteral("\"%1\" is not a number").arg(parts[i]);
            return false;
        }
    }
    const double west = values[0];
    const double south = values[1];
    const double east = values[2];
    const double north = values[3];
    if (!NetworkKeepRules::isLongitude(west) || !NetworkKeepRules::isLongitude(east)) {
        problem = QStringLiteral("longitudes must lie between -180 and 180");
        return false;
    }
    if (!NetworkKeepRules::isLatitude(south) || !NetworkKeepRules::isLatitude(north)) {
        problem = QStringLiteral("latitudes must lie between -90 and 90");
        return false;
    }
    if (west > east) {
        problem = QStringLiteral("west is east of east");
        return false;
    }
    if (south > north) {
        problem = QStringLiteral("south is north of north");
        return false;
    }
    box = BoundingBox(west, south, east, north);
    return true;
}

bool BoundingBox::contains(double lat, double lon) const
{
    return lat >= southLat && lat <= northLat && lon >= westLon && lon <= eastLon;
}
