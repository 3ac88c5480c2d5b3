#include "extraction/NetworkFileReader.h"

#include "common/BoundingBox.h"
#include "extraction/NetworkKeepRules.h"
#include "extraction/OSMHandler.h"
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

} // namespace

bool NetworkFileReader::read(const QString& path, WrittenNetwork& network, QString* error)
{
    // Opened here first, so that a missing or unreadable file is told in the system's words.
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly)) {
        if (error)
            *error = probe.errorString();
        return false;
    }
    probe.close();
    NetworkFileHandler handler(network);
    OsmiumReader::Options options;
    // The <bounds> of the file, which the osm format writes for a download or a clip: the area
    // of the network, against which the check tells findings at its edge.
    options.bounds = [&network](const BoundingBox& box) {
        network.setArea(box.west(), box.south(), box.east(), box.north());
    };
    return OsmiumReader::read(path, OSMFileFormat::Xml, handler, options, error);
}
