#include "app/SelectionStatus.h"

#include "download/PiecePlan.h"
#include "download/PieceStore.h"

#include <QDir>
#include <QHash>
#include <QRect>
#include <QSet>
#include <QStringList>
#include <vector>

inline uint qHash(const QRect& rect, uint seed = 0)
{
    return qHash(qMakePair(qMakePair(rect.left(), rect.top()), qMakePair(rect.right(), rect.bottom())), seed);
}

namespace {

const QString tooLarge = QStringLiteral("Selected area is too large");

} // namespace

QString SelectionStatus::describe(const QRectF& area)
{
    // The same refusals as the downloader's, in the same order.
    if (!PiecePlan::fitsGrid(area))
        return tooLarge;
    const QRect grid = PiecePlan::toGridRect(area);
    const qint64 pieces = PiecePlan::countPieces(grid);
    if (pieces > PiecePlan::maxPieces)
        return tooLarge;

    // A run takes a piece from disk when its file is a whole piece. The folder is listed once
    // and its names read back into pieces, rather than each of up to a million pieces looked up
    // by name; PiecePlan::fromFileName accepts exactly the names that pieceFilePath gives. Only
    // the files of the area's pieces are opened.
    QSet<QRect> onDisk;
    const QStringList names
        = QDir(PiecePlan::downloadDir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QString& name : names) {
        QRect piece;
        if (PiecePlan::fromFileName(name, piece))
            onDisk.insert(piece);
    }
    qint64 found = 0;
    if (!onDisk.isEmpty()) {
        std::vector<QRect> plan;
        if (!PiecePlan::appendPieces(grid, plan))
            return tooLarge;
        const PieceStore store(PiecePlan::downloadDir);
        for (const QRect& piece : plan)
            found += onDisk.contains(piece) && store.hasWholeFile(piece) ? 1 : 0;
    }
    return QString("%1 %2: %3 on disk, %4 to download")
        .arg(pieces)
        .arg(pieces == 1 ? "piece" : "pieces")
        .arg(found)
        .arg(pieces - found);
}
