#include "extraction/OsmiumConverter.h"

#include "common/BoundingBox.h"
#include "extraction/NetworkKeepRules.h"

#include <osmium/osm/node.hpp>
#include <osmium/osm/relation.hpp>
#include <osmium/osm/way.hpp>

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

} // namespace

OsmiumConverter::OsmiumConverter(CurrentObjects& handler, const OsmiumReader::Options& options)
    : handler(handler)
    , options(options)
{
}

void OsmiumConverter::entity(const osmium::OSMEntity& entity)
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

void OsmiumConverter::failed(const char* what, const std::string& text) const
{
    if (options.diagnostics)
        NetworkKeepRules::conversionFailed(what, text);
}

void OsmiumConverter::common(const osmium::OSMObject& object)
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

bool OsmiumConverter::node(const osmium::Node& node)
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

bool OsmiumConverter::way(const osmium::Way& way)
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

bool OsmiumConverter::relation(const osmium::Relation& relation)
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
