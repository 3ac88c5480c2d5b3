#ifndef EXTRACTION_OSMPBFREADER_H
#define EXTRACTION_OSMPBFREADER_H

// Reads OpenStreetMap PBF files (.osm.pbf) through libosmium into the network data.
// It makes the same calls into OSMData, in the same order, with the same diagnostics,
// as the XML readers make for the same data written as XML, so both give the same
// network file. Used in the processing worker thread; libosmium decodes the file's
// blocks in threads of its own, which end before a call returns.
#include <QString>
#include <QtGlobal>
#include <functional>

class BoundingBox;
class ClipSelection;
class OSMData;

class OSMPbfReader
{
public:
    // Reads the file into `data`; with a selection, only the elements it keeps.
    // False when reading stopped at a fault, which `error` tells (what was read before it
    // stays in `data`).
    // `position`, when given, is told after each block how many bytes of the file have been
    // read. The path "-" is the standard input.
    using Position = std::function<void(qint64 bytes)>;
    static bool read(const QString& path, OSMData& data, const ClipSelection* selection, QString* error = nullptr,
                     const Position& position = Position());
    // First pass of a clipped file: every node position, way and relation, in file
    // order, into the selection. No diagnostics; false at a fault, as read().
    static bool scan(const QString& path, ClipSelection& selection, QString* error = nullptr,
                     const Position& position = Position());
    // The area the file's header says its data covers; false when it names none (or the
    // file is no PBF).
    static bool headerBox(const QString& path, BoundingBox& box);
};

#endif
