#ifndef EXTRACTION_OSMFILEREADER_H
#define EXTRACTION_OSMFILEREADER_H

// Reads one OpenStreetMap file into the network data, whatever its format: PBF, XML
// compressed with gzip or bzip2, or plain XML, as given or as OSMFileFormat tells it; clipped
// to a box when one is given. XML passes through the token guard, so that memory stays
// bounded whatever the file holds. Used in the processing worker thread.
#include "extraction/CurrentObjects.h"
#include "extraction/OSMFileFormat.h"

#include <QString>
#include <functional>

class BoundingBox;
class KeptObjects;
class OSMData;
class ReadProgress;
class RouteRoads;

class OSMFileReader
{
public:
    enum class Outcome {
        Read,       // read to its end
        Broken,     // reading stopped at a fault; what came before it is kept
        NotOpened,  // missing, a folder, or not compressed as its format says
    };

    // Reads the file at `path` ("-": the standard input) into `data`. For Broken, `error` holds
    // the text for the log. With `format` Unknown, OSMFileFormat::of() tells it. `progress`,
    // when given, follows the reading; its passes are 2 when clipped or with routeRoads, 1
    // otherwise. The file is read as data of today (see CurrentObjects).
    struct Extras
    {
        // Gets what the file held.
        CurrentObjects::Content* content = nullptr;
        // A first pass adds the ways of the file's routes to it (but not for the standard input,
        // which cannot be read twice), and the network takes every way it holds as a road.
        RouteRoads* routeRoads = nullptr;
        // Told the area the file names (its <bounds>, its PBF header's box).
        std::function<void(const BoundingBox&)> bounds;
        // Collects what the network keeps, read with the version attributes.
        KeptObjects* collector = nullptr;
    };
    static Outcome read(const QString& path, OSMData& data, const BoundingBox* clip, QString* error,
                        OSMFileFormat::Kind format, ReadProgress* progress, const Extras& extras);
    static Outcome read(const QString& path, OSMData& data, const BoundingBox* clip, QString* error,
                        OSMFileFormat::Kind format = OSMFileFormat::Unknown, ReadProgress* progress = nullptr);
    // Reads the file again for the objects that `objects` still wants, whole (see
    // KeptObjects). Faults were reported by read(); this reading stops at them silently.
    static void copy(const QString& path, KeptObjects& objects, OSMFileFormat::Kind format = OSMFileFormat::Unknown);
};

#endif
