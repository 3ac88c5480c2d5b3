#include "download/PiecePlan.h"

#include "common/DataFolders.h"

#include <QFileInfo>
#include <QStringList>

#include <cmath>
#include <limits>
#include <new>

namespace {

const double gridUnit = 0.001;

bool fitsInt(double value)
{
    return value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max();
}

// Saturates instead of converting out of range, which would be undefined behaviour.
int clampToInt(double value)
{
    if (value >= std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (value <= std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    if (std::isnan(value))
        return 0;
    return static_cast<int>(value);
}

// The four grid values of toGridRect (x1, y1, x2, y2), still in double.
std::array<double, 4> gridBounds(const BoundingBox& box)
{
    return {std::floor(box.west() / gridUnit), std::ceil(box.north() / gridUnit), std::ceil(box.east() / gridUnit),
            std::floor(box.south() / gridUnit)};
}

qint64 ceilDiv(qint64 n, qint64 d)
{
    if (n <= 0)
        return 0;
    return n / d + (n % d != 0 ? 1 : 0);
}

} // namespace

const QString PiecePlan::downloadDir = DataFolders::downloads();
const QString PiecePlan::nameSeparator = QStringLiteral("-");
const QString PiecePlan::fileExtension = QStringLiteral("osm");

QRect PiecePlan::gridRect(int x1, int y1, int x2, int y2)
{
    QRect rect;
    rect.setCoords(x1, y1, x2, y2);
    return rect;
}

QRect PiecePlan::toGridRect(const BoundingBox& box)
{
    const std::array<double, 4> b = gridBounds(box);
    return gridRect(clampToInt(b[0]), clampToInt(b[1]), clampToInt(b[2]), clampToInt(b[3]));
}

BoundingBox PiecePlan::toBox(const QRect& piece)
{
    int x1, y1, x2, y2;
    piece.getCoords(&x1, &y1, &x2, &y2);
    return BoundingBox(x1 * gridUnit, y2 * gridUnit, x2 * gridUnit, y1 * gridUnit);
}

bool PiecePlan::fitsGrid(const BoundingBox& box)
{
    const std::array<double, 4> b = gridBounds(box);
    return fitsInt(b[0]) && fitsInt(b[1]) && fitsInt(b[2]) && fitsInt(b[3]);
}

qint64 PiecePlan::countPieces(const QRect& area, int size)
{
    int x1, y1, x2, y2;
    area.getCoords(&x1, &y1, &x2, &y2);
    // In 64 bits: the extent of a clamped grid does not fit an int, nor does the product.
    const qint64 columns = ceilDiv(qint64(x2) - x1, size);
    const qint64 rows = ceilDiv(qint64(y1) - y2, size);
    return columns * rows;
}

bool PiecePlan::appendPieces(const QRect& area, std::vector<QRect>& queue, int size)
{
    const qint64 pieces = countPieces(area, size);
    if (pieces > maxPieces)
        return false;
    try {
        queue.reserve(queue.size() + static_cast<size_t>(pieces));
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }

    int x1, y1, x2, y2;
    area.getCoords(&x1, &y1, &x2, &y2);
    // 64-bit steps, so that stepping past a bound near the end of the int range cannot overflow.
    for (qint64 x = x1; x < x2; x += size) {
        for (qint64 y = y2; y < y1; y += size) {
            queue.push_back(gridRect(static_cast<int>(x), static_cast<int>(qMin<qint64>(y + size, y1)),
                                     static_cast<int>(qMin<qint64>(x + size, x2)), static_cast<int>(y)));
        }
    }
    return true;
}

std::array<QRect, 4> PiecePlan::quadrants(const QRect& piece)
{
    int x1, y1, x2, y2;
    piece.getCoords(&x1, &y1, &x2, &y2);
    const int mx = static_cast<int>((qint64(x1) + x2) / 2);
    const int my = static_cast<int>((qint64(y1) + y2) / 2);
    return {
        gridRect(x1, y1, mx, my), // north-west
        gridRect(x1, my, mx, y2), // south-west
        gridRect(mx, y1, x2, my), // north-east
        gridRect(mx, my, x2, y2), // south-east
    };
}

std::vector<QRect> PiecePlan::split(const QRect& piece, int smallest)
{
    int x1, y1, x2, y2;
    piece.getCoords(&x1, &y1, &x2, &y2);
    const qint64 width = qint64(x2) - x1;
    const qint64 height = qint64(y1) - y2;
    const bool acrossX = width >= 2 * qint64(smallest);
    const bool acrossY = height >= 2 * qint64(smallest);
    if (width < 1 || height < 1)
        return {};
    if (acrossX && acrossY) {
        const std::array<QRect, 4> q = quadrants(piece);
        return {q[0], q[1], q[2], q[3]};
    }
    const int mx = static_cast<int>((qint64(x1) + x2) / 2);
    const int my = static_cast<int>((qint64(y1) + y2) / 2);
    if (acrossY)
        return {gridRect(x1, y1, x2, my), gridRect(x1, my, x2, y2)};
    if (acrossX)
        return {gridRect(x1, y1, mx, y2), gridRect(mx, y1, x2, y2)};
    return {};
}

QString PiecePlan::pieceName(const QRect& piece)
{
    const BoundingBox box = toBox(piece);
    return QString("%1%2%3%4%5%6%7")
        .arg(box.west())
        .arg(nameSeparator)
        .arg(box.south())
        .arg(nameSeparator)
        .arg(box.east())
        .arg(nameSeparator)
        .arg(box.north());
}

QString PiecePlan::pieceFilePath(const QRect& piece)
{
    return QString("%1%2.%3").arg(downloadDir, pieceName(piece), fileExtension);
}

bool PiecePlan::fromFileName(const QString& fileName, QRect& piece)
{
    const QString name = QFileInfo(fileName).fileName();
    if (!name.endsWith('.' + fileExtension))
        return false;
    // Negative bounds keep their minus sign, so "-0.5--1-0-0.01" has empty parts that belong to
    // the number after them.
    const QStringList parts = name.chopped(fileExtension.size() + 1).split(nameSeparator);
    QStringList numbers;
    bool negative = false;
    for (const QString& part : parts) {
        if (part.isEmpty()) {
            if (negative)
                return false;
            negative = true;
            continue;
        }
        numbers << (negative ? '-' + part : part);
        negative = false;
    }
    if (negative || numbers.size() != 4)
        return false;
    int grid[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const double degrees = numbers[i].toDouble(&ok);
        if (!ok || !std::isfinite(degrees) || !fitsInt(std::round(degrees / gridUnit)))
            return false;
        grid[i] = static_cast<int>(std::lround(degrees / gridUnit));
    }
    piece = gridRect(grid[0], grid[3], grid[2], grid[1]);
    // Only a name the downloader itself would give is a piece name.
    return pieceName(piece) == name.chopped(fileExtension.size() + 1);
}

std::string PiecePlan::gridText(const QRect& piece)
{
    int x1, y1, x2, y2;
    piece.getCoords(&x1, &y1, &x2, &y2);
    return std::to_string(x1) + ' ' + std::to_string(y2) + ' ' + std::to_string(x2) + ' ' + std::to_string(y1);
}
