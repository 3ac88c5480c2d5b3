#ifndef TOOLS_NETWORKFILEOPTIONS_H
#define TOOLS_NETWORKFILEOPTIONS_H

// The options of the command-line programs that write a network file: where it goes (-o, -O),
// its format (--format), what it keeps beyond the keep table (--keep-route-roads) and the check
// after it (--check). One home for their texts and rules.
// Used in the main thread.
#include "extraction/NetworkFormat.h"

#include <QString>

class CommandLine;
class QCommandLineParser;

struct NetworkFileOptions
{
    QString output; // empty: a new name in data/comp/
    bool overwrite = false;
    NetworkFormat format = NetworkFormat::Dorvex;
    bool check = false;
    bool keepRouteRoads = false;

    // `checkNote` ends the help text of --check.
    static void add(QCommandLineParser& options, const QString& checkNote);
    // False after a usage error (reported): an unknown format, -O without -o, an empty FILE, a
    // FILE in a folder that does not exist or that is a folder, an existing regular file (or
    // link) without -O, --check onto what is no regular file.
    bool read(const CommandLine& commandLine, const QCommandLineParser& options);

private:
    // The usage problem of the FILE of -o; empty when there is none.
    QString outputProblem(bool outputGiven) const;
};

#endif
