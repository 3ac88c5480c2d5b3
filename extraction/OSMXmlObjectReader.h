#ifndef EXTRACTION_OSMXMLOBJECTREADER_H
#define EXTRACTION_OSMXMLOBJECTREADER_H

// Reads of an OpenStreetMap XML document every node, way and relation that KeptObjects still
// wants, whole: version attributes, all tags, node references and members as they stand. The
// second reading of an input for the network file in standard OSM XML; the first reading has
// reported every fault already, so this one reports none. Used in the processing worker thread.
class KeptObjects;
class QXmlStreamReader;

class OSMXmlObjectReader
{
public:
    static void read(QXmlStreamReader& reader, KeptObjects& objects);
};

#endif
