#include "mapview/MapLegend.h"

#include <QColor>
#include <QFontMetrics>
#include <QMargins>
#include <QPainter>
#include <algorithm>

namespace {

const QColor borderColour(90, 90, 90);
const QColor backgroundColour(255, 255, 255, 225);

} // namespace

MapLegend::MapLegend(const QString& title, int swatchWidth, int rowHeight)
    : title(title)
    , swatchWidth(swatchWidth)
    , rowHeight(rowHeight)
{
}

int MapLegend::lineHeight(const QFontMetrics& metrics) const
{
    return std::max(metrics.height() + lineSpacing, rowHeight);
}

void MapLegend::addRow(const QString& text, const SwatchPainter& swatch)
{
    rows.push_back({text, swatch});
}

QRect MapLegend::box(const QFontMetrics& metrics, const QRect& view, Corner corner,
                     const std::vector<QRect>& keepClear) const
{
    const int line = lineHeight(metrics);
    int width = metrics.horizontalAdvance(title);
    for (const Row& row : rows)
        width = std::max(width, swatchWidth + swatchGap + metrics.horizontalAdvance(row.text));
    const int boxWidth = width + 2 * padding;
    const int boxHeight = line * int(rows.size() + 1) + 2 * verticalPadding;
    const int left = corner == BottomLeft ? view.left() + margin : view.right() - margin - boxWidth;
    const int top = corner == TopRight ? view.top() + margin : view.bottom() - margin - boxHeight;
    QRect result(left, top, boxWidth, boxHeight);
    // The box only moves away from the corner, so once no area is near it, none is.
    for (bool moved = true; moved;) {
        moved = false;
        for (const QRect& area : keepClear) {
            // The outline is drawn one pixel right of and below the box.
            const QRect outline = result.adjusted(0, 0, 1, 1);
            if (area.isEmpty() || !outline.intersects(area.marginsAdded(QMargins(margin, margin, margin, margin))))
                continue;
            result.moveTop(corner == TopRight ? area.bottom() + margin + 1 : area.top() - margin - boxHeight - 1);
            moved = true;
        }
    }
    return result;
}

void MapLegend::paint(QPainter* painter, const QRect& view, Corner corner, const std::vector<QRect>& keepClear) const
{
    painter->save();
    const QFontMetrics metrics(painter->font());
    const int line = lineHeight(metrics);
    const QRect frame = box(metrics, view, corner, keepClear);
    const int textWidth = frame.width() - 2 * padding;
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(borderColour);
    painter->setBrush(backgroundColour);
    painter->drawRect(frame);
    painter->setPen(Qt::black);
    const int x = frame.left() + padding;
    int y = frame.top() + verticalPadding;
    painter->drawText(QRect(x, y, textWidth, line), Qt::AlignVCenter | Qt::AlignLeft, title);
    for (const Row& row : rows) {
        y += line;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, true);
        row.swatch(painter, QRect(x, y, swatchWidth, line));
        painter->restore();
        painter->drawText(QRect(x + swatchWidth + swatchGap, y, textWidth, line), Qt::AlignVCenter | Qt::AlignLeft,
                          row.text);
    }
    painter->restore();
}
