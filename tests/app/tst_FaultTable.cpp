#include "app/OSMProcessor.h"
#include "download/PieceStore.h"
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
#include <unistd.h>

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
    void unusableAnswer_data();
    void unusableAnswer();
    void answerTooLarge_data();
    void answerTooLarge();
    void refusedDownToOneCell();
    void brokenPieceOnDisk_data();
    void brokenPieceOnDisk();
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
    std::unique_ptr<OSMProcessor> start(ProcessorLog& log, const QRectF& area = OsmApiPieces::sampleArea(),
                                        FetchMode mode = FetchMode::UseFilesOnDisk);
    // A whole run of the area (the sample selection unless named): true when it reported
    // completion (within a minute); its controller is gone on return.
    bool runToEnd(ProcessorLog& log, const QRectF& area = OsmApiPieces::sampleArea(),
                  FetchMode mode = FetchMode::UseFilesOnDisk);
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

// The one piece of the sample selection's north-east corner, the first one requested.
const QRectF northEast(37.6152, 55.8228, 0.0066, -0.0066);

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
    return {TestWorkDir::testData("moscow-selection"), TestWorkDir::testData("moscow-selection-quadrants"),
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
    QVERIFY(QFile::copy(TestWorkDir::testData("moscow-selection-quadrants/37.585-55.806-37.59-55.811.osm"),
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
    RetryPolicy::shortenForTests(50, 200, 3000);
    PieceStore::limitForTests(256 * 1024 * 1024);
}

std::unique_ptr<OSMProcessor> tst_FaultTable::start(ProcessorLog& log, const QRectF& area, FetchMode mode)
{
    std::unique_ptr<OSMProcessor> processor(new OSMProcessor(area, mode));
    log.startRun(processor.get());
    return processor;
}

bool tst_FaultTable::runToEnd(ProcessorLog& log, const QRectF& area, FetchMode mode)
{
    auto processor = start(log, area, mode);
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
    // A byte every few milliseconds never stalls the transfer, but the request has a deadline.
    QTest::newRow("body trickling past the deadline") << "drip" << 1 << "no whole answer within 2 s" << noAnswer;
}

void tst_FaultTable::retriedUntilServed()
{
    QFETCH(QString, failure);
    QFETCH(int, times);
    QFETCH(QString, reason);
    QFETCH(QString, waitLine);
    if (failure == "drip")
        RetryPolicy::shortenForTests(50, 200, 3000, 2000);
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
        } else if (failure == "drip") {
            response.chunks = 300; // 20 ms apart: six seconds
            response.chunkedCoding = true;
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

void tst_FaultTable::unusableAnswer_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("framing");
    QTest::addColumn<bool>("again"); // "Download again" over an earlier file of the piece
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("waitLine");
    // A 200 that is not the piece (a captive portal, a proxy's error page, a body cut short) is
    // never stored: it is tried again like a busy server, and after the last try the run ends
    // incomplete. An earlier file of the piece stays as it was.
    const QString notOsm = "not an OpenStreetMap document";
    const QString closed = "connection closed before the whole body arrived";
    QTest::newRow("HTML page with a length") << "html" << "length" << false << notOsm << unusableWait(notOsm, 1);
    QTest::newRow("HTML page in chunks") << "html" << "chunked" << false << notOsm << unusableWait(notOsm, 1);
    QTest::newRow("HTML page ended by the connection") << "html" << "close" << false << closed << noAnswerWait(1);
    QTest::newRow("plain text refusal") << "text" << "length" << false << notOsm << unusableWait(notOsm, 1);
    QTest::newRow("empty body") << "empty" << "length" << false << "empty answer" << unusableWait("empty answer", 1);
    QTest::newRow("XML cut short with a matching length")
        << "cut" << "length" << false << "document cut short" << unusableWait("document cut short", 1);
    QTest::newRow("Download again: the earlier file stays") << "html" << "length" << true << notOsm
                                                             << unusableWait(notOsm, 1);
}

void tst_FaultTable::unusableAnswer()
{
    QFETCH(QString, body);
    QFETCH(QString, framing);
    QFETCH(bool, again);
    QFETCH(QString, reason);
    QFETCH(QString, waitLine);
    const QByteArray real = TestWorkDir::readFile(TestWorkDir::testData("moscow-selection/" + failing + ".osm"));
    QByteArray bytes = "<html><body><h1>Service temporarily unavailable</h1></body></html>\n";
    if (body == "text")
        bytes = "You requested too many nodes (limit is 50000). Either request a smaller area, or use planet.osm\n";
    else if (body == "empty")
        bytes.clear();
    else if (body == "cut")
        bytes = real.left(real.indexOf("<way "));
    const QByteArray earlier = QByteArray(real).replace("</osm>", "<!-- an earlier copy -->\n</osm>");
    if (again)
        QVERIFY(TestWorkDir::writeFile(piecePath(failing), earlier));
    server->setHandler([bytes, framing](const Request&) {
        Response response = Response::ok(bytes, "text/html");
        response.chunkedCoding = framing == "chunked";
        response.omitLength = framing == "close";
        return response;
    });

    StderrCapture err;
    ProcessorLog log;
    QVERIFY(runToEnd(log, northEast, again ? FetchMode::RequestEveryPiece : FetchMode::UseFilesOnDisk));

    QString pattern = "^" + escaped(total(1));
    for (int i = 0; i < RetryPolicy::maxTries - 1; ++i)
        pattern += waitPattern(failing, waitLine);
    pattern += requestPattern(failing, false) + incompletePattern(failing, escaped(reason), {}, 1)
        + (again ? processingPattern(failing) : QString()) + creatingPattern(false)
        + (again ? anySummaryPattern() : escaped(emptySummary())) + "$";
    QVERIFY2(QRegularExpression(pattern).match(log.text()).hasMatch(), qPrintable(log.text()));
    QCOMPARE(err.lines(), repeated(RetryPolicy::maxTries, "Pelagor: Reply error: 37615 55816 37622 55823 (" + reason + ")"));
    if (again) {
        QCOMPARE(FaultChecks::entries("data/download"), (QStringList{earlierPiece, failing + ".osm"}));
        QCOMPARE(TestWorkDir::readFile(piecePath(failing)), earlier);
    } else {
        QCOMPARE(FaultChecks::entries("data/download"), QStringList{earlierPiece});
        checkDisk();
    }
    const QString networks = FaultChecks::checkNetworkFiles("data/comp");
    QVERIFY2(networks.isEmpty(), qPrintable(networks));
}

void tst_FaultTable::answerTooLarge_data()
{
    QTest::addColumn<bool>("chunked");
    // The length announces it, or the bytes received tell.
    QTest::newRow("with a length") << false;
    QTest::newRow("in chunks") << true;
}

void tst_FaultTable::answerTooLarge()
{
    // Above the size limit an answer is refused like an area with too many nodes: the piece is
    // split, and nothing that large is stored. 300,000 bytes here: the piece has 398,226, each
    // of its quadrants less than 263,100.
    QFETCH(bool, chunked);
    PieceStore::limitForTests(300000);
    const auto serve = OsmApiPieces::serving(servedFolders());
    server->setHandler([serve, chunked](const Request& request) {
        Response response = serve(request);
        response.chunkedCoding = chunked;
        response.chunks = 4;
        return response;
    });

    StderrCapture err;
    ProcessorLog log;
    QVERIFY(runToEnd(log, northEast));

    QString pattern = "^" + escaped(total(1)) + requestPattern(failing, false);
    for (const QString& piece : failingQuadrants)
        pattern += requestPattern(piece, true);
    for (const QString& piece : failingQuadrants)
        pattern += processingPattern(piece);
    QVERIFY2(QRegularExpression(pattern + creatingPattern() + anySummaryPattern() + "$").match(log.text()).hasMatch(),
             qPrintable(log.text()));
    QStringList lines = splitLines;
    lines[0].replace("HTTP 400", "answer larger than 300000 bytes");
    QCOMPARE(err.lines(), lines);
    QCOMPARE(FaultChecks::entries("data/download"), sorted(pieceFiles(failingQuadrants) << earlierPiece));
    checkDisk();
}

void tst_FaultTable::refusedDownToOneCell()
{
    // A server that refuses every box: pieces are cut until one grid cell is refused, and no part
    // ever has zero width or height. The cut of 7 x 7 units: 4 x 3, then 2 x 1, then halves.
    server->setHandler([](const Request&) { return Response::error(400, "You requested too many nodes."); });
    StderrCapture err;
    ProcessorLog log;
    QVERIFY(runToEnd(log, northEast));

    const QStringList asked = {failing, "37.618-55.816-37.622-55.819", "37.62-55.816-37.622-55.817",
                               "37.621-55.816-37.622-55.817"};
    const QStringList notRequested = {"37.62-55.816-37.621-55.817", "37.62-55.817-37.622-55.819",
                                      "37.618-55.816-37.62-55.817", "37.618-55.817-37.62-55.819",
                                      "37.618-55.819-37.622-55.823", "37.615-55.816-37.618-55.819",
                                      "37.615-55.819-37.618-55.823"};
    QString pattern = "^" + escaped(total(1));
    for (const QString& piece : asked)
        pattern += requestPattern(piece, false);
    pattern += incompletePattern(asked.last(), "HTTP 400", notRequested, 8) + creatingPattern(false)
        + escaped(emptySummary()) + "$";
    QVERIFY2(QRegularExpression(pattern).match(log.text()).hasMatch(), qPrintable(log.text()));
    QCOMPARE(distinctRequests(), [&asked] {
        QStringList urls;
        for (const QString& piece : asked)
            urls << pieceUrl(piece);
        return urls;
    }());
    QCOMPARE(err.lines().filter("Reply error").size(), 4);
    QCOMPARE(FaultChecks::entries("data/download"), QStringList{earlierPiece});
}

void tst_FaultTable::brokenPieceOnDisk_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<bool>("served");
    // What another program left under the piece's name: a file that does not end its OSM
    // document is fetched again and replaced at once; if that fails, the piece is missing and
    // the file stays as it was. A folder there cannot be replaced.
    QTest::newRow("cut short, fetched again") << "cut" << true;
    QTest::newRow("empty, fetched again") << "empty" << true;
    QTest::newRow("too large, fetched again") << "large" << true;
    QTest::newRow("cut short, server out of service") << "cut" << false;
    QTest::newRow("a folder") << "folder" << true;
}

void tst_FaultTable::brokenPieceOnDisk()
{
    QFETCH(QString, content);
    QFETCH(bool, served);
    const QString path = piecePath(failing);
    const QByteArray real = TestWorkDir::readFile(TestWorkDir::testData("moscow-selection/" + failing + ".osm"));
    QByteArray left = real.left(real.size() / 2);
    if (content == "empty")
        left.clear();
    if (content == "large")
        left = real, PieceStore::limitForTests(300000);
    if (content == "folder")
        QVERIFY(QDir().mkpath(path));
    else
        QVERIFY(TestWorkDir::writeFile(path, left));
    if (!served)
        server->setHandler([](const Request&) { return Response::error(503, "Service Unavailable"); });

    StderrCapture err;
    ProcessorLog log;
    QVERIFY(runToEnd(log, northEast));

    QString pattern = "^" + escaped(total(1) + notWholeLine(failing));
    if (content == "large") {
        pattern += requestPattern(failing, false);
        for (const QString& piece : failingQuadrants)
            pattern += requestPattern(piece, true);
        for (const QString& piece : failingQuadrants)
            pattern += processingPattern(piece);
        pattern += creatingPattern() + anySummaryPattern();
    } else if (!served) {
        for (int i = 0; i < RetryPolicy::maxTries - 1; ++i)
            pattern += waitPattern(failing, busyWait(503, 1));
        pattern += requestPattern(failing, false) + incompletePattern(failing, "HTTP 503", {}, 1)
            + creatingPattern(false) + escaped(emptySummary());
    } else if (content == "folder") {
        pattern += requestPattern(failing, true) + escaped("Could not create file: " + path + "\n")
            + missingPattern({failing}, {"could not be stored"}, 1) + processingPattern(failing, false)
            + creatingPattern(false) + escaped(emptySummary());
    } else {
        pattern += requestPattern(failing, true) + processingPattern(failing) + creatingPattern() + anySummaryPattern();
    }
    QVERIFY2(QRegularExpression(pattern + "$").match(log.text()).hasMatch(), qPrintable(log.text()));
    if (content == "folder") {
        QVERIFY(QFileInfo(path).isDir());
        QVERIFY(QDir().rmdir(path));
    } else if (!served) {
        QCOMPARE(TestWorkDir::readFile(path), left);
        QVERIFY(QFile::remove(path));
    } else if (content != "large") {
        QCOMPARE(TestWorkDir::readFile(path), real);
        QCOMPARE(err.text(), std::string());
    }
    checkDisk();
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

    // A piece that arrives and cannot be stored is named, counts as not downloaded, and the
    // parser names the file it cannot read; the run ends with an incomplete network file of
    // what it could read.
    QString pattern = "^" + escaped(total(8));
    QStringList unstored;
    for (const QString& piece : requestOrder) {
        pattern += requestPattern(piece, true);
        if (folderGone || piece == failing) {
            pattern += escaped("Could not create file: " + piecePath(piece) + "\n");
            unstored << piece;
        }
    }
    pattern += missingPattern(unstored, repeated(unstored.size(), "could not be stored"), 8);
    for (const QString& piece : requestOrder)
        pattern += processingPattern(piece, !folderGone && piece != failing);
    pattern += creatingPattern(false) + (folderGone ? escaped(emptySummary()) : anySummaryPattern()) + "$";
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
        QVERIFY(TestWorkDir::copyFiles(TestWorkDir::testData("moscow-selection"), "data/download"));
    // Network files of earlier runs under every name this run may take (one per second): they
    // keep their bytes, and a network file of this run takes a name of its own beside them.
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
    if (!unwritten.isEmpty())
        pattern += missingPattern(unwritten, repeated(unwritten.size(), "could not be stored"), 8);
    for (const QString& piece : requestOrder)
        pattern += processingPattern(piece, !unwritten.contains(piece));
    if (piecesOnDisk)
        pattern += creatingPattern() + "Error while writing to file: \\1\\n$";
    else
        pattern += creatingPattern(unwritten.isEmpty()) + anySummaryPattern() + "<done>$";
    const auto match = QRegularExpression(pattern).match(childLog);
    QVERIFY2(match.hasMatch(), qPrintable(childLog));
    const QString networkFile = match.captured(1).mid(2);
    QVERIFY2(!sameNames.contains(networkFile), qPrintable(networkFile));
    for (const QString& path : sameNames)
        QCOMPARE(TestWorkDir::readFile(path), FaultChecks::earlierNetworkFile());
    QCOMPARE(QFileInfo::exists(networkFile), !piecesOnDisk);

    QStringList written = requestOrder;
    for (const QString& piece : unwritten)
        written.removeAll(piece);
    QCOMPARE(FaultChecks::entries("data/download"), sorted(pieceFiles(written) << earlierPiece));
    checkDisk();
    // The earlier files, and the new one unless its writing failed; nothing else is there.
    QCOMPARE(FaultChecks::entries("data/comp").size(), 1 + sameNames.size() + (piecesOnDisk ? 0 : 1));

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
    // Runs in a child process killed outright at moments from the first request to the end of
    // the network file. The child stops at its moment, in the thread that does the work, and
    // waits there until this process kills it: the moment is certain, whatever the load of the
    // machine. Whatever moment it was, every file under a final name is complete.
    struct Moment
    {
        QString phase;
        QString mark;
        int count;
    };
    const QList<Moment> moments = {
        {"downloading", "Request: ", 1},     {"downloading", "Request: ", 3},
        {"downloading", " Done\n", 2},       {"downloading", "Request: ", 7},
        {"reading", "Processing file", 1},   {"reading", "Processing file", 4},
        {"reading", "Processing file", 8},   {"writing", "Creating output file", 1},
        {"written", "    Route count: ", 1},
    };
    for (int i = 0; i < moments.size(); ++i) {
        const Moment moment = moments[i];
        QProcess child;
        child.setWorkingDirectory(work->path());
        QSignalSpy finished(&child, SIGNAL(finished(int, QProcess::ExitStatus)));
        QString childLog;
        connect(&child, &QProcess::readyReadStandardOutput, this, [&] {
            childLog += QString::fromUtf8(child.readAllStandardOutput());
            if (childLog.endsWith("<paused>"))
                child.kill();
        });
        child.start(QCoreApplication::applicationFilePath(),
                    {"--child-run", QString::number(server->port()), moment.mark, QString::number(moment.count)});
        QVERIFY(finished.wait(30000) || !finished.isEmpty());
        const QString kill = QString("kill %1 (%2): ").arg(i).arg(moment.phase);
        QVERIFY2(childLog.endsWith("<paused>"), qPrintable(kill + childLog));
        QCOMPARE(childLog.count(moment.mark), moment.count);
        QVERIFY2(!childLog.contains("<done>"), qPrintable(kill + childLog));
        const QString phase = childLog.contains("Route count")     ? "written"
            : childLog.contains("Creating output file")           ? "writing"
            : childLog.contains("Processing file")                ? "reading"
                                                                  : "downloading";
        QCOMPARE(phase, moment.phase);

        const QString pieces = FaultChecks::checkPieces("data/download", servedFolders(), true);
        QVERIFY2(pieces.isEmpty(), qPrintable(kill + pieces));
        const QString networks = FaultChecks::checkNetworkFiles("data/comp", true);
        QVERIFY2(networks.isEmpty(), qPrintable(kill + networks));
        // The network file is under its name once its summary is out, and not before.
        QCOMPARE(FaultChecks::entries("data/comp").size(), phase == "written" ? 2 : 1);
        QCOMPARE(TestWorkDir::readFile("data/download/" + earlierPiece),
                 TestWorkDir::readFile("earlier/" + earlierPiece));
        QCOMPARE(TestWorkDir::readFile(earlierNetwork), FaultChecks::earlierNetworkFile());
        // Each run starts without the pieces and network of the one before, so that each downloads.
        QVERIFY(QDir("data/download").removeRecursively());
        QVERIFY(QDir().mkpath("data/download"));
        QVERIFY(QFile::copy("earlier/" + earlierPiece, "data/download/" + earlierPiece));
        for (const QString& name : FaultChecks::entries("data/comp"))
            if ("data/comp/" + name != earlierNetwork)
                QVERIFY(QFile::remove("data/comp/" + name));
    }
}

namespace {

// The child of diskFull and killedMidRun: one run of the sample selection through the
// parent's fake API. Its log goes to standard output from the run's own thread as each message
// is sent; with a mark and a count, the run stops at that message, says "<paused>" and waits
// to be killed.
int childRun(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), QByteArray(argv[2]).toUShort()));
    const QString mark = argc > 4 ? QString::fromUtf8(argv[3]) : QString();
    const int count = argc > 4 ? QByteArray(argv[4]).toInt() : 0;
    ProcessorLog log;
    log.quitWhenDone = true;
    if (mark.isEmpty())
        log.quitWhenSilent(1500);
    OSMProcessor processor(moscow);
    QString sent; // touched by the worker thread only
    QObject::connect(
        &processor, &OSMProcessor::message, &processor,
        [&sent, mark, count](const QString& msg) {
            sent += msg;
            std::cout << msg.toStdString() << std::flush;
            if (mark.isEmpty() || sent.count(mark) != count || !msg.contains(mark))
                return;
            std::cout << "<paused>" << std::flush;
            for (;;)
                pause();
        },
        Qt::DirectConnection);
    QObject::connect(&processor, &OSMProcessor::processingDone, &processor, [] { std::cout << "<done>" << std::flush; },
                     Qt::DirectConnection);
    log.startRun(&processor);
    QTimer::singleShot(25000, &app, SLOT(quit()));
    return app.exec();
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc >= 3 && qstrcmp(argv[1], "--child-run") == 0)
        return childRun(argc, argv);
    QCoreApplication app(argc, argv);
    tst_FaultTable test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_FaultTable.moc"
