#include "extraction/OSMParser.h"

#include "common/DataFolders.h"

#include "extraction/InputCopy.h"
#include "extraction/KeptObjects.h"
#include "extraction/OSMFileReader.h"
#include "extraction/NetworkKeeper.h"
#include "extraction/OSMXmlReader.h"
#include "extraction/ReadProgress.h"
#include "extraction/RouteRoads.h"
#include "network/OSMData.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

const QString OSMParser::outputDir = DataFolders::networks();

OSMParser::OSMParser(QObject* parent)
    : QObject(parent)
{
}

OSMParser::~OSMParser() = default;

void OSMParser::keepRouteRoads()
{
    if (!routeRoads)
        routeRoads.reset(new RouteRoads);
}

void OSMParser::prepareFor(NetworkFormat format)
{
    if (format == NetworkFormat::Osm)
        collected.reset(new KeptObjects);
    else
        collected.reset();
}

void OSMParser::copyUnrepeatableInputs(const QString& folder, bool readAgain)
{
    copyFolder = folder;
    copiesReadAgain = readAgain;
}

bool OSMParser::readablePath(const QString& filePath, QString& path, QString& failure)
{
    path = filePath;
    const bool readTwice = clipped || routeRoads || copiesReadAgain || inputFormat == OSMFileFormat::Unknown
        || inputFormat == OSMFileFormat::Pbf;
    if (copyFolder.isEmpty() || !readTwice || !InputCopy::isNeeded(filePath))
        return true;
    std::unique_ptr<InputCopy> copy(new InputCopy);
    if (!copy->make(filePath, copyFolder, failure))
        return false;
    path = copy->path();
    copies.push_back(std::move(copy));
    return true;
}

void OSMParser::clipTo(const BoundingBox& box)
{
    clipped = true;
    clipBox = box;
    setBounds(box);
}

void OSMParser::setBounds(const BoundingBox& box)
{
    bounded = true;
    bounds = box;
}

bool OSMParser::parseFiles(std::vector<QString> filesPaths, OSMData& data, std::vector<QString>* unread)
{
    bool whole = true;
    for (const QString& path : filesPaths) {
        const bool read = parseFile(path, data);
        if (!read && unread)
            unread->push_back(path);
        whole = read && whole;
    }
    return whole;
}

bool OSMParser::parseFile(const QString& filePath, OSMData& data, QString* failure)
{
    Q_EMIT message(QString("Processing file: \"%1\"...").arg(filePath));
    QString error;
    QString path;
    if (!readablePath(filePath, path, error)) {
        Q_EMIT message(" opening failed!\n");
        if (failure)
            *failure = error;
        return false;
    }
    ReadProgress progress(inputBytes(path) / passes(), passes(),
                          [this](qint64 done, qint64 total) { Q_EMIT bytesRead(done, total); });
    bool named = false;
    const auto namedBounds = [this, &named](const BoundingBox& box) {
        inputBounds = inputsBounded == 0 && !named ? box
                                                   : BoundingBox(std::min(inputBounds.west(), box.west()),
                                                                 std::min(inputBounds.south(), box.south()),
                                                                 std::max(inputBounds.east(), box.east()),
                                                                 std::max(inputBounds.north(), box.north()));
        if (!named)
            ++inputsBounded;
        named = true;
    };
    CurrentObjects::Content content = CurrentObjects::Content::Data;
    OSMFileReader::Extras extras;
    extras.content = &content;
    extras.routeRoads = routeRoads.get();
    extras.bounds = namedBounds;
    extras.collector = collected.get();
    const OSMFileReader::Outcome outcome
        = OSMFileReader::read(path, data, clipped ? &clipBox : nullptr, &error, inputFormat, &progress, extras);
    progress.finish();
    if (outcome == OSMFileReader::Outcome::NotOpened) {
        Q_EMIT message(" opening failed!\n");
        if (failure)
            *failure = QFileInfo(filePath).isDir() ? "a folder, not a file" : "cannot be opened";
        return false;
    }
    parsedPaths.push_back(path);
    ++inputsRead;
    // Everything read before an error stays.
    if (outcome == OSMFileReader::Outcome::Broken) {
        Q_EMIT message(QString("%1\n").arg(error));
        if (failure)
            *failure = error;
    }
    const std::size_t nodes = data.getNodes().size();
    data.removeUnusedNodes();
    // The records of the nodes are looked over only when the file left nodes out (a PBF whose
    // nodes were chosen by its ways first leaves none).
    if (collected && data.getNodes().size() != nodes)
        collected->fileRead(data);
    Q_EMIT message(" OK\n");
    // A history file, or one of changesets alone, says so on a line of its own.
    if (content != CurrentObjects::Content::Data)
        Q_EMIT message(CurrentObjects::note(content));
    return outcome == OSMFileReader::Outcome::Read;
}

qint64 OSMParser::inputBytes(const QString& path) const
{
    const QFileInfo info(path);
    qint64 bytes = 0;
    if (info.isDir()) {
        for (const QFileInfo& entry : QDir(path).entryInfoList({QString("*.osm")}))
            bytes += entry.isFile() ? entry.size() : 0;
    } else if (info.isFile()) {
        bytes = info.size();
    }
    return passes() * bytes;
}

bool OSMParser::parseDir(const QString& dirPath, OSMData& data, QStringList* failures)
{
    Q_EMIT message(QString("Parsing Dir \"%1\"...\n").arg(dirPath));
    const QStringList nameFilters(QString("*.%1").arg("osm"));
    // The folder's defaults apply: all entries, by name, ignoring case.
    const QStringList entries = QDir(dirPath).entryList(nameFilters);
    int read = 0;
    for (const QString& entry : entries) {
        const QString path = QString("%1/%2").arg(dirPath, entry);
        QString failure;
        if (parseFile(path, data, &failure))
            ++read;
        else if (failures)
            *failures << QString("\"%1\": %2").arg(path, failure);
    }
    Q_EMIT message(QString("Dir parse done!\n    Way count: %1\n    Node count: %2\n    Bus stop count: %3\n"
                           "    Tram stop count: %4\n    Route count: %5\n")
                       .arg(data.getWays().size())
                       .arg(data.getNodes().size())
                       .arg(data.getBusStops().size())
                       .arg(data.getTramStops().size())
                       .arg(data.getRelations().size()));
    if (entries.isEmpty() && failures)
        *failures << QString("\"%1\": no .osm file in the folder").arg(dirPath);
    return !entries.isEmpty() && read == entries.size();
}

void OSMParser::readNode(QXmlStreamReader& reader, OSMData& data)
{
    OSMEntity node;
    if (OSMXmlReader(reader, true).readNode(node))
        NetworkKeeper(data).handle(node);
}

void OSMParser::readWay(QXmlStreamReader& reader, OSMData& data)
{
    OSMEntity way;
    if (OSMXmlReader(reader, true).readWay(way))
        NetworkKeeper(data).handle(way);
}

void OSMParser::readRelation(QXmlStreamReader& reader, OSMData& data)
{
    OSMEntity relation;
    if (OSMXmlReader(reader, true).readRelation(relation))
        NetworkKeeper(data).handle(relation);
}
