#ifndef EXTRACTION_OSMIUMREADER_H
#define EXTRACTION_OSMIUMREADER_H

// Reads an OpenStreetMap file through libosmium (PBF, or XML as libosmium parses it with expat,
// as network files are read back) and hands each entity the handler wants to it as an OSMEntity,
// in file order. Ids, positions and references are checked as the XML reader checks their text,
// so that the same data read from either format gives the same entities; with diagnostics the
// failures get the same lines, the numbers written as OSM XML writes them. Used in the thread that
// reads; libosmium decodes the file in threads of its own, which end before a call returns.
#include "extraction/CurrentObjects.h"
#include "extraction/OSMFileFormat.h"

#include <QString>
#include <QtGlobal>
#include <functional>

class BoundingBox;
class OSMHandler;

class OsmiumReader
{
public:
    // Which kinds of entity are read (libosmium does not decode the others).
    enum Kinds { Nodes = 1, Ways = 2, Relations = 4, AllKinds = 7 };
    struct Options
    {
        int kinds = AllKinds;
        bool diagnostics = false;
        bool metadata = false; // the version attributes
        // Told after each block how many bytes of the file have been read, when given.
        std::function<void(qint64 bytes)> position;
        // Told the area the file's header names (the joined <bounds> of XML, a PBF header's
        // box), once it is known, when the header names one.
        std::function<void(const BoundingBox& box)> bounds;
        // Told, when given, the stage the entities went through once the reading has ended: what
        // the file held, and why it was refused where it was.
        std::function<void(const CurrentObjects& stage)> done;
    };

    // Reads the file ("-": the standard input) in `format` (Pbf or Xml; compressed XML too), as
    // data of today (see CurrentObjects): a PBF whose header says it holds history is read with
    // the versions and visibility of its objects, XML with an osmChange root is refused.
    // False at a fault or a refusal, which `error` then tells (a refusal as a sentence for the
    // log); what was handed out before it stays handed out.
    static bool read(const QString& path, OSMFileFormat::Kind format, OSMHandler& handler, const Options& options,
                     QString* error = nullptr);
    // The area a PBF file's header says its data covers; false when it names none (or the
    // file is no PBF).
    static bool headerBox(const QString& path, BoundingBox& box);
};

#endif
