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

bool BoundingBox::fromText(const QString& text, BoundingBox& box, QString* problem)
{
    const auto refuse = [problem](const QString& why) {
        if (problem)
            *problem = why;
        return false;
    };
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return refuse(QStringLiteral("four numbers W,S,E,N expected"));
    double values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts[i].toDouble(&ok);
        if (!ok)
            return refuse(QStringLiteral("\"%1\" is not a number").arg(parts[i]));
    }
    const double west = values[0];
    const double south = values[1];
    const double east = values[2];
    const double north = values[3];
    if (!NetworkKeepRules::isLongitude(west) || !NetworkKeepRules::isLongitude(east))
        return refuse(QStringLiteral("longitudes must lie between -180 and 180"));
    if (!NetworkKeepRules::isLatitude(south) || !NetworkKeepRules::isLatitude(north))
        return refuse(QStringLiteral("latitudes must lie between -90 and 90"));
    if (west > east)
        return refuse(QStringLiteral("west is east of east"));
    if (south > north)
        return refuse(QStringLiteral("south is north of north"));
    box = BoundingBox(west, south, east, north);
    return true;
}

bool BoundingBox::contains(double lat, double lon) const
{
    return lat >= southLat && lat <= northLat && lon >= westLon && lon <= eastLon;
}
