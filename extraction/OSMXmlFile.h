#ifndef EXTRACTION_OSMXMLFILE_H
#define EXTRACTION_OSMXMLFILE_H

// An OpenStreetMap XML file as the XML reader reads it: plain, or decompressed from gzip or
// bzip2 while it is read, through the token guard (so that memory stays bounded whatever the file
// holds) and with the encodings the guard can follow. Runs an OSMXmlReader over it with a
// handler and tells why the reading stopped early. Used in the thread that reads.
#include "extraction/CurrentObjects.h"
#include "extraction/OSMFileFormat.h"

#include <QString>

class OSMHandler;
class ReadProgress;

class OSMXmlFile
{
public:
    enum Outcome { Read, Broken, NotOpened };

    // `diagnostics`: conversion failures, damaged compressed data and the token guard's verdict
    // get their lines; `metadata`: the version attributes are read. For Broken, `error` is the
    // text for the log (a refusal of the file's content too, see CurrentObjects). NotOpened:
    // missing, a folder, or not compressed as `format` says. `content`, when given, gets what
    // the file held.
    static Outcome read(const QString& path, OSMFileFormat::Kind format, OSMHandler& handler, bool diagnostics,
                        bool metadata = false, ReadProgress* progress = nullptr, QString* error = nullptr,
                        CurrentObjects::Content* content = nullptr);
};

#endif
