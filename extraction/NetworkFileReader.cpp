#include "extraction/NetworkFileReader.h"

#include "common/BoundingBox.h"
#include "extraction/NetworkKeepRules.h"
#include "extraction/OSMHandler.h"
#include "extraction/OSMXmlFile.h"
#include "extraction/OsmiumReader.h"
#include "network/WrittenNetwork.h"

#include <QFile>
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
        if (role.isRoadOrTramTrack())
            network.addWay(way.id, role.highway, role.tram, role.oneway, role.link, role.roadClass, way.refs);
    }

    void relation(const OSMEntity& relation) override
    {
        const NetworkKeepRules::RouteRole role = NetworkKeepRules::route(relation);
        if (!role.kept)
            return;
        members.clear();
        for (const OSMEntity::Member& member : relation.members()) {
            if (member.type == OSMEntity::WayMember)
                members.push_back({member.ref, true});
            else if (member.type == OSMEntity::NodeMember)
                members.push_back({member.ref, false});
        }
        network.addRoute(relation.id, std::string(role.route), std::string(role.name), std::string(role.ref),
                         members);
    }

private:
    WrittenNetwork& network;
    std::vector<WrittenNetwork::Member> members;
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
    // Opened here first, so that a missing or unreadable file is told in the system's words.
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly)) {
        if (error)
            *error = probe.errorString();
        return false;
    }
    const bool edited = marksEdits(probe);
    probe.close();
    NetworkFileHandler handler(network);
    if (edited)
        return readEdited(path, handler, network, error, content);
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
    const bool read = OsmiumReader::read(path, OSMFileFormat::Xml, handler, options, error);
    if (!refusal.isEmpty() && error)
        *error = refusal;
    return read;
}
