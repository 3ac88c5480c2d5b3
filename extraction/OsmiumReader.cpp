#include "extraction/OsmiumReader.h"

#include "common/BoundingBox.h"
#include "extraction/NetworkKeepRules.h"
#include "extraction/OSMHandler.h"
#include "extraction/PbfDescriptorWatch.h"

#include <QFile>
#include <QFileInfo>
#include <exception>
#include <mutex>
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
    Converter(CurrentObjects& handler, const OsmiumReader::Options& options)
        : handler(handler)
        , options(options)
    {
    }

    void entity(const osmium::OSMEntity& entity)
    {
        switch (entity.type()) {
        case osmium::item_type::node:
            if (node(static_cast<const osmium::Node&>(entity)))
                handler.take(converted);
            break;
        case osmium::item_type::way:
            if (way(static_cast<const osmium::Way&>(entity)))
                handler.take(converted);
            break;
        case osmium::item_type::relation:
            if (relation(static_cast<const osmium::Relation&>(entity)))
                handler.take(converted);
            break;
        case osmium::item_type::changeset:
            handler.changeset();
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
        converted.version = object.version();
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
        // position is written to XML without lat and lon. A deleted node of a history file
        // has none, and needs none.
        const osmium::Location location = node.location();
        const bool gone = !node.visible();
        const double lat = location.is_defined() ? location.lat_without_check() : 0;
        const double lon = location.is_defined() ? location.lon_without_check() : 0;
        if ((!location.is_defined() || !BoundingBox::isLatitude(lat)) && !gone) {
            failed("Conversion failed lat: ", location.is_defined() ? coordinateText(location.y()) : std::string());
            return false;
        }
        if (!BoundingBox::isLongitude(lon) && !gone) {
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

    CurrentObjects& handler;
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

// libosmium queues up to 20 blocks of the file and 20 decoded buffers each way ahead of the
// reader by default (sizes its environment variables can change). A block of ways decodes to a
// few MiB, and the network model takes entities more slowly than libosmium decodes them, so the
// queues would stay full: a few blocks ahead keep both threads busy at a fraction of the memory.
// The variables are set once, before the first reader, unless the environment sets them.
void limitQueues()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (const char* name : {"OSMIUM_MAX_INPUT_QUEUE_SIZE", "OSMIUM_MAX_OSMDATA_QUEUE_SIZE"})
            if (!qEnvironmentVariableIsSet(name))
                qputenv(name, "4");
    });
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
    // Read only to tell a file of changesets alone.
    if (kinds == OsmiumReader::AllKinds)
        bits |= osmium::osm_entity_bits::changeset;
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

namespace {

// The header of a PBF file, read alone; false when it cannot be read.
bool pbfHeader(const QString& path, osmium::io::Header& header)
{
    PbfDescriptorWatch watch(path);
    try {
        // Only the header block is read, in a thread of its own that ends with the call.
        osmium::thread::Pool pool(1);
        osmium::io::Reader reader(file(path, OSMFileFormat::Pbf), osmium::osm_entity_bits::nothing, pool);
        watch.readerOpened();
        header = reader.header();
        reader.close();
        return true;
    } catch (const std::exception&) {
        watch.closeLeft();
        return false;
    }
}

// Whether a PBF file's header says it holds history. The standard input cannot be looked at
// twice: it is taken to, which only costs the reading of its versions.
bool pbfHistory(const QString& path)
{
    if (path == QLatin1String("-"))
        return true;
    osmium::io::Header header;
    return pbfHeader(path, header) && header.has_multiple_object_versions();
}

// What the header says of the file, told the stage before any entity: a PBF of history, or XML
// that libosmium marks as holding several versions, which it does exactly when the root is
// osmChange. True when the file is refused for it.
bool refusedByHeader(const osmium::io::Header& header, OSMFileFormat::Kind format, CurrentObjects& stage)
{
    if (header.has_multiple_object_versions()) {
        if (format == OSMFileFormat::Pbf)
            stage.historyFile();
        else
            stage.refuseChange();
    }
    return stage.refused();
}

} // namespace

bool OsmiumReader::read(const QString& path, OSMFileFormat::Kind format, OSMHandler& handler, const Options& options,
                        QString* error)
{
    limitQueues();
    // A history PBF is read with what tells its versions apart and its deleted objects.
    const bool history = format == OSMFileFormat::Pbf && pbfHistory(path);
    const bool metadata = options.metadata || history;
    CurrentObjects stage(handler);
    PbfDescriptorWatch watch(path);
    try {
        Converter converter(stage, options);
        osmium::thread::Pool pool;
        osmium::io::Reader reader(file(path, format), entityBits(options.kinds),
                                  metadata ? osmium::io::read_meta::yes : osmium::io::read_meta::no, pool);
        watch.readerOpened();
        bool headerKnown = false;
        while (osmium::memory::Buffer buffer = reader.read()) {
            // The header is known once the first buffer has come.
            if (!headerKnown) {
                headerKnown = true;
                if (options.bounds)
                    tellBounds(reader.header(), options.bounds);
                if (refusedByHeader(reader.header(), format, stage))
                    break;
            }
            for (const osmium::OSMEntity& entity : buffer)
                if (!stage.refused())
                    converter.entity(entity);
            if (stage.refused())
                break;
            // Counted ahead of the entities handed out (blocks are decoded in advance), which a
            // progress display does not mind.
            if (options.position)
                options.position(qint64(reader.offset()));
        }
        if (!headerKnown) {
            if (options.bounds)
                tellBounds(reader.header(), options.bounds);
            refusedByHeader(reader.header(), format, stage);
        }
        stage.finish();
        reader.close();
    } catch (const std::exception& e) {
        watch.closeLeft();
        stage.finish();
        if (options.done)
            options.done(stage);
        if (error)
            *error = QString::fromUtf8(e.what());
        return false;
    }
    if (options.done)
        options.done(stage);
    if (!stage.refused())
        return true;
    // Stopped before the end: libosmium leaves the file open then.
    watch.closeLeft();
    if (error)
        *error = stage.failureText();
    return false;
}

bool OsmiumReader::headerBox(const QString& path, BoundingBox& box)
{
    osmium::io::Header header;
    if (!pbfHeader(path, header))
        return false;
    const osmium::Box joined = header.joined_boxes();
    if (!joined.valid())
        return false;
    box = BoundingBox(joined.bottom_left().lon(), joined.bottom_left().lat(), joined.top_right().lon(),
                      joined.top_right().lat());
    return true;
}
