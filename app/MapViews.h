#ifndef APP_MAPVIEWS_H
#define APP_MAPVIEWS_H

// Feeds the map's two views, "Downloaded pieces" and "Network of the last run", from the
// files on disk, and keeps the status line of the selected area. The files are read by a
// MapDataLoader in a worker thread of this object; everything else runs in the GUI thread.
#include <QObject>
#include <QTimer>

class MapDataLoader;
class QAction;
class QLabel;
class QThread;
class Visualization;

class MapViews : public QObject
{
    Q_OBJECT
public:
    // None of the widgets is owned; they must outlive this object.
    MapViews(Visualization* map, QAction* piecesAction, QAction* networkAction, QLabel* statusLine);
    ~MapViews() override;

public Q_SLOTS:
    // A processing run has ended: the views shown are read again, and the status line too.
    void runEnded();

Q_SIGNALS:
    void piecesWanted();
    void networkWanted();

private Q_SLOTS:
    void piecesToggled(bool shown);
    void networkToggled(bool shown);
    void selectionChanged();
    void updateStatus();

private:
    // Declared first so that the loader dies only after the thread has ended.
    QThread* thread;
    MapDataLoader* loader; // owned; lives in `thread`
    Visualization* map;
    QAction* piecesAction;
    QAction* networkAction;
    QLabel* statusLine;
    // While a corner is dragged the selection changes with every mouse move; the status line
    // follows at most this often.
    QTimer statusTimer;
};

#endif
