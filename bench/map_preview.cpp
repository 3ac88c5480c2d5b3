// pelagor-map-preview: the main window against fake OpenStreetMap services, for looking at
// the map as a person does (under Xvfb, say). Tiles are drawn from real OSM files; the API
// answers from piece folders. Works in the current folder, whose data/ it uses as it is.
//   pelagor-map-preview [--tiles PATH]... [--api DIR]... [--center LAT,LON] [--zoom Z]
//                       [--select WEST,SOUTH,EAST,NORTH] [--pieces] [--network] [--problems]
//                       [--search TEXT] [--choose N] [--shot FILE]
// --search types TEXT into the place search and presses Enter; the fake Nominatim answers every
// search with a few places of Moscow. --choose then takes the Nth of them (from 1).
// --shot grabs the window into a PNG once the map has settled, and quits.
#include "app/MainWindow.h"
#include "mapview/Renderer.h"
#include "mapview/WebMercator.h"
#include "mapview/Visualization.h"
#include "tests/support/FakeHttpServer.h"
#include "tests/support/OsmApiPieces.h"
#include "TileSketch.h"
#include "tests/support/TestWorkDir.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>
#include <vector>

namespace {

void dragCorner(Visualization* map, const GeoPoint& from, const GeoPoint& to)
{
    Renderer* renderer = map->getRenderer();
    const QPoint start = renderer->geoToPixel(from);
    // The grab puts the corner one pixel right of and below the mouse.
    const QPoint end = renderer->geoToPixel(to) - QPoint(1, 1);
    QMouseEvent press(QEvent::MouseButtonPress, start, map->mapToGlobal(start), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(map, &press);
    QMouseEvent move(QEvent::MouseMove, end, map->mapToGlobal(end), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(map, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, end, map->mapToGlobal(end), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(map, &release);
}

// Places of Moscow as Nominatim describes them: a district, a street and the city.
const char places[] = R"([
 {"place_id":1,"osm_type":"relation","osm_id":1,"category":"boundary","type":"administrative",
  "display_name":"Ostankinsky District, Moscow, Central Federal District, Russia",
  "lat":"55.8217","lon":"37.6110","boundingbox":["55.8050","55.8400","37.5700","37.6500"]},
 {"place_id":2,"osm_type":"way","osm_id":2,"category":"highway","type":"primary",
  "display_name":"Prospekt Mira, Moscow, Central Federal District, Russia",
  "lat":"55.8100","lon":"37.6380","boundingbox":["55.7800","55.8400","37.6300","37.6500"]},
 {"place_id":3,"osm_type":"relation","osm_id":3,"category":"place","type":"city",
  "display_name":"Moscow, Central Federal District, Russia",
  "lat":"55.7505","lon":"37.6175","boundingbox":["55.1420","56.0210","36.8030","37.9680"]}
])";

// Types the text into the place search and presses Enter; with a choice, goes down to that
// place once the answer is listed, and presses Enter again.
void searchPlace(MainWindow& window, const QString& text, int choice)
{
    auto* field = window.findChild<QLineEdit*>("placeSearch");
    field->setText(text);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(field, &enter);
    if (choice <= 0)
        return;
    QTimer::singleShot(1500, [field, choice]() {
        for (int n = 0; n < choice; ++n) {
            QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
            QCoreApplication::sendEvent(field, &down);
        }
        QKeyEvent chosen(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(field, &chosen);
    });
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Pelagor");
    // Qt's own HTTP cache of the tiles stays out of the user's cache folder.
    QStandardPaths::setTestModeEnabled(true);

    QStringList tiles;
    QStringList api;
    QString shot;
    double lat = 55.8145, lon = 37.6035;
    int zoom = 15;
    std::vector<double> select;
    bool pieces = false;
    bool network = false;
    bool problems = false;
    QString searchText;
    int choose = 0;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const QString next = i + 1 < args.size() ? args[i + 1] : QString();
        if (a == "--tiles") {
            tiles << next;
            ++i;
        } else if (a == "--api") {
            api << next;
            ++i;
        } else if (a == "--center") {
            lat = next.section(',', 0, 0).toDouble();
            lon = next.section(',', 1, 1).toDouble();
            ++i;
        } else if (a == "--zoom") {
            zoom = next.toInt();
            ++i;
        } else if (a == "--select") {
            for (const QString& v : next.split(','))
                select.push_back(v.toDouble());
            ++i;
        } else if (a == "--pieces") {
            pieces = true;
        } else if (a == "--network") {
            network = true;
        } else if (a == "--problems") {
            problems = true;
        } else if (a == "--search") {
            searchText = next;
            ++i;
        } else if (a == "--choose") {
            choose = next.toInt();
            ++i;
        } else if (a == "--shot") {
            shot = next;
            ++i;
        } else {
            std::fprintf(stderr, "unknown argument: %s\n", qPrintable(a));
            return 2;
        }
    }
    if (tiles.isEmpty())
        tiles << TestWorkDir::testData("moscow-selection");
    if (api.isEmpty())
        api << TestWorkDir::testData("moscow-selection") << TestWorkDir::testData("moscow-selection-quadrants");

    TileSketch sketch;
    sketch.read(tiles);
    FakeHttpServer server;
    if (!server.listen())
        return 1;
    server.useAsApplicationProxy();
    // Loopback is never proxied: the searches come to the same server in origin form.
    qputenv("PELAGOR_NOMINATIM_URL", QString("http://127.0.0.1:%1").arg(server.port()).toLatin1());
    const FakeHttpServer::Handler pieceAnswers = OsmApiPieces::serving(api);
    server.setHandler([&](const FakeHttpServer::Request& request) {
        if (request.url.host().endsWith("tile.openstreetmap.org")) {
            const QStringList parts = request.url.path().split('/', Qt::SkipEmptyParts);
            if (parts.size() == 3)
                return FakeHttpServer::Response::ok(
                    sketch.pngTile(parts[0].toInt(), parts[1].toInt(), parts[2].chopped(4).toInt()), "image/png");
            return FakeHttpServer::Response::error(404);
        }
        if (request.url.path() == "/search")
            return FakeHttpServer::Response::ok(places, "application/json");
        return pieceAnswers(request);
    });

    MainWindow window;
    window.show();
    auto* map = window.findChild<Visualization*>("visualization");
    Renderer* renderer = map->getRenderer();
    while (renderer->getZoom() < zoom && renderer->getZoom() < 19)
        renderer->zoomIn();
    while (renderer->getZoom() > zoom && renderer->getZoom() > 2)
        renderer->zoomOut();
    const QPointF from = WebMercator::latLonToTile(renderer->getCenter().lat, renderer->getCenter().lon, zoom);
    const QPointF to = WebMercator::latLonToTile(lat, lon, zoom);
    renderer->pan(((from - to) * 256).toPoint());
    if (select.size() == 4) {
        // Corner 1 is the north-west one, corner 4 the south-east one; moving corner 1 leaves 4.
        const QRectF r = map->getLocationRect();
        dragCorner(map, GeoPoint(r.y(), r.x()), GeoPoint(select[3], select[0]));
        dragCorner(map, GeoPoint(r.y() + r.height(), r.x() + r.width()), GeoPoint(select[1], select[2]));
    }
    if (pieces)
        window.findChild<QAction*>("actionDownloadedPieces")->setChecked(true);
    if (network)
        window.findChild<QAction*>("actionNetworkOfLastRun")->setChecked(true);
    if (problems)
        window.findChild<QAction*>("actionProblemsOfLastNetwork")->setChecked(true);

    if (!searchText.isEmpty())
        searchPlace(window, searchText, choose);

    if (!shot.isEmpty()) {
        QTimer::singleShot(3000, [&]() {
            window.grab().save(shot);
            app.quit();
        });
    }
    return app.exec();
}
