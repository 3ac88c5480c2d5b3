#include "mapview/NetworkPainter.h"

#include "mapview/Renderer.h"
#include "mapview/RoadStyle.h"
#include "mapview/WebMercator.h"

#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>

namespace {

// Points closer than this to the last point kept are left out: at low zoom a whole street
// shrinks to a few pixels, and drawing its every corner costs time and shows nothing.
const double minStep = 1.0;
// Points in one drawn run of a way.
const int chunkPoints = 16;
// Lines narrower than this are drawn one pixel wide, with Qt's fast cosmetic lines; up to
// roundWidth they get flat ends and bevelled corners, which look the same at that size and
// cost a fraction of round ones.
const double cosmeticBelow = 2.0;
const double roundWidth = 3.0;

QPointF unitPoint(const GeoPoint& g)
{
    return WebMercator::toWorld(g);
}

QPen linePen(const QColor& colour, double width)
{
    if (width < cosmeticBelow)
        return QPen(colour, 0.0);
    const bool round = width >= roundWidth;
    return QPen(colour, width, Qt::SolidLine, round ? Qt::RoundCap : Qt::FlatCap, round ? Qt::RoundJoin : Qt::BevelJoin);
}

void drawStops(QPainter& painter, const std::vector<QPointF>& points, const QRectF& world, const QColor& colour,
               double size, bool round)
{
    painter.setPen(QPen(Qt::white, 1.0));
    painter.setBrush(colour);
    const double half = size / 2;
    for (const QPointF& p : points) {
        const QRectF box(p.x() - half, p.y() - half, size, size);
        if (!box.intersects(world))
            continue;
        if (round)
            painter.drawEllipse(box);
        else
            painter.drawRect(box);
    }
}

} // namespace

NetworkPainter::NetworkPainter(QObject* parent)
    : QObject(parent)
{
}

void NetworkPainter::setPicture(const NetworkPicture& picture, int pictureGeneration)
{
    generation = pictureGeneration;
    unitPoints.clear();
    unitLines.clear();
    unitBusStops.clear();
    unitTramStops.clear();
    unitSignals.clear();
    levels.clear();
    cache.invalidate();
    for (const NetworkPicture::Line& line : picture.lines) {
        if (line.points.size() < 2 || (!line.highway && !line.tram))
            continue;
        UnitLine unit;
        unit.first = int(unitPoints.size());
        unit.count = int(line.points.size());
        unit.roadStyle = line.highway ? qBound(0, line.roadClass, RoadStyle::roadClasses - 1) * 2 + (line.link ? 1 : 0)
                                      : -1;
        unit.tram = line.tram;
        for (const GeoPoint& g : line.points)
            unitPoints.push_back(unitPoint(g));
        unitLines.push_back(unit);
    }
    for (const NetworkPicture::Stop& stop : picture.stops) {
        if (stop.bus)
            unitBusStops.push_back(unitPoint(stop.position));
        if (stop.tram)
            unitTramStops.push_back(unitPoint(stop.position));
    }
    for (const GeoPoint& g : picture.trafficSignals)
        unitSignals.push_back(unitPoint(g));
}

void NetworkPainter::draw(int zoom, const QRect& world, double ratio, int pictureGeneration)
{
    // A request for another picture than the one here: the layer drops the answer, which
    // tells it that it may ask again.
    if (pictureGeneration != generation) {
        Q_EMIT drawn(QImage(), zoom, world, pictureGeneration);
        return;
    }
    const Level& lines = level(zoom);
    cache.update(world, zoom, ratio,
                 [&](QPainter& painter, const QRect& strip) { drawLevel(painter, lines, QRectF(strip), zoom); });
    Q_EMIT drawn(cache.image(), zoom, world, generation);
}

const NetworkPainter::Level& NetworkPainter::level(int zoom)
{
    const auto found = levels.find(zoom);
    if (found != levels.end())
        return found->second;

    Level& level = levels[zoom];
    const double scale = WebMercator::worldPixels(zoom);
    level.points.reserve(unitPoints.size());
    for (const UnitLine& line : unitLines) {
        const int first = int(level.points.size());
        QPointF last = unitPoints[line.first] * scale;
        level.points.push_back(last);
        for (int i = 1; i < line.count; ++i) {
            const QPointF p = unitPoints[line.first + i] * scale;
            const QPointF d = p - last;
            // The way's last point is always kept, so that connected ways still meet.
            if (d.x() * d.x() + d.y() * d.y() < minStep * minStep && i != line.count - 1)
                continue;
            level.points.push_back(p);
            last = p;
        }
        const int count = int(level.points.size()) - first;
        if (count < 2) {
            level.points.resize(first);
            continue;
        }
        // Long ways go in runs of a few points, each with its bounds: only the runs that meet
        // the view are drawn, and Qt strokes a line whole before it clips it.
        for (int start = first; start < first + count - 1; start += chunkPoints - 1) {
            const int end = std::min(start + chunkPoints, first + count);
            QRectF bounds(level.points[start], QSizeF(0, 0));
            for (int i = start + 1; i < end; ++i) {
                const QPointF& p = level.points[i];
                bounds.setLeft(std::min(bounds.left(), p.x()));
                bounds.setRight(std::max(bounds.right(), p.x()));
                bounds.setTop(std::min(bounds.top(), p.y()));
                bounds.setBottom(std::max(bounds.bottom(), p.y()));
            }
            const Shape shape{start, end - start, bounds};
            if (line.roadStyle >= 0)
                level.shapes[line.roadStyle].push_back(shape);
            if (line.tram)
                level.shapes[tramStyle].push_back(shape);
        }
    }
    for (const QPointF& p : unitBusStops)
        level.busStops.push_back(p * scale);
    for (const QPointF& p : unitTramStops)
        level.tramStops.push_back(p * scale);
    for (const QPointF& p : unitSignals)
        level.trafficSignals.push_back(p * scale);
    return level;
}

void NetworkPainter::drawLevel(QPainter& painter, const Level& level, const QRectF& world, int zoom) const
{
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    const auto drawStyle = [&](int style) {
        const bool tram = style == tramStyle;
        const double width = tram ? RoadStyle::tramWidth(zoom) : RoadStyle::width(style / 2, style % 2 == 1, zoom);
        QPen pen = linePen(tram ? RoadStyle::tramColour() : RoadStyle::colour(style / 2), width);
        if (tram) {
            pen.setCapStyle(Qt::FlatCap);
            pen.setDashPattern({3.0, 2.0});
        }
        painter.setPen(pen);
        // The bounds of a straight horizontal or vertical run have no height or width, so the
        // view is widened for the test instead of them.
        const double reach = width / 2 + 1;
        const QRectF visible = world.adjusted(-reach, -reach, reach, reach);
        for (const Shape& shape : level.shapes[style]) {
            const QRectF& b = shape.bounds;
            if (b.right() < visible.left() || b.left() > visible.right() || b.bottom() < visible.top()
                || b.top() > visible.bottom())
                continue;
            painter.drawPolyline(&level.points[shape.first], shape.count);
        }
    };
    // Minor classes first, each class's links under the class itself, tram tracks on top.
    for (int roadClass = RoadStyle::roadClasses - 1; roadClass >= 0; --roadClass) {
        drawStyle(roadClass * 2 + 1);
        drawStyle(roadClass * 2);
    }
    drawStyle(tramStyle);

    if (zoom >= signalsZoom) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(RoadStyle::signalColour());
        for (const QPointF& p : level.trafficSignals)
            if (world.contains(p))
                painter.drawEllipse(p, 2.5, 2.5);
    }
    if (zoom >= stopsZoom) {
        drawStops(painter, level.busStops, world, RoadStyle::busStopColour(), 8.0, false);
        drawStops(painter, level.tramStops, world, RoadStyle::tramStopColour(), 7.0, true);
    }
}

