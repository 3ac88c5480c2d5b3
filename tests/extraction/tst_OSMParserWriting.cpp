#include "extraction/OSMParser.h"
#include "extraction/StandardNetworkWriter.h"
#include "network/OSMData.h"
#include "tests/support/ExpectedLog.h"
#include "tests/support/GoldenFile.h"
#include "tests/support/OsmiumCheck.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TestWorkDir.h"

#include <QXmlStreamWriter>
#include <QtTest>

// The network file: its exact bytes, the summary, and what happens when it cannot
// be opened; in standard OSM XML, its bytes for a small case of each feature.
using namespace ExpectedLog;

class tst_OSMParserWriting : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void outputFileName();
    void emptyNetwork();
    void craftedNetwork();
    void lanes_data();
    void lanes();
    void wayWithoutNodesSkipped();
    void coordinates_data();
    void coordinates();
    void openFailure();
    void existingFolderKept();
    void standardFormat_data();
    void standardFormat();
    void standardFormatInBlocks_data();
    void standardFormatInBlocks();

private:
    struct Result
    {
        QStringList messages;
        int done = 0;
        QString path;
        QByteArray content;
    };
    Result write(OSMData& data);

    TestWorkDir* work = nullptr;
};

void tst_OSMParserWriting::init()
{
    work = new TestWorkDir;
    QVERIFY(work->isValid());
    QVERIFY(QDir().mkdir("data"));
}

void tst_OSMParserWriting::cleanup()
{
    delete work;
    work = nullptr;
}

tst_OSMParserWriting::Result tst_OSMParserWriting::write(OSMData& data)
{
    Result result;
    OSMParser parser;
    connect(&parser, &OSMParser::message, [&result](const QString& m) { result.messages << m; });
    connect(&parser, &OSMParser::processingDone, [&result] { ++result.done; });
    parser.writeOutputFile(data);
    const QStringList files = QDir("data/comp").entryList(QDir::Files);
    if (files.size() == 1) {
        result.path = "./data/comp/" + files.first();
        result.content = TestWorkDir::readFile(result.path);
        // Every network file, as written, is one that OpenStreetMap programs read.
        const QString problems = OsmiumCheck::readProblems(result.path);
        if (!problems.isEmpty())
            QTest::qFail(qPrintable(problems), __FILE__, __LINE__);
    }
    return result;
}

void tst_OSMParserWriting::outputFileName()
{
    const QDateTime before = QDateTime::currentDateTime();
    const QString name = OSMParser::outputFileName();
    const QDateTime after = QDateTime::currentDateTime();
    QVERIFY2(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d$").match(name).hasMatch(), qPrintable(name));
    const QDateTime parsed = QDateTime::fromString(name, "yyyy-MM-dd_HH-mm-ss");
    QVERIFY(parsed.isValid());
    QVERIFY(parsed >= before.addMSecs(-before.time().msec()) && parsed <= after);
}

void tst_OSMParserWriting::emptyNetwork()
{
    OSMData data;
    QVERIFY(!QDir("data/comp").exists());
    const Result r = write(data);
    QCOMPARE(r.content,
             QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<osm version=\"0.6\" generator=\"Pelagor\"/>\n"));
    QCOMPARE(r.messages, QStringList({creating(r.path), emptySummary()}));
    QCOMPARE(r.done, 1);
    QVERIFY(r.path.endsWith(".osm"));
    // Nothing but the network file is left in the folder.
    QCOMPARE(QDir("data/comp").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 1);
}

void tst_OSMParserWriting::craftedNetwork()
{
    OSMData data;
    Node* shared = data.addNode(10, 49.2, -16.6, true);
    Node* plain = data.addNode(11, -0.5, 0.0000001, false);
    data.addNode(12, 49.19781234, 16.60481236, true);
    data.addNode(13, 1, 1, false); // never used: not written
    data.addNode(-14, 50, 17, false);
    data.addBusStop("A & B <\"quoted\"> Žižkov ул.", shared);
    data.addTramStop("A & B <\"quoted\"> Žižkov ул.", shared);
    data.addBusStop("", plain);
    data.addBusStop("Second name", plain);
    data.addWay(100, {10, 11, 12}, true, true, true, false, 2, 1, 0);
    data.addWay(-101, {12, 11}, false, true, false, true, 4, 1, 1);
    data.addWay(102, {12, -14}, true, false, false, false, 8, 2, 1);
    data.addRelation(7, "Linka 4 & <5>", "4", "tram", {100, -101}, {102}, {5}, {10, 999});
    data.addRelation(8, "", "", "", {}, {}, {}, {});

    const Result r = write(data);
    const QByteArray expected = R"(<?xml version="1.0" encoding="UTF-8"?>
<osm version="0.6" generator="Pelagor">
 <node id="10" lat="49.2000000" lon="-16.6000000">
  <tag k="name" v="A &amp; B &lt;&quot;quoted&quot;&gt; Žižkov ул."/>
  <tag k="highway" v="bus_stop"/>
 </node>
 <node id="11" lat="-0.5000000" lon="0.0000001">
  <tag k="name" v=""/>
  <tag k="highway" v="bus_stop"/>
 </node>
 <node id="11" lat="-0.5000000" lon="0.0000001">
  <tag k="name" v="Second name"/>
  <tag k="highway" v="bus_stop"/>
 </node>
 <node id="10" lat="49.2000000" lon="-16.6000000">
  <tag k="name" v="A &amp; B &lt;&quot;quoted&quot;&gt; Žižkov ул."/>
  <tag k="railway" v="tram_stop"/>
 </node>
 <node id="12" lat="49.1978123" lon="16.6048124">
  <tag k="highway" v="traffic_signals"/>
 </node>
 <node id="-14" lat="50.0000000" lon="17.0000000"/>
 <way id="100">
  <nd ref="10"/>
  <nd ref="11"/>
  <nd ref="12"/>
  <tag k="highway" v="primary"/>
  <tag k="railway" v="tram"/>
  <tag k="oneway" v="yes"/>
 </way>
 <way id="-101">
  <nd ref="12"/>
  <nd ref="11"/>
  <tag k="highway" v="tertiary_link"/>
 </way>
 <way id="102">
  <nd ref="12"/>
  <nd ref="-14"/>
  <tag k="railway" v="tram"/>
  <tag k="lanes" v="3"/>
  <tag k="lanes:forward" v="2"/>
  <tag k="lanes:backward" v="1"/>
 </way>
 <relation id="7">
  <member type="way" ref="100" role=""/>
  <member type="way" ref="-101" role=""/>
  <member type="way" ref="102" role="forward"/>
  <member type="way" ref="5" role="backward"/>
  <member type="node" ref="10" role="stop"/>
  <member type="node" ref="999" role="stop"/>
  <tag k="name" v="Linka 4 &amp; &lt;5&gt;"/>
  <tag k="ref" v="4"/>
  <tag k="route" v="tram"/>
  <tag k="type" v="route"/>
 </relation>
 <relation id="8">
  <tag k="type" v="route"/>
 </relation>
</osm>
)";
    QCOMPARE(QString::fromUtf8(r.content), QString::fromUtf8(expected));
    QCOMPARE(r.messages.value(1), summary(5, 3, 1, 3, 2));
    QCOMPARE(r.done, 1);
}

void tst_OSMParserWriting::lanes_data()
{
    QTest::addColumn<bool>("oneway");
    QTest::addColumn<int>("forward");
    QTest::addColumn<int>("backward");
    QTest::addColumn<QString>("tags");
    QTest::newRow("two-way 1/1") << false << 1 << 1 << "";
    QTest::newRow("two-way 2/2") << false << 2 << 2 << "lanes=4";
    QTest::newRow("two-way 2/1") << false << 2 << 1 << "lanes=3 lanes:forward=2 lanes:backward=1";
    QTest::newRow("two-way 1/2") << false << 1 << 2 << "lanes=3 lanes:forward=1 lanes:backward=2";
    QTest::newRow("two-way 0/0") << false << 0 << 0 << "";
    QTest::newRow("two-way 1/0") << false << 1 << 0 << "lanes:forward=1 lanes:backward=0";
    QTest::newRow("two-way -3/0") << false << -3 << 0 << "lanes:forward=-3 lanes:backward=0";
    QTest::newRow("oneway 1") << true << 1 << 0 << "oneway=yes";
    QTest::newRow("oneway 3") << true << 3 << 7 << "oneway=yes lanes=3";
    QTest::newRow("oneway 0") << true << 0 << 2 << "oneway=yes lanes=0";
}

void tst_OSMParserWriting::lanes()
{
    QFETCH(bool, oneway);
    QFETCH(int, forward);
    QFETCH(int, backward);
    QFETCH(QString, tags);
    OSMData data;
    data.addNode(1, 0, 0, false);
    data.addNode(2, 0, 0, false);
    data.addWay(5, {1, 2}, true, false, oneway, false, 8, forward, backward);
    const Result r = write(data);
    QStringList found;
    const QRegularExpression tag("<tag k=\"([^\"]*)\" v=\"([^\"]*)\"/>");
    const int wayStart = r.content.indexOf("<way");
    auto it = tag.globalMatch(QString::fromUtf8(r.content.mid(wayStart)));
    while (it.hasNext()) {
        const auto m = it.next();
        if (m.captured(1) != "railway")
            found << m.captured(1) + '=' + m.captured(2);
    }
    QCOMPARE(found.join(' '), tags);
}

void tst_OSMParserWriting::wayWithoutNodesSkipped()
{
    OSMData data;
    StderrCapture err;
    data.addWay(5, {1, 2}, false, true, false, false, 6, 1, 1);
    err.clear();
    const Result r = write(data);
    QCOMPARE(err.text(), std::string("OSMParser: oops something is NULL | continue;\n"));
    QCOMPARE(r.content,
             QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<osm version=\"0.6\" generator=\"Pelagor\"/>\n"));
    QVERIFY(r.messages.value(1).contains("Way count: 1\n"));
    QCOMPARE(r.done, 1);
}

void tst_OSMParserWriting::coordinates_data()
{
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("lon");
    QTest::addColumn<QString>("attributes");
    QTest::newRow("five zeros appended") << 49.2 << 16.6 << "lat=\"49.2000000\" lon=\"16.6000000\"";
    QTest::newRow("negative") << -33.8688197 << -151.2092955 << "lat=\"-33.8688197\" lon=\"-151.2092955\"";
    QTest::newRow("rounded to seven") << 55.81221634 << 37.58525066 << "lat=\"55.8122163\" lon=\"37.5852507\"";
    QTest::newRow("no exponent") << 1e-9 << 180.0 << "lat=\"0.0000000\" lon=\"180.0000000\"";
}

void tst_OSMParserWriting::coordinates()
{
    QFETCH(double, lat);
    QFETCH(double, lon);
    QFETCH(QString, attributes);
    OSMData data;
    data.addTramStop("s", data.addNode(1, lat, lon, false));
    const Result r = write(data);
    QVERIFY2(r.content.contains("<node id=\"1\" " + attributes.toUtf8() + ">"), r.content.constData());
}

void tst_OSMParserWriting::openFailure()
{
    // A regular file where the folder should be: the folder cannot be made and the
    // file cannot be opened.
    QVERIFY(TestWorkDir::writeFile("data/comp", "not a folder"));
    OSMData data;
    data.addBusStop("s", data.addNode(1, 1, 1, false));
    const Result r = write(data);
    QCOMPARE(r.messages.size(), 2);
    QVERIFY(r.messages[0].startsWith("Creating output file: \"./data/comp/"));
    const QString path = r.messages[0].mid(23, r.messages[0].size() - 23 - 5);
    QCOMPARE(r.messages[1], QString("Could not open \"%1\" for writting!\n").arg(path));
    QCOMPARE(r.done, 0);
    QCOMPARE(TestWorkDir::readFile("data/comp"), QByteArray("not a folder"));
    QCOMPARE(QDir("data").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"comp"});
}

void tst_OSMParserWriting::existingFolderKept()
{
    QVERIFY(QDir().mkdir("data/comp"));
    QVERIFY(TestWorkDir::writeFile("data/comp/earlier.osm", "earlier run"));
    OSMData data;
    OSMParser parser;
    int done = 0;
    connect(&parser, &OSMParser::processingDone, [&done] { ++done; });
    parser.writeOutputFile(data);
    QCOMPARE(done, 1);
    QCOMPARE(TestWorkDir::readFile("data/comp/earlier.osm"), QByteArray("earlier run"));
    QCOMPARE(QDir("data/comp").entryList(QDir::Files).size(), 2);
}

namespace {

// Inputs for the network file in standard OSM XML, as the API answers: objects sorted by type
// and id, with their versions. Each shows one feature; what the network does not keep is there
// to show that it is left out.

// Bus stop 10 on two routes (with the stop's own tags and the ways' names, speeds and lanes);
// a footway and its node, which the network does not keep; nodes and ways out of id order.
const char stopOnTwoRoutes[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<osm version="0.6" generator="hand-made">
 <node id="3" visible="true" version="2" changeset="12" timestamp="2025-03-01T10:00:00Z" user="Марина" uid="7" lat="49.2000000" lon="16.6020000"/>
 <node id="1" visible="true" version="1" changeset="11" timestamp="2025-02-01T10:00:00Z" user="mapper" uid="5" lat="49.2000000" lon="16.6000000"/>
 <node id="2" visible="true" version="4" changeset="13" timestamp="2025-04-01T10:00:00Z" user="mapper" uid="5" lat="49.2000000" lon="16.6010000">
  <tag k="highway" v="traffic_signals"/>
 </node>
 <node id="10" visible="true" version="3" changeset="14" timestamp="2025-05-01T10:00:00Z" user="A &amp; B" uid="6" lat="49.2001000" lon="16.6005000">
  <tag k="highway" v="bus_stop"/>
  <tag k="name" v="Náměstí &quot;Míru&quot;"/>
  <tag k="shelter" v="yes"/>
 </node>
 <node id="20" visible="true" version="1" changeset="11" timestamp="2025-02-01T10:00:00Z" user="mapper" uid="5" lat="49.2010000" lon="16.6010000"/>
 <way id="101" visible="true" version="2" changeset="13" timestamp="2025-04-01T10:00:00Z" user="mapper" uid="5">
  <nd ref="2"/>
  <nd ref="3"/>
  <tag k="highway" v="secondary"/>
  <tag k="lanes" v="2"/>
  <tag k="maxspeed" v="50"/>
  <tag k="oneway" v="yes"/>
 </way>
 <way id="100" visible="true" version="1" changeset="11" timestamp="2025-02-01T10:00:00Z" user="mapper" uid="5">
  <nd ref="1"/>
  <nd ref="2"/>
  <tag k="highway" v="residential"/>
  <tag k="name" v="Dlouhá"/>
 </way>
 <way id="102" visible="true" version="1" changeset="11" timestamp="2025-02-01T10:00:00Z" user="mapper" uid="5">
  <nd ref="2"/>
  <nd ref="20"/>
  <tag k="highway" v="footway"/>
 </way>
 <relation id="901" visible="true" version="5" changeset="14" timestamp="2025-05-01T10:00:00Z" user="mapper" uid="5">
  <member type="node" ref="10" role="platform"/>
  <member type="way" ref="101" role="forward"/>
  <member type="way" ref="100" role=""/>
  <tag k="name" v="Trolleybus 7"/>
  <tag k="route" v="trolleybus"/>
  <tag k="type" v="route"/>
 </relation>
 <relation id="900" visible="true" version="1" changeset="11" timestamp="2025-02-01T10:00:00Z" user="mapper" uid="5">
  <member type="way" ref="100" role=""/>
  <member type="node" ref="10" role="platform_entry_only"/>
  <member type="way" ref="102" role=""/>
  <tag k="name" v="Bus 5"/>
  <tag k="ref" v="5"/>
  <tag k="route" v="bus"/>
  <tag k="type" v="route"/>
 </relation>
</osm>
)";

// Node 30 is a bus stop and a tram stop at once; tram track 300 has no lanes, and node 31 has
// only some of the version attributes.
const char nodeWithTwoStops[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<osm version="0.6" generator="hand-made">
 <node id="30" version="2" changeset="21" timestamp="2025-06-01T10:00:00Z" user="mapper" uid="5" lat="55.8100000" lon="37.6000000">
  <tag k="highway" v="bus_stop"/>
  <tag k="name" v="Улица"/>
  <tag k="public_transport" v="platform"/>
  <tag k="railway" v="tram_stop"/>
 </node>
 <node id="31" version="1" timestamp="2025-06-01T10:00:00Z" lat="55.8100000" lon="37.6010000"/>
 <node id="32" version="1" changeset="21" timestamp="2025-06-01T10:00:00Z" user="mapper" uid="5" lat="55.8100000" lon="37.6020000"/>
 <way id="300" version="1" changeset="21" timestamp="2025-06-01T10:00:00Z" user="mapper" uid="5">
  <nd ref="30"/>
  <nd ref="31"/>
  <nd ref="32"/>
  <tag k="gauge" v="1520"/>
  <tag k="railway" v="tram"/>
 </way>
 <relation id="3000" version="1" changeset="21" timestamp="2025-06-01T10:00:00Z" user="mapper" uid="5">
  <member type="node" ref="30" role="stop"/>
  <member type="way" ref="300" role=""/>
  <tag k="route" v="tram"/>
  <tag k="type" v="route"/>
 </relation>
</osm>
)";

// Way 400 refers to node 49, which the input lacks; no node of way 401 is in the input.
const char wayWithMissingNodes[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<osm version="0.6" generator="hand-made">
 <node id="41" version="1" changeset="31" timestamp="2025-07-01T10:00:00Z" user="mapper" uid="5" lat="-33.8600000" lon="151.2000000"/>
 <node id="42" version="1" changeset="31" timestamp="2025-07-01T10:00:00Z" user="mapper" uid="5" lat="-33.8600000" lon="151.2010000"/>
 <way id="400" version="3" changeset="31" timestamp="2025-07-01T10:00:00Z" user="mapper" uid="5">
  <nd ref="41"/>
  <nd ref="42"/>
  <nd ref="49"/>
  <tag k="highway" v="tertiary"/>
 </way>
 <way id="401" version="1" changeset="31" timestamp="2025-07-01T10:00:00Z" user="mapper" uid="5">
  <nd ref="47"/>
  <nd ref="48"/>
  <tag k="highway" v="tertiary"/>
 </way>
</osm>
)";

// Route master 5001 has route 5000 as a member; route 5000 has a relation of its own as a
// member. The network keeps the route only; the members stay as they are.
const char parentRelation[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<osm version="0.6" generator="hand-made">
 <node id="51" version="1" changeset="41" timestamp="2025-08-01T10:00:00Z" user="mapper" uid="5" lat="48.1000000" lon="11.5000000"/>
 <node id="52" version="1" changeset="41" timestamp="2025-08-01T10:00:00Z" user="mapper" uid="5" lat="48.1000000" lon="11.5010000"/>
 <way id="500" version="1" changeset="41" timestamp="2025-08-01T10:00:00Z" user="mapper" uid="5">
  <nd ref="51"/>
  <nd ref="52"/>
  <tag k="highway" v="primary"/>
  <tag k="railway" v="tram"/>
 </way>
 <relation id="4999" version="1" changeset="41" timestamp="2025-08-01T10:00:00Z" user="mapper" uid="5">
  <member type="node" ref="51" role=""/>
  <tag k="public_transport" v="stop_area"/>
  <tag k="type" v="public_transport"/>
 </relation>
 <relation id="5000" version="2" changeset="41" timestamp="2025-08-01T10:00:00Z" user="mapper" uid="5">
  <member type="relation" ref="4999" role="stop_area"/>
  <member type="way" ref="500" role=""/>
  <tag k="name" v="Tram 19"/>
  <tag k="ref" v="19"/>
  <tag k="route" v="tram"/>
  <tag k="type" v="route"/>
 </relation>
 <relation id="5001" version="1" changeset="41" timestamp="2025-08-01T10:00:00Z" user="mapper" uid="5">
  <member type="relation" ref="5000" role=""/>
  <tag k="route_master" v="tram"/>
  <tag k="type" v="route_master"/>
 </relation>
</osm>
)";

// osmium cat with `arguments`; empty when it succeeded.
QString osmiumCat(const QStringList& arguments)
{
    QProcess process;
    process.start(OsmiumCheck::program(), QStringList{"cat", "-O"} + arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QString("osmium cat failed: %1").arg(QString::fromUtf8(process.readAllStandardError()));
    return QString();
}

} // namespace

void tst_OSMParserWriting::standardFormat_data()
{
    QTest::addColumn<QByteArray>("input");
    // "xml" as it is, "pbf" converted with its metadata, "pbf without metadata" without.
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("golden");
    QTest::addColumn<int>("missingWayNodes");
    QTest::addColumn<QString>("diagnostics");
    // Collected while the network is read (as the programs and the window do), or taken by a
    // second reading of the input.
    QTest::addColumn<bool>("collected");
    QTest::newRow("stop on two routes") << QByteArray(stopOnTwoRoutes) << "xml" << "standard-stop-on-two-routes.osm" << 0
                                        << "" << true;
    QTest::newRow("stop on two routes, read again")
        << QByteArray(stopOnTwoRoutes) << "xml" << "standard-stop-on-two-routes.osm" << 0 << "" << false;
    QTest::newRow("metadata present, PBF") << QByteArray(stopOnTwoRoutes) << "pbf" << "standard-stop-on-two-routes.osm"
                                           << 0 << "" << true;
    QTest::newRow("metadata present, PBF, read again")
        << QByteArray(stopOnTwoRoutes) << "pbf" << "standard-stop-on-two-routes.osm" << 0 << "" << false;
    QTest::newRow("metadata absent, PBF") << QByteArray(stopOnTwoRoutes) << "pbf without metadata"
                                          << "standard-without-metadata.osm" << 0 << "" << true;
    QTest::newRow("node with two stops") << QByteArray(nodeWithTwoStops) << "xml" << "standard-node-with-two-stops.osm"
                                         << 0 << "" << true;
    // Written as the input has it: the reference to the node it lacks stays. A way without
    // any node is written in neither format.
    QTest::newRow("way with missing nodes")
        << QByteArray(wayWithMissingNodes) << "xml" << "standard-way-with-missing-nodes.osm" << 1
        << "addWay finding Node failed: fromId == 49\naddWay finding Node failed: fromId == 47\n"
           "addWay finding Node failed: fromId == 48\n"
        << true;
    QTest::newRow("parent relation") << QByteArray(parentRelation) << "xml" << "standard-parent-relation.osm" << 0
                                     << "" << true;
}

void tst_OSMParserWriting::standardFormat()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, form);
    QFETCH(QString, golden);
    QFETCH(int, missingWayNodes);
    QFETCH(QString, diagnostics);
    QFETCH(bool, collected);
    QVERIFY2(!OsmiumCheck::program().isEmpty(), "osmium (Debian package osmium-tool) is not installed");
    QVERIFY(TestWorkDir::writeFile("input.osm", input));
    QString path = "input.osm";
    if (form != "xml") {
        path = "input.osm.pbf";
        const QString format = form == "pbf" ? "pbf" : "pbf,add_metadata=false";
        QCOMPARE(osmiumCat({"--output-format", format, "-o", path, "input.osm"}), QString());
    }
    OSMData data;
    OSMParser parser;
    if (collected)
        parser.prepareFor(NetworkFormat::Osm);
    QStringList messages;
    connect(&parser, &OSMParser::message, [&messages](const QString& m) { messages << m; });
    // The bounds of a download or of --bbox come first.
    parser.setBounds(BoundingBox(16.5, 49.1, 16.7, 49.3));
    StderrCapture err;
    QVERIFY(parser.parseFile(path, data));
    parser.writeOutputFile(data, OSMParser::Coverage::Complete, NetworkFormat::Osm);
    // A second reading of the input reports nothing: the first one did.
    QCOMPARE(QString::fromStdString(err.text()), diagnostics);
    QCOMPARE(messages.value(4), QString("    Format: OpenStreetMap XML for other tools, sorted by type and id\n"));
    const QString written = parser.writtenFilePath();
    const QString difference = GoldenFile::compare(TestWorkDir::readFile(written), golden);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    const QString problems = OsmiumCheck::standardProblems(written, missingWayNodes);
    QVERIFY2(problems.isEmpty(), qPrintable(problems));
}

void tst_OSMParserWriting::standardFormatInBlocks_data()
{
    QTest::addColumn<QString>("form");
    QTest::newRow("from XML") << "xml";
    QTest::newRow("from PBF") << "pbf";
}

// More nodes and ways than the file for other tools formats in one block (it formats the next
// block in a second thread while it writes one): the file holds each object in order, byte for
// byte as QXmlStreamWriter writes it. The times run over 130 years, leap days among them, as a
// PBF holds them in seconds.
void tst_OSMParserWriting::standardFormatInBlocks()
{
    QFETCH(QString, form);
    const int ways = 9000;
    const auto document = [ways](bool asInput) {
        QByteArray bytes;
        QXmlStreamWriter xml(&bytes);
        xml.setAutoFormatting(true);
        xml.setAutoFormattingIndent(1);
        xml.writeStartDocument();
        xml.writeStartElement("osm");
        xml.writeAttribute("version", "0.6");
        if (!asInput)
            xml.writeAttribute("generator", StandardNetworkWriter::generator());
        const QDateTime first(QDate(1970, 1, 1), QTime(0, 0, 1), Qt::UTC);
        for (int id = 1; id <= 2 * ways; ++id) {
            xml.writeStartElement("node");
            xml.writeAttribute("id", QString::number(id));
            xml.writeAttribute("version", QString::number(id % 9 + 1));
            xml.writeAttribute("changeset", QString::number(1000000 + id));
            xml.writeAttribute("timestamp", first.addSecs(qint64(id) * 227777 + id % 86400).toString(Qt::ISODate));
            xml.writeAttribute("user", id % 3 ? "Tramway & Co" : "Трамвай");
            xml.writeAttribute("uid", QString::number(id % 50 + 1));
            xml.writeAttribute("lat", QString::number(49.1 + id * 1e-5, 'f', 7));
            xml.writeAttribute("lon", QString::number(16.5 + (id % 977) * 1e-4, 'f', 7));
            if (id % 100 == 0) {
                xml.writeEmptyElement("tag");
                xml.writeAttribute("k", "highway");
                xml.writeAttribute("v", "traffic_signals");
            }
            xml.writeEndElement();
        }
        for (int id = 1; id <= ways; ++id) {
            xml.writeStartElement("way");
            xml.writeAttribute("id", QString::number(id));
            xml.writeAttribute("version", "2");
            xml.writeAttribute("changeset", "77");
            xml.writeAttribute("timestamp", "2024-02-29T23:59:59Z");
            xml.writeAttribute("user", "Brno");
            xml.writeAttribute("uid", "5");
            for (int node : {2 * id - 1, 2 * id}) {
                xml.writeEmptyElement("nd");
                xml.writeAttribute("ref", QString::number(node));
            }
            xml.writeEmptyElement("tag");
            xml.writeAttribute("k", "highway");
            xml.writeAttribute("v", "residential");
            xml.writeEndElement();
        }
        xml.writeEndDocument();
        return bytes;
    };
    QVERIFY(TestWorkDir::writeFile("input.osm", document(true)));
    QString path = "input.osm";
    if (form == "pbf") {
        path = "input.osm.pbf";
        QCOMPARE(osmiumCat({"-o", path, "input.osm"}), QString());
    }
    OSMData data;
    OSMParser parser;
    parser.prepareFor(NetworkFormat::Osm);
    QVERIFY(parser.parseFile(path, data));
    parser.writeOutputFile(data, OSMParser::Coverage::Complete, NetworkFormat::Osm);
    const QByteArray written = TestWorkDir::readFile(parser.writtenFilePath());
    const QByteArray expected = document(false);
    QCOMPARE(written.size(), expected.size());
    QVERIFY(written == expected);
}

QTEST_GUILESS_MAIN(tst_OSMParserWriting)
#include "tst_OSMParserWriting.moc"
