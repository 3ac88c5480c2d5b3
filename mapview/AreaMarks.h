#ifndef MAPVIEW_AREAMARKS_H
#define MAPVIEW_AREAMARKS_H

// The marks of areas on the map that are not views of their own: where the mouse finds the
// selection's corner handles, and the outline of the area of a file being extracted. Used in
// the GUI thread.
#include "common/BoundingBox.h"

#include <QPoint>
#include <array>

class QPainter;
class Renderer;

class AreaMarks
{
public:
    // The corner (1 to 4) whose handle lies under `mouse`, with the offset from the mouse to
    // the corner's pixel in `grabOffset`; 0 when none does. `corners` are the corners' pixels
    // in their order; later corners lie on top where handles overlap.
    static int handleAt(const std::array<QPoint, 4>& corners, const QPoint& mouse, QPoint* grabOffset);
    // A dashed outline only, so that the selection inside it stays readable.
    static void paintFileArea(QPainter* painter, const Renderer& renderer, const BoundingBox& area);
};

#endif
