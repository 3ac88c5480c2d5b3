#include "app/OSMProcessor.h"

#include "download/PiecePlan.h"

#include <QThread>

OSMProcessor::OSMProcessor(const QRectF& area)
    : OSMProcessor(area, FetchMode::UseFilesOnDisk)
{
}

OSMProcessor::OSMProcessor(const QRectF& area, FetchMode fetchMode, DownloadSource source, NetworkFormat format)
    : QObject(nullptr)
    , workerThread(nullptr)
    , areaRect(area)
    , networkFormat(format)
{
    // The pieces cover the area laid on the download grid: that is the area of the data.
    const std::array<double, 4> b = PiecePlan::bounds(PiecePlan::toGridRect(area)); // west, south, east, north
    parser.setBounds(BoundingBox(b[0], b[1], b[2], b[3]));
    downloader.setFetchMode(fetchMode);
    downloader.setSource(source);
    // The first four are relays: the owner listens to this object's signals only.
    connect(&downloader, SIGNAL(message(QString)), this, SIGNAL(message(QString)));
    connect(&downloader, SIGNAL(progress(int)), this, SIGNAL(downloadProgress(int)));
    connect(&parser, SIGNAL(message(QString)), this, SIGNAL(message(QString)));
    connect(&parser, SIGNAL(processingDone()), this, SIGNAL(processingDone()));
    connect(&downloader, SIGNAL(downloadingDone(const std::vector<QString>&)), this,
            SLOT(parseOSMFiles(const std::vector<QString>&)));

    // None of the three is a child of another, so each moves on its own.
    workerThread = new QThread;
    // Runs in the worker thread after its event loop has ended: a request in flight or a wait
    // for the next try is abandoned there, where its timers live.
    connect(workerThread, SIGNAL(finished()), &downloader, SLOT(releaseNetwork()), Qt::DirectConnection);
    moveToThread(workerThread);
    downloader.moveToThread(workerThread);
    parser.moveToThread(workerThread);
    workerThread->start(QThread::InheritPriority);
}

OSMProcessor::~OSMProcessor()
{
    // A slot that is running (parsing, say) finishes first; requests in flight are
    // abandoned. Afterwards nothing runs in the worker thread any more, so its
    // objects can be destroyed from here.
    workerThread->quit();
    workerThread->wait();
    delete workerThread;
}

void OSMProcessor::downloadOSMFiles()
{
    if (!downloader.downloadArea(areaRect))
        Q_EMIT processingStopped();
}

void OSMProcessor::parseOSMFiles(const std::vector<QString>& filesPaths)
{
    // The list belongs to the downloader, which emitted it; work on a copy.
    const std::vector<QString> files = filesPaths;
    // A piece that could not be read to its end leaves the network as incomplete as one that
    // never came.
    const bool whole = parser.parseFiles(files, data);
    incomplete = !whole || downloader.isIncomplete();
    parser.writeOutputFile(data, incomplete ? OSMParser::Coverage::Incomplete : OSMParser::Coverage::Complete,
                           networkFormat);
    if (parser.writtenFilePath().isEmpty())
        Q_EMIT processingStopped();
}
