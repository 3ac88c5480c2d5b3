#include "app/DownloadWindow.h"
#include "app/MainWindow.h"
#include "common/BoundingBox.h"
#include "extraction/NetworkFileReader.h"
#include "mapview/PieceLayer.h"
#include "mapview/Renderer.h"
#include "mapview/Visualization.h"
#include "network/NetworkCheck.h"
#include "network/WrittenNetwork.h"
#include "tests/support/ExpectedLog.h"
#include "tests/support/FakeHttpServer.h"
#include "tests/support/ModalAnswer.h"
#include "tests/support/OsmApiPieces.h"
#include "tests/support/TestWorkDir.h"
#include "tests/support/TileImages.h"

#include <QAction>
#include <QBuffer>
#include <QHelpEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolTip>
#include <QVBoxLayout>
#include <QSettings>
#include <QtTest>
#include <algorithm>

// A run from the user's click to the network file, through the download window, and
// closing that window while a run is or is not complete.
class tst_DownloadWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void form();
    void logAppendsWithoutLineBreaks();
    void wholeRunFromTheClick();
    void closingUnfinishedRun_data();
    void closingUnfinishedRun();
    void tooLargeAreaStaysProcessing();
    void downloadAgainFromTheMenu();

private:
    DownloadWindow* openFromClick();
    // Waits for the run's summary and closes the window, which must not ask.
    void closeFinished(DownloadWindow* download);

    FakeHttpServer* server = nullptr;
    TestWorkDir* work = nullptr;
    MainWindow* window = nullptr;
    bool stallPieces = false;
};

namespace {

// The piece of the default selection (grid 16604..16611 by 49197..49202). Its content
// is a real piece; the area it stands for does not matter to the extraction.
const QString defaultPiece = "16.604-49.197-16.611-49.202";
const QString realPiece = "37.615-55.816-37.622-55.823";

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

void tst_DownloadWindow::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    server = new FakeHttpServer(this);
    QVERIFY(server->listen());
    server->useAsApplicationProxy();
    const QByteArray png = TileImages::pngTile(QColor(200, 220, 200));
    const QByteArray piece = TestWorkDir::readFile(TestWorkDir::testData("moscow-selection/" + realPiece + ".osm"));
    QVERIFY(!piece.isEmpty());
    server->setHandler([this, png, piece](const FakeHttpServer::Request& request) {
        if (request.url.host().endsWith("tile.openstreetmap.org"))
            return FakeHttpServer::Response::ok(png, "image/png");
        if (request.url.host() != "api.openstreetmap.org" || OsmApiPieces::pieceName(request) != defaultPiece)
            return FakeHttpServer::Response::error(404);
        FakeHttpServer::Response response = FakeHttpServer::Response::ok(piece);
        response.stall = stallPieces;
        response.chunks = 3;
        return response;
    });
}

void tst_DownloadWindow::init()
{
    work = new TestWorkDir;
    QVERIFY(work->isValid());
    stallPieces = false;
    server->clearRequests();
    // The start state, wherever the window before was left.
    QSettings().clear();
    window = new MainWindow;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    // The map's tile cache made ./data/ at start-up.
    QVERIFY(QDir("data").exists());
}

void tst_DownloadWindow::cleanup()
{
    delete window;
    window = nullptr;
    delete work;
    work = nullptr;
}

DownloadWindow* tst_DownloadWindow::openFromClick()
{
    QTest::mouseClick(window->findChild<QPushButton*>("btnStartDownload"), Qt::LeftButton);
    const QList<DownloadWindow*> windows = window->findChildren<DownloadWindow*>();
    return windows.size() == 1 ? windows.first() : nullptr;
}

void tst_DownloadWindow::closeFinished(DownloadWindow* download)
{
    QPointer<DownloadWindow> guard(download);
    auto* log = download->findChild<QTextEdit*>("teLog");
    // processingDone() comes right behind the summary.
    QTRY_VERIFY2_WITH_TIMEOUT(!download->isProcessing(), qPrintable(log->toPlainText()), 30000);
    ModalAnswer unexpected(QMessageBox::No);
    QVERIFY(download->close());
    QTRY_VERIFY(guard.isNull());
    QVERIFY(!unexpected.seen);
}

void tst_DownloadWindow::form()
{
    DownloadWindow* download = openFromClick();
    QVERIFY(download);
    QVERIFY(download->isWindow());
    QCOMPARE(download->parentWidget(), window);
    QCOMPARE(download->objectName(), QString("DownloadWindow"));
    QCOMPARE(download->windowModality(), Qt::WindowModal);
    QCOMPARE(download->windowTitle(), QString("Downloading progress"));
    QCOMPARE(download->size(), QSize(610, 342));
    QVERIFY(download->testAttribute(Qt::WA_DeleteOnClose));
    auto* layout = qobject_cast<QVBoxLayout*>(download->layout());
    QCOMPARE(layout->objectName(), QString("verticalLayout"));
    QCOMPARE(layout->spacing(), 5);
    QCOMPARE(layout->contentsMargins(), QMargins(3, 5, 3, 3));
    auto* log = download->findChild<QTextEdit*>("teLog");
    QVERIFY(log->isReadOnly());
    QCOMPARE(layout->itemAt(0)->widget(), log);
    auto* frame = download->findChild<QFrame*>("frame");
    QCOMPARE(layout->itemAt(1)->widget(), frame);
    QCOMPARE(frame->frameShape(), QFrame::NoFrame);
    QCOMPARE(frame->frameShadow(), QFrame::Raised);
    auto* row = qobject_cast<QHBoxLayout*>(frame->layout());
    QCOMPARE(row->objectName(), QString("horizontalLayout"));
    QCOMPARE(row->spacing(), 0);
    QCOMPARE(row->contentsMargins(), QMargins(0, 0, 0, 0));
    auto* bar = download->findChild<QProgressBar*>("progressBar");
    QCOMPARE(row->itemAt(0)->widget(), bar);
    QCOMPARE(bar->format(), QString("%p%"));
    QCOMPARE(bar->textDirection(), QProgressBar::TopToBottom);
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 100);
    QCOMPARE(bar->text(), QString("0%"));
    auto* close = download->findChild<QPushButton*>("btnClose");
    QCOMPARE(row->itemAt(1)->widget(), close);
    QCOMPARE(close->text(), QString("Close"));
    QTRY_VERIFY_WITH_TIMEOUT(bar->value() == 100, 30000);
    closeFinished(download);
}

void tst_DownloadWindow::logAppendsWithoutLineBreaks()
{
    DownloadWindow* download = openFromClick();
    QVERIFY(download);
    auto* log = download->findChild<QTextEdit*>("teLog");
    QTRY_VERIFY_WITH_TIMEOUT(!download->isProcessing(), 30000);
    log->clear();
    // The user may have moved the cursor; new text still goes to the end.
    QVERIFY(QMetaObject::invokeMethod(download, "writeIntoLog", Q_ARG(QString, "Request: \"x\" ")));
    log->moveCursor(QTextCursor::Start);
    QVERIFY(QMetaObject::invokeMethod(download, "writeIntoLog", Q_ARG(QString, ".")));
    QVERIFY(QMetaObject::invokeMethod(download, "writeIntoLog", Q_ARG(QString, " Done\n")));
    QVERIFY(QMetaObject::invokeMethod(download, "writeIntoLog", Q_ARG(QString, "next")));
    QCOMPARE(log->toPlainText(), QString("Request: \"x\" . Done\nnext"));
    QVERIFY(QMetaObject::invokeMethod(download, "writeIntoLog", Q_ARG(QString, "Route count")));
    closeFinished(download);
}

void tst_DownloadWindow::wholeRunFromTheClick()
{
    DownloadWindow* download = openFromClick();
    QVERIFY(download);
    QPointer<DownloadWindow> guard(download);
    QVERIFY(QTest::qWaitForWindowExposed(download));
    auto* log = download->findChild<QTextEdit*>("teLog");
    auto* bar = download->findChild<QProgressBar*>("progressBar");
    QTRY_VERIFY_WITH_TIMEOUT(!download->isProcessing(), 30000);

    // The selection north 49.2014, south 49.1978, west 16.6048, east 16.6102 is one piece.
    const QRegularExpression expected("^" + ExpectedLog::escaped(ExpectedLog::total(1))
                                      + ExpectedLog::requestPattern(defaultPiece, true)
                                      + ExpectedLog::processingPattern(defaultPiece) + ExpectedLog::creatingPattern()
                                      + "OK\\n    Node count: \\d+\\n    Bus stop count: 7\\n    Tram stop count: 14\\n"
                                        "    Way count: 22\\n    Route count: 28\\n$");
    const auto match = expected.match(log->toPlainText());
    QVERIFY2(match.hasMatch(), qPrintable(log->toPlainText()));
    QCOMPARE(bar->value(), 100);
    QCOMPARE(bar->text(), QString("100%"));

    const QStringList apiRequests = server->requestedUrls().filter("api.openstreetmap.org");
    QCOMPARE(apiRequests, QStringList{"http://api.openstreetmap.org/api/0.6/map?bbox=16.604,49.197,16.611,49.202"});
    QCOMPARE(entries("data/download"), QStringList{defaultPiece + ".osm"});
    QCOMPARE(entries("data/comp").size(), 1);
    QVERIFY(TestWorkDir::readFile(match.captured(1)).endsWith("</osm>\n"));

    // Done: "Close" closes at once, without a question, and the window is gone.
    ModalAnswer unexpected(QMessageBox::No);
    QTest::mouseClick(download->findChild<QPushButton*>("btnClose"), Qt::LeftButton);
    QTRY_VERIFY(guard.isNull());
    QVERIFY(!unexpected.seen);

    // The map's problems of that network are told against the run's selection, which the
    // compact file does not carry: the Moscow piece lies beyond it, so a ring there is at the edge.
    WrittenNetwork network;
    QVERIFY(NetworkFileReader::read(match.captured(1), network));
    const std::vector<Finding> findings = NetworkCheck::run(network);
    const auto placed = std::find_if(findings.begin(), findings.end(), [](const Finding& f) { return f.hasPosition; });
    QVERIFY(placed != findings.end());
    auto* map = window->findChild<Visualization*>("visualization");
    map->getRenderer()->showArea(GeoPoint(placed->lat + 0.001, placed->lon - 0.001),
                                 GeoPoint(placed->lat - 0.001, placed->lon + 0.001));
    window->findChild<QAction*>("actionProblemsOfLastNetwork")->setChecked(true);
    auto* status = window->statusBar()->findChild<QLabel*>("problemsStatus");
    QTRY_COMPARE(status->text(), QString("%1 problems in the last network").arg(findings.size()));
    const QPoint ring = map->getRenderer()->geoToPixel(GeoPoint(placed->lat, placed->lon));
    QHelpEvent help(QEvent::ToolTip, ring, map->mapToGlobal(ring));
    QCoreApplication::sendEvent(map, &help);
    const QString first = QToolTip::text().split("\n\n").first();
    QToolTip::hideText();
    QVERIFY2(first.endsWith("\nat the edge of the area"), qPrintable(first));
}

void tst_DownloadWindow::closingUnfinishedRun_data()
{
    QTest::addColumn<bool>("stall");
    QTest::newRow("request in flight") << true;
    QTest::newRow("right after the click") << false;
}

void tst_DownloadWindow::closingUnfinishedRun()
{
    QFETCH(bool, stall);
    stallPieces = stall;
    DownloadWindow* download = openFromClick();
    QVERIFY(download);
    QPointer<DownloadWindow> guard(download);
    if (stall)
        QTRY_VERIFY_WITH_TIMEOUT(!server->requestedUrls().filter("api.openstreetmap.org").isEmpty(), 10000);

    {
        ModalAnswer no(QMessageBox::No);
        QVERIFY(!download->close());
        QVERIFY(no.seen);
        QCOMPARE(no.title, QString("Close"));
        QCOMPARE(no.text, QString("Cancel download?"));
        QCOMPARE(no.buttons, QMessageBox::Yes | QMessageBox::No);
    }
    QVERIFY(!guard.isNull());
    QVERIFY(download->isVisible());

    if (stall) {
        ModalAnswer yes(QMessageBox::Yes);
        QTest::mouseClick(download->findChild<QPushButton*>("btnClose"), Qt::LeftButton);
        QVERIFY(yes.seen);
        QTRY_VERIFY(guard.isNull());
        // Nothing of the abandoned piece is left, and no network file was made.
        QCOMPARE(entries("data/download"), QStringList());
        QVERIFY(!QDir("data/comp").exists());
    } else {
        // The run went on after "No" and completes; then closing asks nothing.
        closeFinished(download);
        QCOMPARE(entries("data/comp").size(), 1);
    }
}

void tst_DownloadWindow::tooLargeAreaStaysProcessing()
{
    auto* download = new DownloadWindow(BoundingBox(0, 0, 20, 20).toArea(), window);
    QPointer<DownloadWindow> guard(download);
    download->show();
    auto* log = download->findChild<QTextEdit*>("teLog");
    QTRY_COMPARE_WITH_TIMEOUT(log->toPlainText(), QString("Selected area is too large!"), 10000);
    QCOMPARE(download->findChild<QProgressBar*>("progressBar")->value(), 0);
    {
        ModalAnswer no(QMessageBox::No);
        QVERIFY(!download->close());
        QVERIFY(no.seen);
    }
    ModalAnswer yes(QMessageBox::Yes);
    QVERIFY(download->close());
    QVERIFY(yes.seen);
    QTRY_VERIFY(guard.isNull());
}

void tst_DownloadWindow::downloadAgainFromTheMenu()
{
    // The selection's piece is on disk, from long ago, and shown so.
    QVERIFY(QDir().mkdir("data/download"));
    const QString path = "data/download/" + defaultPiece + ".osm";
    QVERIFY(TestWorkDir::writeFile(path, "<osm>\n</osm>\n"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addDays(-400), QFileDevice::FileModificationTime));
    file.close();
    auto* map = window->findChild<Visualization*>("visualization");
    window->findChild<QAction*>("actionDownloadedPieces")->setChecked(true);
    // Pixels in the full colour of old pieces (their hatching) in a corner of the piece's cell
    // that the selection leaves free.
    const auto oldPixels = [map]() {
        QImage image(map->size(), QImage::Format_ARGB32_Premultiplied);
        map->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
        const QPointF corner = map->getRenderer()->geoToPixelF(GeoPoint(49.202, 16.604));
        int count = 0;
        for (int y = qRound(corner.y()) + 6; y < qRound(corner.y()) + 22; ++y)
            for (int x = qRound(corner.x()) + 6; x < qRound(corner.x()) + 22; ++x)
                count += image.pixelColor(x, y) == PieceLayer::colour(PieceCell::Old) ? 1 : 0;
        return count;
    };
    QTRY_VERIFY(map->areViewsReady() && oldPixels() > 30);

    window->findChild<QAction*>("actionDownloadAgain")->trigger();
    const QList<DownloadWindow*> windows = window->findChildren<DownloadWindow*>();
    QCOMPARE(windows.size(), 1);
    auto* log = windows.first()->findChild<QTextEdit*>("teLog");
    QTRY_VERIFY_WITH_TIMEOUT(log->toPlainText().contains("Route count"), 30000);
    QVERIFY2(log->toPlainText().startsWith("Total 1 files to be requested...\nRequest: \"api.openstreetmap.org?/api/0.6/"
                                           "mapbbox=16.604,49.197,16.611,49.202\" ."),
             qPrintable(log->toPlainText()));
    QVERIFY(!log->toPlainText().contains("File found at local storage"));
    closeFinished(windows.first());
    QCOMPARE(server->requestedUrls().filter("api.openstreetmap.org").size(), 1);
    QCOMPARE(TestWorkDir::readFile(path),
             TestWorkDir::readFile(TestWorkDir::testData("moscow-selection/" + realPiece + ".osm")));

    // Once the run's window is gone the pieces are looked up again: the piece is new now. The
    // pixel looked at shows the map's tile under the cell, once that tile has come.
    QTRY_VERIFY(map->areViewsReady() && oldPixels() == 0);
    Renderer* renderer = map->getRenderer();
    const QPointF inCell = renderer->geoToPixelF(GeoPoint(49.202, 16.604)) + QPointF(10, 10) - renderer->getOriginOffset();
    const QPoint tileUnder = renderer->getTileRange().topLeft()
        + QPoint(int(std::floor(inCell.x() / 256)), int(std::floor(inCell.y() / 256)));
    QTRY_VERIFY(renderer->hasCachedTile(tileUnder, renderer->getZoom()));
    QImage image(map->size(), QImage::Format_ARGB32_Premultiplied);
    map->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    const QPointF corner = map->getRenderer()->geoToPixelF(GeoPoint(49.202, 16.604));
    const QColor inside = image.pixelColor(qRound(corner.x()) + 10, qRound(corner.y()) + 10);
    const QColor fresh = PieceLayer::colour(PieceCell::Fresh);
    const QColor tile(200, 220, 200);
    const int a = PieceLayer::fillAlpha;
    QVERIFY(qAbs(inside.green() - (fresh.green() * a + tile.green() * (255 - a)) / 255) <= 2);
    QVERIFY(qAbs(inside.red() - (fresh.red() * a + tile.red() * (255 - a)) / 255) <= 2);
}

QTEST_MAIN(tst_DownloadWindow)
#include "tst_DownloadWindow.moc"
