// Writing the network file of the parser: its name, the simulator's file and the osm format.
#include "extraction/OSMParser.h"

#include "common/DataFolders.h"
#include "extraction/KeptObjects.h"
#include "extraction/RouteRoads.h"
#include "extraction/NetworkFileWriter.h"
#include "extraction/NoClobberFile.h"
#include "extraction/OSMFileReader.h"
#include "extraction/OSMXmlWriter.h"
#include "extraction/OsmiumNetworkWriter.h"
#include "extraction/StandardNetworkWriter.h"
#include "network/OSMData.h"

#include <QDateTime>
#include <iostream>

void OSMParser::setOutputPath(const QString& path, bool overwrite, OSMFileFormat::Kind kind)
{
    outputPath = path;
    overwriteOutput = overwrite;
    outputKind = kind;
}

QString OSMParser::outputFileName()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    const QChar zero('0');
    return QString("%1-%2-%3_%4-%5-%6")
        .arg(date.year())
        .arg(date.month(), 2, 10, zero)
        .arg(date.day(), 2, 10, zero)
        .arg(time.hour(), 2, 10, zero)
        .arg(time.minute(), 2, 10, zero)
        .arg(time.second(), 2, 10, zero);
}

void OSMParser::writeOutputFile(OSMData& data, Coverage coverage, NetworkFormat format)
{
    writtenPath.clear();
    // Only the last folder level is created; a failure shows when the file is opened.
    if (outputPath.isEmpty())
        DataFolders::make(outputDir);
    // A network file of the same second (a run just before, another program) keeps its name:
    // this one takes the next free one. A name the user gave stays as given.
    NoClobberFile file = outputPath.isEmpty()
        ? NoClobberFile(outputDir, outputFileName(), coverage == Coverage::Incomplete ? "-incomplete.osm" : ".osm")
        : NoClobberFile(outputPath, overwriteOutput ? NoClobberFile::Clash::Replace : NoClobberFile::Clash::Refuse);
    const QString path = file.filePath();
    Q_EMIT message(QString("Creating output file: \"%1\"... ").arg(path));

    // The file appears under its name only when completely written, so a failed write never
    // leaves a truncated network file.
    if (!file.open()) {
        Q_EMIT message(QString("Could not open \"%1\" for writting!\n").arg(path));
        return;
    }
    if (!writeDocument(file, data, format))
        file.cancelWriting();
    if (!file.commit()) {
        Q_EMIT message(QString("Error while writing to file: %1\n").arg(path));
        return;
    }
    if (file.filePath() != path)
        Q_EMIT message(QString("(written as \"%1\": another file took the name meanwhile) ").arg(file.filePath()));
    writtenPath = file.filePath();

    Q_EMIT message(QString("OK\n    Node count: %1\n    Bus stop count: %2\n    Tram stop count: %3\n"
                           "    Way count: %4\n    Route count: %5\n")
                       .arg(data.getNodes().size())
                       .arg(data.getBusStops().size())
                       .arg(data.getTramStops().size())
                       .arg(data.getWays().size())
                       .arg(data.getRelations().size()));
    if (routeRoads)
        Q_EMIT message(QString("    Ways kept as roads that routes use: %1\n").arg(routeRoads->addedCount()));
    if (format == NetworkFormat::Osm)
        Q_EMIT message(QString("    Format: OpenStreetMap %1 for other tools, sorted by type and id\n")
                           .arg(outputKind == OSMFileFormat::Pbf  ? "PBF"
                                    : outputKind == OSMFileFormat::GzipXml ? "XML (gzip)"
                                    : outputKind == OSMFileFormat::Bzip2Xml ? "XML (bzip2)"
                                                                             : "XML"));
    Q_EMIT processingDone();
}

bool OSMParser::writeDocument(NoClobberFile& file, OSMData& data, NetworkFormat format)
{
    if (format == NetworkFormat::Dorvex) {
        OSMXmlWriter writer(file.device());
        NetworkFileWriter::writeDocument(writer, data);
        writer.flush();
        return !writer.hasError();
    }
    // What was collected while reading, else a second reading of the inputs; that reading
    // also finds what the collection lacks.
    std::unique_ptr<KeptObjects> chosen = std::move(collected);
    if (chosen)
        chosen->choose(data);
    else
        chosen.reset(new KeptObjects(data, routeRoads.get()));
    KeptObjects& objects = *chosen;
    std::size_t missing = objects.missingCount();
    if (missing > 0) {
        for (const QString& path : parsedPaths)
            OSMFileReader::copy(path, objects, inputFormat);
        missing = objects.missingCount();
    }
    objects.arrange();
    // Only a file that changed or went away since it was read leaves objects behind.
    if (missing > 0)
        std::cerr << "OSMParser: " << missing
                  << " objects of the network were not found again in its input files; the file lacks them"
                  << std::endl;
    // The run's own area (a download's, --bbox), else the one all its inputs name together.
    const BoundingBox* area = bounded                                         ? &bounds
        : inputsRead > 0 && inputsBounded == inputsRead ? &inputBounds
                                                                            : nullptr;
    if (outputKind == OSMFileFormat::Xml) {
        OSMXmlWriter writer(file.device());
        StandardNetworkWriter::writeDocument(writer, objects, area);
        writer.flush();
        return !writer.hasError();
    }
    QString error;
    if (OsmiumNetworkWriter::write(file.writePath(), outputKind, objects, area, error))
        return true;
    std::cerr << "OSMParser: " << error.toStdString() << std::endl;
    return false;
}

void OSMParser::writeNodes(OSMXmlWriter& writer, OSMData& data)
{
    NetworkFileWriter::writeNodes(writer, data);
}

void OSMParser::writeWays(OSMXmlWriter& writer, OSMData& data)
{
    NetworkFileWriter::writeWays(writer, data);
}

void OSMParser::writeRelations(OSMXmlWriter& writer, OSMData& data)
{
    NetworkFileWriter::writeRelations(writer, data);
}
