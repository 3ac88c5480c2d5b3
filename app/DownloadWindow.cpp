#include "app/DownloadWindow.h"

#include "tools/OSMProcessor.h"
#include "ui_DownloadWindow.h"

#include <QCloseEvent>
#include <QMessageBox>
#include <QTextCursor>

DownloadWindow::DownloadWindow(const QRectF& area, QWidget* parent)
    : DownloadWindow(area, parent, FetchMode::UseFilesOnDisk)
{
}

DownloadWindow::DownloadWindow(const QRectF& area, QWidget* parent, FetchMode fetchMode, DownloadSource source,
                               NetworkFormat format, bool routeRoads)
    : QWidget(parent, Qt::Window)
    , ui(new Ui::DownloadWindow)
    , processor(nullptr)
    , processingFlag(true)
{
    start(new OSMProcessor(area, fetchMode, source, format), routeRoads);
}

DownloadWindow::DownloadWindow(const QRectF& area, const QString& inputFile, QWidget* parent, NetworkFormat format,
                               bool routeRoads)
    : QWidget(parent, Qt::Window)
    , ui(new Ui::DownloadWindow)
    , processor(nullptr)
    , processingFlag(true)
{
    start(new OSMProcessor(area, inputFile, format), routeRoads);
}

void DownloadWindow::start(OSMProcessor* run, bool routeRoads)
{
    processor = run;
    // Before the run starts: nothing runs in its thread yet.
    if (routeRoads)
        processor->keepRouteRoads();
    ui->setupUi(this);

    // The controller emits in its worker thread, so these arrive queued, in order.
    connect(processor, SIGNAL(message(QString)), this, SLOT(writeIntoLog(QString)));
    connect(processor, SIGNAL(downloadProgress(int)), this, SLOT(setProgress(int)));
    connect(processor, SIGNAL(processingDone()), this, SLOT(clearProcessingFlag()));

    setAttribute(Qt::WA_DeleteOnClose);

    // Queued into the worker thread: the constructor returns at once.
    QMetaObject::invokeMethod(processor, "downloadOSMFiles", Qt::AutoConnection);
}

DownloadWindow::~DownloadWindow()
{
    ui.reset();
    // Waits for the worker thread; a slot that is running is finished first.
    delete processor;
}

void DownloadWindow::writeIntoLog(QString msg)
{
    // Senders put their own line ends; several messages may build one line.
    ui->teLog->moveCursor(QTextCursor::End, QTextCursor::MoveAnchor);
    ui->teLog->insertPlainText(msg);
    ui->teLog->ensureCursorVisible();
}

void DownloadWindow::setProgress(int value)
{
    ui->progressBar->setValue(value);
}

void DownloadWindow::clearProcessingFlag()
{
    processingFlag = false;
}

void DownloadWindow::closeEvent(QCloseEvent* event)
{
    if (!processingFlag)
        return;
    const QMessageBox::StandardButton answer = QMessageBox::question(
        this, "Close", "Cancel download?", QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
    if (answer == QMessageBox::Yes)
        event->accept();
    else
        event->ignore();
}
