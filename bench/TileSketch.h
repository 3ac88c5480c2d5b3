#ifndef BENCH_TILESKETCH_H
#define BENCH_TILESKETCH_H

// Map tiles drawn from real OpenStreetMap files in the colours of the standard OpenStreetMap
// map: land, landuse, water, buildings, roads with their casings, railways. For fake tile
// servers that should look like the real one when a person checks the map by eye. Used in
// the thread that made it.
#include <QByteArray>
#include <QColor>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <vector>

class QImage;

class TileSketch
{
public:
    // Reads the nodes and ways of the OSM XML files (and of the *.osm files of folders).
    void read(const QStringList& paths);
    // The 256 x 256 tile x, y at the zoom, as PNG bytes.
    QByteArray pngTile(int zoom, int x, int y) const;
    QImage tile(int zoom, int x, int y) const;

private:
    enum Kind {
        Landuse, Green, Wood, Water, Parking, Building,
        Motorway, Trunk, Primary, Secondary, Tertiary, Minor, Service, Path, Rail, Tram, River,
    };
    struct Look
    {
        QColor fill;
        QColor casing; // invalid: none
        double width;  // at zoom 16, in pixels
    };
    struct Shape
    {
        Kind kind;
        bool area;
        std::vector<QPointF> points; // in world units of zoom 0 (0..1)
    };
    static QColor areaColour(Kind kind);
    static Look lineLook(Kind kind);
    void readFile(const QString& path);

    std::vector<Shape> shapes;
};

#endif
