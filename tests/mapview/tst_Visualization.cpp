#include "common/BoundingBox.h"
#include "mapview/Renderer.h"

#include "mapview/WebMercator.h"
#include "mapview/Visualization.h"
#include "tests/support/FakeHttpServer.h"
#include "tests/support/TestWorkDir.h"
#include "tests/support/TileImages.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QWheelEvent>
#include <QtTest>
#include <cmath>
#include <memory>

namespace {

const QColor landColour(232, 228, 220);

// Neighbouring tiles get clearly different colours, none of them grey or land-coloured.
QColor tileColour(int x, int y)
{
    return QColor(40 + (x % 4) * 50, 60 + (y % 3) * 60, 200 - (x % 2) * 120);
}

FakeHttpServer::Response tileResponse(const FakeHttpServer::Request& request)
{
    const QStringList parts = request.url.path().split('/', Qt::SkipEmptyParts);
    if (parts.size() != 3)
        return FakeHttpServer::Response::error(404);
    return FakeHttpServer::Response::ok(TileImages::pngTile(tileColour(parts[1].toInt(), parts[2].chopped(4).toInt())), "image/png");
}

void press(QWidget* w, const QPoint& pos, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent e(QEvent::MouseButtonPress, QPointF(pos), w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

void move(QWidget* w, const QPoint& pos, Qt::MouseButtons buttons = Qt::LeftButton)
{
    QMouseEvent e(QEvent::MouseMove, QPointF(pos), w->mapToGlobal(pos), Qt::NoButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

void release(QWidget* w, const QPoint& pos, Qt::MouseButton button = Qt::LeftButton, Qt::MouseButtons buttons = Qt::NoButton)
{
    QMouseEvent e(QEvent::MouseButtonRelease, QPointF(pos), w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

void wheel(QWidget* w, const QPoint& pos, int delta)
{
    QWheelEvent e(QPointF(pos), QPointF(w->mapToGlobal(pos)), QPoint(), QPoint(0, delta), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w, &e);
}

// The corner pixels of the widget's selection; the selection is never inside out here,
// so corner 1 is north-west, 2 north-east, 3 south-west and 4 south-east.
QPoint cornerPixel(const Visualization& v, int corner)
{
    const BoundingBox r = BoundingBox::fromArea(v.getLocationRect());
    const GeoPoint g(corner <= 2 ? r.north() : r.south(), corner % 2 == 1 ? r.west() : r.east());
    return v.getRenderer()->geoToPixel(g);
}

bool near(const QColor& a, const QColor& b, int tolerance = 2)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance
        && qAbs(a.blue() - b.blue()) <= tolerance;
}

QString describe(const QColor& c)
{
    return QString("rgb(%1, %2, %3)").arg(c.red()).arg(c.green()).arg(c.blue());
}

} // namespace

class tst_Visualization : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    // Mouse: corners and panning
    void pressGrabsCornerOrPans_data();
    void pressGrabsCornerOrPans();
    void laterCornerWinsWhereHandlesOverlap_data();
    void laterCornerWinsWhereHandlesOverlap();
    void otherButtonsDoNothing_data();
    void otherButtonsDoNothing();
    void releaseOfAnyButtonEndsDrag();
    void newLocRectOnEveryCornerMove();
    void draggedPastOppositeCornerStaysNormalised();
    void cornerClampedAtWorldEdge();
    void panFollowsMouse();

    // Wheel
    void wheelAccumulates_data();
    void wheelAccumulates();
    void wheelAccumulatorIsShared();
    void wheelZoomKeepsPointUnderCursor_data();
    void wheelZoomKeepsPointUnderCursor();

    // Painting
    void resizeSetsUpView();
    void tilesDrawnWhereTheyBelong();
    void loadingPlaceholder();
    void outOfWorldTiles();
    void selectionFillAndHandles();
    void backgroundAndDirtyRectangle();

private:
    void showWidget(Visualization& v, const QSize& size = QSize(600, 400));
    FakeHttpServer server;
    std::unique_ptr<TestWorkDir> workDir;
};

void tst_Visualization::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(server.listen());
    server.useAsApplicationProxy();
}

void tst_Visualization::init()
{
    QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).removeRecursively();
    workDir.reset(new TestWorkDir);
    QVERIFY(workDir->isValid());
    server.setHandler([](const FakeHttpServer::Request&) { return FakeHttpServer::Response::error(404); });
    server.clearRequests();
}

void tst_Visualization::cleanup()
{
    // Requests of the map just destroyed may still be on their way to the server; they have
    // arrived once its connections are closed.
    QTRY_COMPARE(server.openConnections(), 0);
    workDir.reset();
    QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).removeRecursively();
}

void tst_Visualization::showWidget(Visualization& v, const QSize& size)
{
    v.resize(size);
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    QCOMPARE(v.size(), size);
}

void tst_Visualization::pressGrabsCornerOrPans_data()
{
    QTest::addColumn<int>("corner");
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<bool>("grabbed");

    for (int corner = 1; corner <= 4; ++corner) {
        QTest::addRow("corner %d, on its pixel", corner) << corner << QPoint(0, 0) << true;
        QTest::addRow("corner %d, 5 right and 5 below", corner) << corner << QPoint(5, 5) << true;
        QTest::addRow("corner %d, 5 left and 5 above", corner) << corner << QPoint(-5, -5) << true;
        QTest::addRow("corner %d, 6 right", corner) << corner << QPoint(6, 0) << false;
        QTest::addRow("corner %d, 6 below", corner) << corner << QPoint(0, 6) << false;
        QTest::addRow("corner %d, 6 left", corner) << corner << QPoint(-6, 0) << false;
        QTest::addRow("corner %d, 6 above", corner) << corner << QPoint(0, -6) << false;
    }
}

void tst_Visualization::pressGrabsCornerOrPans()
{
    QFETCH(int, corner);
    QFETCH(QPoint, offset);
    QFETCH(bool, grabbed);

    Visualization v;
    showWidget(v);
    QSignalSpy rects(&v, SIGNAL(newLocRect(QRectF)));
    Renderer* renderer = v.getRenderer();
    const GeoPoint centre = renderer->getCenter();
    const QPoint q = cornerPixel(v, corner);
    const QPoint m = q + offset;

    press(&v, m, Qt::LeftButton, Qt::LeftButton);
    // Expected from the grab: after a move by (20, 20) the corner sits at q + (21, 21).
    const GeoPoint target = renderer->pixelToGeo(q + QPoint(21, 21));
    move(&v, m + QPoint(20, 20));
    release(&v, m + QPoint(20, 20));

    if (grabbed) {
        QCOMPARE(rects.size(), 1);
        QCOMPARE(renderer->getCenter().lat, centre.lat);
        QCOMPARE(renderer->getCenter().lon, centre.lon);
        const BoundingBox r = BoundingBox::fromArea(rects.at(0).at(0).toRectF());
        const double lat = corner <= 2 ? r.north() : r.south();
        const double lon = corner % 2 == 1 ? r.west() : r.east();
        QVERIFY(std::abs(lat - target.lat) < 1e-9);
        QVERIFY(std::abs(lon - target.lon) < 1e-9);
    } else {
        QCOMPARE(rects.size(), 0);
        QVERIFY(renderer->getCenter().lat != centre.lat);
        QVERIFY(renderer->getCenter().lon != centre.lon);
    }
}

void tst_Visualization::laterCornerWinsWhereHandlesOverlap_data()
{
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<int>("expected");

    // Corner 4 lies 8 pixels right of and below corner 1; offsets are from corner 1.
    QTest::newRow("all four in reach: 4") << QPoint(4, 4) << 4;
    QTest::newRow("1 and 3 in reach: 3") << QPoint(-2, 4) << 3;
    QTest::newRow("1 and 2 in reach: 2") << QPoint(4, -2) << 2;
    QTest::newRow("only 1 in reach") << QPoint(-3, -3) << 1;
    QTest::newRow("2 and 4 in reach: 4") << QPoint(10, 4) << 4;
}

void tst_Visualization::laterCornerWinsWhereHandlesOverlap()
{
    QFETCH(QPoint, offset);
    QFETCH(int, expected);

    Visualization v;
    showWidget(v);
    Renderer* renderer = v.getRenderer();
    // Shrink the selection: drag corner 4 to 8 pixels right of and below corner 1.
    const QPoint q1 = cornerPixel(v, 1);
    const QPoint q4 = cornerPixel(v, 4);
    press(&v, q4, Qt::LeftButton, Qt::LeftButton);
    // The grab adds one pixel: the corner lands at the mouse position + (1, 1).
    move(&v, q1 + QPoint(7, 7));
    release(&v, q1);
    const QPoint c1 = cornerPixel(v, 1);
    const QPoint c4 = cornerPixel(v, 4);
    QVERIFY2(qAbs(c4.x() - c1.x() - 8) <= 1 && qAbs(c4.y() - c1.y() - 8) <= 1,
             qPrintable(QString("%1,%2 %3,%4").arg(c1.x()).arg(c1.y()).arg(c4.x()).arg(c4.y())));

    // Which corner moves when dragged far away tells which one was taken.
    const BoundingBox before = BoundingBox::fromArea(v.getLocationRect());
    QSignalSpy rects(&v, SIGNAL(newLocRect(QRectF)));
    const QPoint m = c1 + offset;
    press(&v, m, Qt::LeftButton, Qt::LeftButton);
    move(&v, m + QPoint(100, 60));
    release(&v, m + QPoint(100, 60));
    QCOMPARE(rects.size(), 1);
    const BoundingBox after = BoundingBox::fromArea(rects.at(0).at(0).toRectF());
    const QPoint grabbed = expected == 1 ? c1 : expected == 2 ? QPoint(c4.x(), c1.y()) : expected == 3 ? QPoint(c1.x(), c4.y()) : c4;
    const GeoPoint target = renderer->pixelToGeo(grabbed + QPoint(100, 60) + QPoint(1, 1));
    // The dragged corner ends up south-east of the others: it is now the east and south edge.
    QVERIFY(std::abs(after.east() - target.lon) < 1e-9);
    QVERIFY(std::abs(after.south() - target.lat) < 1e-9);
    // The other longitude and latitude are those of the corners that did not move.
    const double otherLon = (expected % 2 == 1) ? before.east() : before.west();
    const double otherLat = (expected <= 2) ? before.south() : before.north();
    QVERIFY(std::abs(after.west() - otherLon) < 1e-12);
    QVERIFY(std::abs(after.north() - otherLat) < 1e-12);
}

void tst_Visualization::otherButtonsDoNothing_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("buttons");

    QTest::newRow("right button") << int(Qt::RightButton) << int(Qt::RightButton);
    QTest::newRow("middle button") << int(Qt::MiddleButton) << int(Qt::MiddleButton);
    QTest::newRow("left while right is held") << int(Qt::LeftButton) << int(Qt::LeftButton | Qt::RightButton);
}

void tst_Visualization::otherButtonsDoNothing()
{
    QFETCH(int, button);
    QFETCH(int, buttons);

    Visualization v;
    showWidget(v);
    QSignalSpy rects(&v, SIGNAL(newLocRect(QRectF)));
    const GeoPoint centre = v.getRenderer()->getCenter();
    for (const QPoint& start : {cornerPixel(v, 4), QPoint(50, 50)}) {
        press(&v, start, Qt::MouseButton(button), Qt::MouseButtons(buttons));
        move(&v, start + QPoint(30, 30), Qt::MouseButtons(buttons));
        release(&v, start + QPoint(30, 30), Qt::MouseButton(button), Qt::NoButton);
    }
    QCOMPARE(rects.size(), 0);
    QCOMPARE(v.getRenderer()->getCenter().lat, centre.lat);
    QCOMPARE(v.getRenderer()->getCenter().lon, centre.lon);
}

void tst_Visualization::releaseOfAnyButtonEndsDrag()
{
    Visualization v;
    showWidget(v);
    QSignalSpy rects(&v, SIGNAL(newLocRect(QRectF)));
    const QPoint q = cornerPixel(v, 2);
    press(&v, q, Qt::LeftButton, Qt::LeftButton);
    move(&v, q + QPoint(10, 10));
    QCOMPARE(rects.size(), 1);
    release(&v, q + QPoint(10, 10), Qt::RightButton, Qt::LeftButton);
    move(&v, q + QPoint(30, 30));
    QCOMPARE(rects.size(), 1);

    // The same for a pan.
    const GeoPoint centre = v.getRenderer()->getCenter();
    press(&v, QPoint(40, 40), Qt::LeftButton, Qt::LeftButton);
    release(&v, QPoint(40, 40), Qt::MiddleButton, Qt::LeftButton);
    move(&v, QPoint(80, 80));
    QCOMPARE(v.getRenderer()->getCenter().lat, centre.lat);
    QCOMPARE(v.getRenderer()->getCenter().lon, centre.lon);
}

void tst_Visualization::newLocRectOnEveryCornerMove()
{
    Visualization v;
    showWidget(v);
    QSignalSpy rects(&v, SIGNAL(newLocRect(QRectF)));
    QCOMPARE(v.getLocationRect(), BoundingBox(16.6048, 49.1978, 16.6102, 49.2014).toArea());

    const QPoint q = cornerPixel(v, 3);
    press(&v, q, Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(rects.size(), 0);
    const QList<QPoint> path = {QPoint(-3, 2), QPoint(-10, 7), QPoint(-10, 7), QPoint(-40, 25)};
    for (int i = 0; i < path.size(); ++i) {
        move(&v, q + path[i]);
        QCOMPARE(rects.size(), i + 1);
        QCOMPARE(rects.last().at(0).toRectF(), v.getLocationRect());
        // Corner 3 is south-west: west and south follow the mouse, one pixel down and right of it.
        const GeoPoint g = v.getRenderer()->pixelToGeo(q + path[i] + QPoint(1, 1));
        const BoundingBox r = BoundingBox::fromArea(v.getLocationRect());
        QCOMPARE(r.west(), g.lon);
        QCOMPARE(r.south(), g.lat);
        QCOMPARE(r.north(), 49.2014);
        QCOMPARE(r.east(), 16.6102);
    }
    release(&v, q);
    QCOMPARE(rects.size(), path.size());
}

void tst_Visualization::draggedPastOppositeCornerStaysNormalised()
{
    Visualization v;
    showWidget(v);
    QSignalSpy rects(&v, SIGNAL(newLocRect(QRectF)));
    const QPoint q1 = cornerPixel(v, 1);
    const QPoint q4 = cornerPixel(v, 4);
    press(&v, q1, Qt::LeftButton, Qt::LeftButton);
    move(&v, q4 + QPoint(60, 40));
    release(&v, q4 + QPoint(60, 40));

    QCOMPARE(rects.size(), 1);
    const QRectF r = rects.at(0).at(0).toRectF();
    const GeoPoint moved = v.getRenderer()->pixelToGeo(q4 + QPoint(61, 41));
    QCOMPARE(r.x(), 16.6102);
    QCOMPARE(r.y(), 49.1978);
    QVERIFY(r.width() >= 0);
    QVERIFY(r.height() <= 0);
    QCOMPARE(BoundingBox::fromArea(r).east(), moved.lon);
    QCOMPARE(BoundingBox::fromArea(r).south(), moved.lat);
    QCOMPARE(v.getLocationRect(), r);
}

void tst_Visualization::cornerClampedAtWorldEdge()
{
    Visualization v;
    showWidget(v);
    for (int i = 0; i < 14; ++i)
        v.getRenderer()->zoomOut();
    QCOMPARE(v.getRenderer()->getZoom(), 2);
    QSignalSpy rects(&v, SIGNAL(newLocRect(QRectF)));

    // At zoom 2 the four handles lie on one pixel: corner 4 is the one taken.
    const QPoint q = cornerPixel(v, 1);
    QCOMPARE(cornerPixel(v, 4), q);
    press(&v, q, Qt::LeftButton, Qt::LeftButton);
    move(&v, QPoint(-3000, -3000));
    QCOMPARE(rects.last().at(0).toRectF().y(), 85.0511);
    QCOMPARE(rects.last().at(0).toRectF().x(), -180.0);
    move(&v, QPoint(3000, 3000));
    release(&v, QPoint(3000, 3000));
    const BoundingBox r = BoundingBox::fromArea(rects.last().at(0).toRectF());
    QCOMPARE(r.south(), -85.0511);
    QCOMPARE(r.east(), 180.0);
    QCOMPARE(r.west(), 16.6048);
    QCOMPARE(r.north(), 49.2014);
}

void tst_Visualization::panFollowsMouse()
{
    Visualization v;
    showWidget(v);
    Renderer* renderer = v.getRenderer();
    QSignalSpy rects(&v, SIGNAL(newLocRect(QRectF)));

    press(&v, QPoint(50, 50), Qt::LeftButton, Qt::LeftButton);
    const QList<QPoint> path = {QPoint(60, 45), QPoint(100, 20), QPoint(100, 20), QPoint(30, 90)};
    QPoint last(50, 50);
    for (const QPoint& m : path) {
        const GeoPoint before = renderer->getCenter();
        const QPointF t = WebMercator::latLonToTile(before.lat, before.lon, 16);
        move(&v, m);
        const QPoint d = m - last;
        last = m;
        QCOMPARE(renderer->getCenter().lon, WebMercator::tileXToLon(t.x() - d.x() / 256.0, 16));
        QCOMPARE(renderer->getCenter().lat, WebMercator::tileYToLat(t.y() - d.y() / 256.0, 16));
    }
    release(&v, QPoint(30, 90));
    QCOMPARE(rects.size(), 0);
    // The selection stays on the ground: it moved on screen with the map.
    QCOMPARE(v.getLocationRect(), BoundingBox(16.6048, 49.1978, 16.6102, 49.2014).toArea());
}

void tst_Visualization::wheelAccumulates_data()
{
    QTest::addColumn<QList<int>>("deltas");
    QTest::addColumn<int>("zoomChange");

    // Every row leaves the shared accumulator at zero for the next one.
    QTest::newRow("60 + 60: one step in") << QList<int>{60, 60} << 1;
    QTest::newRow("240: one step, not two") << QList<int>{240} << 1;
    QTest::newRow("120: one step in") << QList<int>{120} << 1;
    QTest::newRow("119 + 1: one step in") << QList<int>{119, 1} << 1;
    QTest::newRow("-120: one step out") << QList<int>{-120} << -1;
    QTest::newRow("-60 - 60: one step out") << QList<int>{-60, -60} << -1;
    QTest::newRow("-480: one step out") << QList<int>{-480} << -1;
    QTest::newRow("60 - 60: nothing") << QList<int>{60, -60} << 0;
    QTest::newRow("90 + 90 resets to zero") << QList<int>{90, 90, 60, -60} << 1;
    QTest::newRow("two steps") << QList<int>{100, 100, 30, 30, 30, 30} << 2;
}

void tst_Visualization::wheelAccumulates()
{
    QFETCH(QList<int>, deltas);
    QFETCH(int, zoomChange);

    Visualization v;
    showWidget(v);
    for (int delta : deltas)
        wheel(&v, QPoint(300, 200), delta);
    QCOMPARE(v.getRenderer()->getZoom(), 16 + zoomChange);
}

void tst_Visualization::wheelAccumulatorIsShared()
{
    Visualization first;
    Visualization second;
    showWidget(first);
    showWidget(second);
    wheel(&first, QPoint(300, 200), 60);
    wheel(&second, QPoint(300, 200), 60);
    QCOMPARE(first.getRenderer()->getZoom(), 16);
    QCOMPARE(second.getRenderer()->getZoom(), 17);
}

void tst_Visualization::wheelZoomKeepsPointUnderCursor_data()
{
    QTest::addColumn<QPoint>("cursor");
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("zoom");

    QTest::newRow("in at the centre") << QPoint(299, 199) << 120 << 17;
    QTest::newRow("in at the top-left") << QPoint(20, 30) << 120 << 17;
    QTest::newRow("out at the bottom-right") << QPoint(580, 390) << -120 << 15;
    QTest::newRow("out at the left edge") << QPoint(0, 200) << -120 << 15;
}

void tst_Visualization::wheelZoomKeepsPointUnderCursor()
{
    QFETCH(QPoint, cursor);
    QFETCH(int, delta);
    QFETCH(int, zoom);

    Visualization v;
    showWidget(v);
    Renderer* renderer = v.getRenderer();
    const GeoPoint underCursor = renderer->pixelToGeo(cursor);
    wheel(&v, cursor, delta);
    QCOMPARE(renderer->getZoom(), zoom);
    // The zoom pivots on the pixel (width - 1) / 2, and the layout places tiles on whole
    // pixels: the point may end up to two pixels from the cursor, never more.
    const QPointF back = renderer->geoToPixelF(underCursor);
    QVERIFY2(std::abs(back.x() - cursor.x()) <= 2.5 && std::abs(back.y() - cursor.y()) <= 2.5,
             qPrintable(QString("%1, %2").arg(back.x()).arg(back.y())));
}

void tst_Visualization::resizeSetsUpView()
{
    Visualization v;
    QSignalSpy tiles(v.getRenderer(), SIGNAL(getTiles(std::vector<QPoint>,int)));
    showWidget(v, QSize(600, 400));
    QVERIFY(tiles.size() >= 1);
    QCOMPARE(int(tiles.last().at(0).value<std::vector<QPoint>>().size()), 6);
    QCOMPARE(v.getRenderer()->getTileRange(), QRect(QPoint(35790, 22450), QPoint(35792, 22451)));

    v.resize(1000, 400);
    QTRY_COMPARE(v.getRenderer()->getTileRange(), QRect(QPoint(35789, 22450), QPoint(35793, 22451)));
    QCOMPARE(v.getRenderer()->pixelToGeo(QPoint(500, 200)).lon, 16.6075);
}

void tst_Visualization::tilesDrawnWhereTheyBelong()
{
    server.setHandler(tileResponse);
    Visualization v;
    showWidget(v);
    QTRY_COMPARE_WITH_TIMEOUT(v.getRenderer()->cachedTileCount(16), 6, 10000);
    const QImage image = v.grab().toImage();

    // Tile (35790, 22450) has its top-left corner at (-34, -60); its neighbours follow every 256 pixels.
    const struct { QPoint pixel; QPoint tile; } probes[] = {
        {QPoint(0, 0), QPoint(35790, 22450)},
        {QPoint(221, 30), QPoint(35790, 22450)},
        {QPoint(222, 30), QPoint(35791, 22450)},
        {QPoint(450, 195), QPoint(35791, 22450)},
        {QPoint(450, 196), QPoint(35791, 22451)},
        {QPoint(477, 360), QPoint(35791, 22451)},
        {QPoint(478, 360), QPoint(35792, 22451)},
        // The bottom right corner holds the map's credit.
        {QPoint(599, 370), QPoint(35792, 22451)},
        {QPoint(100, 350), QPoint(35790, 22451)},
        {QPoint(599, 0), QPoint(35792, 22450)},
    };
    for (const auto& probe : probes) {
        const QColor c = image.pixelColor(probe.pixel);
        QVERIFY2(c == tileColour(probe.tile.x(), probe.tile.y()),
                 qPrintable(QString("pixel %1,%2 is %3").arg(probe.pixel.x()).arg(probe.pixel.y()).arg(describe(c))));
    }
}

void tst_Visualization::loadingPlaceholder()
{
    Visualization v;
    showWidget(v);
    // No tile ever arrives (the server answers 404): every tile shows the placeholder.
    const QImage image = v.grab().toImage();

    // Tile (35790, 22451) covers x -34..221, y 196..451; its centre (94, 324) is clear of the selection.
    QCOMPARE(image.pixelColor(2, 390), QColor(Qt::lightGray));
    QCOMPARE(image.pixelColor(150, 250), QColor(Qt::lightGray));
    int text = 0;
    for (int y = 314; y <= 334; ++y) {
        for (int x = 54; x <= 134; ++x) {
            const QColor c = image.pixelColor(x, y);
            QVERIFY2(c.red() == c.green() && c.green() == c.blue(), qPrintable(describe(c)));
            if (c.red() < 170)
                ++text;
        }
    }
    QVERIFY2(text > 20, qPrintable(QString::number(text)));
    // Nothing is drawn far from the text.
    for (int x = 0; x < 200; x += 7)
        QCOMPARE(image.pixelColor(x, 380), QColor(Qt::lightGray));
}

void tst_Visualization::outOfWorldTiles()
{
    server.setHandler(tileResponse);
    Visualization v;
    showWidget(v, QSize(1400, 500));
    for (int i = 0; i < 14; ++i)
        v.getRenderer()->zoomOut();
    QCOMPARE(v.getRenderer()->getZoom(), 2);
    const QRect range = v.getRenderer()->getTileRange();
    QCOMPARE(range.left(), -1);
    QCOMPARE(range.right(), 4);
    const int inWorld = 4 * (qMin(3, range.bottom()) - qMax(0, range.top()) + 1);
    QTRY_COMPARE_WITH_TIMEOUT(v.getRenderer()->cachedTileCount(2), inWorld, 10000);
    const QImage image = v.grab().toImage();

    // Column -1 ends where column 0 begins; left of it and right of column 3 lies no world.
    const QPoint offset = v.getRenderer()->getOriginOffset();
    const int columnZero = offset.x() + 256;
    QVERIFY(columnZero > 1);
    const int y = 480;
    const int row = range.top() + (y - offset.y()) / 256;
    QCOMPARE(image.pixelColor(0, y), landColour);
    QCOMPARE(image.pixelColor(columnZero - 1, y), landColour);
    QCOMPARE(image.pixelColor(columnZero, y), tileColour(0, row));
    QCOMPARE(image.pixelColor(columnZero + 4 * 256 - 1, y), tileColour(3, row));
    QCOMPARE(image.pixelColor(columnZero + 4 * 256, y), landColour);
    QCOMPARE(image.pixelColor(1399, y), landColour);
}

void tst_Visualization::selectionFillAndHandles()
{
    server.setHandler(tileResponse);
    Visualization v;
    showWidget(v);
    QTRY_COMPARE_WITH_TIMEOUT(v.getRenderer()->cachedTileCount(16), 6, 10000);
    const QImage image = v.grab().toImage();

    // Inside the selection the tile shows through a translucent blue.
    const QColor tile = tileColour(35791, 22450);
    const double alpha = 50 / 255.0;
    const QColor blended(qRound(tile.red() * (1 - alpha)), qRound(tile.green() * (1 - alpha) + 128 * alpha),
                         qRound(tile.blue() * (1 - alpha) + 255 * alpha));
    const QColor inside = image.pixelColor(300, 150);
    QVERIFY2(near(inside, blended), qPrintable(describe(inside) + " expected " + describe(blended)));
    // Outside it the tile is untouched.
    QCOMPARE(image.pixelColor(450, 30), tile);

    // A black outline runs along the selection's edges.
    const QPoint q1 = cornerPixel(v, 1);
    const QPoint q4 = cornerPixel(v, 4);
    const int midX = (q1.x() + q4.x()) / 2;
    const int midY = (q1.y() + q4.y()) / 2;
    bool top = false;
    bool left = false;
    for (int d = -1; d <= 1; ++d) {
        top = top || image.pixelColor(midX, q1.y() + d) == QColor(Qt::black);
        left = left || image.pixelColor(q1.x() + d, midY) == QColor(Qt::black);
    }
    QVERIFY(top);
    QVERIFY(left);

    // Each corner carries a white handle with a black outline: the 10 by 10 rectangle from
    // q - 5 to q + 4, stroked with the one-pixel pen, covers the pixels q - 5 to q + 5.
    for (int corner = 1; corner <= 4; ++corner) {
        const QPoint q = cornerPixel(v, corner);
        const QString where = QString("corner %1 at %2,%3").arg(corner).arg(q.x()).arg(q.y());
        for (int y = q.y() - 4; y <= q.y() + 4; ++y)
            for (int x = q.x() - 4; x <= q.x() + 4; ++x)
                QVERIFY2(image.pixelColor(x, y) == QColor(Qt::white), qPrintable(where));
        for (int d = -5; d <= 5; ++d) {
            QVERIFY2(image.pixelColor(q.x() - 5, q.y() + d) == QColor(Qt::black), qPrintable(where));
            QVERIFY2(image.pixelColor(q.x() + d, q.y() - 5) == QColor(Qt::black), qPrintable(where));
            QVERIFY2(image.pixelColor(q.x() + 5, q.y() + d) == QColor(Qt::black), qPrintable(where));
            QVERIFY2(image.pixelColor(q.x() + d, q.y() + 5) == QColor(Qt::black), qPrintable(where));
        }
        // Diagonally outside the handle neither the handle nor the selection's outline is drawn.
        for (const QPoint& outside : {QPoint(-6, -6), QPoint(6, -6), QPoint(-6, 6), QPoint(6, 6)}) {
            const QColor c = image.pixelColor(q + outside);
            QVERIFY2(c != QColor(Qt::black) && c != QColor(Qt::white), qPrintable(where));
        }
    }
}

void tst_Visualization::backgroundAndDirtyRectangle()
{
    Visualization v;
    showWidget(v);
    Renderer* renderer = v.getRenderer();
    QImage image(600, 400, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    renderer->setupPainter(&painter);
    QCOMPARE(painter.pen().color(), QColor(Qt::black));
    QCOMPARE(painter.pen().capStyle(), Qt::FlatCap);
    QCOMPARE(painter.pen().joinStyle(), Qt::RoundJoin);
    QCOMPARE(painter.brush().color(), QColor(Qt::white));
    QCOMPARE(painter.font().pixelSize(), 12);
    QVERIFY(painter.testRenderHint(QPainter::Antialiasing));

    // The background fills exactly the dirty rectangle; only tiles meeting it are drawn.
    const QRect dirty(10, 20, 30, 40);
    renderer->paintBackground(&painter, dirty);
    renderer->paintTiles(&painter, dirty);
    painter.end();
    QCOMPARE(image.pixelColor(9, 30), QColor(Qt::lightGray));
    QCOMPARE(image.pixelColor(300, 300), QColor(Qt::white));
    QCOMPARE(image.pixelColor(450, 30), QColor(Qt::white));

    QImage background(100, 100, QImage::Format_RGB32);
    background.fill(Qt::white);
    QPainter p2(&background);
    renderer->paintBackground(&p2, QRect(10, 20, 30, 40));
    p2.end();
    QCOMPARE(background.pixelColor(10, 20), landColour);
    QCOMPARE(background.pixelColor(39, 59), landColour);
    QCOMPARE(background.pixelColor(40, 59), QColor(Qt::white));
    QCOMPARE(background.pixelColor(39, 60), QColor(Qt::white));
    QCOMPARE(background.pixelColor(9, 20), QColor(Qt::white));
}

QTEST_MAIN(tst_Visualization)
#include "tst_Visualization.moc"
