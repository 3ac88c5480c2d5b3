#ifndef EXTRACTION_OSMFILEREADER_H
#define EXTRACTION_OSMFILEREADER_H

// Reads one OpenStreetMap file into the network data, whatever its format: PBF, XML
// compressed with gzip or bzip2, or plain XML, known from its name; clipped to a box when
// one is given. XML passes through the token guard, so that memory stays bounded whatever
// the file holds. Used in the processing worker thread.
#include <QString>

class BoundingBox;
class KeptObjects;
class OSMData;

class OSMFileReader
{
public:
    enum class Outcome {
        Read,       // read to its end
        Broken,     // reading stopped at a fault; what came before it is kept
        NotOpened,  // missing, a folder, or not what its name says
    };

    // Reads the file at `path` into `data`. For Broken, `error` holds the text for the log.
    static Outcome read(const QString& path, OSMData& data, const BoundingBox* clip, QString* error);
    // Reads the file again for the objects that `objects` still wants, whole (see
    // KeptObjects). Faults were reported by read(); this reading stops at them silently.
    static void copy(const QString& path, KeptObjects& objects);
};

#endif
