#include "extraction/StandardNetworkWriter.h"

#include "common/BoundingBox.h"
#include "extraction/KeptObjects.h"
#include "extraction/OSMXmlWriter.h"

#include <future>
#include <system_error>

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

void writeNode(OSMXmlWriter& writer, const OSMEntity& node)
{
    writeStart(writer, "node", node);
    writer.writeCoordinateAttribute("lat", node.lat);
    writer.writeCoordinateAttribute("lon", node.lon);
    writeTags(writer, node);
    writer.writeEndElement();
}

void writeWay(OSMXmlWriter& writer, const OSMEntity& way)
{
    writeStart(writer, "way", way);
    for (qint64 ref : way.refs) {
        writer.writeEmptyElement("nd");
        writer.writeAttribute("ref", ref);
    }
    writeTags(writer, way);
    writer.writeEndElement();
}

void writeRelation(OSMXmlWriter& writer, const OSMEntity& relation)
{
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
}

using Write = void (*)(OSMXmlWriter&, const OSMEntity&);

void writePart(OSMXmlWriter& writer, const KeptObjects& objects, OSMEntity::Kind kind, std::size_t first,
               std::size_t last, Write write)
{
    objects.forEach(kind, first, last, [&writer, write](const OSMEntity& object) { write(writer, object); });
}

// The objects of a kind go in blocks, two at a time: while this thread writes one, a second
// thread formats the next, which is written after it. Formatting is most of the time it takes to
// write the file, and a block's bytes are all that is held. Where no thread can be started,
// this one formats both.
void writeAll(OSMXmlWriter& writer, const KeptObjects& objects, OSMEntity::Kind kind, Write write)
{
    const std::size_t block = 4096;
    const std::size_t places = objects.places(kind);
    for (std::size_t first = 0; first < places; first += 2 * block) {
        OSMXmlWriter next(OSMXmlWriter::Part(), writer);
        const auto formatNext = [&objects, &next, kind, write, first] {
            writePart(next, objects, kind, first + block, first + 2 * block, write);
        };
        std::future<void> formatted;
        try {
            formatted = std::async(std::launch::async, formatNext);
        } catch (const std::system_error&) {
        }
        writePart(writer, objects, kind, first, first + block, write);
        if (formatted.valid())
            formatted.wait();
        else
            formatNext();
        writer.writeFormatted(next);
    }
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
    writeAll(writer, objects, OSMEntity::Node, writeNode);
    writeAll(writer, objects, OSMEntity::Way, writeWay);
    writeAll(writer, objects, OSMEntity::Relation, writeRelation);
    writer.writeEndElement();
    writer.writeEndDocument();
}
