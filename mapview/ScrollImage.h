#ifndef MAPVIEW_SCROLLIMAGE_H
#define MAPVIEW_SCROLLIMAGE_H

// The drawn image of one of the map's views over a rectangle of world pixels at one zoom level
// (the world at zoom z is 256 * 2^z pixels wide). Moved to another rectangle of the same size
// and zoom, it keeps what the two share and draws only the strips that came into view, so a
// pan costs what it uncovers. Used in one thread at a time.
#include <QImage>
#include <QRect>
#include <functional>

class QPainter;

class ScrollImage
{
public:
    // Draws what lies in `world` (world pixels) with the painter translated to world pixels
    // and clipped to that rectangle.
    using Draw = std::function<void(QPainter& painter, const QRect& world)>;

    // Makes the image show `world` at `zoom` for a device with this pixel ratio.
    void update(const QRect& world, int zoom, qreal ratio, const Draw& draw);
    void invalidate();

    bool shows(const QRect& world, int zoom, qreal ratio) const;
    const QImage& image() const { return current; }
    QRect world() const { return area; }
    int zoom() const { return level; }

private:
    QImage current;
    QImage spare; // receives the next view of a pan
    QRect area;
    int level = -1;
};

#endif
