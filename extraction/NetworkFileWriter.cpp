#include "extraction/NetworkFileWriter.h"

#include "extraction/OSMXmlWriter.h"
#include "network/OSMData.h"
#include "network/RoadClass.h"

#include <QSet>
#include <iostream>
#include <string>

namespace {

void writeTag(OSMXmlWriter& writer, const char* k, const char* v)
{
    writer.writeEmptyElement("tag");
    writer.writeAttribute("k", k);
    writer.writeAttribute("v", v);
}

void writeTag(OSMXmlWriter& writer, const char* k, const std::string& v)
{
    writer.writeEmptyElement("tag");
    writer.writeAttribute("k", k);
    writer.writeTextAttribute("v", v);
}

void writeTag(OSMXmlWriter& writer, const char* k, qint64 v)
{
    writer.writeEmptyElement("tag");
    writer.writeAttribute("k", k);
    writer.writeAttribute("v", v);
}

void writeNodeStart(OSMXmlWriter& writer, const Node* node)
{
    writer.writeStartElement("node");
    writer.writeAttribute("id", node->getId());
    writer.writeCoordinateAttribute("lat", node->getLat());
    writer.writeCoordinateAttribute("lon", node->getLon());
}

void writeStopNodes(OSMXmlWriter& writer, const OSMStops& stops, const char* k, const char* v,
                    QSet<const Node*>& written)
{
    for (const auto& stop : stops.stops()) {
        const Node* node = stop->getNode();
        written.insert(node);
        writeNodeStart(writer, node);
        writeTag(writer, "name", stop->nameRef());
        writeTag(writer, k, v);
        writer.writeEndElement();
    }
}

void writeMembers(OSMXmlWriter& writer, const std::vector<qint64>& ids, const char* type, const char* role)
{
    for (qint64 id : ids) {
        writer.writeEmptyElement("member");
        writer.writeAttribute("type", type);
        writer.writeAttribute("ref", id);
        writer.writeAttribute("role", role);
    }
}

} // namespace

void NetworkFileWriter::writeDocument(OSMXmlWriter& writer, OSMData& data)
{
    writer.writeStartDocument();
    // OpenStreetMap readers refuse a root without the version of the format.
    writer.writeStartElement("osm");
    writer.writeAttribute("version", "0.6");
    writer.writeAttribute("generator", "Pelagor");
    writeNodes(writer, data);
    writeWays(writer, data);
    writeRelations(writer, data);
    writer.writeEndElement();
    writer.writeEndDocument();
}

void NetworkFileWriter::writeNodes(OSMXmlWriter& writer, OSMData& data)
{
    // Stop nodes are written once per stop, with the stop's tags; the plain node
    // group then skips them.
    QSet<const Node*> written;
    writeStopNodes(writer, data.getBusStops(), "highway", "bus_stop", written);
    writeStopNodes(writer, data.getTramStops(), "railway", "tram_stop", written);
    for (const auto& node : data.getNodes().nodes()) {
        if (!node->isUsed() || written.contains(node.get()))
            continue;
        writeNodeStart(writer, node.get());
        if (node->hasTrafficSignals())
            writeTag(writer, "highway", "traffic_signals");
        writer.writeEndElement();
    }
}

void NetworkFileWriter::writeWays(OSMXmlWriter& writer, OSMData& data)
{
    for (const auto& way : data.getWays().ways()) {
        if (!way->firstNode() || !way->lastNode()) {
            std::cerr << "OSMParser: " << "oops something is NULL | continue;" << std::endl;
            continue;
        }
        writer.writeStartElement("way");
        writer.writeAttribute("id", way->getId());
        for (const Node* node : way->nodes()) {
            writer.writeEmptyElement("nd");
            writer.writeAttribute("ref", node->getId());
        }
        if (way->getHighway())
            writeTag(writer, "highway", roadClassName(way->getRoadClass(), way->getLink()));
        if (way->getTram())
            writeTag(writer, "railway", "tram");
        const int forward = way->getLanesForward();
        const int backward = way->getLanesBackward();
        if (way->getOneway()) {
            writeTag(writer, "oneway", "yes");
            if (forward != 1)
                writeTag(writer, "lanes", qint64(forward));
        } else {
            if (forward > 1 || backward > 1)
                writeTag(writer, "lanes", qint64(forward) + backward);
            if (forward != backward) {
                writeTag(writer, "lanes:forward", qint64(forward));
                writeTag(writer, "lanes:backward", qint64(backward));
            }
        }
        writer.writeEndElement();
    }
}

void NetworkFileWriter::writeRelations(OSMXmlWriter& writer, OSMData& data)
{
    for (const auto& relation : data.getRelations().relations()) {
        writer.writeStartElement("relation");
        writer.writeAttribute("id", relation->getId());
        writeMembers(writer, relation->getWays(), "way", "");
        writeMembers(writer, relation->getForwardWays(), "way", "forward");
        writeMembers(writer, relation->getBackwardWays(), "way", "backward");
        writeMembers(writer, relation->getStops(), "node", "stop");
        if (!relation->getName().empty())
            writeTag(writer, "name", relation->getName());
        if (!relation->getRef().empty())
            writeTag(writer, "ref", relation->getRef());
        if (!relation->getRoute().empty())
            writeTag(writer, "route", relation->getRoute());
        writeTag(writer, "type", "route");
        writer.writeEndElement();
    }
}
