#include "extraction/OsmiumReader.h"

#include "common/BoundingBox.h"
#include "extraction/NetworkKeepRules.h"
#include "extraction/OSMHandler.h"
#include "extraction/PbfDescriptorWatch.h"

#include <QFile>
#include <QFileInfo>
#include <exception>
#include <string>

#include <osmium/io/any_compression.hpp>
#include <osmium/io/pbf_input.hpp>
#include <osmium/io/xml_input.hpp>
#include <osmium/osm/node.hpp>
#include <osmium/osm/relation.hpp>
#include <osmium/osm/way.hpp>
#include <osmium/thread/pool.hpp>

namespace {

// A fixed-point coordinate (units of 1e-7 degree) as OpenStreetMap XML writes it:
// up to seven decimals, without trailing zeros.
std::string coordinateText(qint32 fixed)
{
    const qint64 value = fixed;
    const qint64 magnitude = value < 0 ? -value : value;
    std::string text = value < 0 ? "-" : "";
    text += std::to_string(magnitude / 10000000);
    std::string decimals = std::to_string(magnitude % 10000000);
    decimals.insert(0, 7 - decimals.size(), '0');
    while (!decimals.empty() && decimals.back() == '0')
        decimals.pop_back();
    if (!decimals.empty())
        text += '.' + decimals;
    return text;
}

// One entity of libosmium's after another, converted as the XML reader converts text.
class Converter
{
public:
    Converter(OSMHandler& handler, const OsmiumReader::Options& options)
        : handler(handler)
        , options(options)
    {
    }

    void entity(const osmium::OSMEntity& entity)
    {
        switch (entity.type()) {
        case osmium::item_type::node:
            if (node(static_cast<const osmium::Node&>(entity)))
                handler.handle(converted);
            break;
        case osmium::item_type::way:
            if (way(static_cast<const osmium::Way&>(entity)))
                handler.handle(converted);
            break;
        case osmium::item_type::relation:
            if (relation(static_cast<const osmium::Relation&>(entity)))
                handler.handle(converted);
            break;
        default:
            break;
        }
    }

private:
    void failed(const char* what, const std::string& text) const
    {
        if (options.diagnostics)
            NetworkKeepRules::conversionFailed(what, text);
    }

    void common(const osmium::OSMObject& object)
    {
        converted.visible = object.visible();
        for (const osmium::Tag& tag : object.tags())
            converted.addTag(tag.key(), tag.value());
        if (!options.metadata || !handler.wantsMetadata(converted))
            return;
        // A file without metadata has version 0, no changeset, time or author: those are left out.
        const auto set = [this](OSMEntity::Metadata which, const std::string& text) {
            converted.setMetadata(which, converted.addText(text));
        };
        if (object.version() > 0)
            set(OSMEntity::Version, std::to_string(object.version()));
        if (object.changeset() > 0)
            set(OSMEntity::Changeset, std::to_string(object.changeset()));
        if (object.timestamp().valid())
            set(OSMEntity::Timestamp, object.timestamp().to_iso());
        if (object.user()[0] != '\0')
            set(OSMEntity::User, object.user());
        if (object.uid() > 0)
            set(OSMEntity::Uid, std::to_string(object.uid()));
    }

    bool node(const osmium::Node& node)
    {
        const qint64 id = node.id();
        if (!handler.wants(OSMEntity::Node, id))
            return false;
        // Checked in the order of the XML reader: lat, lon, id. A node without a
        // position is written to XML without lat and lon.
        const osmium::Location location = node.location();
        const double lat = location.lat_without_check();
        const double lon = location.lon_without_check();
        if (!location.is_defined() || !BoundingBox::isLatitude(lat)) {
            failed("Conversion failed lat: ", location.is_defined() ? coordinateText(location.y()) : std::string());
            return false;
        }
        if (!BoundingBox::isLongitude(lon)) {
            failed("Conversion failed lon: ", coordinateText(location.x()));
            return false;
        }
        if (!NetworkKeepRules::isId(id)) {
            failed("Conversion failed id: ", std::to_string(id));
            return false;
        }
        converted.reset(OSMEntity::Node);
        converted.id = id;
        converted.lat = lat;
        converted.lon = lon;
        common(node);
        return true;
    }

    bool way(const osmium::Way& way)
    {
        // The id a way is read with: 0 when it does not convert, as from XML text.
        qint64 id = 0;
        const bool idConverts = NetworkKeepRules::wayIdFromNumber(double(way.id()), id);
        if (!idConverts)
            id = 0;
        if (!handler.wants(OSMEntity::Way, id))
            return false;
        if (!idConverts)
            failed("Conversion failed id: ", std::to_string(way.id()));
        converted.reset(OSMEntity::Way);
        converted.id = id;
        converted.refs.reserve(way.nodes().size());
        for (const osmium::NodeRef& ref : way.nodes()) {
            if (NetworkKeepRules::isId(ref.ref()))
                converted.refs.push_back(ref.ref());
            else
                failed("Conversion failed ndRef: ", std::to_string(ref.ref()));
        }
        common(way);
        return true;
    }

    bool relation(const osmium::Relation& relation)
    {
        const qint64 id = relation.id();
        if (!handler.wants(OSMEntity::Relation, id))
            return false;
        if (!NetworkKeepRules::isId(id)) {
            failed("Conversion failed relationId: ", std::to_string(id));
            return false;
        }
        converted.reset(OSMEntity::Relation);
        converted.id = id;
        // Members before tags, as OpenStreetMap XML lists them.
        for (const osmium::RelationMember& member : relation.members()) {
            if (!NetworkKeepRules::isId(member.ref())) {
                failed("Conversion failed memberRefId: ", std::to_string(member.ref()));
                continue;
            }
            const osmium::item_type type = member.type();
            converted.addMember(type == osmium::item_type::node    ? OSMEntity::NodeMember
                                    : type == osmium::item_type::way ? OSMEntity::WayMember
                                    : type == osmium::item_type::relation ? OSMEntity::RelationMember
                                                                          : OSMEntity::OtherMember,
                                member.ref(), converted.addText(member.role()));
        }
        common(relation);
        return true;
    }

    OSMHandler& handler;
    const OsmiumReader::Options& options;
    OSMEntity converted;
};

// The file as libosmium reads it.
osmium::io::File file(const QString& path, OSMFileFormat::Kind format)
{
    const char* name = format == OSMFileFormat::Pbf ? "pbf"
        : format == OSMFileFormat::GzipXml          ? "osm.gz"
        : format == OSMFileFormat::Bzip2Xml         ? "osm.bz2"
                                                    : "osm";
    // libosmium reads the standard input for an empty name.
    if (path == QLatin1String("-"))
        return osmium::io::File(std::string(), name);
    // An absolute path: libosmium would hand a name that looks like a URL to curl.
    return osmium::io::File(QFile::encodeName(QFileInfo(path).absoluteFilePath()).toStdString(), name);
}

osmium::osm_entity_bits::type entityBits(int kinds)
{
    osmium::osm_entity_bits::type bits = osmium::osm_entity_bits::nothing;
    if (kinds & OsmiumReader::Nodes)
        bits |= osmium::osm_entity_bits::node;
    if (kinds & OsmiumReader::Ways)
        bits |= osmium::osm_entity_bits::way;
    if (kinds & OsmiumReader::Relations)
        bits |= osmium::osm_entity_bits::relation;
    return bits;
}

void tellBounds(const osmium::io::Header& header, const std::function<void(const BoundingBox&)>& bounds)
{
    const osmium::Box box = header.joined_boxes();
    if (box.valid())
        bounds(BoundingBox(box.bottom_left().lon(), box.bottom_left().lat(), box.top_right().lon(),
                           box.top_right().lat()));
}

} // namespace

bool OsmiumReader::read(const QString& path, OSMFileFormat::Kind format, OSMHandler& handler, const Options& options,
                        QString* error)
{
    PbfDescriptorWatch watch(path);
    try {
        Converter converter(handler, options);
        osmium::thread::Pool pool;
        osmium::io::Reader reader(file(path, format), entityBits(options.kinds),
                                  options.metadata ? osmium::io::read_meta::yes : osmium::io::read_meta::no, pool);
        watch.readerOpened();
        bool boundsTold = !options.bounds;
        while (osmium::memory::Buffer buffer = reader.read()) {
            // The header is known once the first buffer has come.
            if (!boundsTold) {
                boundsTold = true;
                tellBounds(reader.header(), options.bounds);
            }
            for (const osmium::OSMEntity& entity : buffer)
                converter.entity(entity);
            // Counted ahead of the entities handed out (blocks are decoded in advance), which a
            // progress display does not mind.
            if (options.position)
                options.position(qint64(reader.offset()));
        }
        if (!boundsTold)
            tellBounds(reader.header(), options.bounds);
        reader.close();
    } catch (const std::exception& e) {
        watch.closeLeft();
        if (error)
            *error = QString::fromUtf8(e.what());
        return false;
    }
    return true;
}

bool OsmiumReader::headerBox(const QString& path, BoundingBox& box)
{
    PbfDescriptorWatch watch(path);
    try {
        // Only the header block is read, in a thread of its own that ends with the call.
        osmium::thread::Pool pool(1);
        osmium::io::Reader reader(file(path, OSMFileFormat::Pbf), osmium::osm_entity_bits::nothing, pool);
        watch.readerOpened();
        const osmium::Box header = reader.header().joined_boxes();
        reader.close();
        if (!header.valid())
            return false;
        box = BoundingBox(header.bottom_left().lon(), header.bottom_left().lat(), header.top_right().lon(),
                          header.top_right().lat());
        return true;
    } catch (const std::exception&) {
        watch.closeLeft();
        return false;
    }
}
