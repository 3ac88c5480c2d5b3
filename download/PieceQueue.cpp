#include "download/PieceQueue.h"

#include "download/DownloadDiagnostic.h"
#include "download/PiecePlan.h"

#include <algorithm>

void PieceQueue::restart(int totalPieces)
{
    total = totalPieces;
    done = 0;
    splits = 0;
    files.clear();
    missing.clear();
    reasons.clear();
}

void PieceQueue::addMissing(const QRect& piece, const QString& reason)
{
    missing.push_back(piece);
    reasons << reason;
}

bool PieceQueue::plan(const QRect& area, int size)
{
    return PiecePlan::appendPieces(area, queue, size);
}

QRect PieceQueue::takeLast()
{
    const QRect piece = queue.back();
    queue.pop_back();
    return piece;
}

int PieceQueue::split(const QRect& piece, const std::vector<QRect>& parts)
{
    DownloadDiagnostic::line("Splitting: " + PiecePlan::gridText(piece));
    int queued = 0;
    for (const QRect& part : parts) {
        // A part that has failed before would fail again.
        if (std::find(failed.begin(), failed.end(), part) != failed.end())
            continue;
        DownloadDiagnostic::line("Splitted: " + PiecePlan::gridText(part));
        queue.push_back(part);
        ++total;
        ++queued;
    }
    return queued;
}

int PieceQueue::percent() const
{
    return static_cast<int>(static_cast<double>(done) / total * 100);
}
