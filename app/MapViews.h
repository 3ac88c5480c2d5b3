#ifndef APP_MAPVIEWS_H
#define APP_MAPVIEWS_H

// Feeds the map's three views, "Downloaded pieces", "Network of the last run" and "Problems
// of the last network", from the files on disk, with the panel under the map that lists the
// problems, and keeps the window's status bar: the line of the selected area, the one of the
// network (the problems' count while they are shown, or that there is no network file yet),
// and a message while the map's tiles cannot be fetched. The files are read by a
// MapDataLoader in a worker thread of this object; everything else runs in the GUI thread.
#include "download/DownloadSource.h"
#include "mapview/NetworkPicture.h"
#include "mapview/ProblemPicture.h"

#include "common/WorkerThread.h"

#include <QObject>
#include <QRectF>
#include <QTimer>
#include <memory>

class MapDataLoader;
class QAction;
class ProblemList;
class QLabel;
class QMainWindow;
class QStatusBar;
class QWidget;
class Visualization;

class MapViews : public QObject
{
    Q_OBJECT
public:
    // Adds the status lines to the window's status bar and the panel of the problems under the
    // map. None of the widgets is owned; they must outlive this object.
    MapViews(Visualization* map, QAction* piecesAction, QAction* networkAction, QAction* problemsAction,
             QMainWindow* window);
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
    void networkLoaded(const NetworkPicture& picture);
    void selectionChanged();
    void updateStatus();
    // The map's tiles cannot be fetched: the status bar says why, until they come again.
    void tilesUnreachable(const QString& reason);
    void tilesReachable();

private:
    void addWidgets(QMainWindow* window);
    void updateNetworkLine();

    std::unique_ptr<MapDataLoader> loader; // lives in `thread`
    Visualization* map;
    QAction* piecesAction;
    QAction* networkAction;
    QAction* problemsAction;
    QStatusBar* statusBar;
    QLabel* statusLine;   // child of the status bar
    QLabel* problemsLine; // child of the status bar
    QWidget* problemPanel = nullptr; // child of the window; holds the list
    ProblemList* problemList = nullptr;
    QString tileMessage;
    // What the network's status line says while the problems are shown.
    QString problemsText;
    // The network view found no network file.
    bool networkMissing = false;
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
