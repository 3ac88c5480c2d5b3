#ifndef MAPVIEW_NETWORKPAINTER_H
#define MAPVIEW_NETWORKPAINTER_H

// Draws the map's network view into images: the ways coloured by road class, tram tracks,
// bus and tram stops and traffic signals of one network picture. Keeps the lines simplified
// per zoom level and the last image, from which a pan reuses what stays in view. Lives in a
// thread of its own (see NetworkLayer), so that drawing a city's network never holds up the
// map; it can also be used directly in one thread.
#include "mapview/NetworkPicture.h"
#include "mapview/ScrollImage.h"

#include <QImage>
#include <QObject>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <map>
#include <vector>

class QPainter;

class NetworkPainter : public QObject
{
    Q_OBJECT
public:
    // Line styles: road class c is 2c, its links 2c + 1; tram tracks come last.
    static constexpr int tramStyle = 18;
    static constexpr int styleCount = tramStyle + 1;
    // Stops are drawn from this zoom on, traffic signals from the next.
    static constexpr int stopsZoom = 14;
    static constexpr int signalsZoom = 15;

    explicit NetworkPainter(QObject* parent = nullptr);

    // The image of the last draw() and what it shows.
    const QImage& image() const { return cache.image(); }

public Q_SLOTS:
    // Takes the picture in; `generation` comes back with every image drawn of it.
    void setPicture(const NetworkPicture& picture, int generation);
    // Draws the world pixels `world` at the zoom level for a device with the pixel ratio.
    void draw(int zoom, const QRect& world, double ratio, int generation);

Q_SIGNALS:
    void drawn(const QImage& image, int zoom, const QRect& world, int generation);

private:
    // A run of points of a way at one zoom level, in world pixels, and their bounds.
    struct Shape
    {
        int first;
        int count;
        QRectF bounds;
    };
    struct Level
    {
        std::vector<QPointF> points;
        std::vector<Shape> shapes[styleCount];
        std::vector<QPointF> busStops;
        std::vector<QPointF> tramStops;
        std::vector<QPointF> trafficSignals;
    };
    // A way of the picture as fractions of the world's width and height (zoom 0).
    struct UnitLine
    {
        int first;
        int count;
        int roadStyle; // -1 for a track that is no road
        bool tram;
    };

    const Level& level(int zoom);
    void drawLevel(QPainter& painter, const Level& level, const QRectF& world, int zoom) const;

    int generation = 0;
    std::vector<QPointF> unitPoints;
    std::vector<UnitLine> unitLines;
    std::vector<QPointF> unitBusStops;
    std::vector<QPointF> unitTramStops;
    std::vector<QPointF> unitSignals;
    std::map<int, Level> levels;
    ScrollImage cache;
};

#endif
