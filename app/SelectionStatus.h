#ifndef APP_SELECTIONSTATUS_H
#define APP_SELECTIONSTATUS_H

// The status line of the selected area: how many pieces (or Overpass requests) a download of it
// from the chosen source takes, how many of them are on disk already and how many it would
// request, as AreaCount counts them. Used in the GUI thread.
#include "download/DownloadSource.h"

#include <QRectF>
#include <QString>

class SelectionStatus
{
public:
    // "12 pieces: 8 on disk, 4 to download" from the API; "1 request", or "4 requests: 1 on
    // disk, 3 to download" from Overpass; "Selected area is too large" when a download would
    // refuse the area. Reads the source's folder listing once.
    static QString describe(const QRectF& area, DownloadSource source = DownloadSource::Api);
};

#endif
