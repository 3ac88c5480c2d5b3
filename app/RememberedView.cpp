#include "app/RememberedView.h"

#include "mapview/Renderer.h"
#include "mapview/Visualization.h"

#include <QGuiApplication>
#include <QRect>
#include <QRectF>
#include <QScreen>
#include <QSettings>
#include <QStringList>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace {

const QString geometryKey = QStringLiteral("window/geometry");
const QString maximizedKey = QStringLiteral("window/maximized");
const QString latitudeKey = QStringLiteral("map/latitude");
const QString longitudeKey = QStringLiteral("map/longitude");
const QString zoomKey = QStringLiteral("map/zoom");
const QString selectionKey = QStringLiteral("map/selection");

bool readNumber(const QSettings& settings, const QString& key, double& value)
{
    bool ok = false;
    const double read = settings.value(key).toDouble(&ok);
    if (!ok || !std::isfinite(read))
        return false;
    value = read;
    return true;
}

// The rectangle moved and shrunk into the screen it lies on most, or into the primary one
// when it lies on none.
QRect onScreen(const QRect& wanted)
{
    const QScreen* best = QGuiApplication::primaryScreen();
    int bestArea = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect common = screen->availableGeometry().intersected(wanted);
        if (common.width() * common.height() > bestArea) {
            bestArea = common.width() * common.height();
            best = screen;
        }
    }
    const QRect room = best->availableGeometry();
    QRect r(wanted.topLeft(), wanted.size().boundedTo(room.size()));
    r.moveLeft(std::max(room.left(), std::min(r.left(), room.right() - r.width() + 1)));
    r.moveTop(std::max(room.top(), std::min(r.top(), room.bottom() - r.height() + 1)));
    return r;
}

QString number(double value)
{
    // A decimal text that reads back to the same double.
    return QString::number(value, 'g', 17);
}

// West, south, east, north, as the programs' command lines take an area; the settings file
// has them as "W, S, E, N".
QStringList areaText(const QRectF& area)
{
    return QStringList({number(area.left()), number(area.top() + area.height()), number(area.left() + area.width()),
                        number(area.top())});
}

bool readArea(const QStringList& parts, QRectF& area)
{
    double b[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = parts.size() == 4;
        b[i] = ok ? parts[i].toDouble(&ok) : 0;
        if (!ok || !std::isfinite(b[i]))
            return false;
    }
    area = QRectF(b[0], b[3], b[2] - b[0], b[1] - b[3]);
    return true;
}

} // namespace

void RememberedView::restore(QWidget* window, Visualization* map)
{
    const QSettings settings;
    // A file that cannot be parsed is all start state; one that cannot be written still reads.
    if (settings.status() == QSettings::FormatError)
        return;
    const QVariant geometry = settings.value(geometryKey);
    if (geometry.userType() == QMetaType::QRect && geometry.toRect().isValid()) {
        const QRect wanted = geometry.toRect();
        const QSize least = window->minimumSizeHint().expandedTo(QSize(200, 150));
        window->setGeometry(onScreen(QRect(wanted.topLeft(), wanted.size().expandedTo(least))));
    }
    if (settings.value(maximizedKey).toBool())
        window->setWindowState(window->windowState() | Qt::WindowMaximized);

    Renderer* renderer = map->getRenderer();
    GeoPoint centre = renderer->getCenter();
    bool zoomRead = false;
    const int zoom = settings.value(zoomKey).toInt(&zoomRead);
    const bool centreRead = readNumber(settings, latitudeKey, centre.lat) && readNumber(settings, longitudeKey, centre.lon);
    if (zoomRead || centreRead)
        renderer->setView(centreRead ? centre : renderer->getCenter(), zoomRead ? zoom : renderer->getZoom());

    QRectF area;
    if (readArea(settings.value(selectionKey).toStringList(), area))
        map->setLocationRect(area);
}

void RememberedView::save(const QWidget* window, const Visualization* map)
{
    QSettings settings;
    const bool maximized = window->isMaximized();
    settings.setValue(geometryKey, maximized ? window->normalGeometry() : window->geometry());
    settings.setValue(maximizedKey, maximized);
    const Renderer* renderer = map->getRenderer();
    settings.setValue(latitudeKey, number(renderer->getCenter().lat));
    settings.setValue(longitudeKey, number(renderer->getCenter().lon));
    settings.setValue(zoomKey, renderer->getZoom());
    settings.setValue(selectionKey, areaText(map->getLocationRect()));
}
