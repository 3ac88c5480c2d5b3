#ifndef TOOLS_NETWORKFILEOPTIONS_H
#define TOOLS_NETWORKFILEOPTIONS_H

// The options of the command-line programs that write a network file: where it goes (-o, -O),
// its format (--format), the kind of file it is written as (-f, or the name of -o), what it
// keeps beyond the keep table (--keep-route-roads) and the check after it (--check). One home
// for their texts and rules. Used in the main thread.
#include "extraction/NetworkFormat.h"
#include "extraction/OSMFileFormat.h"

#include <QString>

class CommandLine;
class QCommandLineParser;

struct NetworkFileOptions
{
    QString output; // empty: a new name in data/comp/
    bool overwrite = false;
    NetworkFormat format = NetworkFormat::Dorvex;
    // The kind of file: plain XML, or for the osm format also PBF, gzip or bzip2 XML.
    OSMFileFormat::Kind kind = OSMFileFormat::Xml;
    bool check = false;
    bool keepRouteRoads = false;

    // "-": the network file goes to the standard output (and the log to the standard error).
    bool toStandardOutput() const { return output == QLatin1String("-"); }

    // `checkNote` ends the help text of --check.
    static void add(QCommandLineParser& options, const QString& checkNote);
    // False after a usage error (reported): an unknown format or kind, a kind other than plain
    // XML for the simulator's file, -O without -o, an empty FILE, a FILE in a folder that does not
    // exist or that is a folder, an existing regular file (or link) without -O, --check onto what
    // is no regular file.
    bool read(const CommandLine& commandLine, const QCommandLineParser& options);

private:
    // The usage problem of the FILE of -o; empty when there is none.
    QString outputProblem(bool outputGiven) const;
    // Sets `kind` from -f, or else from the name of -o; the usage problem, empty when none.
    QString kindProblem(const QCommandLineParser& options);
};

#endif
