#include "mapview/TilePlaceholders.h"

#include "mapview/WebMercator.h"

#include <QColor>
#include <QPainter>
#include <cmath>

QPixmap TilePlaceholders::loading(qreal ratio)
{
    const int size = WebMercator::tileSize;
    QPixmap tile(int(std::ceil(size * ratio)), int(std::ceil(size * ratio)));
    tile.setDevicePixelRatio(ratio);
    tile.fill(Qt::lightGray);
    QPainter painter(&tile);
    painter.setPen(QColor(Qt::darkGray));
    painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, "Loading...");
    return tile;
}
