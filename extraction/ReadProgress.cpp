#include "extraction/ReadProgress.h"

#include <algorithm>
#include <utility>

ReadProgress::ReadProgress(qint64 fileSize, int passes, Report report)
    : fileSize(std::max<qint64>(fileSize, 0))
    , passes(std::max(passes, 1))
    , report(std::move(report))
    // A thousandth of the file, but not less than 256 KiB: enough for a smooth bar, few enough
    // signals to cost nothing beside the reading.
    , step(std::max<qint64>(total() / 1000, 256 * 1024))
{
    send(0);
}

void ReadProgress::beginPass(int next)
{
    pass = std::min(next, passes - 1);
}

void ReadProgress::at(qint64 filePosition)
{
    const qint64 done = pass * fileSize + std::min(std::max<qint64>(filePosition, 0), fileSize);
    if (done >= reported + step)
        send(done);
}

void ReadProgress::finish()
{
    send(total());
}

void ReadProgress::send(qint64 done)
{
    reported = done;
    if (report)
        report(done, total());
}
