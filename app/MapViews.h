#ifndef APP_MAPVIEWS_H
#define APP_MAPVIEWS_H

// Feeds the map's three views, "Downloaded pieces", "Network of the last run" and "Problems
// of the last network", from the files on disk, and keeps the status line of the selected
// area and, while the problems are shown, the one of their count. The files are read by a
// MapDataLoader in a worker thread of this object; everything else runs in the GUI thread.
#include "download/DownloadSource.h"
#include "mapview/ProblemPicture.h"

#include "common/WorkerThread.h"

#include <QObject>
#include <QRectF>
#include <QTimer>
#include <memory>

class MapDataLoader;
class QAction;
class QLabel;
class Visualization;

class MapViews : public QObject
{
    Q_OBJECT
public:
    // None of the widgets is owned; they must outlive this object.
    MapViews(Visualization* map, QAction* piecesAction, QAction* networkAction, QAction* problemsAction,
             QLabel* statusLine, QLabel* problemsLine);
    // The problems line while the view is on: "N problems in the last network", or why there
    // are none to count.
    static QString problemsStatus(const ProblemPicture& picture);
    ~MapViews() override;

    // The source a download takes now: the status line counts its requests.
    void setSource(DownloadSource chosen);

    // A processing run of `area` starts; once it has ended, the problems of the newest network
    // file are told at the edge of that area where the file does not name its own.
    void runStarted(const QRectF& area);

public Q_SLOTS:
    // A processing run has ended: the views shown are read again, and the status line too.
    void runEnded();

Q_SIGNALS:
    void piecesWanted();
    void networkWanted();
    void problemsWanted(const QRectF& runArea);

private Q_SLOTS:
    void piecesToggled(bool shown);
    void networkToggled(bool shown);
    void problemsToggled(bool shown);
    void problemsChecked(const ProblemPicture& picture);
    void selectionChanged();
    void updateStatus();

private:
    std::unique_ptr<MapDataLoader> loader; // lives in `thread`
    Visualization* map;
    QAction* piecesAction;
    QAction* networkAction;
    QAction* problemsAction;
    QLabel* statusLine;
    QLabel* problemsLine;
    DownloadSource source = DownloadSource::Api;
    // The area of the run under way, and of the last one that ended; null before the first.
    QRectF startedArea;
    QRectF runArea;
    // While a corner is dragged the selection changes with every mouse move; the status line
    // follows at most this often.
    QTimer statusTimer;
    // Last, so that it has ended before the loader dies.
    WorkerThread thread;
};

#endif
