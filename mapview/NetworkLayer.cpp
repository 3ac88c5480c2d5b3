#include "mapview/NetworkLayer.h"

#include "mapview/NetworkPainter.h"
#include "mapview/Renderer.h"
#include "mapview/RoadStyle.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QMetaType>
#include <QPainter>
#include <QPen>
#include <QThread>
#include <cmath>
#include <vector>

namespace {

const int tileSize = 256;

} // namespace

NetworkLayer::NetworkLayer(QObject* parent)
    : QObject(parent)
    , thread(new QThread)
    , painter(new NetworkPainter)
{
    qRegisterMetaType<NetworkPicture>("NetworkPicture");
    painter->moveToThread(thread);
    connect(this, SIGNAL(pictureSent(NetworkPicture,int)), painter, SLOT(setPicture(NetworkPicture,int)));
    connect(this, SIGNAL(drawWanted(int,QRect,double,int)), painter, SLOT(draw(int,QRect,double,int)));
    connect(painter, SIGNAL(drawn(QImage,int,QRect,int)), this, SLOT(imageDrawn(QImage,int,QRect,int)));
    thread->start(QThread::InheritPriority);
}

NetworkLayer::~NetworkLayer()
{
    // An image being drawn is finished first; it is dropped with the queued signal.
    thread->quit();
    thread->wait();
    delete painter;
    delete thread;
}

void NetworkLayer::setPicture(const NetworkPicture& picture)
{
    clear();
    loaded = true;
    fileName = picture.fileName;
    empty = picture.isEmpty();
    for (const NetworkPicture::Line& line : picture.lines) {
        if (line.highway)
            roadClassesPresent |= 1u << qBound(0, line.roadClass, RoadStyle::roadClasses - 1);
        tramsPresent = tramsPresent || line.tram;
    }
    for (const NetworkPicture::Stop& stop : picture.stops) {
        busStopsPresent = busStopsPresent || stop.bus;
        tramStopsPresent = tramStopsPresent || stop.tram;
    }
    signalsPresent = !picture.trafficSignals.empty();
    ++generation;
    Q_EMIT pictureSent(picture, generation);
}

void NetworkLayer::clear()
{
    ++generation;
    loaded = false;
    empty = true;
    fileName.clear();
    roadClassesPresent = 0;
    tramsPresent = busStopsPresent = tramStopsPresent = signalsPresent = false;
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
    const QPoint origin = renderer.getOriginOffset() - renderer.getTileRange().topLeft() * tileSize;
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

void NetworkLayer::paintLegend(QPainter* target, const QRect& view) const
{
    QString title;
    if (!loaded)
        title = QString("Loading the network...");
    else if (fileName.isEmpty())
        title = QString("No network file yet");
    else
        title = QString("Network: %1").arg(QFileInfo(fileName).fileName());

    enum Kind { Road, Tram, BusStop, TramStop, Signal };
    struct Row
    {
        QString text;
        QColor colour;
        Kind kind;
    };
    // What the file holds, and nothing else.
    std::vector<Row> rows;
    for (int roadClass = 0; roadClass < RoadStyle::roadClasses; ++roadClass)
        if (roadClassesPresent & (1u << roadClass))
            rows.push_back({RoadStyle::name(roadClass), RoadStyle::colour(roadClass), Road});
    if (tramsPresent)
        rows.push_back({QString("tram track"), RoadStyle::tramColour(), Tram});
    if (busStopsPresent)
        rows.push_back({QString("bus stop"), RoadStyle::busStopColour(), BusStop});
    if (tramStopsPresent)
        rows.push_back({QString("tram stop"), RoadStyle::tramStopColour(), TramStop});
    if (signalsPresent)
        rows.push_back({QString("traffic signals"), RoadStyle::signalColour(), Signal});

    target->save();
    const QFontMetrics metrics(target->font());
    const int line = metrics.height() + 2;
    const int swatch = 22;
    int width = metrics.horizontalAdvance(title);
    for (const Row& row : rows)
        width = std::max(width, swatch + 6 + metrics.horizontalAdvance(row.text));
    const int height = line * int(rows.size() + 1) + 8;
    const QRect box(view.right() - 8 - (width + 12), view.bottom() - 8 - height, width + 12, height);
    target->setRenderHint(QPainter::Antialiasing, false);
    target->setPen(QColor(90, 90, 90));
    target->setBrush(QColor(255, 255, 255, 225));
    target->drawRect(box);
    target->setPen(Qt::black);
    int y = box.top() + 4;
    target->drawText(QRect(box.left() + 6, y, width, line), Qt::AlignVCenter | Qt::AlignLeft, title);
    target->setRenderHint(QPainter::Antialiasing, true);
    for (const Row& row : rows) {
        y += line;
        const double mid = y + line / 2.0;
        const int x = box.left() + 6;
        if (row.kind == Road || row.kind == Tram) {
            QPen pen(row.colour, row.kind == Road ? 4.0 : 2.0, Qt::SolidLine, Qt::FlatCap);
            if (row.kind == Tram)
                pen.setDashPattern({3.0, 2.0});
            target->setPen(pen);
            target->drawLine(QPointF(x, mid), QPointF(x + swatch, mid));
        } else {
            target->setPen(row.kind == Signal ? QPen(Qt::NoPen) : QPen(Qt::white, 1.0));
            target->setBrush(row.colour);
            const QPointF centre(x + swatch / 2.0, mid);
            if (row.kind == BusStop)
                target->drawRect(QRectF(centre - QPointF(4, 4), QSizeF(8, 8)));
            else if (row.kind == TramStop)
                target->drawEllipse(centre, 3.5, 3.5);
            else
                target->drawEllipse(centre, 2.5, 2.5);
        }
        target->setPen(Qt::black);
        target->drawText(QRect(x + swatch + 6, y, width, line), Qt::AlignVCenter | Qt::AlignLeft, row.text);
    }
    target->restore();
}
