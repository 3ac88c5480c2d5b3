#include "mapview/AreaMarks.h"

#include "mapview/Renderer.h"

#include <QPainter>
#include <QPen>

namespace {

// How far from a corner's pixel its handle still catches the mouse.
const int handleReach = 5;

} // namespace

int AreaMarks::handleAt(const std::array<QPoint, 4>& corners, const QPoint& mouse, QPoint* grabOffset)
{
    for (int n = 4; n >= 1; --n) {
        const QPoint q = corners[std::size_t(n - 1)];
        if (mouse.x() >= q.x() - handleReach && mouse.x() <= q.x() + handleReach
            && mouse.y() >= q.y() - handleReach && mouse.y() <= q.y() + handleReach) {
            *grabOffset = QPoint(q.x() - mouse.x() + 1, q.y() - mouse.y() + 1);
            return n;
        }
    }
    return 0;
}

void AreaMarks::paintFileArea(QPainter* painter, const Renderer& renderer, const BoundingBox& area)
{
    const QPointF northWest = renderer.geoToPixelF(GeoPoint(area.north(), area.west()));
    const QPointF southEast = renderer.geoToPixelF(GeoPoint(area.south(), area.east()));
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(QColor(160, 0, 160), 2, Qt::DashLine));
    painter->drawRect(QRectF(northWest, southEast));
    painter->restore();
}
