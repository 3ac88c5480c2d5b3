#ifndef APP_SELECTIONSTATUS_H
#define APP_SELECTIONSTATUS_H

// The status line of the selected area: how many pieces a download of it takes, how many of
// them are on disk already and how many it would request. Counted with the downloader's own
// piece plan, so the numbers are what a run finds; no network object is made. Used in the GUI
// thread.
#include <QRectF>
#include <QString>

class SelectionStatus
{
public:
    // "12 pieces: 8 on disk, 4 to download", or "Selected area is too large" when a download
    // would refuse the area. Reads the download folder's listing once.
    static QString describe(const QRectF& area);
};

#endif
