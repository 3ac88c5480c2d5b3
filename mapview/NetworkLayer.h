#ifndef MAPVIEW_NETWORKLAYER_H
#define MAPVIEW_NETWORKLAYER_H

// The map's view of a network file, over the tiles, with its legend. A NetworkPainter in a
// thread of this layer draws the network for the view; a paint shows the latest image it has
// (moved, or scaled after a zoom, until the new one comes), so a repaint costs one image and
// the map stays responsive however large the network. Lives in the GUI thread.
#include "common/WorkerThread.h"
#include "mapview/NetworkPicture.h"

#include <QImage>
#include <QObject>
#include <QRect>
#include <QString>
#include <memory>
#include <vector>

class NetworkPainter;
class QPainter;
class Renderer;

class NetworkLayer : public QObject
{
    Q_OBJECT
public:
    explicit NetworkLayer(QObject* parent = nullptr);
    ~NetworkLayer() override;

    // Takes the picture in; the layer shows it until the next one or clear().
    void setPicture(const NetworkPicture& picture);
    // Back to "loading": nothing drawn, the legend says the network is on its way.
    void clear();
    // The network is drawn for the view of the last paint: shown as it is, not moved or scaled.
    bool isUpToDate() const;

    void paint(QPainter* painter, const Renderer& renderer, const QRect& view);
    // In the bottom right corner, lifted above an area of keepClear where it would come near it.
    void paintLegend(QPainter* painter, const QRect& view, const std::vector<QRect>& keepClear) const;

Q_SIGNALS:
    // A new image has come: the map should repaint.
    void changed();
    void pictureSent(const NetworkPicture& picture, int generation);
    void drawWanted(int zoom, const QRect& world, double ratio, int generation);

private Q_SLOTS:
    void imageDrawn(const QImage& drawnImage, int zoom, const QRect& world, int drawnGeneration);

private:
    std::unique_ptr<NetworkPainter> painter; // lives in `thread`

    // Each picture, and each clear(), has a number of its own; images of another are dropped.
    int generation = 0;
    bool loaded = false;
    bool empty = true;
    QString fileName;
    // What the network holds, for the legend's rows.
    struct Contents
    {
        unsigned roadClasses = 0; // bit c: a road of class c
        bool trams = false;
        bool busStops = false;
        bool tramStops = false;
        bool trafficSignals = false;
    };
    Contents contents;

    QImage image;
    int imageZoom = -1;
    QRect imageWorld;
    // The view of the last paint, and whether an image is being drawn (one at a time).
    int wantedZoom = -1;
    QRect wantedWorld;
    double wantedRatio = 1;
    bool drawing = false;
    // Last, so that it has ended before the painter dies.
    WorkerThread thread;
};

#endif
