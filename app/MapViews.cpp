#include "app/MapViews.h"

#include "app/MapDataLoader.h"
#include "app/SelectionStatus.h"
#include "mapview/Visualization.h"

#include <QAction>
#include <QLabel>
#include <QMetaType>
#include <QThread>

namespace {

const int statusIntervalMs = 100;

} // namespace

MapViews::MapViews(Visualization* map, QAction* piecesAction, QAction* networkAction, QLabel* statusLine)
    : QObject(nullptr)
    , thread(new QThread)
    , loader(new MapDataLoader)
    , map(map)
    , piecesAction(piecesAction)
    , networkAction(networkAction)
    , statusLine(statusLine)
{
    // The loader's results cross into the GUI thread.
    qRegisterMetaType<std::vector<PieceCell>>("std::vector<PieceCell>");
    qRegisterMetaType<NetworkPicture>("NetworkPicture");

    connect(piecesAction, SIGNAL(toggled(bool)), map, SLOT(showPieces(bool)));
    connect(piecesAction, SIGNAL(toggled(bool)), this, SLOT(piecesToggled(bool)));
    connect(networkAction, SIGNAL(toggled(bool)), map, SLOT(showNetwork(bool)));
    connect(networkAction, SIGNAL(toggled(bool)), this, SLOT(networkToggled(bool)));

    loader->moveToThread(thread);
    connect(this, SIGNAL(piecesWanted()), loader, SLOT(scanPieces()));
    connect(this, SIGNAL(networkWanted()), loader, SLOT(loadNetwork()));
    connect(loader, SIGNAL(piecesScanned(std::vector<PieceCell>)), map, SLOT(setPieceCells(std::vector<PieceCell>)));
    connect(loader, SIGNAL(networkLoaded(NetworkPicture)), map, SLOT(setNetworkPicture(NetworkPicture)));
    thread->start(QThread::InheritPriority);

    statusTimer.setSingleShot(true);
    statusTimer.setInterval(statusIntervalMs);
    connect(&statusTimer, SIGNAL(timeout()), this, SLOT(updateStatus()));
    connect(map, SIGNAL(newLocRect(QRectF)), this, SLOT(selectionChanged()));
    updateStatus();
}

MapViews::~MapViews()
{
    // A network file being read is finished first; its result is dropped.
    thread->quit();
    thread->wait();
    delete loader;
    delete thread;
}

void MapViews::runEnded()
{
    if (piecesAction->isChecked())
        Q_EMIT piecesWanted();
    if (networkAction->isChecked())
        Q_EMIT networkWanted();
    updateStatus();
}

void MapViews::piecesToggled(bool shown)
{
    if (shown)
        Q_EMIT piecesWanted();
}

void MapViews::networkToggled(bool shown)
{
    if (shown)
        Q_EMIT networkWanted();
}

void MapViews::selectionChanged()
{
    // Counted when the timer runs out, with the selection as it is then: the last change of
    // a drag finds the timer running or starts it, so the final selection is always counted.
    if (!statusTimer.isActive())
        statusTimer.start();
}

void MapViews::updateStatus()
{
    statusLine->setText(SelectionStatus::describe(map->getLocationRect()));
}
