#ifndef EXTRACTION_NETWORKFILEWRITER_H
#define EXTRACTION_NETWORKFILEWRITER_H

// The elements of the network file: the osm root with its version and generator,
// the nodes (bus stops, tram stops, then the other used nodes), the ways and the
// route relations, in the order of the network data's collections. Used in the
// processing worker thread.
class OSMData;
class OSMXmlWriter;

class NetworkFileWriter
{
public:
    // The whole document: declaration, root and everything in it.
    static void writeDocument(OSMXmlWriter& writer, OSMData& data);
    static void writeNodes(OSMXmlWriter& writer, OSMData& data);
    static void writeWays(OSMXmlWriter& writer, OSMData& data);
    static void writeRelations(OSMXmlWriter& writer, OSMData& data);
};

#endif
