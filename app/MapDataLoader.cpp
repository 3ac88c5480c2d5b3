#include "app/MapDataLoader.h"

#include "download/PiecePlan.h"
#include "extraction/NetworkFileReader.h"
#include "extraction/OSMParser.h"
#include "mapview/ProblemLayer.h"
#include "mapview/RoadStyle.h"
#include "network/NetworkCheck.h"
#include "network/NetworkReport.h"
#include "network/OSMData.h"
#include "network/WrittenNetwork.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <array>

// The map's road styles are numbered like the network's road classes.
static_assert(Motorway == 0 && Road == RoadStyle::roadClasses - 1, "road class numbers differ from the map's styles");
// The map's problem colours are numbered like the check's kinds.
static_assert(Finding::kinds == ProblemLayer::kinds, "kinds of findings differ from the map's");

MapDataLoader::MapDataLoader(QObject* parent)
    : QObject(parent)
{
}

std::vector<PieceCell> MapDataLoader::pieceCells(const QString& folder, const QDateTime& now)
{
    std::vector<PieceCell> cells;
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files, QDir::NoSort);
    for (const QFileInfo& file : files) {
        QRect piece;
        if (!PiecePlan::fromFileName(file.fileName(), piece))
            continue;
        const std::array<double, 4> b = PiecePlan::bounds(piece);
        cells.emplace_back(b[0], b[1], b[2], b[3], PieceCell::ageOf(file.lastModified(), now));
    }
    return cells;
}

QString MapDataLoader::newestNetworkFile(const QString& folder)
{
    QFileInfo newest;
    const QFileInfoList files = QDir(folder).entryInfoList({QString("*.osm")}, QDir::Files, QDir::NoSort);
    for (const QFileInfo& file : files) {
        // Two runs in the same second: the later name wins.
        if (newest.filePath().isEmpty() || file.lastModified() > newest.lastModified()
            || (file.lastModified() == newest.lastModified() && file.fileName() > newest.fileName()))
            newest = file;
    }
    return newest.filePath().isEmpty() ? QString() : QDir(folder).filePath(newest.fileName());
}

NetworkPicture MapDataLoader::networkPicture(const QString& path)
{
    NetworkPicture picture;
    picture.fileName = path;
    OSMParser parser;
    OSMData data;
    parser.parseFile(path, data);

    picture.lines.reserve(data.getWays().size());
    for (const auto& way : data.getWays().ways()) {
        NetworkPicture::Line line;
        line.roadClass = way->getRoadClass();
        line.highway = way->getHighway();
        line.link = way->getLink();
        line.tram = way->getTram();
        line.points.reserve(way->nodes().size());
        for (const Node* node : way->nodes())
            line.points.emplace_back(node->getLat(), node->getLon());
        picture.lines.push_back(std::move(line));
    }
    for (const auto& stop : data.getBusStops().stops())
        picture.stops.push_back({GeoPoint(stop->getNode()->getLat(), stop->getNode()->getLon()), true, false});
    for (const auto& stop : data.getTramStops().stops())
        picture.stops.push_back({GeoPoint(stop->getNode()->getLat(), stop->getNode()->getLon()), false, true});
    for (const auto& node : data.getNodes().nodes())
        if (node->hasTrafficSignals())
            picture.trafficSignals.emplace_back(node->getLat(), node->getLon());
    return picture;
}

ProblemPicture MapDataLoader::problemPicture(const QString& path, const QRectF& runArea)
{
    ProblemPicture picture;
    picture.fileName = path;
    WrittenNetwork network;
    if (!NetworkFileReader::read(path, network, &picture.failure))
        return picture;
    // The file's own bounds first: they are the area it was made of. The compact format has
    // none; the run's selection stands in for them.
    if (!network.hasArea() && !runArea.isNull())
        network.setArea(runArea.left(), runArea.top() + runArea.height(), runArea.left() + runArea.width(),
                        runArea.top());
    const std::vector<Finding> findings = NetworkCheck::run(network);
    picture.problems = int(findings.size());
    for (int kind = 0; kind < Finding::kinds; ++kind)
        picture.kinds.push_back({QString(Finding::kindName(Finding::Kind(kind))), 0});
    for (const Finding& finding : findings) {
        ++picture.kinds[std::size_t(finding.kind)].count;
        if (!finding.hasPosition)
            continue;
        // The kind and what it means, then the finding by its ids, and whether it is at the edge.
        QString text = QString("%1: %2\n%3").arg(Finding::kindName(finding.kind), NetworkReport::meaning(finding.kind),
                                                NetworkReport::describe(finding));
        if (finding.edge)
            text += "\nat the edge of the area";
        picture.markers.push_back({GeoPoint(finding.lat, finding.lon), int(finding.kind), text});
    }
    return picture;
}

void MapDataLoader::scanPieces()
{
    Q_EMIT piecesScanned(pieceCells(PiecePlan::downloadDir, QDateTime::currentDateTime()));
}

void MapDataLoader::loadNetwork()
{
    const QString path = newestNetworkFile(OSMParser::outputDir);
    Q_EMIT networkLoaded(path.isEmpty() ? NetworkPicture() : networkPicture(path));
}

void MapDataLoader::checkNetwork(const QRectF& runArea)
{
    const QString path = newestNetworkFile(OSMParser::outputDir);
    Q_EMIT networkChecked(path.isEmpty() ? ProblemPicture() : problemPicture(path, runArea));
}
