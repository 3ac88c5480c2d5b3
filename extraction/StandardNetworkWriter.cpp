#include "extraction/StandardNetworkWriter.h"

#include "common/BoundingBox.h"
#include "extraction/KeptObjects.h"
#include "extraction/OSMXmlWriter.h"

namespace {

void writeStart(OSMXmlWriter& writer, const char* element, const OSMEntity& object)
{
    writer.writeStartElement(element);
    writer.writeAttribute("id", object.id);
    for (int i = 0; i < OSMEntity::metadataCount; ++i)
        if (object.hasMetadata(OSMEntity::Metadata(i)))
            writer.writeAttribute(OSMEntity::metadataNames[i], object.metadata(OSMEntity::Metadata(i)));
}

void writeTags(OSMXmlWriter& writer, const OSMEntity& object)
{
    for (std::size_t i = 0; i < object.tagCount(); ++i) {
        writer.writeEmptyElement("tag");
        writer.writeTextAttribute("k", object.key(i));
        writer.writeTextAttribute("v", object.value(i));
    }
}

// Standard OSM XML knows these three member types only.
const char* memberType(OSMEntity::MemberType type)
{
    switch (type) {
    case OSMEntity::NodeMember:
        return "node";
    case OSMEntity::WayMember:
        return "way";
    case OSMEntity::RelationMember:
        return "relation";
    case OSMEntity::OtherMember:
        break;
    }
    return nullptr;
}

void writeNodes(OSMXmlWriter& writer, const KeptObjects& objects)
{
    objects.forEach(OSMEntity::Node, [&writer](const OSMEntity& node) {
        writeStart(writer, "node", node);
        writer.writeCoordinateAttribute("lat", node.lat);
        writer.writeCoordinateAttribute("lon", node.lon);
        writeTags(writer, node);
        writer.writeEndElement();
    });
}

void writeWays(OSMXmlWriter& writer, const KeptObjects& objects)
{
    objects.forEach(OSMEntity::Way, [&writer](const OSMEntity& way) {
        writeStart(writer, "way", way);
        for (qint64 ref : way.refs) {
            writer.writeEmptyElement("nd");
            writer.writeAttribute("ref", ref);
        }
        writeTags(writer, way);
        writer.writeEndElement();
    });
}

void writeRelations(OSMXmlWriter& writer, const KeptObjects& objects)
{
    objects.forEach(OSMEntity::Relation, [&writer](const OSMEntity& relation) {
        writeStart(writer, "relation", relation);
        for (const OSMEntity::Member& member : relation.members()) {
            const char* type = memberType(member.type);
            if (!type)
                continue;
            writer.writeEmptyElement("member");
            writer.writeAttribute("type", type);
            writer.writeAttribute("ref", member.ref);
            writer.writeTextAttribute("role", relation.role(member));
        }
        writeTags(writer, relation);
        writer.writeEndElement();
    });
}

} // namespace

const char* StandardNetworkWriter::generator()
{
    return "Pelagor " PELAGOR_VERSION;
}

void StandardNetworkWriter::writeDocument(OSMXmlWriter& writer, const KeptObjects& objects,
                                          const BoundingBox* bounds)
{
    writer.writeStartDocument();
    writer.writeStartElement("osm");
    writer.writeAttribute("version", "0.6");
    writer.writeAttribute("generator", generator());
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
