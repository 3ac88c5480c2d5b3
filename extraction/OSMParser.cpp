#include "extraction/OSMParser.h"

#include "extraction/Bzip2Device.h"
#include "extraction/ClipSelection.h"
#include "extraction/GzipDevice.h"
#include "extraction/NetworkFileWriter.h"
#include "extraction/OSMPbfReader.h"
#include "extraction/OSMXmlAttributes.h"
#include "extraction/OSMXmlClipScan.h"
#include "extraction/OSMXmlReaders.h"
#include "extraction/OSMXmlWriter.h"
#include "network/OSMData.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <memory>

namespace {

enum Format { Xml, GzipXml, Bzip2Xml, Pbf };

Format formatOf(const QString& path)
{
    if (path.endsWith(QLatin1String(".pbf"), Qt::CaseInsensitive))
        return Pbf;
    if (path.endsWith(QLatin1String(".gz"), Qt::CaseInsensitive))
        return GzipXml;
    if (path.endsWith(QLatin1String(".bz2"), Qt::CaseInsensitive))
        return Bzip2Xml;
    return Xml;
}

// The XML of the file, decompressed where its name says so; null when it cannot be
// opened (or is not compressed as its name says). Without `diagnostics` damaged
// compressed data is not reported: the first pass of a clipped file leaves that to
// the second.
std::unique_ptr<QIODevice> openXml(const QString& path, Format format, bool diagnostics)
{
    std::unique_ptr<QIODevice> device;
    if (format == GzipXml || format == Bzip2Xml) {
        CompressedFileDevice* compressed = nullptr;
        if (format == GzipXml)
            compressed = new GzipDevice(path);
        else
            compressed = new Bzip2Device(path);
        compressed->setDiagnostics(diagnostics);
        device.reset(compressed);
    } else {
        device.reset(new QFile(path));
    }
    device->open(QIODevice::ReadOnly | QIODevice::Text);
    if (!device->isOpen())
        device.reset();
    return device;
}

void prepare(QXmlStreamReader& reader)
{
    // OpenStreetMap files declare no entities of their own. Qt limits what one entity
    // expands to, not how often it is referenced; letting none expand keeps a few
    // kilobytes of references from becoming gigabytes of text. Such a document stops
    // with the reader's entity-limit error.
    reader.setEntityExpansionLimit(0);
}

// Hands every node, way and relation element (with a selection, every kept one) to
// its reader, wherever it stands in the document. Returns the reader's error text.
QString readXml(QIODevice& device, OSMData& data, const ClipSelection* selection)
{
    QXmlStreamReader reader(&device);
    prepare(reader);
    while (!reader.atEnd() && !reader.hasError()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringRef name = reader.name();
        if (name == OSMXmlAttributes::nodeName) {
            if (!selection || OSMXmlClipScan::isSelected(reader, *selection))
                OSMXmlReaders::readNode(reader, data);
        } else if (name == OSMXmlAttributes::wayName) {
            if (!selection || OSMXmlClipScan::isSelected(reader, *selection))
                OSMXmlReaders::readWay(reader, data);
        } else if (name == OSMXmlAttributes::relationName) {
            if (!selection || OSMXmlClipScan::isSelected(reader, *selection))
                OSMXmlReaders::readRelation(reader, data);
        }
    }
    const QString error = reader.hasError() ? reader.errorString() : QString();
    reader.clear();
    device.close();
    return error;
}

// Reads one file into `data`, clipped to the box when there is one. False when the
// file cannot be opened; otherwise `error` holds the reader's error text, if any.
bool readInput(const QString& path, OSMData& data, const BoundingBox* clip, QString& error)
{
    const Format format = formatOf(path);
    std::unique_ptr<ClipSelection> selection;
    if (format == Pbf) {
        // Opened here first, so that what a plain file cannot be opened as (a missing
        // file, a folder) is reported the same way.
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        file.close();
        if (clip) {
            selection.reset(new ClipSelection(*clip));
            // A fault stops this pass where the second one stops too, and is
            // reported by it.
            OSMPbfReader::scan(path, *selection);
        }
        error = OSMPbfReader::read(path, data, selection.get());
        return true;
    }
    if (clip) {
        const std::unique_ptr<QIODevice> device = openXml(path, format, false);
        if (!device)
            return false;
        selection.reset(new ClipSelection(*clip));
        QXmlStreamReader reader(device.get());
        prepare(reader);
        OSMXmlClipScan::scan(reader, *selection);
    }
    const std::unique_ptr<QIODevice> device = openXml(path, format, true);
    if (!device)
        return false;
    error = readXml(*device, data, selection.get());
    return true;
}

} // namespace

const QString OSMParser::outputDir = QStringLiteral("./data/comp/");

OSMParser::OSMParser(QObject* parent)
    : QObject(parent)
{
}

void OSMParser::clipTo(const BoundingBox& box)
{
    clipped = true;
    clipBox = box;
}

void OSMParser::parseFiles(std::vector<QString> filesPaths, OSMData& data)
{
    for (const QString& path : filesPaths)
        parseFile(path, data);
}

void OSMParser::parseFile(const QString& filePath, OSMData& data)
{
    Q_EMIT message(QString("Processing file: \"%1\"...").arg(filePath));
    QString error;
    if (!readInput(filePath, data, clipped ? &clipBox : nullptr, error)) {
        Q_EMIT message(" opening failed!\n");
        return;
    }
    // Everything read before an error stays.
    if (!error.isEmpty())
        Q_EMIT message(QString("%1\n").arg(error));
    data.removeUnusedNodes();
    Q_EMIT message(" OK\n");
}

void OSMParser::parseDir(const QString& dirPath, OSMData& data)
{
    Q_EMIT message(QString("Parsing Dir \"%1\"...\n").arg(dirPath));
    const QStringList nameFilters(QString("*.%1").arg("osm"));
    // The folder's defaults apply: all entries, by name, ignoring case.
    const QStringList entries = QDir(dirPath).entryList(nameFilters);
    for (const QString& entry : entries)
        parseFile(QString("%1/%2").arg(dirPath, entry), data);
    Q_EMIT message(QString("Dir parse done!\n    Way count: %1\n    Node count: %2\n    Bus stop count: %3\n"
                           "    Tram stop count: %4\n    Route count: %5\n")
                       .arg(data.getWays().size())
                       .arg(data.getNodes().size())
                       .arg(data.getBusStops().size())
                       .arg(data.getTramStops().size())
                       .arg(data.getRelations().size()));
}

void OSMParser::readNode(QXmlStreamReader& reader, OSMData& data)
{
    OSMXmlReaders::readNode(reader, data);
}

void OSMParser::readWay(QXmlStreamReader& reader, OSMData& data)
{
    OSMXmlReaders::readWay(reader, data);
}

void OSMParser::readRelation(QXmlStreamReader& reader, OSMData& data)
{
    OSMXmlReaders::readRelation(reader, data);
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

void OSMParser::writeOutputFile(OSMData& data, Coverage coverage)
{
    writtenPath.clear();
    const QString fileName
        = QString("%1%2.osm").arg(outputFileName(), coverage == Coverage::Incomplete ? "-incomplete" : "");
    // Only the last folder level is created; a failure shows when the file is opened.
    if (!QDir(outputDir).exists())
        QDir().mkdir(outputDir);
    Q_EMIT message(QString("Creating output file: \"%1%2\"... ").arg(outputDir, fileName));
    const QString path = QString("%1%2").arg(outputDir, fileName);

    // The file appears under its name only when completely written, so a failed
    // write never replaces an earlier network file with a truncated one.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        Q_EMIT message(QString("Could not open \"%1\" for writting!\n").arg(path));
        return;
    }
    {
        OSMXmlWriter writer(&file);
        NetworkFileWriter::writeDocument(writer, data);
        if (writer.hasError())
            file.cancelWriting();
    }
    if (!file.commit()) {
        Q_EMIT message(QString("Error while writing to file: %1\n").arg(path));
        return;
    }
    writtenPath = path;

    Q_EMIT message(QString("OK\n    Node count: %1\n    Bus stop count: %2\n    Tram stop count: %3\n"
                           "    Way count: %4\n    Route count: %5\n")
                       .arg(data.getNodes().size())
                       .arg(data.getBusStops().size())
                       .arg(data.getTramStops().size())
                       .arg(data.getWays().size())
                       .arg(data.getRelations().size()));
    Q_EMIT processingDone();
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
