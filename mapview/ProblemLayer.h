#ifndef MAPVIEW_PROBLEMLAYER_H
#define MAPVIEW_PROBLEMLAYER_H

// The map's view of the problems of a network file: a ring at the position of each finding,
// coloured by its kind, the finding chosen in the list marked by a second ring around its
// own, the words of the findings under the mouse as a tooltip, and a legend of the kinds
// with their counts. Lives in the GUI thread.
#include "mapview/ProblemPicture.h"

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QString>
#include <vector>

class QPainter;
class Renderer;

class ProblemLayer
{
public:
    // The kinds the layer tells apart, numbered as the network check numbers them.
    static constexpr int kinds = 7;
    static constexpr double ringRadius = 7.0;
    static constexpr double ringWidth = 3.0;
    // The mark around the chosen finding's ring.
    static constexpr double markRadius = ringRadius + 6.0;
    static constexpr double markWidth = 2.0;
    // Okabe and Ito's colours, told apart with the common colour vision deficiencies.
    static QColor colour(int kind);
    // Paints the ring of a kind: on the map, in the legend and in the list of problems.
    static void paintRing(QPainter* painter, const QPointF& centre, int kind);

    // Takes the picture in; the layer shows it until the next one or clear().
    void setPicture(const ProblemPicture& picture);
    // Back to "checking": nothing drawn, the legend says the network is being checked.
    void clear();
    bool isLoaded() const { return loaded; }
    const ProblemPicture& getPicture() const { return picture; }
    // Marks the problem of the picture with this index; -1 marks none.
    void setMarked(int index);
    int getMarked() const { return marked; }

    void paint(QPainter* painter, const Renderer& renderer, const QRect& view) const;
    void paintLegend(QPainter* painter, const QRect& view, const std::vector<QRect>& keepClear) const;
    // The words of the findings whose rings cover the pixel, one block each; empty for none.
    QString toolTipAt(const Renderer& renderer, const QPoint& pixel) const;

private:
    bool loaded = false;
    ProblemPicture picture;
    int marked = -1;
};

#endif
