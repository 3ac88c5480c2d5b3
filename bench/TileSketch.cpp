#include "TileSketch.h"

#include "mapview/Renderer.h"
#include "mapview/WebMercator.h"
#include "tests/support/TileImages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>

namespace {

const QColor land(242, 239, 233);

} // namespace

QColor TileSketch::areaColour(Kind kind)
{
    switch (kind) {
    case Green: return QColor(200, 250, 204);
    case Wood: return QColor(173, 209, 158);
    case Water: return QColor(170, 211, 223);
    case Parking: return QColor(238, 238, 238);
    case Building: return QColor(217, 208, 201);
    default: return QColor(224, 223, 223); // residential and other landuse
    }
}

TileSketch::Look TileSketch::lineLook(Kind kind)
{
    switch (kind) {
    case Motorway: return {QColor(232, 146, 162), QColor(220, 42, 103), 9};
    case Trunk: return {QColor(249, 178, 156), QColor(200, 62, 29), 9};
    case Primary: return {QColor(252, 214, 164), QColor(161, 108, 0), 8.5};
    case Secondary: return {QColor(247, 250, 191), QColor(112, 125, 5), 8};
    case Tertiary: return {QColor(255, 255, 255), QColor(140, 140, 140), 7};
    case Minor: return {QColor(255, 255, 255), QColor(170, 170, 170), 5.5};
    case Service: return {QColor(255, 255, 255), QColor(180, 180, 180), 3};
    case Path: return {QColor(250, 128, 114), QColor(), 1.2};
    case Rail: return {QColor(112, 112, 112), QColor(), 2.5};
    case Tram: return {QColor(68, 68, 68), QColor(), 1.5};
    default: return {QColor(170, 211, 223), QColor(), 3}; // rivers
    }
}

void TileSketch::read(const QStringList& paths)
{
    for (const QString& path : paths) {
        if (QFileInfo(path).isDir()) {
            for (const QString& name : QDir(path).entryList({"*.osm"}, QDir::Files, QDir::Name))
                readFile(QDir(path).filePath(name));
        } else {
            readFile(path);
        }
    }
    // Areas under lines, rivers under roads, minor roads under major ones, railways on top.
    const auto rank = [](const Shape& s) {
        if (s.area)
            return s.kind == Building ? 1 : 0;
        switch (s.kind) {
        case River: return 2;
        case Path: return 3;
        case Service: return 4;
        case Minor: return 5;
        case Tertiary: return 6;
        case Secondary: return 7;
        case Primary: return 8;
        case Trunk: return 9;
        case Motorway: return 10;
        default: return 11;
        }
    };
    std::stable_sort(shapes.begin(), shapes.end(), [&](const Shape& a, const Shape& b) { return rank(a) < rank(b); });
}

void TileSketch::readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QHash<qint64, QPointF> nodes;
    QXmlStreamReader reader(&file);
    std::vector<qint64> refs;
    QHash<QString, QString> tags;
    bool inWay = false;
    while (!reader.atEnd() && !reader.hasError()) {
        reader.readNext();
        if (reader.isStartElement()) {
            const QStringRef name = reader.name();
            const QXmlStreamAttributes a = reader.attributes();
            if (name == QLatin1String("node")) {
                nodes.insert(a.value("id").toLongLong(),
                             WebMercator::latLonToTile(a.value("lat").toDouble(), a.value("lon").toDouble(), 0));
            } else if (name == QLatin1String("way")) {
                inWay = true;
                refs.clear();
                tags.clear();
            } else if (inWay && name == QLatin1String("nd")) {
                refs.push_back(a.value("ref").toLongLong());
            } else if (inWay && name == QLatin1String("tag")) {
                tags.insert(a.value("k").toString(), a.value("v").toString());
            }
        } else if (reader.isEndElement() && reader.name() == QLatin1String("way")) {
            inWay = false;
            const QString highway = tags.value("highway");
            const QString landuse = tags.value("landuse");
            const QString leisure = tags.value("leisure");
            const QString natural = tags.value("natural");
            const QString railway = tags.value("railway");
            int kind = -1;
            bool area = false;
            if (tags.contains("building")) {
                kind = Building;
                area = true;
            } else if (natural == "water" || landuse == "reservoir" || tags.value("waterway") == "riverbank") {
                kind = Water;
                area = true;
            } else if (natural == "wood" || landuse == "forest") {
                kind = Wood;
                area = true;
            } else if (leisure == "park" || leisure == "garden" || landuse == "grass" || landuse == "meadow") {
                kind = Green;
                area = true;
            } else if (tags.value("amenity") == "parking") {
                kind = Parking;
                area = true;
            } else if (!landuse.isEmpty()) {
                kind = Landuse;
                area = true;
            } else if (highway == "motorway" || highway == "motorway_link") {
                kind = Motorway;
            } else if (highway == "trunk" || highway == "trunk_link") {
                kind = Trunk;
            } else if (highway == "primary" || highway == "primary_link") {
                kind = Primary;
            } else if (highway == "secondary" || highway == "secondary_link") {
                kind = Secondary;
            } else if (highway == "tertiary" || highway == "tertiary_link") {
                kind = Tertiary;
            } else if (highway == "residential" || highway == "unclassified" || highway == "living_street"
                       || highway == "road") {
                kind = Minor;
            } else if (highway == "service") {
                kind = Service;
            } else if (highway == "footway" || highway == "path" || highway == "pedestrian" || highway == "steps"
                       || highway == "cycleway") {
                kind = Path;
            } else if (railway == "rail" || railway == "monorail" || railway == "subway") {
                kind = Rail;
            } else if (railway == "tram") {
                kind = Tram;
            } else if (tags.value("waterway") == "river" || tags.value("waterway") == "stream") {
                kind = River;
            }
            if (kind < 0)
                continue;
            Shape shape{Kind(kind), area, {}};
            for (qint64 ref : refs) {
                const auto found = nodes.constFind(ref);
                if (found != nodes.constEnd())
                    shape.points.push_back(found.value());
            }
            if (shape.points.size() >= 2)
                shapes.push_back(std::move(shape));
        }
    }
}

QImage TileSketch::tile(int zoom, int x, int y) const
{
    QImage image(256, 256, QImage::Format_RGB32);
    image.fill(land);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const double scale = 256.0 * std::pow(2.0, zoom);
    painter.translate(-256.0 * x, -256.0 * y);
    const double factor = std::pow(2.0, zoom - 16);
    const QRectF visible(256.0 * x - 20, 256.0 * y - 20, 296, 296);
    const auto polygon = [scale](const Shape& s) {
        QPolygonF p;
        for (const QPointF& q : s.points)
            p << q * scale;
        return p;
    };

    for (int pass = 0; pass < 4; ++pass) {
        for (const Shape& s : shapes) {
            const QPolygonF p = polygon(s);
            if (!p.boundingRect().adjusted(-1, -1, 1, 1).intersects(visible))
                continue;
            if (s.area) {
                const bool building = s.kind == Building;
                if ((pass == 0 && !building) || (pass == 1 && building && zoom >= 14)) {
                    painter.setPen(building ? QPen(QColor(196, 185, 175), 0.6) : QPen(Qt::NoPen));
                    painter.setBrush(areaColour(s.kind));
                    painter.drawPolygon(p);
                }
                continue;
            }
            const Look look = lineLook(s.kind);
            const double width = std::max(0.8, look.width * factor);
            painter.setBrush(Qt::NoBrush);
            if (pass == 2 && look.casing.isValid()) {
                painter.setPen(QPen(look.casing, width + std::max(1.0, 2 * factor), Qt::SolidLine, Qt::RoundCap,
                                    Qt::RoundJoin));
                painter.drawPolyline(p);
            } else if (pass == 3) {
                QPen pen(look.fill, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
                if (s.kind == Path)
                    pen.setDashPattern({2, 2});
                painter.setPen(pen);
                painter.drawPolyline(p);
                if (s.kind == Rail && zoom >= 13) {
                    QPen dash(Qt::white, width * 0.5, Qt::CustomDashLine, Qt::FlatCap);
                    dash.setDashPattern({4, 4});
                    painter.setPen(dash);
                    painter.drawPolyline(p);
                }
            }
        }
    }
    painter.end();
    return image;
}

QByteArray TileSketch::pngTile(int zoom, int x, int y) const
{
    return TileImages::png(tile(zoom, x, y));
}
