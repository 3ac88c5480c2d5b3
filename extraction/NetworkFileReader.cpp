#include "extraction/NetworkFileReader.h"

#include "extraction/NetworkKeepRules.h"
#include "network/WrittenNetwork.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <exception>
#include <vector>

#include <osmium/io/header.hpp>
#include <osmium/io/reader.hpp>
#include <osmium/io/xml_input.hpp>
#include <osmium/osm/box.hpp>
#include <osmium/osm/node.hpp>
#include <osmium/osm/relation.hpp>
#include <osmium/osm/way.hpp>

// libosmium parses the XML with expat in a thread of its own, about twice as fast as
// QXmlStreamReader takes a network file; the objects come here in file order.

namespace {

void readNode(const osmium::Node& node, WrittenNetwork& network)
{
    // A node without a position is no point of the network.
    const osmium::Location location = node.location();
    if (location.valid())
        network.addNode(node.id(), location.lat(), location.lon());
}

void readWay(const osmium::Way& way, WrittenNetwork& network, std::vector<qint64>& nodeIds)
{
    NetworkKeepRules::WayValues values;
    for (const osmium::Tag& tag : way.tags())
        values.tag(tag.key(), tag.value());
    if (!values.isRoadOrTramTrack())
        return;
    nodeIds.clear();
    for (const osmium::NodeRef& ref : way.nodes())
        nodeIds.push_back(ref.ref());
    network.addWay(way.id(), values.highway, values.tram, values.oneway, nodeIds);
}

void readRelation(const osmium::Relation& relation, WrittenNetwork& network,
                  std::vector<WrittenNetwork::Member>& members)
{
    NetworkKeepRules::RouteValues values;
    for (const osmium::Tag& tag : relation.tags())
        if (!values.tag(tag.key(), tag.value()))
            return;
    if (!values.isKept())
        return;
    members.clear();
    for (const osmium::RelationMember& member : relation.members()) {
        if (member.type() == osmium::item_type::way)
            members.push_back({member.ref(), true});
        else if (member.type() == osmium::item_type::node)
            members.push_back({member.ref(), false});
    }
    network.addRoute(relation.id(), std::move(values.route), std::move(values.name), std::move(values.ref), members);
}

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
    std::vector<qint64> nodeIds;
    std::vector<WrittenNetwork::Member> members;
    try {
        // An absolute path: libosmium would hand a name that looks like a URL to curl.
        const osmium::io::File file(QFile::encodeName(QFileInfo(path).absoluteFilePath()).toStdString(), "osm");
        osmium::io::Reader reader(file, osmium::osm_entity_bits::nwr, osmium::io::read_meta::no);
        while (osmium::memory::Buffer buffer = reader.read()) {
            for (const osmium::OSMEntity& entity : buffer) {
                if (entity.type() == osmium::item_type::node)
                    readNode(static_cast<const osmium::Node&>(entity), network);
                else if (entity.type() == osmium::item_type::way)
                    readWay(static_cast<const osmium::Way&>(entity), network, nodeIds);
                else if (entity.type() == osmium::item_type::relation)
                    readRelation(static_cast<const osmium::Relation&>(entity), network, members);
            }
        }
        // The <bounds> of the file, which the osm format writes for a download or a clip: the
        // area of the network, against which the check tells findings at its edge.
        const osmium::Box bounds = reader.header().joined_boxes();
        if (bounds.valid())
            network.setArea(bounds.bottom_left().lon(), bounds.bottom_left().lat(), bounds.top_right().lon(),
                            bounds.top_right().lat());
        reader.close();
    } catch (const std::exception& e) {
        if (error)
            *error = QString::fromUtf8(e.what());
        return false;
    }
    return true;
}
