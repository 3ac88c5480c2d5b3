#ifndef EXTRACTION_STANDARDNETWORKWRITER_H
#define EXTRACTION_STANDARDNETWORKWRITER_H

// The network file in standard OSM XML 0.6, for OpenStreetMap tools other than the
// simulator: the generator with Pelagor's version, the area's bounds when there is one, then the kept nodes, ways and route
// relations, each group sorted by id and each object once, written as the input has them
// (version attributes, all tags, every node reference, members with their roles in order).
// Used in the processing worker thread.
class BoundingBox;
class KeptObjects;
class OSMXmlWriter;

class StandardNetworkWriter
{
public:
    // The whole document; `bounds` may be null.
    static void writeDocument(OSMXmlWriter& writer, const KeptObjects& objects, const BoundingBox* bounds);
    // The root's generator: the program and its version.
    static const char* generator();
};

#endif
