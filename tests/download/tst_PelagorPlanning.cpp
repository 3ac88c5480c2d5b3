#include "common/BoundingBox.h"
#include "download/ApiPieceSource.h"
#include "download/OverpassQuery.h"
#include "download/Pelagor.h"
#include "download/PiecePlan.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TestWorkDir.h"

#include <QNetworkRequest>
#include <QtTest>

#include <limits>

namespace {

QRect grid(int x1, int y1, int x2, int y2)
{
    QRect rect;
    rect.setCoords(x1, y1, x2, y2);
    return rect;
}

// The area of a box, as the window and pelagor-download hand it to the downloader.
QRectF selection(double west, double south, double east, double north)
{
    return BoundingBox(west, south, east, north).toArea();
}

QStringList texts(const QSignalSpy& spy)
{
    QStringList result;
    for (const QList<QVariant>& args : spy)
        result << args.at(0).toString();
    return result;
}

QString coords(const QRect& rect)
{
    int x1, y1, x2, y2;
    rect.getCoords(&x1, &y1, &x2, &y2);
    return QString("(%1, %2, %3, %4)").arg(x1).arg(y1).arg(x2).arg(y2);
}

QStringList coordsList(const std::vector<QRect>& rects)
{
    QStringList result;
    for (const QRect& rect : rects)
        result << coords(rect);
    return result;
}

const QString rightLine = "Pelagor: Invalid boundaries! Right longitude has to be greater than left longitude";
const QString topLine = "Pelagor: Invalid boundaries! Top latitude has to be greater than bottom latitude";
const QString tooLarge = "Selected area is too large!";

} // namespace

class tst_PelagorPlanning : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void initialState();
    void checkBoundaries_data();
    void checkBoundaries();
    void invalidAreaStopsSilently();
    void boxForms_data();
    void boxForms();
    void piecesAndQueueOrder_data();
    void piecesAndQueueOrder();
    void notPieceNames();
    void splitPiece_data();
    void splitPiece();
    void zeroPiecesEndAtOnce_data();
    void zeroPiecesEndAtOnce();
    void pieceBound_data();
    void pieceBound();
    void queueKeptAcrossRuns();
    void downloadFolder_data();
    void downloadFolder();
    void malformedAddress_data();
    void malformedAddress();

private:
    TestWorkDir* workDir = nullptr;
};

void tst_PelagorPlanning::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void tst_PelagorPlanning::init()
{
    workDir = new TestWorkDir;
    QVERIFY(workDir->isValid());
    // The application's tile cache creates ./data/ at start-up, before any download.
    QVERIFY(QDir().mkdir("data"));
}

void tst_PelagorPlanning::cleanup()
{
    delete workDir;
    workDir = nullptr;
}

void tst_PelagorPlanning::initialState()
{
    Pelagor pelagor;
    QVERIFY(pelagor.getArea().isNull());
    QCOMPARE(coords(pelagor.getArea()), QString("(0, 0, -1, -1)"));
    QVERIFY(pelagor.getRequestQueue().empty());
    QVERIFY(pelagor.getFailedPieces().empty());
    QVERIFY(pelagor.getFilesPaths().empty());
    QVERIFY(!QDir("data/download").exists());
}

void tst_PelagorPlanning::checkBoundaries_data()
{
    QTest::addColumn<QRectF>("area");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QStringList>("lines");

    const double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("ordinary area") << selection(16.6048, 49.1978, 16.6102, 49.2014) << true << QStringList();
    QTest::newRow("equal bounds") << selection(1.5, 2.5, 1.5, 2.5) << true << QStringList();
    QTest::newRow("left beyond right") << selection(10.0, 4.0, 9.0, 5.0) << false << QStringList{rightLine};
    QTest::newRow("bottom above top") << selection(10.0, 6.0, 11.0, 5.0) << false << QStringList{topLine};
    QTest::newRow("both, longitude first") << selection(10.0, 6.0, 9.0, 5.0) << false
                                           << QStringList{rightLine, topLine};
    QTest::newRow("nan left") << selection(nan, 4.0, 11.0, 5.0) << false << QStringList();
    QTest::newRow("nan bottom") << selection(10.0, nan, 11.0, 5.0) << false << QStringList();
}

void tst_PelagorPlanning::checkBoundaries()
{
    QFETCH(QRectF, area);
    QFETCH(bool, valid);
    QFETCH(QStringList, lines);

    Pelagor pelagor;
    QSignalSpy messages(&pelagor, SIGNAL(message(QString)));
    StderrCapture err;
    QCOMPARE(pelagor.checkBoundaries(area), valid);
    QCOMPARE(err.lines(), lines);
    QCOMPARE(messages.count(), 0);
}

void tst_PelagorPlanning::invalidAreaStopsSilently()
{
    Pelagor pelagor;
    QSignalSpy messages(&pelagor, SIGNAL(message(QString)));
    QSignalSpy progress(&pelagor, SIGNAL(progress(int)));
    QSignalSpy done(&pelagor, SIGNAL(downloadingDone(std::vector<QString>)));
    StderrCapture err;
    QVERIFY(!pelagor.downloadArea(selection(10.0, 6.0, 9.0, 5.0)));
    QCOMPARE(err.lines(), (QStringList{rightLine, topLine}));
    QCOMPARE(messages.count(), 0);
    QCOMPARE(progress.count(), 0);
    QCOMPARE(done.count(), 0);
    QVERIFY(pelagor.getArea().isNull());
    QVERIFY(!QDir("data/download").exists());
}

// A box on its way from the command line or the map to the requests: as an area, on the grid
// (the smallest rectangle of whole thousandths that holds it), and in degrees again as the piece
// file's name and the bbox of the editing API's and of Overpass's request. No digit may move.
void tst_PelagorPlanning::boxForms_data()
{
    QTest::addColumn<double>("west");
    QTest::addColumn<double>("south");
    QTest::addColumn<double>("east");
    QTest::addColumn<double>("north");
    QTest::addColumn<QRect>("expected");
    QTest::addColumn<QString>("bbox"); // of the grid rectangle, W,S,E,N

    QTest::newRow("smallest enclosing thousandths, trailing zeros vanish")
        << 16.6048 << 49.1978 << 16.6102 << 49.2014 << grid(16604, 49202, 16611, 49197)
        << "16.604,49.197,16.611,49.202";
    QTest::newRow("moscow selection") << 37.5852 << 55.8062 << 37.6218 << 55.8228 << grid(37585, 55823, 37622, 55806)
                                      << "37.585,55.806,37.622,55.823";
    // 55.8 / 0.001 is 55799.99... in double: the division decides, not the decimal text.
    QTest::newRow("division in double") << 37.6 << 55.8 << 37.7 << 55.9 << grid(37600, 55900, 37700, 55799)
                                        << "37.6,55.799,37.7,55.9";
    QTest::newRow("round degrees") << 37.6 << 55.99 << 37.61 << 56.0 << grid(37600, 56000, 37610, 55990)
                                   << "37.6,55.99,37.61,56";
    QTest::newRow("negative rounds outward") << -0.5004 << -10.0001 << -0.4996 << -9.9999
                                             << grid(-501, -9999, -499, -10001) << "-0.501,-10.001,-0.499,-9.999";
    QTest::newRow("minus sign kept") << -0.5 << 0.0 << -0.49 << 0.01 << grid(-500, 10, -490, 0) << "-0.5,0,-0.49,0.01";
    QTest::newRow("all negative") << -0.003 << -0.012 << -0.002 << -0.002 << grid(-3, -2, -2, -12)
                                  << "-0.003,-0.012,-0.002,-0.002";
    QTest::newRow("six significant digits") << -179.999 << 89.989 << -179.989 << 89.999
                                            << grid(-179999, 89999, -179989, 89989) << "-179.999,89.989,-179.989,89.999";
    QTest::newRow("east on the antimeridian, across the equator")
        << 179.9951 << -0.0049 << 180.0 << 0.0049 << grid(179995, 5, 180000, -5) << "179.995,-0.005,180,0.005";
    QTest::newRow("west on the antimeridian, at the map's edge")
        << -180.0 << -85.0511 << -179.9951 << -85.0449 << grid(-180000, -85044, -179995, -85052)
        << "-180,-85.052,-179.995,-85.044";
    QTest::newRow("whole world") << -180.0 << -90.0 << 180.0 << 90.0 << grid(-180000, 90000, 180000, -90000)
                                 << "-180,-90,180,90";
    QTest::newRow("zero area") << 0.0 << 0.0 << 0.0 << 0.0 << grid(0, 0, 0, 0) << "0,0,0,0";
    // Off the world: the grid is clamped to the int range instead of overflowing.
    QTest::newRow("beyond int range is clamped")
        << -1e300 << -3e6 << 1e300 << 3e6
        << grid(std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), std::numeric_limits<int>::max(),
                std::numeric_limits<int>::min())
        << "-2.14748e+06,-2.14748e+06,2.14748e+06,2.14748e+06";
}

void tst_PelagorPlanning::boxForms()
{
    QFETCH(double, west);
    QFETCH(double, south);
    QFETCH(double, east);
    QFETCH(double, north);
    QFETCH(QRect, expected);
    QFETCH(QString, bbox);

    Pelagor pelagor;
    const BoundingBox box(west, south, east, north);
    const QRect piece = pelagor.toGridRect(box.toArea());
    QCOMPARE(coords(piece), coords(expected));
    const QString path = "data/download/" + QString(bbox).replace(',', '-') + ".osm";
    QCOMPARE(pelagor.pieceFilePath(piece), path);
    const ApiPieceSource api("http://127.0.0.1/api/0.6/map?bbox=%1,%2,%3,%4", PiecePlan::downloadDir);
    QCOMPARE(api.request(piece).url().query(QUrl::FullyDecoded), "bbox=" + bbox);
    // Overpass writes the box south, west, north, east.
    const QStringList b = bbox.split(',');
    QVERIFY(OverpassQuery::forTile(piece).contains(QString("node(%1,%2,%3,%4)->").arg(b[1], b[0], b[3], b[2])));
    // The map reads the pieces on disk back from their names.
    if (box.problem().isEmpty()) {
        QRect back;
        QVERIFY(PiecePlan::fromFileName(path, back));
        QCOMPARE(coords(back), coords(piece));
    }
}

void tst_PelagorPlanning::piecesAndQueueOrder_data()
{
    QTest::addColumn<QRectF>("area");
    QTest::addColumn<qint64>("pieces");
    QTest::addColumn<QStringList>("queue");

    QTest::newRow("three pieces in a row, last clipped")
        << selection(0, 0, 0.025, 0.01) << qint64(3)
        << QStringList{"(0, 10, 10, 0)", "(10, 10, 20, 0)", "(20, 10, 25, 0)"};
    QTest::newRow("moscow selection: columns west to east, each south to north")
        << selection(37.5852, 55.8062, 37.6218, 55.8228) << qint64(8)
        << QStringList{"(37585, 55816, 37595, 55806)", "(37585, 55823, 37595, 55816)",
                       "(37595, 55816, 37605, 55806)", "(37595, 55823, 37605, 55816)",
                       "(37605, 55816, 37615, 55806)", "(37605, 55823, 37615, 55816)",
                       "(37615, 55816, 37622, 55806)", "(37615, 55823, 37622, 55816)"};
    QTest::newRow("smaller than one piece") << selection(16.6048, 49.1978, 16.6102, 49.2014) << qint64(1)
                                            << QStringList{"(16604, 49202, 16611, 49197)"};
    QTest::newRow("negative coordinates") << selection(-0.0159, -0.0099, -0.0001, 0.0001) << qint64(4)
                                          << QStringList{"(-16, 0, -6, -10)", "(-16, 1, -6, 0)",
                                                         "(-6, 0, 0, -10)", "(-6, 1, 0, 0)"};
    QTest::newRow("exact multiple of ten") << selection(0.0001, 0.0001, 0.0199, 0.0099) << qint64(2)
                                           << QStringList{"(0, 10, 10, 0)", "(10, 10, 20, 0)"};
    QTest::newRow("zero width") << selection(0, 0, 0, 0.05) << qint64(0) << QStringList();
    QTest::newRow("zero height") << selection(0, 1, 0.05, 1) << qint64(0) << QStringList();
    // The grid encloses the selection, so a line between grid lines still covers one column.
    QTest::newRow("zero width between grid lines") << selection(12.3456, 45.6001, 12.3456, 45.6099) << qint64(1)
                                                   << QStringList{"(12345, 45610, 12346, 45600)"};
}

void tst_PelagorPlanning::piecesAndQueueOrder()
{
    QFETCH(QRectF, area);
    QFETCH(qint64, pieces);
    QFETCH(QStringList, queue);

    Pelagor pelagor;
    QSignalSpy messages(&pelagor, SIGNAL(message(QString)));
    QVERIFY(pelagor.prepareRequests(area));
    QCOMPARE(pelagor.countPieces(), pieces);
    QCOMPARE(pelagor.getTotalFiles(), int(pieces));
    QCOMPARE(pelagor.getDoneFiles(), 0);
    QCOMPARE(pelagor.getPendingRequests(), 0);
    QCOMPARE(coordsList(pelagor.getRequestQueue()), queue);
    QCOMPARE(texts(messages), QStringList{QString("Total %1 files to be requested...\n").arg(pieces)});
    QVERIFY(QDir("data/download").exists());
}

void tst_PelagorPlanning::notPieceNames()
{
    QRect piece;
    for (const QString name : {"merged0.osm", "30-60-30.01.osm", "1-2-3-4.osm.tmp", "a-b-c-d.osm", "1--2-3-4-5.osm",
                               "16.6040-49.197-16.611-49.202.osm", "1---2-3-4.osm"})
        QVERIFY2(!PiecePlan::fromFileName(name, piece), qPrintable(name));
}

void tst_PelagorPlanning::splitPiece_data()
{
    QTest::addColumn<QRect>("piece");
    QTest::addColumn<QStringList>("queued");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("ten by ten")
        << grid(0, 10, 10, 0) << QStringList{"(0, 10, 5, 5)", "(0, 5, 5, 0)", "(5, 10, 10, 5)", "(5, 5, 10, 0)"}
        << QStringList{"Pelagor: Splitting: 0 0 10 10", "Pelagor: Splitted: 0 5 5 10", "Pelagor: Splitted: 0 0 5 5",
                       "Pelagor: Splitted: 5 5 10 10", "Pelagor: Splitted: 5 0 10 5"};
    QTest::newRow("odd width, seven by seven")
        << grid(37615, 55823, 37622, 55816)
        << QStringList{"(37615, 55823, 37618, 55819)", "(37615, 55819, 37618, 55816)",
                       "(37618, 55823, 37622, 55819)", "(37618, 55819, 37622, 55816)"}
        << QStringList{"Pelagor: Splitting: 37615 55816 37622 55823", "Pelagor: Splitted: 37615 55819 37618 55823",
                       "Pelagor: Splitted: 37615 55816 37618 55819", "Pelagor: Splitted: 37618 55819 37622 55823",
                       "Pelagor: Splitted: 37618 55816 37622 55819"};
    // (-3 + 0) / 2 is -1: truncated toward zero, not floored.
    QTest::newRow("negative truncates toward zero")
        << grid(-3, 0, 0, -3) << QStringList{"(-3, 0, -1, -1)", "(-3, -1, -1, -3)", "(-1, 0, 0, -1)", "(-1, -1, 0, -3)"}
        << QStringList{"Pelagor: Splitting: -3 -3 0 0", "Pelagor: Splitted: -3 -1 -1 0", "Pelagor: Splitted: -3 -3 -1 -1",
                       "Pelagor: Splitted: -1 -1 0 0", "Pelagor: Splitted: -1 -3 0 -1"};
    // No part ever has zero width or height: a piece one unit across is halved the other way only,
    // and a piece of one unit each way is not split at all.
    QTest::newRow("one unit wide: north and south")
        << grid(0, 10, 1, 0) << QStringList{"(0, 10, 1, 5)", "(0, 5, 1, 0)"}
        << QStringList{"Pelagor: Splitting: 0 0 1 10", "Pelagor: Splitted: 0 5 1 10", "Pelagor: Splitted: 0 0 1 5"};
    QTest::newRow("one unit high: west and east")
        << grid(-10, 1, 0, 0) << QStringList{"(-10, 1, -5, 0)", "(-5, 1, 0, 0)"}
        << QStringList{"Pelagor: Splitting: -10 0 0 1", "Pelagor: Splitted: -10 0 -5 1", "Pelagor: Splitted: -5 0 0 1"};
    QTest::newRow("one unit each way") << grid(0, 1, 1, 0) << QStringList() << QStringList{"Pelagor: Splitting: 0 0 1 1"};
    QTest::newRow("zero size") << grid(0, 0, 0, 0) << QStringList() << QStringList{"Pelagor: Splitting: 0 0 0 0"};
    QTest::newRow("near the int limit")
        << grid(2147483637, 2147483647, 2147483647, 2147483637)
        << QStringList{"(2147483637, 2147483647, 2147483642, 2147483642)",
                       "(2147483637, 2147483642, 2147483642, 2147483637)",
                       "(2147483642, 2147483647, 2147483647, 2147483642)",
                       "(2147483642, 2147483642, 2147483647, 2147483637)"}
        << QStringList{"Pelagor: Splitting: 2147483637 2147483637 2147483647 2147483647",
                       "Pelagor: Splitted: 2147483637 2147483642 2147483642 2147483647",
                       "Pelagor: Splitted: 2147483637 2147483637 2147483642 2147483642",
                       "Pelagor: Splitted: 2147483642 2147483642 2147483647 2147483647",
                       "Pelagor: Splitted: 2147483642 2147483637 2147483647 2147483642"};
}

void tst_PelagorPlanning::splitPiece()
{
    QFETCH(QRect, piece);
    QFETCH(QStringList, queued);
    QFETCH(QStringList, lines);

    Pelagor pelagor;
    QVERIFY(pelagor.prepareRequests(selection(0, 0, 0, 0)));
    QCOMPARE(pelagor.getTotalFiles(), 0);
    QSignalSpy messages(&pelagor, SIGNAL(message(QString)));
    StderrCapture err;
    pelagor.splitPiece(piece);
    QCOMPARE(err.lines(), lines);
    QCOMPARE(coordsList(pelagor.getRequestQueue()), queued);
    QCOMPARE(pelagor.getTotalFiles(), queued.size());
    QCOMPARE(messages.count(), 0);
}

void tst_PelagorPlanning::zeroPiecesEndAtOnce_data()
{
    QTest::addColumn<QRectF>("area");
    QTest::newRow("point at origin") << selection(0, 0, 0, 0);
    QTest::newRow("zero width on a grid line") << selection(0, 45.6, 0, 45.7);
    QTest::newRow("zero height on a grid line") << selection(12.3, 0, 12.4, 0);
}

void tst_PelagorPlanning::zeroPiecesEndAtOnce()
{
    QFETCH(QRectF, area);
    Pelagor pelagor;
    QStringList log;
    connect(&pelagor, &Pelagor::message, [&log](const QString& msg) { log << msg; });
    QSignalSpy progress(&pelagor, SIGNAL(progress(int)));
    QSignalSpy done(&pelagor, SIGNAL(downloadingDone(std::vector<QString>)));
    connect(&pelagor, &Pelagor::downloadingDone, [&log](const std::vector<QString>&) { log << "<done>"; });
    StderrCapture err;

    QVERIFY(pelagor.downloadArea(area));
    QCOMPARE(log, (QStringList{"Total 0 files to be requested...\n", "<done>"}));
    QCOMPARE(done.count(), 1);
    QVERIFY(done.at(0).at(0).value<std::vector<QString>>().empty());
    QCOMPARE(progress.count(), 0);
    QCOMPARE(err.text(), std::string());
}

void tst_PelagorPlanning::pieceBound_data()
{
    QTest::addColumn<QRectF>("area");
    QTest::addColumn<qint64>("pieces");
    QTest::addColumn<bool>("accepted");

    // 1000 columns by 1000 rows.
    QTest::newRow("at the bound") << selection(0.0001, 0.0001, 9.9999, 9.9999) << qint64(1000000) << true;
    // 101 columns by 9901 rows.
    QTest::newRow("one piece above") << selection(0.0001, -49.4999, 1.0099, 49.5099) << qint64(1000001) << false;
    QTest::newRow("whole world") << selection(-180, -90, 180, 90) << qint64(648000000) << false;
    // Grid extents near 2^32 on both axes: the count itself needs 64 bits.
    QTest::newRow("count beyond 32 bits") << selection(-2147483.0, -2147483.0, 2147483.0, 2147483.0)
                                          << qint64(429496600) * 429496600 << false;
    QTest::newRow("beyond the int range") << selection(-1e12, 0, 1e12, 1) << qint64(-1) << false;
    QTest::newRow("zero width beyond the int range") << selection(5e9, 0, 5e9, 1) << qint64(-1) << false;
    QTest::newRow("infinite") << selection(0, 0, std::numeric_limits<double>::infinity(), 1) << qint64(-1) << false;
}

void tst_PelagorPlanning::pieceBound()
{
    QFETCH(QRectF, area);
    QFETCH(qint64, pieces);
    QFETCH(bool, accepted);

    Pelagor pelagor;
    QSignalSpy messages(&pelagor, SIGNAL(message(QString)));
    QSignalSpy progress(&pelagor, SIGNAL(progress(int)));
    QSignalSpy done(&pelagor, SIGNAL(downloadingDone(std::vector<QString>)));
    StderrCapture err;
    QVERIFY(pelagor.checkBoundaries(area));
    QCOMPARE(pelagor.prepareRequests(area), accepted);
    if (pieces >= 0)
        QCOMPARE(pelagor.countPieces(), pieces);
    if (accepted) {
        QCOMPARE(texts(messages), QStringList{QString("Total %1 files to be requested...\n").arg(pieces)});
        QCOMPARE(qint64(pelagor.getRequestQueue().size()), pieces);
        QCOMPARE(qint64(pelagor.getTotalFiles()), pieces);
    } else {
        QCOMPARE(texts(messages), QStringList{tooLarge});
        QVERIFY(pelagor.getRequestQueue().empty());
        QVERIFY(!QDir("data/download").exists());
        // A refused area must also stop a whole run before any signal but the message.
        QVERIFY(!pelagor.downloadArea(area));
        QCOMPARE(texts(messages), (QStringList{tooLarge, tooLarge}));
        QVERIFY(pelagor.getRequestQueue().empty());
    }
    QCOMPARE(progress.count(), 0);
    QCOMPARE(done.count(), 0);
    QCOMPARE(err.text(), std::string());
}

void tst_PelagorPlanning::queueKeptAcrossRuns()
{
    Pelagor pelagor;
    StderrCapture err;
    QVERIFY(pelagor.prepareRequests(selection(0, 0, 0.025, 0.01)));
    pelagor.splitPiece(grid(0, 10, 10, 0));
    QCOMPARE(pelagor.getTotalFiles(), 7);
    QVERIFY(pelagor.prepareRequests(selection(0, 0, 0.0099, 0.0099)));
    // The counters start again; the queue keeps what the earlier planning left in it.
    QCOMPARE(pelagor.getTotalFiles(), 1);
    QCOMPARE(pelagor.getRequestQueue().size(), size_t(8));
    QCOMPARE(coords(pelagor.getRequestQueue().back()), QString("(0, 10, 10, 0)"));
    QCOMPARE(coords(pelagor.getArea()), QString("(0, 10, 10, 0)"));
}

void tst_PelagorPlanning::downloadFolder_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<bool>("created");

    QTest::newRow("created one level deep") << "" << true;
    // Another run started at the same time made it between this one's look and its mkdir: the
    // mkdir fails, and the folder counts as made.
    QTest::newRow("made by another run before the mkdir") << "folder" << true;
    QTest::newRow("no data folder") << "no data" << false;
    QTest::newRow("a file where the folder belongs") << "file" << false;
}

void tst_PelagorPlanning::downloadFolder()
{
    QFETCH(QString, setup);
    QFETCH(bool, created);

    if (setup == "folder")
        QVERIFY(QDir().mkdir("data/download"));
    if (setup == "no data")
        QVERIFY(QDir("data").removeRecursively());
    if (setup == "file")
        QVERIFY(TestWorkDir::writeFile("data/download", "not a folder"));

    Pelagor pelagor;
    QSignalSpy messages(&pelagor, SIGNAL(message(QString)));
    QSignalSpy progress(&pelagor, SIGNAL(progress(int)));
    QSignalSpy done(&pelagor, SIGNAL(downloadingDone(std::vector<QString>)));
    const QRectF area = selection(0, 0, 0, 0);
    QCOMPARE(pelagor.downloadArea(area), created);
    if (created) {
        QVERIFY(QFileInfo("data/download").isDir());
        QCOMPARE(texts(messages), QStringList{"Total 0 files to be requested...\n"});
        QCOMPARE(done.count(), 1);
    } else {
        QCOMPARE(texts(messages), QStringList{"Could not create folder \"data/download/\"!"});
        QCOMPARE(done.count(), 0);
        // Parent folders are never created.
        QCOMPARE(QFileInfo::exists("data"), setup == "file");
    }
    QCOMPARE(progress.count(), 0);
}

void tst_PelagorPlanning::malformedAddress_data()
{
    QTest::addColumn<bool>("overpass");
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<bool>("refused");

    QTest::newRow("unclosed bracket") << false << QByteArray("http://[::1/x") << true;
    QTest::newRow("no host") << false << QByteArray("http:///api/0.6/map") << true;
    QTest::newRow("not http") << true << QByteArray("ftp://example.org/api/interpreter") << true;
    QTest::newRow("a host and a port") << true << QByteArray("http://127.0.0.1:1/api/interpreter") << false;
}

void tst_PelagorPlanning::malformedAddress()
{
    // An address that no request can go to stops the run at once, rather than being tried
    // again and again as a host that is not found.
    QFETCH(bool, overpass);
    QFETCH(QByteArray, address);
    QFETCH(bool, refused);
    const char* variable = overpass ? "PELAGOR_OVERPASS_URL" : "PELAGOR_API_URL";
    qputenv(variable, address);
    Pelagor pelagor;
    pelagor.setSource(overpass ? DownloadSource::Overpass : DownloadSource::Api);
    QSignalSpy messages(&pelagor, SIGNAL(message(QString)));
    const bool accepted = pelagor.prepareRequests(selection(16.6048, 49.1978, 16.6102, 49.2014));
    qunsetenv(variable);
    QCOMPARE(accepted, !refused);
    if (refused) {
        QCOMPARE(texts(messages), QStringList{QString("%1 \"%2\" is not an http or https URL: no request can be made.\n")
                                                  .arg(variable, QString::fromUtf8(address))});
        QVERIFY(!QFileInfo::exists("data/download"));
    } else {
        QCOMPARE(texts(messages), QStringList{"Total 1 files to be requested...\n"});
    }
}

QTEST_GUILESS_MAIN(tst_PelagorPlanning)
#include "tst_PelagorPlanning.moc"
