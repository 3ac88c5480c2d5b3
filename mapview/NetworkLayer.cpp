#include "mapview/NetworkLayer.h"

#include "mapview/MapLegend.h"
#include "mapview/NetworkPainter.h"
#include "mapview/Renderer.h"
#include "mapview/RoadStyle.h"

#include <QFileInfo>
#include <QMetaType>
#include <QPainter>
#include <QPen>
#include <cmath>

// Registered when the program loads, where the type is declared: queued connections between
// threads carry it, and no caller has to remember to register it.
static const int pictureType = qRegisterMetaType<NetworkPicture>("NetworkPicture");

namespace {

const int legendSwatchWidth = 22;

QPointF centreOf(const QRect& swatch)
{
    return QPointF(swatch.left() + swatch.width() / 2.0, swatch.top() + swatch.height() / 2.0);
}

// A road as a solid line, a tram track dashed, across the middle of the swatch.
MapLegend::SwatchPainter lineSwatch(const QColor& colour, bool tram)
{
    return [colour, tram](QPainter* p, const QRect& swatch) {
        QPen pen(colour, tram ? 2.0 : 4.0, Qt::SolidLine, Qt::FlatCap);
        if (tram)
            pen.setDashPattern({3.0, 2.0});
        p->setPen(pen);
        const double mid = swatch.top() + swatch.height() / 2.0;
        p->drawLine(QPointF(swatch.left(), mid), QPointF(swatch.left() + swatch.width(), mid));
    };
}

} // namespace

NetworkLayer::NetworkLayer(QObject* parent)
    : QObject(parent)
    , painter(new NetworkPainter)
{
    thread.take(painter.get());
    connect(this, SIGNAL(pictureSent(NetworkPicture,int)), painter.get(), SLOT(setPicture(NetworkPicture,int)));
    connect(this, SIGNAL(drawWanted(int,QRect,double,int)), painter.get(), SLOT(draw(int,QRect,double,int)));
    connect(painter.get(), SIGNAL(drawn(QImage,int,QRect,int)), this, SLOT(imageDrawn(QImage,int,QRect,int)));
    thread.start();
}

// An image being drawn is finished first (the thread is waited for); it is dropped with the
// queued signal.
NetworkLayer::~NetworkLayer() = default;

void NetworkLayer::setPicture(const NetworkPicture& picture)
{
    clear();
    loaded = true;
    fileName = picture.fileName;
    empty = picture.isEmpty();
    for (const NetworkPicture::Line& line : picture.lines) {
        if (line.highway)
            contents.roadClasses |= 1u << qBound(0, line.roadClass, RoadStyle::roadClasses - 1);
        contents.trams = contents.trams || line.tram;
    }
    for (const NetworkPicture::Stop& stop : picture.stops) {
        contents.busStops = contents.busStops || stop.bus;
        contents.tramStops = contents.tramStops || stop.tram;
    }
    contents.trafficSignals = !picture.trafficSignals.empty();
    ++generation;
    Q_EMIT pictureSent(picture, generation);
}

void NetworkLayer::clear()
{
    ++generation;
    loaded = false;
    empty = true;
    fileName.clear();
    contents = Contents();
    image = QImage();
    imageZoom = -1;
    imageWorld = QRect();
    // The painter lets go of the picture it had.
    Q_EMIT pictureSent(NetworkPicture(), generation);
}

bool NetworkLayer::isUpToDate() const
{
    return loaded && (empty || (!image.isNull() && imageZoom == wantedZoom && imageWorld == wantedWorld));
}

void NetworkLayer::paint(QPainter* target, const Renderer& renderer, const QRect& view)
{
    if (!loaded || empty)
        return;
    const int zoom = renderer.getZoom();
    // Widget pixel of world pixel (0, 0), exactly as the renderer places the tiles.
    const QPoint origin = renderer.worldOrigin();
    wantedZoom = zoom;
    wantedWorld = view.translated(-origin);
    wantedRatio = target->device()->devicePixelRatioF();
    const bool current = !image.isNull() && imageZoom == zoom && imageWorld == wantedWorld
        && image.devicePixelRatio() == wantedRatio;
    if (!current && !drawing) {
        drawing = true;
        Q_EMIT drawWanted(zoom, wantedWorld, wantedRatio, generation);
    }
    if (image.isNull())
        return;
    if (imageZoom == zoom) {
        target->drawImage(imageWorld.topLeft() + origin, image);
    } else {
        // Until the image for the new zoom comes, the last one stands in, scaled.
        const double scale = std::pow(2.0, zoom - imageZoom);
        target->drawImage(QRectF(QPointF(imageWorld.topLeft()) * scale + origin, QSizeF(imageWorld.size()) * scale),
                          image);
    }
}

void NetworkLayer::imageDrawn(const QImage& drawnImage, int zoom, const QRect& world, int drawnGeneration)
{
    drawing = false;
    if (drawnGeneration == generation) {
        image = drawnImage;
        imageZoom = zoom;
        imageWorld = world;
    }
    // Also for a dropped image: the next paint asks for the view as it is now.
    Q_EMIT changed();
}

void NetworkLayer::paintLegend(QPainter* target, const QRect& view, const std::vector<QRect>& keepClear) const
{
    // Without a network file the status bar alone says so.
    if (loaded && fileName.isEmpty())
        return;
    const QString title = loaded ? QString("Network: %1").arg(QFileInfo(fileName).fileName())
                                 : QString("Loading the network...");

    // What the file holds, and nothing else.
    MapLegend legend(title, legendSwatchWidth);
    for (int roadClass = 0; roadClass < RoadStyle::roadClasses; ++roadClass)
        if (contents.roadClasses & (1u << roadClass))
            legend.addRow(RoadStyle::name(roadClass), lineSwatch(RoadStyle::colour(roadClass), false));
    if (contents.trams)
        legend.addRow(QString("tram track"), lineSwatch(RoadStyle::tramColour(), true));
    if (contents.busStops)
        legend.addRow(QString("bus stop"), [](QPainter* p, const QRect& swatch) {
            p->setPen(QPen(Qt::white, 1.0));
            p->setBrush(RoadStyle::busStopColour());
            p->drawRect(QRectF(centreOf(swatch) - QPointF(4, 4), QSizeF(8, 8)));
        });
    if (contents.tramStops)
        legend.addRow(QString("tram stop"), [](QPainter* p, const QRect& swatch) {
            p->setPen(QPen(Qt::white, 1.0));
            p->setBrush(RoadStyle::tramStopColour());
            p->drawEllipse(centreOf(swatch), 3.5, 3.5);
        });
    if (contents.trafficSignals)
        legend.addRow(QString("traffic signals"), [](QPainter* p, const QRect& swatch) {
            p->setPen(Qt::NoPen);
            p->setBrush(RoadStyle::signalColour());
            p->drawEllipse(centreOf(swatch), 2.5, 2.5);
        });
    legend.paint(target, view, MapLegend::BottomRight, keepClear);
}
