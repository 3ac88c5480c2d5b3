#include "extraction/OsmiumNetworkWriter.h"

#include "common/BoundingBox.h"
#include "extraction/KeptObjects.h"
#include "extraction/OSMXmlWriter.h"
#include "extraction/StandardNetworkWriter.h"

#include <QFile>
#include <exception>
#include <string>

#include <osmium/builder/osm_object_builder.hpp>
#include <osmium/io/any_compression.hpp>
#include <osmium/io/pbf_output.hpp>
#include <osmium/io/writer.hpp>
#include <osmium/io/xml_output.hpp>
#include <osmium/memory/buffer.hpp>

namespace {

// A text as the XML writer writes it: at most its first 255 characters.
std::string cut(std::string_view utf8)
{
    return std::string(utf8.substr(0, OSMXmlWriter::textLength(utf8)));
}

template <typename Builder>
void addCommon(Builder& builder, const OSMEntity& object)
{
    builder.set_id(object.id);
    osmium::OSMObject& built = builder.object();
    // The attributes as osmium reads them from XML; the user's name is a text of its own.
    static const char* const names[OSMEntity::metadataCount] = {"version", "changeset", "timestamp", nullptr, "uid"};
    for (int i = 0; i < OSMEntity::metadataCount; ++i)
        if (names[i] && object.hasMetadata(OSMEntity::Metadata(i)))
            built.set_attribute(names[i], std::string(object.metadata(OSMEntity::Metadata(i))).c_str());
    const std::string user = object.hasMetadata(OSMEntity::User) ? std::string(object.metadata(OSMEntity::User)) : "";
    builder.set_user(user);
}

void addTags(osmium::builder::Builder& parent, const OSMEntity& object)
{
    if (object.tagCount() == 0)
        return;
    osmium::builder::TagListBuilder tags(parent);
    for (std::size_t i = 0; i < object.tagCount(); ++i)
        tags.add_tag(cut(object.key(i)), cut(object.value(i)));
}

void addNode(osmium::memory::Buffer& buffer, const OSMEntity& node)
{
    osmium::builder::NodeBuilder builder(buffer);
    addCommon(builder, node);
    builder.set_location(osmium::Location(node.lon, node.lat));
    addTags(builder, node);
}

void addWay(osmium::memory::Buffer& buffer, const OSMEntity& way)
{
    osmium::builder::WayBuilder builder(buffer);
    addCommon(builder, way);
    {
        osmium::builder::WayNodeListBuilder refs(builder);
        for (qint64 ref : way.refs)
            refs.add_node_ref(ref);
    }
    addTags(builder, way);
}

void addRelation(osmium::memory::Buffer& buffer, const OSMEntity& relation)
{
    osmium::builder::RelationBuilder builder(buffer);
    addCommon(builder, relation);
    {
        osmium::builder::RelationMemberListBuilder members(builder);
        for (const OSMEntity::Member& member : relation.members()) {
            // Standard files know these three member types only, as in the XML.
            const osmium::item_type type = member.type == OSMEntity::NodeMember ? osmium::item_type::node
                : member.type == OSMEntity::WayMember                        ? osmium::item_type::way
                : member.type == OSMEntity::RelationMember                   ? osmium::item_type::relation
                                                                             : osmium::item_type::undefined;
            if (type != osmium::item_type::undefined)
                members.add_member(type, member.ref, cut(relation.role(member)));
        }
    }
    addTags(builder, relation);
}

const char* formatName(OSMFileFormat::Kind kind)
{
    switch (kind) {
    case OSMFileFormat::Pbf:
        return "pbf";
    case OSMFileFormat::GzipXml:
        return "osm.gz";
    case OSMFileFormat::Bzip2Xml:
        return "osm.bz2";
    default:
        break;
    }
    return "osm";
}

// Handed to the writer in pieces of about this size.
const std::size_t bufferSize = 1 << 20;

template <typename Add>
void writeAll(osmium::io::Writer& writer, const KeptObjects& objects, OSMEntity::Kind kind, Add add)
{
    osmium::memory::Buffer buffer(bufferSize, osmium::memory::Buffer::auto_grow::yes);
    objects.forEach(kind, [&](const OSMEntity& object) {
        add(buffer, object);
        buffer.commit();
        if (buffer.committed() >= bufferSize - 4096) {
            writer(std::move(buffer));
            buffer = osmium::memory::Buffer(bufferSize, osmium::memory::Buffer::auto_grow::yes);
        }
    });
    if (buffer.committed() > 0)
        writer(std::move(buffer));
}

} // namespace

bool OsmiumNetworkWriter::write(const QString& path, OSMFileFormat::Kind kind, const KeptObjects& objects,
                                const BoundingBox* bounds, QString& error)
{
    try {
        osmium::io::Header header;
        header.set("generator", StandardNetworkWriter::generator());
        if (bounds)
            header.add_box(osmium::Box(bounds->west(), bounds->south(), bounds->east(), bounds->north()));
        const std::string name = path == QLatin1String("-") ? std::string() : QFile::encodeName(path).toStdString();
        osmium::io::Writer writer(osmium::io::File(name, formatName(kind)), header, osmium::io::overwrite::allow);
        writeAll(writer, objects, OSMEntity::Node, addNode);
        writeAll(writer, objects, OSMEntity::Way, addWay);
        writeAll(writer, objects, OSMEntity::Relation, addRelation);
        writer.close();
    } catch (const std::exception& e) {
        error = QString::fromUtf8(e.what());
        return false;
    }
    return true;
}
