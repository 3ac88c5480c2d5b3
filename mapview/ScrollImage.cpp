#include "mapview/ScrollImage.h"

#include <QPainter>
#include <QRegion>
#include <utility>

bool ScrollImage::shows(const QRect& world, int zoom, qreal ratio) const
{
    return !current.isNull() && level == zoom && area == world && current.devicePixelRatio() == ratio;
}

void ScrollImage::invalidate()
{
    current = QImage();
    spare = QImage();
    area = QRect();
    level = -1;
}

void ScrollImage::update(const QRect& world, int zoom, qreal ratio, const Draw& draw)
{
    if (shows(world, zoom, ratio))
        return;
    const bool scroll = !current.isNull() && level == zoom && current.devicePixelRatio() == ratio
        && area.size() == world.size() && area.intersects(world);
    QImage& target = scroll ? spare : current;
    if (target.size() != world.size() * ratio || target.devicePixelRatio() != ratio) {
        target = QImage(world.size() * ratio, QImage::Format_ARGB32_Premultiplied);
        target.setDevicePixelRatio(ratio);
    }
    QPainter painter(&target);
    painter.translate(-world.topLeft());
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(world, Qt::transparent);
    QRegion uncovered(world);
    if (scroll) {
        painter.drawImage(area.topLeft(), current);
        uncovered -= QRegion(area);
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    for (const QRect& strip : uncovered) {
        painter.save();
        painter.setClipRect(strip);
        draw(painter, strip);
        painter.restore();
    }
    painter.end();
    if (scroll)
        std::swap(current, spare);
    area = world;
    level = zoom;
}
