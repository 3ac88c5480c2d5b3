#include "common/BoundingBox.h"
#include "download/Pelagor.h"
#include "download/PieceFetcher.h"
#include "tests/support/ExpectedLog.h"
#include "tests/support/FakeHttpServer.h"
#include "tests/support/OsmApiPieces.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TestWorkDir.h"

#include <QNetworkReply>
#include <QProcess>
#include <QSslError>
#include <QSslSocket>
#include <QtTest>


using namespace ExpectedLog;

namespace {

using Request = FakeHttpServer::Request;
using Response = FakeHttpServer::Response;

// The real selection whose pieces lie in tests/data: 4 columns by 2 rows.
const QRectF moscow = OsmApiPieces::sampleArea();
// Its north-eastern piece alone: 7 by 7 grid units.
const QRectF northEast(37.6152, 55.8228, 37.6218 - 37.6152, 55.8162 - 55.8228);
const QString northEastName = "37.615-55.816-37.622-55.823";

// In the order the transport takes them: column by column from east to west, north to south.
const QStringList moscowPieces = OsmApiPieces::sampleRequestOrder();
QString sharedPiece(const QString& name)
{
    for (const QString folder : {"moscow-selection", "moscow-selection-quadrants"}) {
        const QString path = TestWorkDir::testData(folder + '/' + name + ".osm");
        if (QFile::exists(path))
            return path;
    }
    return QString();
}

QString bboxName(const Request& request)
{
    return OsmApiPieces::pieceName(request);
}

// Answers like the API: the piece named by the bbox, from the real samples.
Response servePiece(const Request& request)
{
    static const auto serve = OsmApiPieces::serving(
        {TestWorkDir::testData("moscow-selection"), TestWorkDir::testData("moscow-selection-quadrants")});
    return serve(request);
}

// Everything a run tells its owner, in order; runs of progress dots count as one ".".
// Qt may report a reply's final progress twice, which repeats "." and " Done\n"
// right after " Done\n"; such a repeat counts once.
struct RunLog
{
    explicit RunLog(Pelagor& pelagor)
    {
        QObject::connect(&pelagor, &Pelagor::message, [this](const QString& msg) {
            if (msg == ".") {
                ++dots;
                if (repeating || (!log.isEmpty() && log.last() == "."))
                    return;
                if (!log.isEmpty() && log.last() == " Done\n") {
                    repeating = true;
                    return;
                }
            } else if (repeating && msg == " Done\n") {
                repeating = false;
                return;
            }
            if (repeating) {
                log << ".";
                repeating = false;
            }
            log << msg;
        });
        QObject::connect(&pelagor, &Pelagor::progress, [this](int percents) { progress << percents; });
        QObject::connect(&pelagor, &Pelagor::downloadingDone, [this](const std::vector<QString>& paths) {
            log << "<done>";
            files = QStringList(paths.begin(), paths.end());
            ++done;
        });
    }
    QStringList log;
    QList<int> progress;
    QStringList files;
    int dots = 0;
    int done = 0;
    bool repeating = false; // a "." came right after " Done\n"
};

bool waitForDone(const RunLog& run, int timeoutMs = 30000)
{
    return QTest::qWaitFor([&run] { return run.done > 0; }, timeoutMs) && run.done == 1;
}

QStringList fetchedLog(const QStringList& names)
{
    QStringList log;
    for (const QString& name : names)
        log << requestLine(name) << "." << " Done\n";
    return log;
}

QStringList paths(const QStringList& names)
{
    QStringList result;
    for (const QString& name : names)
        result << piecePath(name);
    return result;
}

// A reply with only an error text, for the SSL error report.
class ErrorReply : public QNetworkReply
{
public:
    explicit ErrorReply(const QString& text)
    {
        open(QIODevice::ReadOnly);
        setError(QNetworkReply::SslHandshakeFailedError, text);
    }
    void abort() override {}

protected:
    qint64 readData(char*, qint64) override { return -1; }
};

} // namespace

class tst_PelagorTransport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void allPiecesOnDisk();
    void noPiecesNoTraffic();
    void requestSent();
    void oneRequestInFlight();
    void failedPieceInWholeRun();
    void downloadProgressDots_data();
    void downloadProgressDots();
    void sslErrorsReported();
    void noTlsSaidOnce();

private:
    TestWorkDir* workDir = nullptr;
    FakeHttpServer* server = nullptr;
};

void tst_PelagorTransport::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(QFile::exists(sharedPiece(northEastName)));
}

void tst_PelagorTransport::init()
{
    workDir = new TestWorkDir;
    QVERIFY(workDir->isValid());
    QVERIFY(QDir().mkdir("data"));
    server = new FakeHttpServer;
    QVERIFY(server->listen());
    server->useAsApplicationProxy();
    server->setHandler(servePiece);
}

void tst_PelagorTransport::cleanup()
{
    FakeHttpServer::clearApplicationProxy();
    delete server;
    server = nullptr;
    delete workDir;
    workDir = nullptr;
}

void tst_PelagorTransport::allPiecesOnDisk()
{
    QVERIFY(TestWorkDir::copyFiles(TestWorkDir::testData("moscow-selection"), "data/download"));
    Pelagor pelagor;
    RunLog run(pelagor);
    QVERIFY(pelagor.downloadArea(moscow));
    // Ends inside downloadArea, without waiting for anything.
    QCOMPARE(run.done, 1);
    QStringList expected{total(8)};
    for (const QString& name : moscowPieces)
        expected << foundLine(name);
    QCOMPARE(run.log, expected << "<done>");
    QCOMPARE(run.progress, (QList<int>{12, 25, 37, 50, 62, 75, 87, 100}));
    QCOMPARE(run.files, paths(moscowPieces));
    // Nothing is in flight, so nothing more can come.
    QCOMPARE(pelagor.getPendingRequests(), 0);
    QCOMPARE(server->requests().size(), 0);
}

void tst_PelagorTransport::noPiecesNoTraffic()
{
    Pelagor pelagor;
    RunLog run(pelagor);
    QVERIFY(pelagor.downloadArea(BoundingBox(37.6, 55.8128, 37.6, 55.8228).toArea()));
    QCOMPARE(run.log, (QStringList{total(0), "<done>"}));
    QVERIFY(run.files.isEmpty());
    QVERIFY(run.progress.isEmpty());
    QCOMPARE(pelagor.getPendingRequests(), 0);
    QCOMPARE(server->requests().size(), 0);
}

void tst_PelagorTransport::requestSent()
{
    Pelagor pelagor;
    RunLog run(pelagor);
    QVERIFY(pelagor.downloadArea(northEast));
    QVERIFY(waitForDone(run));
    QCOMPARE(server->requests().size(), 1);
    const Request request = server->requests().first();
    QCOMPARE(request.method, QByteArray("GET"));
    QCOMPARE(request.url.toString(), QString("http://api.openstreetmap.org/api/0.6/map?bbox=37.615,55.816,37.622,55.823"));
    QCOMPARE(request.target, QByteArray("http://api.openstreetmap.org/api/0.6/map?bbox=37.615,55.816,37.622,55.823"));
    QCOMPARE(request.header("User-Agent"), QByteArray("Dorvex"));
    QCOMPARE(run.log, QStringList{total(1)} + fetchedLog({northEastName}) + QStringList{"<done>"});
    QCOMPARE(run.progress, QList<int>{100});
}

void tst_PelagorTransport::oneRequestInFlight()
{
    // Slow, chunked answers leave time for a second request, were one ever sent early.
    server->setHandler([](const Request& request) {
        Response response = servePiece(request);
        response.delayMs = 40;
        response.chunks = 3;
        return response;
    });
    Pelagor pelagor;
    RunLog run(pelagor);
    QList<int> answeredBefore;
    connect(server, &FakeHttpServer::requestReceived, [&] { answeredBefore << run.progress.size(); });
    QVERIFY(pelagor.downloadArea(moscow));
    QCOMPARE(pelagor.getPendingRequests(), 1);
    QVERIFY(waitForDone(run));
    QCOMPARE(answeredBefore, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    QCOMPARE(run.files, paths(moscowPieces));
}

void tst_PelagorTransport::failedPieceInWholeRun()
{
    // The third piece is refused; one of its quadrants is already on disk.
    const QString refused = moscowPieces.at(2);
    const QStringList quadrants = {"37.61-55.816-37.615-55.819", "37.61-55.819-37.615-55.823",
                                   "37.605-55.816-37.61-55.819", "37.605-55.819-37.61-55.823"};
    QVERIFY(QDir().mkdir("data/download"));
    QVERIFY(QFile::copy(sharedPiece(quadrants.at(1)), piecePath(quadrants.at(1))));
    server->setHandler([refused](const Request& request) {
        if (bboxName(request) == refused)
            return Response::error(400, "You requested too many nodes (limit is 50000).");
        return servePiece(request);
    });

    Pelagor pelagor;
    RunLog run(pelagor);
    StderrCapture err;
    QVERIFY(pelagor.downloadArea(moscow));
    QVERIFY(waitForDone(run));

    QStringList expected{total(8)};
    expected << fetchedLog(moscowPieces.mid(0, 2)) << requestLine(refused) << fetchedLog({quadrants.at(0)})
             << foundLine(quadrants.at(1))
             << fetchedLog(quadrants.mid(2)) << fetchedLog(moscowPieces.mid(3)) << "<done>";
    // The refused reply may or may not have reported its few bytes before it finished.
    QStringList log = run.log;
    const int refusedAt = log.indexOf(requestLine(refused));
    while (log.at(refusedAt + 1) == "." || log.at(refusedAt + 1) == " Done\n")
        log.removeAt(refusedAt + 1);
    QCOMPARE(log, expected);
    // 3 of 12 once the split raised the total: the percentage stays, then climbs again.
    QCOMPARE(run.progress, (QList<int>{12, 25, 25, 33, 41, 50, 58, 66, 75, 83, 91, 100}));
    QCOMPARE(run.files, paths(moscowPieces.mid(0, 2) + quadrants + moscowPieces.mid(3)));
    QCOMPARE(err.lines(), (QStringList{"Pelagor: Reply error: 37605 55816 37615 55823 (HTTP 400)",
                                       "Pelagor: Splitting: 37605 55816 37615 55823",
                                       "Pelagor: Splitted: 37605 55819 37610 55823",
                                       "Pelagor: Splitted: 37605 55816 37610 55819",
                                       "Pelagor: Splitted: 37610 55819 37615 55823",
                                       "Pelagor: Splitted: 37610 55816 37615 55819"}));
    QVERIFY(!QFile::exists(piecePath(refused)));
    QCOMPARE(server->requests().size(), 11);
    QCOMPARE(pelagor.getTotalFiles(), 12);
}


void tst_PelagorTransport::downloadProgressDots_data()
{
    QTest::addColumn<QList<qint64>>("reports");
    QTest::addColumn<QStringList>("log");

    QTest::newRow("sizes meet at the end") << QList<qint64>{100, 300, 300, 300} << QStringList{".", ".", " Done\n"};
    QTest::newRow("unknown total") << QList<qint64>{100, -1, 300, -1} << QStringList{".", "."};
    QTest::newRow("empty body") << QList<qint64>{0, 0} << QStringList{".", " Done\n"};
    QTest::newRow("one report") << QList<qint64>{5000, 5000} << QStringList{".", " Done\n"};
}

void tst_PelagorTransport::downloadProgressDots()
{
    QFETCH(QList<qint64>, reports);
    QFETCH(QStringList, log);
    PieceFetcher fetcher;
    QSignalSpy messages(&fetcher, SIGNAL(message(QString)));
    for (int i = 0; i + 1 < reports.size(); i += 2) {
        QVERIFY(QMetaObject::invokeMethod(&fetcher, "downloadProgress", Qt::DirectConnection,
                                          Q_ARG(qint64, reports[i]), Q_ARG(qint64, reports[i + 1])));
    }
    QStringList actual;
    for (const QList<QVariant>& args : messages)
        actual << args.at(0).toString();
    QCOMPARE(actual, log);
}

void tst_PelagorTransport::sslErrorsReported()
{
    PieceFetcher fetcher;
    QSignalSpy messages(&fetcher, SIGNAL(message(QString)));
    ErrorReply reply("Host not trusted");
    const QList<QSslError> errors{QSslError(QSslError::HostNameMismatch), QSslError(QSslError::CertificateExpired)};
    QVERIFY(QMetaObject::invokeMethod(&fetcher, "sslErrors", Qt::DirectConnection,
                                      Q_ARG(QNetworkReply*, &reply), Q_ARG(QList<QSslError>, errors)));
    QStringList actual;
    for (const QList<QVariant>& args : messages)
        actual << args.at(0).toString();
    QCOMPARE(actual, (QStringList{"!ERROR! SSL Errors occured, replyErrorString: Host not trusted\n",
                                  "!ERROR! SSL Errors occured, sslErrorString: " + errors[0].errorString() + "\n",
                                  "!ERROR! SSL Errors occured, sslErrorString: " + errors[1].errorString() + "\n"}));
    QVERIFY(!errors[0].errorString().isEmpty());
}

void tst_PelagorTransport::noTlsSaidOnce()
{
    // On a machine without the OpenSSL library that Qt loads at run time, a run of the Overpass
    // source (https) says so in one line and asks nothing. The library is hidden in a mount
    // namespace of the child's own; without the right to make one the test cannot run.
    const QString library = "/usr/lib/x86_64-linux-gnu/libssl.so.3";
    if (!QFileInfo::exists(library) || QProcess::execute("unshare", {"--mount", "--fork", "true"}) != 0)
        QSKIP("no mount namespace can be made here to hide OpenSSL");
    QProcess child;
    child.start("unshare", {"--mount", "--fork", "sh", "-c",
                            "mount --bind /dev/null \"$0\" && exec \"$1\" --source overpass 37.6,55.8,37.61,55.81",
                            library, PELAGOR_BINARY_DIR "/tools/pelagor-download"});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitCode(), 1);
    QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()),
             "No TLS support on this machine: Qt was built for " + QSslSocket::sslLibraryBuildVersionString()
                 + " and finds no such library, so the Overpass API cannot be reached over HTTPS.\n");
    const QByteArray errors = child.readAllStandardError();
    QVERIFY2(errors.isEmpty(), errors.constData());
    QVERIFY(!QDir("data/download/overpass").exists());
}

QTEST_GUILESS_MAIN(tst_PelagorTransport)

#include "tst_PelagorTransport.moc"
