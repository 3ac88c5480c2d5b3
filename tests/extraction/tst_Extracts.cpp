#include "common/BoundingBox.h"
#include "extraction/OSMParser.h"
#include "network/OSMData.h"
#include "tests/support/ExpectedLog.h"
#include "tests/support/OsmiumCheck.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TestWorkDir.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// Extracts as input: the real pieces of the sample area, merged and written by osmium
// as plain, gzip and bzip2 XML and as PBF, give one network file, one log and one set
// of diagnostics; damaged extracts are reported and the run goes on; clipped to the
// box of one piece, the merged pieces give what the API gave for that piece.
using namespace ExpectedLog;

class tst_Extracts : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void sameNetworkFromEveryFormat_data();
    void sameNetworkFromEveryFormat();
    void damagedExtract_data();
    void damagedExtract();
    void clippedToPiece_data();
    void clippedToPiece();

private:
    struct Run
    {
        QStringList messages; // each path replaced by "FILE<n>", n its place in the run
        QByteArray network;
        QStringList stderrLines;
        QString osmiumProblems;
    };
    Run extract(const QStringList& paths, const QString& bbox = QString());
    QString set(const QString& name) const { return sets.filePath(name); }

    QTemporaryDir sets; // the data set in every format, made once
    QStringList pieces; // the pieces' names, without ".osm"
    TestWorkDir* work = nullptr;
};

namespace {

// The way elements of a network file, each as written.
QStringList ways(const QByteArray& network)
{
    QStringList found;
    QRegularExpressionMatchIterator it =
        QRegularExpression("<way id=.*?</way>", QRegularExpression::DotMatchesEverythingOption)
            .globalMatch(QString::fromUtf8(network));
    while (it.hasNext())
        found << it.next().captured(0);
    return found;
}

// The stops of a network file that stand inside the box: kind, node id and name.
QStringList stopsInside(const QByteArray& network, const BoundingBox& box)
{
    QStringList found;
    QXmlStreamReader reader(network);
    qint64 id = 0;
    bool inside = false;
    QString name;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = reader.attributes();
        if (reader.name() == QLatin1String("node")) {
            id = a.value("id").toLongLong();
            inside = box.contains(a.value("lat").toDouble(), a.value("lon").toDouble());
        } else if (reader.name() == QLatin1String("tag") && inside) {
            if (a.value("k") == QLatin1String("name"))
                name = a.value("v").toString();
            else if (a.value("v") == QLatin1String("bus_stop") || a.value("v") == QLatin1String("tram_stop"))
                found << QString("%1 %2 %3").arg(a.value("v")).arg(id).arg(name);
        }
    }
    return found;
}

// Objects of every kind that leaves a trace on the standard error stream or tests a
// rule across formats: a position off the Earth, a way with a node the file lacks, a
// name that needs escaping, lane values with blanks, route members of every type.
const char* const crafted = R"(<?xml version='1.0' encoding='UTF-8'?>
<osm version="0.6">
 <node id="9000000001" version="1" lat="55.81" lon="37.6"/>
 <node id="9000000002" version="1" lat="91" lon="37.6"><tag k="highway" v="bus_stop"/></node>
 <node id="9000000003" version="1" lat="55.8101" lon="37.6001"><tag k="highway" v="bus_stop"/><tag k="name" v="Тест &amp; &lt;x&gt;"/><tag k="railway" v="tram_stop"/></node>
 <way id="9000000001" version="1"><nd ref="9000000001"/><nd ref="9000000003"/><nd ref="9000000099"/><tag k="highway" v="primary_link"/><tag k="oneway" v="yes"/></way>
 <way id="9000000002" version="1"><nd ref="9000000001"/><nd ref="9000000003"/><tag k="railway" v="tram"/><tag k="lanes:forward" v=" 2 "/><tag k="lanes:backward" v="x"/></way>
 <relation id="9000000001" version="1"><member type="node" ref="9000000003" role="platform"/><member type="relation" ref="5" role=""/><member type="way" ref="9000000001" role="forward"/><member type="way" ref="9000000002" role=""/><tag k="type" v="route"/><tag k="route" v="tram"/><tag k="name" v="Тест"/></relation>
</osm>
)";

QString osmium(const QStringList& arguments)
{
    QProcess process;
    process.start(OsmiumCheck::program(), arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QString("osmium %1: %2").arg(arguments.join(' '), QString::fromUtf8(process.readAllStandardError()));
    return QString();
}

} // namespace

void tst_Extracts::initTestCase()
{
    if (OsmiumCheck::program().isEmpty())
        QFAIL("osmium (Debian package osmium-tool) is not installed; scripts/install-deps installs it");
    QVERIFY(sets.isValid());
    const QDir shared(TestWorkDir::testData("moscow-selection"));
    QStringList inputs;
    for (const QString& name : shared.entryList({"*.osm"}, QDir::Files, QDir::Name)) {
        pieces << name.chopped(4);
        inputs << shared.filePath(name);
    }
    QCOMPARE(pieces.size(), 8);
    QVERIFY(TestWorkDir::writeFile(set("crafted.osm"), crafted));
    // osmium merge keeps each object once, in id order, as an extract has it.
    QCOMPARE(osmium(QStringList{"merge", "-O", "-o", set("merged.osm")} + inputs + QStringList{set("crafted.osm")}),
             QString());
    QCOMPARE(osmium(QStringList{"merge", "-O", "-o", set("union.osm")} + inputs), QString());
    QCOMPARE(osmium({"cat", "-O", "-o", set("union.osm.pbf"), set("union.osm")}), QString());
    for (const char* suffix : {".osm.gz", ".osm.bz2", ".osm.pbf"})
        QCOMPARE(osmium({"cat", "-O", "-o", set(QString("merged") + suffix), set("merged.osm")}), QString());
    for (const QString& piece : pieces)
        QCOMPARE(osmium({"cat", "-O", "-o", set(piece + ".osm.pbf"), shared.filePath(piece + ".osm")}), QString());
    // A way before its nodes finds none of them, one after them finds both; osmium cat keeps
    // the order, so the PBF is read in two passes and must still give that.
    QVERIFY(TestWorkDir::writeFile(set("unsorted.osm"),
                                   "<osm version=\"0.6\">\n"
                                   " <way id=\"1\"><nd ref=\"1\"/><nd ref=\"2\"/><tag k=\"highway\" v=\"road\"/></way>\n"
                                   " <node id=\"1\" lat=\"1\" lon=\"1\"/>\n <node id=\"2\" lat=\"2\" lon=\"2\"/>\n"
                                   " <node id=\"3\" lat=\"3\" lon=\"3\"/>\n"
                                   " <way id=\"2\"><nd ref=\"1\"/><nd ref=\"2\"/><tag k=\"railway\" v=\"tram\"/></way>\n"
                                   "</osm>\n"));
    QCOMPARE(osmium({"cat", "-O", "-o", set("unsorted.osm.pbf"), set("unsorted.osm")}), QString());
}

void tst_Extracts::init()
{
    work = new TestWorkDir;
    QVERIFY(work->isValid());
    QVERIFY(QDir().mkdir("data"));
}

void tst_Extracts::cleanup()
{
    delete work;
    work = nullptr;
}

tst_Extracts::Run tst_Extracts::extract(const QStringList& paths, const QString& bbox)
{
    Run run;
    {
        StderrCapture err;
        OSMData data;
        OSMParser parser;
        connect(&parser, &OSMParser::message, [&run](const QString& m) { run.messages << m; });
        if (!bbox.isEmpty()) {
            BoundingBox box;
            QString problem;
            if (!BoundingBox::fromText(bbox, box, &problem))
                QTest::qFail(qPrintable(problem), __FILE__, __LINE__);
            parser.clipTo(box);
        }
        parser.parseFiles(std::vector<QString>(paths.begin(), paths.end()), data);
        parser.writeOutputFile(data);
        run.stderrLines = err.lines();
    }
    for (QString& message : run.messages) {
        for (int i = 0; i < paths.size(); ++i)
            message.replace(paths[i], QString("FILE%1").arg(i));
        message.replace(QRegularExpression("comp/[0-9_-]+\\.osm"), "comp/NAME.osm");
    }
    const QDir comp("data/comp");
    const QStringList files = comp.entryList(QDir::Files);
    if (files.size() == 1) {
        run.network = TestWorkDir::readFile(comp.filePath(files.first()));
        run.osmiumProblems = OsmiumCheck::readProblems(comp.filePath(files.first()));
        QFile::remove(comp.filePath(files.first()));
    }
    return run;
}

void tst_Extracts::sameNetworkFromEveryFormat_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("asXml");
    const QStringList merged{set("merged.osm")};
    QTest::newRow("gzip") << QStringList{set("merged.osm.gz")} << merged;
    QTest::newRow("bzip2") << QStringList{set("merged.osm.bz2")} << merged;
    QTest::newRow("pbf") << QStringList{set("merged.osm.pbf")} << merged;
    QTest::newRow("pbf with a way before its nodes") << QStringList{set("unsorted.osm.pbf")}
                                                      << QStringList{set("unsorted.osm")};
    // Overlapping pieces, every other one as PBF: the same first-definition rules and
    // the same removal of unused nodes after each file, across formats.
    QStringList mixed;
    QStringList xml;
    for (int i = 0; i < pieces.size(); ++i) {
        const QString piece = TestWorkDir::testData("moscow-selection/" + pieces[i] + ".osm");
        mixed << (i % 2 ? set(pieces[i] + ".osm.pbf") : piece);
        xml << piece;
    }
    QTest::newRow("pieces, every other one as pbf") << mixed << xml;
}

void tst_Extracts::sameNetworkFromEveryFormat()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, asXml);
    const Run expected = extract(asXml);
    const Run run = extract(files);
    QCOMPARE(run.messages, expected.messages);
    QCOMPARE(run.stderrLines, expected.stderrLines);
    QCOMPARE(run.network, expected.network);
    QCOMPARE(run.osmiumProblems, QString());
    QCOMPARE(expected.osmiumProblems, QString());
    if (asXml.first().endsWith("unsorted.osm")) {
        QCOMPARE(expected.stderrLines, (QStringList{"addWay finding Node failed: fromId == 1",
                                                    "addWay finding Node failed: fromId == 2",
                                                    "OSMParser: oops something is NULL | continue;"}));
        QVERIFY(expected.messages.last().contains("    Node count: 2\n"));
    } else if (asXml.size() == 1) {
        QCOMPARE(expected.messages.mid(0, 2), (QStringList{processingStart("FILE0"), readOk()}));
        QCOMPARE(expected.messages.last(), summary(769, 34, 15, 146, 72));
        QCOMPARE(expected.stderrLines, (QStringList{"OSMParser: Conversion failed lat: 91",
                                                    "addWay finding Node failed: fromId == 9000000099"}));
    } else {
        QVERIFY(expected.messages.last().contains("    Way count: 144\n    Route count: 71\n"));
    }
}

void tst_Extracts::damagedExtract_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    // What the log says between "Processing file: ..." and the next file.
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QStringList>("stderrLines");
    // Clipped, each file is read twice; a damage is still reported once.
    QTest::addColumn<QString>("bbox");
    const QString world = "-180,-90,180,90";
    const QByteArray pbf = TestWorkDir::readFile(set("merged.osm.pbf"));
    const QByteArray gz = TestWorkDir::readFile(set("merged.osm.gz"));
    const QByteArray bz2 = TestWorkDir::readFile(set("merged.osm.bz2"));
    const QByteArray text = "<osm version=\"0.6\">\n <node id=\"1\" lat=\"1\" lon=\"1\"/>\n</osm>\n";
    const QStringList premature{"Premature end of document.\n", " OK\n"};
    // What came before the cut is read: the node off the Earth is among it.
    QTest::newRow("truncated pbf") << "cut.osm.pbf" << pbf.left(pbf.size() / 2)
                                   << QStringList{"PBF error: unexpected EOF\n", " OK\n"}
                                   << QStringList{"OSMParser: Conversion failed lat: 91"} << QString();
    // XML is read as XML whatever the name says; what is neither XML nor a known format goes
    // by its name.
    QTest::newRow("xml named pbf") << "text.osm.pbf" << text << QStringList{" OK\n"} << QStringList() << QString();
    QTest::newRow("text named pbf") << "text.osm.pbf" << QByteArray("not osm\n")
                                    << QStringList{"PBF error: invalid BlobHeader size (> max_blob_header_size)\n",
                                                   " OK\n"}
                                    << QStringList() << QString();
    QTest::newRow("empty pbf") << "empty.osm.pbf" << QByteArray()
                               << QStringList{"PBF error: blob contains no data\n", " OK\n"} << QStringList()
                               << QString();
    const QStringList gzipCut{"GzipDevice: \"cut.osm.gz\": the file ends inside a compressed stream"};
    QTest::newRow("truncated gzip") << "cut.osm.gz" << gz.left(gz.size() / 2) << premature << gzipCut << QString();
    QTest::newRow("truncated gzip, clipped to the world") << "cut.osm.gz" << gz.left(gz.size() / 2) << premature
                                                          << gzipCut << world;
    // A node off the Earth is inside no box: a clip drops it without a word.
    QTest::newRow("truncated pbf, clipped to the world")
        << "cut.osm.pbf" << pbf.left(pbf.size() / 2) << QStringList{"PBF error: unexpected EOF\n", " OK\n"}
        << QStringList() << world;
    // The damage garbles the text before zlib can tell.
    QTest::newRow("damaged gzip") << "bad.osm.gz" << gz.left(1000) + QByteArray(1000, 'x') + gz.mid(2000)
                                  << QStringList{"Encountered incorrectly encoded content.\n", " OK\n"}
                                  << QStringList{"GzipDevice: \"bad.osm.gz\": corrupt data: invalid distance too far back"}
                                  << QString();
    QTest::newRow("xml named gzip") << "text.osm.gz" << text << QStringList{" OK\n"} << QStringList() << QString();
    QTest::newRow("text named gzip") << "text.osm.gz" << QByteArray("not osm\n") << QStringList{openingFailed()}
                                     << QStringList() << QString();
    QTest::newRow("truncated bzip2") << "cut.osm.bz2" << bz2.left(bz2.size() / 2) << premature
                                     << QStringList{"Bzip2Device: \"cut.osm.bz2\": the file ends inside a compressed "
                                                    "stream"}
                                     << QString();
    QTest::newRow("text named bzip2") << "text.osm.bz2" << QByteArray("not osm\n") << QStringList{openingFailed()}
                                      << QStringList() << QString();
}

void tst_Extracts::damagedExtract()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QStringList, log);
    QFETCH(QStringList, stderrLines);
    QFETCH(QString, bbox);
    QVERIFY(TestWorkDir::writeFile(name, content));
    const QString piece = TestWorkDir::testData("moscow-selection/" + pieces.first() + ".osm");
    const int descriptors = QDir("/proc/self/fd").count();
    const Run run = extract({name, piece}, bbox);
    // No descriptor is left open on a damaged file (libosmium leaves one on a refused PBF).
    QCOMPARE(QDir("/proc/self/fd").count(), descriptors);
    // The damaged file is reported, and the next file is read as if alone.
    const QStringList expected = QStringList{processingStart("FILE0")} + log
        + QStringList{processingStart("FILE1"), readOk()};
    QCOMPARE(run.messages.mid(0, expected.size()), expected);
    QCOMPARE(run.stderrLines, stderrLines);
    QVERIFY(!run.network.isEmpty());
    QCOMPARE(run.osmiumProblems, QString());
}

void tst_Extracts::clippedToPiece_data()
{
    QTest::addColumn<QString>("piece");
    QTest::addColumn<QString>("unionFile");
    for (const char* piece : {"37.615-55.816-37.622-55.823", "37.595-55.806-37.605-55.816"}) {
        QTest::addRow("%s, xml", piece) << QString(piece) << set("union.osm");
        QTest::addRow("%s, pbf", piece) << QString(piece) << set("union.osm.pbf");
    }
}

// The API's map call for a piece's box returned the piece file; clipping the union of
// all pieces to that box must keep the same ways, and the same stops inside the box.
void tst_Extracts::clippedToPiece()
{
    QFETCH(QString, piece);
    QFETCH(QString, unionFile);
    const QString bbox = QString(piece).replace('-', ',');
    BoundingBox box;
    QString problem;
    QVERIFY(BoundingBox::fromText(bbox, box, &problem));
    const Run alone = extract({TestWorkDir::testData("moscow-selection/" + piece + ".osm")});
    const Run clipped = extract({unionFile}, bbox);
    const Run whole = extract({unionFile});
    QCOMPARE(clipped.messages.mid(0, 2), (QStringList{processingStart("FILE0"), readOk()}));
    QCOMPARE(clipped.stderrLines, QStringList());
    QCOMPARE(ways(clipped.network), ways(alone.network));
    QCOMPARE(stopsInside(clipped.network, box), stopsInside(alone.network, box));
    QVERIFY(!stopsInside(alone.network, box).isEmpty());
    QVERIFY(ways(clipped.network).size() < ways(whole.network).size());
    QCOMPARE(clipped.osmiumProblems, QString());
}

QTEST_GUILESS_MAIN(tst_Extracts)
#include "tst_Extracts.moc"
