#include "extraction/OSMParser.h"
#include "network/OSMData.h"
#include "tests/support/ExpectedLog.h"
#include "tests/support/OsmiumCheck.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TestWorkDir.h"

#include <QtTest>

// The network file: its exact bytes, the summary, and what happens when it cannot
// be opened.
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

QTEST_GUILESS_MAIN(tst_OSMParserWriting)
#include "tst_OSMParserWriting.moc"
