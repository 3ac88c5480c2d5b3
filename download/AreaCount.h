#ifndef DOWNLOAD_AREACOUNT_H
#define DOWNLOAD_AREACOUNT_H

// What a download of an area takes: how many pieces (or Overpass tiles) it plans, and how many
// of them are on disk already as whole files (as far as their first and last bytes tell).
// Counted with the downloader's own plan and store, so the numbers are what a run finds; no
// network object is made. Usable in any thread.
#include "download/DownloadSource.h"
#include "download/FetchMode.h"

#include <QRectF>
#include <QtGlobal>

class AreaCount
{
public:
    // Above this many requests to the editing API a download asks first (or, on the command
    // line, wants --force): its usage policy is for editing, and heavy readers are blocked.
    static constexpr qint64 maxApiRequests = 1000;

    static AreaCount of(const QRectF& area, DownloadSource source);

    // A download would refuse the area as too large; the counts are 0 then.
    bool tooLarge = false;
    qint64 pieces = 0;
    qint64 onDisk = 0;

    // The requests a run of this mode sends when nothing fails.
    qint64 toDownload(FetchMode mode) const { return mode == FetchMode::RequestEveryPiece ? pieces : pieces - onDisk; }
};

#endif
