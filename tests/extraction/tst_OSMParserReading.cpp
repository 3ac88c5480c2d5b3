#include "extraction/OSMParser.h"
#include "network/OSMData.h"
#include "tests/support/ExpectedLog.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TestWorkDir.h"

#include <QtTest>

// Reading OSM XML into the network data: the element readers' tag and member
// tables, conversion failures, and the driver's per-file messages.
using namespace ExpectedLog;

class tst_OSMParserReading : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void nodeTags_data();
    void nodeTags();
    void nodeConversionFailures_data();
    void nodeConversionFailures();
    void repeatedNodes();
    void stopNameInUtf8();

    void wayTags_data();
    void wayTags();
    void wayIds_data();
    void wayIds();
    void wayNodeReferences();
    void repeatedWayIgnored();

    void relationMembers();
    void relationKept_data();
    void relationKept();
    void relationConversionFailures();
    void repeatedRelationIgnored();

    void elementsWhereverTheyStand();
    void cutOffDocument_data();
    void cutOffDocument();
    void missingFile();
    void nodeOfEarlierFileIsGone();
    void parseFilesInOrder();
    void parseDir();
    void parseDirWithoutPieces();

private:
    // Parses one document from a file; returns the messages emitted.
    QStringList parse(const QByteArray& xml, OSMData& data, const QString& name = "piece.osm");
    QStringList parseFiles(const std::vector<QString>& paths, OSMData& data);

    TestWorkDir* work = nullptr;
};

namespace {

QByteArray doc(const QByteArray& body)
{
    return "<?xml version='1.0' encoding='UTF-8'?>\n<osm version=\"0.6\">\n" + body + "\n</osm>\n";
}

QByteArray node(qint64 id, const QByteArray& tags = QByteArray())
{
    const QByteArray head = "<node id=\"" + QByteArray::number(id) + "\" lat=\"49.2\" lon=\"16.6\"";
    return tags.isEmpty() ? head + "/>\n" : head + ">" + tags + "</node>\n";
}

QByteArray tag(const QByteArray& k, const QByteArray& v)
{
    return "<tag k=\"" + k + "\" v=\"" + v + "\"/>";
}

QByteArray nodes(int count)
{
    QByteArray xml;
    for (int i = 1; i <= count; ++i)
        xml += node(i);
    return xml;
}

std::vector<qint64> nodeIds(OSMData& data)
{
    std::vector<qint64> ids;
    for (const auto& n : data.getNodes().nodes())
        ids.push_back(n->getId());
    return ids;
}

} // namespace

void tst_OSMParserReading::init()
{
    work = new TestWorkDir;
    QVERIFY(work->isValid());
}

void tst_OSMParserReading::cleanup()
{
    delete work;
    work = nullptr;
}

QStringList tst_OSMParserReading::parse(const QByteArray& xml, OSMData& data, const QString& name)
{
    TestWorkDir::writeFile(name, xml);
    return parseFiles({name}, data);
}

QStringList tst_OSMParserReading::parseFiles(const std::vector<QString>& paths, OSMData& data)
{
    OSMParser parser;
    QStringList messages;
    connect(&parser, &OSMParser::message, [&messages](const QString& m) { messages << m; });
    parser.parseFiles(paths, data);
    return messages;
}

void tst_OSMParserReading::nodeTags_data()
{
    QTest::addColumn<QByteArray>("tags");
    QTest::addColumn<int>("busStops");
    QTest::addColumn<int>("tramStops");
    QTest::addColumn<bool>("trafficSignals");
    QTest::addColumn<QString>("name");
    QTest::newRow("bus stop") << tag("highway", "bus_stop") + tag("name", "Hlavní") << 1 << 0 << false << "Hlavní";
    QTest::newRow("tram stop") << tag("railway", "tram_stop") << 0 << 1 << false << "";
    QTest::newRow("both kinds") << tag("railway", "tram_stop") + tag("highway", "bus_stop") + tag("name", "X")
                                << 1 << 1 << false << "X";
    QTest::newRow("later name wins") << tag("name", "A") + tag("highway", "bus_stop") + tag("name", "B") << 1 << 0
                                     << false << "B";
    QTest::newRow("name:en is no name") << tag("name:en", "E") + tag("highway", "bus_stop") << 1 << 0 << false
                                        << "";
    QTest::newRow("signals and stop") << tag("highway", "traffic_signals") + tag("railway", "tram_stop") << 0 << 1
                                      << true << "";
    QTest::newRow("case matters") << tag("highway", "Bus_stop") + tag("Railway", "tram_stop") << 0 << 0 << false
                                  << "";
    QTest::newRow("tag without v") << QByteArray("<tag k=\"highway\"/>") + tag("highway", "bus_stop") << 1 << 0
                                   << false << "";
    QTest::newRow("empty v is present") << tag("name", "") + tag("highway", "bus_stop") << 1 << 0 << false << "";
    QTest::newRow("nested tag counts") << "<x>" + tag("highway", "bus_stop") + "</x>" << 1 << 0 << false << "";
}

void tst_OSMParserReading::nodeTags()
{
    QFETCH(QByteArray, tags);
    QFETCH(int, busStops);
    QFETCH(int, tramStops);
    QFETCH(bool, trafficSignals);
    QFETCH(QString, name);
    OSMData data;
    StderrCapture err;
    // A way keeps the node, whatever its stops, so the signals flag can be checked.
    parse(doc(node(1, tags) + node(2) + "<way id=\"9\"><nd ref=\"1\"/><nd ref=\"2\"/>" + tag("highway", "road")
              + "</way>"),
          data);
    QCOMPARE(err.text(), std::string());
    QCOMPARE(int(data.getBusStops().size()), busStops);
    QCOMPARE(int(data.getTramStops().size()), tramStops);
    Node* n = data.getNodes().find(1);
    QVERIFY(n);
    QCOMPARE(n->hasTrafficSignals(), trafficSignals);
    for (const auto& s : data.getBusStops().stops())
        QCOMPARE(QString::fromStdString(s->getName()), name);
    for (const auto& s : data.getTramStops().stops()) {
        QCOMPARE(QString::fromStdString(s->getName()), name);
        QCOMPARE(s->getNode(), n);
    }
}

void tst_OSMParserReading::nodeConversionFailures_data()
{
    QTest::addColumn<QByteArray>("element");
    QTest::addColumn<QString>("line");
    QTest::newRow("no lat") << QByteArray("<node id=\"1\" lon=\"16.6\">") << "OSMParser: Conversion failed lat: ";
    QTest::newRow("decimal comma") << QByteArray("<node id=\"1\" lat=\"49,2\" lon=\"16.6\">")
                                   << "OSMParser: Conversion failed lat: 49,2";
    QTest::newRow("lat before lon") << QByteArray("<node id=\"x\" lat=\"a\" lon=\"b\">")
                                    << "OSMParser: Conversion failed lat: a";
    QTest::newRow("bad lon") << QByteArray("<node id=\"x\" lat=\"1\" lon=\"b\">")
                             << "OSMParser: Conversion failed lon: b";
    QTest::newRow("bad id") << QByteArray("<node id=\"x1\" lat=\"1\" lon=\"2\">")
                            << "OSMParser: Conversion failed id: x1";
    QTest::newRow("id beyond 64 bits") << QByteArray("<node id=\"9223372036854775808\" lat=\"1\" lon=\"2\">")
                                       << "OSMParser: Conversion failed id: 9223372036854775808";
    QTest::newRow("non-ASCII text") << QByteArray("<node id=\"1\" lat=\"č\" lon=\"2\">")
                                    << "OSMParser: Conversion failed lat: č";
    QTest::newRow("nan is no position") << QByteArray("<node id=\"1\" lat=\"nan\" lon=\"2\">")
                                        << "OSMParser: Conversion failed lat: nan";
    QTest::newRow("inf is no position") << QByteArray("<node id=\"1\" lat=\"1\" lon=\"-inf\">")
                                        << "OSMParser: Conversion failed lon: -inf";
}

void tst_OSMParserReading::nodeConversionFailures()
{
    QFETCH(QByteArray, element);
    QFETCH(QString, line);
    OSMData data;
    StderrCapture err;
    // Its tags do not disturb the driver and are not read.
    const QStringList messages = parse(doc(element + tag("highway", "bus_stop") + "</node>"), data);
    QCOMPARE(err.lines(), QStringList{line});
    QCOMPARE(data.getNodes().size(), size_t(0));
    QCOMPARE(data.getBusStops().size(), size_t(0));
    QCOMPARE(messages.value(1), QString(" OK\n"));
}

void tst_OSMParserReading::repeatedNodes()
{
    OSMData data;
    parse(doc("<node id=\"-4\" lat=\"1\" lon=\"2\">" + tag("highway", "traffic_signals") + "</node>"
              + "<node id=\"-4\" lat=\"3\" lon=\"4\">" + tag("highway", "bus_stop") + tag("name", "S") + "</node>"
              + "<node id=\"-4\" lat=\"3\" lon=\"4\">" + tag("highway", "bus_stop") + tag("name", "S") + "</node>"
              + "<node id=\"-4\" lat=\"3\" lon=\"4\">" + tag("highway", "bus_stop") + tag("name", "T") + "</node>"),
          data);
    QCOMPARE(data.getNodes().size(), size_t(1));
    Node* n = data.getNodes().find(-4);
    QCOMPARE(n->getPosition(), std::make_pair(1.0, 2.0));
    QVERIFY(n->hasTrafficSignals());
    QCOMPARE(data.getBusStops().size(), size_t(2));
}

void tst_OSMParserReading::stopNameInUtf8()
{
    OSMData data;
    parse(doc("<node id=\"1\" lat=\"1\" lon=\"2\">" + tag("highway", "bus_stop") + tag("railway", "tram_stop")
              + tag("name", "Školní &amp; Mírová ул.") + "</node>"),
          data);
    QCOMPARE(data.getBusStops().stops().at(0)->getName(), std::string("Školní & Mírová ул."));
    QCOMPARE(data.getTramStops().stops().at(0)->getName(), std::string("Školní & Mírová ул."));
    QCOMPARE(data.getBusStops().stops().at(0)->getNode(), data.getTramStops().stops().at(0)->getNode());
}

void tst_OSMParserReading::wayTags_data()
{
    QTest::addColumn<QByteArray>("tags");
    QTest::addColumn<int>("nds");
    QTest::addColumn<bool>("kept");
    QTest::addColumn<bool>("highway");
    QTest::addColumn<bool>("tram");
    QTest::addColumn<bool>("oneway");
    QTest::addColumn<bool>("link");
    QTest::addColumn<int>("roadClass");
    QTest::addColumn<int>("forward");
    QTest::addColumn<int>("backward");
    QTest::newRow("residential, one nd") << tag("highway", "residential") << 1 << false << false << false << false
                                         << false << 0 << 0 << 0;
    QTest::newRow("residential") << tag("highway", "residential") << 2 << true << true << false << false << false
                                 << 6 << 1 << 1;
    QTest::newRow("motorway_link") << tag("highway", "motorway_link") << 2 << true << true << false << false << true
                                   << 0 << 1 << 1;
    QTest::newRow("trunk_link") << tag("highway", "trunk_link") << 2 << true << true << false << false << true << 1
                                << 1 << 1;
    QTest::newRow("tertiary_link") << tag("highway", "tertiary_link") << 2 << true << true << false << false << true
                                   << 4 << 1 << 1;
    QTest::newRow("road") << tag("highway", "road") << 2 << true << true << false << false << false << 8 << 1 << 1;
    QTest::newRow("unclassified") << tag("highway", "unclassified") << 3 << true << true << false << false << false
                                  << 5 << 1 << 1;
    QTest::newRow("service dropped") << tag("highway", "service") << 2 << false << false << false << false << false
                                     << 0 << 0 << 0;
    QTest::newRow("footway dropped") << tag("highway", "footway") << 2 << false << false << false << false << false
                                     << 0 << 0 << 0;
    QTest::newRow("living_street dropped") << tag("highway", "living_street") << 2 << false << false << false
                                           << false << false << 0 << 0 << 0;
    QTest::newRow("service with tram") << tag("highway", "service") + tag("railway", "tram") << 2 << true << false
                                       << true << false << false << 8 << 0 << 0;
    QTest::newRow("tram alone with lanes") << tag("railway", "tram") + tag("lanes:forward", "2")
                                                  + tag("lanes:backward", "x")
                                           << 3 << true << false << true << false << false << 8 << 2 << 0;
    QTest::newRow("primary with tram") << tag("railway", "tram") + tag("highway", "primary") << 2 << true << true
                                       << true << false << false << 2 << 1 << 1;
    QTest::newRow("oneway yes") << tag("highway", "secondary") + tag("oneway", "yes") << 2 << true << true << false
                                << true << false << 3 << 1 << 0;
    QTest::newRow("oneway -1 is two-way") << tag("highway", "secondary") + tag("oneway", "-1") << 2 << true << true
                                          << false << false << false << 3 << 1 << 1;
    QTest::newRow("oneway 1 is two-way") << tag("highway", "secondary") + tag("oneway", "1") << 2 << true << true
                                         << false << false << false << 3 << 1 << 1;
    QTest::newRow("road lanes ignored") << tag("highway", "primary") + tag("lanes:forward", "3") + tag("lanes", "6")
                                        << 2 << true << true << false << false << false << 2 << 1 << 1;
    QTest::newRow("oneway road lanes ignored") << tag("highway", "primary") + tag("lanes:forward", "3")
                                                      + tag("oneway", "yes")
                                               << 2 << true << true << false << true << false << 2 << 1 << 0;
    QTest::newRow("area=yes does not matter") << tag("highway", "residential") + tag("area", "yes") << 2 << true
                                              << true << false << false << false << 6 << 1 << 1;
    QTest::newRow("case matters") << tag("highway", "Primary") + tag("Railway", "tram") << 2 << false << false
                                  << false << false << false << 0 << 0 << 0;
    QTest::newRow("rail is no tram") << tag("railway", "rail") << 2 << false << false << false << false << false << 0
                                     << 0 << 0;
    QTest::newRow("later accepted value wins") << tag("highway", "primary_link") + tag("highway", "residential") << 2
                                               << true << true << false << false << false << 6 << 1 << 1;
}

void tst_OSMParserReading::wayTags()
{
    QFETCH(QByteArray, tags);
    QFETCH(int, nds);
    QFETCH(bool, kept);
    QByteArray refs;
    for (int i = 1; i <= nds; ++i)
        refs += "<nd ref=\"" + QByteArray::number(i) + "\"/>";
    OSMData data;
    StderrCapture err;
    parse(doc(nodes(3) + "<way id=\"77\">" + refs + tags + "</way>"), data);
    QCOMPARE(err.text(), std::string());
    QCOMPARE(data.getWays().size(), size_t(kept ? 1 : 0));
    if (!kept) {
        QCOMPARE(data.getNodes().size(), size_t(0));
        return;
    }
    QFETCH(bool, highway);
    QFETCH(bool, tram);
    QFETCH(bool, oneway);
    QFETCH(bool, link);
    QFETCH(int, roadClass);
    QFETCH(int, forward);
    QFETCH(int, backward);
    Way* way = data.getWays().find(77);
    QVERIFY(way);
    QCOMPARE(way->getHighway(), highway);
    QCOMPARE(way->getTram(), tram);
    QCOMPARE(way->getOneway(), oneway);
    QCOMPARE(way->getLink(), link);
    QCOMPARE(way->getRoadClass(), roadClass);
    QCOMPARE(way->getLanesForward(), forward);
    QCOMPARE(way->getLanesBackward(), backward);
    QCOMPARE(int(way->nodes().size()), nds);
    QCOMPARE(int(data.getNodes().size()), nds);
}

void tst_OSMParserReading::wayIds_data()
{
    QTest::addColumn<QByteArray>("attributes");
    QTest::addColumn<qint64>("id");
    QTest::addColumn<QString>("line");
    QTest::newRow("plain") << QByteArray("id=\"123\"") << qint64(123) << "";
    QTest::newRow("negative") << QByteArray("id=\"-5\"") << qint64(-5) << "";
    QTest::newRow("fraction truncated") << QByteArray("id=\"12.7\"") << qint64(12) << "";
    QTest::newRow("exponent") << QByteArray("id=\"1e3\"") << qint64(1000) << "";
    QTest::newRow("absent") << QByteArray("version=\"2\"") << qint64(0) << "";
    QTest::newRow("not a number") << QByteArray("id=\"w1\"") << qint64(0) << "OSMParser: Conversion failed id: w1";
    QTest::newRow("beyond 64 bits") << QByteArray("id=\"1e300\"") << qint64(0)
                                    << "OSMParser: Conversion failed id: 1e300";
    QTest::newRow("nan") << QByteArray("id=\"nan\"") << qint64(0) << "OSMParser: Conversion failed id: nan";
}

void tst_OSMParserReading::wayIds()
{
    QFETCH(QByteArray, attributes);
    QFETCH(qint64, id);
    QFETCH(QString, line);
    OSMData data;
    StderrCapture err;
    parse(doc(nodes(2) + "<way " + attributes + "><nd ref=\"1\"/><nd ref=\"2\"/>" + tag("highway", "road")
              + "</way>"),
          data);
    QCOMPARE(err.lines(), line.isEmpty() ? QStringList() : QStringList{line});
    QCOMPARE(data.getWays().size(), size_t(1));
    QCOMPARE(data.getWays().ways()[0]->getId(), id);
}

void tst_OSMParserReading::wayNodeReferences()
{
    OSMData data;
    StderrCapture err;
    // A way before its nodes finds none of them; a bad ref is dropped with a line; an nd
    // without ref is skipped; a closed way passes both ends on.
    parse(doc("<way id=\"1\"><nd ref=\"1\"/><nd ref=\"2\"/>" + tag("highway", "road") + "</way>" + nodes(3)
              + "<way id=\"2\"><nd ref=\"x\"/><nd/><nd ref=\"3\"/><nd ref=\"2\"/>" + tag("highway", "road") + "</way>"
              + "<way id=\"3\"><nd ref=\"1\"/><nd ref=\"2\"/><nd ref=\"1\"/>" + tag("highway", "road") + "</way>"),
          data);
    QCOMPARE(err.lines(), QStringList({"addWay finding Node failed: fromId == 1",
                                       "addWay finding Node failed: fromId == 2",
                                       "OSMParser: Conversion failed ndRef: x"}));
    QVERIFY(data.getWays().find(1)->nodes().empty());
    QCOMPARE(data.getWays().find(2)->nodes().size(), size_t(2));
    QCOMPARE(data.getWays().find(3)->nodes().size(), size_t(3));
    QCOMPARE(data.getNodes().find(1)->getWays().size(), size_t(2));
}

void tst_OSMParserReading::repeatedWayIgnored()
{
    OSMData data;
    parse(doc(nodes(3) + "<way id=\"5\"><nd ref=\"1\"/><nd ref=\"2\"/>" + tag("highway", "residential") + "</way>"
              + "<way id=\"5\"><nd ref=\"2\"/><nd ref=\"3\"/>" + tag("highway", "primary") + tag("railway", "tram")
              + "</way>"),
          data);
    QCOMPARE(data.getWays().size(), size_t(1));
    QCOMPARE(data.getWays().find(5)->getRoadClass(), 6);
    QVERIFY(!data.getWays().find(5)->getTram());
    QVERIFY(!data.getNodes().find(3));
}

void tst_OSMParserReading::relationMembers()
{
    OSMData data;
    StderrCapture err;
    parse(doc("<relation id=\"10\">"
              "<member type=\"way\" ref=\"1\" role=\"\"/>"
              "<member type=\"way\" ref=\"2\"/>"
              "<member type=\"way\" ref=\"3\" role=\"forward\"/>"
              "<member type=\"way\" ref=\"4\" role=\"backward\"/>"
              "<member type=\"way\" ref=\"5\" role=\"platform\"/>"
              "<member type=\"way\" ref=\"6\" role=\"Forward\"/>"
              "<member type=\"node\" ref=\"7\" role=\"stop\"/>"
              "<member type=\"node\" ref=\"8\" role=\"platform\"/>"
              "<member type=\"node\" ref=\"-9\"/>"
              "<member type=\"relation\" ref=\"11\" role=\"\"/>"
              "<member type=\"way\" role=\"\"/>"
              "<member ref=\"12\"/>"
              "<member type=\"way\" ref=\"w13\" role=\"\"/>"
              "<member type=\"way\" ref=\"14\" role=\"forward\"/>"
              + tag("type", "route") + tag("route", "bus") + tag("name", "Linka 4 &lt;A&gt;") + tag("ref", "4")
              + "</relation>"),
          data);
    QCOMPARE(err.lines(), QStringList{"OSMParser: Conversion failed memberRefId: w13"});
    QCOMPARE(data.getRelations().size(), size_t(1));
    const Relation* r = data.getRelations().find(10);
    QCOMPARE(r->getWays(), (std::vector<qint64>{1, 2, 5, 6}));
    QCOMPARE(r->getForwardWays(), (std::vector<qint64>{3, 14}));
    QCOMPARE(r->getBackwardWays(), std::vector<qint64>{4});
    QCOMPARE(r->getStops(), (std::vector<qint64>{7, 8, -9}));
    QCOMPARE(r->getName(), std::string("Linka 4 <A>"));
    QCOMPARE(r->getRef(), std::string("4"));
    QCOMPARE(r->getRoute(), std::string("bus"));
}

void tst_OSMParserReading::relationKept_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("kept");
    const QByteArray member = "<member type=\"way\" ref=\"1\" role=\"\"/>";
    QTest::newRow("bus") << tag("type", "route") + tag("route", "bus") << true;
    QTest::newRow("trolleybus") << tag("type", "route") + tag("route", "trolleybus") << true;
    QTest::newRow("tram") << tag("route", "tram") + tag("type", "route") << true;
    QTest::newRow("tram without type") << tag("route", "tram") << false;
    QTest::newRow("train") << tag("type", "route") + tag("route", "train") << false;
    QTest::newRow("Bus in other case") << tag("type", "route") + tag("route", "Bus") << false;
    QTest::newRow("multipolygon first") << tag("type", "multipolygon") + tag("route", "bus") + tag("type", "route")
                                        << false;
    QTest::newRow("type after members") << member + member + tag("route", "bus") + tag("type", "route") << true;
    QTest::newRow("later route wins") << tag("type", "route") + tag("route", "train") + tag("route", "bus") << true;
    QTest::newRow("no tags at all") << member << false;
}

void tst_OSMParserReading::relationKept()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, kept);
    OSMData data;
    StderrCapture err;
    // The relation after it must be read whatever happened to the first one.
    parse(doc("<relation id=\"1\">" + content + "</relation><relation id=\"2\">" + tag("type", "route")
              + tag("route", "tram") + "</relation>"),
          data);
    QCOMPARE(err.text(), std::string());
    QCOMPARE(data.getRelations().find(1) != nullptr, kept);
    QVERIFY(data.getRelations().find(2));
    if (kept) {
        QCOMPARE(data.getRelations().find(1)->getName(), std::string());
        QCOMPARE(data.getRelations().find(1)->getRef(), std::string());
    }
}

void tst_OSMParserReading::relationConversionFailures()
{
    OSMData data;
    StderrCapture err;
    // A nested node inside a rejected relation is still read by the driver.
    parse(doc("<relation id=\"r1\"><member type=\"way\" ref=\"1\" role=\"\"/>" + tag("type", "route")
              + tag("route", "bus") + "</relation><relation>" + tag("type", "route") + tag("route", "bus")
              + "</relation>"),
          data);
    QCOMPARE(err.lines(),
             QStringList({"OSMParser: Conversion failed relationId: r1", "OSMParser: Conversion failed relationId: "}));
    QCOMPARE(data.getRelations().size(), size_t(0));
}

void tst_OSMParserReading::repeatedRelationIgnored()
{
    OSMData data;
    parse(doc("<relation id=\"3\">" + tag("type", "route") + tag("route", "bus") + tag("name", "first")
              + "</relation><relation id=\"3\">" + tag("type", "route") + tag("route", "tram") + tag("name", "second")
              + "</relation>"),
          data);
    QCOMPARE(data.getRelations().size(), size_t(1));
    QCOMPARE(data.getRelations().find(3)->getName(), std::string("first"));
}

void tst_OSMParserReading::elementsWhereverTheyStand()
{
    OSMData data;
    StderrCapture err;
    const QStringList messages =
        parse(doc("<changeset><create>" + node(1, tag("highway", "bus_stop")) + "</create></changeset>"
                  + "<Node id=\"2\" lat=\"1\" lon=\"1\">" + tag("highway", "bus_stop") + "</Node>"
                  + "<WAY id=\"3\"><nd ref=\"1\"/><nd ref=\"1\"/>" + tag("highway", "road") + "</WAY>"
                  + "<node id=\"4\" lat=\"1\" lon=\"1\"/>" + "<Relation id=\"5\">" + tag("type", "route")
                  + tag("route", "bus") + "</Relation>"),
              data);
    QCOMPARE(messages, QStringList({processingStart("piece.osm"), readOk()}));
    QCOMPARE(err.text(), std::string());
    QCOMPARE(nodeIds(data), std::vector<qint64>{1});
    QCOMPARE(data.getBusStops().size(), size_t(1));
    QCOMPARE(data.getWays().size(), size_t(0));
    QCOMPARE(data.getRelations().size(), size_t(0));
}

void tst_OSMParserReading::cutOffDocument_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("busStops");
    QTest::addColumn<int>("ways");
    QTest::addColumn<int>("relations");
    const QByteArray head = "<?xml version='1.0' encoding='UTF-8'?>\n<osm>\n" + node(1, tag("highway", "bus_stop"))
        + nodes(3) + "<way id=\"8\"><nd ref=\"2\"/><nd ref=\"3\"/>" + tag("highway", "road") + "</way>\n"
        + "<relation id=\"9\">" + tag("type", "route") + tag("route", "bus") + "</relation>\n";
    QTest::newRow("between elements") << head << "Premature end of document." << 1 << 1 << 1;
    QTest::newRow("inside a node") << head + "<node id=\"5\" lat=\"1\" lon=\"2\">" + tag("highway", "bus_stop")
                                   << "Premature end of document." << 1 << 1 << 1;
    QTest::newRow("inside a way") << head + "<way id=\"6\"><nd ref=\"2\"/><nd ref=\"3\"/>" + tag("highway", "primary")
                                  << "Premature end of document." << 1 << 1 << 1;
    QTest::newRow("inside a relation") << head + "<relation id=\"7\">" + tag("type", "route") + tag("route", "tram")
                                       << "Premature end of document." << 1 << 1 << 1;
    QTest::newRow("skipping a relation") << head + "<relation id=\"7\">" + tag("type", "boundary") + "<member"
                                         << "Premature end of document." << 1 << 1 << 1;
    QTest::newRow("mismatched tag in a node") << head + "<node id=\"5\" lat=\"1\" lon=\"2\">"
                                                     + tag("highway", "bus_stop") + "</way></osm>"
                                              << "Opening and ending tag mismatch." << 1 << 1 << 1;
    QTest::newRow("error inside a way") << head + "<way id=\"6\"><nd ref=\"2\"/><nd ref=\"3\"/>"
                                               + tag("highway", "primary") + "<nd ref=\"1\" ref=\"2\"/></way></osm>"
                                        << "Attribute 'ref' redefined." << 1 << 1 << 1;
}

void tst_OSMParserReading::cutOffDocument()
{
    QFETCH(QByteArray, xml);
    QFETCH(QString, error);
    QFETCH(int, busStops);
    QFETCH(int, ways);
    QFETCH(int, relations);
    OSMData data;
    StderrCapture err;
    const QStringList messages = parse(xml, data);
    QCOMPARE(messages, QStringList({processingStart("piece.osm"), error + "\n", readOk()}));
    QCOMPARE(int(data.getBusStops().size()), busStops);
    QCOMPARE(int(data.getWays().size()), ways);
    QCOMPARE(int(data.getRelations().size()), relations);
    QVERIFY(!data.getNodes().find(5));
    QVERIFY(!data.getWays().find(6));
    QVERIFY(!data.getRelations().find(7));
    QCOMPARE(err.text(), std::string());
}

void tst_OSMParserReading::missingFile()
{
    OSMData data;
    data.addNode(1, 0, 0, false);
    const QStringList messages = parseFiles({"no/such.osm"}, data);
    QCOMPARE(messages, QStringList({processingStart("no/such.osm"), openingFailed()}));
    // No pruning happened for the file that could not be read.
    QCOMPARE(data.getNodes().size(), size_t(1));
}

void tst_OSMParserReading::nodeOfEarlierFileIsGone()
{
    TestWorkDir::writeFile("a.osm", doc(node(1) + node(2)));
    TestWorkDir::writeFile("b.osm", doc("<way id=\"3\"><nd ref=\"1\"/><nd ref=\"2\"/>" + tag("highway", "road")
                                        + "</way>"));
    TestWorkDir::writeFile("c.osm", doc(node(2) + "<way id=\"4\"><nd ref=\"1\"/><nd ref=\"2\"/>"
                                        + tag("highway", "road") + "</way>"));
    OSMData data;
    StderrCapture err;
    parseFiles({"a.osm", "b.osm", "c.osm"}, data);
    QCOMPARE(err.lines(), QStringList({"addWay finding Node failed: fromId == 1",
                                       "addWay finding Node failed: fromId == 2",
                                       "addWay finding Node failed: fromId == 1"}));
    QCOMPARE(nodeIds(data), std::vector<qint64>{2});
    QCOMPARE(data.getWays().find(4)->nodes().size(), size_t(1));
}

void tst_OSMParserReading::parseFilesInOrder()
{
    TestWorkDir::writeFile("b.osm", doc(node(1, tag("highway", "bus_stop") + tag("name", "b"))));
    TestWorkDir::writeFile("a.osm", doc(node(2, tag("highway", "bus_stop") + tag("name", "a"))));
    OSMData data;
    const QStringList messages = parseFiles({"b.osm", "a.osm", "b.osm"}, data);
    QCOMPARE(messages, QStringList({processingStart("b.osm"), readOk(), processingStart("a.osm"), readOk(),
                                    processingStart("b.osm"), readOk()}));
    QCOMPARE(data.getBusStops().stops()[0]->getName(), std::string("b"));
    QCOMPARE(data.getBusStops().size(), size_t(2));
    QVERIFY(parseFiles({}, data).isEmpty());
}

void tst_OSMParserReading::parseDir()
{
    QDir().mkdir("pieces");
    TestWorkDir::writeFile("pieces/B.osm", doc(node(1, tag("highway", "bus_stop"))));
    TestWorkDir::writeFile("pieces/a.osm", doc(node(2, tag("railway", "tram_stop")) + nodes(3)
                                               + "<way id=\"4\"><nd ref=\"1\"/><nd ref=\"3\"/>"
                                               + tag("highway", "road") + "</way>"));
    TestWorkDir::writeFile("pieces/c.OSM", doc(node(5, tag("highway", "bus_stop"))));
    TestWorkDir::writeFile("pieces/notes.txt", "x");
    QDir().mkdir("pieces/d.osm");
    OSMData data;
    OSMParser parser;
    QStringList messages;
    connect(&parser, &OSMParser::message, [&messages](const QString& m) { messages << m; });
    parser.parseDir("pieces", data);
    QCOMPARE(messages, QStringList({dirStart("pieces"), processingStart("pieces/a.osm"), readOk(),
                                    processingStart("pieces/B.osm"), readOk(), processingStart("pieces/c.OSM"),
                                    readOk(), processingStart("pieces/d.osm"), openingFailed(),
                                    dirSummary(1, 4, 2, 1, 0)}));
}

void tst_OSMParserReading::parseDirWithoutPieces()
{
    QDir().mkdir("empty");
    OSMData data;
    data.addBusStop("kept", data.addNode(1, 0, 0, false));
    OSMParser parser;
    QStringList messages;
    connect(&parser, &OSMParser::message, [&messages](const QString& m) { messages << m; });
    parser.parseDir("empty", data);
    QCOMPARE(messages, QStringList({dirStart("empty"), dirSummary(0, 1, 1, 0, 0)}));
}

QTEST_GUILESS_MAIN(tst_OSMParserReading)
#include "tst_OSMParserReading.moc"
