#ifndef DOWNLOAD_AREACOUNT_H
#define DOWNLOAD_AREACOUNT_H

// What a download of an area takes: how many pieces (or Overpass tiles) it plans, and how many
// of them are on disk already as whole files (as far as their first and last bytes tell).
// Counted with the downloader's own plan and store, so the numbers are what a run finds; no
// network object is made. Usable in any thread.
#include "common/BoundingBox.h"
#include "download/DownloadSource.h"
#include "download/FetchMode.h"

#include <QtGlobal>

class AreaCount
{
public:
    static AreaCount of(const BoundingBox& box, DownloadSource source);

    // A download would refuse the area as too large; nothing is on disk then, and the pieces
    // are counted still (0 when the area's grid does not fit an int).
    bool tooLarge = false;
    qint64 pieces = 0;
    qint64 onDisk = 0;

    // The requests a run of this mode sends when nothing fails.
    qint64 toDownload(FetchMode mode) const { return mode == FetchMode::RequestEveryPiece ? pieces : pieces - onDisk; }
};

#endif
