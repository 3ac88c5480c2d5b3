#ifndef MAPVIEW_MAPCREDIT_H
#define MAPVIEW_MAPCREDIT_H

// The credit that the OpenStreetMap tile usage policy asks for on the map itself: "© OpenStreetMap
// contributors" in the map's lower right corner, over the tiles, on a translucent background
// that keeps it readable on light and dark tiles; it links to the copyright page. Painted by
// the map widget in the GUI thread.
#include <QRect>
#include <QString>
#include <QUrl>

class QFontMetrics;
class QPainter;

class MapCredit
{
public:
    // In pixels: the space around the text inside its background.
    static constexpr int paddingX = 5;
    static constexpr int paddingY = 2;
    // The background's opacity: enough to read dark text on the darkest tiles.
    static constexpr int backgroundAlpha = 200;

    static QString text();
    static QUrl url();
    // The credit's background in the view, in its lower right corner.
    static QRect rect(const QFontMetrics& metrics, const QRect& view);
    // Paints it with the painter's font and returns where it went.
    static QRect paint(QPainter* painter, const QRect& view);
};

#endif
