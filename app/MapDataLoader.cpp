#include "app/MapDataLoader.h"

#include "common/BoundingBox.h"
#include "download/PiecePlan.h"
#include "extraction/NetworkFileReader.h"
#include "extraction/OSMParser.h"
#include "mapview/ProblemLayer.h"
#include "mapview/RoadStyle.h"
#include "network/NetworkCheck.h"
#include "network/NetworkReport.h"
#include "network/RoadClass.h"
#include "network/WrittenNetwork.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

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
        cells.emplace_back(PiecePlan::toBox(piece), PieceCell::ageOf(file.lastModified(), now));
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
    WrittenNetwork network;
    // What could be read before a fault is shown; the problems view tells the fault.
    NetworkFileReader::read(path, network);

    picture.lines.reserve(network.ways().size());
    for (const WrittenNetwork::Way& way : network.ways()) {
        // As the network takes it: two node references at least.
        if (way.refCount < 2)
            continue;
        NetworkPicture::Line line;
        line.roadClass = way.roadClass;
        line.highway = way.road;
        line.link = way.link;
        line.tram = way.tram;
        line.points.reserve(way.refCount);
        for (std::size_t i = way.firstRef; i < way.firstRef + way.refCount; ++i) {
            const qint64 node = network.nodeIndex(network.nodeRefs()[i]);
            if (node >= 0)
                line.points.emplace_back(network.lat(std::size_t(node)), network.lon(std::size_t(node)));
        }
        picture.lines.push_back(std::move(line));
    }
    // Bus stops before tram stops, as the network file lists them.
    for (const unsigned kind : {unsigned(WrittenNetwork::BusStop), unsigned(WrittenNetwork::TramStop)})
        for (std::size_t node = 0; node < network.nodeCount(); ++node)
            if (network.tags(node) & kind)
                picture.stops.push_back({GeoPoint(network.lat(node), network.lon(node)), kind == WrittenNetwork::BusStop,
                                         kind == WrittenNetwork::TramStop});
    for (std::size_t node = 0; node < network.nodeCount(); ++node)
        if (network.tags(node) & WrittenNetwork::TrafficSignals)
            picture.trafficSignals.emplace_back(network.lat(node), network.lon(node));
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
    if (!network.hasArea() && !runArea.isNull()) {
        const BoundingBox area = BoundingBox::fromArea(runArea);
        network.setArea(area.west(), area.south(), area.east(), area.north());
    }
    const std::vector<Finding> findings = NetworkReport::inReportOrder(NetworkCheck::run(network));
    for (int kind = 0; kind < Finding::kinds; ++kind)
        picture.kinds.push_back({QString(Finding::kindName(Finding::Kind(kind))), 0});
    // In the order of the report, each with the words the report has for it.
    for (const Finding& finding : findings) {
        ++picture.kinds[std::size_t(finding.kind)].count;
        ProblemPicture::Problem problem;
        problem.kind = int(finding.kind);
        problem.route = routeWords(finding);
        problem.finding = NetworkReport::describe(finding);
        // The kind and what it means, then the finding by its ids, and whether it is at the edge.
        problem.text = QString("%1: %2\n%3").arg(Finding::kindName(finding.kind), NetworkReport::meaning(finding.kind),
                                                 NetworkReport::describe(finding));
        if (finding.edge)
            problem.text += "\nat the edge of the area";
        problem.hasPosition = finding.hasPosition;
        problem.position = GeoPoint(finding.lat, finding.lon);
        problem.edge = finding.edge;
        picture.problems.push_back(problem);
    }
    return picture;
}

QString MapDataLoader::routeWords(const Finding& finding)
{
    const QString gap = finding.ref.isEmpty() || finding.name.isEmpty() ? QString() : QString(" ");
    return finding.ref + gap + finding.name;
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
