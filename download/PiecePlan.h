#ifndef DOWNLOAD_PIECEPLAN_H
#define DOWNLOAD_PIECEPLAN_H

// How an area is cut into the pieces that are downloaded: the grid of 0.001 degree, the
// pieces of 10 x 10 grid units in the order a download takes them, their names and file
// paths, and the quadrants of a refused piece. Plain functions of their arguments, with no
// network objects, so the map's selection status can count exactly what a download does.
// Usable in any thread.
#include "common/BoundingBox.h"

#include <QRect>
#include <QString>
#include <array>
#include <string>
#include <vector>

class PiecePlan
{
public:
    // More pieces than this in one area are refused as too large; planning them would take the
    // memory of hundreds of millions of queued rectangles and days of requests.
    static constexpr qint64 maxPieces = 1000000;
    // The side of a piece of the editing API, in grid units: 0.01 degree.
    static constexpr int pieceSize = 10;
    // Folder of the piece files, relative to the working directory, and their name parts.
    static const QString downloadDir;
    static const QString nameSeparator;
    static const QString fileExtension;

    // The grid form of a box: a QRect of whole grid units (thousandths of a degree), set and read
    // through its coordinates only, with x1 = west, y1 = north (the larger latitude), x2 = east
    // and y2 = south. toGridRect gives the smallest such rectangle that holds the box, each bound
    // divided by 0.001 in double (not multiplied by 1000: 55.8 / 0.001 is 55799.99...) and then
    // rounded outward; bounds beyond the int range are clamped. toBox gives a grid rectangle's
    // bounds in degrees, each grid value times 0.001.
    static QRect toGridRect(const BoundingBox& box);
    static BoundingBox toBox(const QRect& piece);
    // False when the box's grid bounds do not fit an int: such an area is too large to plan.
    static bool fitsGrid(const BoundingBox& box);
    // Pieces of `size` x `size` units, from the area's south-west corner; the last column and
    // row are cut to the area.
    static qint64 countPieces(const QRect& area, int size = pieceSize);
    // Appends the area's pieces, column by column from west to east, each from south to north;
    // a download takes them from the back. False, with nothing appended, when there are more
    // than maxPieces or memory runs out.
    static bool appendPieces(const QRect& area, std::vector<QRect>& queue, int size = pieceSize);
    // North-west, south-west, north-east, south-east, cut at the middle in whole units
    // (truncating toward zero, also for negative coordinates).
    static std::array<QRect, 4> quadrants(const QRect& piece);
    // The parts a refused piece is asked for as: its quadrants, or its two halves when it is
    // too narrow (north, south) or too low (west, east) to cut, so that no part is smaller than
    // `smallest` units across (and none has zero width or height). None when it cannot be cut
    // either way.
    static std::vector<QRect> split(const QRect& piece, int smallest = 1);

    // "W-S-E-N" in degrees, each bound with 6 significant digits: "16.604-49.197-16.611-49.202".
    static QString pieceName(const QRect& piece);
    // downloadDir + pieceName + ".osm".
    static QString pieceFilePath(const QRect& piece);
    // The piece of a piece file name ("W-S-E-N.osm", any folder), false when the name is none.
    static bool fromFileName(const QString& fileName, QRect& piece);
    // "x1 y2 x2 y1" as decimal grid values, as diagnostics name a piece.
    static std::string gridText(const QRect& piece);
    static QRect gridRect(int x1, int y1, int x2, int y2);
};

#endif
