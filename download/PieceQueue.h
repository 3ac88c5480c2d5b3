#ifndef DOWNLOAD_PIECEQUEUE_H
#define DOWNLOAD_PIECEQUEUE_H

// The bookkeeping of one download: the pieces still to be taken (from the back), the pieces
// whose replies failed, the files listed for the parser in the order they were accounted for,
// the pieces missing when the run ended, and the counts behind the progress percentage.
// A value object, used in the processing worker thread.
#include <QRect>
#include <QString>
#include <QStringList>
#include <vector>

class PieceQueue
{
public:
    // A new run of `total` pieces: the counts and the lists of files and missing pieces start
    // again. What is still queued and the pieces that failed before are kept.
    void restart(int total);
    // Appends the area's pieces of `size` units in the order of PiecePlan; false when there
    // are too many.
    bool plan(const QRect& area, int size);

    bool isEmpty() const { return queue.empty(); }
    QRect takeLast();
    // Queues the parts of a refused piece that have not failed before, adds them to the total
    // and says so on the standard error stream; returns how many were queued.
    int split(const QRect& piece, const std::vector<QRect>& parts);

    void addFailed(const QRect& piece) { failed.push_back(piece); }
    // A piece that is not on disk when the run ends, and why.
    void addMissing(const QRect& piece, const QString& reason);
    void listFile(const QString& path) { files.push_back(path); }
    void countDone() { ++done; }
    void countSplit() { ++splits; }

    // doneFiles / totalFiles in whole percent, truncated; a split raises the total, so the
    // percentage may fall back.
    int percent() const;
    bool allDone() const { return done == total; }
    // The pieces of the area as planned, not counting the ones that were split.
    int plannedPieces() const { return total - splits; }

    int totalFiles() const { return total; }
    int doneFiles() const { return done; }
    const std::vector<QRect>& pending() const { return queue; }
    const std::vector<QRect>& failedPieces() const { return failed; }
    const std::vector<QRect>& missingPieces() const { return missing; }
    const QStringList& missingReasons() const { return reasons; }
    const std::vector<QString>& filesPaths() const { return files; }

private:
    std::vector<QRect> queue;
    std::vector<QRect> failed; // every piece whose reply failed; never cleared
    std::vector<QString> files;
    std::vector<QRect> missing;
    QStringList reasons; // of the missing pieces, in their order
    int total = 0;
    int done = 0;
    int splits = 0;
};

#endif
