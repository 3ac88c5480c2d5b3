#include "extraction/StandardNetworkWriter.h"

#include "extraction/BoundingBox.h"
#include "extraction/KeptObjects.h"
#include "extraction/OSMXmlWriter.h"

namespace {

void writeStart(OSMXmlWriter& writer, const char* element, const KeptObjects::Object& object)
{
    writer.writeStartElement(element);
    writer.writeAttribute("id", object.id);
    for (int i = 0; i < KeptObjects::metadataCount; ++i)
        if (object.present & (1u << i))
            writer.writeAttribute(KeptObjects::metadataNames[i], object.metadata[i]);
}

void writeTags(OSMXmlWriter& writer, const KeptObjects::Object& object)
{
    for (const auto& tag : object.tags) {
        writer.writeEmptyElement("tag");
        writer.writeTextAttribute("k", tag.first);
        writer.writeTextAttribute("v", tag.second);
    }
}

void writeNodes(OSMXmlWriter& writer, const KeptObjects& objects)
{
    for (const KeptObjects::Object* node : objects.nodes()) {
        writeStart(writer, "node", *node);
        writer.writeCoordinateAttribute("lat", node->lat);
        writer.writeCoordinateAttribute("lon", node->lon);
        writeTags(writer, *node);
        writer.writeEndElement();
    }
}

void writeWays(OSMXmlWriter& writer, const KeptObjects& objects)
{
    for (const KeptObjects::Object* way : objects.ways()) {
        writeStart(writer, "way", *way);
        for (qint64 ref : way->refs) {
            writer.writeEmptyElement("nd");
            writer.writeAttribute("ref", ref);
        }
        writeTags(writer, *way);
        writer.writeEndElement();
    }
}

void writeRelations(OSMXmlWriter& writer, const KeptObjects& objects)
{
    for (const KeptObjects::Object* relation : objects.relations()) {
        writeStart(writer, "relation", *relation);
        for (const KeptObjects::Member& member : relation->members) {
            writer.writeEmptyElement("member");
            writer.writeAttribute("type", member.type);
            writer.writeAttribute("ref", member.ref);
            writer.writeTextAttribute("role", member.role);
        }
        writeTags(writer, *relation);
        writer.writeEndElement();
    }
}

} // namespace

void StandardNetworkWriter::writeDocument(OSMXmlWriter& writer, const KeptObjects& objects,
                                          const BoundingBox* bounds)
{
    writer.writeStartDocument();
    writer.writeStartElement("osm");
    writer.writeAttribute("version", "0.6");
    writer.writeAttribute("generator", "Pelagor");
    if (bounds) {
        writer.writeEmptyElement("bounds");
        writer.writeCoordinateAttribute("minlat", bounds->south());
        writer.writeCoordinateAttribute("minlon", bounds->west());
        writer.writeCoordinateAttribute("maxlat", bounds->north());
        writer.writeCoordinateAttribute("maxlon", bounds->east());
    }
    writeNodes(writer, objects);
    writeWays(writer, objects);
    writeRelations(writer, objects);
    writer.writeEndElement();
    writer.writeEndDocument();
}
