#include "app/MapViews.h"

#include "app/MapDataLoader.h"
#include "app/SelectionStatus.h"
#include "mapview/Visualization.h"

#include <QAction>
#include <QLabel>
#include <QMetaType>

namespace {

const int statusIntervalMs = 100;

} // namespace

MapViews::MapViews(Visualization* map, QAction* piecesAction, QAction* networkAction, QAction* problemsAction,
                   QLabel* statusLine, QLabel* problemsLine)
    : QObject(nullptr)
    , loader(new MapDataLoader)
    , map(map)
    , piecesAction(piecesAction)
    , networkAction(networkAction)
    , problemsAction(problemsAction)
    , statusLine(statusLine)
    , problemsLine(problemsLine)
{
    connect(piecesAction, SIGNAL(toggled(bool)), map, SLOT(showPieces(bool)));
    connect(piecesAction, SIGNAL(toggled(bool)), this, SLOT(piecesToggled(bool)));
    connect(networkAction, SIGNAL(toggled(bool)), map, SLOT(showNetwork(bool)));
    connect(networkAction, SIGNAL(toggled(bool)), this, SLOT(networkToggled(bool)));
    connect(problemsAction, SIGNAL(toggled(bool)), map, SLOT(showProblems(bool)));
    connect(problemsAction, SIGNAL(toggled(bool)), this, SLOT(problemsToggled(bool)));

    thread.take(loader.get());
    connect(this, SIGNAL(piecesWanted()), loader.get(), SLOT(scanPieces()));
    connect(this, SIGNAL(networkWanted()), loader.get(), SLOT(loadNetwork()));
    connect(loader.get(), SIGNAL(piecesScanned(std::vector<PieceCell>)), map,
            SLOT(setPieceCells(std::vector<PieceCell>)));
    connect(loader.get(), SIGNAL(networkLoaded(NetworkPicture)), map, SLOT(setNetworkPicture(NetworkPicture)));
    connect(this, SIGNAL(problemsWanted(QRectF)), loader.get(), SLOT(checkNetwork(QRectF)));
    connect(loader.get(), SIGNAL(networkChecked(ProblemPicture)), this, SLOT(problemsChecked(ProblemPicture)));
    thread.start();

    statusTimer.setSingleShot(true);
    statusTimer.setInterval(statusIntervalMs);
    connect(&statusTimer, SIGNAL(timeout()), this, SLOT(updateStatus()));
    connect(map, SIGNAL(newLocRect(QRectF)), this, SLOT(selectionChanged()));
    updateStatus();
}

// A network file being read is finished first (the thread is waited for); its result is dropped.
MapViews::~MapViews() = default;

void MapViews::runStarted(const QRectF& area)
{
    startedArea = area;
}

void MapViews::runEnded()
{
    // The newest network file is now the one this run wrote, if it wrote one.
    runArea = startedArea;
    if (piecesAction->isChecked())
        Q_EMIT piecesWanted();
    if (networkAction->isChecked())
        Q_EMIT networkWanted();
    if (problemsAction->isChecked())
        problemsToggled(true);
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

void MapViews::problemsToggled(bool shown)
{
    problemsLine->setText(shown ? QString("Checking the last network...") : QString());
    if (shown)
        Q_EMIT problemsWanted(runArea);
}

void MapViews::problemsChecked(const ProblemPicture& picture)
{
    // A check that ends after the view was switched off shows nothing.
    if (!problemsAction->isChecked())
        return;
    map->setProblemPicture(picture);
    problemsLine->setText(problemsStatus(picture));
}

QString MapViews::problemsStatus(const ProblemPicture& picture)
{
    if (picture.fileName.isEmpty())
        return QString("No network file yet");
    if (!picture.failure.isEmpty())
        return QString("The last network could not be checked: %1").arg(picture.failure);
    return QString("%1 %2 in the last network")
        .arg(picture.problems)
        .arg(picture.problems == 1 ? "problem" : "problems");
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
    statusLine->setText(SelectionStatus::describe(map->getLocationRect(), source));
}

void MapViews::setSource(DownloadSource chosen)
{
    source = chosen;
    updateStatus();
}
