#ifndef MAPVIEW_PIECELAYER_H
#define MAPVIEW_PIECELAYER_H

// The map's view of the downloaded pieces: over the area of each piece file a translucent cell
// with an outline, coloured and hatched by the file's age, and a legend. Keeps the drawn view
// as an image, so a repaint that moves nothing costs one image and a pan what it uncovers.
// Lives in the GUI thread.
#include "mapview/PieceCell.h"
#include "mapview/ScrollImage.h"

#include <QColor>
#include <QPointF>
#include <QRect>
#include <vector>

class QPainter;
class Renderer;

class PieceLayer
{
public:
    // The colour of an age class: the outline and the hatching as it is, the fill translucent.
    static QColor colour(PieceCell::Age age);
    static constexpr int fillAlpha = 90;
    static constexpr int outlineWidth = 2;

    // Takes the cells in; the layer shows them until the next ones or clear().
    void setCells(const std::vector<PieceCell>& cells);
    // Back to "scanning": nothing drawn, the legend says the pieces are being looked up.
    void clear();
    bool isScanned() const { return scanned; }

    void paint(QPainter* painter, const Renderer& renderer, const QRect& view);
    // In the bottom left corner, lifted above an area of keepClear where it would come near it.
    void paintLegend(QPainter* painter, const QRect& view, const std::vector<QRect>& keepClear) const;

private:
    // A cell's north-west and south-east corners as fractions of the world (zoom 0).
    struct UnitCell
    {
        QPointF northWest;
        QPointF southEast;
        PieceCell::Age age;
    };
    static void paintCell(QPainter* painter, const QRect& pixels, PieceCell::Age age);
    void drawCells(QPainter& painter, const QRect& world, int zoom) const;

    bool scanned = false;
    std::vector<UnitCell> cells; // larger cells first, so that quadrants lie on top
    ScrollImage cache;
};

#endif
