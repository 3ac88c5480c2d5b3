#include "download/AreaCount.h"

#include "download/PiecePlan.h"
#include "download/PieceStore.h"
#include "download/RequestPolicy.h"

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

AreaCount AreaCount::of(const BoundingBox& box, DownloadSource source)
{
    AreaCount count;
    // The downloader's own refusal.
    const int size = DownloadSources::tileSize(source);
    const QRect grid = PiecePlan::toGridRect(box);
    if (RequestPolicy::tooLarge(box, size)) {
        count.tooLarge = true;
        if (PiecePlan::fitsGrid(box))
            count.pieces = PiecePlan::countPieces(grid, size);
        return count;
    }
    count.pieces = PiecePlan::countPieces(grid, size);

    // A run takes a piece from disk when its file is a whole piece; counted here by the files'
    // first and last bytes, as the selection moves, while a run reads each file through. The
    // folder is listed once and its names read back into pieces, rather than each of up to a
    // million pieces looked up by name; PiecePlan::fromFileName accepts exactly the names that
    // the store gives. Only the files of the area's pieces are opened.
    const PieceStore store(DownloadSources::folder(source));
    QSet<QRect> named;
    for (const QString& name : QDir(store.folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::NoSort)) {
        QRect piece;
        if (PiecePlan::fromFileName(name, piece))
            named.insert(piece);
    }
    if (named.isEmpty())
        return count;
    std::vector<QRect> plan;
    if (!PiecePlan::appendPieces(grid, plan, size)) {
        count = AreaCount();
        count.tooLarge = true;
        return count;
    }
    for (const QRect& piece : plan)
        count.onDisk += named.contains(piece) && store.hasWholeLookingFile(piece) ? 1 : 0;
    return count;
}
