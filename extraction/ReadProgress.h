#ifndef EXTRACTION_READPROGRESS_H
#define EXTRACTION_READPROGRESS_H

// How far the reading of one input file has come, in bytes of the file as it lies on disk
// (compressed bytes for a compressed file), counted over every pass over it: a clipped file is
// read twice. Hands the count on in steps, not for every block. Used in the processing worker
// thread.
#include <QtGlobal>
#include <functional>

class ReadProgress
{
public:
    using Report = std::function<void(qint64 done, qint64 total)>;

    // Reports (0, total) at once.
    ReadProgress(qint64 fileSize, int passes, Report report);

    // The pass about to start, counted from 0.
    void beginPass(int pass);
    // The position in the file during the current pass.
    void at(qint64 filePosition);
    // Reports (total, total), however far the reading came.
    void finish();

    qint64 total() const { return fileSize * passes; }

private:
    void send(qint64 done);

    qint64 fileSize;
    int passes;
    Report report;
    int pass = 0;
    qint64 step;
    qint64 reported = 0;
};

#endif
