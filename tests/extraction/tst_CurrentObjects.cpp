// What reaches a handler from a file, through the XML reader and through libosmium alike: the
// data of today (no deleted or invisible objects, the last version of a history file), the
// duplicate rule of plain files unchanged, and the files that are refused.
#include "extraction/CurrentObjects.h"
#include "extraction/OSMHandler.h"
#include "extraction/OSMXmlReader.h"
#include "extraction/OsmiumReader.h"
#include "tests/support/TestWorkDir.h"

#include <QtTest>

namespace {

// Writes down each entity handed to it as "n1v2" (kind, id, version).
class Recorder : public OSMHandler
{
public:
    QStringList seen;

protected:
    void node(const OSMEntity& node) override { note('n', node); }
    void way(const OSMEntity& way) override { note('w', way); }
    void relation(const OSMEntity& relation) override { note('r', relation); }

private:
    void note(char kind, const OSMEntity& entity) { seen << QString("%1%2v%3").arg(kind).arg(entity.id).arg(entity.version); }
};

QByteArray document(const QByteArray& body, const QByteArray& root = "osm")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<" + root + " version=\"0.6\">\n" + body + "</" + root + ">\n";
}

QByteArray node(int id, int version, const QByteArray& more = QByteArray())
{
    return QString(" <node id=\"%1\" version=\"%2\" lat=\"49.2\" lon=\"16.6\"%3/>\n")
        .arg(id)
        .arg(version)
        .arg(QString::fromUtf8(more))
        .toUtf8();
}

} // namespace

class tst_CurrentObjects : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void handedOn_data();
    void handedOn();
};

void tst_CurrentObjects::handedOn_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<bool>("actionMarks"); // libosmium does not read the action attribute
    QTest::addColumn<QStringList>("handed");
    QTest::addColumn<int>("content");
    QTest::addColumn<QString>("reason");

    const int data = int(CurrentObjects::Content::Data);
    const int history = int(CurrentObjects::Content::History);
    const QString unsorted = "it holds several versions of its objects, not sorted by type, id and version";

    QTest::newRow("same version twice: both, the first wins downstream")
        << document(node(1, 1) + node(1, 1) + node(2, 1)) << false << QStringList{"n1v1", "n1v1", "n2v1"} << data
        << QString();
    QTest::newRow("no versions twice") << document(" <node id=\"1\" lat=\"1\" lon=\"1\"/>\n <node id=\"1\" lat=\"2\" lon=\"2\"/>\n")
                                       << false << QStringList{"n1v0", "n1v0"} << data << QString();
    QTest::newRow("a node and a way of one id") << document(node(1, 1) + " <way id=\"1\" version=\"1\"/>\n") << false
                                                << QStringList{"n1v1", "w1v1"} << data << QString();
    QTest::newRow("unsorted plain file") << document(node(5, 1) + node(1, 1)) << false << QStringList{"n5v1", "n1v1"}
                                         << data << QString();
    QTest::newRow("history: the last version")
        << document(node(1, 1) + node(1, 2) + node(1, 3) + node(2, 1)) << false << QStringList{"n1v3", "n2v1"}
        << history << QString();
    QTest::newRow("history: a lower version after a higher one does not replace it")
        << document(node(1, 3) + node(1, 2) + node(2, 1)) << false << QStringList{"n1v3", "n2v1"} << history
        << QString();
    QTest::newRow("history: last version deleted, without a position")
        << document(node(1, 1) + " <node id=\"1\" version=\"2\" visible=\"false\"/>\n" + node(2, 1)) << false
        << QStringList{"n2v1"} << history << QString();
    QTest::newRow("history: deleted once, back again")
        << document(" <node id=\"1\" version=\"1\" visible=\"false\"/>\n" + node(1, 2)) << false
        << QStringList{"n1v2"} << history << QString();
    QTest::newRow("history out of order") << document(node(5, 1) + node(5, 2) + node(1, 1)) << false << QStringList()
                                          << data << unsorted;
    QTest::newRow("out of order, then history") << document(node(5, 1) + node(1, 1) + node(1, 2)) << false
                                                << QStringList{"n5v1"} << data << unsorted;
    QTest::newRow("editor's marks") << document(node(-1, 0, " action=\"modify\"") + node(1, 1, " action=\"delete\"")
                                                + node(2, 1, " visible=\"false\"") + node(3, 2, " action=\"modify\""))
                                    << true << QStringList{"n-1v0", "n3v2"} << data << QString();
    QTest::newRow("changesets only") << document(" <changeset id=\"1\"/>\n <changeset id=\"2\"/>\n") << false
                                     << QStringList() << int(CurrentObjects::Content::ChangesetsOnly) << QString();
    QTest::newRow("osmChange") << document(" <modify>\n" + node(1, 2) + " </modify>\n", "osmChange") << false
                               << QStringList() << data << "it is an osmChange file (a change), not OSM data";
}

void tst_CurrentObjects::handedOn()
{
    QFETCH(QByteArray, xml);
    QFETCH(bool, actionMarks);
    QFETCH(QStringList, handed);
    QFETCH(int, content);
    QFETCH(QString, reason);

    Recorder viaXml;
    QXmlStreamReader stream(xml);
    OSMXmlReader reader(stream, false);
    reader.read(viaXml);
    QCOMPARE(viaXml.seen, handed);
    QCOMPARE(int(reader.content()), content);
    QCOMPARE(reader.refusalText().isEmpty(), reason.isEmpty());
    QVERIFY(reader.refusalText().contains(reason));

    if (actionMarks)
        return;
    TestWorkDir dir;
    const QString path = dir.filePath("file.osm");
    QVERIFY(TestWorkDir::writeFile(path, xml));
    Recorder viaOsmium;
    OsmiumReader::Options options;
    int told = -1;
    QString toldReason;
    options.done = [&](const CurrentObjects& stage) {
        told = int(stage.content());
        toldReason = stage.reason();
    };
    QCOMPARE(OsmiumReader::read(path, OSMFileFormat::Xml, viaOsmium, options), reason.isEmpty());
    QCOMPARE(viaOsmium.seen, handed);
    QCOMPARE(told, content);
    QCOMPARE(toldReason, reason);
}

QTEST_GUILESS_MAIN(tst_CurrentObjects)
#include "tst_CurrentObjects.moc"
