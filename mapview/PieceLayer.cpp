#include "mapview/PieceLayer.h"

#include "mapview/MapLegend.h"
#include "mapview/Renderer.h"
#include "mapview/WebMercator.h"

#include <QBrush>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

const int legendSwatchWidth = 18;

// Okabe and Ito's bluish green, orange and vermillion: told apart with the common colour
// vision deficiencies, and none of them the blue of the selection. The hatching tells the
// classes apart where the colours mix with the map and the selection.
const QColor ageColours[PieceCell::ageClasses] = {
    QColor(0, 158, 115),
    QColor(230, 159, 0),
    QColor(213, 94, 0),
};

double areaOf(const PieceCell& cell)
{
    return (cell.box.east() - cell.box.west()) * (cell.box.north() - cell.box.south());
}

} // namespace

QColor PieceLayer::colour(PieceCell::Age age)
{
    const int index = int(age);
    return ageColours[index >= 0 && index < PieceCell::ageClasses ? index : int(PieceCell::Old)];
}

void PieceLayer::setCells(const std::vector<PieceCell>& newCells)
{
    std::vector<PieceCell> sorted = newCells;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const PieceCell& a, const PieceCell& b) { return areaOf(a) > areaOf(b); });
    cells.clear();
    for (const PieceCell& cell : sorted)
        cells.push_back({WebMercator::latLonToTile(cell.box.north(), cell.box.west(), 0),
                         WebMercator::latLonToTile(cell.box.south(), cell.box.east(), 0), cell.age});
    cache.invalidate();
    scanned = true;
}

void PieceLayer::clear()
{
    cells.clear();
    cache.invalidate();
    scanned = false;
}

void PieceLayer::paintCell(QPainter* painter, const QRect& pixels, PieceCell::Age age)
{
    QColor fill = colour(age);
    fill.setAlpha(fillAlpha);
    painter->fillRect(pixels, fill);
    // Older pieces are hatched as well, once and twice. The hatching starts at the cell's
    // corner, so it moves with the map.
    if (age != PieceCell::Fresh) {
        painter->save();
        painter->setBrushOrigin(pixels.topLeft());
        painter->fillRect(pixels, QBrush(colour(age), age == PieceCell::Recent ? Qt::BDiagPattern : Qt::DiagCrossPattern));
        painter->restore();
    }
    // The outline lies inside the cell, so that two neighbours show both their outlines.
    const int w = std::min(outlineWidth, pixels.width());
    const int h = std::min(outlineWidth, pixels.height());
    const QColor line = colour(age);
    painter->fillRect(QRect(pixels.left(), pixels.top(), pixels.width(), h), line);
    painter->fillRect(QRect(pixels.left(), pixels.bottom() - h + 1, pixels.width(), h), line);
    painter->fillRect(QRect(pixels.left(), pixels.top() + h, w, pixels.height() - 2 * h), line);
    painter->fillRect(QRect(pixels.right() - w + 1, pixels.top() + h, w, pixels.height() - 2 * h), line);
}

void PieceLayer::drawCells(QPainter& painter, const QRect& world, int zoom) const
{
    const double scale = WebMercator::worldPixels(zoom);
    for (const UnitCell& cell : cells) {
        // Rounded to whole pixels, so that neighbouring cells meet without a gap or an overlap.
        const QPointF a = cell.northWest * scale;
        const QPointF b = cell.southEast * scale;
        const QRect pixels(QPoint(qRound(a.x()), qRound(a.y())), QPoint(qRound(b.x()) - 1, qRound(b.y()) - 1));
        if (pixels.isEmpty() || !pixels.intersects(world))
            continue;
        paintCell(&painter, pixels, cell.age);
    }
}

void PieceLayer::paint(QPainter* painter, const Renderer& renderer, const QRect& view)
{
    if (cells.empty())
        return;
    const int zoom = renderer.getZoom();
    // Widget pixel of world pixel (0, 0), exactly as the renderer places the tiles.
    const QPoint origin = renderer.worldOrigin();
    const QRect world = view.translated(-origin);
    cache.update(world, zoom, painter->device()->devicePixelRatioF(),
                 [&](QPainter& p, const QRect& strip) { drawCells(p, strip, zoom); });
    painter->drawImage(view.topLeft(), cache.image());
}

void PieceLayer::paintLegend(QPainter* painter, const QRect& view, const std::vector<QRect>& keepClear) const
{
    QString title = QString("Downloaded pieces, by age");
    if (!scanned)
        title = QString("Looking for downloaded pieces...");
    else if (cells.empty())
        title = QString("No downloaded pieces yet");
    MapLegend legend(title, legendSwatchWidth);
    const int rows = scanned && !cells.empty() ? PieceCell::ageClasses : 0;
    for (int age = 0; age < rows; ++age)
        legend.addRow(PieceCell::ageText(PieceCell::Age(age)), [age](QPainter* p, const QRect& swatch) {
            paintCell(p, swatch.adjusted(0, 2, 0, -2), PieceCell::Age(age));
        });
    legend.paint(painter, view, MapLegend::BottomLeft, keepClear);
}
