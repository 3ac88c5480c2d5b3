// pelagor-paint-bench: the cost of painting the map with both views on.
//   pelagor-paint-bench [--rounds N] [--wall] NETWORK_FILE PIECE_FOLDER
// Paints a 1920 x 1080 map offscreen through the map widget's own paint event, with the
// network file and the piece files of the folder shown (their ages spread over the three
// classes), centred on the network, at zoom levels from the whole network down to a few
// streets. Times are medians of N rounds in milliseconds of processor time of the thread
// that paints (--wall: wall-clock time, which a busy machine stretches).
// The GUI thread, a full repaint of the map:
//   steady: nothing moved since the last paint (a tile arriving, a corner being dragged);
//   drag:   right after the map panned by 40 pixels, as a mouse drag does;
//   jump:   right after it panned by 400 pixels;
//   zoom:   right after a change of zoom level;
//   off:    both views off, for comparison.
// The network's painter thread, drawing the network for a new view (shown when it is done):
//   drag, jump: the strips a pan of 40 or 400 pixels uncovers;
//   full:   the whole view from nothing, as after a change of zoom or of the network file,
//           the lines simplified for the zoom included.
// Tile requests go to a closed local port, so the tiles are the map's placeholders, which
// cost the same to draw as real tiles. Ends with "gui_worst_median_ms=<largest GUI median
// with the views on> painter_worst_full_ms=<largest full median>".
#include "app/MapDataLoader.h"
#include "mapview/NetworkPainter.h"
#include "mapview/WebMercator.h"
#include "mapview/Renderer.h"
#include "mapview/Visualization.h"

#include "Median.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QImage>
#include <QNetworkProxy>
#include <QStandardPaths>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

double cpuMs()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// The time the paint took on the processor, which the other work of a busy machine does not
// stretch as it does the wall-clock time; cpuOnly false gives the wall-clock time.
bool cpuOnly = true;

double paintMs(Visualization& map, QImage& image)
{
    QElapsedTimer timer;
    timer.start();
    const double cpu = cpuMs();
    map.render(&image);
    return cpuOnly ? cpuMs() - cpu : timer.nsecsElapsed() / 1e6;
}

void centreOn(Renderer* renderer, double lat, double lon)
{
    const int zoom = renderer->getZoom();
    const QPointF from = WebMercator::latLonToTile(renderer->getCenter().lat, renderer->getCenter().lon, zoom);
    const QPointF to = WebMercator::latLonToTile(lat, lon, zoom);
    renderer->pan(((from - to) * 256).toPoint());
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName("pelagor-paint-bench");
    QStandardPaths::setTestModeEnabled(true);
    // Nothing leaves the machine: port 9 refuses every tile request.
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, "127.0.0.1", 9));

    int rounds = 15;
    QStringList paths;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--rounds" && i + 1 < args.size())
            rounds = args[++i].toInt();
        else if (args[i] == "--wall")
            cpuOnly = false;
        else
            paths << args[i];
    }
    if (paths.size() != 2 || rounds < 1) {
        std::fprintf(stderr, "usage: pelagor-paint-bench [--rounds N] [--wall] NETWORK_FILE PIECE_FOLDER\n");
        return 2;
    }

    QElapsedTimer load;
    load.start();
    const NetworkPicture picture = MapDataLoader::networkPicture(paths[0]);
    const double loadS = load.nsecsElapsed() / 1e9;
    std::vector<PieceCell> cells = MapDataLoader::pieceCells(paths[1], QDateTime::currentDateTime());
    for (size_t i = 0; i < cells.size(); ++i)
        cells[i].age = PieceCell::Age(i % PieceCell::ageClasses);

    size_t segments = 0;
    double south = 90, north = -90, west = 180, east = -180;
    for (const NetworkPicture::Line& line : picture.lines) {
        segments += line.points.size() - 1;
        for (const GeoPoint& g : line.points) {
            south = std::min(south, g.lat);
            north = std::max(north, g.lat);
            west = std::min(west, g.lon);
            east = std::max(east, g.lon);
        }
    }
    std::printf("network: %zu ways, %zu segments, %zu stops, %zu signals, read in %.2f s\n", picture.lines.size(),
                segments, picture.stops.size(), picture.trafficSignals.size(), loadS);
    std::printf("pieces: %zu cells; area %.4f..%.4f E, %.4f..%.4f N\n", cells.size(), west, east, south, north);

    Visualization map;
    map.resize(1920, 1080);
    map.show();
    QCoreApplication::processEvents();
    Renderer* renderer = map.getRenderer();
    QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);

    // The zoom at which the whole network fits the view, then closer.
    int fit = 19;
    while (fit > 2) {
        const QPointF a = WebMercator::latLonToTile(north, west, fit) * 256;
        const QPointF b = WebMercator::latLonToTile(south, east, fit) * 256;
        if (b.x() - a.x() <= 1920 && b.y() - a.y() <= 1080)
            break;
        --fit;
    }
    const double lat = (north + south) / 2;
    const double lon = (west + east) / 2;
    // Paints once the network's image for the view has come, so that every round starts as
    // a user's would, from a map that shows everything.
    const auto settled = [&]() {
        QImage scratch(image.size(), image.format());
        map.render(&scratch);
        while (!map.areViewsReady()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            map.render(&scratch);
        }
    };
    std::printf("%-5s | %-45s | %-27s\n", "", "GUI thread, full repaint", "network painter, new view");
    std::printf("%-5s | %8s %8s %8s %8s %8s | %8s %8s %8s\n", "zoom", "steady", "drag", "jump", "zoom", "off", "drag",
                "jump", "full");
    double guiWorst = 0;
    double painterWorst = 0;
    NetworkPainter painter;
    for (int zoom : {fit, fit + 1, fit + 2, fit + 4, 17}) {
        if (zoom > 19)
            continue;
        while (renderer->getZoom() < zoom)
            renderer->zoomIn();
        while (renderer->getZoom() > zoom)
            renderer->zoomOut();
        centreOn(renderer, lat, lon);

        map.showPieces(false);
        map.showNetwork(false);
        std::vector<double> off;
        for (int r = 0; r < rounds; ++r)
            off.push_back(paintMs(map, image));

        map.showPieces(true);
        map.setPieceCells(cells);
        map.showNetwork(true);
        map.setNetworkPicture(picture);
        settled();
        std::vector<double> steady;
        for (int r = 0; r < rounds; ++r)
            steady.push_back(paintMs(map, image));
        const auto panned = [&](int step) {
            std::vector<double> times;
            for (int r = 0; r < rounds; ++r) {
                renderer->pan(QPoint((r / 4) % 2 == 0 ? step : -step, r % 3 == 0 ? step / 4 : 0));
                times.push_back(paintMs(map, image));
                settled();
            }
            centreOn(renderer, lat, lon);
            settled();
            return median(times);
        };
        const double drag = panned(40);
        const double jump = panned(400);
        std::vector<double> zoomed;
        for (int r = 0; r < rounds; ++r) {
            if (r % 2 == 0)
                renderer->zoomIn();
            else
                renderer->zoomOut();
            zoomed.push_back(paintMs(map, image));
            settled();
        }
        if (rounds % 2 == 1)
            renderer->zoomOut();
        centreOn(renderer, lat, lon);

        // The painter on its own, in this thread, for the same views.
        const QPoint origin = renderer->getOriginOffset() - renderer->getTileRange().topLeft() * 256;
        const QRect world = QRect(0, 0, 1920, 1080).translated(-origin);
        std::vector<double> full;
        for (int r = 0; r < rounds; ++r) {
            painter.setPicture(picture, r + 1);
            const double start = cpuMs();
            painter.draw(zoom, world, 1.0, r + 1);
            full.push_back(cpuMs() - start);
        }
        const auto painterPanned = [&](int step) {
            std::vector<double> times;
            QRect at = world;
            for (int r = 0; r < rounds; ++r) {
                at.translate((r / 4) % 2 == 0 ? step : -step, r % 3 == 0 ? step / 4 : 0);
                const double start = cpuMs();
                painter.draw(zoom, at, 1.0, rounds);
                times.push_back(cpuMs() - start);
            }
            return median(times);
        };
        const double painterDrag = painterPanned(40);
        const double painterJump = painterPanned(400);

        guiWorst = std::max({guiWorst, median(steady), drag, jump, median(zoomed)});
        painterWorst = std::max(painterWorst, median(full));
        std::printf("%-5d | %8.2f %8.2f %8.2f %8.2f %8.2f | %8.2f %8.2f %8.2f\n", zoom, median(steady), drag, jump,
                    median(zoomed), median(off), painterDrag, painterJump, median(full));
    }
    std::printf("gui_worst_median_ms=%.2f painter_worst_full_ms=%.2f rounds=%d\n", guiWorst, painterWorst, rounds);
    return 0;
}
