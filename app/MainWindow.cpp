#include "app/MainWindow.h"

#include "app/CoordinateFields.h"
#include "app/DownloadWindow.h"
#include "app/MapViews.h"
#include "app/MenuChoice.h"
#include "app/RememberedView.h"
#include "common/BoundingBox.h"
#include "download/RequestPolicy.h"
#include "extraction/OSMFileFormat.h"
#include "extraction/OsmiumReader.h"
#include "mapview/NominatimClient.h"
#include "mapview/PlaceSearch.h"
#include "mapview/Renderer.h"
#include "mapview/Visualization.h"
#include "ui_MainWindow.h"

#include <QDragEnterEvent>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QUrl>

namespace {

// The names of the OpenStreetMap files the window takes, from the dialog or dropped on the map.
const QStringList osmFilePatterns = {"*.osm.pbf", "*.osm.gz", "*.osm.bz2", "*.osm"};

bool isOsmFileName(const QString& path)
{
    for (const QString& pattern : osmFilePatterns)
        if (path.endsWith(pattern.mid(1), Qt::CaseInsensitive))
            return true;
    return false;
}

// The one local OpenStreetMap file a drag carries; empty for anything else.
QString droppedFile(const QMimeData* mime)
{
    if (!mime || !mime->hasUrls() || mime->urls().size() != 1 || !mime->urls().first().isLocalFile())
        return QString();
    const QString path = mime->urls().first().toLocalFile();
    return isOsmFileName(path) && QFileInfo(path).isFile() ? path : QString();
}

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    ui->setupUi(this);

    // Horizontally centred on the default screen and 40 pixels above its middle.
    resize(950, 600);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect window = geometry();
    move((screen.right() - screen.left()) / 2 - (window.right() - window.left()) / 2,
         (screen.bottom() - screen.top()) / 2 - (window.bottom() - window.top()) / 2 - 40);

    // Looked up in the working directory; without it the default icon stays.
    setWindowIcon(QIcon("pelagor.ico"));
    fitFields();
    // Where the user left the window, the map and the selection, if the settings tell.
    RememberedView::restore(this, ui->visualization);

    connect(ui->actionAbout, SIGNAL(triggered()), this, SLOT(showAbout()));
    connect(ui->btnStartDownload, SIGNAL(clicked()), this, SLOT(startDownload()));

    setNewLocRect(ui->visualization->getLocationRect());

    connect(this, SIGNAL(mapZoomIn()), ui->visualization->getRenderer(), SLOT(zoomIn()));
    connect(this, SIGNAL(mapZoomOut()), ui->visualization->getRenderer(), SLOT(zoomOut()));
    connect(ui->visualization, SIGNAL(newLocRect(QRectF)), this, SLOT(setNewLocRect(QRectF)));

    // The views of what is on disk with the list of problems, the status lines, and "Download again".
    mapViews.reset(new MapViews(ui->visualization, ui->actionDownloadedPieces, ui->actionNetworkOfLastRun,
                                ui->actionProblemsOfLastNetwork, this));
    connect(ui->actionDownloadAgain, SIGNAL(triggered()), this, SLOT(downloadAgain()));
    connect(ui->actionExtractFromFile, SIGNAL(triggered()), this, SLOT(extractFromFile()));
    // Files dropped on the map come here: the map takes no drops of its own.
    setAcceptDrops(true);

    // Remembered across starts; today's editing API at first start.
    sourceChoice = new MenuChoice("download/source",
                                  {{ui->actionSourceApi, DownloadSources::name(DownloadSource::Api)},
                                   {ui->actionSourceOverpass, DownloadSources::name(DownloadSource::Overpass)}},
                                  this);
    connect(sourceChoice, SIGNAL(changed()), this, SLOT(sourceChanged()));
    sourceChanged();
    // Remembered across starts; the simulator's file at first start.
    formatChoice = new MenuChoice("network/format",
                                  {{ui->actionFormatDorvex, NetworkFormats::name(NetworkFormat::Dorvex)},
                                   {ui->actionFormatOsm, NetworkFormats::name(NetworkFormat::Osm)}},
                                  this);
    // Remembered across starts; off at first start, when the network is what the keep table keeps.
    routeRoadsChoice = new MenuChoice("network/keepRouteRoads", ui->actionKeepRouteRoads, this);

    // Finding a place by name. Made after the panel, so that the field is not the first to
    // take the keyboard focus and '+' and '-' still zoom at start.
    auto* search = new PlaceSearch(ui->visualization);
    auto* places = new NominatimClient(this);
    connect(search, SIGNAL(searchWanted(QString)), places, SLOT(search(QString)));
    connect(places, SIGNAL(placesFound(QString,std::vector<FoundPlace>)), search,
            SLOT(showPlaces(QString,std::vector<FoundPlace>)));
    connect(places, SIGNAL(searchFailed(QString)), ui->statusBar, SLOT(showMessage(QString)));
    connect(search, SIGNAL(message(QString)), ui->statusBar, SLOT(showMessage(QString)));
    connect(search, SIGNAL(placeChosen(QRectF,QRectF)), ui->visualization, SLOT(selectArea(QRectF,QRectF)));
    // A message of the search covers the selection's status line until the selection changes.
    connect(ui->visualization, SIGNAL(newLocRect(QRectF)), ui->statusBar, SLOT(clearMessage()));
}

DownloadSource MainWindow::source() const
{
    DownloadSource chosen = DownloadSource::Api;
    DownloadSources::fromName(sourceChoice->current(), chosen);
    return chosen;
}

NetworkFormat MainWindow::format() const
{
    NetworkFormat chosen = NetworkFormat::Dorvex;
    NetworkFormats::fromName(formatChoice->current(), chosen);
    return chosen;
}

void MainWindow::sourceChanged()
{
    mapViews->setSource(source());
}

MainWindow::~MainWindow()
{
    RememberedView::save(this, ui->visualization);
}

void MainWindow::fitFields()
{
    CoordinateFields::fit({ui->leTop, ui->leLeft, ui->leRight, ui->leBottom}, ui->panelLayout);
}

void MainWindow::changeEvent(QEvent* e)
{
    // Not while the form is still being built: the fields are there once the map is central.
    if ((e->type() == QEvent::FontChange || e->type() == QEvent::StyleChange) && centralWidget())
        fitFields();
    QMainWindow::changeEvent(e);
}

void MainWindow::showAbout()
{
    QMessageBox::about(this, "About",
                       "Application downloads OpenStreetMap data for selected area, extracts informations usable "
                       "by Dorvex such as nodes, ways, stops and routes which are then saved to new file.");
}

void MainWindow::setNewLocRect(QRectF r)
{
    const auto show = [](QLineEdit* field, double value) {
        field->setText(QString("%1").arg(value, 0, 'f', 6, ' '));
        field->setCursorPosition(0);
    };
    const BoundingBox box = BoundingBox::fromArea(r);
    show(ui->leLeft, box.west());
    show(ui->leBottom, box.south());
    show(ui->leRight, box.east());
    show(ui->leTop, box.north());
}

void MainWindow::startDownload()
{
    startRun(FetchMode::UseFilesOnDisk);
}

void MainWindow::downloadAgain()
{
    startRun(FetchMode::RequestEveryPiece);
}

void MainWindow::startRun(FetchMode mode)
{
    // The fields only display the selection; the map holds the real one.
    const QRectF area = ui->visualization->getLocationRect();
    const DownloadSource chosen = source();
    const RequestPolicy policy = RequestPolicy::of(area, chosen, mode);
    if (policy.verdict() == RequestPolicy::Verdict::NoArea) {
        ui->statusBar->showMessage(RequestPolicy::noAreaMessage());
        return;
    }
    // An area too large to plan starts its run, which says so in its log.
    if (policy.verdict() == RequestPolicy::Verdict::AskFirst
        && QMessageBox::question(this, policy.questionTitle(), policy.question(), QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No)
            != QMessageBox::Yes)
        return;
    auto* window = new DownloadWindow(area, this, mode, chosen, format(), routeRoadsChoice->isOn());
    mapViews->runStarted(area);
    connect(window, SIGNAL(destroyed()), mapViews.get(), SLOT(runEnded()));
    window->show();
}

void MainWindow::extractFromFile()
{
    // Qt's own dialog, the same on every desktop, which tells each file highlighted in it.
    // It opens in the working directory, where data/ is.
    QFileDialog dialog(this, "Extract from a file", QDir::currentPath(),
                       QString("OpenStreetMap files (%1);;All files (*)").arg(osmFilePatterns.join(' ')));
    dialog.setObjectName("extractFileDialog");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    connect(&dialog, SIGNAL(currentChanged(QString)), this, SLOT(fileHighlighted(QString)));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        ui->visualization->setFileArea(QRectF());
        ui->statusBar->clearMessage();
        return;
    }
    startExtract(dialog.selectedFiles().first());
}

void MainWindow::fileHighlighted(const QString& path)
{
    if (QFileInfo(path).isFile())
        showFileArea(path);
}

bool MainWindow::showFileArea(const QString& path)
{
    // Only a PBF file's header may name the area of its data; reading it takes one block.
    QRectF area;
    BoundingBox box;
    if (OSMFileFormat::of(path) == OSMFileFormat::Pbf && OsmiumReader::headerBox(path, box))
        area = box.toArea();
    ui->visualization->setFileArea(area);
    if (!area.isNull() && !box.intersects(BoundingBox::fromArea(ui->visualization->getLocationRect()))) {
        ui->statusBar->showMessage("The selection is outside the file's area");
        return false;
    }
    ui->statusBar->clearMessage();
    return true;
}

void MainWindow::startExtract(const QString& path)
{
    if (!showFileArea(path))
        return;
    auto* window = new DownloadWindow(ui->visualization->getLocationRect(), path, this, format(),
                                      routeRoadsChoice->isOn());
    mapViews->runStarted(ui->visualization->getLocationRect());
    connect(window, SIGNAL(destroyed()), mapViews.get(), SLOT(runEnded()));
    connect(window, SIGNAL(destroyed()), this, SLOT(extractEnded()));
    window->show();
}

void MainWindow::extractEnded()
{
    ui->visualization->setFileArea(QRectF());
}

void MainWindow::dragEnterEvent(QDragEnterEvent* e)
{
    if (!droppedFile(e->mimeData()).isEmpty())
        e->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* e)
{
    const QString path = droppedFile(e->mimeData());
    if (path.isEmpty())
        return;
    e->acceptProposedAction();
    startExtract(path);
}

void MainWindow::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Plus)
        Q_EMIT mapZoomIn();
    else if (e->key() == Qt::Key_Minus)
        Q_EMIT mapZoomOut();
}
