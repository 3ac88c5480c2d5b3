#ifndef EXTRACTION_OSMXMLCLIPSCAN_H
#define EXTRACTION_OSMXMLCLIPSCAN_H

// The two passes of an XML file clipped to an area: the scan that fills a
// ClipSelection, and the test of an element against it before the element readers
// read it. Used in the processing worker thread.
class ClipSelection;
class QXmlStreamReader;

class OSMXmlClipScan
{
public:
    // First pass: reads the whole document (up to its end or the first error) into
    // the selection, in document order. Writes no diagnostics; elements whose ids or
    // positions do not convert are simply not kept.
    static void scan(QXmlStreamReader& reader, ClipSelection& selection);
    // Second pass: whether the node, way or relation on whose start tag the reader
    // stands is kept. Leaves the reader where it is.
    static bool isSelected(const QXmlStreamReader& reader, const ClipSelection& selection);
};

#endif
