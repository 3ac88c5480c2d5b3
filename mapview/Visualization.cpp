#include "mapview/Visualization.h"

#include "mapview/AreaMarks.h"
#include "mapview/MapCredit.h"
#include "mapview/Renderer.h"

#include <QChildEvent>
#include <QHelpEvent>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <array>

namespace {

const int wheelStep = 120;

QPoint integerPoint(const QPointF& p)
{
    return QPoint(qRound(p.x()), qRound(p.y()));
}

} // namespace

int Visualization::wheelAccumulator = 0;

Visualization::Visualization(QWidget* parent)
    : QWidget(parent)
    , renderer(new Renderer(this))
{
    connect(renderer, SIGNAL(updated(QRect)), this, SLOT(updateMap(QRect)));
    connect(&network, SIGNAL(changed()), this, SLOT(updateMap()));
}

QRectF Visualization::getLocationRect() const
{
    return selection.toRectF();
}

void Visualization::purgeTiles()
{
    renderer->purgeTileCache();
}

void Visualization::showPieces(bool shown)
{
    piecesShown = shown;
    pieces.clear();
    update();
}

void Visualization::setPieceCells(const std::vector<PieceCell>& cells)
{
    pieces.setCells(cells);
    update();
}

void Visualization::showNetwork(bool shown)
{
    networkShown = shown;
    network.clear();
    update();
}

void Visualization::setNetworkPicture(const NetworkPicture& picture)
{
    network.setPicture(picture);
    update();
}

void Visualization::showProblems(bool shown)
{
    problemsShown = shown;
    problems.clear();
    update();
}

void Visualization::setProblemPicture(const ProblemPicture& picture)
{
    problems.setPicture(picture);
    update();
}

void Visualization::showProblem(int index)
{
    problems.setMarked(index);
    const std::vector<ProblemPicture::Problem>& found = problems.getPicture().problems;
    if (index >= 0 && index < int(found.size()) && found[std::size_t(index)].hasPosition)
        renderer->setView(found[std::size_t(index)].position, std::max(renderer->getZoom(), problemZoom));
    update();
}

std::vector<QRect> Visualization::overlays() const
{
    std::vector<QRect> areas;
    for (const QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (child->isVisible())
            areas.push_back(child->geometry());
    return areas;
}

bool Visualization::eventFilter(QObject* watched, QEvent* e)
{
    // A legend keeps clear of the widgets over the map (the place search): when one moves,
    // grows or hides, the legend may have to move too.
    switch (e->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
        update();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, e);
}

bool Visualization::event(QEvent* e)
{
    if (e->type() == QEvent::ChildAdded) {
        QObject* child = static_cast<QChildEvent*>(e)->child();
        if (child->isWidgetType())
            child->installEventFilter(this);
    }
    if (e->type() != QEvent::ToolTip)
        return QWidget::event(e);
    auto* help = static_cast<QHelpEvent*>(e);
    const QString text = problemsShown ? problems.toolTipAt(*renderer, help->pos()) : QString();
    if (text.isEmpty()) {
        QToolTip::hideText();
        e->ignore();
    } else {
        QToolTip::showText(help->globalPos(), text, this);
    }
    return true;
}

void Visualization::selectArea(const QRectF& selected, const QRectF& shown)
{
    placeSelection(selected);
    const BoundingBox area = selection.box();
    const BoundingBox view = BoundingBox::fromArea(shown);
    renderer->showArea(GeoPoint(std::max(area.north(), view.north()), std::min(area.west(), view.west())),
                       GeoPoint(std::min(area.south(), view.south()), std::max(area.east(), view.east())));
    Q_EMIT newLocRect(selection.toRectF());
    update();
}

void Visualization::placeSelection(const QRectF& area)
{
    // Corner 1 is the north-west one and corner 4 the south-east one; both are clamped to the world.
    const BoundingBox wanted = BoundingBox::fromArea(area);
    selection.setCorner(1, GeoPoint(wanted.north(), wanted.west()));
    selection.setCorner(4, GeoPoint(wanted.south(), wanted.east()));
}

void Visualization::setLocationRect(const QRectF& area)
{
    placeSelection(area);
    Q_EMIT newLocRect(selection.toRectF());
    update();
}

void Visualization::setFileArea(const QRectF& area)
{
    fileArea = area;
    update();
}

void Visualization::updateMap(QRect r)
{
    update(r);
}

void Visualization::updateMap()
{
    update();
}

void Visualization::resizeEvent(QResizeEvent*)
{
    renderer->setViewWidth(width());
    renderer->setViewHeight(height());
    renderer->updateView();
}

void Visualization::paintEvent(QPaintEvent* e)
{
    QPainter painter(this);
    renderer->setupPainter(&painter);
    renderer->paintBackground(&painter, e->rect());
    renderer->paintTiles(&painter, e->rect());
    // The area views lie between the tiles and the selection, the legends above everything.
    if (piecesShown)
        pieces.paint(&painter, *renderer, rect());
    if (networkShown)
        network.paint(&painter, *renderer, rect());
    renderer->paintSelection(&painter, e->rect(), selection);
    if (!fileArea.isNull())
        AreaMarks::paintFileArea(&painter, *renderer, BoundingBox::fromArea(fileArea));
    // The problems' rings mark points: they lie above the selection, so that its tint does
    // not change their colours.
    if (problemsShown)
        problems.paint(&painter, *renderer, rect());
    // The credit lies above everything, and the legends keep out of its way.
    creditArea = MapCredit::rect(QFontMetrics(painter.font()), rect());
    if (piecesShown)
        pieces.paintLegend(&painter, rect(), {creditArea});
    if (networkShown)
        network.paintLegend(&painter, rect(), {creditArea});
    if (problemsShown)
        problems.paintLegend(&painter, rect(), overlays());
    MapCredit::paint(&painter, rect());
    painter.end();
}

void Visualization::mousePressEvent(QMouseEvent* e)
{
    if (e->buttons() != Qt::LeftButton)
        return;
    const QPoint m = integerPoint(e->localPos());
    // The credit lies over the map and its handles: a click on it is a click on its link.
    if (creditArea.contains(m)) {
        QDesktopServices::openUrl(MapCredit::url());
        return;
    }
    activeCorner = hitTestCorners(m);
    if (activeCorner != 0)
        return;
    lastMousePos = m;
    dragging = true;
}

int Visualization::hitTestCorners(const QPoint& m)
{
    std::array<QPoint, 4> pixels;
    for (int n = 1; n <= 4; ++n)
        pixels[std::size_t(n - 1)] = renderer->geoToPixel(selection.cornerPoint(n));
    return AreaMarks::handleAt(pixels, m, &grabOffset);
}

void Visualization::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint m = integerPoint(e->localPos());
    if (activeCorner != 0) {
        selection.setCorner(activeCorner, renderer->pixelToGeo(m + grabOffset));
        Q_EMIT newLocRect(selection.toRectF());
        update();
    } else if (dragging) {
        const QPoint d = m - lastMousePos;
        lastMousePos = m;
        renderer->pan(d);
    }
}

void Visualization::mouseReleaseEvent(QMouseEvent*)
{
    dragging = false;
    activeCorner = 0;
    update();
}

void Visualization::wheelEvent(QWheelEvent* e)
{
    // The classic single wheel delta: the vertical angle, or the horizontal one when it dominates.
    const QPoint angle = e->angleDelta();
    wheelAccumulator += qAbs(angle.x()) > qAbs(angle.y()) ? angle.x() : angle.y();

    const bool in = wheelAccumulator >= wheelStep;
    const bool out = wheelAccumulator <= -wheelStep;
    if (!in && !out) {
        e->accept();
        return;
    }

    // Bring the point under the cursor to the centre, zoom, and move it back under the cursor.
    const QPoint m = integerPoint(e->position());
    const QRect r = rect();
    const QPoint d((r.right() - r.left()) / 2 - m.x(), (r.bottom() - r.top()) / 2 - m.y());
    renderer->pan(d);
    if (in)
        renderer->zoomIn();
    else
        renderer->zoomOut();
    renderer->pan(-d);

    wheelAccumulator = 0;
    e->accept();
}
