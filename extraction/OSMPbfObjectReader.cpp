#include "extraction/OSMPbfObjectReader.h"

#include "extraction/KeptObjects.h"
#include "extraction/NetworkKeepRules.h"
#include "extraction/PbfEntities.h"

#include <osmium/osm/item_type.hpp>
#include <osmium/osm/node.hpp>
#include <osmium/osm/relation.hpp>
#include <osmium/osm/way.hpp>

namespace {

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
    object.id = PbfEntities::wayId(way, converted);
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

bool OSMPbfObjectReader::copy(const QString& path, KeptObjects& objects)
{
    return PbfEntities::forEach(
        path, nullptr,
        [&objects](const osmium::OSMEntity& entity) {
            if (entity.type() == osmium::item_type::node)
                copyNode(static_cast<const osmium::Node&>(entity), objects);
            else if (entity.type() == osmium::item_type::way)
                copyWay(static_cast<const osmium::Way&>(entity), objects);
            else if (entity.type() == osmium::item_type::relation)
                copyRelation(static_cast<const osmium::Relation&>(entity), objects);
        },
        nullptr, osmium::io::read_meta::yes);
}

