#include "extraction/OSMPbfReader.h"

#include "extraction/NetworkKeepRules.h"

#include <QFile>
#include <QFileInfo>
#include <exception>

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
// (versions, times, users) is not decoded: nothing here uses it.
template <class Visit>
QString forEachEntity(const QString& path, Visit visit)
{
    try {
        osmium::thread::Pool pool;
        // An absolute path: libosmium would hand a name that looks like a URL to curl.
        const osmium::io::File file(QFile::encodeName(QFileInfo(path).absoluteFilePath()).toStdString(), "pbf");
        osmium::io::Reader reader(file, osmium::osm_entity_bits::nwr, osmium::io::read_meta::no, pool);
        while (osmium::memory::Buffer buffer = reader.read())
            for (const osmium::OSMEntity& entity : buffer)
                visit(entity);
        reader.close();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
    return QString();
}

void readNode(const osmium::Node& node, OSMData& data)
{
    const qint64 id = node.id();
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

void readWay(const osmium::Way& way, OSMData& data)
{
    // Converted as from XML text: the number truncated to a 64-bit id, 0 when it
    // does not fit.
    qint64 id = 0;
    if (!NetworkKeepRules::wayIdFromNumber(double(way.id()), id))
        NetworkKeepRules::conversionFailed("Conversion failed id: ", QByteArray::number(qint64(way.id())));
    NetworkKeepRules::WayValues values;
    values.nodeIds.reserve(way.nodes().size());
    for (const osmium::NodeRef& ref : way.nodes())
        values.nodeIds.push_back(ref.ref());
    for (const osmium::Tag& tag : way.tags())
        values.tag(tag.key(), tag.value());
    values.store(data, id);
}

void readRelation(const osmium::Relation& relation, OSMData& data)
{
    const qint64 id = relation.id();
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

} // namespace

QString OSMPbfReader::read(const QString& path, OSMData& data)
{
    return forEachEntity(path, [&data](const osmium::OSMEntity& entity) {
        switch (entity.type()) {
        case osmium::item_type::node:
            readNode(static_cast<const osmium::Node&>(entity), data);
            break;
        case osmium::item_type::way:
            readWay(static_cast<const osmium::Way&>(entity), data);
            break;
        case osmium::item_type::relation:
            readRelation(static_cast<const osmium::Relation&>(entity), data);
            break;
        default:
            break;
        }
    });
}
