#include "extraction/OSMParser.h"

#include "extraction/OSMXmlWriter.h"
#include "network/OSMData.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSet>
#include <QXmlStreamReader>
#include <cmath>
#include <iostream>
#include <limits>
#include <string>

namespace {

const QLatin1String nodeName("node");
const QLatin1String wayName("way");
const QLatin1String relationName("relation");
const QLatin1String tagName("tag");
const QLatin1String ndName("nd");
const QLatin1String memberName("member");

void conversionFailed(const char* what, const QStringRef& text)
{
    const QByteArray utf8 = text.toUtf8();
    std::cerr << "OSMParser: " << what;
    std::cerr.write(utf8.constData(), utf8.size());
    std::cerr << std::endl;
}

std::string toStdString(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), std::size_t(utf8.size()));
}

// A coordinate that is not a finite number within `limit` degrees of zero cannot be
// written as a position: it is not on Earth, and 1e308 would come out as a 309-digit
// number that no OpenStreetMap reader accepts.
bool toCoordinate(const QStringRef& text, double limit, double& value)
{
    bool ok = false;
    value = text.toDouble(&ok);
    return ok && std::isfinite(value) && std::fabs(value) <= limit;
}

// A decimal id. The two ends of the 64-bit range count as not converting: C's strtoll
// gives them for every number beyond the range, so OpenStreetMap readers refuse them.
qint64 toId(const QStringRef& text, bool* ok)
{
    const qint64 id = text.toLongLong(ok, 10);
    if (id == std::numeric_limits<qint64>::min() || id == std::numeric_limits<qint64>::max())
        *ok = false;
    return id;
}

// The values of the named attributes of the current element, found in one pass over
// its attribute list. As with QXmlStreamAttributes::value(), names are qualified
// names and the first attribute of a name counts; `found` tells which were present.
// The values point into the reader's own attribute storage (the local list is only a
// shared copy of it), so they stay valid until the reader moves on.
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

bool isLinkValue(const QStringRef& v)
{
    return v == QLatin1String("motorway_link") || v == QLatin1String("trunk_link")
        || v == QLatin1String("primary_link") || v == QLatin1String("secondary_link")
        || v == QLatin1String("tertiary_link");
}

bool isAcceptedHighway(const QStringRef& v)
{
    static const QLatin1String accepted[] = {
        QLatin1String("motorway"),     QLatin1String("motorway_link"),  QLatin1String("trunk"),
        QLatin1String("trunk_link"),   QLatin1String("primary"),        QLatin1String("primary_link"),
        QLatin1String("secondary"),    QLatin1String("secondary_link"), QLatin1String("tertiary"),
        QLatin1String("tertiary_link"), QLatin1String("unclassified"),  QLatin1String("residential"),
        QLatin1String("road"),
    };
    for (const QLatin1String& value : accepted)
        if (v == value)
            return true;
    return false;
}

void writeTag(OSMXmlWriter& writer, const char* k, const char* v)
{
    writer.writeEmptyElement("tag");
    writer.writeAttribute("k", k);
    writer.writeAttribute("v", v);
}

// OpenStreetMap allows 255 characters in a tag value, and its readers refuse values
// not much longer: the bytes of a UTF-8 text up to its 255th character.
std::size_t tagValueLength(const std::string& utf8)
{
    const std::size_t maxCharacters = 255;
    if (utf8.size() <= maxCharacters)
        return utf8.size();
    std::size_t characters = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i)
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80 && ++characters > maxCharacters)
            return i;
    return utf8.size();
}

void writeTag(OSMXmlWriter& writer, const char* k, const std::string& v)
{
    writer.writeEmptyElement("tag");
    writer.writeAttribute("k", k);
    const std::size_t length = tagValueLength(v);
    writer.writeAttribute("v", length == v.size() ? v : v.substr(0, length));
}

void writeTag(OSMXmlWriter& writer, const char* k, qint64 v)
{
    writer.writeEmptyElement("tag");
    writer.writeAttribute("k", k);
    writer.writeAttribute("v", v);
}

void writeNodeStart(OSMXmlWriter& writer, const Node* node)
{
    writer.writeStartElement("node");
    writer.writeAttribute("id", node->getId());
    writer.writeCoordinateAttribute("lat", node->getLat());
    writer.writeCoordinateAttribute("lon", node->getLon());
}

void writeStopNodes(OSMXmlWriter& writer, const OSMStops& stops, const char* k, const char* v,
                    QSet<const Node*>& written)
{
    for (const auto& stop : stops.stops()) {
        const Node* node = stop->getNode();
        written.insert(node);
        writeNodeStart(writer, node);
        writeTag(writer, "name", stop->nameRef());
        writeTag(writer, k, v);
        writer.writeEndElement();
    }
}

void writeMembers(OSMXmlWriter& writer, const std::vector<qint64>& ids, const char* type, const char* role)
{
    for (qint64 id : ids) {
        writer.writeEmptyElement("member");
        writer.writeAttribute("type", type);
        writer.writeAttribute("ref", id);
        writer.writeAttribute("role", role);
    }
}

} // namespace

const QString OSMParser::outputDir = QStringLiteral("./data/comp/");

OSMParser::OSMParser(QObject* parent)
    : QObject(parent)
{
}

void OSMParser::parseFiles(std::vector<QString> filesPaths, OSMData& data)
{
    for (const QString& path : filesPaths)
        parseFile(path, data);
}

void OSMParser::parseFile(const QString& filePath, OSMData& data)
{
    Q_EMIT message(QString("Processing file: \"%1\"...").arg(filePath));
    QFile file(filePath);
    file.open(QIODevice::ReadOnly | QIODevice::Text);
    if (!file.isOpen()) {
        Q_EMIT message(" opening failed!\n");
        return;
    }
    QXmlStreamReader reader(&file);
    // OpenStreetMap files declare no entities of their own. Qt limits what one entity
    // expands to, not how often it is referenced; letting none expand keeps a few
    // kilobytes of references from becoming gigabytes of text. Such a document stops
    // with the reader's entity-limit error.
    reader.setEntityExpansionLimit(0);
    while (!reader.atEnd() && !reader.hasError()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringRef name = reader.name();
        if (name == nodeName)
            readNode(reader, data);
        else if (name == wayName)
            readWay(reader, data);
        else if (name == relationName)
            readRelation(reader, data);
    }
    if (reader.hasError())
        Q_EMIT message(QString("%1\n").arg(reader.errorString()));
    reader.clear();
    file.close();
    data.removeUnusedNodes();
    Q_EMIT message(" OK\n");
}

void OSMParser::parseDir(const QString& dirPath, OSMData& data)
{
    Q_EMIT message(QString("Parsing Dir \"%1\"...\n").arg(dirPath));
    const QStringList nameFilters(QString("*.%1").arg("osm"));
    // The folder's defaults apply: all entries, by name, ignoring case.
    const QStringList entries = QDir(dirPath).entryList(nameFilters);
    for (const QString& entry : entries)
        parseFile(QString("%1/%2").arg(dirPath, entry), data);
    Q_EMIT message(QString("Dir parse done!\n    Way count: %1\n    Node count: %2\n    Bus stop count: %3\n"
                           "    Tram stop count: %4\n    Route count: %5\n")
                       .arg(data.getWays().size())
                       .arg(data.getNodes().size())
                       .arg(data.getBusStops().size())
                       .arg(data.getTramStops().size())
                       .arg(data.getRelations().size()));
}

void OSMParser::readNode(QXmlStreamReader& reader, OSMData& data)
{
    double lat = 0;
    double lon = 0;
    qint64 id = 0;
    // No attribute list may be kept across readNext(): while a copy shares the reader's
    // list, the reader has to copy it for every following token.
    {
        static const QLatin1String names[] = {QLatin1String("lat"), QLatin1String("lon"), QLatin1String("id")};
        QStringRef values[3]; // null when absent, which fails to convert
        bool found[3];
        attributeValues(reader, names, values, found);
        if (!toCoordinate(values[0], 90, lat)) {
            conversionFailed("Conversion failed lat: ", values[0]);
            return;
        }
        if (!toCoordinate(values[1], 180, lon)) {
            conversionFailed("Conversion failed lon: ", values[1]);
            return;
        }
        bool ok = false;
        id = toId(values[2], &ok);
        if (!ok) {
            conversionFailed("Conversion failed id: ", values[2]);
            return;
        }
    }

    QString name;
    bool busStop = false;
    bool tramStop = false;
    bool trafficSignals = false;
    bool cut = false;
    reader.readNext();
    while (!atEndOf(reader, nodeName, cut)) {
        QStringRef k;
        QStringRef v;
        if (reader.isStartElement() && reader.name() == tagName && tagAttributes(reader, k, v)) {
            if (k == QLatin1String("name"))
                name = v.toString();
            else if (k == QLatin1String("railway") && v == QLatin1String("tram_stop"))
                tramStop = true;
            else if (k == QLatin1String("highway") && v == QLatin1String("bus_stop"))
                busStop = true;
            else if (k == QLatin1String("highway") && v == QLatin1String("traffic_signals"))
                trafficSignals = true;
        }
        reader.readNext();
    }
    // A node cut off before its end tag is incomplete: nothing of it is stored.
    if (cut)
        return;

    if (!busStop && !tramStop) {
        data.defineNode(id, lat, lon, trafficSignals);
        return;
    }
    Node* node = data.addNode(id, lat, lon, trafficSignals);
    const std::string stopName = toStdString(name);
    if (busStop)
        data.addBusStop(stopName, node);
    if (tramStop)
        data.addTramStop(stopName, node);
}

void OSMParser::readWay(QXmlStreamReader& reader, OSMData& data)
{
    qint64 id = 0;
    {
        // Released before the next readNext(), as in readNode.
        const QXmlStreamAttributes attributes = reader.attributes();
        if (attributes.hasAttribute(QLatin1String("id"))) {
            const QStringRef idText = attributes.value(QLatin1String("id"));
            bool ok = false;
            const double value = idText.toDouble(&ok);
            // Only numbers that fit a 64-bit id can be truncated to one; anything else
            // (nan, inf, 1e300), and the lowest 64-bit value as with toId, counts as
            // not converting.
            if (ok && std::isfinite(value) && value > -9223372036854775808.0 && value < 9223372036854775808.0)
                id = qint64(value);
            else
                conversionFailed("Conversion failed id: ", idText);
        }
    }

    std::vector<qint64> nodeIds;
    bool highway = false;
    bool tram = false;
    bool oneway = false;
    bool link = false;
    int roadClass = Road;
    int lanesForward = 0;
    int lanesBackward = 0;
    bool cut = false;
    reader.readNext();
    while (!atEndOf(reader, wayName, cut)) {
        if (reader.isStartElement()) {
            const QStringRef element = reader.name();
            QStringRef k;
            QStringRef v;
            if (element == tagName) {
                if (tagAttributes(reader, k, v)) {
                    if (k == QLatin1String("highway") && isAcceptedHighway(v)) {
                        roadClass = roadClassFromName(toStdString(v.toString()));
                        link = isLinkValue(v);
                        highway = true;
                    } else if (k == QLatin1String("railway") && v == QLatin1String("tram")) {
                        tram = true;
                    } else if (k == QLatin1String("oneway") && v == QLatin1String("yes")) {
                        oneway = true;
                    } else if (k == QLatin1String("lanes:forward")) {
                        lanesForward = v.toInt(nullptr, 10);
                    } else if (k == QLatin1String("lanes:backward")) {
                        lanesBackward = v.toInt(nullptr, 10);
                    }
                }
            } else if (element == ndName) {
                static const QLatin1String names[] = {QLatin1String("ref")};
                QStringRef ref[1];
                bool found[1];
                attributeValues(reader, names, ref, found);
                if (found[0])
                    nodeIds.push_back(ref[0].toLongLong(nullptr, 10));
            }
        }
        reader.readNext();
    }
    if (cut)
        return;

    // A road's lanes follow from its direction alone; only a tram track that is no
    // road keeps the lanes:forward and lanes:backward values.
    if (highway) {
        lanesForward = 1;
        lanesBackward = oneway ? 0 : 1;
    }
    if (!highway && !tram)
        return;
    if (nodeIds.size() < 2)
        return;
    data.addWay(id, nodeIds, tram, highway, oneway, link, roadClass, lanesForward, lanesBackward);
}

void OSMParser::readRelation(QXmlStreamReader& reader, OSMData& data)
{
    const QStringRef idText = reader.attributes().value(QLatin1String("id"));
    bool ok = false;
    const qint64 id = toId(idText, &ok);
    if (!ok) {
        conversionFailed("Conversion failed relationId: ", idText);
        return;
    }

    QString name;
    QString ref;
    QString route;
    bool isRoute = false;
    std::vector<qint64> ways;
    std::vector<qint64> forwardWays;
    std::vector<qint64> backwardWays;
    std::vector<qint64> stops;
    bool cut = false;
    reader.readNext();
    while (!atEndOf(reader, relationName, cut)) {
        if (reader.isStartElement()) {
            const QStringRef element = reader.name();
            if (element == memberName) {
                static const QLatin1String names[] = {QLatin1String("type"), QLatin1String("ref"),
                                                      QLatin1String("role")};
                QStringRef values[3];
                bool found[3];
                attributeValues(reader, names, values, found);
                const QStringRef type = values[0];
                const QStringRef refText = values[1];
                const QStringRef role = values[2]; // null when absent: then neither forward nor backward
                if (found[0] && found[1]) {
                    const qint64 memberId = toId(refText, &ok);
                    if (!ok) {
                        conversionFailed("Conversion failed memberRefId: ", refText);
                    } else if (type == QLatin1String("way")) {
                        if (found[2] && role == QLatin1String("forward"))
                            forwardWays.push_back(memberId);
                        else if (found[2] && role == QLatin1String("backward"))
                            backwardWays.push_back(memberId);
                        else
                            ways.push_back(memberId);
                    } else if (type == QLatin1String("node")) {
                        stops.push_back(memberId);
                    }
                }
            } else if (element == tagName) {
                QStringRef k;
                QStringRef v;
                if (tagAttributes(reader, k, v)) {
                    if (k == QLatin1String("name")) {
                        name = v.toString();
                    } else if (k == QLatin1String("ref")) {
                        ref = v.toString();
                    } else if (k == QLatin1String("route")) {
                        route = v.toString();
                    } else if (k == QLatin1String("type")) {
                        if (v != QLatin1String("route")) {
                            // Not a route: skip the rest of the relation unread.
                            do
                                reader.readNext();
                            while (!atEndOf(reader, relationName, cut));
                            return;
                        }
                        isRoute = true;
                    }
                }
            }
        }
        reader.readNext();
    }
    if (cut)
        return;
    if (isRoute
        && (route == QLatin1String("tram") || route == QLatin1String("bus") || route == QLatin1String("trolleybus")))
        data.addRelation(id, toStdString(name), toStdString(ref), toStdString(route), std::move(ways),
                         std::move(forwardWays), std::move(backwardWays), std::move(stops));
}

QString OSMParser::outputFileName()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    const QChar zero('0');
    return QString("%1-%2-%3_%4-%5-%6")
        .arg(date.year())
        .arg(date.month(), 2, 10, zero)
        .arg(date.day(), 2, 10, zero)
        .arg(time.hour(), 2, 10, zero)
        .arg(time.minute(), 2, 10, zero)
        .arg(time.second(), 2, 10, zero);
}

void OSMParser::writeOutputFile(OSMData& data, Coverage coverage)
{
    const QString fileName
        = QString("%1%2.osm").arg(outputFileName(), coverage == Coverage::Incomplete ? "-incomplete" : "");
    // Only the last folder level is created; a failure shows when the file is opened.
    if (!QDir(outputDir).exists())
        QDir().mkdir(outputDir);
    Q_EMIT message(QString("Creating output file: \"%1%2\"... ").arg(outputDir, fileName));
    const QString path = QString("%1%2").arg(outputDir, fileName);

    // The file appears under its name only when completely written, so a failed
    // write never replaces an earlier network file with a truncated one.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        Q_EMIT message(QString("Could not open \"%1\" for writting!\n").arg(path));
        return;
    }
    OSMXmlWriter writer(&file);
    writer.writeStartDocument();
    writer.writeStartElement("osm");
    writeNodes(writer, data);
    writeWays(writer, data);
    writeRelations(writer, data);
    writer.writeEndElement();
    writer.writeEndDocument();
    if (writer.hasError())
        file.cancelWriting();
    if (!file.commit()) {
        Q_EMIT message(QString("Error while writing to file: %1\n").arg(path));
        return;
    }

    Q_EMIT message(QString("OK\n    Node count: %1\n    Bus stop count: %2\n    Tram stop count: %3\n"
                           "    Way count: %4\n    Route count: %5\n")
                       .arg(data.getNodes().size())
                       .arg(data.getBusStops().size())
                       .arg(data.getTramStops().size())
                       .arg(data.getWays().size())
                       .arg(data.getRelations().size()));
    Q_EMIT processingDone();
}

void OSMParser::writeNodes(OSMXmlWriter& writer, OSMData& data)
{
    // Stop nodes are written once per stop, with the stop's tags; the plain node
    // group then skips them.
    QSet<const Node*> written;
    writeStopNodes(writer, data.getBusStops(), "highway", "bus_stop", written);
    writeStopNodes(writer, data.getTramStops(), "railway", "tram_stop", written);
    for (const auto& node : data.getNodes().nodes()) {
        if (!node->isUsed() || written.contains(node.get()))
            continue;
        writeNodeStart(writer, node.get());
        if (node->hasTrafficSignals())
            writeTag(writer, "highway", "traffic_signals");
        writer.writeEndElement();
    }
}

void OSMParser::writeWays(OSMXmlWriter& writer, OSMData& data)
{
    for (const auto& way : data.getWays().ways()) {
        if (!way->firstNode() || !way->lastNode()) {
            std::cerr << "OSMParser: " << "oops something is NULL | continue;" << std::endl;
            continue;
        }
        writer.writeStartElement("way");
        writer.writeAttribute("id", way->getId());
        for (const Node* node : way->nodes()) {
            writer.writeEmptyElement("nd");
            writer.writeAttribute("ref", node->getId());
        }
        if (way->getHighway())
            writeTag(writer, "highway", roadClassName(way->getRoadClass(), way->getLink()));
        if (way->getTram())
            writeTag(writer, "railway", "tram");
        const int forward = way->getLanesForward();
        const int backward = way->getLanesBackward();
        if (way->getOneway()) {
            writeTag(writer, "oneway", "yes");
            if (forward != 1)
                writeTag(writer, "lanes", qint64(forward));
        } else {
            if (forward > 1 || backward > 1)
                writeTag(writer, "lanes", qint64(forward) + backward);
            if (forward != backward) {
                writeTag(writer, "lanes:forward", qint64(forward));
                writeTag(writer, "lanes:backward", qint64(backward));
            }
        }
        writer.writeEndElement();
    }
}

void OSMParser::writeRelations(OSMXmlWriter& writer, OSMData& data)
{
    for (const auto& relation : data.getRelations().relations()) {
        writer.writeStartElement("relation");
        writer.writeAttribute("id", relation->getId());
        writeMembers(writer, relation->getWays(), "way", "");
        writeMembers(writer, relation->getForwardWays(), "way", "forward");
        writeMembers(writer, relation->getBackwardWays(), "way", "backward");
        writeMembers(writer, relation->getStops(), "node", "stop");
        if (!relation->getName().empty())
            writeTag(writer, "name", relation->getName());
        if (!relation->getRef().empty())
            writeTag(writer, "ref", relation->getRef());
        if (!relation->getRoute().empty())
            writeTag(writer, "route", relation->getRoute());
        writeTag(writer, "type", "route");
        writer.writeEndElement();
    }
}
