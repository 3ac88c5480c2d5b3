#ifndef MAPVIEW_VISUALIZATION_H
#define MAPVIEW_VISUALIZATION_H

// The map widget: shows the map through its renderer, pans and zooms with mouse and
// wheel, and edits the selected area by its corner handles. Lives in the GUI thread.
#include "mapview/LocationRect.h"
#include "mapview/NetworkLayer.h"
#include "mapview/PieceLayer.h"
#include "mapview/ProblemLayer.h"

#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QWidget>
#include <vector>

class Renderer;
class QEvent;
class QMouseEvent;
class QPaintEvent;
class QResizeEvent;
class QWheelEvent;

class Visualization : public QWidget
{
    Q_OBJECT
public:
    // A finding chosen in the list is shown at least this close.
    static constexpr int problemZoom = 16;

    explicit Visualization(QWidget* parent = nullptr);

    QRectF getFileArea() const { return fileArea; }

    Renderer* getRenderer() const { return renderer; }
    // The selection as an area (BoundingBox::toArea).
    QRectF getLocationRect() const;
    // The views that are on show their data for the view as it is: the pieces have been
    // looked up, and the network, drawn in a thread of its own, has come for this view.
    bool areViewsReady() const
    {
        return (!piecesShown || pieces.isScanned()) && (!networkShown || network.isUpToDate())
            && (!problemsShown || problems.isLoaded());
    }

Q_SIGNALS:
    void newLocRect(QRectF locationRect);

public Q_SLOTS:
    void purgeTiles();
    // The three views over the tiles, all off at first. Switched off, a view forgets what it
    // showed; switched on, it shows that it waits until its data arrives.
    void showPieces(bool shown);
    void setPieceCells(const std::vector<PieceCell>& cells);
    void showNetwork(bool shown);
    void setNetworkPicture(const NetworkPicture& picture);
    void showProblems(bool shown);
    void setProblemPicture(const ProblemPicture& picture);
    // Marks the problem of the picture with this index and centres the map on it, zooming in
    // to problemZoom if the map is farther out; one without a position is only marked.
    void showProblem(int index);
    // Moves the selection to the area `selected` (clamped to the world, as a dragged corner is)
    // and zooms the map to show it and the area `shown`. Announced with newLocRect like a drag.
    void selectArea(const QRectF& selected, const QRectF& shown);
    // Moves the selection to the area (clamped to the world) and leaves the view where it is.
    // Announced with newLocRect like a drag.
    void setLocationRect(const QRectF& area);
    // Outlines the area a file covers; a null rectangle takes the outline away.
    void setFileArea(const QRectF& area);

private Q_SLOTS:
    void updateMap(QRect r);
    void updateMap();

protected:
    // Tooltips name the problems under the mouse.
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    int hitTestCorners(const QPoint& m);
    void placeSelection(const QRectF& area);
    // Where the widgets laid over the map (children of this one) are.
    std::vector<QRect> overlays() const;

    Renderer* renderer; // child of this widget
    bool dragging = false;
    QPoint lastMousePos;
    LocationRect selection;
    int activeCorner = 0;
    QPoint grabOffset;
    bool piecesShown = false;
    bool networkShown = false;
    PieceLayer pieces;
    NetworkLayer network;
    bool problemsShown = false;
    ProblemLayer problems;
    // Where the last paint put the map's credit: a press there follows its link.
    QRect creditArea;
    QRectF fileArea;

    // Shared by every map widget of the program.
    static int wheelAccumulator;
};

#endif
