#ifndef EXTRACTION_NETWORKFILEREADER_H
#define EXTRACTION_NETWORKFILEREADER_H

// Reads a network file back for checking and for the map, in either of its formats: the compact one of a
// run (stop nodes written once per stop, members grouped by role) and standard OSM XML 0.6
// (each object once, all its tags, members in their order). One reader for both: a
// repeated node id is the same node, and what makes a way a road, a tram track or oneway,
// and a relation a route, is NetworkKeepRules', and a way that a route of the file uses is a
// road whatever its tags (the network of a run that kept the roads of routes), but for the route's
// platforms, which are no part of it (NetworkKeepRules::isPlatformMember). The file's
// <bounds>, where they are, are the network's area. Plain XML, gzip, bzip2 or PBF, told by the
// first bytes as an input of a run is, or by the name, and read as data of today (see
// CurrentObjects). Any thread; runs in the caller.
#include "extraction/CurrentObjects.h"

#include <QString>

class WrittenNetwork;

class NetworkFileReader
{
public:
    // False, with the reason in `error`, when the file ("-": the standard input) cannot be
    // opened or is not a complete, well-formed OSM document (or an osmChange one); what was
    // read before is then incomplete. `content`, when given, gets what the file held.
    static bool read(const QString& path, WrittenNetwork& network, QString* error = nullptr,
                     CurrentObjects::Content* content = nullptr);
};

#endif
