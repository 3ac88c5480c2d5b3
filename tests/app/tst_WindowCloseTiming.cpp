#include "app/DownloadWindow.h"
#include "app/MainWindow.h"
#include "download/RetryPolicy.h"
#include "tests/app/FaultChecks.h"
#include "tests/support/ExpectedLog.h"
#include "tests/support/FakeHttpServer.h"
#include "tests/support/ModalAnswer.h"
#include "tests/support/OsmApiPieces.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TestWorkDir.h"
#include "tests/support/TileImages.h"

#include <QBuffer>
#include <QPointer>
#include <QPushButton>
#include <QTextEdit>
#include <QSettings>
#include <QtTest>

// Runs from the user's click on "Start Download" that end in a fault or are closed by the
// user at any moment: while the request is under way, while the piece arrives, while it is
// read and while the network file is written. Whenever the window closes, the run is torn
// down promptly, nothing crashes, only complete files carry final names, and the files of
// an earlier run are untouched.
class tst_WindowCloseTiming : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void closedAtVariedMoments();
    void stalledRunClosesPromptly();
    void mainWindowDeletedMidRun();
    void serverOutOfService_data();
    void serverOutOfService();
    void stoppedRunKeepsAsking();
    void runWhileTilesFail_data();
    void runWhileTilesFail();

private:
    DownloadWindow* openFromClick();
    // Closes the window, answering "Cancel download?" with Yes if it is asked, and waits
    // until the window and its run are gone. Returns whether the question was asked.
    bool closeAndWait(DownloadWindow* download);
    void checkDisk();

    FakeHttpServer* server = nullptr;
    TestWorkDir* work = nullptr;
    MainWindow* window = nullptr;
    // How the fake API answers the window's piece.
    QString failure;
    int pieceDelayMs = 0;
    int pieceWrites = 1;
    // How the fake tile servers answer: "" serves, "500" refuses, "stall" never answers.
    QString tileFailure;
};

using namespace ExpectedLog;

namespace {

// The piece of the main window's default selection; its quadrants are served too. The
// content is real data of another area, which does not matter to the extraction.
const QString defaultPiece = "16.604-49.197-16.611-49.202";
const QStringList quadrants = {"16.607-49.197-16.611-49.199", "16.607-49.199-16.611-49.202",
                               "16.604-49.197-16.607-49.199", "16.604-49.199-16.607-49.202"};
const QString earlierPiece = "30-60-30.01-60.01.osm";
const QString earlierNetwork = "data/comp/2020-01-01_00-00-00.osm";

// Four of the sample pieces as one document, so that reading it takes long enough for a close
// to fall into it: the first piece's declaration, root and bounds, then the objects of all.
QByteArray samplesAsOnePiece()
{
    QByteArray objects;
    QByteArray head;
    const QDir samples(TestWorkDir::testData("moscow-selection"));
    for (const QString& name : samples.entryList(QDir::Files, QDir::Name).mid(4)) {
        const QByteArray piece = TestWorkDir::readFile(samples.filePath(name));
        const int start = piece.indexOf('\n', piece.indexOf("<bounds ")) + 1;
        const int end = piece.lastIndexOf("</osm>");
        if (start <= 0 || end < start)
            return QByteArray();
        if (head.isEmpty())
            head = piece.left(start);
        objects += piece.mid(start, end - start);
    }
    return head + objects + "</osm>\n";
}

// How often the log shows `mark`; for "." the progress dots of the request line.
int marks(const QString& log, const QString& mark)
{
    if (mark != ".")
        return log.count(mark);
    const int request = log.indexOf("\" ", log.indexOf("Request: "));
    return request < 0 ? 0 : log.mid(request).count('.');
}

// The log of a whole run of the default selection, its piece fetched or found on disk, with
// the counts of the four sample pieces it holds.
QRegularExpression wholeRun()
{
    return QRegularExpression("^" + escaped(total(1)) + "(" + requestPattern(defaultPiece, true) + "|"
                              + escaped(foundLine(defaultPiece)) + ")" + processingPattern(defaultPiece)
                              + creatingPattern() + summaryPattern(545, 19, 14, 88, 46) + "$");
}

} // namespace

void tst_WindowCloseTiming::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    // Short waits between tries; the stall time-out stays longer than any test waits on a stall.
    RetryPolicy::shortenForTests(50, 200, 30000);
    server = new FakeHttpServer(this);
    QVERIFY(server->listen());
    server->useAsApplicationProxy();
    const QByteArray png = TileImages::pngTile(QColor(200, 220, 200));
    server->setHandler([this, png](const FakeHttpServer::Request& request) {
        if (request.url.host().endsWith("tile.openstreetmap.org")) {
            FakeHttpServer::Response tile = FakeHttpServer::Response::ok(png, "image/png");
            if (tileFailure == "500")
                tile = FakeHttpServer::Response::error(500);
            tile.stall = tileFailure == "stall";
            return tile;
        }
        FakeHttpServer::Response response = OsmApiPieces::serving({"served"})(request);
        response.delayMs = pieceDelayMs;
        response.chunks = pieceWrites;
        if (OsmApiPieces::pieceName(request) != defaultPiece)
            return response;
        if (failure == "stall mid-body")
            response.stallAfterBytes = 200000;
        else if (failure == "503 retry-after 600") {
            response = FakeHttpServer::Response::error(503, "Service unavailable");
            response.headers.append(qMakePair(QByteArray("Retry-After"), QByteArray("600")));
        } else if (!failure.isEmpty())
            response = FakeHttpServer::Response::error(failure.toInt(), "Service unavailable");
        return response;
    });
}

void tst_WindowCloseTiming::init()
{
    work = new TestWorkDir;
    QVERIFY(work->isValid());
    failure.clear();
    tileFailure.clear();
    pieceDelayMs = 0;
    pieceWrites = 1;
    QVERIFY(QDir().mkpath("served"));
    const QByteArray piece = samplesAsOnePiece();
    QVERIFY(piece.size() > 1000000);
    const QStringList served = QStringList(quadrants) << defaultPiece;
    for (const QString& name : served)
        QVERIFY(TestWorkDir::writeFile("served/" + name + ".osm", piece));
    QVERIFY(QFile::copy(TestWorkDir::testData("moscow-selection-quadrants/37.585-55.806-37.59-55.811.osm"),
                        "served/" + earlierPiece));
    server->clearRequests();
    // The start state, wherever the window before was left.
    QSettings().clear();
    window = new MainWindow;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    // Left by an earlier run: a piece of another area and a network file.
    QVERIFY(QDir().mkpath("data/download"));
    QVERIFY(QDir().mkpath("data/comp"));
    QVERIFY(QFile::copy("served/" + earlierPiece, "data/download/" + earlierPiece));
    QVERIFY(TestWorkDir::writeFile(earlierNetwork, FaultChecks::earlierNetworkFile()));
}

void tst_WindowCloseTiming::cleanup()
{
    delete window;
    window = nullptr;
    delete work;
    work = nullptr;
}

DownloadWindow* tst_WindowCloseTiming::openFromClick()
{
    QTest::mouseClick(window->findChild<QPushButton*>("btnStartDownload"), Qt::LeftButton);
    const QList<DownloadWindow*> windows = window->findChildren<DownloadWindow*>();
    return windows.size() == 1 ? windows.first() : nullptr;
}

bool tst_WindowCloseTiming::closeAndWait(DownloadWindow* download)
{
    QSignalSpy destroyed(download, SIGNAL(destroyed(QObject*)));
    ModalAnswer yes(QMessageBox::Yes);
    download->close();
    // The window deletes itself once control is back in the event loop; a slot that runs
    // meanwhile in the worker thread (reading, writing) is finished first.
    if (destroyed.isEmpty() && !destroyed.wait(10000))
        qWarning("the window was still open after 10 s");
    return yes.seen && !destroyed.isEmpty();
}

void tst_WindowCloseTiming::checkDisk()
{
    const QString pieces = FaultChecks::checkPieces("data/download", {"served"});
    QVERIFY2(pieces.isEmpty(), qPrintable(pieces));
    const QString networks = FaultChecks::checkNetworkFiles("data/comp");
    QVERIFY2(networks.isEmpty(), qPrintable(networks));
    QCOMPARE(TestWorkDir::readFile("data/download/" + earlierPiece), TestWorkDir::readFile("served/" + earlierPiece));
    QCOMPARE(TestWorkDir::readFile(earlierNetwork), FaultChecks::earlierNetworkFile());
}

void tst_WindowCloseTiming::closedAtVariedMoments()
{
    // Twenty runs, each closed by the user at the moment its log shows a given point: the
    // request sent, the n-th progress dot of the download, the reading of the piece, the
    // writing of the network file, the end; some with the piece already on disk. The close
    // comes from the log window's own update, so each run is closed in the phase it aims at.
    struct Moment
    {
        QString phase;
        QString mark; // the close comes when the log shows this text for the `count`-th time
        int count;
        bool pieceOnDisk;
    };
    const QList<Moment> moments = {
        {"starting", QString(), 0, false},     {"requesting", "Request: ", 1, false},
        {"requesting", "Request: ", 1, false}, {"downloading", ".", 1, false},
        {"downloading", ".", 2, false},        {"downloading", ".", 3, false},
        {"downloading", ".", 1, false},        {"reading", "Processing file", 1, false},
        {"reading", "Processing file", 1, false}, {"writing", "Creating output file", 1, false},
        {"writing", "Creating output file", 1, false}, {"done", QString(), 0, false},
        {"starting", QString(), 0, true},      {"reading", "Processing file", 1, true},
        {"reading", "Processing file", 1, true}, {"reading", "Processing file", 1, true},
        {"writing", "Creating output file", 1, true}, {"writing", "Creating output file", 1, true},
        {"writing", "Creating output file", 1, true}, {"done", QString(), 0, true},
    };
    const QRegularExpression complete = wholeRun();
    // A slow server: the piece trickles in over 400 ms, after 30 ms without an answer. Qt
    // reports the progress of a download at most every 100 ms, so that makes four dots or more.
    pieceWrites = 20;
    pieceDelayMs = 30;
    QMap<QString, int> hits;
    for (int i = 0; i < moments.size(); ++i) {
        const Moment moment = moments[i];
        const QString run = QString("run %1 (%2)").arg(i).arg(moment.phase);
        QFile::remove("data/download/" + defaultPiece + ".osm");
        if (moment.pieceOnDisk)
            QVERIFY(QFile::copy("served/" + defaultPiece + ".osm", "data/download/" + defaultPiece + ".osm"));

        DownloadWindow* download = openFromClick();
        QVERIFY(download);
        auto* log = download->findChild<QTextEdit*>("teLog");
        QSignalSpy destroyed(download, SIGNAL(destroyed(QObject*)));
        ModalAnswer yes(QMessageBox::Yes);
        QString before;
        bool closed = false;
        auto closeNow = [&] {
            closed = true;
            before = log->toPlainText();
            download->close();
        };
        if (moment.phase == "done") {
            // Once the run has reported completion, closing asks nothing.
            QTRY_VERIFY_WITH_TIMEOUT(!download->isProcessing(), 30000);
            closeNow();
        } else if (moment.mark.isEmpty()) {
            closeNow();
        } else {
            connect(log, &QTextEdit::textChanged, download, [&] {
                if (!closed && marks(log->toPlainText(), moment.mark) == moment.count)
                    closeNow();
            });
        }
        QPointer<QTextEdit> shown(log);
        const bool gone = destroyed.wait(30000) || !destroyed.isEmpty();
        QVERIFY2(gone, qPrintable(run + ": " + (shown ? shown->toPlainText() : QString())));
        QVERIFY2(closed, qPrintable(run));

        const QString phase = before.contains("Route count") ? "done"
            : before.contains("Creating output file")        ? "writing"
            : before.contains("Processing file")              ? "reading"
            : before.endsWith(".")                            ? "downloading"
            : before.contains("Request: ")                    ? "requesting"
                                                              : "starting";
        QVERIFY2(phase == moment.phase, qPrintable(run + ": " + before));
        ++hits[phase];
        QVERIFY2(window->findChildren<DownloadWindow*>().isEmpty(), qPrintable(run));
        // The log so far is the beginning of a correct run; a close without the question
        // comes only once the whole run is in the log.
        const auto match = complete.match(before, 0, QRegularExpression::PartialPreferCompleteMatch);
        QVERIFY2(before.isEmpty() || match.hasMatch() || match.hasPartialMatch(), qPrintable(run + ": " + before));
        QVERIFY2(yes.seen != match.hasMatch(), qPrintable(run + (yes.seen ? " asked: " : " did not ask: ") + before));
        checkDisk();
        if (QTest::currentTestFailed())
            return;
    }
    for (const QString phase : {"starting", "requesting", "downloading", "reading", "writing", "done"})
        QVERIFY2(hits.value(phase) > 0, qPrintable(phase));
}

void tst_WindowCloseTiming::stalledRunClosesPromptly()
{
    // Part of the piece comes, then nothing: in several writes, so that its progress shows.
    failure = "stall mid-body";
    pieceWrites = 10;
    DownloadWindow* download = openFromClick();
    QVERIFY(download);
    auto* log = download->findChild<QTextEdit*>("teLog");
    const QRegularExpression waiting("^" + escaped(total(1)) + escaped(requestLine(defaultPiece)) + "\\.+$");
    QTRY_VERIFY2_WITH_TIMEOUT(waiting.match(log->toPlainText()).hasMatch(), qPrintable(log->toPlainText()), 10000);

    // The window goes long before the transfer would be given up (30 s without a byte here).
    QVERIFY(closeAndWait(download));
    QCOMPARE(FaultChecks::entries("data/download"), QStringList{earlierPiece});
    QCOMPARE(FaultChecks::entries("data/comp"), QStringList{QFileInfo(earlierNetwork).fileName()});
    checkDisk();
}

void tst_WindowCloseTiming::mainWindowDeletedMidRun()
{
    // Deleting the main window (as the application does when it quits) deletes the download
    // window with it, without a question, and tears the run down.
    failure = "stall mid-body";
    pieceWrites = 10;
    DownloadWindow* download = openFromClick();
    QVERIFY(download);
    QPointer<DownloadWindow> guard(download);
    auto* log = download->findChild<QTextEdit*>("teLog");
    QTRY_VERIFY_WITH_TIMEOUT(log->toPlainText().endsWith("."), 10000);
    // A question would open inside the deletion; the answerer would see it there.
    ModalAnswer unexpected(QMessageBox::No);
    delete window;
    window = nullptr;
    QVERIFY(guard.isNull());
    QVERIFY(!unexpected.seen);
    QCOMPARE(FaultChecks::entries("data/download"), QStringList{earlierPiece});
    QCOMPARE(FaultChecks::entries("data/comp"), QStringList{QFileInfo(earlierNetwork).fileName()});
    checkDisk();
}

void tst_WindowCloseTiming::serverOutOfService_data()
{
    QTest::addColumn<bool>("closeWhileWaiting");
    QTest::newRow("closed while the run waits") << true;
    QTest::newRow("closed after the run gave up") << false;
}

void tst_WindowCloseTiming::serverOutOfService()
{
    // The API answers 503 to everything. While the run waits to ask again, closing asks
    // "Cancel download?" and then ends the run at once with nothing written; a run that gave up
    // has written its incomplete network file and closes without a question.
    QFETCH(bool, closeWhileWaiting);
    failure = closeWhileWaiting ? "503 retry-after 600" : "503";
    StderrCapture err;
    DownloadWindow* download = openFromClick();
    QVERIFY(download);
    auto* log = download->findChild<QTextEdit*>("teLog");
    const QString waitLine = closeWhileWaiting ? "Server busy (HTTP 503), trying again in 600 s...\n"
                                               : "Download incomplete: 1 of 1 pieces are missing.";
    QTRY_VERIFY_WITH_TIMEOUT(log->toPlainText().contains(waitLine), 30000);
    if (!closeWhileWaiting)
        QTRY_VERIFY_WITH_TIMEOUT(!download->isProcessing(), 30000);

    QCOMPARE(closeAndWait(download), closeWhileWaiting);
    QVERIFY(window->findChildren<DownloadWindow*>().isEmpty());
    QCOMPARE(FaultChecks::entries("data/download"), QStringList{earlierPiece});
    const QStringList networks = FaultChecks::entries("data/comp");
    if (closeWhileWaiting) {
        QCOMPARE(networks, QStringList{QFileInfo(earlierNetwork).fileName()});
        QCOMPARE(server->requestedUrls().filter("api.openstreetmap.org").size(), 1);
    } else {
        QCOMPARE(networks.size(), 2);
        QVERIFY2(networks.filter(QRegularExpression("^[0-9_-]+-incomplete\\.osm$")).size() == 1,
                 qPrintable(networks.join(", ")));
    }
    checkDisk();
}

void tst_WindowCloseTiming::stoppedRunKeepsAsking()
{
    // A regular file where the network files belong: the run stops after reading its piece.
    QVERIFY(QDir("data/comp").removeRecursively());
    QVERIFY(TestWorkDir::writeFile("data/comp", "not a folder\n"));

    DownloadWindow* download = openFromClick();
    QVERIFY(download);
    QPointer<DownloadWindow> guard(download);
    auto* log = download->findChild<QTextEdit*>("teLog");
    const QRegularExpression expected("^" + escaped(total(1)) + requestPattern(defaultPiece, true)
                                      + processingPattern(defaultPiece) + creatingPattern()
                                      + "Could not open \"\\1\" for writting!\\n$");
    QTRY_VERIFY2_WITH_TIMEOUT(expected.match(log->toPlainText()).hasMatch(), qPrintable(log->toPlainText()), 30000);

    // A stopped run never reports completion, so closing asks; No keeps the window and its log.
    {
        ModalAnswer no(QMessageBox::No);
        QVERIFY(!download->close());
        QVERIFY(no.seen);
        QCOMPARE(no.text, QString("Cancel download?"));
    }
    QVERIFY(!guard.isNull());
    QVERIFY(closeAndWait(download));
    QCOMPARE(TestWorkDir::readFile("data/comp"), QByteArray("not a folder\n"));
    QCOMPARE(FaultChecks::entries("data/download"), (QStringList{defaultPiece + ".osm", earlierPiece}));
    const QString pieces = FaultChecks::checkPieces("data/download", {"served"});
    QVERIFY2(pieces.isEmpty(), qPrintable(pieces));
}

void tst_WindowCloseTiming::runWhileTilesFail_data()
{
    QTest::addColumn<QString>("tiles");
    QTest::newRow("tile servers refuse") << "500";
    QTest::newRow("tile servers stall") << "stall";
}

void tst_WindowCloseTiming::runWhileTilesFail()
{
    // The map asks for the tiles of a new zoom level just before the run starts; the tile
    // thread's troubles do not reach the run.
    QFETCH(QString, tiles);
    tileFailure = tiles;
    server->clearRequests();
    QTest::keyClick(window, Qt::Key_Plus);
    QTRY_VERIFY_WITH_TIMEOUT(!server->requestedUrls().filter("tile.openstreetmap.org").isEmpty(), 10000);
    DownloadWindow* download = openFromClick();
    QVERIFY(download);
    auto* log = download->findChild<QTextEdit*>("teLog");
    QTRY_VERIFY_WITH_TIMEOUT(!download->isProcessing(), 30000);
    QVERIFY2(wholeRun().match(log->toPlainText()).hasMatch(), qPrintable(log->toPlainText()));
    QVERIFY(!closeAndWait(download));
    QVERIFY(window->findChildren<DownloadWindow*>().isEmpty());
    QCOMPARE(FaultChecks::entries("data/download"), (QStringList{defaultPiece + ".osm", earlierPiece}));
    QCOMPARE(FaultChecks::entries("data/comp").size(), 2);
    checkDisk();
}

QTEST_MAIN(tst_WindowCloseTiming)
#include "tst_WindowCloseTiming.moc"
