#include "extraction/OSMParser.h"
#include "network/OSMData.h"
#include "tests/support/ExpectedLog.h"
#include "tests/support/GoldenFile.h"
#include "tests/support/OsmiumCheck.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TestWorkDir.h"

#include <QSet>
#include <QtTest>
#include <algorithm>

// Extraction over real OpenStreetMap pieces: what must hold for any input, the
// totals known for the sample area, and the exact bytes of its network file.
using namespace ExpectedLog;

class tst_RealPieces : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void invariants_data();
    void invariants();
    void orderDoesNotChangeWhatIsKept();
    void golden_data();
    void golden();
    void overpassGivesTheApisNetwork_data();
    void overpassGivesTheApisNetwork();
    void standardFormat_data();
    void standardFormat();
    void standardFormatIndependentOfInputOrder();
    void standardScenarioFiles();

private:
    struct Output
    {
        QStringList messages;
        QByteArray content;
        std::string errors;
        QString osmiumProblems;
    };
    Output extract(const std::vector<QString>& files, NetworkFormat format = NetworkFormat::Dorvex);

    TestWorkDir* work = nullptr;
};

namespace {

std::vector<QString> piecesOf(const QString& folder)
{
    std::vector<QString> files;
    const QDir dir(TestWorkDir::testData(folder));
    for (const QString& name : dir.entryList({"*.osm"}, QDir::Files, QDir::Name))
        files.push_back(dir.filePath(name));
    return files;
}

struct Parsed
{
    QList<qint64> nodeIds; // one entry per written node element
    QSet<qint64> nodeSet;
    QSet<qint64> stopNodeSet; // nodes written with a stop's tags
    QList<qint64> wayIds;
    QList<qint64> relationIds;
    QList<qint64> ndRefs;
    int busStopElements = 0;
    int tramStopElements = 0;
    bool wellFormed = false;
};

Parsed parseOutput(const QByteArray& content)
{
    Parsed p;
    QXmlStreamReader reader(content);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto a = reader.attributes();
        if (reader.name() == QLatin1String("node")) {
            p.nodeIds << a.value("id").toLongLong();
            p.nodeSet << p.nodeIds.last();
        } else if (reader.name() == QLatin1String("way")) {
            p.wayIds << a.value("id").toLongLong();
        } else if (reader.name() == QLatin1String("relation")) {
            p.relationIds << a.value("id").toLongLong();
        } else if (reader.name() == QLatin1String("nd")) {
            p.ndRefs << a.value("ref").toLongLong();
        } else if (reader.name() == QLatin1String("tag")) {
            const bool bus = a.value("k") == QLatin1String("highway") && a.value("v") == QLatin1String("bus_stop");
            const bool tram = a.value("k") == QLatin1String("railway") && a.value("v") == QLatin1String("tram_stop");
            p.busStopElements += bus;
            p.tramStopElements += tram;
            if ((bus || tram) && !p.nodeIds.isEmpty())
                p.stopNodeSet << p.nodeIds.last();
        }
    }
    p.wellFormed = !reader.hasError();
    return p;
}

// The pieces of a sample area in tests/data, by name.
std::vector<QString> repositoryPieces(const QString& folder)
{
    std::vector<QString> files;
    const QDir dir(QString(PELAGOR_SOURCE_DIR "/tests/data/") + folder);
    for (const QString& name : dir.entryList({"*.osm"}, QDir::Files, QDir::Name))
        files.push_back(dir.filePath(name));
    return files;
}

// The nodes, ways and relations of an OSM XML document, each as one line of text ("way 5",
// its attributes by name without "visible", then its tags, node references and members in
// order), by "type id"; the first definition of an id counts.
QHash<QString, QString> objectsOf(const QByteArray& content, QHash<QString, QString> objects = {})
{
    QXmlStreamReader reader(content);
    QString key;
    QString text;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        const QStringRef name = reader.name();
        const bool object = name == QLatin1String("node") || name == QLatin1String("way")
            || name == QLatin1String("relation");
        if (token == QXmlStreamReader::EndElement && object && !objects.contains(key))
            objects.insert(key, text);
        if (token != QXmlStreamReader::StartElement)
            continue;
        QStringList attributes;
        for (const QXmlStreamAttribute& a : reader.attributes()) {
            const bool coordinate = a.name() == QLatin1String("lat") || a.name() == QLatin1String("lon");
            if (a.name() != QLatin1String("visible"))
                attributes << a.name() + '=' + (coordinate ? QString::number(a.value().toDouble(), 'f', 7) : a.value().toString());
        }
        if (object) {
            attributes.sort();
            key = name + ' ' + reader.attributes().value("id");
            text = key + ' ' + attributes.join(' ');
        } else if (!key.isEmpty()) {
            text += " | " + name + ' ' + attributes.join(' ');
        }
    }
    return objects;
}

int countIn(const QString& summary, const QString& label)
{
    const QRegularExpression re("    " + label + ": (\\d+)\\n");
    const auto m = re.match(summary);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

} // namespace

void tst_RealPieces::init()
{
    work = new TestWorkDir;
    QVERIFY(work->isValid());
    QVERIFY(QDir().mkdir("data"));
    QVERIFY2(QFileInfo(TestWorkDir::testData("moscow-selection")).isDir(), "the sample data in tests/data is missing");
}

void tst_RealPieces::cleanup()
{
    delete work;
    work = nullptr;
}

tst_RealPieces::Output tst_RealPieces::extract(const std::vector<QString>& files, NetworkFormat format)
{
    Output out;
    StderrCapture err;
    OSMData data;
    OSMParser parser;
    connect(&parser, &OSMParser::message, [&out](const QString& m) { out.messages << m; });
    parser.parseFiles(files, data);
    parser.writeOutputFile(data, OSMParser::Coverage::Complete, format);
    const QDir comp("data/comp");
    for (const QString& name : comp.entryList(QDir::Files)) {
        out.content = TestWorkDir::readFile(comp.filePath(name));
        out.osmiumProblems = format == NetworkFormat::Osm ? OsmiumCheck::standardProblems(comp.filePath(name))
                                                          : OsmiumCheck::readProblems(comp.filePath(name));
        QFile::remove(comp.filePath(name));
    }
    out.errors = err.text();
    return out;
}

void tst_RealPieces::invariants_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("reversed");
    QTest::newRow("pieces") << "moscow-selection" << false;
    QTest::newRow("pieces reversed") << "moscow-selection" << true;
    QTest::newRow("quadrants") << "moscow-selection-quadrants" << false;
}

void tst_RealPieces::invariants()
{
    QFETCH(QString, folder);
    QFETCH(bool, reversed);
    std::vector<QString> files = piecesOf(folder);
    QVERIFY(!files.empty());
    if (reversed)
        std::reverse(files.begin(), files.end());
    const Output out = extract(files);
    QCOMPARE(out.messages.size(), int(2 * files.size() + 2));
    for (std::size_t i = 0; i < files.size(); ++i) {
        QCOMPARE(out.messages[int(2 * i)], processingStart(files[i]));
        QCOMPARE(out.messages[int(2 * i + 1)], QString(" OK\n"));
    }
    const QString summary = out.messages.last();
    const Parsed p = parseOutput(out.content);
    QVERIFY(p.wellFormed);

    // Every node a way refers to is written.
    for (qint64 ref : p.ndRefs)
        QVERIFY2(p.nodeSet.contains(ref), qPrintable(QString::number(ref)));
    // No way or relation twice.
    QCOMPARE(QSet<qint64>(p.wayIds.begin(), p.wayIds.end()).size(), p.wayIds.size());
    QCOMPARE(QSet<qint64>(p.relationIds.begin(), p.relationIds.end()).size(), p.relationIds.size());
    // The summary counts the collections: one written node element per stop plus
    // every other node once.
    QCOMPARE(countIn(summary, "Bus stop count"), p.busStopElements);
    QCOMPARE(countIn(summary, "Tram stop count"), p.tramStopElements);
    QCOMPARE(countIn(summary, "Node count"), p.nodeSet.size());
    QCOMPARE(countIn(summary, "Way count"), p.wayIds.size());
    QCOMPARE(countIn(summary, "Route count"), p.relationIds.size());
    QCOMPARE(p.nodeIds.size(),
             p.busStopElements + p.tramStopElements + p.nodeSet.size() - p.stopNodeSet.size());
    // The sample area's known totals: accepted ways, routes, stops.
    QCOMPARE(p.wayIds.size(), 144);
    QCOMPARE(p.relationIds.size(), 40 + 25 + 6);
    QCOMPARE(p.busStopElements, 33);
    QCOMPARE(p.tramStopElements, 14);
    QCOMPARE(out.errors, std::string());
}

void tst_RealPieces::orderDoesNotChangeWhatIsKept()
{
    std::vector<QString> files = piecesOf("moscow-selection");
    const Parsed forward = parseOutput(extract(files).content);
    std::reverse(files.begin(), files.end());
    const Parsed backward = parseOutput(extract(files).content);
    QCOMPARE(QSet<qint64>(forward.wayIds.begin(), forward.wayIds.end()),
             QSet<qint64>(backward.wayIds.begin(), backward.wayIds.end()));
    QCOMPARE(QSet<qint64>(forward.relationIds.begin(), forward.relationIds.end()),
             QSet<qint64>(backward.relationIds.begin(), backward.relationIds.end()));
    QCOMPARE(forward.nodeSet, backward.nodeSet);
    QVERIFY(forward.wayIds != backward.wayIds); // the order of the file does follow the input
}

void tst_RealPieces::golden_data()
{
    // The network files of the sample area, byte for byte: as pieces and as quadrants,
    // each read in name order and in reverse (order decides list order and which
    // definition of a shared object comes first).
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("reversed");
    QTest::addColumn<QString>("golden");
    QTest::newRow("pieces") << "moscow-selection" << false << "moscow-pieces.osm";
    QTest::newRow("pieces reversed") << "moscow-selection" << true << "moscow-pieces-reversed.osm";
    QTest::newRow("quadrants") << "moscow-selection-quadrants" << false << "moscow-quadrants.osm";
    QTest::newRow("quadrants reversed") << "moscow-selection-quadrants" << true << "moscow-quadrants-reversed.osm";
}

void tst_RealPieces::golden()
{
    QFETCH(QString, folder);
    QFETCH(bool, reversed);
    QFETCH(QString, golden);
    std::vector<QString> files = piecesOf(folder);
    if (reversed)
        std::reverse(files.begin(), files.end());
    const Output out = extract(files);
    QCOMPARE(out.errors, std::string());
    QCOMPARE(out.messages.last(), ExpectedLog::summary(767, 33, 14, 144, 71));
    QCOMPARE(out.osmiumProblems, QString());
    const QString difference = GoldenFile::compare(out.content, golden);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void tst_RealPieces::overpassGivesTheApisNetwork_data()
{
    // The network files that the download scenarios expect: from the API's eight pieces
    // (download-api), and from the Overpass answers of the same data (one request; the halves of
    // a tile the server could not answer whole). Paths below tests/.
    QTest::addColumn<QString>("network");
    QTest::newRow("one request") << "golden/moscow-overpass.osm";
    QTest::newRow("the tile cut in two") << "scenarios/download-overpass-remark/expected/data/comp/<date>_<time>.osm";
}

// Element for element the same network, in another order: Overpass sorts by id.
void tst_RealPieces::overpassGivesTheApisNetwork()
{
    QFETCH(QString, network);
    const auto elements = [](const QString& path) {
        QStringList blocks =
            QString::fromUtf8(TestWorkDir::readFile(QString(PELAGOR_SOURCE_DIR "/tests/") + path)).split("\n <");
        blocks.sort();
        return blocks;
    };
    const QStringList api = elements("golden/moscow-pieces-reversed.osm");
    QCOMPARE(api.size(), 1285);
    QCOMPARE(elements(network), api);
}

void tst_RealPieces::standardFormat_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("pieces") << "moscow-selection";
    QTest::newRow("quadrants") << "moscow-selection-quadrants";
}

// The network file for other OpenStreetMap tools holds what the simulator's holds, each
// object once and whole, as the input has it; osmium finds it ordered and its ways complete.
void tst_RealPieces::standardFormat()
{
    QFETCH(QString, folder);
    const std::vector<QString> files = repositoryPieces(folder);
    QCOMPARE(files.size(), std::size_t(folder == "moscow-selection" ? 8 : 32));
    const Parsed network = parseOutput(extract(files).content);
    const Output out = extract(files, NetworkFormat::Osm);
    QCOMPARE(out.errors, std::string());
    QCOMPARE(out.osmiumProblems, QString());
    QCOMPARE(out.messages.last(), QString("    Format: OpenStreetMap XML for other tools, sorted by type and id\n"));

    const Parsed standard = parseOutput(out.content);
    QVERIFY(standard.wellFormed);
    QCOMPARE(standard.nodeSet, network.nodeSet);
    QCOMPARE(standard.nodeIds.size(), standard.nodeSet.size());
    QCOMPARE(QSet<qint64>(standard.wayIds.begin(), standard.wayIds.end()),
             QSet<qint64>(network.wayIds.begin(), network.wayIds.end()));
    QCOMPARE(QSet<qint64>(standard.relationIds.begin(), standard.relationIds.end()),
             QSet<qint64>(network.relationIds.begin(), network.relationIds.end()));
    QCOMPARE(standard.wayIds.size(), 144);
    QCOMPARE(standard.relationIds.size(), 71);

    QHash<QString, QString> input;
    for (const QString& file : files)
        input = objectsOf(TestWorkDir::readFile(file), input);
    const QHash<QString, QString> written = objectsOf(out.content);
    QCOMPARE(written.size(), 767 + 144 + 71);
    for (auto it = written.begin(); it != written.end(); ++it)
        QCOMPARE(it.value(), input.value(it.key()));
}

// Sorted by type and id, the file does not depend on how the area was cut or in which order
// its pieces were read.
void tst_RealPieces::standardFormatIndependentOfInputOrder()
{
    const QByteArray pieces = extract(repositoryPieces("moscow-selection"), NetworkFormat::Osm).content;
    std::vector<QString> quadrants = repositoryPieces("moscow-selection-quadrants");
    std::reverse(quadrants.begin(), quadrants.end());
    const QByteArray reversedQuadrants = extract(quadrants, NetworkFormat::Osm).content;
    QVERIFY(pieces.size() > 100000);
    QVERIFY(pieces == reversedQuadrants);
}

// Every network file in standard OSM XML that a command test expects is one that osmium finds
// ordered, with each object once and every way complete.
void tst_RealPieces::standardScenarioFiles()
{
    const QDir scenarios(PELAGOR_SOURCE_DIR "/tests/scenarios");
    int checked = 0;
    for (const QString& name : scenarios.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString command = QString::fromUtf8(TestWorkDir::readFile(scenarios.filePath(name + "/command")));
        if (!command.contains("--format osm"))
            continue;
        const QDir comp(scenarios.filePath(name + "/expected/data/comp"));
        for (const QString& file : comp.entryList({"*.osm"}, QDir::Files)) {
            const QString problems = OsmiumCheck::standardProblems(comp.filePath(file));
            QVERIFY2(problems.isEmpty(), qPrintable(name + ": " + problems));
            ++checked;
        }
    }
    QVERIFY(checked >= 2);
}

QTEST_GUILESS_MAIN(tst_RealPieces)
#include "tst_RealPieces.moc"
