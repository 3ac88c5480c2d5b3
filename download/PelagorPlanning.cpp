// The first half of a download: the area checked, laid on the grid and cut into the pieces
// that are requested, and the quadrants of a refused piece.
#include "download/Pelagor.h"

#include "download/PiecePlan.h"

#include <QDir>

#include <iostream>

bool Pelagor::downloadArea(const QRectF& area)
{
    if (!checkBoundaries(area))
        return false;
    if (!prepareRequests(area))
        return false;
    requestNext();
    return true;
}

bool Pelagor::checkBoundaries(const QRectF& area)
{
    const double left = area.x();
    const double right = area.x() + area.width();
    const double top = area.y();
    const double bottom = area.y() + area.height();
    if (right >= left && top >= bottom)
        return true;
    // A NaN bound fails every comparison, so it is refused without a line.
    if (left > right)
        std::cerr << "Pelagor: " << "Invalid boundaries! Right longitude has to be greater than left longitude"
                  << std::endl;
    if (bottom > top)
        std::cerr << "Pelagor: " << "Invalid boundaries! Top latitude has to be greater than bottom latitude"
                  << std::endl;
    return false;
}

bool Pelagor::prepareRequests(const QRectF& area)
{
    this->area = toGridRect(area);
    // Grid values beyond the int range were clamped by toGridRect; such an area is refused as too
    // large rather than planned from the clamped values.
    const qint64 pieces = PiecePlan::fitsGrid(area) ? countPieces() : PiecePlan::maxPieces + 1;
    totalFiles = pieces <= PiecePlan::maxPieces ? static_cast<int>(pieces) : 0;
    pendingRequests = 0;
    doneFiles = 0;
    filesPaths.clear();
    retryPolicy = RetryPolicy::current();
    tries = 0;
    failuresInARow = 0;
    splitPieces = 0;
    missingPieces.clear();
    stopped = false;
    requestLineOpen = false;

    if (pieces > PiecePlan::maxPieces || !fillRequestQueue()) {
        Q_EMIT message("Selected area is too large!");
        return false;
    }
    if (!QDir(downloadDir).exists() && !QDir().mkdir(downloadDir)) {
        Q_EMIT message(QString("Could not create folder \"%1\"!").arg(downloadDir));
        return false;
    }
    Q_EMIT message(QString("Total %1 files to be requested...\n").arg(totalFiles));
    return true;
}

QRect Pelagor::toGridRect(const QRectF& area)
{
    return PiecePlan::toGridRect(area);
}

qint64 Pelagor::countPieces()
{
    return PiecePlan::countPieces(area);
}

bool Pelagor::fillRequestQueue()
{
    return PiecePlan::appendPieces(area, requestQueue);
}

void Pelagor::splitPiece(const QRect& piece)
{
    std::cerr << "Pelagor: " << "Splitting: " << PiecePlan::gridText(piece) << std::endl;
    for (const QRect& quadrant : PiecePlan::quadrants(piece)) {
        // A quadrant that has failed before would fail again; this also ends the splitting of
        // pieces too small to shrink.
        bool failed = false;
        for (const QRect& f : failedPieces)
            failed = failed || f == quadrant;
        if (failed)
            continue;
        std::cerr << "Pelagor: " << "Splitted: " << PiecePlan::gridText(quadrant) << std::endl;
        requestQueue.push_back(quadrant);
        ++totalFiles;
    }
}

QString Pelagor::pieceFilePath(const QRect& piece)
{
    return QString("%1%2.%3").arg(downloadDir, pieceName(piece), fileExtension);
}

QString Pelagor::pieceName(const QRect& piece)
{
    return PiecePlan::pieceName(piece);
}
