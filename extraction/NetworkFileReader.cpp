#include "extraction/NetworkFileReader.h"

#include "common/BoundingBox.h"
#include "extraction/InputCopy.h"
#include "extraction/NetworkKeepRules.h"
#include "extraction/OSMHandler.h"
#include "extraction/OSMXmlFile.h"
#include "extraction/OsmiumReader.h"
#include "network/WrittenNetwork.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <string>
#include <vector>

// libosmium parses the XML with expat in a thread of its own, about twice as fast as
// QXmlStreamReader takes a network file; the objects come here in file order.

namespace {

class NetworkFileHandler : public OSMHandler
{
public:
    explicit NetworkFileHandler(WrittenNetwork& network)
        : network(network)
    {
    }

protected:
    void node(const OSMEntity& node) override
    {
        const NetworkKeepRules::NodeRole role = NetworkKeepRules::node(node);
        const unsigned tags = (role.busStop ? WrittenNetwork::BusStop : 0) | (role.tramStop ? WrittenNetwork::TramStop : 0)
            | (role.trafficSignals ? WrittenNetwork::TrafficSignals : 0);
        network.addNode(node.id, node.lat, node.lon, tags);
    }

    void way(const OSMEntity& way) override
    {
        const NetworkKeepRules::WayRole role = NetworkKeepRules::way(way);
        if (role.isRoadOrTramTrack()) {
            network.addWay(way.id, role.highway, role.tram, role.oneway, role.link, role.roadClass, way.refs);
        } else if (NetworkKeepRules::isPlatformWay(way)) {
            // A platform of a route, which no route runs on: the raw data of a network holds them.
            platforms.push_back(way.id);
            platformsSorted = false;
        } else if (way.refs.size() >= 2) {
            // A road only if a route uses it, which the routes after the ways tell. A network
            // file holds no other ways; what the file's own routes use is all this holds then.
            const NetworkKeepRules::WayRole road = NetworkKeepRules::routeRoad(way);
            heldBack.push_back({way.id, road.oneway, road.roadClass, heldRefs.size(), way.refs.size()});
            heldRefs.insert(heldRefs.end(), way.refs.begin(), way.refs.end());
        }
    }

    void relation(const OSMEntity& relation) override
    {
        const NetworkKeepRules::RouteRole role = NetworkKeepRules::route(relation);
        if (!role.kept)
            return;
        members.clear();
        if (!platformsSorted) {
            std::sort(platforms.begin(), platforms.end());
            platformsSorted = true;
        }
        for (const OSMEntity::Member& member : relation.members()) {
            // A route's platforms are no part of it, in the osm format by their role and where the
            // file holds them (its raw data) by their tags; the compact format names a platform
            // member with an empty role, as a way that the network lacks.
            if (member.type == OSMEntity::WayMember
                && (NetworkKeepRules::isPlatformMember(relation, member)
                    || std::binary_search(platforms.begin(), platforms.end(), member.ref)))
                continue;
            if (member.type == OSMEntity::WayMember)
                members.push_back({member.ref, true});
            else if (member.type == OSMEntity::NodeMember)
                members.push_back({member.ref, false});
        }
        network.addRoute(relation.id, std::string(role.route), std::string(role.name), std::string(role.ref),
                         members);
    }

public:
    // Takes the ways held back that a route of the file uses, as roads: the network file of a
    // run that kept the roads of routes holds them with their own tags.
    void finish()
    {
        std::vector<qint64> routeWays;
        for (const WrittenNetwork::Member& member : network.members())
            if (member.way)
                routeWays.push_back(member.ref);
        std::sort(routeWays.begin(), routeWays.end());
        std::vector<qint64> refs;
        for (const HeldWay& way : heldBack) {
            if (!std::binary_search(routeWays.begin(), routeWays.end(), way.id))
                continue;
            refs.assign(heldRefs.begin() + std::ptrdiff_t(way.firstRef),
                        heldRefs.begin() + std::ptrdiff_t(way.firstRef + way.refCount));
            network.addWay(way.id, true, false, way.oneway, false, way.roadClass, refs);
        }
    }

private:
    struct HeldWay
    {
        qint64 id;
        bool oneway;
        int roadClass;
        std::size_t firstRef; // into heldRefs
        std::size_t refCount;
    };

    WrittenNetwork& network;
    std::vector<WrittenNetwork::Member> members;
    std::vector<HeldWay> heldBack; // ways that are no road or tram track, in file order
    std::vector<qint64> platforms; // ways tagged as platforms, sorted when a relation needs them
    bool platformsSorted = true;
    std::vector<qint64> heldRefs;
};

// Whether the file has an `action` attribute anywhere, as an editor such as JOSM writes for the
// objects it changed or deleted. libosmium does not read that attribute; a plain search of the
// bytes costs a small part of parsing them.
bool marksEdits(QFile& file)
{
    static const QByteArray attribute(" action=");
    QByteArray block;
    QByteArray carried;
    while (!file.atEnd()) {
        block = carried + file.read(1 << 20);
        if (block.size() == carried.size())
            break;
        if (block.indexOf(attribute) >= 0)
            return true;
        carried = block.right(attribute.size() - 1);
    }
    return false;
}

// A file with edits marked, read with the XML reader, which sees them; its <bounds> are taken
// from libosmium's reading of the header alone.
bool readEdited(const QString& path, OSMHandler& handler, WrittenNetwork& network, QString* error,
                CurrentObjects::Content* content)
{
    QString text;
    if (OSMXmlFile::read(path, OSMFileFormat::Xml, handler, false, false, nullptr, &text, content) != OSMXmlFile::Read) {
        if (error)
            *error = text.isEmpty() ? QString("cannot be opened") : text;
        return false;
    }
    OSMHandler none;
    OsmiumReader::Options header;
    header.kinds = 0;
    header.bounds = [&network](const BoundingBox& box) {
        network.setArea(box.west(), box.south(), box.east(), box.north());
    };
    OsmiumReader::read(path, OSMFileFormat::Xml, none, header);
    return true;
}

} // namespace

bool NetworkFileReader::read(const QString& path, WrittenNetwork& network, QString* error,
                             CurrentObjects::Content* content)
{
    // The standard input, a FIFO or a process substitution is copied first, so that its first
    // bytes can tell its format before libosmium reads it.
    InputCopy copy;
    QString file = path;
    if (InputCopy::isNeeded(path)) {
        QString why;
        if (!copy.make(path, QDir::tempPath(), why)) {
            if (error)
                *error = why;
            return false;
        }
        file = copy.path();
    }
    // Opened here first, so that a missing or unreadable file is told in the system's words.
    QFile probe(file);
    if (!probe.open(QIODevice::ReadOnly)) {
        if (error)
            *error = probe.errorString();
        return false;
    }
    const OSMFileFormat::Kind format = OSMFileFormat::of(file);
    // Only plain XML can mark edits; a search of compressed bytes would find nothing sure.
    const bool edited = format == OSMFileFormat::Xml && marksEdits(probe);
    probe.close();
    NetworkFileHandler handler(network);
    if (edited) {
        if (!readEdited(file, handler, network, error, content))
            return false;
        handler.finish();
        return true;
    }
    OsmiumReader::Options options;
    // The <bounds> of the file, which the osm format writes for a download or a clip: the area
    // of the network, against which the check tells findings at its edge.
    options.bounds = [&network](const BoundingBox& box) {
        network.setArea(box.west(), box.south(), box.east(), box.north());
    };
    // A refused file is told by its reason, as the reasons of other unreadable files are.
    QString refusal;
    options.done = [content, &refusal](const CurrentObjects& stage) {
        if (content)
            *content = stage.content();
        refusal = stage.reason();
    };
    const bool read = OsmiumReader::read(file, format, handler, options, error);
    if (!refusal.isEmpty() && error)
        *error = refusal;
    if (!read)
        return false;
    handler.finish();
    return true;
}
