// Pelagor: choose an area on the map and turn its OpenStreetMap data into a network
// file for the traffic simulator Dorvex.
#include "app/MainWindow.h"
#include "mapview/MapTileDownloader.h"

#include <QApplication>
#include <QMetaType>
#include <QPoint>
#include <vector>

int main(int argc, char* argv[])
{
    // Sharp on high-density screens: the window is laid out in device-independent pixels,
    // and icons and the map's own pictures are drawn at the screen's pixel ratio.
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QApplication app(argc, argv);
    QApplication::setApplicationName("Pelagor");
    // Lets the desktop pair the window with its menu entry, PELAGOR_APP_ID.desktop.
    QApplication::setDesktopFileName(PELAGOR_APP_ID);
    MainWindow window;
    window.show();
    return app.exec();
}
