#include "tools/NetworkFileOptions.h"

#include "tools/CommandLine.h"

#include "extraction/NoClobberFile.h"

#include <QCommandLineParser>
#include <QFileInfo>

void NetworkFileOptions::add(QCommandLineParser& options, const QString& checkNote)
{
    options.addOption(QCommandLineOption(
        {"o", "output"}, "Write the network file to FILE (complete or not at all) in a folder that exists; - is "
                         "the standard output (the log then goes to standard error). An existing file is refused "
                         "unless -O is given; a FIFO or a device (/dev/null) is written into as it is. The name "
                         "tells the kind of file as osmium's do: .osm.pbf PBF, .osm.gz and .osm.bz2 compressed "
                         "XML, anything else plain XML.",
        "FILE"));
    options.addOption(QCommandLineOption({"O", "overwrite"},
                                         "Replace the FILE of -o if it is an existing file; a symbolic link stays, "
                                         "and the file it points to is replaced."));
    options.addOption(QCommandLineOption(
        {"f", "output-format"}, "The kind of file of --format osm, whatever the name of -o says: osm, pbf, osm.gz "
                                "or osm.bz2 (needed for the binary kinds on the standard output). The simulator's "
                                "file is plain XML only.",
        "KIND"));
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
    QString problem = kindProblem(options);
    if (problem.isEmpty())
        problem = outputProblem(options.isSet("output"));
    if (!problem.isEmpty()) {
        commandLine.usageError(problem);
        return false;
    }
    return true;
}

namespace {

QString kindText(OSMFileFormat::Kind kind)
{
    switch (kind) {
    case OSMFileFormat::Pbf:
        return QStringLiteral("a PBF file");
    case OSMFileFormat::GzipXml:
        return QStringLiteral("gzip-compressed XML");
    case OSMFileFormat::Bzip2Xml:
        return QStringLiteral("bzip2-compressed XML");
    default:
        break;
    }
    return QStringLiteral("plain XML");
}

} // namespace

QString NetworkFileOptions::kindProblem(const QCommandLineParser& options)
{
    const bool given = options.isSet("output-format");
    if (given) {
        kind = OSMFileFormat::fromOptionName(options.value("output-format"));
        if (kind == OSMFileFormat::Unknown)
            return QString("unknown --output-format \"%1\": osm, pbf, osm.gz or osm.bz2")
                .arg(options.value("output-format"));
    } else {
        // The standard output has no name to tell a kind by.
        kind = output.isEmpty() || toStandardOutput() ? OSMFileFormat::Xml : OSMFileFormat::fromName(output);
    }
    if (format != NetworkFormat::Dorvex || kind == OSMFileFormat::Xml)
        return QString();
    if (given)
        return QString("-f %1 is for --format osm: the simulator's network file is plain OSM XML")
            .arg(options.value("output-format"));
    return QString("\"%1\" names %2: the simulator's network file is plain OSM XML (the other kinds "
                   "are for --format osm)")
        .arg(output, kindText(kind));
}

QString NetworkFileOptions::outputProblem(bool outputGiven) const
{
    if (!outputGiven)
        return overwrite ? QStringLiteral("-O replaces the FILE of -o, and no -o is given") : QString();
    if (output.isEmpty())
        return QStringLiteral("-o needs a FILE name, not an empty one");
    if (toStandardOutput())
        return check ? QStringLiteral("--check reads the network file back, which the standard output (-) cannot be")
                     : QString();
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
