#ifndef EXTRACTION_OSMXMLREADERS_H
#define EXTRACTION_OSMXMLREADERS_H

// The element readers of OpenStreetMap XML: one per `node`, `way` and `relation`
// element, each called on the element's start tag and returning on its end tag (or
// at once when its attributes do not convert). What they keep, and how it goes into
// the network data, is NetworkKeepRules'. Used in the processing worker thread.
class OSMData;
class QXmlStreamReader;

class OSMXmlReaders
{
public:
    static void readNode(QXmlStreamReader& reader, OSMData& data);
    static void readWay(QXmlStreamReader& reader, OSMData& data);
    static void readRelation(QXmlStreamReader& reader, OSMData& data);
};

#endif
