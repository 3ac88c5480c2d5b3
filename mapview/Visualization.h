#ifndef MAPVIEW_VISUALIZATION_H
#define MAPVIEW_VISUALIZATION_H

// The map widget: shows the map through its renderer, pans and zooms with mouse and
// wheel, and edits the selected area by its corner handles. Lives in the GUI thread.
#include "mapview/LocationRect.h"

#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QWidget>

class Renderer;
class QMouseEvent;
class QPaintEvent;
class QResizeEvent;
class QWheelEvent;

class Visualization : public QWidget
{
    Q_OBJECT
public:
    explicit Visualization(QWidget* parent = nullptr);

    Renderer* getRenderer() const { return renderer; }
    // The selection as x = west, y = north, width >= 0, height <= 0.
    QRectF getLocationRect() const;

signals:
    void newLocRect(QRectF locationRect);

public slots:
    void purgeTiles();

private slots:
    void updateMap(QRect r);
    void updateMap();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    int hitTestCorners(const QPoint& m);

    Renderer* renderer; // child of this widget
    bool dragging;
    QPoint lastMousePos;
    LocationRect selection;
    int activeCorner;
    QPoint grabOffset;

    // Shared by every map widget of the program.
    static int wheelAccumulator;
};

#endif
