#include "extraction/OsmiumConverter.h"

#include "common/BoundingBox.h"
#include "extraction/NetworkKeepRules.h"

#include <charconv>
#include <cstdint>

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

// A positive number as text, in `digits`.
std::string_view numberText(char (&digits)[24], std::uint64_t value)
{
    return std::string_view(digits, std::size_t(std::to_chars(digits, digits + sizeof digits, value).ptr - digits));
}

// A time (seconds since 1970, UTC) as OpenStreetMap writes it, "2024-05-17T08:03:11Z", as
// libosmium's to_iso() writes it, without the C library's time zone lookup and its lock for
// each of the hundreds of thousands of objects an extract writes. The days become a civil date
// by the proleptic Gregorian calendar's 400-year cycles.
std::string_view timeText(char (&text)[24], std::uint32_t seconds)
{
    const std::int64_t days = seconds / 86400 + 719468; // from 0000-03-01
    const std::int64_t era = days / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    const int day = int(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    const int month = int(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    const int year = int(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
    const int secondOfDay = int(seconds % 86400);
    const auto two = [&text](int at, int value) {
        text[at] = char('0' + value / 10);
        text[at + 1] = char('0' + value % 10);
    };
    two(0, year / 100);
    two(2, year % 100);
    text[4] = '-';
    two(5, month);
    text[7] = '-';
    two(8, day);
    text[10] = 'T';
    two(11, secondOfDay / 3600);
    text[13] = ':';
    two(14, secondOfDay / 60 % 60);
    text[16] = ':';
    two(17, secondOfDay % 60);
    text[19] = 'Z';
    return std::string_view(text, 20);
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
    const auto set = [this](OSMEntity::Metadata which, std::string_view text) {
        converted.setMetadata(which, converted.addText(text));
    };
    char text[24];
    if (object.version() > 0)
        set(OSMEntity::Version, numberText(text, object.version()));
    if (object.changeset() > 0)
        set(OSMEntity::Changeset, numberText(text, object.changeset()));
    if (object.timestamp().valid())
        set(OSMEntity::Timestamp, timeText(text, std::uint32_t(object.timestamp().seconds_since_epoch())));
    if (object.user()[0] != '\0')
        set(OSMEntity::User, object.user());
    if (object.uid() > 0)
        set(OSMEntity::Uid, numberText(text, std::uint64_t(object.uid())));
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
