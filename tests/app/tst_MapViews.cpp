#include "app/MainWindow.h"
#include "extraction/NetworkFileCheck.h"
#include "mapview/MapCredit.h"
#include "mapview/MapLegend.h"
#include "mapview/PlaceSearch.h"
#include "mapview/PieceLayer.h"
#include "mapview/ProblemLayer.h"
#include "mapview/ProblemList.h"
#include "mapview/Renderer.h"
#include "mapview/RoadStyle.h"
#include "mapview/Visualization.h"
#include "network/Finding.h"
#include "network/RoadClass.h"
#include "tests/support/FakeHttpServer.h"
#include "tests/support/TestWorkDir.h"
#include "tests/support/TileImages.h"

#include <QAction>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QHelpEvent>
#include <QLabel>
#include <QPainter>
#include <QSettings>
#include <QStatusBar>
#include <QToolTip>
#include <QTreeWidget>
#include <QtTest>

// The map's views as a person sees them, checked pixel by pixel in the main window: piece
// files coloured by age over exactly their cells, the ways of a network file in the colour
// of their class where they lie, the problems of the network as rings of their kind's colour
// at their positions with their count and tooltips, and listed under the map in the report's
// order, each taking the map to it; the map painted as before with the views off, and the
// OpenStreetMap credit in the corner, clear of the legends, with its link.
class tst_MapViews : public QObject
{
    Q_OBJECT
public Q_SLOTS:
    // Stands in for the browser.
    void openUrl(const QUrl& url) { openedUrls << url; }

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void pieceColoursItsCell_data();
    void pieceColoursItsCell();
    void networkDrawsEachClassWhereItLies();
    void problemsRingWhereTheyLie();
    void problemListLeadsToEachFinding();
    void viewsOffPaintAsBefore();
    void creditInCornerClearOfLegends_data();
    void creditInCornerClearOfLegends();
    void creditOpensCopyright();

private:
    // The map's own painting, without the panel over it, once the tiles and views are in.
    QImage settledMap();

    FakeHttpServer* server = nullptr;
    TestWorkDir* work = nullptr;
    MainWindow* window = nullptr;
    Visualization* map = nullptr;
    QList<QUrl> openedUrls;
};

namespace {

const QColor tileColour(214, 222, 206);

QColor blend(const QColor& under, const QColor& over, int alpha)
{
    const auto mix = [alpha](int u, int o) { return (o * alpha + u * (255 - alpha) + 127) / 255; };
    return QColor(mix(under.red(), over.red()), mix(under.green(), over.green()), mix(under.blue(), over.blue()));
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

// The smallest rectangle around what is painted over the plain tiles near the bottom right
// corner of a map that shows nothing else there.
QRect paintedNearBottomRight(const QImage& image, const QColor& tile)
{
    QRect found;
    for (int y = image.height() - 40; y < image.height(); ++y)
        for (int x = image.width() - 300; x < image.width(); ++x)
            if (image.pixelColor(x, y) != tile)
                found |= QRect(x, y, 1, 1);
    return found;
}

// The piece east of the default selection, clear of it, of the panel and of the legends.
const QString eastPiece = "16.611-49.197-16.621-49.202";

// Horizontal ways above the default selection, one per row, from west to east.
struct TestWay
{
    const char* highway; // null: a tram track that is no road
    double lat;
};
const TestWay testWays[] = {
    {"motorway", 49.2017},     {"trunk", 49.20186},    {"primary", 49.20202},
    {"secondary", 49.20218},   {"tertiary", 49.20234}, {"unclassified", 49.2025},
    {"residential", 49.20266}, {"primary_link", 49.20282}, {nullptr, 49.20298},
};
const double wayWest = 16.600;
const double wayEast = 16.620;
const double signalLon = 16.614;
const GeoPoint busStop(49.2033, 16.607);
const GeoPoint tramStop(49.2033, 16.611);

QByteArray networkFile()
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<osm version=\"0.6\" generator=\"Pelagor\">\n";
    xml += QString(" <node id=\"1\" lat=\"%1\" lon=\"%2\">\n  <tag k=\"name\" v=\"Bus\"/>\n"
                   "  <tag k=\"highway\" v=\"bus_stop\"/>\n </node>\n")
               .arg(busStop.lat, 0, 'f', 7)
               .arg(busStop.lon, 0, 'f', 7)
               .toUtf8();
    xml += QString(" <node id=\"2\" lat=\"%1\" lon=\"%2\">\n  <tag k=\"name\" v=\"Tram\"/>\n"
                   "  <tag k=\"railway\" v=\"tram_stop\"/>\n </node>\n")
               .arg(tramStop.lat, 0, 'f', 7)
               .arg(tramStop.lon, 0, 'f', 7)
               .toUtf8();
    int id = 10;
    QByteArray ways;
    for (const TestWay& way : testWays) {
        const int first = id;
        for (double lon : {wayWest, signalLon, wayEast}) {
            const bool signal = lon == signalLon && id == 11;
            xml += QString(" <node id=\"%1\" lat=\"%2\" lon=\"%3\"%4")
                       .arg(id++)
                       .arg(way.lat, 0, 'f', 7)
                       .arg(lon, 0, 'f', 7)
                       .arg(signal ? ">\n  <tag k=\"highway\" v=\"traffic_signals\"/>\n </node>\n" : "/>\n")
                       .toUtf8();
        }
        ways += QString(" <way id=\"%1\">\n  <nd ref=\"%2\"/>\n  <nd ref=\"%3\"/>\n  <nd ref=\"%4\"/>\n")
                    .arg(first)
                    .arg(first)
                    .arg(first + 1)
                    .arg(first + 2)
                    .toUtf8();
        ways += way.highway ? QByteArray("  <tag k=\"highway\" v=\"") + way.highway + "\"/>\n"
                            : QByteArray("  <tag k=\"railway\" v=\"tram\"/>\n");
        ways += " </way>\n";
    }
    return xml + ways + "</osm>\n";
}

// Below the default selection: a road (ways 100, 101) whose oneway end at node 3 goes
// nowhere, a bus stop 89 m from its route, and way 200, joined to nothing, which reaches
// beyond the bounds of the file.
const GeoPoint deadEnd(49.1970, 16.6060);
const GeoPoint farStop(49.1962, 16.6015);
const GeoPoint island(49.1965, 16.6120);

QByteArray problemNetworkFile()
{
    const auto node = [](int id, const GeoPoint& at) {
        return QString(" <node id=\"%1\" lat=\"%2\" lon=\"%3\"/>\n")
            .arg(id)
            .arg(at.lat, 0, 'f', 7)
            .arg(at.lon, 0, 'f', 7);
    };
    QString xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<osm version=\"0.6\" generator=\"Pelagor\">\n"
                  " <bounds minlat=\"49.1950000\" minlon=\"16.5990000\" maxlat=\"49.1980000\" maxlon=\"16.6130000\"/>\n";
    xml += QString(" <node id=\"13\" lat=\"%1\" lon=\"%2\">\n  <tag k=\"name\" v=\"Far\"/>\n"
                   "  <tag k=\"highway\" v=\"bus_stop\"/>\n </node>\n")
               .arg(farStop.lat, 0, 'f', 7)
               .arg(farStop.lon, 0, 'f', 7);
    xml += node(1, GeoPoint(49.1970, 16.6000)) + node(2, GeoPoint(49.1970, 16.6030)) + node(3, deadEnd);
    xml += node(20, island) + node(21, GeoPoint(island.lat, island.lon + 0.002));
    xml += " <way id=\"100\">\n  <nd ref=\"1\"/>\n  <nd ref=\"2\"/>\n"
           "  <tag k=\"highway\" v=\"residential\"/>\n </way>\n"
           " <way id=\"101\">\n  <nd ref=\"2\"/>\n  <nd ref=\"3\"/>\n  <tag k=\"highway\" v=\"residential\"/>\n"
           "  <tag k=\"oneway\" v=\"yes\"/>\n </way>\n"
           " <way id=\"200\">\n  <nd ref=\"20\"/>\n  <nd ref=\"21\"/>\n"
           "  <tag k=\"highway\" v=\"residential\"/>\n </way>\n"
           " <relation id=\"900\">\n  <member type=\"way\" ref=\"100\" role=\"\"/>\n"
           "  <member type=\"way\" ref=\"101\" role=\"\"/>\n  <member type=\"node\" ref=\"13\" role=\"stop\"/>\n"
           "  <tag k=\"name\" v=\"Centre\"/>\n  <tag k=\"ref\" v=\"5\"/>\n  <tag k=\"route\" v=\"bus\"/>\n  <tag k=\"type\" v=\"route\"/>\n"
           " </relation>\n"
           "</osm>\n";
    return xml.toUtf8();
}

} // namespace

void tst_MapViews::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    server = new FakeHttpServer(this);
    QVERIFY(server->listen());
    server->useAsApplicationProxy();
    const QByteArray png = TileImages::pngTile(tileColour);
    server->setHandler([png](const FakeHttpServer::Request&) { return FakeHttpServer::Response::ok(png, "image/png"); });
}

void tst_MapViews::init()
{
    QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).removeRecursively();
    work = new TestWorkDir;
    QVERIFY(work->isValid());
    // Every window opens in the start state, wherever the one before was left.
    QSettings().clear();
    window = new MainWindow;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    map = window->findChild<Visualization*>("visualization");
    QVERIFY(map);
    QVERIFY(QDir().mkpath("data/download"));
    QVERIFY(QDir().mkpath("data/comp"));
}

void tst_MapViews::cleanup()
{
    delete window;
    window = nullptr;
    delete work;
    work = nullptr;
}

QImage tst_MapViews::settledMap()
{
    Renderer* renderer = map->getRenderer();
    const auto tilesIn = [renderer]() {
        const QRect range = renderer->getTileRange();
        for (int x = range.left(); x <= range.right(); ++x)
            for (int y = range.top(); y <= range.bottom(); ++y)
                if (!renderer->hasCachedTile(QPoint(x, y), renderer->getZoom()))
                    return false;
        return true;
    };
    QImage image;
    const auto paint = [&]() {
        image = QImage(map->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        map->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    };
    // The window's layout first: the list of problems under the map comes and goes with them.
    // The network comes from its thread once a paint has asked for the view.
    const auto settled = [&]() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        return tilesIn() && (paint(), map->areViewsReady());
    };
    [&]() { QTRY_VERIFY_WITH_TIMEOUT(settled(), 10000); }();
    paint();
    return image;
}

void tst_MapViews::pieceColoursItsCell_data()
{
    QTest::addColumn<int>("ageHours");
    QTest::addColumn<int>("age");
    QTest::newRow("an hour") << 1 << int(PieceCell::Fresh);
    QTest::newRow("just under 7 days") << 7 * 24 - 1 << int(PieceCell::Fresh);
    QTest::newRow("just over 7 days") << 7 * 24 + 1 << int(PieceCell::Recent);
    QTest::newRow("just under 90 days") << 90 * 24 - 1 << int(PieceCell::Recent);
    QTest::newRow("just over 90 days") << 90 * 24 + 1 << int(PieceCell::Old);
    QTest::newRow("three years") << 3 * 365 * 24 << int(PieceCell::Old);
}

void tst_MapViews::pieceColoursItsCell()
{
    QFETCH(int, ageHours);
    QFETCH(int, age);
    const QString path = "data/download/" + eastPiece + ".osm";
    QVERIFY(TestWorkDir::writeFile(path, "<osm/>\n"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-qint64(ageHours) * 3600),
                             QFileDevice::FileModificationTime));
    file.close();
    // Not pieces: nothing is drawn for them.
    QVERIFY(TestWorkDir::writeFile("data/download/notes.osm", "<osm/>\n"));
    QVERIFY(QDir().mkdir("data/download/16.611-49.202-16.621-49.212.osm"));

    window->findChild<QAction*>("actionDownloadedPieces")->setChecked(true);
    const QImage image = settledMap();

    // The cell's edges are the pixels nearest to its bounds.
    Renderer* renderer = map->getRenderer();
    const QPointF nw = renderer->geoToPixelF(GeoPoint(49.202, 16.611));
    const QPointF se = renderer->geoToPixelF(GeoPoint(49.197, 16.621));
    const int left = qRound(nw.x());
    const int top = qRound(nw.y());
    const int bottom = qRound(se.y()) - 1;
    QVERIFY2(left > 0 && top > 0 && bottom < image.height() - 1 && se.x() > image.width(),
             qPrintable(QString("%1 %2 %3").arg(left).arg(top).arg(bottom)));
    const QColor colour = PieceLayer::colour(PieceCell::Age(age));
    const int midY = (top + bottom) / 2;
    const int midX = (left + image.width()) / 2;
    const struct
    {
        QPoint pixel;
        QColor expected;
    } edges[] = {
        {QPoint(left - 1, midY), tileColour},  {QPoint(left, midY), colour},     {QPoint(left + 1, midY), colour},
        {QPoint(midX, top - 1), tileColour},   {QPoint(midX, top), colour},      {QPoint(midX, top + 1), colour},
        {QPoint(midX, bottom + 1), tileColour}, {QPoint(midX, bottom), colour},  {QPoint(midX, bottom - 1), colour},
    };
    for (const auto& edge : edges) {
        const QColor c = image.pixelColor(edge.pixel);
        QVERIFY2(c == edge.expected, qPrintable(QString("%1,%2 is %3, expected %4")
                                                    .arg(edge.pixel.x())
                                                    .arg(edge.pixel.y())
                                                    .arg(describe(c), describe(edge.expected))));
    }

    // Inside: the translucent fill over the tile, and for older pieces one or two hatchings
    // in the full colour (an eighth of the pixels, or about twice as many).
    const QColor fill = blend(tileColour, colour, PieceLayer::fillAlpha);
    int hatched = 0;
    const int side = 32;
    for (int y = top + 8; y < top + 8 + side; ++y) {
        for (int x = left + 8; x < left + 8 + side; ++x) {
            const QColor c = image.pixelColor(x, y);
            QVERIFY2(near(c, fill) || c == colour, qPrintable(QString("%1,%2 is %3, fill %4")
                                                                  .arg(x)
                                                                  .arg(y)
                                                                  .arg(describe(c), describe(fill))));
            hatched += c == colour ? 1 : 0;
        }
    }
    const int expected = age == PieceCell::Fresh ? 0 : age == PieceCell::Recent ? side * side / 8 : side * side / 4;
    QVERIFY2(qAbs(hatched - expected) <= side, qPrintable(QString("%1 hatched pixels").arg(hatched)));
}

void tst_MapViews::networkDrawsEachClassWhereItLies()
{
    // An older network file and the newest one; the newest is shown.
    QVERIFY(TestWorkDir::writeFile("data/comp/2020-01-01_00-00-00.osm", "<osm/>\n"));
    QFile older("data/comp/2020-01-01_00-00-00.osm");
    QVERIFY(older.open(QIODevice::ReadWrite));
    QVERIFY(older.setFileTime(QDateTime::currentDateTime().addDays(-1), QFileDevice::FileModificationTime));
    older.close();
    QVERIFY(TestWorkDir::writeFile("data/comp/2026-01-01_00-00-00.osm", networkFile()));
    window->findChild<QAction*>("actionNetworkOfLastRun")->setChecked(true);

    Renderer* renderer = map->getRenderer();
    // At the start, panned so that nothing drawn before is reused, and one zoom level closer.
    for (int step = 0; step < 3; ++step) {
        if (step == 1)
            renderer->pan(QPoint(-260, 120));
        if (step == 2)
            renderer->zoomIn();
        const QImage image = settledMap();
        const QString where = QString(" (zoom %1, step %2)").arg(renderer->getZoom()).arg(step);
        // Clear of the panel at the top left and of the legend at the bottom right.
        const QRect clear = QRect(QPoint(180, 0), QPoint(image.width() - 280, image.height() - 1));
        int checked = 0;
        for (const TestWay& way : testWays) {
            const bool tram = !way.highway;
            const QColor colour = tram ? RoadStyle::tramColour() : RoadStyle::colour(roadClassFromName(way.highway));
            for (double lon = wayWest + 0.0015; lon < wayEast; lon += 0.003) {
                const QPointF centre = renderer->geoToPixelF(GeoPoint(way.lat, lon));
                // The pixel row through the line's middle is covered by it whole.
                const QPoint on(int(centre.x()), int(std::floor(centre.y())));
                if (!clear.contains(on) || !clear.contains(on + QPoint(30, 6)) || !clear.contains(on - QPoint(0, 6)))
                    continue;
                // Between the rows the tile shows; the lines are at most 6 pixels wide.
                QVERIFY2(image.pixelColor(on + QPoint(0, 6)) == tileColour || way.lat == testWays[0].lat,
                         qPrintable(QString(way.highway ? way.highway : "tram") + where));
                if (!tram) {
                    const QColor c = image.pixelColor(on);
                    QVERIFY2(c == colour, qPrintable(QString("%1 at %2,%3 is %4%5")
                                                         .arg(way.highway)
                                                         .arg(on.x())
                                                         .arg(on.y())
                                                         .arg(describe(c), where)));
                } else {
                    // A dashed line: both the dashes and the gaps between them.
                    int dashes = 0;
                    int gaps = 0;
                    for (int x = 0; x < 30; ++x) {
                        const QColor c = image.pixelColor(on + QPoint(x, 0));
                        dashes += c == colour ? 1 : 0;
                        gaps += c == tileColour ? 1 : 0;
                    }
                    QVERIFY2(dashes >= 10 && gaps >= 5, qPrintable(QString("%1 %2%3").arg(dashes).arg(gaps).arg(where)));
                }
                ++checked;
            }
        }
        QVERIFY2(checked >= 2 * int(sizeof(testWays) / sizeof(testWays[0])), qPrintable(QString::number(checked) + where));

        // The signal on the motorway, the two stops.
        const struct
        {
            GeoPoint at;
            QColor colour;
        } symbols[] = {
            {GeoPoint(testWays[0].lat, signalLon), RoadStyle::signalColour()},
            {busStop, RoadStyle::busStopColour()},
            {tramStop, RoadStyle::tramStopColour()},
        };
        for (const auto& symbol : symbols) {
            const QPoint p = renderer->geoToPixel(symbol.at);
            if (!clear.contains(p))
                continue;
            const QColor c = image.pixelColor(p);
            QVERIFY2(c == symbol.colour, qPrintable(describe(c) + " expected " + describe(symbol.colour) + where));
        }
    }
}

void tst_MapViews::problemsRingWhereTheyLie()
{
    QVERIFY(TestWorkDir::writeFile("data/comp/2026-01-01_00-00-00.osm", problemNetworkFile()));
    auto* status = window->statusBar()->findChild<QLabel*>("problemsStatus");
    QVERIFY(status);
    QCOMPARE(status->text(), QString());
    // The map keeps its height over the list of the problems.
    window->resize(window->width(), window->height() + 300);
    window->findChild<QAction*>("actionProblemsOfLastNetwork")->setChecked(true);
    const QImage image = settledMap();
    QCOMPARE(status->text(), QString("3 problems in the last network"));

    Renderer* renderer = map->getRenderer();
    const struct
    {
        GeoPoint at;
        int kind;
        QString toolTip;
    } rings[] = {
        {farStop, Finding::StopOffRoute, "stop-off-route: a stop is farther than 50 m from every way of its route\n"
                                         "route 900 (bus 5): stop 13, 89.0 m away"},
        {island, Finding::Island, "island: a part of the network is not joined to its largest part\n"
                                  "1 way, among them way 200\nat the edge of the area"},
        {deadEnd, Finding::OnewayDeadEnd, "oneway-dead-end: a oneway road ends where no road leaves\n"
                                          "node 3 at the end of way 101"},
    };
    for (const auto& ring : rings) {
        // On the ring, all round, the kind's colour; inside it the map shows through.
        const QPointF centre = renderer->geoToPixelF(ring.at);
        const QColor colour = ProblemLayer::colour(ring.kind);
        const double r = ProblemLayer::ringRadius;
        for (const QPointF& offset : {QPointF(r, 0), QPointF(-r, 0), QPointF(0, r), QPointF(0, -r)}) {
            const QPoint on = (centre + offset).toPoint();
            QVERIFY2(image.pixelColor(on) == colour, qPrintable(QString("%1 at %2,%3 is %4")
                                                                    .arg(ring.kind)
                                                                    .arg(on.x())
                                                                    .arg(on.y())
                                                                    .arg(describe(image.pixelColor(on)))));
        }
        QVERIFY2(image.pixelColor(centre.toPoint() + QPoint(2, 2)) == tileColour,
                 qPrintable(QString::number(ring.kind)));

        // The tooltip over the ring names the finding.
        QHelpEvent help(QEvent::ToolTip, centre.toPoint(), map->mapToGlobal(centre.toPoint()));
        QCoreApplication::sendEvent(map, &help);
        QCOMPARE(QToolTip::text(), ring.toolTip);
    }
    QToolTip::hideText();

    // The legend stands in the top right corner, below the place search that lies over the map
    // there: under the field only the map, then the legend's box.
    const QRect field = map->findChild<PlaceSearch*>()->geometry();
    QVERIFY(field.top() < 20 && field.right() > image.width() - 20);
    const auto onlyTiles = [&](int y) {
        for (int x = field.left(); x <= field.right(); ++x)
            if (image.pixelColor(x, y) != tileColour)
                return false;
        return true;
    };
    for (int y = field.bottom() + 1; y <= field.bottom() + MapLegend::margin; ++y)
        QVERIFY2(onlyTiles(y), qPrintable(QString("row %1 below the field at %2").arg(y).arg(field.bottom())));
    QVERIFY(!onlyTiles(field.bottom() + MapLegend::margin + 1));

    window->findChild<QAction*>("actionProblemsOfLastNetwork")->setChecked(false);
    QCOMPARE(status->text(), QString());
}

// While the problems are shown they are listed under the map, one row a finding in the order
// of pelagor-check's report; choosing a row (a click, Enter) centres the map on the finding,
// zoomed in to 16 at least, and marks its ring. The list closes with the view.
void tst_MapViews::problemListLeadsToEachFinding()
{
    const QString path = "data/comp/2026-01-01_00-00-00.osm";
    QVERIFY(TestWorkDir::writeFile(path, problemNetworkFile()));
    Renderer* renderer = map->getRenderer();
    renderer->zoomOut();
    renderer->zoomOut();
    auto* list = window->findChild<QAbstractItemView*>("problemList");
    auto* rows = qobject_cast<QTreeWidget*>(list);
    QVERIFY(rows && !rows->isVisible());
    auto* view = window->findChild<QAction*>("actionProblemsOfLastNetwork");
    view->setChecked(true);
    settledMap();
    QVERIFY(rows->isVisible());
    // Under the map: the map, its legends, the place search and its credit keep their room.
    QVERIFY(rows->mapTo(window, QPoint(0, 0)).y() > map->mapTo(window, QPoint(0, map->height())).y());

    const struct
    {
        QString kind;
        QString route;
        QString finding;
        GeoPoint at;
    } expected[] = {
        {"stop-off-route", "5 Centre", "route 900 (bus 5): stop 13, 89.0 m away", farStop},
        {"oneway-dead-end", "", "node 3 at the end of way 101", deadEnd},
        // Its node outside the file's bounds puts the island at the edge: last, as in the report.
        {"island", "", "1 way, among them way 200", island},
    };
    QStringList reported;
    for (const QString& line : NetworkFileCheck::report(path).split('\n'))
        if (line.startsWith("  "))
            reported << line;
    QCOMPARE(rows->topLevelItemCount(), reported.size());
    QCOMPARE(rows->topLevelItemCount(), 3);
    for (int row = 0; row < 3; ++row) {
        const QTreeWidgetItem* item = rows->topLevelItem(row);
        QCOMPARE(QStringList({item->text(0), item->text(1), item->text(2)}),
                 QStringList({expected[row].kind, expected[row].route, expected[row].finding}));
        // The report's line of the same finding: its ids and its position.
        const QString at = QString("at %1,%2").arg(expected[row].at.lat, 0, 'f', 7).arg(expected[row].at.lon, 0, 'f', 7);
        const QString edge = ", at the edge";
        const bool atEdge = reported[row].endsWith(edge);
        const QString line = atEdge ? reported[row].chopped(edge.size()) : reported[row];
        QVERIFY2(line.endsWith(expected[row].finding.section(": ", -1) + ", " + at), qPrintable(reported[row]));
        // A finding at the edge is dimmed.
        QCOMPARE(item->foreground(2) == list->palette().brush(QPalette::Disabled, QPalette::Text), atEdge);
    }

    const auto centred = [&](const GeoPoint& at) {
        const QPointF pixel = renderer->geoToPixelF(at);
        return renderer->getCenter().lat == at.lat && renderer->getCenter().lon == at.lon
            && qAbs(pixel.x() - map->width() / 2.0) <= 1 && qAbs(pixel.y() - map->height() / 2.0) <= 1;
    };
    QTest::mouseClick(rows->viewport(), Qt::LeftButton, Qt::NoModifier,
                      rows->visualItemRect(rows->topLevelItem(0)).center());
    QCOMPARE(renderer->getZoom(), 16);
    QVERIFY(centred(farStop));
    // The chosen ring is marked: a dark ring around its own, on the map only there.
    const QImage image = settledMap();
    const QPointF centre = renderer->geoToPixelF(farStop);
    const auto marked = [&image](const QPointF& at) {
        const QColor c = image.pixelColor(at.toPoint());
        return c.red() == c.green() && c.green() == c.blue() && c.red() < 90;
    };
    QVERIFY(marked(centre + QPointF(ProblemLayer::markRadius, 0)));
    QVERIFY(marked(centre - QPointF(0, ProblemLayer::markRadius)));
    QVERIFY(!marked(renderer->geoToPixelF(deadEnd) + QPointF(ProblemLayer::markRadius, 0)));

    // Enter on another row; closer in than 16, the map keeps its zoom.
    renderer->zoomIn();
    rows->setFocus();
    rows->setCurrentItem(rows->topLevelItem(1));
    QTest::keyClick(rows, Qt::Key_Return);
    QCOMPARE(renderer->getZoom(), 17);
    QVERIFY(centred(deadEnd));

    view->setChecked(false);
    QVERIFY(!rows->isVisible());
    QCOMPARE(rows->topLevelItemCount(), 0);
}

void tst_MapViews::viewsOffPaintAsBefore()
{
    // The map as it has always been painted: background, tiles, selection; and the credit.
    const QImage off = settledMap();
    QImage before(map->size(), QImage::Format_ARGB32_Premultiplied);
    before.fill(Qt::white);
    QPainter painter(&before);
    Renderer* renderer = map->getRenderer();
    renderer->setupPainter(&painter);
    renderer->paintBackground(&painter, map->rect());
    renderer->paintTiles(&painter, map->rect());
    renderer->paintSelection(&painter, map->rect(), LocationRect());
    MapCredit::paint(&painter, map->rect());
    painter.end();
    QVERIFY(off == before);

    // Without a network file the status bar alone says so: the views draw no legend.
    auto* status = window->statusBar()->findChild<QLabel*>("problemsStatus");
    for (const char* view : {"actionNetworkOfLastRun", "actionProblemsOfLastNetwork"}) {
        window->findChild<QAction*>(view)->setChecked(true);
        QVERIFY(settledMap() == off);
        QCOMPARE(status->text(), QString("No network file yet"));
    }
    QVERIFY(!window->findChild<ProblemList*>()->isVisible());
    for (const char* view : {"actionNetworkOfLastRun", "actionProblemsOfLastNetwork"})
        window->findChild<QAction*>(view)->setChecked(false);
    QCOMPARE(status->text(), QString());

    // Every view on, with something to show, and off again.
    QVERIFY(TestWorkDir::writeFile("data/download/" + eastPiece + ".osm", "<osm/>\n"));
    QVERIFY(TestWorkDir::writeFile("data/comp/2026-01-01_00-00-00.osm", problemNetworkFile()));
    const char* views[] = {"actionDownloadedPieces", "actionNetworkOfLastRun", "actionProblemsOfLastNetwork"};
    for (const char* view : views)
        window->findChild<QAction*>(view)->setChecked(true);
    QVERIFY(settledMap() != off);
    for (const char* view : views)
        window->findChild<QAction*>(view)->setChecked(false);
    QVERIFY(settledMap() == off);
}

void tst_MapViews::creditInCornerClearOfLegends_data()
{
    QTest::addColumn<bool>("pieces");
    QTest::addColumn<bool>("network");
    QTest::addColumn<int>("width");
    QTest::newRow("no view") << false << false << 950;
    QTest::newRow("pieces") << true << false << 950;
    QTest::newRow("network") << false << true << 950;
    QTest::newRow("both views") << true << true << 950;
    // The pieces' legend in the bottom left corner would reach under the credit.
    QTest::newRow("both views, narrow window") << true << true << 330;
}

void tst_MapViews::creditInCornerClearOfLegends()
{
    QFETCH(bool, pieces);
    QFETCH(bool, network);
    QFETCH(int, width);
    window->resize(width, window->height());
    QTRY_COMPARE(map->width(), width);
    QVERIFY(TestWorkDir::writeFile("data/download/" + eastPiece + ".osm", "<osm/>\n"));
    QVERIFY(TestWorkDir::writeFile("data/comp/2026-01-01_00-00-00.osm", networkFile()));

    // Without the views, the credit is all there is over the tiles in the corner.
    const QImage plain = settledMap();
    const QRect credit = paintedNearBottomRight(plain, tileColour);
    QVERIFY2(credit.right() == plain.width() - 1 && credit.bottom() == plain.height() - 1,
             qPrintable(QString("credit at %1,%2 %3x%4").arg(credit.x()).arg(credit.y()).arg(credit.width()).arg(credit.height())));
    QVERIFY2(credit.width() > 120 && credit.width() < 300 && credit.height() >= 12 && credit.height() < 30,
             qPrintable(QString("%1x%2").arg(credit.width()).arg(credit.height())));
    // Dark text on a background lighter than the tiles.
    const QColor background = plain.pixelColor(credit.topLeft() + QPoint(1, 1));
    QVERIFY2(background.red() > tileColour.red() && background.green() > tileColour.green()
                 && background.blue() > tileColour.blue(),
             qPrintable(describe(background)));
    int text = 0;
    for (int y = credit.top(); y <= credit.bottom(); ++y)
        for (int x = credit.left(); x <= credit.right(); ++x)
            text += qMax(plain.pixelColor(x, y).red(), plain.pixelColor(x, y).green()) < 120 ? 1 : 0;
    QVERIFY2(text > 50, qPrintable(QString::number(text)));

    // With the views on, their legends are drawn and the credit is untouched.
    window->findChild<QAction*>("actionDownloadedPieces")->setChecked(pieces);
    window->findChild<QAction*>("actionNetworkOfLastRun")->setChecked(network);
    const QImage shown = settledMap();
    QCOMPARE(shown.copy(credit), plain.copy(credit));
    if (pieces || network) {
        const QRect bottom(0, shown.height() - 200, shown.width(), 200);
        QVERIFY(shown.copy(bottom) != plain.copy(bottom));
    }
}

void tst_MapViews::creditOpensCopyright()
{
    QDesktopServices::setUrlHandler("https", this, "openUrl");
    const QImage image = settledMap();
    const QRect credit = paintedNearBottomRight(image, tileColour);
    QVERIFY(!credit.isEmpty());
    const GeoPoint centre = map->getRenderer()->getCenter();

    // A press and a drag on the credit follow the link and move nothing.
    QTest::mousePress(map, Qt::LeftButton, Qt::NoModifier, credit.center());
    const QPoint to = credit.center() - QPoint(100, 100);
    QMouseEvent move(QEvent::MouseMove, to, map->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(map, &move);
    QTest::mouseRelease(map, Qt::LeftButton, Qt::NoModifier, to);
    QCOMPARE(openedUrls, QList<QUrl>({QUrl("https://www.openstreetmap.org/copyright")}));
    QCOMPARE(map->getRenderer()->getCenter().lat, centre.lat);
    QCOMPARE(map->getRenderer()->getCenter().lon, centre.lon);

    // Next to it the map is the map.
    QTest::mouseClick(map, Qt::LeftButton, Qt::NoModifier, credit.topLeft() - QPoint(3, 3));
    QCOMPARE(openedUrls.size(), 1);
    QDesktopServices::unsetUrlHandler("https");
}

QTEST_MAIN(tst_MapViews)
#include "tst_MapViews.moc"
