#ifndef MAPVIEW_TILEPLACEHOLDERS_H
#define MAPVIEW_TILEPLACEHOLDERS_H

#include <QPixmap>

// What the map shows where it has no tile: a grey "Loading..." square while a tile is on its
// way (or cannot be fetched). Used in the GUI thread.
class TilePlaceholders
{
public:
    // Drawn at `ratio`, the finest pixel ratio of the screens, so that its text stays sharp on
    // a high-density screen; it still covers one tile.
    static QPixmap loading(qreal ratio);
};

#endif
