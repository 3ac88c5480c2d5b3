#include "common/BoundingBox.h"

#include <QStringList>

#include <cmath>

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
    const BoundingBox read(values[0], values[1], values[2], values[3]);
    const QString why = read.problem();
    if (!why.isEmpty())
        return refuse(why);
    box = read;
    return true;
}

QRectF BoundingBox::toArea() const
{
    return QRectF(westLon, northLat, eastLon - westLon, southLat - northLat);
}

BoundingBox BoundingBox::fromArea(const QRectF& area)
{
    return BoundingBox(area.x(), area.y() + area.height(), area.x() + area.width(), area.y());
}

bool BoundingBox::isLatitude(double lat)
{
    return std::isfinite(lat) && std::fabs(lat) <= 90;
}

bool BoundingBox::isLongitude(double lon)
{
    return std::isfinite(lon) && std::fabs(lon) <= 180;
}

QString BoundingBox::problem() const
{
    if (!isLongitude(westLon) || !isLongitude(eastLon))
        return QStringLiteral("longitudes must lie between -180 and 180");
    if (!isLatitude(southLat) || !isLatitude(northLat))
        return QStringLiteral("latitudes must lie between -90 and 90");
    if (westLon > eastLon)
        return QStringLiteral("west is east of east");
    if (southLat > northLat)
        return QStringLiteral("south is north of north");
    return QString();
}

bool BoundingBox::contains(double lat, double lon) const
{
    return lat >= southLat && lat <= northLat && lon >= westLon && lon <= eastLon;
}

bool BoundingBox::intersects(const BoundingBox& other) const
{
    return westLon <= other.eastLon && other.westLon <= eastLon && southLat <= other.northLat
        && other.southLat <= northLat;
}
