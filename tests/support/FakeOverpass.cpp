#include "tests/support/FakeOverpass.h"

#include "network/KeepTable.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QUrlQuery>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {

using Attributes = QList<QPair<QString, QString>>;

struct Element
{
    QString kind; // node, way, relation
    qint64 id = 0;
    Attributes attributes; // as in the file, id first
    Attributes tags;
    QList<qint64> nodeRefs;
    QList<QPair<QString, qint64>> members; // type, ref
    Attributes memberAttributes;           // type, ref, role of each member, in threes
    double lat = 0;
    double lon = 0;

    QString tag(const QString& key) const
    {
        for (const auto& t : tags)
            if (t.first == key)
                return t.second;
        return QString();
    }
    bool hasTag(const QString& key) const
    {
        for (const auto& t : tags)
            if (t.first == key)
                return true;
        return false;
    }
};

Element readElement(QXmlStreamReader& reader)
{
    Element element;
    element.kind = reader.name().toString();
    for (const QXmlStreamAttribute& a : reader.attributes())
        element.attributes << qMakePair(a.qualifiedName().toString(), a.value().toString());
    element.id = reader.attributes().value("id").toLongLong();
    element.lat = reader.attributes().value("lat").toDouble();
    element.lon = reader.attributes().value("lon").toDouble();
    while (reader.readNextStartElement()) {
        const QXmlStreamAttributes a = reader.attributes();
        if (reader.name() == QLatin1String("tag")) {
            element.tags << qMakePair(a.value("k").toString(), a.value("v").toString());
        } else if (reader.name() == QLatin1String("nd")) {
            element.nodeRefs << a.value("ref").toLongLong();
        } else if (reader.name() == QLatin1String("member")) {
            element.members << qMakePair(a.value("type").toString(), a.value("ref").toLongLong());
            element.memberAttributes << qMakePair(QString("type"), a.value("type").toString())
                                     << qMakePair(QString("ref"), a.value("ref").toString())
                                     << qMakePair(QString("role"), a.value("role").toString());
        }
        reader.skipCurrentElement();
    }
    return element;
}

} // namespace

struct FakeOverpass::Data
{
    QMap<qint64, Element> nodes;
    QMap<qint64, Element> ways;
    QMap<qint64, Element> relations;
};

FakeOverpass::FakeOverpass(const QStringList& folders)
    : data(new Data)
{
    for (const QString& folder : folders) {
        for (const QString& name : QDir(folder).entryList({"*.osm"}, QDir::Files, QDir::Name)) {
            QFile file(QDir(folder).filePath(name));
            if (!file.open(QIODevice::ReadOnly))
                continue;
            QXmlStreamReader reader(&file);
            if (!reader.readNextStartElement())
                continue;
            while (reader.readNextStartElement()) {
                const QString kind = reader.name().toString();
                if (kind != "node" && kind != "way" && kind != "relation") {
                    reader.skipCurrentElement();
                    continue;
                }
                const Element element = readElement(reader);
                QMap<qint64, Element>& set = kind == "node" ? data->nodes : kind == "way" ? data->ways : data->relations;
                if (!set.contains(element.id))
                    set.insert(element.id, element);
            }
        }
    }
}

FakeOverpass::~FakeOverpass() = default;

bool FakeOverpass::boxOf(const FakeHttpServer::Request& request, BoundingBox& box)
{
    const QString query = QUrlQuery(QString::fromUtf8(request.body).replace('+', ' '))
                              .queryItemValue("data", QUrl::FullyDecoded);
    const QRegularExpressionMatch match = QRegularExpression("\\(([-0-9.]+),([-0-9.]+),([-0-9.]+),([-0-9.]+)\\)")
                                              .match(query);
    if (!match.hasMatch())
        return false;
    const auto bound = [&match](int n) { return match.captured(n).toDouble(); };
    box = BoundingBox(bound(2), bound(1), bound(4), bound(3));
    return true;
}

QByteArray FakeOverpass::answer(const BoundingBox& box, bool routeRoads) const
{
    // The map call's selection.
    QSet<qint64> inside;
    for (const Element& node : data->nodes)
        if (box.contains(node.lat, node.lon))
            inside.insert(node.id);
    QSet<qint64> ways;
    QSet<qint64> nodes = inside;
    for (const Element& way : data->ways) {
        for (qint64 ref : way.nodeRefs) {
            if (inside.contains(ref)) {
                ways.insert(way.id);
                for (qint64 r : way.nodeRefs)
                    if (data->nodes.contains(r))
                        nodes.insert(r);
                break;
            }
        }
    }
    QSet<qint64> relations;
    for (const Element& relation : data->relations)
        for (const auto& member : relation.members)
            if ((member.first == "node" && inside.contains(member.second))
                || (member.first == "way" && ways.contains(member.second)))
                relations.insert(relation.id);
    QSet<qint64> selected = relations;
    for (const Element& relation : data->relations)
        for (const auto& member : relation.members)
            if (member.first == "relation" && relations.contains(member.second))
                selected.insert(relation.id);

    // What the answer holds of it.
    QSet<qint64> outWays;
    QSet<qint64> outNodes;
    for (qint64 id : ways) {
        const Element& way = data->ways[id];
        // The roads of the network, by the road table's values, and the tram tracks.
        const KeepTable::Highway* highway = KeepTable::highway(way.tag("highway").toUtf8().toStdString());
        if ((highway && highway->road) || way.tag("railway") == "tram") {
            outWays.insert(id);
            for (qint64 r : way.nodeRefs)
                if (data->nodes.contains(r))
                    outNodes.insert(r);
        }
    }
    for (qint64 id : nodes) {
        const Element& node = data->nodes[id];
        const QString highway = node.tag("highway");
        if (highway == "bus_stop" || highway == "traffic_signals" || node.tag("railway") == "tram_stop"
            || node.hasTag("public_transport"))
            outNodes.insert(id);
    }
    QSet<qint64> outRelations;
    for (qint64 id : selected) {
        const Element& relation = data->relations[id];
        const QString route = relation.tag("route");
        if (relation.tag("type") != "route" || (route != "bus" && route != "trolleybus" && route != "tram"))
            continue;
        outRelations.insert(id);
        for (const auto& member : relation.members) {
            if (member.first == "node" && nodes.contains(member.second))
                outNodes.insert(member.second);
            // The query of a run that keeps the roads of routes asks for the ways they use.
            if (routeRoads && member.first == "way" && ways.contains(member.second)) {
                outWays.insert(member.second);
                for (qint64 r : data->ways[member.second].nodeRefs)
                    if (data->nodes.contains(r))
                        outNodes.insert(r);
            }
        }
    }

    QByteArray xml;
    QXmlStreamWriter writer(&xml);
    writer.setAutoFormatting(true);
    writer.setAutoFormattingIndent(2);
    writer.writeStartDocument();
    writer.writeStartElement("osm");
    writer.writeAttribute("version", "0.6");
    writer.writeAttribute("generator", "Overpass API 0.7.62 (fake)");
    writer.writeTextElement("note", "The data included in this document is from www.openstreetmap.org. The data is "
                                    "made available under ODbL.");
    writer.writeEmptyElement("meta");
    writer.writeAttribute("osm_base", "2013-11-01T00:00:00Z");
    const auto write = [&writer](const QMap<qint64, Element>& set, const QSet<qint64>& ids) {
        QList<qint64> sorted = ids.values();
        std::sort(sorted.begin(), sorted.end());
        for (qint64 id : sorted) {
            const Element& element = set[id];
            writer.writeStartElement(element.kind);
            for (const auto& a : element.attributes)
                writer.writeAttribute(a.first, a.second);
            for (qint64 ref : element.nodeRefs) {
                writer.writeEmptyElement("nd");
                writer.writeAttribute("ref", QString::number(ref));
            }
            for (int i = 0; i + 2 < element.memberAttributes.size(); i += 3) {
                writer.writeEmptyElement("member");
                for (int j = 0; j < 3; ++j)
                    writer.writeAttribute(element.memberAttributes[i + j].first, element.memberAttributes[i + j].second);
            }
            for (const auto& t : element.tags) {
                writer.writeEmptyElement("tag");
                writer.writeAttribute("k", t.first);
                writer.writeAttribute("v", t.second);
            }
            writer.writeEndElement();
        }
    };
    write(data->nodes, outNodes);
    write(data->ways, outWays);
    write(data->relations, outRelations);
    writer.writeEndElement();
    writer.writeEndDocument();
    return xml;
}

FakeHttpServer::Response FakeOverpass::respond(const FakeHttpServer::Request& request) const
{
    BoundingBox box;
    if (!boxOf(request, box))
        return FakeHttpServer::Response::error(400, "<html><body><p>Error: no box in the query</p></body></html>");
    const bool routeRoads = QString::fromUtf8(request.body).contains("routeWays");
    return FakeHttpServer::Response::ok(answer(box, routeRoads), "application/osm3s+xml");
}
