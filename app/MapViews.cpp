#include "app/MapViews.h"

#include "app/MapDataLoader.h"
#include "app/SelectionStatus.h"
#include "mapview/ProblemList.h"
#include "mapview/Renderer.h"
#include "mapview/Visualization.h"

#include <QAction>
#include <QDockWidget>
#include <QLabel>
#include <QMainWindow>
#include <QMetaType>
#include <QStatusBar>

namespace {

const int statusIntervalMs = 100;

} // namespace

MapViews::MapViews(Visualization* map, QAction* piecesAction, QAction* networkAction, QAction* problemsAction,
                   QMainWindow* window)
    : QObject(nullptr)
    , loader(new MapDataLoader)
    , map(map)
    , piecesAction(piecesAction)
    , networkAction(networkAction)
    , problemsAction(problemsAction)
    , statusBar(window->statusBar())
    , statusLine(new QLabel(statusBar))
    , problemsLine(new QLabel(statusBar))
{
    addWidgets(window);
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
    connect(loader.get(), SIGNAL(networkLoaded(NetworkPicture)), this, SLOT(networkLoaded(NetworkPicture)));
    connect(this, SIGNAL(problemsWanted(QRectF)), loader.get(), SLOT(checkNetwork(QRectF)));
    connect(loader.get(), SIGNAL(networkChecked(ProblemPicture)), this, SLOT(problemsChecked(ProblemPicture)));
    thread.start();
    connect(problemList, SIGNAL(problemChosen(int)), map, SLOT(showProblem(int)));

    connect(map->getRenderer(), SIGNAL(tilesUnreachable(QString)), this, SLOT(tilesUnreachable(QString)));
    connect(map->getRenderer(), SIGNAL(tilesReachable()), this, SLOT(tilesReachable()));

    statusTimer.setSingleShot(true);
    statusTimer.setInterval(statusIntervalMs);
    connect(&statusTimer, SIGNAL(timeout()), this, SLOT(updateStatus()));
    connect(map, SIGNAL(newLocRect(QRectF)), this, SLOT(selectionChanged()));
    updateStatus();
}

void MapViews::addWidgets(QMainWindow* window)
{
    statusLine->setObjectName("selectionStatus");
    statusBar->addWidget(statusLine, 1);
    problemsLine->setObjectName("problemsStatus");
    statusBar->addPermanentWidget(problemsLine);
    // Under the map while the problems are shown, so that it covers nothing that lies over
    // the map; its height follows the user's drag of its edge.
    auto* dock = new QDockWidget(problemsAction->text(), window);
    dock->setObjectName("problemPanel");
    dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    problemList = new ProblemList(dock);
    dock->setWidget(problemList);
    window->addDockWidget(Qt::BottomDockWidgetArea, dock);
    dock->hide();
    problemPanel = dock;
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
    networkMissing = false;
    updateNetworkLine();
    if (shown)
        Q_EMIT networkWanted();
}

void MapViews::networkLoaded(const NetworkPicture& picture)
{
    networkMissing = networkAction->isChecked() && picture.fileName.isEmpty();
    updateNetworkLine();
}

void MapViews::problemsToggled(bool shown)
{
    problemsText = shown ? QString("Checking the last network...") : QString();
    // The list closes with the view, and comes again once the check has found something.
    problemPanel->hide();
    problemList->setPicture(ProblemPicture());
    updateNetworkLine();
    if (shown)
        Q_EMIT problemsWanted(runArea);
}

void MapViews::problemsChecked(const ProblemPicture& picture)
{
    // A check that ends after the view was switched off shows nothing.
    if (!problemsAction->isChecked())
        return;
    map->setProblemPicture(picture);
    problemList->setPicture(picture);
    problemPanel->setVisible(!picture.problems.empty());
    problemsText = problemsStatus(picture);
    updateNetworkLine();
}

void MapViews::updateNetworkLine()
{
    // The one place that says there is no network file: the legends say nothing then.
    if (problemsAction->isChecked())
        problemsLine->setText(problemsText);
    else
        problemsLine->setText(networkMissing ? QString("No network file yet") : QString());
}

QString MapViews::problemsStatus(const ProblemPicture& picture)
{
    if (picture.fileName.isEmpty())
        return QString("No network file yet");
    if (!picture.failure.isEmpty())
        return QString("The last network could not be checked: %1").arg(picture.failure);
    const std::size_t found = picture.problems.size();
    return QString("%1 %2 in the last network").arg(found).arg(found == 1 ? "problem" : "problems");
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

void MapViews::tilesUnreachable(const QString& reason)
{
    // Said once: the downloader tells when the trouble begins, not for every tile.
    tileMessage = QString("Map tiles cannot be fetched: %1").arg(reason);
    statusBar->showMessage(tileMessage);
}

void MapViews::tilesReachable()
{
    if (statusBar->currentMessage() == tileMessage)
        statusBar->clearMessage();
    tileMessage.clear();
}
