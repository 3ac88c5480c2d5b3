#include "tools/NetworkFileOptions.h"

#include "tools/CommandLine.h"

#include "extraction/NoClobberFile.h"

#include <QCommandLineParser>
#include <QFileInfo>

void NetworkFileOptions::add(QCommandLineParser& options, const QString& checkNote)
{
    options.addOption(QCommandLineOption(
        {"o", "output"}, "Write the network file to FILE (complete or not at all) in a folder that exists. An "
                         "existing file is refused unless -O is given; a FIFO or a device (/dev/null) is written "
                         "into as it is.",
        "FILE"));
    options.addOption(QCommandLineOption({"O", "overwrite"}, "Replace the FILE of -o if it is an existing file."));
    options.addOption(QCommandLineOption(
        "format", "The network file's format: dorvex (the simulator's, the default) or osm (standard OpenStreetMap "
                  "XML for other tools: sorted, each object once, with all its tags and versions).",
        "dorvex|osm", "dorvex"));
    options.addOption(QCommandLineOption(
        "keep-route-roads", "Keep every way that a kept bus, trolleybus or tram route uses as a road, with all its "
                            "nodes, whatever its tags (service roads for buses, busways): in the dorvex format of "
                            "the class of its highway value, road where that has none. Overpass is asked for those "
                            "ways too."));
    options.addOption(QCommandLineOption(
        "check", "After writing, report to standard error what in the network would break a simulation run" + checkNote));
}

bool NetworkFileOptions::read(const CommandLine& commandLine, const QCommandLineParser& options)
{
    if (!NetworkFormats::fromName(options.value("format"), format)) {
        commandLine.usageError(QString("unknown --format \"%1\": dorvex or osm").arg(options.value("format")));
        return false;
    }
    output = options.value("output");
    overwrite = options.isSet("overwrite");
    check = options.isSet("check");
    keepRouteRoads = options.isSet("keep-route-roads");
    const QString problem = outputProblem(options.isSet("output"));
    if (!problem.isEmpty()) {
        commandLine.usageError(problem);
        return false;
    }
    return true;
}

QString NetworkFileOptions::outputProblem(bool outputGiven) const
{
    if (!outputGiven)
        return overwrite ? QStringLiteral("-O replaces the FILE of -o, and no -o is given") : QString();
    if (output.isEmpty())
        return QStringLiteral("-o needs a FILE name, not an empty one");
    const QFileInfo file(output);
    // Found now rather than after a whole download or extraction.
    if (!QFileInfo(file.path()).isDir())
        return QString("\"%1\": no folder \"%2\" to write it in").arg(output, file.path());
    if (file.isDir() && !file.isSymLink())
        return QString("\"%1\" is a folder").arg(output);
    if (NoClobberFile::isWrittenDirectly(output)) {
        // Reading it back would wait for a writer (a FIFO) or read nothing (/dev/null).
        if (check)
            return QString("--check reads the network file back, which \"%1\" (no regular file) cannot be")
                .arg(output);
        return QString();
    }
    if (!overwrite && (file.exists() || file.isSymLink()))
        return QString("\"%1\" exists; -O replaces it").arg(output);
    return QString();
}
