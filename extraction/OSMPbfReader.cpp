#include "extraction/OSMPbfReader.h"

#include "extraction/BoundingBox.h"
#include "extraction/ClipSelection.h"
#include "extraction/KeptObjects.h"
#include "extraction/NetworkKeepRules.h"

#include <QFile>
#include <QFileInfo>
#include <exception>
#include <vector>

#include <osmium/io/pbf_input.hpp>
#include <osmium/osm/item_type.hpp>
#include <osmium/osm/node.hpp>
#include <osmium/osm/relation.hpp>
#include <osmium/osm/way.hpp>
#include <osmium/thread/pool.hpp>

namespace {

// A fixed-point coordinate (units of 1e-7 degree) as OpenStreetMap XML writes it:
// up to seven decimals, without trailing zeros.
QByteArray coordinateText(qint32 fixed)
{
    const qint64 value = fixed;
    const qint64 magnitude = value < 0 ? -value : value;
    QByteArray text = value < 0 ? "-" : "";
    text += QByteArray::number(magnitude / 10000000);
    QByteArray decimals = QByteArray::number(magnitude % 10000000).rightJustified(7, '0');
    while (decimals.endsWith('0'))
        decimals.chop(1);
    if (!decimals.isEmpty())
        text += '.' + decimals;
    return text;
}

// Every entity of the file in file order, node, way and relation alike. Metadata
// (versions, times, users) is decoded only for the objects copied whole.
osmium::io::File pbfFile(const QString& path)
{
    // libosmium reads the standard input for an empty name.
    if (path == QLatin1String("-"))
        return osmium::io::File(std::string(), "pbf");
    // An absolute path: libosmium would hand a name that looks like a URL to curl.
    return osmium::io::File(QFile::encodeName(QFileInfo(path).absoluteFilePath()).toStdString(), "pbf");
}

template <class Visit>
QString forEachEntity(const QString& path, const OSMPbfReader::Position& position, Visit visit,
                      osmium::io::read_meta meta = osmium::io::read_meta::no)
{
    try {
        osmium::thread::Pool pool;
        osmium::io::Reader reader(pbfFile(path), osmium::osm_entity_bits::nwr, meta, pool);
        while (osmium::memory::Buffer buffer = reader.read()) {
            for (const osmium::OSMEntity& entity : buffer)
                visit(entity);
            // Counted ahead of the entities handed out (blocks are decoded in advance), which a
            // progress display does not mind.
            if (position)
                position(qint64(reader.offset()));
        }
        reader.close();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
    return QString();
}

void readNode(const osmium::Node& node, OSMData& data, const ClipSelection* selection)
{
    const qint64 id = node.id();
    if (selection && !selection->keepsNode(id))
        return;
    // Checked in the order of the XML reader: lat, lon, id. A node without a
    // position is written to XML without lat and lon.
    const osmium::Location location = node.location();
    const double lat = location.lat_without_check();
    const double lon = location.lon_without_check();
    if (!location.is_defined() || !NetworkKeepRules::isLatitude(lat)) {
        NetworkKeepRules::conversionFailed("Conversion failed lat: ",
                                           location.is_defined() ? coordinateText(location.y()) : QByteArray());
        return;
    }
    if (!NetworkKeepRules::isLongitude(lon)) {
        NetworkKeepRules::conversionFailed("Conversion failed lon: ", coordinateText(location.x()));
        return;
    }
    if (!NetworkKeepRules::isId(id)) {
        NetworkKeepRules::conversionFailed("Conversion failed id: ", QByteArray::number(id));
        return;
    }
    NetworkKeepRules::NodeValues values;
    for (const osmium::Tag& tag : node.tags())
        values.tag(tag.key(), tag.value());
    values.store(data, id, lat, lon);
}

// The id a way is read with, 0 when it does not convert, as from XML text.
qint64 wayId(const osmium::Way& way, bool& converted)
{
    qint64 id = 0;
    converted = NetworkKeepRules::wayIdFromNumber(double(way.id()), id);
    return converted ? id : 0;
}

void readWay(const osmium::Way& way, OSMData& data, const ClipSelection* selection)
{
    bool converted = false;
    const qint64 id = wayId(way, converted);
    if (selection && !selection->keepsWay(id))
        return;
    if (!converted)
        NetworkKeepRules::conversionFailed("Conversion failed id: ", QByteArray::number(qint64(way.id())));
    NetworkKeepRules::WayValues values;
    values.nodeIds.reserve(way.nodes().size());
    for (const osmium::NodeRef& ref : way.nodes()) {
        if (NetworkKeepRules::isId(ref.ref()))
            values.nodeIds.push_back(ref.ref());
        else
            NetworkKeepRules::conversionFailed("Conversion failed ndRef: ", QByteArray::number(qint64(ref.ref())));
    }
    for (const osmium::Tag& tag : way.tags())
        values.tag(tag.key(), tag.value());
    values.store(data, id);
}

void readRelation(const osmium::Relation& relation, OSMData& data, const ClipSelection* selection)
{
    const qint64 id = relation.id();
    if (selection && !selection->keepsRelation(id))
        return;
    if (!NetworkKeepRules::isId(id)) {
        NetworkKeepRules::conversionFailed("Conversion failed relationId: ", QByteArray::number(id));
        return;
    }
    // Members before tags, as OpenStreetMap XML lists them.
    NetworkKeepRules::RouteValues values;
    for (const osmium::RelationMember& member : relation.members()) {
        const qint64 ref = member.ref();
        if (!NetworkKeepRules::isId(ref))
            NetworkKeepRules::conversionFailed("Conversion failed memberRefId: ", QByteArray::number(ref));
        else
            values.member(osmium::item_type_to_name(member.type()), ref, member.role());
    }
    for (const osmium::Tag& tag : relation.tags())
        if (!values.tag(tag.key(), tag.value()))
            return;
    values.store(data, id);
}

void scanRelation(const osmium::Relation& relation, ClipSelection& selection, std::vector<qint64>& relationRefs)
{
    if (!NetworkKeepRules::isId(relation.id()))
        return;
    relationRefs.clear();
    for (const osmium::RelationMember& member : relation.members()) {
        if (!NetworkKeepRules::isId(member.ref()))
            continue;
        const osmium::item_type type = member.type();
        if (type == osmium::item_type::relation) {
            relationRefs.push_back(member.ref());
            continue;
        }
        const ClipSelection::MemberType memberType = type == osmium::item_type::node ? ClipSelection::NodeMember
            : type == osmium::item_type::way                                        ? ClipSelection::WayMember
                                                                                    : ClipSelection::OtherMember;
        if (selection.pullsIn(memberType, member.ref())) {
            selection.addRelation(relation.id());
            return;
        }
    }
    if (!relationRefs.empty())
        selection.addParentCandidate(relation.id(), relationRefs);
}

// A file without metadata has version 0, no changeset, time or author: those are left out.
void copyMetadata(const osmium::OSMObject& entity, KeptObjects::Object& object)
{
    if (entity.version() > 0)
        object.setMetadata(KeptObjects::Version, std::to_string(entity.version()));
    if (entity.changeset() > 0)
        object.setMetadata(KeptObjects::Changeset, std::to_string(entity.changeset()));
    if (entity.timestamp().valid())
        object.setMetadata(KeptObjects::Timestamp, entity.timestamp().to_iso());
    if (entity.user()[0] != '\0')
        object.setMetadata(KeptObjects::User, entity.user());
    if (entity.uid() > 0)
        object.setMetadata(KeptObjects::Uid, std::to_string(entity.uid()));
    for (const osmium::Tag& tag : entity.tags())
        object.tags.emplace_back(tag.key(), tag.value());
}

void copyNode(const osmium::Node& node, KeptObjects& objects)
{
    const osmium::Location location = node.location();
    if (!location.is_defined() || !objects.wantsNode(node.id()))
        return;
    KeptObjects::Object object;
    object.id = node.id();
    object.lat = location.lat_without_check();
    object.lon = location.lon_without_check();
    copyMetadata(node, object);
    objects.addNode(std::move(object));
}

void copyWay(const osmium::Way& way, KeptObjects& objects)
{
    bool converted = false;
    KeptObjects::Object object;
    object.id = wayId(way, converted);
    if (!objects.wantsWay(object.id))
        return;
    copyMetadata(way, object);
    for (const osmium::NodeRef& ref : way.nodes())
        if (NetworkKeepRules::isId(ref.ref()))
            object.refs.push_back(ref.ref());
    NetworkKeepRules::WayValues values;
    for (const osmium::Tag& tag : way.tags())
        values.tag(tag.key(), tag.value());
    if (values.isRoadOrTramTrack() && object.refs.size() >= 2)
        objects.addWay(std::move(object));
}

void copyRelation(const osmium::Relation& relation, KeptObjects& objects)
{
    if (!objects.wantsRelation(relation.id()))
        return;
    KeptObjects::Object object;
    object.id = relation.id();
    copyMetadata(relation, object);
    for (const osmium::RelationMember& member : relation.members()) {
        const char* type = member.type() == osmium::item_type::node ? "node"
            : member.type() == osmium::item_type::way                ? "way"
            : member.type() == osmium::item_type::relation           ? "relation"
                                                                      : nullptr;
        if (type && NetworkKeepRules::isId(member.ref()))
            object.members.push_back({type, member.ref(), member.role()});
    }
    NetworkKeepRules::RouteValues values;
    for (const osmium::Tag& tag : relation.tags())
        if (!values.tag(tag.key(), tag.value()))
            return;
    if (values.isKept())
        objects.addRelation(std::move(object));
}

} // namespace

QString OSMPbfReader::copy(const QString& path, KeptObjects& objects)
{
    return forEachEntity(
        path, Position(),
        [&objects](const osmium::OSMEntity& entity) {
            if (entity.type() == osmium::item_type::node)
                copyNode(static_cast<const osmium::Node&>(entity), objects);
            else if (entity.type() == osmium::item_type::way)
                copyWay(static_cast<const osmium::Way&>(entity), objects);
            else if (entity.type() == osmium::item_type::relation)
                copyRelation(static_cast<const osmium::Relation&>(entity), objects);
        },
        osmium::io::read_meta::yes);
}

QString OSMPbfReader::read(const QString& path, OSMData& data, const ClipSelection* selection,
                           const Position& position)
{
    return forEachEntity(path, position, [&data, selection](const osmium::OSMEntity& entity) {
        switch (entity.type()) {
        case osmium::item_type::node:
            readNode(static_cast<const osmium::Node&>(entity), data, selection);
            break;
        case osmium::item_type::way:
            readWay(static_cast<const osmium::Way&>(entity), data, selection);
            break;
        case osmium::item_type::relation:
            readRelation(static_cast<const osmium::Relation&>(entity), data, selection);
            break;
        default:
            break;
        }
    });
}

QString OSMPbfReader::scan(const QString& path, ClipSelection& selection, const Position& position)
{
    std::vector<qint64> nodeIds;
    std::vector<qint64> relationRefs;
    const QString error = forEachEntity(path, position, [&selection, &nodeIds, &relationRefs](const osmium::OSMEntity& entity) {
        if (entity.type() == osmium::item_type::node) {
            const osmium::Node& node = static_cast<const osmium::Node&>(entity);
            const osmium::Location location = node.location();
            const double lat = location.lat_without_check();
            const double lon = location.lon_without_check();
            if (location.is_defined() && NetworkKeepRules::isLatitude(lat) && NetworkKeepRules::isLongitude(lon)
                && NetworkKeepRules::isId(node.id()))
                selection.addNode(node.id(), lat, lon);
        } else if (entity.type() == osmium::item_type::way) {
            const osmium::Way& way = static_cast<const osmium::Way&>(entity);
            bool converted = false;
            const qint64 id = wayId(way, converted);
            nodeIds.clear();
            for (const osmium::NodeRef& ref : way.nodes())
                nodeIds.push_back(ref.ref());
            selection.addWay(id, nodeIds);
        } else if (entity.type() == osmium::item_type::relation) {
            scanRelation(static_cast<const osmium::Relation&>(entity), selection, relationRefs);
        }
    });
    selection.finishScan();
    return error;
}

bool OSMPbfReader::headerBox(const QString& path, BoundingBox& box)
{
    try {
        // Only the header block is read, in a thread of its own that ends with the call.
        osmium::thread::Pool pool(1);
        osmium::io::Reader reader(pbfFile(path), osmium::osm_entity_bits::nothing, pool);
        const osmium::Box header = reader.header().joined_boxes();
        reader.close();
        if (!header.valid())
            return false;
        box = BoundingBox(header.bottom_left().lon(), header.bottom_left().lat(), header.top_right().lon(),
                          header.top_right().lat());
        return true;
    } catch (const std::exception&) {
        return false;
    }
}
