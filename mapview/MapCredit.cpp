#include "mapview/MapCredit.h"

#include <QColor>
#include <QFontMetrics>
#include <QPainter>

namespace {

const QString sign = QStringLiteral("\u00a9 ");
const QString name = QStringLiteral("OpenStreetMap contributors");
const QColor textColour(51, 51, 51);
// The name reads as the link it is.
const QColor linkColour(0, 96, 160);

} // namespace

QString MapCredit::text()
{
    return sign + name;
}

QUrl MapCredit::url()
{
    return QUrl(QStringLiteral("https://www.openstreetmap.org/copyright"));
}

QRect MapCredit::rect(const QFontMetrics& metrics, const QRect& view)
{
    // The two parts are drawn one after the other, so they are measured so too.
    const int width = metrics.horizontalAdvance(sign) + metrics.horizontalAdvance(name) + 2 * paddingX;
    const int height = metrics.height() + 2 * paddingY;
    return QRect(view.right() - width + 1, view.bottom() - height + 1, width, height);
}

QRect MapCredit::paint(QPainter* painter, const QRect& view)
{
    painter->save();
    const QFontMetrics metrics(painter->font());
    const QRect area = rect(metrics, view);
    painter->fillRect(area, QColor(255, 255, 255, backgroundAlpha));
    const QRect line = area.adjusted(paddingX, paddingY, -paddingX, -paddingY);
    painter->setPen(textColour);
    painter->drawText(line, Qt::AlignLeft | Qt::AlignVCenter, sign);
    painter->setPen(linkColour);
    painter->drawText(line.adjusted(metrics.horizontalAdvance(sign), 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, name);
    painter->restore();
    return area;
}
