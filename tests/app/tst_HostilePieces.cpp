#include "app/OSMProcessor.h"
#include "tests/support/ExpectedLog.h"
#include "tests/support/FakeHttpServer.h"
#include "tests/support/OsmiumCheck.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TestWorkDir.h"

#include <QtTest>
#include <memory>

// Whole processing runs in which the API answers a piece with something that is not
// an OpenStreetMap document, or the piece's file on disk is no file: the piece is
// stored as it came, the log says what the reader made of it, the run ends with a
// network file, and osmium reads that file without error.
class tst_HostilePieces : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void servedPieces_data();
    void servedPieces();
    void folderWherePieceBelongs();

private:
    // Runs the one-piece area to its end; returns the log as the download window shows it.
    QString run();
    QString networkFile() const;

    FakeHttpServer* server = nullptr;
    TestWorkDir* work = nullptr;
};

using namespace ExpectedLog;

namespace {

// One piece of the sample selection, with its own file in the shared data.
const QString piece = QStringLiteral("37.615-55.816-37.622-55.823");
const QRectF area(37.615, 55.823, 0.007, -0.007);

} // namespace

void tst_HostilePieces::initTestCase()
{
    if (OsmiumCheck::program().isEmpty())
        QFAIL("osmium (Debian package osmium-tool) is not installed; scripts/install-deps installs it");
    QStandardPaths::setTestModeEnabled(true);
    qRegisterMetaType<std::vector<QString>>("std::vector<QString>");
    server = new FakeHttpServer(this);
    QVERIFY(server->listen());
    server->useAsApplicationProxy();
}

void tst_HostilePieces::init()
{
    work = new TestWorkDir;
    QVERIFY(work->isValid());
    // In the application the tile cache has made ./data/ by the time a run starts.
    QVERIFY(QDir().mkdir("data"));
    server->clearRequests();
}

void tst_HostilePieces::cleanup()
{
    delete work;
    work = nullptr;
}

QString tst_HostilePieces::run()
{
    QString log;
    int done = 0;
    std::unique_ptr<OSMProcessor> processor(new OSMProcessor(area));
    // Received in this (the GUI) thread, queued, as the download window receives them.
    connect(processor.get(), &OSMProcessor::message, this, [&log](const QString& m) { log += m; });
    connect(processor.get(), &OSMProcessor::processingDone, this, [&done] { ++done; });
    QMetaObject::invokeMethod(processor.get(), "downloadOSMFiles");
    if (!QTest::qWaitFor([&done] { return done == 1; }, 30000))
        return "no processingDone; log: " + log;
    return log;
}

QString tst_HostilePieces::networkFile() const
{
    const QStringList entries = QDir("data/comp").entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    return entries.size() == 1 ? "data/comp/" + entries.first() : QString();
}

void tst_HostilePieces::servedPieces_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("counts");
    const QByteArray real = TestWorkDir::readFile(TestWorkDir::sharedData("moscow-selection/" + piece + ".osm"));
    QTest::newRow("HTML error page") << QByteArray("<html>\r\n<head><title>502 Bad Gateway</title></head>\r\n<body>\r\n"
                                                   "<center><h1>502 Bad Gateway</h1></center>\r\n<hr><center>nginx"
                                                   "</center>\r\n</body>\r\n</html>\r\n")
                                     << "Opening and ending tag mismatch." << emptySummary();
    QTest::newRow("empty piece") << QByteArray() << "Premature end of document." << emptySummary();
    QTest::newRow("plain text refusal") << QByteArray("You requested too many nodes (limit is 50000). Either "
                                                      "request a smaller area, or use planet.osm\n")
                                        << "Start tag expected." << emptySummary();
    // Cut before the first way: the stops before the cut are kept, the rest is lost.
    QTest::newRow("piece cut off") << real.left(real.indexOf("<way ")) << "Premature end of document."
                                   << QString("OK\n    Node count: [1-9][0-9]*\n    Bus stop count: [1-9][0-9]*\n.*");
    QTest::newRow("real piece") << real << QString() << QString("OK\n    Node count: [1-9][0-9]*\n.*");
}

void tst_HostilePieces::servedPieces()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, error);
    QFETCH(QString, counts);
    server->setHandler([body](const FakeHttpServer::Request&) { return FakeHttpServer::Response::ok(body); });
    StderrCapture err;
    const QString log = run();
    const QString pattern = "^" + escaped(total(1)) + requestPattern(piece, true)
        + escaped(QString("Processing file: \"%1\"...").arg(piecePath(piece)))
        + (error.isEmpty() ? QString() : escaped(error + "\n")) + " OK\\n" + creatingPattern()
        + (counts.startsWith("OK\n    Node count: 0") ? escaped(counts) : counts) + "$";
    QVERIFY2(QRegularExpression(pattern, QRegularExpression::DotMatchesEverythingOption).match(log).hasMatch(),
             qPrintable(log));
    QCOMPARE(server->requests().size(), 1);
    // The piece is kept as it came, whatever it holds.
    QCOMPARE(TestWorkDir::readFile(piecePath(piece)), body);
    QCOMPARE(err.lines().filter("Pelagor").size(), 0);
    QCOMPARE(OsmiumCheck::readProblems(networkFile()), QString());
}

void tst_HostilePieces::folderWherePieceBelongs()
{
    // Something on disk under the piece's name counts as the piece; a folder there
    // cannot be read, and the run still ends with a network file.
    QVERIFY(QDir().mkpath(piecePath(piece)));
    server->setHandler([](const FakeHttpServer::Request&) { return FakeHttpServer::Response::error(500); });
    StderrCapture err;
    const QString log = run();
    QCOMPARE(log.left(log.indexOf("Creating output file")),
             total(1) + foundLine(piece) + processingLine(piecePath(piece), false));
    QVERIFY2(log.endsWith("... " + emptySummary()), qPrintable(log));
    QCOMPARE(server->requests().size(), 0);
    QVERIFY(QFileInfo(piecePath(piece)).isDir());
    QCOMPARE(err.text(), std::string());
    QCOMPARE(OsmiumCheck::readProblems(networkFile()), QString());
}

QTEST_GUILESS_MAIN(tst_HostilePieces)
#include "tst_HostilePieces.moc"
