#ifndef MAPVIEW_FOUNDPLACE_H
#define MAPVIEW_FOUNDPLACE_H

// One place of a place search's answer: its name, its type and its bounding box, with the
// area that choosing it selects. A plain value used in the GUI thread.
#include "common/BoundingBox.h"

#include <QRectF>
#include <QString>

class FoundPlace
{
public:
    // A box at most this many degrees a side is selected whole; a larger one (a city, a
    // country) would take hundreds of pieces, so a small box around its centre is selected.
    static constexpr double largestSelectedSide = 0.1;
    static constexpr double centreSelectionSide = 0.02;

    // The bounding box as an area (BoundingBox::toArea).
    QRectF box() const;
    // The area to select: the box, or the small box around the place's centre.
    QRectF selectionArea() const;

    QString displayName;
    QString type;
    BoundingBox bounds;
    // The place's own centre, where the answer gives one inside the box.
    bool hasCentre = false;
    double lat = 0;
    double lon = 0;
};

#endif
