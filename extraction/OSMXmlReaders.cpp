#include "extraction/OSMXmlReaders.h"

#include "extraction/ClipSelection.h"
#include "extraction/NetworkKeepRules.h"

#include <QXmlStreamReader>
#include <vector>

namespace {

const QLatin1String nodeName("node");
const QLatin1String wayName("way");
const QLatin1String relationName("relation");
const QLatin1String tagName("tag");
const QLatin1String ndName("nd");
const QLatin1String memberName("member");

void conversionFailed(const char* what, const QStringRef& text)
{
    NetworkKeepRules::conversionFailed(what, text.toUtf8());
}

// The values of the named attributes of the current element, found in one pass over
// its attribute list. As with QXmlStreamAttributes::value(), names are qualified
// names and the first attribute of a name counts; `found` tells which were present.
// The values point into the reader's own attribute storage (the local list is only a
// shared copy of it), so they stay valid until the reader moves on. No attribute
// list may be kept across readNext(): while a copy shares the reader's list, the
// reader has to copy it for every following token.
template <std::size_t N>
void attributeValues(const QXmlStreamReader& reader, const QLatin1String (&names)[N], QStringRef (&values)[N],
                     bool (&found)[N])
{
    for (bool& f : found)
        f = false;
    const QXmlStreamAttributes attributes = reader.attributes();
    for (const QXmlStreamAttribute& attribute : attributes) {
        const QStringRef name = attribute.qualifiedName();
        for (std::size_t i = 0; i < N; ++i) {
            if (!found[i] && name == names[i]) {
                values[i] = attribute.value();
                found[i] = true;
                break;
            }
        }
    }
}

// The k and v attributes of a tag; false unless both are present.
bool tagAttributes(const QXmlStreamReader& reader, QStringRef& k, QStringRef& v)
{
    static const QLatin1String names[] = {QLatin1String("k"), QLatin1String("v")};
    QStringRef values[2];
    bool found[2];
    attributeValues(reader, names, values, found);
    k = values[0];
    v = values[1];
    return found[0] && found[1];
}

// True when the reader stands on the end tag of `name`; false, with `cut` set, when
// the document ended or broke before it.
bool atEndOf(const QXmlStreamReader& reader, QLatin1String name, bool& cut)
{
    if (reader.isEndElement() && reader.name() == name)
        return true;
    cut = reader.atEnd() || reader.hasError();
    return cut;
}

bool toCoordinate(const QStringRef& text, bool latitude, double& value)
{
    bool ok = false;
    value = text.toDouble(&ok);
    return ok && (latitude ? NetworkKeepRules::isLatitude(value) : NetworkKeepRules::isLongitude(value));
}

bool toId(const QStringRef& text, qint64& id)
{
    bool ok = false;
    id = text.toLongLong(&ok, 10);
    return ok && NetworkKeepRules::isId(id);
}

// A node's position and id, converted in this order; only the first failure is
// reported, when `report` is set.
bool nodeAttributes(const QXmlStreamReader& reader, double& lat, double& lon, qint64& id, bool report)
{
    static const QLatin1String names[] = {QLatin1String("lat"), QLatin1String("lon"), QLatin1String("id")};
    QStringRef values[3]; // null when absent, which fails to convert
    bool found[3];
    attributeValues(reader, names, values, found);
    if (!toCoordinate(values[0], true, lat)) {
        if (report)
            conversionFailed("Conversion failed lat: ", values[0]);
        return false;
    }
    if (!toCoordinate(values[1], false, lon)) {
        if (report)
            conversionFailed("Conversion failed lon: ", values[1]);
        return false;
    }
    if (!toId(values[2], id)) {
        if (report)
            conversionFailed("Conversion failed id: ", values[2]);
        return false;
    }
    return true;
}

// The id a way is read with: the number truncated to an integer, 0 when the
// attribute is absent or does not convert. A way is never dropped for its id.
qint64 wayId(const QXmlStreamReader& reader, bool report)
{
    static const QLatin1String names[] = {QLatin1String("id")};
    QStringRef idText[1];
    bool found[1];
    attributeValues(reader, names, idText, found);
    if (!found[0])
        return 0;
    bool ok = false;
    const double value = idText[0].toDouble(&ok);
    qint64 id = 0;
    if (!ok || !NetworkKeepRules::wayIdFromNumber(value, id)) {
        if (report)
            conversionFailed("Conversion failed id: ", idText[0]);
        return 0;
    }
    return id;
}

bool relationId(const QXmlStreamReader& reader, qint64& id, bool report)
{
    const QStringRef idText = reader.attributes().value(QLatin1String("id"));
    if (toId(idText, id))
        return true;
    if (report)
        conversionFailed("Conversion failed relationId: ", idText);
    return false;
}

// An nd's ref: absent, nothing; not a number, node 0.
bool ndRef(const QXmlStreamReader& reader, qint64& ref)
{
    static const QLatin1String names[] = {QLatin1String("ref")};
    QStringRef value[1];
    bool found[1];
    attributeValues(reader, names, value, found);
    if (found[0])
        ref = value[0].toLongLong(nullptr, 10);
    return found[0];
}

} // namespace

void OSMXmlReaders::readNode(QXmlStreamReader& reader, OSMData& data)
{
    double lat = 0;
    double lon = 0;
    qint64 id = 0;
    if (!nodeAttributes(reader, lat, lon, id, true))
        return;

    NetworkKeepRules::NodeValues values;
    bool cut = false;
    reader.readNext();
    while (!atEndOf(reader, nodeName, cut)) {
        QStringRef k;
        QStringRef v;
        if (reader.isStartElement() && reader.name() == tagName && tagAttributes(reader, k, v))
            values.tag(k, v);
        reader.readNext();
    }
    // A node cut off before its end tag is incomplete: nothing of it is stored.
    if (!cut)
        values.store(data, id, lat, lon);
}

void OSMXmlReaders::readWay(QXmlStreamReader& reader, OSMData& data)
{
    const qint64 id = wayId(reader, true);
    NetworkKeepRules::WayValues values;
    bool cut = false;
    reader.readNext();
    while (!atEndOf(reader, wayName, cut)) {
        if (reader.isStartElement()) {
            const QStringRef element = reader.name();
            if (element == tagName) {
                QStringRef k;
                QStringRef v;
                if (tagAttributes(reader, k, v))
                    values.tag(k, v);
            } else if (element == ndName) {
                qint64 ref = 0;
                if (ndRef(reader, ref))
                    values.nodeIds.push_back(ref);
            }
        }
        reader.readNext();
    }
    if (!cut)
        values.store(data, id);
}

void OSMXmlReaders::readRelation(QXmlStreamReader& reader, OSMData& data)
{
    qint64 id = 0;
    if (!relationId(reader, id, true))
        return;

    NetworkKeepRules::RouteValues values;
    bool cut = false;
    reader.readNext();
    while (!atEndOf(reader, relationName, cut)) {
        if (reader.isStartElement()) {
            const QStringRef element = reader.name();
            if (element == memberName) {
                static const QLatin1String names[] = {QLatin1String("type"), QLatin1String("ref"),
                                                      QLatin1String("role")};
                QStringRef attributes[3];
                bool found[3];
                attributeValues(reader, names, attributes, found);
                if (found[0] && found[1]) {
                    qint64 memberRef = 0;
                    if (!toId(attributes[1], memberRef))
                        conversionFailed("Conversion failed memberRefId: ", attributes[1]);
                    else
                        values.member(attributes[0], memberRef, attributes[2], found[2]);
                }
            } else if (element == tagName) {
                QStringRef k;
                QStringRef v;
                if (tagAttributes(reader, k, v) && !values.tag(k, v)) {
                    // Not a route: the rest of the relation is skipped unread.
                    do
                        reader.readNext();
                    while (!atEndOf(reader, relationName, cut));
                    return;
                }
            }
        }
        reader.readNext();
    }
    if (!cut)
        values.store(data, id);
}

void OSMXmlReaders::scan(QXmlStreamReader& reader, ClipSelection& selection)
{
    // As the readers do, an element is read up to its own end tag; nodes, ways and
    // relations nested inside it do not count.
    enum Inside { Nothing, InNode, InWay, InRelation };
    Inside inside = Nothing;
    qint64 id = 0;
    bool pulledIn = false;
    std::vector<qint64> nodeIds;
    while (!reader.atEnd() && !reader.hasError()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::EndElement) {
            const QStringRef name = reader.name();
            if (inside == InNode && name == nodeName) {
                inside = Nothing;
            } else if (inside == InWay && name == wayName) {
                selection.addWay(id, nodeIds);
                inside = Nothing;
            } else if (inside == InRelation && name == relationName) {
                if (pulledIn)
                    selection.addRelation(id);
                inside = Nothing;
            }
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QStringRef name = reader.name();
        if (inside == InWay) {
            qint64 ref = 0;
            if (name == ndName && ndRef(reader, ref))
                nodeIds.push_back(ref);
        } else if (inside == InRelation) {
            if (name != memberName || pulledIn)
                continue;
            static const QLatin1String names[] = {QLatin1String("type"), QLatin1String("ref")};
            QStringRef values[2];
            bool found[2];
            attributeValues(reader, names, values, found);
            qint64 memberRef = 0;
            if (!found[0] || !found[1] || !toId(values[1], memberRef))
                continue;
            const ClipSelection::MemberType type = values[0] == nodeName ? ClipSelection::NodeMember
                : values[0] == wayName                                    ? ClipSelection::WayMember
                                                                          : ClipSelection::OtherMember;
            pulledIn = selection.pullsIn(type, memberRef);
        } else if (inside == Nothing) {
            if (name == nodeName) {
                double lat = 0;
                double lon = 0;
                if (nodeAttributes(reader, lat, lon, id, false)) {
                    selection.addNode(id, lat, lon);
                    inside = InNode;
                }
            } else if (name == wayName) {
                id = wayId(reader, false);
                nodeIds.clear();
                inside = InWay;
            } else if (name == relationName) {
                pulledIn = false;
                if (relationId(reader, id, false))
                    inside = InRelation;
            }
        }
    }
}

bool OSMXmlReaders::isSelected(const QXmlStreamReader& reader, const ClipSelection& selection)
{
    const QStringRef name = reader.name();
    qint64 id = 0;
    if (name == wayName)
        return selection.keepsWay(wayId(reader, false));
    if (name == nodeName) {
        static const QLatin1String names[] = {QLatin1String("id")};
        QStringRef idText[1];
        bool found[1];
        attributeValues(reader, names, idText, found);
        return toId(idText[0], id) && selection.keepsNode(id);
    }
    return relationId(reader, id, false) && selection.keepsRelation(id);
}
