#include "mapview/ProblemLayer.h"

#include "mapview/MapLegend.h"
#include "mapview/Renderer.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QStringList>
#include <algorithm>
#include <cmath>

// Registered when the program loads, where the type is declared: queued connections between
// threads carry it, and no caller has to remember to register it.
static const int problemsType = qRegisterMetaType<ProblemPicture>("ProblemPicture");

namespace {

// Vermillion, reddish purple, sky blue, blue, bluish green, black and orange: none of them the
// grey or the muted colours of the network's roads, and rings where its stops are dots. The
// light sky blue of a route without stops stands apart from the dark blue of a stop off its route.
const QColor kindColours[ProblemLayer::kinds] = {
    QColor(213, 94, 0),  QColor(204, 121, 167), QColor(86, 180, 233), QColor(0, 114, 178),
    QColor(0, 158, 115), QColor(0, 0, 0),       QColor(230, 159, 0),
};

// A tooltip names at most this many findings under the mouse, and counts the rest.
const int maxToolTipFindings = 5;

} // namespace

QColor ProblemLayer::colour(int kind)
{
    return kindColours[kind >= 0 && kind < kinds ? kind : kinds - 1];
}

void ProblemLayer::setPicture(const ProblemPicture& newPicture)
{
    picture = newPicture;
    loaded = true;
    marked = -1;
}

void ProblemLayer::clear()
{
    picture = ProblemPicture();
    loaded = false;
    marked = -1;
}

void ProblemLayer::setMarked(int index)
{
    marked = index >= 0 && index < int(picture.problems.size()) ? index : -1;
}

void ProblemLayer::paintRing(QPainter* painter, const QPointF& centre, int kind)
{
    // A white halo under the coloured ring keeps it visible on dark roads and tiles alike.
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(Qt::white, ringWidth + 2));
    painter->drawEllipse(centre, ringRadius, ringRadius);
    painter->setPen(QPen(colour(kind), ringWidth));
    painter->drawEllipse(centre, ringRadius, ringRadius);
}

void ProblemLayer::paint(QPainter* painter, const Renderer& renderer, const QRect& view) const
{
    if (picture.problems.empty())
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    const QRectF reach = QRectF(view).adjusted(-2 * markRadius, -2 * markRadius, 2 * markRadius, 2 * markRadius);
    for (const ProblemPicture::Problem& problem : picture.problems) {
        const QPointF centre = renderer.geoToPixelF(problem.position);
        if (problem.hasPosition && reach.contains(centre))
            paintRing(painter, centre, problem.kind);
    }
    // The chosen one again on top, with a dark ring around it that no kind's colour is.
    if (marked >= 0 && picture.problems[std::size_t(marked)].hasPosition) {
        const ProblemPicture::Problem& problem = picture.problems[std::size_t(marked)];
        const QPointF centre = renderer.geoToPixelF(problem.position);
        paintRing(painter, centre, problem.kind);
        painter->setPen(QPen(Qt::white, markWidth + 2));
        painter->drawEllipse(centre, markRadius, markRadius);
        painter->setPen(QPen(QColor(40, 40, 40), markWidth));
        painter->drawEllipse(centre, markRadius, markRadius);
    }
    painter->restore();
}

QString ProblemLayer::toolTipAt(const Renderer& renderer, const QPoint& pixel) const
{
    QStringList texts;
    int more = 0;
    const double reach = ringRadius + ringWidth / 2 + 1;
    for (const ProblemPicture::Problem& problem : picture.problems) {
        const QPointF d = renderer.geoToPixelF(problem.position) - QPointF(pixel);
        if (!problem.hasPosition || std::hypot(d.x(), d.y()) > reach)
            continue;
        if (texts.size() < maxToolTipFindings)
            texts << problem.text;
        else
            ++more;
    }
    if (more > 0)
        texts << QString("and %1 more").arg(more);
    return texts.join("\n\n");
}

void ProblemLayer::paintLegend(QPainter* painter, const QRect& view, const std::vector<QRect>& keepClear) const
{
    // Without a network file the status bar alone says so.
    if (loaded && picture.fileName.isEmpty())
        return;
    QString title;
    if (!loaded)
        title = QString("Checking the last network...");
    else if (!picture.failure.isEmpty())
        title = QString("Could not check %1").arg(QFileInfo(picture.fileName).fileName());
    else
        title = QString("Problems of %1").arg(QFileInfo(picture.fileName).fileName());
    // The kinds found, and nothing else.
    std::vector<int> rows;
    for (int kind = 0; kind < int(picture.kinds.size()) && kind < kinds; ++kind)
        if (picture.kinds[std::size_t(kind)].count > 0)
            rows.push_back(kind);
    if (loaded && !picture.fileName.isEmpty() && picture.failure.isEmpty() && rows.empty())
        title = QString("No problems in %1").arg(QFileInfo(picture.fileName).fileName());

    // A kind without positions (a way without length has none) has no ring on the map.
    std::vector<bool> placed(kinds, false);
    for (const ProblemPicture::Problem& problem : picture.problems)
        if (problem.hasPosition && problem.kind >= 0 && problem.kind < kinds)
            placed[std::size_t(problem.kind)] = true;
    const int swatch = int(2 * (ringRadius + ringWidth));
    MapLegend legend(title, swatch, swatch + 2);
    for (int kind : rows) {
        const ProblemPicture::Kind& k = picture.kinds[std::size_t(kind)];
        legend.addRow(QString("%1: %2%3").arg(k.name).arg(k.count).arg(placed[std::size_t(kind)] ? "" : " (not on the map)"),
                      [kind](QPainter* p, const QRect& r) { paintRing(p, QRectF(r).center(), kind); });
    }
    // At the top, below what lies over the map there: the other views' legends stand at the
    // bottom, by the map's credit.
    legend.paint(painter, view, MapLegend::TopRight, keepClear);
}
