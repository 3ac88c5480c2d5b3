#include "tools/OSMProcessor.h"
#include "common/BoundingBox.h"
#include "tests/support/ExpectedLog.h"
#include "tests/support/FakeHttpServer.h"
#include "tests/support/OsmApiPieces.h"
#include "tests/support/ProcessorLog.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TestWorkDir.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>
#include <memory>

Q_DECLARE_METATYPE(NetworkFormat)

// One complete processing run, headless: download through a fake API, extraction,
// the network file, and the controller's teardown.
class tst_OSMProcessor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void wholeRun();
    void allPiecesOnDisk();
    void emptyArea();
    void invalidArea();
    void destroyedMidDownload();
    void extractRun_data();
    void extractRun();

private:
    std::unique_ptr<OSMProcessor> start(const QRectF& area, ProcessorLog& log);
    QStringList files(const QString& folder) const;

    FakeHttpServer* server = nullptr;
    TestWorkDir* work = nullptr;
};

namespace {

// The sample selection; its grid is 37585..37622 by 55806..55823, eight pieces.
const QRectF moscow = OsmApiPieces::sampleArea();

// Columns east to west, each from north to south: the order the pieces are taken.
const QStringList requestOrder = OsmApiPieces::sampleRequestOrder();

// The summary of all eight pieces.
QString summaryPattern()
{
    return ExpectedLog::summaryPattern(767, 33, 14, 144, 71);
}

} // namespace

void tst_OSMProcessor::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    server = new FakeHttpServer(this);
    QVERIFY(server->listen());
    server->useAsApplicationProxy();
}

void tst_OSMProcessor::init()
{
    work = new TestWorkDir;
    QVERIFY(work->isValid());
    // In the application the tile cache has made ./data/ by the time a run starts.
    QVERIFY(QDir().mkdir("data"));
    server->setHandler(OsmApiPieces::serving({TestWorkDir::testData("moscow-selection")}));
    server->clearRequests();
}

void tst_OSMProcessor::cleanup()
{
    delete work;
    work = nullptr;
}

std::unique_ptr<OSMProcessor> tst_OSMProcessor::start(const QRectF& area, ProcessorLog& log)
{
    std::unique_ptr<OSMProcessor> processor(new OSMProcessor(area));
    log.startRun(processor.get());
    return processor;
}

QStringList tst_OSMProcessor::files(const QString& folder) const
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

void tst_OSMProcessor::wholeRun()
{
    ProcessorLog log;
    auto processor = start(moscow, log);
    QTRY_COMPARE_WITH_TIMEOUT(log.done, 1, 30000);

    // Download: one request line per piece with its progress dots, then the parser's
    // lines for the same files in the same order, then the network file.
    QString pattern = "^" + ExpectedLog::escaped(ExpectedLog::total(8));
    for (const QString& piece : requestOrder)
        pattern += ExpectedLog::requestPattern(piece, true);
    for (const QString& piece : requestOrder)
        pattern += ExpectedLog::processingPattern(piece);
    pattern += ExpectedLog::creatingPattern() + summaryPattern() + "$";
    const auto match = QRegularExpression(pattern).match(log.text());
    QVERIFY2(match.hasMatch(), qPrintable(log.text()));
    QCOMPARE(log.progress, QList<int>({12, 25, 37, 50, 62, 75, 87, 100}));
    QCOMPARE(log.events.last(), QString("done"));
    QCOMPARE(server->requests().size(), 8);
    for (const auto& request : server->requests())
        QCOMPARE(request.header("User-Agent"), QByteArray("Dorvex"));

    // Every piece is on disk as served, and nothing else is.
    QStringList expectedPieces;
    for (const QString& piece : requestOrder)
        expectedPieces << piece + ".osm";
    expectedPieces.sort();
    QCOMPARE(files("data/download"), expectedPieces);
    for (const QString& name : expectedPieces)
        QCOMPARE(TestWorkDir::readFile("data/download/" + name),
                 TestWorkDir::readFile(TestWorkDir::testData("moscow-selection/" + name)));

    // The network file equals what pelagor-extract writes for the same files.
    const QByteArray network = TestWorkDir::readFile(match.captured(1));
    QVERIFY(!network.isEmpty());
    QVERIFY(QDir().rename("data/comp", "data/run"));
    QStringList arguments;
    for (const QString& piece : requestOrder)
        arguments << "data/download/" + piece + ".osm";
    QProcess extract;
    extract.start(PELAGOR_BINARY_DIR "/tools/pelagor-extract", arguments);
    QVERIFY(extract.waitForFinished(30000));
    QCOMPARE(extract.exitCode(), 0);
    const QStringList written = files("data/comp");
    QCOMPARE(written.size(), 1);
    QCOMPARE(TestWorkDir::readFile("data/comp/" + written.first()), network);
}

void tst_OSMProcessor::allPiecesOnDisk()
{
    QVERIFY(TestWorkDir::copyFiles(TestWorkDir::testData("moscow-selection"), "data/download"));
    ProcessorLog log;
    auto processor = start(moscow, log);
    QTRY_COMPARE_WITH_TIMEOUT(log.done, 1, 30000);
    QCOMPARE(server->requests().size(), 0);
    QString expected = ExpectedLog::total(8);
    for (const QString& piece : requestOrder)
        expected += ExpectedLog::foundLine(piece);
    QVERIFY2(log.text().startsWith(expected), qPrintable(log.text()));
    QVERIFY(QRegularExpression(summaryPattern() + "$").match(log.text()).hasMatch());
    QCOMPARE(log.progress, QList<int>({12, 25, 37, 50, 62, 75, 87, 100}));
}

void tst_OSMProcessor::emptyArea()
{
    ProcessorLog log;
    auto processor = start(BoundingBox(0, 0, 0, 0).toArea(), log);
    QTRY_COMPARE_WITH_TIMEOUT(log.done, 1, 10000);
    QCOMPARE(log.messages.size(), 3);
    QCOMPARE(log.messages[0], ExpectedLog::total(0));
    QVERIFY(log.messages[1].startsWith("Creating output file: \"./data/comp/"));
    QCOMPARE(log.messages[2], ExpectedLog::emptySummary());
    QCOMPARE(files("data/comp").size(), 1);
}

void tst_OSMProcessor::invalidArea()
{
    StderrCapture err;
    ProcessorLog log;
    auto processor = start(BoundingBox(10, 1, 9, 0).toArea(), log);
    QTRY_COMPARE_WITH_TIMEOUT(err.lines().size(), 2, 10000);
    processor.reset();
    QCOMPARE(err.lines(), QStringList({"Pelagor: Invalid boundaries! Right longitude has to be greater than left longitude",
                                       "Pelagor: Invalid boundaries! Top latitude has to be greater than bottom latitude"}));
    QVERIFY(log.events.isEmpty());
    QVERIFY(!QDir("data/download").exists());
}

void tst_OSMProcessor::destroyedMidDownload()
{
    // The first piece arrives; the second never does.
    const QString first = requestOrder.first();
    const auto serve = OsmApiPieces::serving({TestWorkDir::testData("moscow-selection")});
    server->setHandler([serve, first](const FakeHttpServer::Request& request) {
        if (OsmApiPieces::pieceName(request) == first)
            return serve(request);
        FakeHttpServer::Response stalled;
        stalled.stall = true;
        return stalled;
    });
    ProcessorLog log;
    auto processor = start(moscow, log);
    QTRY_COMPARE_WITH_TIMEOUT(server->requests().size(), 2, 10000);
    // Returns with the worker thread ended, long before the stalled transfer would be given up.
    processor.reset();
    QCOMPARE(files("data/download"), QStringList{first + ".osm"});
    QCOMPARE(TestWorkDir::readFile("data/download/" + first + ".osm"),
             TestWorkDir::readFile(TestWorkDir::testData("moscow-selection/" + first + ".osm")));
    QVERIFY(!QDir("data/comp").exists());
    QCOMPARE(log.done, 0);
}



void tst_OSMProcessor::extractRun_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("written");
    QTest::addColumn<NetworkFormat>("format");
    const QByteArray piece = TestWorkDir::readFile(PELAGOR_SOURCE_DIR "/tests/data/moscow-selection/"
                                                   "37.595-55.806-37.605-55.816.osm");
    const QString start = "Processing file: \"in.osm\"...";
    QTest::newRow("a piece") << piece << QStringList{start, " OK\n"} << true << NetworkFormat::Dorvex;
    QTest::newRow("a piece, osm format") << piece << QStringList{start, " OK\n"} << true << NetworkFormat::Osm;
    QTest::newRow("a file cut short")
        << piece.left(piece.size() / 2)
        << QStringList{start, "Premature end of document.\n", " OK\n",
                       "\"in.osm\": Premature end of document.; no network file written.\n"}
        << false << NetworkFormat::Dorvex;
    QTest::newRow("a missing file") << QByteArray()
                                    << QStringList{start, " opening failed!\n",
                                                   "\"in.osm\": cannot be opened; no network file written.\n"}
                                    << false << NetworkFormat::Dorvex;
}

// An extract run reads the file clipped to the area in place of a download; its progress is
// by bytes read, in whole percents up to 100. A file that cannot be read to its end leaves no
// network file, and the run stops without processingDone().
void tst_OSMProcessor::extractRun()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, messages);
    QFETCH(bool, written);
    QFETCH(NetworkFormat, format);
    if (!content.isEmpty())
        QVERIFY(TestWorkDir::writeFile("in.osm", content));
    StderrCapture err;
    ProcessorLog log;
    // The western half of the piece.
    OSMProcessor processor(BoundingBox(37.595, 55.806, 37.6, 55.816).toArea(), QString("in.osm"), format);
    log.startRun(&processor);
    if (written)
        QTRY_COMPARE_WITH_TIMEOUT(log.done, 1, 30000);
    else
        log.settle(&processor);
    QCOMPARE(log.messages.mid(0, messages.size()), messages);
    // A file that is not there is done at once.
    QCOMPARE(log.progress.first(), content.isEmpty() ? 100 : 0);
    QCOMPARE(log.progress.last(), 100);
    for (int i = 1; i < log.progress.size(); ++i)
        QVERIFY(log.progress[i] > log.progress[i - 1]);
    QCOMPARE(QDir("data/comp").exists(), written);
    if (!written) {
        QCOMPARE(log.messages.size(), messages.size());
        QCOMPARE(log.done, 0);
        return;
    }
    QVERIFY(log.messages.value(messages.size()).startsWith("Creating output file: \"./data/comp/"));
    QCOMPARE(processor.networkFile(), "./data/comp/" + files("data/comp").value(0));
    QVERIFY(!processor.isIncomplete());
    // The osm format copies the objects' version attributes, which the compact one never writes.
    QCOMPARE(TestWorkDir::readFile(processor.networkFile()).contains(" changeset=\""), format == NetworkFormat::Osm);
}

QTEST_GUILESS_MAIN(tst_OSMProcessor)
#include "tst_OSMProcessor.moc"
