#include "mapview/Renderer.h"

#include "mapview/WebMercator.h"
#include "tests/support/FakeHttpServer.h"
#include "tests/support/TestWorkDir.h"
#include "tests/support/TileImages.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>
#include <cmath>
#include <memory>

namespace {

std::vector<QPoint> tilesOf(const QSignalSpy& spy, int index)
{
    return spy.at(index).at(0).value<std::vector<QPoint>>();
}

// Hands a tile to the renderer the way the downloader's queued signal does.
void deliver(Renderer& renderer, const QPoint& tile, int zoom)
{
    QPixmap* pixmap = new QPixmap(1, 1);
    pixmap->fill(Qt::red);
    QVERIFY(QMetaObject::invokeMethod(&renderer, "tileReceived", Qt::DirectConnection,
                                      Q_ARG(QPoint, tile), Q_ARG(int, zoom), Q_ARG(QPixmap*, pixmap)));
}

} // namespace

class tst_Renderer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    // Tile mathematics
    void latLonToTile_data();
    void latLonToTile();
    void tileToGeoInvertsLatLonToTile_data();
    void tileToGeoInvertsLatLonToTile();

    // Layout of the view
    void defaultView();
    void emptyViewComputesNothing();
    void layoutCoversView_data();
    void layoutCoversView();
    void pixelGeoRoundTrip_data();
    void pixelGeoRoundTrip();
    void outOfWorldTilesNotRequested();

    // Panning and zooming
    void panMovesCentre();
    void panClamps_data();
    void panClamps();
    void zoomLimits_data();
    void zoomLimits();

    // Tile cache
    void tileReceivedIsCachedAndConfirmed();
    void cachedTilesNotRequestedAgain();
    void purgeAtFullCache_data();
    void purgeAtFullCache();
    void tilesArriveFromDownloader();

private:
    FakeHttpServer server;
    std::unique_ptr<TestWorkDir> workDir;
};

void tst_Renderer::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(server.listen());
    server.useAsApplicationProxy();
}

void tst_Renderer::init()
{
    QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).removeRecursively();
    workDir.reset(new TestWorkDir);
    QVERIFY(workDir->isValid());
    // No tile arrives unless a test says so.
    server.setHandler([](const FakeHttpServer::Request&) { return FakeHttpServer::Response::error(404); });
    server.clearRequests();
}

void tst_Renderer::cleanup()
{
    // Requests of the renderer just destroyed may still be on their way to the server; they
    // have arrived once its connections are closed.
    QTRY_COMPARE(server.openConnections(), 0);
    workDir.reset();
    QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).removeRecursively();
}

void tst_Renderer::latLonToTile_data()
{
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("lon");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<int>("tileX");
    QTest::addColumn<int>("tileY");

    QTest::newRow("Brno centre z16") << 49.1996 << 16.6075 << 16 << 35791 << 22451;
    QTest::newRow("Brno z13") << 49.2 << 16.6 << 13 << 4473 << 2806;
    QTest::newRow("London z10") << 51.5074 << -0.1278 << 10 << 511 << 340;
    QTest::newRow("Sydney z12") << -33.8688 << 151.2093 << 12 << 3768 << 2457;
    QTest::newRow("New York z15") << 40.7128 << -74.0060 << 15 << 9647 << 12320;
    QTest::newRow("selection corner z19") << 49.2014 << 16.6048 << 19 << 286326 << 179604;
    QTest::newRow("origin z0") << 0.0 << 0.0 << 0 << 0 << 0;
    QTest::newRow("origin z1") << 0.0 << 0.0 << 1 << 1 << 1;
    QTest::newRow("just north-east of origin z1") << 0.0001 << 0.0001 << 1 << 1 << 0;
    QTest::newRow("north-west world corner z2") << 85.0511 << -180.0 << 2 << 0 << 0;
    QTest::newRow("south-east world corner z2") << -85.0511 << 179.9999 << 2 << 3 << 3;
}

void tst_Renderer::latLonToTile()
{
    QFETCH(double, lat);
    QFETCH(double, lon);
    QFETCH(int, zoom);
    QFETCH(int, tileX);
    QFETCH(int, tileY);

    const QPointF t = WebMercator::latLonToTile(lat, lon, zoom);
    QCOMPARE(int(std::floor(t.x())), tileX);
    QCOMPARE(int(std::floor(t.y())), tileY);
}

void tst_Renderer::tileToGeoInvertsLatLonToTile_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("lon");

    QTest::newRow("world centre") << 0.5 << 0.5 << 0 << 0.0 << 0.0;
    QTest::newRow("top-left of the world") << 0.0 << 0.0 << 3 << 85.0511287798066 << -180.0;
    QTest::newRow("bottom-right of the world") << 8.0 << 8.0 << 3 << -85.0511287798066 << 180.0;
    QTest::newRow("Brno centre z16") << 35791.30311111111 << 22451.014905860135 << 16 << 49.1996 << 16.6075;
}

void tst_Renderer::tileToGeoInvertsLatLonToTile()
{
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(int, zoom);
    QFETCH(double, lat);
    QFETCH(double, lon);

    const GeoPoint g = WebMercator::tileToGeo(x, y, zoom);
    QVERIFY2(std::abs(g.lat - lat) < 1e-9, qPrintable(QString::number(g.lat, 'f', 12)));
    QVERIFY2(std::abs(g.lon - lon) < 1e-9, qPrintable(QString::number(g.lon, 'f', 12)));
    QCOMPARE(WebMercator::tileXToLon(x, zoom), g.lon);
    QCOMPARE(WebMercator::tileYToLat(y, zoom), g.lat);
    const QPointF back = WebMercator::latLonToTile(g.lat, g.lon, zoom);
    QVERIFY(std::abs(back.x() - x) < 1e-6);
    QVERIFY(std::abs(back.y() - y) < 1e-6);
}

void tst_Renderer::defaultView()
{
    Renderer renderer;
    QSignalSpy tiles(&renderer, SIGNAL(getTiles(std::vector<QPoint>,int)));
    QSignalSpy updated(&renderer, SIGNAL(updated(QRect)));
    QCOMPARE(renderer.getZoom(), 16);
    QCOMPARE(renderer.getTileRange(), QRect());

    renderer.updateView();

    const QPointF c = WebMercator::latLonToTile(49.1996, 16.6075, 16);
    QVERIFY(std::abs(c.x() - 35791.303) < 0.001);
    QVERIFY(std::abs(c.y() - 22451.015) < 0.001);
    QCOMPARE(renderer.getTileRange(), QRect(QPoint(35790, 22450), QPoint(35792, 22451)));
    QCOMPARE(renderer.getOriginOffset(), QPoint(-34, -60));

    QCOMPARE(tiles.size(), 1);
    QCOMPARE(tilesOf(tiles, 0), std::vector<QPoint>({QPoint(35790, 22450), QPoint(35790, 22451),
                                                     QPoint(35791, 22450), QPoint(35791, 22451),
                                                     QPoint(35792, 22450), QPoint(35792, 22451)}));
    QCOMPARE(tiles.at(0).at(1).toInt(), 16);
    QCOMPARE(updated.size(), 1);
    QCOMPARE(updated.at(0).at(0).toRect(), QRect(0, 0, 600, 400));

    // Pixels of the centre and of the default selection's corners.
    QCOMPARE(renderer.geoToPixel(GeoPoint(49.1996, 16.6075)), QPoint(299, 199));
    const QPointF centre = renderer.geoToPixelF(GeoPoint(49.1996, 16.6075));
    QVERIFY(std::abs(centre.x() - 299.6) < 0.1);
    QVERIFY(std::abs(centre.y() - 199.8) < 0.1);
    const GeoPoint g = renderer.pixelToGeo(QPoint(300, 200));
    QVERIFY(std::abs(g.lat - 49.1996) < 1e-9);
    QVERIFY(std::abs(g.lon - 16.6075) < 1e-9);
}

void tst_Renderer::emptyViewComputesNothing()
{
    Renderer renderer;
    QSignalSpy tiles(&renderer, SIGNAL(getTiles(std::vector<QPoint>,int)));
    QSignalSpy updated(&renderer, SIGNAL(updated(QRect)));
    renderer.setViewWidth(0);
    renderer.updateView();
    renderer.setViewWidth(100);
    renderer.setViewHeight(-1);
    renderer.updateView();
    QCOMPARE(tiles.size(), 0);
    QCOMPARE(updated.size(), 0);
    QCOMPARE(renderer.getTileRange(), QRect());
}

void tst_Renderer::layoutCoversView_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("zoomSteps");

    QTest::newRow("1 x 1") << 1 << 1 << 0;
    QTest::newRow("256 x 256") << 256 << 256 << 0;
    QTest::newRow("wide 1920 x 300") << 1920 << 300 << 0;
    QTest::newRow("tall 300 x 1200 at zoom 19") << 300 << 1200 << 3;
    QTest::newRow("odd 777 x 555 at zoom 9") << 777 << 555 << -7;
}

void tst_Renderer::layoutCoversView()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, zoomSteps);

    Renderer renderer;
    renderer.setViewWidth(width);
    renderer.setViewHeight(height);
    for (int i = 0; i < zoomSteps; ++i)
        renderer.zoomIn();
    for (int i = 0; i > zoomSteps; --i)
        renderer.zoomOut();
    QSignalSpy tiles(&renderer, SIGNAL(getTiles(std::vector<QPoint>,int)));
    renderer.updateView();

    const QRect range = renderer.getTileRange();
    const QPoint offset = renderer.getOriginOffset();
    QVERIFY(offset.x() > -256 && offset.x() <= 0);
    QVERIFY(offset.y() > -256 && offset.y() <= 0);
    // The tiles reach past the right and bottom edges, but not by a whole tile.
    const int right = offset.x() + 256 * range.width();
    const int bottom = offset.y() + 256 * range.height();
    QVERIFY(right >= width && right - 256 < width);
    QVERIFY(bottom >= height && bottom - 256 < height);

    // The centre tile contains the centre of the view.
    const QPointF c = WebMercator::latLonToTile(49.1996, 16.6075, renderer.getZoom());
    const QPoint centreTileCorner = renderer.geoToPixel(WebMercator::tileToGeo(std::floor(c.x()), std::floor(c.y()), renderer.getZoom()));
    QVERIFY(centreTileCorner.x() <= width / 2 && centreTileCorner.x() + 256 > width / 2);
    QVERIFY(centreTileCorner.y() <= height / 2 && centreTileCorner.y() + 256 > height / 2);

    QCOMPARE(tiles.size(), 1);
    QCOMPARE(int(tilesOf(tiles, 0).size()), range.width() * range.height());
}

void tst_Renderer::pixelGeoRoundTrip_data()
{
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<int>("zoomSteps");

    const QList<QPoint> pixels = {QPoint(0, 0), QPoint(300, 200), QPoint(599, 399), QPoint(123, 45), QPoint(-50, 450)};
    for (int steps : {0, 3, -10}) {
        for (const QPoint& p : pixels)
            QTest::addRow("(%d, %d) at zoom %d", p.x(), p.y(), 16 + steps) << p << steps;
    }
}

void tst_Renderer::pixelGeoRoundTrip()
{
    QFETCH(QPoint, pixel);
    QFETCH(int, zoomSteps);

    Renderer renderer;
    for (int i = 0; i < zoomSteps; ++i)
        renderer.zoomIn();
    for (int i = 0; i > zoomSteps; --i)
        renderer.zoomOut();
    renderer.updateView();

    const GeoPoint g = renderer.pixelToGeo(pixel);
    const QPointF f = renderer.geoToPixelF(g);
    const QPoint p = renderer.geoToPixel(g);
    // The layout places the centre tile on whole pixels, so the way back may be off by less than one.
    QVERIFY2(std::abs(f.x() - pixel.x()) < 1.0 && std::abs(f.y() - pixel.y()) < 1.0,
             qPrintable(QString("%1, %2").arg(f.x()).arg(f.y())));
    QVERIFY(std::abs(p.x() - pixel.x()) <= 1 && std::abs(p.y() - pixel.y()) <= 1);
    // The integer pixel drops the fraction within the tile: it is the floor of the exact one.
    QCOMPARE(p, QPoint(int(std::floor(f.x())), int(std::floor(f.y()))));
}

void tst_Renderer::outOfWorldTilesNotRequested()
{
    Renderer renderer;
    renderer.setViewWidth(1600);
    renderer.setViewHeight(1200);
    for (int i = 0; i < 14; ++i)
        renderer.zoomOut();
    QCOMPARE(renderer.getZoom(), 2);
    QSignalSpy tiles(&renderer, SIGNAL(getTiles(std::vector<QPoint>,int)));
    renderer.updateView();

    const QRect range = renderer.getTileRange();
    QVERIFY(range.left() < 0);
    QVERIFY(range.right() > 3);
    std::vector<QPoint> expected;
    for (int x = qMax(0, range.left()); x <= qMin(3, range.right()); ++x)
        for (int y = qMax(0, range.top()); y <= qMin(3, range.bottom()); ++y)
            expected.push_back(QPoint(x, y));
    QCOMPARE(tilesOf(tiles, 0), expected);
    QCOMPARE(tiles.at(0).at(1).toInt(), 2);
}

void tst_Renderer::panMovesCentre()
{
    Renderer renderer;
    renderer.updateView();
    QSignalSpy tiles(&renderer, SIGNAL(getTiles(std::vector<QPoint>,int)));
    QSignalSpy updated(&renderer, SIGNAL(updated(QRect)));

    // Dragging the map right by one tile shows what lay one tile to the west.
    renderer.pan(QPoint(256, -128));
    const QPointF before = WebMercator::latLonToTile(49.1996, 16.6075, 16);
    const QPointF after = WebMercator::latLonToTile(renderer.getCenter().lat, renderer.getCenter().lon, 16);
    QVERIFY(std::abs(after.x() - (before.x() - 1.0)) < 1e-6);
    QVERIFY(std::abs(after.y() - (before.y() + 0.5)) < 1e-6);
    QCOMPARE(renderer.getTileRange(), QRect(QPoint(35789, 22450), QPoint(35791, 22452)));
    QCOMPARE(tiles.size(), 1);
    QCOMPARE(updated.size(), 1);
    QCOMPARE(updated.at(0).at(0).toRect(), QRect(0, 0, 600, 400));
}

void tst_Renderer::panClamps_data()
{
    QTest::addColumn<QPoint>("delta");
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("lon");

    QTest::newRow("past 180 east") << QPoint(-5000, 0) << 49.1996 << 180.0;
    QTest::newRow("past 180 west") << QPoint(5000, 0) << 49.1996 << -180.0;
    QTest::newRow("past the north limit") << QPoint(0, 5000) << 85.0511 << 16.6075;
    QTest::newRow("past the south limit") << QPoint(0, -5000) << -85.0511 << 16.6075;
    QTest::newRow("both at once") << QPoint(-5000, -5000) << -85.0511 << 180.0;
}

void tst_Renderer::panClamps()
{
    QFETCH(QPoint, delta);
    QFETCH(double, lat);
    QFETCH(double, lon);

    Renderer renderer;
    for (int i = 0; i < 14; ++i)
        renderer.zoomOut();
    renderer.pan(delta);
    QVERIFY2(std::abs(renderer.getCenter().lat - lat) < 1e-9, qPrintable(QString::number(renderer.getCenter().lat, 'f', 10)));
    QVERIFY2(std::abs(renderer.getCenter().lon - lon) < 1e-9, qPrintable(QString::number(renderer.getCenter().lon, 'f', 10)));
    // Clamped values are stored exactly.
    if (std::abs(lat) == 85.0511)
        QCOMPARE(renderer.getCenter().lat, lat);
    if (std::abs(lon) == 180.0)
        QCOMPARE(renderer.getCenter().lon, lon);
}

void tst_Renderer::zoomLimits_data()
{
    QTest::addColumn<bool>("in");
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("limit");

    QTest::newRow("zoom in stops at 19") << true << 3 << 19;
    QTest::newRow("zoom out stops at 2") << false << 14 << 2;
}

void tst_Renderer::zoomLimits()
{
    QFETCH(bool, in);
    QFETCH(int, steps);
    QFETCH(int, limit);

    Renderer renderer;
    renderer.updateView();
    QSignalSpy tiles(&renderer, SIGNAL(getTiles(std::vector<QPoint>,int)));
    QSignalSpy updated(&renderer, SIGNAL(updated(QRect)));
    for (int i = 0; i < steps; ++i)
        in ? renderer.zoomIn() : renderer.zoomOut();
    QCOMPARE(renderer.getZoom(), limit);
    QCOMPARE(tiles.size(), steps);
    QCOMPARE(tiles.last().at(1).toInt(), limit);
    QCOMPARE(updated.size(), steps);

    const QRect range = renderer.getTileRange();
    in ? renderer.zoomIn() : renderer.zoomOut();
    QCOMPARE(renderer.getZoom(), limit);
    QCOMPARE(tiles.size(), steps);
    QCOMPARE(updated.size(), steps);
    QCOMPARE(renderer.getTileRange(), range);
    // The centre stays put while zooming.
    QVERIFY(std::abs(renderer.getCenter().lat - 49.1996) < 1e-12);
    QVERIFY(std::abs(renderer.getCenter().lon - 16.6075) < 1e-12);
}

void tst_Renderer::tileReceivedIsCachedAndConfirmed()
{
    Renderer renderer;
    renderer.updateView();
    QSignalSpy updated(&renderer, SIGNAL(updated(QRect)));
    QSignalSpy confirmed(&renderer, SIGNAL(tileConfirmation(QPoint,int)));

    deliver(renderer, QPoint(35791, 22451), 16);
    QVERIFY(renderer.hasCachedTile(QPoint(35791, 22451), 16));
    QCOMPARE(updated.size(), 1);
    QCOMPARE(updated.at(0).at(0).toRect(), QRect(256 - 34, 256 - 60, 256, 256));
    QCOMPARE(confirmed.size(), 1);
    QCOMPARE(confirmed.at(0).at(0).toPoint(), QPoint(35791, 22451));
    QCOMPARE(confirmed.at(0).at(1).toInt(), 16);

    // A tile of another level is kept in its own level and confirmed with its own zoom;
    // the repainted area still follows the current layout.
    deliver(renderer, QPoint(17895, 11225), 15);
    QVERIFY(renderer.hasCachedTile(QPoint(17895, 11225), 15));
    QVERIFY(!renderer.hasCachedTile(QPoint(17895, 11225), 16));
    QCOMPARE(renderer.cachedTileCount(15), 1);
    QCOMPARE(renderer.cachedTileCount(16), 1);
    QCOMPARE(confirmed.at(1).at(0).toPoint(), QPoint(17895, 11225));
    QCOMPARE(confirmed.at(1).at(1).toInt(), 15);
    QCOMPARE(updated.at(1).at(0).toRect(), QRect((17895 - 35790) * 256 - 34, (11225 - 22450) * 256 - 60, 256, 256));

    // The same tile again replaces the first copy.
    deliver(renderer, QPoint(35791, 22451), 16);
    QCOMPARE(renderer.cachedTileCount(16), 1);
    QCOMPARE(confirmed.size(), 3);
}

void tst_Renderer::cachedTilesNotRequestedAgain()
{
    Renderer renderer;
    renderer.updateView();
    deliver(renderer, QPoint(35790, 22450), 16);
    deliver(renderer, QPoint(35792, 22451), 16);
    deliver(renderer, QPoint(35791, 22450), 15);

    QSignalSpy tiles(&renderer, SIGNAL(getTiles(std::vector<QPoint>,int)));
    renderer.updateView();
    QCOMPARE(tilesOf(tiles, 0), std::vector<QPoint>({QPoint(35790, 22451), QPoint(35791, 22450),
                                                     QPoint(35791, 22451), QPoint(35792, 22450)}));

    // With everything cached the (empty) list is still sent.
    for (const QPoint& p : tilesOf(tiles, 0))
        deliver(renderer, p, 16);
    renderer.updateView();
    QCOMPARE(tiles.size(), 2);
    QVERIFY(tilesOf(tiles, 1).empty());
    QCOMPARE(tiles.at(1).at(1).toInt(), 16);
}

void tst_Renderer::purgeAtFullCache_data()
{
    QTest::addColumn<QPoint>("tile");
    QTest::addColumn<bool>("kept");

    // The default view covers columns 35790..35792 and rows 22450..22451.
    QTest::newRow("inside the view") << QPoint(35791, 22450) << true;
    QTest::newRow("two columns left, two rows up") << QPoint(35788, 22448) << true;
    QTest::newRow("two columns right, two rows down") << QPoint(35794, 22453) << true;
    QTest::newRow("three columns left") << QPoint(35787, 22450) << false;
    QTest::newRow("three columns right") << QPoint(35795, 22451) << false;
    QTest::newRow("three rows up") << QPoint(35790, 22447) << false;
    QTest::newRow("three rows down") << QPoint(35792, 22454) << false;
    QTest::newRow("far away") << QPoint(100, 100) << false;
}

void tst_Renderer::purgeAtFullCache()
{
    QFETCH(QPoint, tile);
    QFETCH(bool, kept);

    Renderer renderer;
    renderer.updateView();
    deliver(renderer, tile, 16);
    // 510 more tiles spread over other levels: 511 in all, one below the limit.
    for (int i = 0; i < 510; ++i)
        deliver(renderer, QPoint(i, 7), 3 + i % 10);
    QCOMPARE(renderer.cachedTileCount(16), 1);
    int total = 0;
    for (int level = 0; level < 20; ++level)
        total += renderer.cachedTileCount(level);
    QCOMPARE(total, 511);

    // The 512th tile triggers the purge: other levels are emptied, the current one is trimmed.
    QSignalSpy confirmed(&renderer, SIGNAL(tileConfirmation(QPoint,int)));
    deliver(renderer, QPoint(35790, 22451), 16);
    QCOMPARE(confirmed.size(), 1);
    for (int level = 0; level < 20; ++level) {
        if (level != 16)
            QCOMPARE(renderer.cachedTileCount(level), 0);
    }
    QVERIFY(renderer.hasCachedTile(QPoint(35790, 22451), 16));
    QCOMPARE(renderer.hasCachedTile(tile, 16), kept);
    QCOMPARE(renderer.cachedTileCount(16), kept ? 2 : 1);
}

void tst_Renderer::tilesArriveFromDownloader()
{
    server.setHandler([](const FakeHttpServer::Request&) {
        return FakeHttpServer::Response::ok(TileImages::pngTile(Qt::magenta), "image/png");
    });
    Renderer renderer;
    QSignalSpy updated(&renderer, SIGNAL(updated(QRect)));
    QSignalSpy confirmed(&renderer, SIGNAL(tileConfirmation(QPoint,int)));
    renderer.updateView();

    QTRY_COMPARE_WITH_TIMEOUT(renderer.cachedTileCount(16), 6, 10000);
    QTRY_COMPARE(confirmed.size(), 6);
    QCOMPARE(updated.size(), 7);
    const QStringList urls = server.requestedUrls();
    for (int x = 35790; x <= 35792; ++x) {
        for (int y = 22450; y <= 22451; ++y) {
            QVERIFY(renderer.hasCachedTile(QPoint(x, y), 16));
            QVERIFY(urls.contains(QString("http://a.tile.openstreetmap.org/16/%1/%2.png").arg(x).arg(y))
                    || urls.contains(QString("http://b.tile.openstreetmap.org/16/%1/%2.png").arg(x).arg(y))
                    || urls.contains(QString("http://c.tile.openstreetmap.org/16/%1/%2.png").arg(x).arg(y)));
        }
    }
    // Every tile went into the file cache too.
    QCOMPARE(QDir("data/map_tiles").entryList(QDir::Files).size(), 6);
    QVERIFY(QFile::exists("data/map_tiles/16-35790-22450.png"));
}

QTEST_MAIN(tst_Renderer)
#include "tst_Renderer.moc"
