#include "extraction/OSMXmlReaders.h"

#include "extraction/NetworkKeepRules.h"
#include "extraction/OSMXmlAttributes.h"

#include <QXmlStreamReader>

void OSMXmlReaders::readNode(QXmlStreamReader& reader, OSMData& data)
{
    double lat = 0;
    double lon = 0;
    qint64 id = 0;
    if (!OSMXmlAttributes::node(reader, lat, lon, id, true))
        return;

    NetworkKeepRules::NodeValues values;
    bool cut = false;
    reader.readNext();
    while (!OSMXmlAttributes::atEndOf(reader, OSMXmlAttributes::nodeName, cut)) {
        QStringRef k;
        QStringRef v;
        if (reader.isStartElement() && reader.name() == OSMXmlAttributes::tagName
            && OSMXmlAttributes::tag(reader, k, v))
            values.tag(k, v);
        reader.readNext();
    }
    // A node cut off before its end tag is incomplete: nothing of it is stored.
    if (!cut)
        values.store(data, id, lat, lon);
}

void OSMXmlReaders::readWay(QXmlStreamReader& reader, OSMData& data)
{
    const qint64 id = OSMXmlAttributes::wayId(reader, true);
    NetworkKeepRules::WayValues values;
    bool cut = false;
    reader.readNext();
    while (!OSMXmlAttributes::atEndOf(reader, OSMXmlAttributes::wayName, cut)) {
        if (reader.isStartElement()) {
            const QStringRef element = reader.name();
            if (element == OSMXmlAttributes::tagName) {
                QStringRef k;
                QStringRef v;
                if (OSMXmlAttributes::tag(reader, k, v))
                    values.tag(k, v);
            } else if (element == OSMXmlAttributes::ndName) {
                qint64 ref = 0;
                if (OSMXmlAttributes::ndRef(reader, ref, true))
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
    if (!OSMXmlAttributes::relationId(reader, id, true))
        return;

    NetworkKeepRules::RouteValues values;
    bool cut = false;
    reader.readNext();
    while (!OSMXmlAttributes::atEndOf(reader, OSMXmlAttributes::relationName, cut)) {
        if (reader.isStartElement()) {
            const QStringRef element = reader.name();
            if (element == OSMXmlAttributes::memberName) {
                static const QLatin1String names[] = {QLatin1String("type"), QLatin1String("ref"),
                                                      QLatin1String("role")};
                QStringRef attributes[3];
                bool found[3];
                OSMXmlAttributes::values(reader, names, attributes, found);
                if (found[0] && found[1]) {
                    qint64 memberRef = 0;
                    if (!OSMXmlAttributes::toId(attributes[1], memberRef))
                        OSMXmlAttributes::conversionFailed("Conversion failed memberRefId: ", attributes[1]);
                    else
                        values.member(attributes[0], memberRef, attributes[2], found[2]);
                }
            } else if (element == OSMXmlAttributes::tagName) {
                QStringRef k;
                QStringRef v;
                if (OSMXmlAttributes::tag(reader, k, v) && !values.tag(k, v)) {
                    // Not a route: the rest of the relation is skipped unread.
                    do
                        reader.readNext();
                    while (!OSMXmlAttributes::atEndOf(reader, OSMXmlAttributes::relationName, cut));
                    return;
                }
            }
        }
        reader.readNext();
    }
    if (!cut)
        values.store(data, id);
}
