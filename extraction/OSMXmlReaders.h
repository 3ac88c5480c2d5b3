#ifndef EXTRACTION_OSMXMLREADERS_H
#define EXTRACTION_OSMXMLREADERS_H

// The element readers of OpenStreetMap XML: one per `node`, `way` and `relation`
// element, each called on the element's start tag and returning on its end tag (or
// at once when its attributes do not convert). What they keep, and how it goes into
// the network data, is NetworkKeepRules'. Also the two passes of a clipped file:
// the scan that fills a ClipSelection and the test of an element against it.
// Used in the processing worker thread.
class ClipSelection;
class OSMData;
class QXmlStreamReader;

class OSMXmlReaders
{
public:
    static void readNode(QXmlStreamReader& reader, OSMData& data);
    static void readWay(QXmlStreamReader& reader, OSMData& data);
    static void readRelation(QXmlStreamReader& reader, OSMData& data);

    // First pass of a clipped file: reads the whole document (up to its end or the
    // first error) into the selection, in document order. Writes no diagnostics;
    // elements whose ids or positions do not convert are simply not kept.
    static void scan(QXmlStreamReader& reader, ClipSelection& selection);
    // Second pass: whether the node, way or relation on whose start tag the reader
    // stands is kept. Leaves the reader where it is.
    static bool isSelected(const QXmlStreamReader& reader, const ClipSelection& selection);
};

#endif
