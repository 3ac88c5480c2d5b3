#ifndef EXTRACTION_OSMPBFOBJECTREADER_H
#define EXTRACTION_OSMPBFOBJECTREADER_H

// The second reading of a PBF file for the network file in standard OSM XML: every object that
// the network keeps, whole, with its metadata. The only PBF reading that decodes metadata. Used
// in the processing worker thread.
#include <QString>

class KeptObjects;

class OSMPbfObjectReader
{
public:
    // Every object that `objects` wants, in file order. No diagnostics; false at a fault (the
    // network's reading has reported it).
    static bool copy(const QString& path, KeptObjects& objects);
};

#endif
