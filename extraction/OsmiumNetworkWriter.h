#ifndef EXTRACTION_OSMIUMNETWORKWRITER_H
#define EXTRACTION_OSMIUMNETWORKWRITER_H

// The network file in standard OpenStreetMap form through libosmium's writer, for the kinds of
// file the XML writer does not make: PBF, and XML compressed with gzip or bzip2. It holds what
// the XML of StandardNetworkWriter holds (the same header, objects, version attributes, tags,
// node references and members, texts cut as there). Used in the processing worker thread;
// libosmium encodes in threads of its own, which end before the call returns.
#include "extraction/OSMFileFormat.h"

#include <QString>

class BoundingBox;
class KeptObjects;

class OsmiumNetworkWriter
{
public:
    // Writes the file at `path` ("-": the standard output), replacing what is there, in `kind`
    // (Pbf, GzipXml or Bzip2Xml); `bounds` may be null. False with `error` told when it failed.
    static bool write(const QString& path, OSMFileFormat::Kind kind, const KeptObjects& objects,
                      const BoundingBox* bounds, QString& error);
};

#endif
