#include "extraction/NetworkFormat.h"

QString NetworkFormats::name(NetworkFormat format)
{
    return format == NetworkFormat::Osm ? QStringLiteral("osm") : QStringLiteral("dorvex");
}

bool NetworkFormats::fromName(const QString& text, NetworkFormat& format)
{
    if (text == name(NetworkFormat::Dorvex))
        format = NetworkFormat::Dorvex;
    else if (text == name(NetworkFormat::Osm))
        format = NetworkFormat::Osm;
    else
        return false;
    return true;
}
