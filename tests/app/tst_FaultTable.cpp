#include "app/OSMProcessor.h"
#include "download/RetryPolicy.h"
#include "tests/app/FaultChecks.h"
#include "tests/support/ExpectedLog.h"
#include "tests/support/FakeHttpServer.h"
#include "tests/support/OsmApiPieces.h"
#include "tests/support/ProcessorLog.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TestWorkDir.h"

#include <QElapsedTimer>
#include <QNetworkProxy>
#include <QProcess>
#include <QTimer>
#include <QtTest>
#include <iostream>
#include <memory>

using namespace ExpectedLog;
using Request = FakeHttpServer::Request;
using Response = FakeHttpServer::Response;

// Complete processing runs, headless through the controller, against a fake API that
// fails in the ways a real server and a real disk do. Every row checks that nothing
// crashed, that no file is under a final name unless complete, that the files an
// earlier run left are untouched, and that the log tells what happened.
class tst_FaultTable : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void refusedPieceIsSplit();
    void retriedUntilServed_data();
    void retriedUntilServed();
    void outageLeavesIncompleteNetwork_data();
    void outageLeavesIncompleteNetwork();
    void willNotWork_data();
    void willNotWork();
    void wholeReplyKept_data();
    void wholeReplyKept();
    void bodyEndedByConnection_data();
    void bodyEndedByConnection();
    void redirectFollowed_data();
    void redirectFollowed();
    void unwritableFolder_data();
    void unwritableFolder();
    void pieceNotStorable_data();
    void pieceNotStorable();
    void diskFull_data();
    void diskFull();
    void killedMidRun();

private:
    std::unique_ptr<OSMProcessor> start(ProcessorLog& log, const QRectF& area = OsmApiPieces::sampleArea());
    // A whole run of the area (the sample selection unless named): true when it reported
    // completion (within a minute); its controller is gone on return.
    bool runToEnd(ProcessorLog& log, const QRectF& area = OsmApiPieces::sampleArea());
    // What the run left on disk is in order and an earlier run's files are unchanged.
    void checkDisk();
    // The requested URLs in the order they first came, each once: Qt's HTTP client sends a
    // GET again on a fresh connection when it takes the first one for closed (seen with the
    // machine under load); the run gets one reply either way. No run here asks for a URL twice.
    QStringList distinctRequests() const;

    FakeHttpServer* server = nullptr;
    TestWorkDir* work = nullptr;
    // The network file of a fault-free run of the sample selection.
    QByteArray referenceNetwork;
};

namespace {

// The sample selection; its grid is 37585..37622 by 55806..55823, eight pieces.
const QRectF moscow = OsmApiPieces::sampleArea();

// Columns east to west, each from north to south: the order the pieces are taken.
const QStringList requestOrder = OsmApiPieces::sampleRequestOrder();

// The first piece requested; the rows make its reply fail. Its quadrants in the order they
// are taken (the last one queued first) and the diagnostics of its split.
const QString failing = requestOrder.first();
const QStringList failingQuadrants = {
    "37.618-55.816-37.622-55.819", "37.618-55.819-37.622-55.823",
    "37.615-55.816-37.618-55.819", "37.615-55.819-37.618-55.823",
};
const QStringList splitLines = {
    "Pelagor: Reply error: 37615 55816 37622 55823 (HTTP 400)", "Pelagor: Splitting: 37615 55816 37622 55823",
    "Pelagor: Splitted: 37615 55819 37618 55823",    "Pelagor: Splitted: 37615 55816 37618 55819",
    "Pelagor: Splitted: 37618 55819 37622 55823",    "Pelagor: Splitted: 37618 55816 37622 55819",
};

// Left by an earlier run: a piece of another area and a network file.
const QString earlierPiece = "30-60-30.01-60.01.osm";
const QString earlierNetwork = "data/comp/2020-01-01_00-00-00.osm";

// The summary of all eight pieces.
QString summaryPattern()
{
    return ExpectedLog::summaryPattern(767, 33, 14, 144, 71);
}

QStringList servedFolders()
{
    return {TestWorkDir::sharedData("moscow-selection"), TestWorkDir::sharedData("moscow-selection-quadrants"),
            "earlier"};
}

QString pieceUrl(const QString& piece)
{
    QString bbox = piece;
    bbox.replace('-', ',');
    return "http://api.openstreetmap.org/api/0.6/map?bbox=" + bbox;
}

int requestLines(const QString& log)
{
    return log.count("Request: \"");
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

QStringList pieceFiles(const QStringList& pieces)
{
    QStringList names;
    for (const QString& piece : pieces)
        names << piece + ".osm";
    return names;
}

QStringList repeated(int times, const QString& text)
{
    QStringList list;
    for (int i = 0; i < times; ++i)
        list << text;
    return list;
}

} // namespace

void tst_FaultTable::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    qRegisterMetaType<std::vector<QString>>("std::vector<QString>");
    qRegisterMetaType<QProcess::ExitStatus>("QProcess::ExitStatus");
    // Waits of 50 ms doubling up to 200 ms, and a transfer given up after 3 s without a byte.
    RetryPolicy::shortenForTests(50, 200, 3000);
    server = new FakeHttpServer(this);
    QVERIFY(server->listen());
    server->useAsApplicationProxy();

    TestWorkDir reference;
    QVERIFY(QDir().mkpath("data/comp"));
    server->setHandler(OsmApiPieces::serving(servedFolders()));
    ProcessorLog log;
    QVERIFY(runToEnd(log));
    const QStringList networks = QDir("data/comp").entryList(QDir::Files);
    QCOMPARE(networks.size(), 1);
    referenceNetwork = TestWorkDir::readFile("data/comp/" + networks.first());
    QVERIFY(referenceNetwork.size() > 100000);
}

void tst_FaultTable::init()
{
    work = new TestWorkDir;
    QVERIFY(work->isValid());
    // In the application the tile cache has made ./data/ by the time a run starts.
    QVERIFY(QDir().mkpath("data/download"));
    QVERIFY(QDir().mkpath("data/comp"));
    QVERIFY(QDir().mkpath("earlier"));
    QVERIFY(QFile::copy(TestWorkDir::sharedData("moscow-selection-quadrants/37.585-55.806-37.59-55.811.osm"),
                        "earlier/" + earlierPiece));
    QVERIFY(QFile::copy("earlier/" + earlierPiece, "data/download/" + earlierPiece));
    QVERIFY(TestWorkDir::writeFile(earlierNetwork, FaultChecks::earlierNetworkFile()));
    server->setHandler(OsmApiPieces::serving(servedFolders()));
    server->clearRequests();
}

void tst_FaultTable::cleanup()
{
    delete work;
    work = nullptr;
}

std::unique_ptr<OSMProcessor> tst_FaultTable::start(ProcessorLog& log, const QRectF& area)
{
    std::unique_ptr<OSMProcessor> processor(new OSMProcessor(area));
    log.startRun(processor.get());
    return processor;
}

bool tst_FaultTable::runToEnd(ProcessorLog& log, const QRectF& area)
{
    auto processor = start(log, area);
    return QTest::qWaitFor([&log] { return log.done > 0; }, 60000) && log.done == 1;
}

QStringList tst_FaultTable::distinctRequests() const
{
    QStringList urls;
    for (const QString& url : server->requestedUrls())
        if (!urls.contains(url))
            urls << url;
    return urls;
}

void tst_FaultTable::checkDisk()
{
    const QString pieces = FaultChecks::checkPieces("data/download", servedFolders());
    QVERIFY2(pieces.isEmpty(), qPrintable(pieces));
    const QString networks = FaultChecks::checkNetworkFiles("data/comp");
    QVERIFY2(networks.isEmpty(), qPrintable(networks));
    QCOMPARE(TestWorkDir::readFile("data/download/" + earlierPiece), TestWorkDir::readFile("earlier/" + earlierPiece));
    QCOMPARE(TestWorkDir::readFile(earlierNetwork), FaultChecks::earlierNetworkFile());
}

void tst_FaultTable::refusedPieceIsSplit()
{
    // The API refuses a box that holds too many nodes with 400; only then is a piece split.
    const auto serve = OsmApiPieces::serving(servedFolders());
    server->setHandler([serve](const Request& request) {
        if (OsmApiPieces::pieceName(request) != failing)
            return serve(request);
        return Response::error(400, "You requested too many nodes (limit is 50000).");
    });

    StderrCapture err;
    ProcessorLog log;
    QVERIFY(runToEnd(log));

    QVERIFY2(err.lines() == splitLines, qPrintable(QString::fromStdString(err.text()) + log.text()));
    // The failed piece, then its quadrants, then the other pieces; every file that arrived is
    // read, the quadrants in place of their piece.
    const QStringList others = requestOrder.mid(1);
    QString pattern = "^" + escaped(total(8)) + requestPattern(failing, false);
    for (const QString& piece : failingQuadrants + others)
        pattern += requestPattern(piece, true);
    for (const QString& piece : failingQuadrants + others)
        pattern += processingPattern(piece);
    pattern += creatingPattern() + summaryPattern() + "$";
    const auto match = QRegularExpression(pattern).match(log.text());
    QVERIFY2(match.hasMatch(), qPrintable(log.text()));
    QCOMPARE(log.progress, QList<int>({8, 16, 25, 33, 41, 50, 58, 66, 75, 83, 91, 100}));

    // The failed piece's bytes never reached its name; the quadrants hold the same area.
    QCOMPARE(FaultChecks::entries("data/download"),
             sorted(pieceFiles(failingQuadrants + others) << earlierPiece));
    checkDisk();
    QCOMPARE(FaultChecks::entries("data/comp").size(), 2);
    QVERIFY(QFileInfo::exists(match.captured(1)));
}

void tst_FaultTable::retriedUntilServed_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<int>("times");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("waitLine");
    const QString noAnswer = noAnswerWait(1);
    // A server that is busy or out of reach for a while: the same piece is asked for again after
    // a wait, and the run ends as if nothing had happened.
    for (int status : {429, 500, 502, 503, 504})
        QTest::newRow(qPrintable(QString("HTTP %1").arg(status)))
            << QString::number(status) << 1 << QString("HTTP %1").arg(status) << busyWait(status, 1);
    QTest::newRow("509 with Retry-After, three times") << "509 retry-after" << 3 << "HTTP 509" << busyWait(509, 1);
    QTest::newRow("connection dropped mid-body") << "drop" << 1 << ".+" << noAnswer;
    QTest::newRow("connection dropped after the headers") << "drop0" << 1 << ".+" << noAnswer;
    QTest::newRow("chunked body dropped mid-body") << "dropChunked" << 2 << ".+" << noAnswer;
    QTest::newRow("body cut short, no length") << "cut" << 1 << "connection closed before the whole body arrived"
                                              << noAnswer;
    QTest::newRow("headers, then silence") << "stall0" << 1 << "no data for 3 s" << noAnswer;
    QTest::newRow("no answer at all") << "stall" << 1 << "no data for 3 s" << noAnswer;
}

void tst_FaultTable::retriedUntilServed()
{
    QFETCH(QString, failure);
    QFETCH(int, times);
    QFETCH(QString, reason);
    QFETCH(QString, waitLine);
    const auto serve = OsmApiPieces::serving(servedFolders());
    auto failed = std::make_shared<int>(0);
    server->setHandler([serve, failure, times, failed](const Request& request) {
        if (OsmApiPieces::pieceName(request) != failing || *failed == times)
            return serve(request);
        ++*failed;
        Response response = serve(request);
        if (failure == "drop") {
            response.dropAfterBytes = 100000;
        } else if (failure == "drop0") {
            response.dropAfterBytes = 0;
        } else if (failure == "dropChunked") {
            response.dropAfterBytes = 100000;
            response.chunkedCoding = true;
        } else if (failure == "cut") {
            // Without a length the end of the connection ends the body: only the body tells.
            response.dropAfterBytes = 100000;
            response.omitLength = true;
        } else if (failure == "stall0") {
            response.stallAfterBytes = 0;
        } else if (failure == "stall") {
            response.stall = true;
        } else if (failure == "509 retry-after") {
            response = Response::error(509, "Bandwidth Limit Exceeded");
            response.headers.append(qMakePair(QByteArray("Retry-After"), QByteArray("1")));
        } else {
            response = Response::error(failure.toInt(), "Try again later.");
        }
        return response;
    });

    StderrCapture err;
    ProcessorLog log;
    QVERIFY(runToEnd(log));

    const QString text = log.text();
    QString pattern = "^" + escaped(total(8));
    for (int i = 0; i < times; ++i)
        pattern += waitPattern(failing, waitLine);
    for (const QString& piece : requestOrder)
        pattern += requestPattern(piece, true);
    for (const QString& piece : requestOrder)
        pattern += processingPattern(piece);
    const auto match = QRegularExpression(pattern + creatingPattern() + summaryPattern() + "$").match(text);
    QVERIFY2(match.hasMatch(), qPrintable(text));
    QCOMPARE(requestLines(text), 8 + times);
    QCOMPARE(log.progress, QList<int>({12, 25, 37, 50, 62, 75, 87, 100}));
    const QStringList lines = err.lines();
    QCOMPARE(lines.size(), times);
    for (const QString& line : lines)
        QVERIFY2(QRegularExpression("^Pelagor: Reply error: 37615 55816 37622 55823 \\(" + reason + "\\)$")
                     .match(line)
                     .hasMatch(),
                 qPrintable(line));

    // Nothing of a failed try was kept; the network file is that of a run without faults.
    QCOMPARE(FaultChecks::entries("data/download"), sorted(pieceFiles(requestOrder) << earlierPiece));
    checkDisk();
    QCOMPARE(FaultChecks::entries("data/comp").size(), 2);
    QVERIFY(TestWorkDir::readFile(match.captured(1)) == referenceNetwork);

    if (failure == "509 retry-after") {
        // Each try came no sooner than the server asked.
        QList<qint64> arrivals;
        for (const Request& request : server->requests())
            if (OsmApiPieces::pieceName(request) == failing)
                arrivals << request.receivedMs;
        QCOMPARE(arrivals.size(), 4);
        for (int i = 0; i + 1 < arrivals.size(); ++i)
            QVERIFY2(arrivals[i + 1] - arrivals[i] >= 1000, qPrintable(QString::number(arrivals[i + 1] - arrivals[i])));
    }
}

void tst_FaultTable::outageLeavesIncompleteNetwork_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("waitLine");
    QTest::newRow("every request answered 503")
        << "503" << "HTTP 503" << busyWait(503, 1);
    // The API's plain-HTTP address redirects to HTTPS; here the proxy refuses the tunnel.
    QTest::newRow("redirect to unreachable https") << "https" << ".+"
                                                   << noAnswerWait(1);
}

void tst_FaultTable::outageLeavesIncompleteNetwork()
{
    // The server stays out of service: six tries of the first piece, then the run stops asking
    // and says what is missing; its network file holds what is on disk under a name that says so.
    QFETCH(QString, failure);
    QFETCH(QString, reason);
    QFETCH(QString, waitLine);
    server->setHandler([failure](const Request& request) {
        if (failure == "https") {
            QString target = pieceUrl(OsmApiPieces::pieceName(request));
            return Response::redirect(301, target.replace("http:", "https:").toUtf8());
        }
        return Response::error(503, "Service Unavailable");
    });

    StderrCapture err;
    ProcessorLog log;
    QVERIFY(runToEnd(log));

    QString pattern = "^" + escaped(total(8));
    for (int i = 0; i < RetryPolicy::maxTries - 1; ++i)
        pattern += waitPattern(failing, waitLine);
    pattern += requestPattern(failing, false) + incompletePattern(failing, reason, requestOrder.mid(1), 8)
        + creatingPattern(false)
        + escaped(emptySummary()) + "$";
    const auto match = QRegularExpression(pattern).match(log.text());
    QVERIFY2(match.hasMatch(), qPrintable(log.text()));
    QCOMPARE(requestLines(log.text()), RetryPolicy::maxTries);
    // Over connections that stay open the server sees exactly these; where the proxy closes
    // them, Qt may send a request again by itself on a fresh one.
    if (failure == "503")
        QCOMPARE(server->requestedUrls().filter("/api/0.6/map").size(), RetryPolicy::maxTries);
    const QStringList lines = err.lines();
    QCOMPARE(lines.size(), RetryPolicy::maxTries);
    for (const QString& line : lines)
        QVERIFY2(QRegularExpression("^Pelagor: Reply error: 37615 55816 37622 55823 \\(" + reason + "\\)$")
                     .match(line)
                     .hasMatch(),
                 qPrintable(line));
    QVERIFY(log.progress.isEmpty());

    QCOMPARE(FaultChecks::entries("data/download"), QStringList{earlierPiece});
    checkDisk();
    QCOMPARE(FaultChecks::entries("data/comp"),
             sorted({QFileInfo(earlierNetwork).fileName(), QFileInfo(match.captured(1)).fileName()}));
}

void tst_FaultTable::willNotWork_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("reason");
    // Answers that neither splitting nor asking again can mend: the run asks for nothing more.
    QTest::newRow("403 blocked") << "403" << "HTTP 403";
    QTest::newRow("404 not found") << "404" << "HTTP 404";
    QTest::newRow("410 gone") << "410" << "HTTP 410";
    QTest::newRow("redirect loop") << "loop" << ".+";
    QTest::newRow("302 without a target") << "302" << ".+";
    QTest::newRow("304 not modified") << "304" << "HTTP 304";
    QTest::newRow("300 multiple choices") << "300" << "HTTP 300";
}

void tst_FaultTable::willNotWork()
{
    QFETCH(QString, failure);
    QFETCH(QString, reason);
    // The third piece fails; the two before it are on disk by then.
    const QString third = requestOrder.at(2);
    const auto serve = OsmApiPieces::serving(servedFolders());
    server->setHandler([serve, failure, third](const Request& request) {
        if (OsmApiPieces::pieceName(request) != third)
            return serve(request);
        if (failure == "loop")
            return Response::redirect(302, pieceUrl(third).toUtf8());
        if (failure == "302" || failure == "304")
            return Response::redirect(failure.toInt(), QByteArray());
        return Response::error(failure.toInt(), "<html>No</html>");
    });

    StderrCapture err;
    ProcessorLog log;
    QVERIFY(runToEnd(log));

    QString pattern = "^" + escaped(total(8)) + requestPattern(requestOrder.at(0), true)
        + requestPattern(requestOrder.at(1), true) + requestPattern(third, false)
        + incompletePattern(third, reason, requestOrder.mid(3), 8) + processingPattern(requestOrder.at(0))
        + processingPattern(requestOrder.at(1)) + creatingPattern(false) + anySummaryPattern() + "$";
    QVERIFY2(QRegularExpression(pattern).match(log.text()).hasMatch(), qPrintable(log.text()));
    QCOMPARE(requestLines(log.text()), 3);
    QCOMPARE(err.lines().size(), 1);
    QVERIFY2(QRegularExpression("^Pelagor: Reply error: 37605 55816 37615 55823 \\(" + reason + "\\)$")
                 .match(err.lines().first())
                 .hasMatch(),
             qPrintable(err.lines().first()));
    QCOMPARE(FaultChecks::entries("data/download"), sorted(pieceFiles(requestOrder.mid(0, 2)) << earlierPiece));
    checkDisk();

    // Once the server serves again, a new run fetches only what is missing.
    server->setHandler(serve);
    ProcessorLog rerun;
    QVERIFY(runToEnd(rerun));
    pattern = "^" + escaped(total(8));
    for (const QString& piece : requestOrder.mid(0, 2))
        pattern += escaped(foundLine(piece));
    for (const QString& piece : requestOrder.mid(2))
        pattern += requestPattern(piece, true);
    for (const QString& piece : requestOrder)
        pattern += processingPattern(piece);
    const auto match = QRegularExpression(pattern + creatingPattern() + summaryPattern() + "$").match(rerun.text());
    QVERIFY2(match.hasMatch(), qPrintable(rerun.text()));
    QVERIFY(TestWorkDir::readFile(match.captured(1)) == referenceNetwork);
    QCOMPARE(FaultChecks::entries("data/download"), sorted(pieceFiles(requestOrder) << earlierPiece));
    checkDisk();
}

void tst_FaultTable::wholeReplyKept_data()
{
    QTest::addColumn<QString>("framing");
    QTest::newRow("Content-Length") << "length";
    QTest::newRow("chunked transfer coding") << "chunked";
    QTest::newRow("ended by the connection") << "close";
}

void tst_FaultTable::wholeReplyKept()
{
    // However the end of a complete body is marked, the piece is kept as it came.
    QFETCH(QString, framing);
    const auto serve = OsmApiPieces::serving(servedFolders());
    server->setHandler([serve, framing](const Request& request) {
        Response response = serve(request);
        response.chunkedCoding = framing == "chunked";
        response.omitLength = framing == "close";
        response.chunks = 3;
        return response;
    });

    StderrCapture err;
    ProcessorLog log;
    QVERIFY(runToEnd(log));

    QCOMPARE(err.text(), std::string());
    // Without a length the total is unknown, so no " Done\n" ends the request lines.
    QString pattern = "^" + escaped(total(8));
    for (const QString& piece : requestOrder)
        pattern += framing == "length" ? requestPattern(piece, true) : requestPattern(piece, false);
    for (const QString& piece : requestOrder)
        pattern += processingPattern(piece);
    pattern += creatingPattern() + summaryPattern() + "$";
    QVERIFY2(QRegularExpression(pattern).match(log.text()).hasMatch(), qPrintable(log.text()));
    QCOMPARE(distinctRequests().size(), 8);
    QCOMPARE(FaultChecks::entries("data/download"), sorted(pieceFiles(requestOrder) << earlierPiece));
    checkDisk();
}

void tst_FaultTable::bodyEndedByConnection_data()
{
    QTest::addColumn<QString>("framing");
    QTest::addColumn<bool>("stored");
    // A body whose end only the closing connection marks is taken when it ends like an API
    // document, and otherwise counts as cut short and is asked for again; with a length or
    // chunks the transport itself tells a body cut short, and the body is stored as it came,
    // whatever it holds.
    QTest::newRow("HTML page with a length") << "length" << true;
    QTest::newRow("HTML page in chunks") << "chunked" << true;
    QTest::newRow("HTML page ended by the connection") << "close" << false;
}

void tst_FaultTable::bodyEndedByConnection()
{
    QFETCH(QString, framing);
    QFETCH(bool, stored);
    const QByteArray page = "<html><body><h1>Service temporarily unavailable</h1></body></html>\n";
    const auto serve = OsmApiPieces::serving(servedFolders());
    server->setHandler([serve, framing, page](const Request& request) {
        if (OsmApiPieces::pieceName(request) != failing)
            return serve(request);
        Response response = Response::ok(page, "text/html");
        response.chunkedCoding = framing == "chunked";
        response.omitLength = framing == "close";
        return response;
    });

    // The one piece of the sample selection's north-east corner.
    StderrCapture err;
    ProcessorLog log;
    QVERIFY(runToEnd(log, QRectF(37.6152, 55.8228, 0.0066, -0.0066)));

    QVERIFY2(log.text().startsWith(total(1)), qPrintable(log.text()));
    if (stored) {
        QCOMPARE(err.text(), std::string());
        QCOMPARE(FaultChecks::entries("data/download"), (QStringList{earlierPiece, failing + ".osm"}));
        QCOMPARE(TestWorkDir::readFile(piecePath(failing)), page);
    } else {
        QCOMPARE(err.lines(), repeated(RetryPolicy::maxTries, "Pelagor: Reply error: 37615 55816 37622 55823 "
                                                              "(connection closed before the whole body arrived)"));
        QVERIFY2(log.text().contains("Download incomplete: 1 of 1 pieces are missing."), qPrintable(log.text()));
        QCOMPARE(FaultChecks::entries("data/download"), QStringList{earlierPiece});
        checkDisk();
    }
    const QString networks = FaultChecks::checkNetworkFiles("data/comp");
    QVERIFY2(networks.isEmpty(), qPrintable(networks));
}

void tst_FaultTable::redirectFollowed_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("target"); // where a piece moves; its query follows
    QTest::addColumn<QString>("followed"); // the URL asked for then
    const QString mirror = "http://api.openstreetmap.org/mirror/map";
    QTest::newRow("301 moved permanently") << 301 << mirror << mirror;
    QTest::newRow("302 to another host") << 302 << "http://mirror.pelagor.test/mirror/map"
                                         << "http://mirror.pelagor.test/mirror/map";
    QTest::newRow("307 to a path of the same host") << 307 << "/mirror/map" << mirror;
}

void tst_FaultTable::redirectFollowed()
{
    QFETCH(int, status);
    QFETCH(QString, target);
    QFETCH(QString, followed);
    const auto serve = OsmApiPieces::serving(servedFolders());
    // Every piece moves to a mirror path on a plain-HTTP host, which serves it.
    server->setHandler([serve, status, target](const Request& request) {
        if (request.url.path() == "/mirror/map")
            return serve(request);
        return Response::redirect(status, target.toUtf8() + "?" + request.url.query().toUtf8());
    });

    StderrCapture err;
    ProcessorLog log;
    QVERIFY(runToEnd(log));

    QCOMPARE(err.text(), std::string());
    QString pattern = "^" + escaped(total(8));
    for (const QString& piece : requestOrder)
        pattern += requestPattern(piece, true);
    for (const QString& piece : requestOrder)
        pattern += processingPattern(piece);
    pattern += creatingPattern() + summaryPattern() + "$";
    QVERIFY2(QRegularExpression(pattern).match(log.text()).hasMatch(), qPrintable(log.text()));
    QStringList expectedUrls;
    for (const QString& piece : requestOrder)
        expectedUrls << pieceUrl(piece)
                     << QString(pieceUrl(piece)).replace("http://api.openstreetmap.org/api/0.6/map", followed);
    QCOMPARE(distinctRequests(), expectedUrls);
    QCOMPARE(FaultChecks::entries("data/download"), sorted(pieceFiles(requestOrder) << earlierPiece));
    checkDisk();
    QCOMPARE(FaultChecks::entries("data/comp").size(), 2);
}

void tst_FaultTable::unwritableFolder_data()
{
    QTest::addColumn<QString>("blocked");
    QTest::newRow("data is a file") << "data";
    QTest::newRow("data/download is a file") << "data/download";
    QTest::newRow("data/comp is a file") << "data/comp";
}

void tst_FaultTable::unwritableFolder()
{
    QFETCH(QString, blocked);
    // A regular file where the folder should be; its bytes must survive the run.
    const QByteArray blocker = "not a folder\n";
    QVERIFY(QDir(blocked).removeRecursively());
    QVERIFY(TestWorkDir::writeFile(blocked, blocker));
    if (blocked != "data")
        QVERIFY(QDir().mkpath(blocked == "data/comp" ? "data/download" : "data/comp"));

    StderrCapture err;
    ProcessorLog log;
    auto processor = start(log);
    if (blocked == "data/comp") {
        QTRY_VERIFY_WITH_TIMEOUT(log.text().contains("for writting"), 30000);
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(log.messages.size(), 1, 10000);
    }
    // A stopped run says so and goes no further.
    log.settle(processor.get());
    processor.reset();
    QCOMPARE(log.done, 0);
    QCOMPARE(err.text(), std::string());
    QCOMPARE(TestWorkDir::readFile(blocked), blocker);

    if (blocked == "data/comp") {
        QString pattern = "^" + escaped(total(8));
        for (const QString& piece : requestOrder)
            pattern += requestPattern(piece, true);
        for (const QString& piece : requestOrder)
            pattern += processingPattern(piece);
        pattern += creatingPattern() + "Could not open \"\\1\" for writting!\\n$";
        QVERIFY2(QRegularExpression(pattern).match(log.text()).hasMatch(), qPrintable(log.text()));
        // The pieces are kept for the next run.
        QCOMPARE(FaultChecks::entries("data/download"), sorted(pieceFiles(requestOrder) << earlierPiece));
        const QString pieces = FaultChecks::checkPieces("data/download", servedFolders());
        QVERIFY2(pieces.isEmpty(), qPrintable(pieces));
    } else {
        QCOMPARE(log.messages, QStringList{"Could not create folder \"data/download/\"!"});
        QCOMPARE(server->requests().size(), 0);
        QVERIFY(log.progress.isEmpty());
    }
}

void tst_FaultTable::pieceNotStorable_data()
{
    QTest::addColumn<bool>("folderGone");
    // While the first piece is on its way, the download folder is moved away and a regular
    // file takes its place; or a folder appears where that piece's file belongs.
    QTest::newRow("download folder replaced by a file") << true;
    QTest::newRow("a folder at the piece's path") << false;
}

void tst_FaultTable::pieceNotStorable()
{
    QFETCH(bool, folderGone);
    const auto serve = OsmApiPieces::serving(servedFolders());
    server->setHandler([serve, folderGone](const Request& request) {
        if (OsmApiPieces::pieceName(request) == failing) {
            if (folderGone) {
                QDir().rename("data/download", "data/moved");
                TestWorkDir::writeFile("data/download", "not a folder\n");
            } else {
                QDir().mkdir(piecePath(failing));
            }
        }
        return serve(request);
    });

    StderrCapture err;
    ProcessorLog log;
    QVERIFY(runToEnd(log));

    // A piece that arrives and cannot be stored is named, and the parser names the file it
    // cannot read; the run ends with a network file of what it could read.
    QString pattern = "^" + escaped(total(8));
    for (const QString& piece : requestOrder) {
        pattern += requestPattern(piece, true);
        if (folderGone || piece == failing)
            pattern += escaped("Could not create file: " + piecePath(piece) + "\n");
    }
    for (const QString& piece : requestOrder)
        pattern += processingPattern(piece, !folderGone && piece != failing);
    pattern += creatingPattern() + (folderGone ? escaped(emptySummary()) : anySummaryPattern()) + "$";
    QVERIFY2(QRegularExpression(pattern).match(log.text()).hasMatch(), qPrintable(log.text()));
    QCOMPARE(err.text(), std::string());
    if (folderGone) {
        QCOMPARE(TestWorkDir::readFile("data/download"), QByteArray("not a folder\n"));
        QCOMPARE(FaultChecks::entries("data/moved"), QStringList{earlierPiece});
        QCOMPARE(TestWorkDir::readFile("data/moved/" + earlierPiece),
                 TestWorkDir::readFile("earlier/" + earlierPiece));
    } else {
        QVERIFY(QFileInfo(piecePath(failing)).isDir());
        QVERIFY(QDir().rmdir(piecePath(failing)));
        QCOMPARE(FaultChecks::entries("data/download"), sorted(pieceFiles(requestOrder.mid(1)) << earlierPiece));
        checkDisk();
    }
    const QString networks = FaultChecks::checkNetworkFiles("data/comp");
    QVERIFY2(networks.isEmpty(), qPrintable(networks));
    QCOMPARE(TestWorkDir::readFile(earlierNetwork), FaultChecks::earlierNetworkFile());
}

void tst_FaultTable::diskFull_data()
{
    QTest::addColumn<int>("blocks");
    QTest::addColumn<bool>("piecesOnDisk");
    QTest::addColumn<QStringList>("unwritten");
    // In blocks of 512 bytes. 700 blocks (358,400 bytes) hold five of the eight pieces
    // (212 kB to 349 kB) and their network file (117 kB), not the other three (372 kB to 398 kB).
    QTest::newRow("full during a piece") << 700 << false
                                         << QStringList{"37.615-55.816-37.622-55.823", "37.615-55.806-37.622-55.816",
                                                        "37.585-55.806-37.595-55.816"};
    // The network file of all eight pieces has 209 kB.
    QTest::newRow("full during the network file") << 200 << true << QStringList();
    QTest::newRow("room enough") << -1 << false << QStringList();
}

void tst_FaultTable::diskFull()
{
    QFETCH(int, blocks);
    QFETCH(bool, piecesOnDisk);
    QFETCH(QStringList, unwritten);
    if (piecesOnDisk)
        QVERIFY(TestWorkDir::copyFiles(TestWorkDir::sharedData("moscow-selection"), "data/download"));
    // Network files of earlier runs under every name this run may take (one per second):
    // a failed write must leave the file of its name as it was.
    const QDateTime now = QDateTime::currentDateTime();
    QStringList sameNames;
    for (int s = -1; s < 20; ++s)
        sameNames << "data/comp/" + now.addSecs(s).toString("yyyy-MM-dd_hh-mm-ss") + ".osm";
    for (const QString& path : sameNames)
        QVERIFY(TestWorkDir::writeFile(path, FaultChecks::earlierNetworkFile()));

    // One headless run in a child process whose files cannot grow beyond the limit; with
    // SIGXFSZ ignored, a write past it fails instead of killing the process.
    QProcess child;
    child.setWorkingDirectory(work->path());
    const QString limit = blocks < 0 ? QString() : QString("ulimit -f %1; ").arg(blocks);
    child.start("sh", {"-c", "trap '' XFSZ; " + limit + "exec \"$0\" --child-run \"$1\"",
                       QCoreApplication::applicationFilePath(), QString::number(server->port())});
    QSignalSpy finished(&child, SIGNAL(finished(int, QProcess::ExitStatus)));
    // The fake API answers from this process's event loop, so wait with it running.
    QVERIFY(!finished.isEmpty() || finished.wait(30000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    const QString childLog = QString::fromUtf8(child.readAllStandardOutput());
    QCOMPARE(QString::fromUtf8(child.readAllStandardError()), QString());

    QString pattern = "^" + escaped(total(8));
    for (const QString& piece : requestOrder) {
        if (piecesOnDisk) {
            pattern += escaped(foundLine(piece));
        } else {
            pattern += requestPattern(piece, true);
            if (unwritten.contains(piece))
                pattern += escaped("Error while writing to file: " + piecePath(piece) + "\n");
        }
    }
    for (const QString& piece : requestOrder)
        pattern += processingPattern(piece, !unwritten.contains(piece));
    if (piecesOnDisk)
        pattern += creatingPattern() + "Error while writing to file: \\1\\n$";
    else if (unwritten.isEmpty())
        pattern += creatingPattern() + summaryPattern() + "<done>$";
    else
        pattern += creatingPattern() + anySummaryPattern() + "<done>$";
    const auto match = QRegularExpression(pattern).match(childLog);
    QVERIFY2(match.hasMatch(), qPrintable(childLog));
    const QString networkFile = match.captured(1).mid(2);
    QVERIFY2(sameNames.contains(networkFile), qPrintable(networkFile));
    for (const QString& path : sameNames) {
        if (path == networkFile && !piecesOnDisk)
            QVERIFY(TestWorkDir::readFile(path) != FaultChecks::earlierNetworkFile());
        else
            QCOMPARE(TestWorkDir::readFile(path), FaultChecks::earlierNetworkFile());
    }

    QStringList written = requestOrder;
    for (const QString& piece : unwritten)
        written.removeAll(piece);
    QCOMPARE(FaultChecks::entries("data/download"), sorted(pieceFiles(written) << earlierPiece));
    checkDisk();
    // A complete file replaced one of them, or none was touched; nothing else is there.
    QCOMPARE(FaultChecks::entries("data/comp").size(), 1 + sameNames.size());

    // A later run with room enough fetches what was not written and reuses the rest.
    server->clearRequests();
    ProcessorLog log;
    QVERIFY(runToEnd(log));
    QCOMPARE(distinctRequests().size(), unwritten.size());
    QVERIFY2(QRegularExpression(creatingPattern() + summaryPattern() + "$").match(log.text()).hasMatch(),
             qPrintable(log.text()));
    QCOMPARE(FaultChecks::entries("data/download"), sorted(pieceFiles(requestOrder) << earlierPiece));
    checkDisk();
}

void tst_FaultTable::killedMidRun()
{
    // Ten runs in a child process killed outright at moments from the first request to the
    // writing of the network file: as soon as its log, echoed to this process, shows a given
    // point. Whatever moment it was, every file under a final name is complete; a temporary of
    // the write that was cut off may remain beside them, under a name no run reads.
    struct Moment
    {
        QString phase;
        QString mark;
        int count;
    };
    const QList<Moment> moments = {
        {"downloading", "Request: ", 1},       {"downloading", "Request: ", 3},
        {"downloading", " Done\n", 2},         {"downloading", "Request: ", 7},
        {"reading", "Processing file", 1},     {"reading", "Processing file", 4},
        {"reading", "Processing file", 8},     {"writing", "Creating output file", 1},
        {"writing", "Creating output file", 1}, {"writing", "Creating output file", 1},
    };
    QMap<QString, int> hits;
    for (int i = 0; i < moments.size(); ++i) {
        const Moment moment = moments[i];
        QProcess child;
        child.setWorkingDirectory(work->path());
        QSignalSpy finished(&child, SIGNAL(finished(int, QProcess::ExitStatus)));
        QString childLog;
        QString atKill;
        connect(&child, &QProcess::readyReadStandardOutput, this, [&] {
            childLog += QString::fromUtf8(child.readAllStandardOutput());
            if (atKill.isEmpty() && childLog.count(moment.mark) >= moment.count) {
                atKill = childLog;
                child.kill();
            }
        });
        child.start(QCoreApplication::applicationFilePath(), {"--child-run", QString::number(server->port())});
        QVERIFY(finished.wait(30000) || !finished.isEmpty());
        const QString kill = QString("kill %1 (%2): ").arg(i).arg(moment.phase);
        QVERIFY2(!atKill.isEmpty(), qPrintable(kill + childLog));
        const QString phase = atKill.contains("<done>") ? "done"
            : atKill.contains("Creating output file")    ? "writing"
            : atKill.contains("Processing file")          ? "reading"
                                                          : "downloading";
        QVERIFY2(phase == moment.phase, qPrintable(kill + atKill));
        ++hits[phase];

        const QString pieces = FaultChecks::checkPieces("data/download", servedFolders(), true);
        QVERIFY2(pieces.isEmpty(), qPrintable(kill + pieces));
        const QString networks = FaultChecks::checkNetworkFiles("data/comp", true);
        QVERIFY2(networks.isEmpty(), qPrintable(kill + networks));
        QCOMPARE(TestWorkDir::readFile("data/download/" + earlierPiece),
                 TestWorkDir::readFile("earlier/" + earlierPiece));
        QCOMPARE(TestWorkDir::readFile(earlierNetwork), FaultChecks::earlierNetworkFile());
        // Each run starts without the pieces of the one before, so that each downloads.
        QVERIFY(QDir("data/download").removeRecursively());
        QVERIFY(QDir().mkpath("data/download"));
        QVERIFY(QFile::copy("earlier/" + earlierPiece, "data/download/" + earlierPiece));
    }
    for (const QString phase : {"downloading", "reading", "writing"})
        QVERIFY2(hits.value(phase) > 0, qPrintable(phase));
    QStringList temporaries;
    for (const QString& name : FaultChecks::entries("data/comp"))
        if (FaultChecks::isTemporary(name))
            temporaries << name;
    qInfo("temporaries left: %s", qPrintable(temporaries.join(", ")));
}

namespace {

// The child of diskFull and killedMidRun: one run of the sample selection through the
// parent's fake API, its log echoed to standard output.
int childRun(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), QByteArray(argv[2]).toUShort()));
    ProcessorLog log;
    log.echo = true;
    log.quitWhenSilent(1500);
    OSMProcessor processor(moscow);
    log.startRun(&processor);
    QTimer::singleShot(25000, &app, SLOT(quit()));
    const int status = app.exec();
    return status;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--child-run") == 0)
        return childRun(argc, argv);
    QCoreApplication app(argc, argv);
    tst_FaultTable test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_FaultTable.moc"
