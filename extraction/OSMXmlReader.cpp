#include "extraction/OSMXmlReader.h"

#include "common/BoundingBox.h"
#include "extraction/CurrentObjects.h"
#include "extraction/NetworkKeepRules.h"
#include "extraction/OSMHandler.h"
#include "extraction/OSMXmlValues.h"

#include <QXmlStreamReader>

namespace {

const QLatin1String nodeName("node");
const QLatin1String wayName("way");
const QLatin1String relationName("relation");
const QLatin1String tagName("tag");
const QLatin1String ndName("nd");
const QLatin1String memberName("member");
const QLatin1String changesetName("changeset");
const QLatin1String changeRootName("osmChange");
const QLatin1String boundsName("bounds");

// True when the reader stands on the end tag of `name`; false, with `cut` set, when the document
// ended or broke before it.
bool atEndOf(const QXmlStreamReader& reader, QLatin1String name, bool& cut)
{
    if (reader.isEndElement() && reader.name() == name)
        return true;
    cut = reader.atEnd() || reader.hasError();
    return cut;
}

} // namespace

// The attribute values of a start tag. As with QXmlStreamAttributes::value(), names are qualified
// names and the first attribute of a name counts. The values point into the reader's own storage
// and stay valid until it moves on; an absent one is null, which converts to no number.
struct OSMXmlReader::Attributes
{
    QStringRef values[attributeCount];
    bool found[attributeCount] = {};
};

OSMXmlReader::OSMXmlReader(QXmlStreamReader& reader, bool diagnostics, bool metadata)
    : reader(reader)
    , diagnostics(diagnostics)
    , metadata(metadata)
{
}

void OSMXmlReader::read(OSMHandler& handler)
{
    CurrentObjects stage(handler);
    bool root = true;
    while (!reader.atEnd() && !reader.hasError() && !stage.refused()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringRef name = reader.name();
        if (root && name == changeRootName) {
            stage.refuseChange();
            break;
        }
        root = false;
        bool whole = false;
        if (name == nodeName)
            whole = readNode(entity, &stage);
        else if (name == wayName)
            whole = readWay(entity, &stage);
        else if (name == relationName)
            whole = readRelation(entity, &stage);
        else if (name == changesetName)
            stage.changeset();
        else if (name == boundsName)
            readBounds(handler);
        if (whole)
            stage.take(entity);
    }
    // An object read whole before an error counts, as every object before it.
    stage.finish();
    fileContent = stage.content();
    refusal = stage.failureText();
}

void OSMXmlReader::readBounds(OSMHandler& handler) const
{
    const QXmlStreamAttributes attributes = reader.attributes();
    bool ok[4] = {};
    const double minlat = attributes.value(QLatin1String("minlat")).toDouble(&ok[0]);
    const double minlon = attributes.value(QLatin1String("minlon")).toDouble(&ok[1]);
    const double maxlat = attributes.value(QLatin1String("maxlat")).toDouble(&ok[2]);
    const double maxlon = attributes.value(QLatin1String("maxlon")).toDouble(&ok[3]);
    if (!ok[0] || !ok[1] || !ok[2] || !ok[3])
        return;
    const BoundingBox box(minlon, minlat, maxlon, maxlat);
    if (box.problem().isEmpty())
        handler.bounds(box);
}

void OSMXmlReader::readAttributes(Attributes& attributes) const
{
    // One pass over the list, which is let go before the reader moves on: a copy that outlives
    // readNext() would make the reader copy its attributes for every following token.
    const QXmlStreamAttributes list = reader.attributes();
    for (const QXmlStreamAttribute& attribute : list) {
        const QStringRef name = attribute.qualifiedName();
        int slot = -1;
        switch (name.size()) {
        case 2: slot = name == QLatin1String("id") ? Id : -1; break;
        case 3:
            slot = name == QLatin1String("lat") ? Lat
                : name == QLatin1String("lon") ? Lon
                : name == QLatin1String("uid") ? Uid
                                               : -1;
            break;
        case 4: slot = name == QLatin1String("user") ? User : -1; break;
        case 6: slot = name == QLatin1String("action") ? Action : -1; break;
        case 7:
            slot = name == QLatin1String("version") ? Version : name == QLatin1String("visible") ? Visible : -1;
            break;
        case 9:
            slot = name == QLatin1String("changeset") ? Changeset : name == QLatin1String("timestamp") ? Timestamp : -1;
            break;
        }
        if (slot >= 0 && !attributes.found[slot]) {
            attributes.values[slot] = attribute.value();
            attributes.found[slot] = true;
        }
    }
}

void OSMXmlReader::takeCommon(const Attributes& attributes, OSMEntity& entity) const
{
    if (metadata)
        for (int i = 0; i < OSMEntity::metadataCount; ++i)
            if (attributes.found[Version + i])
                entity.setMetadata(OSMEntity::Metadata(i), OSMXmlValues::addUtf8(entity, attributes.values[Version + i]));
    if (attributes.found[Version])
        entity.version = attributes.values[Version].toLongLong();
    if (attributes.found[Visible])
        entity.visible = attributes.values[Visible] != QLatin1String("false");
    if (attributes.found[Action]) {
        const QStringRef action = attributes.values[Action];
        entity.action = action == QLatin1String("delete") ? OSMEntity::Action::Delete
            : action == QLatin1String("modify")           ? OSMEntity::Action::Modify
                                                          : OSMEntity::Action::Other;
    }
}

bool OSMXmlReader::wanted(const OSMHandler* handler, OSMEntity::Kind kind, bool converted, qint64 id)
{
    if (!handler)
        return true;
    // A handler that reads some entities by their ids wants none whose id does not convert; the
    // reader then stays on the start tag, as for any element whose attributes do not convert.
    if (!converted)
        return !handler->selects();
    if (handler->wants(kind, id))
        return true;
    skip(kind == OSMEntity::Node ? nodeName : kind == OSMEntity::Way ? wayName : relationName);
    return false;
}

bool OSMXmlReader::readNode(OSMEntity& entity, const OSMHandler* handler)
{
    Attributes attributes;
    readAttributes(attributes);
    qint64 id = 0;
    const bool idConverts = OSMXmlValues::toId(attributes.values[Id], id);
    if (!wanted(handler, OSMEntity::Node, idConverts, id))
        return false;
    entity.reset(OSMEntity::Node);
    takeCommon(attributes, entity);
    // A deleted node of a history file has no position; it is not data of today, whatever its
    // position is. Others are converted in this order; only the first failure is reported.
    const bool gone = !entity.visible || entity.action == OSMEntity::Action::Delete;
    double lat = 0;
    double lon = 0;
    if (!OSMXmlValues::toCoordinate(attributes.values[Lat], true, lat) && !gone) {
        OSMXmlValues::conversionFailed(diagnostics, "Conversion failed lat: ", attributes.values[Lat]);
        return false;
    }
    if (!OSMXmlValues::toCoordinate(attributes.values[Lon], false, lon) && !gone) {
        OSMXmlValues::conversionFailed(diagnostics, "Conversion failed lon: ", attributes.values[Lon]);
        return false;
    }
    if (!idConverts) {
        OSMXmlValues::conversionFailed(diagnostics, "Conversion failed id: ", attributes.values[Id]);
        return false;
    }
    entity.id = id;
    entity.lat = lat;
    entity.lon = lon;
    return readChildren(nodeName, entity);
}

bool OSMXmlReader::readWay(OSMEntity& entity, const OSMHandler* handler)
{
    Attributes attributes;
    readAttributes(attributes);
    // A way is never dropped for its id: one that is absent or does not convert reads as 0, and
    // a number is truncated to an integer.
    qint64 id = 0;
    bool failed = false;
    if (attributes.found[Id]) {
        bool ok = false;
        const double value = attributes.values[Id].toDouble(&ok);
        failed = !ok || !NetworkKeepRules::wayIdFromNumber(value, id);
        if (failed)
            id = 0;
    }
    if (!wanted(handler, OSMEntity::Way, true, id))
        return false;
    if (failed)
        OSMXmlValues::conversionFailed(diagnostics, "Conversion failed id: ", attributes.values[Id]);
    entity.reset(OSMEntity::Way);
    entity.id = id;
    takeCommon(attributes, entity);
    return readChildren(wayName, entity);
}

bool OSMXmlReader::readRelation(OSMEntity& entity, const OSMHandler* handler)
{
    Attributes attributes;
    readAttributes(attributes);
    qint64 id = 0;
    const bool idConverts = OSMXmlValues::toId(attributes.values[Id], id);
    if (!wanted(handler, OSMEntity::Relation, idConverts, id))
        return false;
    if (!idConverts) {
        OSMXmlValues::conversionFailed(diagnostics, "Conversion failed relationId: ", attributes.values[Id]);
        return false;
    }
    entity.reset(OSMEntity::Relation);
    entity.id = id;
    takeCommon(attributes, entity);
    return readChildren(relationName, entity);
}

bool OSMXmlReader::readChildren(QLatin1String name, OSMEntity& entity)
{
    // Only tags and what the element's kind has (node references, members) are read; other
    // children are passed over.
    const OSMEntity::Kind kind = entity.kind();
    bool cut = false;
    reader.readNext();
    while (!atEndOf(reader, name, cut)) {
        if (reader.isStartElement()) {
            const QStringRef child = reader.name();
            if (child == tagName)
                OSMXmlValues::readTag(reader, entity);
            else if (kind == OSMEntity::Way && child == ndName)
                OSMXmlValues::readNd(reader, entity, diagnostics);
            else if (kind == OSMEntity::Relation && child == memberName)
                OSMXmlValues::readMember(reader, entity, diagnostics);
        }
        reader.readNext();
    }
    // An element cut off before its end tag is incomplete: nothing of it counts.
    return !cut;
}

void OSMXmlReader::skip(QLatin1String name)
{
    bool cut = false;
    do
        reader.readNext();
    while (!atEndOf(reader, name, cut));
}
