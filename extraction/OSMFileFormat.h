#ifndef EXTRACTION_OSMFILEFORMAT_H
#define EXTRACTION_OSMFILEFORMAT_H

// The format an OpenStreetMap file is read in: plain XML, XML compressed with gzip or bzip2,
// or PBF. Told by the file's first bytes where they show one, by its name otherwise, or given
// by the user (-F). Used wherever a file is about to be read.
#include <QByteArray>
#include <QString>

class OSMFileFormat
{
public:
    enum Kind { Unknown, Xml, GzipXml, Bzip2Xml, Pbf };

    // The names -F takes: "osm", "osm.gz", "osm.bz2", "pbf"; Unknown for any other.
    static Kind fromOptionName(const QString& name);
    static QString optionName(Kind kind);
    // From the name alone: ".pbf" PBF, ".gz" and ".bz2" compressed XML, anything else XML.
    static Kind fromName(const QString& path);
    // From the first bytes of a file: a PBF begins with the length of a block header that
    // names an "OSMHeader" block, gzip with 1f 8b, bzip2 with "BZh", XML with '<' (after an
    // optional byte order mark and blanks). Unknown when they show none of these.
    static Kind fromContent(const QByteArray& firstBytes);
    // The content's format where it shows one, the name's otherwise. A file that cannot be
    // opened (or standard input, "-", which cannot be looked at twice) goes by its name.
    static Kind of(const QString& path);

    // How many first bytes fromContent() looks at, at most.
    static const int sniffSize = 64;
};

#endif
