#include "extraction/OSMPbfReader.h"

#include "extraction/BoundingBox.h"
#include "extraction/ClipSelection.h"
#include "extraction/PbfEntities.h"
#include "extraction/NetworkKeepRules.h"

#include <QFile>
#include <QFileInfo>
#include <vector>

#include <osmium/osm/item_type.hpp>
#include <osmium/osm/node.hpp>
#include <osmium/osm/relation.hpp>
#include <osmium/osm/way.hpp>

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

void readWay(const osmium::Way& way, OSMData& data, const ClipSelection* selection)
{
    bool converted = false;
    const qint64 id = PbfEntities::wayId(way, converted);
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

} // namespace

bool OSMPbfReader::read(const QString& path, OSMData& data, const ClipSelection* selection, QString* error,
                        const Position& position)
{
    const auto visit = [&data, selection](const osmium::OSMEntity& entity) {
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
    };
    return PbfEntities::forEach(path, position, visit, error);
}

bool OSMPbfReader::scan(const QString& path, ClipSelection& selection, QString* error, const Position& position)
{
    std::vector<qint64> nodeIds;
    std::vector<qint64> relationRefs;
    const auto visit = [&selection, &nodeIds, &relationRefs](const osmium::OSMEntity& entity) {
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
            const qint64 id = PbfEntities::wayId(way, converted);
            nodeIds.clear();
            for (const osmium::NodeRef& ref : way.nodes())
                nodeIds.push_back(ref.ref());
            selection.addWay(id, nodeIds);
        } else if (entity.type() == osmium::item_type::relation) {
            scanRelation(static_cast<const osmium::Relation&>(entity), selection, relationRefs);
        }
    };
    const bool read = PbfEntities::forEach(path, position, visit, error);
    selection.finishScan();
    return read;
}

bool OSMPbfReader::headerBox(const QString& path, BoundingBox& box)
{
    PbfDescriptorWatch watch(path);
    try {
        // Only the header block is read, in a thread of its own that ends with the call.
        osmium::thread::Pool pool(1);
        osmium::io::Reader reader(PbfEntities::file(path), osmium::osm_entity_bits::nothing, pool);
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
