#ifndef EXTRACTION_NETWORKFORMAT_H
#define EXTRACTION_NETWORKFORMAT_H

// The two forms of the network file: the simulator's compact dialect of OSM XML, and
// standard OSM XML 0.6 that other OpenStreetMap tools read (objects sorted by type and id,
// each once, with all their tags and versions as read).
#include <QString>

enum class NetworkFormat { Dorvex, Osm };

namespace NetworkFormats {

// "dorvex" and "osm", as the command line and the settings spell them.
QString name(NetworkFormat format);
// False when `text` names no format.
bool fromName(const QString& text, NetworkFormat& format);

} // namespace NetworkFormats

#endif
