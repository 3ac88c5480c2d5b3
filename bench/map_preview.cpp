// pelagor-map-preview: the main window against fake OpenStreetMap services, for looking at
// the map as a person does (under Xvfb, say). Tiles are drawn from real OSM files; the API
// answers from piece folders. Works in the current folder, whose data/ it uses as it is; the
// window always opens in its start state, whatever an earlier preview left in the settings.
//   pelagor-map-preview [--tiles PATH]... [--api DIR]... [--center LAT,LON] [--zoom Z]
//                       [--select WEST,SOUTH,EAST,NORTH] [--pieces] [--network] [--problems]
//                       [--problem N] [--list-from N] [--search TEXT] [--choose N] [--offline]
//                       [--shot FILE]
// --search types TEXT into the place search and presses Enter; the fake Nominatim answers every
// search with a few places of Moscow. --choose then takes the Nth of them (from 1).
// --problem N chooses the Nth row (from 1) of the list of problems once the check has filled it;
// --list-from N scrolls the list so that its Nth row is the first one seen, choosing none.
// --offline refuses every connection to the tile servers (and the API): the map shows what
// data/map_tiles/ holds.
// Once the map has settled (tiles in or refused, views drawn, choices made) the preview prints
// "settled"; with --shot it then grabs the window into a PNG and quits.
// The screenshots of docs/ come from bench/screenshots.sh, which runs it under Xvfb.
#include "app/MainWindow.h"
#include "common/BoundingBox.h"
#include "mapview/Renderer.h"
#include "mapview/Visualization.h"
#include "tests/support/FakeHttpServer.h"
#include "tests/support/OsmApiPieces.h"
#include "TileSketch.h"
#include "tests/support/TestWorkDir.h"
#include "mapview/ProblemList.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QNetworkProxy>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTcpServer>
#include <QTimer>
#include <cstdio>

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
void searchPlace(MainWindow& window, const QString& text)
{
    auto* field = window.findChild<QLineEdit*>("placeSearch");
    field->setText(text);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(field, &enter);
}

void choosePlace(MainWindow& window, int choice)
{
    auto* field = window.findChild<QLineEdit*>("placeSearch");
    for (int n = 0; n < choice; ++n) {
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QCoreApplication::sendEvent(field, &down);
    }
    QKeyEvent chosen(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(field, &chosen);
}

struct Options
{
    QStringList tiles;
    QStringList api;
    QString shot;
    double lat = 55.8145;
    double lon = 37.6035;
    int zoom = 15;
    std::vector<double> select;
    bool pieces = false;
    bool network = false;
    bool problems = false;
    int problem = 0;
    int listFrom = 0;
    QString searchText;
    int choose = 0;
    bool offline = false;
};

bool parse(const QStringList& args, Options& o)
{
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const QString next = i + 1 < args.size() ? args[i + 1] : QString();
        const bool takesValue = QStringList({"--tiles", "--api", "--center", "--zoom", "--select", "--search", "--choose",
                                             "--problem", "--list-from", "--shot"})
                                    .contains(a);
        if (a == "--tiles") {
            o.tiles << next;
        } else if (a == "--api") {
            o.api << next;
        } else if (a == "--center") {
            o.lat = next.section(',', 0, 0).toDouble();
            o.lon = next.section(',', 1, 1).toDouble();
        } else if (a == "--zoom") {
            o.zoom = next.toInt();
        } else if (a == "--select") {
            for (const QString& v : next.split(','))
                o.select.push_back(v.toDouble());
        } else if (a == "--pieces") {
            o.pieces = true;
        } else if (a == "--network") {
            o.network = true;
        } else if (a == "--problems") {
            o.problems = true;
        } else if (a == "--problem") {
            o.problem = next.toInt();
        } else if (a == "--list-from") {
            o.listFrom = next.toInt();
        } else if (a == "--search") {
            o.searchText = next;
        } else if (a == "--choose") {
            o.choose = next.toInt();
        } else if (a == "--offline") {
            o.offline = true;
        } else if (a == "--shot") {
            o.shot = next;
        } else {
            std::fprintf(stderr, "unknown argument: %s\n", qPrintable(a));
            return false;
        }
        i += takesValue ? 1 : 0;
    }
    return true;
}

// The view, the selection and the views the options ask for.
void setUp(MainWindow& window, const Options& o)
{
    auto* map = window.findChild<Visualization*>("visualization");
    Renderer* renderer = map->getRenderer();
    renderer->setView(GeoPoint(o.lat, o.lon), o.zoom);
    if (o.select.size() == 4) {
        // Corner 1 is the north-west one, corner 4 the south-east one; moving corner 1 leaves 4.
        const BoundingBox r = BoundingBox::fromArea(map->getLocationRect());
        dragCorner(map, GeoPoint(r.north(), r.west()), GeoPoint(o.select[3], o.select[0]));
        dragCorner(map, GeoPoint(r.south(), r.east()), GeoPoint(o.select[1], o.select[2]));
    }
    if (o.pieces)
        window.findChild<QAction*>("actionDownloadedPieces")->setChecked(true);
    if (o.network)
        window.findChild<QAction*>("actionNetworkOfLastRun")->setChecked(true);
    if (o.problems)
        window.findChild<QAction*>("actionProblemsOfLastNetwork")->setChecked(true);
    if (!o.searchText.isEmpty())
        searchPlace(window, o.searchText);
}

bool tilesIn(const Renderer* renderer)
{
    const QRect range = renderer->getTileRange();
    for (int x = range.left(); x <= range.right(); ++x)
        for (int y = range.top(); y <= range.bottom(); ++y)
            if (!renderer->hasCachedTile(QPoint(x, y), renderer->getZoom()))
                return false;
    return true;
}

// Takes the steps the options ask for as the window becomes ready for them; true once all
// are taken and the map shows their outcome.
bool settled(MainWindow& window, const Options& o, bool& placeChosen, bool& problemChosen)
{
    auto* map = window.findChild<Visualization*>("visualization");
    if (!o.searchText.isEmpty() && o.choose > 0 && !placeChosen) {
        if (!window.findChild<QWidget*>("placeResults")->isVisible())
            return false;
        choosePlace(window, o.choose);
        placeChosen = true;
        return false;
    }
    auto* list = window.findChild<ProblemList*>("problemList");
    if (o.problem > 0 && !problemChosen) {
        if (!list->isVisible() || list->topLevelItemCount() < o.problem)
            return false;
        list->setCurrentItem(list->topLevelItem(o.problem - 1));
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(list, &enter);
        problemChosen = true;
        return false;
    }
    if (o.listFrom > 0) {
        if (!list->isVisible() || list->topLevelItemCount() < o.listFrom)
            return false;
        list->scrollToItem(list->topLevelItem(o.listFrom - 1), QAbstractItemView::PositionAtTop);
    }
    const bool refused = window.statusBar()->currentMessage().startsWith("Map tiles cannot be fetched");
    return map->areViewsReady() && (o.offline ? refused : tilesIn(map->getRenderer()));
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QApplication app(argc, argv);
    QApplication::setApplicationName("Pelagor");
    // Qt's own HTTP cache of the tiles and the settings stay out of the user's folders; the
    // window opens as at a first start.
    QStandardPaths::setTestModeEnabled(true);
    QSettings().clear();

    Options o;
    if (!parse(app.arguments(), o))
        return 2;
    if (o.tiles.isEmpty())
        o.tiles << TestWorkDir::testData("moscow-selection");
    if (o.api.isEmpty())
        o.api << TestWorkDir::testData("moscow-selection") << TestWorkDir::testData("moscow-selection-quadrants");

    TileSketch sketch;
    sketch.read(o.tiles);
    FakeHttpServer server;
    if (!server.listen())
        return 1;
    server.useAsApplicationProxy();
    // Loopback is never proxied: the searches come to the same server in origin form.
    qputenv("PELAGOR_NOMINATIM_URL", QString("http://127.0.0.1:%1").arg(server.port()).toLatin1());
    const FakeHttpServer::Handler pieceAnswers = OsmApiPieces::serving(o.api);
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
    if (o.offline) {
        // A port nobody listens on: every proxied connection is refused.
        QTcpServer closed;
        closed.listen(QHostAddress::LocalHost);
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, "127.0.0.1", closed.serverPort()));
    }

    MainWindow window;
    window.show();
    setUp(window, o);

    // Polled; settled twice in a row, so that a repaint asked for by the last step is done.
    bool placeChosen = false;
    bool problemChosen = false;
    int settledPolls = 0;
    QTimer poll;
    poll.setInterval(250);
    QObject::connect(&poll, &QTimer::timeout, [&]() {
        settledPolls = settled(window, o, placeChosen, problemChosen) ? settledPolls + 1 : 0;
        if (settledPolls < 2)
            return;
        poll.stop();
        std::printf("settled\n");
        std::fflush(stdout);
        if (!o.shot.isEmpty()) {
            window.grab().save(o.shot);
            app.quit();
        }
    });
    poll.start();
    return app.exec();
}
