#ifndef MAPVIEW_MAPLEGEND_H
#define MAPVIEW_MAPLEGEND_H

// A legend over the map: a title and rows of a swatch with its text, in a box in a corner of
// the map, kept off an area that must stay visible (the map's credit). The views of the map
// build one for each paint. Used in the GUI thread.
#include <QRect>
#include <QString>
#include <functional>
#include <vector>

class QFontMetrics;
class QPainter;

class MapLegend
{
public:
    enum Corner { BottomLeft, BottomRight, TopRight };

    // In pixels: the box's distance from the map's edges and from the area kept clear; the
    // space inside the box left and right of its contents, and above and below them; the
    // space added to the font's height for each line; between a swatch and its text.
    static constexpr int margin = 8;
    static constexpr int padding = 6;
    static constexpr int verticalPadding = 4;
    static constexpr int lineSpacing = 2;
    static constexpr int swatchGap = 6;

    // Paints a row's swatch into the rectangle it is given: swatchWidth wide, one line high.
    using SwatchPainter = std::function<void(QPainter* painter, const QRect& swatch)>;

    // Rows are one line of text high, or `rowHeight` when that is more.
    MapLegend(const QString& title, int swatchWidth, int rowHeight = 0);
    void addRow(const QString& text, const SwatchPainter& swatch);

    // The box in the view: in the corner, or where it would come near an area of keepClear
    // (the map's credit, widgets over the map), above it in a bottom corner and below it in
    // a top one.
    QRect box(const QFontMetrics& metrics, const QRect& view, Corner corner, const std::vector<QRect>& keepClear) const;
    void paint(QPainter* painter, const QRect& view, Corner corner, const std::vector<QRect>& keepClear) const;

private:
    struct Row
    {
        QString text;
        SwatchPainter swatch;
    };

    int lineHeight(const QFontMetrics& metrics) const;

    QString title;
    int swatchWidth;
    int rowHeight;
    std::vector<Row> rows;
};

#endif
