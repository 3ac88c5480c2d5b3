#include "extraction/OSMXmlObjectReader.h"

#include "extraction/KeptObjects.h"
#include "extraction/NetworkKeepRules.h"
#include "extraction/OSMXmlAttributes.h"

#include <QXmlStreamReader>

namespace {

std::string utf8(const QStringRef& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

void readMetadata(const QXmlStreamReader& reader, KeptObjects::Object& object)
{
    static const QLatin1String names[KeptObjects::metadataCount] = {
        QLatin1String(KeptObjects::metadataNames[0]), QLatin1String(KeptObjects::metadataNames[1]),
        QLatin1String(KeptObjects::metadataNames[2]), QLatin1String(KeptObjects::metadataNames[3]),
        QLatin1String(KeptObjects::metadataNames[4])};
    QStringRef values[KeptObjects::metadataCount];
    bool found[KeptObjects::metadataCount];
    OSMXmlAttributes::values(reader, names, values, found);
    for (int i = 0; i < KeptObjects::metadataCount; ++i)
        if (found[i])
            object.setMetadata(KeptObjects::Metadata(i), utf8(values[i]));
}

// A tag of the current element, kept whole; true when it had both k and v.
bool readTag(const QXmlStreamReader& reader, KeptObjects::Object& object, QStringRef& k, QStringRef& v)
{
    if (!OSMXmlAttributes::tag(reader, k, v))
        return false;
    object.tags.emplace_back(utf8(k), utf8(v));
    return true;
}

void readNode(QXmlStreamReader& reader, KeptObjects& objects, KeptObjects::Object& node)
{
    readMetadata(reader, node);
    bool cut = false;
    reader.readNext();
    while (!OSMXmlAttributes::atEndOf(reader, OSMXmlAttributes::nodeName, cut)) {
        QStringRef k;
        QStringRef v;
        if (reader.isStartElement() && reader.name() == OSMXmlAttributes::tagName)
            readTag(reader, node, k, v);
        reader.readNext();
    }
    if (!cut)
        objects.addNode(std::move(node));
}

void readWay(QXmlStreamReader& reader, KeptObjects& objects, KeptObjects::Object& way)
{
    readMetadata(reader, way);
    NetworkKeepRules::WayValues values;
    bool cut = false;
    reader.readNext();
    while (!OSMXmlAttributes::atEndOf(reader, OSMXmlAttributes::wayName, cut)) {
        if (reader.isStartElement()) {
            QStringRef k;
            QStringRef v;
            qint64 ref = 0;
            if (reader.name() == OSMXmlAttributes::tagName && readTag(reader, way, k, v))
                values.tag(k, v);
            else if (reader.name() == OSMXmlAttributes::ndName && OSMXmlAttributes::ndRef(reader, ref, false))
                way.refs.push_back(ref);
        }
        reader.readNext();
    }
    if (!cut && values.isRoadOrTramTrack() && way.refs.size() >= 2)
        objects.addWay(std::move(way));
}

void readMember(const QXmlStreamReader& reader, KeptObjects::Object& relation)
{
    static const QLatin1String names[] = {QLatin1String("type"), QLatin1String("ref"), QLatin1String("role")};
    QStringRef attributes[3];
    bool found[3];
    OSMXmlAttributes::values(reader, names, attributes, found);
    qint64 ref = 0;
    if (!found[0] || !found[1] || !OSMXmlAttributes::toId(attributes[1], ref))
        return;
    // Standard OSM XML knows these three member types only.
    const char* type = attributes[0] == OSMXmlAttributes::nodeName ? "node"
        : attributes[0] == OSMXmlAttributes::wayName                ? "way"
        : attributes[0] == OSMXmlAttributes::relationName           ? "relation"
                                                                     : nullptr;
    if (type)
        relation.members.push_back({type, ref, utf8(attributes[2])});
}

void readRelation(QXmlStreamReader& reader, KeptObjects& objects, KeptObjects::Object& relation)
{
    readMetadata(reader, relation);
    NetworkKeepRules::RouteValues values;
    bool route = true;
    bool cut = false;
    reader.readNext();
    while (!OSMXmlAttributes::atEndOf(reader, OSMXmlAttributes::relationName, cut)) {
        if (reader.isStartElement()) {
            QStringRef k;
            QStringRef v;
            if (reader.name() == OSMXmlAttributes::memberName)
                readMember(reader, relation);
            else if (reader.name() == OSMXmlAttributes::tagName && readTag(reader, relation, k, v))
                route = values.tag(k, v) && route;
        }
        reader.readNext();
    }
    if (!cut && route && values.isKept())
        objects.addRelation(std::move(relation));
}

// Passes over an element that is not wanted as the first reading read it: up to its end tag.
void skip(QXmlStreamReader& reader, QLatin1String name)
{
    bool cut = false;
    do
        reader.readNext();
    while (!OSMXmlAttributes::atEndOf(reader, name, cut));
}

} // namespace

void OSMXmlObjectReader::read(QXmlStreamReader& reader, KeptObjects& objects)
{
    while (!reader.atEnd() && !reader.hasError()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringRef name = reader.name();
        KeptObjects::Object object;
        if (name == OSMXmlAttributes::nodeName) {
            if (!OSMXmlAttributes::node(reader, object.lat, object.lon, object.id, false))
                continue;
            if (objects.wantsNode(object.id))
                readNode(reader, objects, object);
            else
                skip(reader, OSMXmlAttributes::nodeName);
        } else if (name == OSMXmlAttributes::wayName) {
            object.id = OSMXmlAttributes::wayId(reader, false);
            if (objects.wantsWay(object.id))
                readWay(reader, objects, object);
            else
                skip(reader, OSMXmlAttributes::wayName);
        } else if (name == OSMXmlAttributes::relationName) {
            if (!OSMXmlAttributes::relationId(reader, object.id, false))
                continue;
            if (objects.wantsRelation(object.id))
                readRelation(reader, objects, object);
            else
                skip(reader, OSMXmlAttributes::relationName);
        }
    }
}
