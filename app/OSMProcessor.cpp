#include "app/OSMProcessor.h"


OSMProcessor::OSMProcessor(const QRectF& area)
    : OSMProcessor(area, FetchMode::UseFilesOnDisk)
{
}

OSMProcessor::OSMProcessor(const QRectF& area, FetchMode fetchMode, DownloadSource source)
    : QObject(nullptr)
    , areaRect(area)
{
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
    // Runs in the worker thread after its event loop has ended: a request in flight or a wait
    // for the next try is abandoned there, where its timers live.
    connect(workerThread.get(), SIGNAL(finished()), &downloader, SLOT(releaseNetwork()), Qt::DirectConnection);
    workerThread.take(this);
    workerThread.take(&downloader);
    workerThread.take(&parser);
    workerThread.start();
}

// Requests in flight are abandoned; afterwards nothing runs in the worker thread any more, so
// its objects can be destroyed from here.
OSMProcessor::~OSMProcessor() = default;

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
    parser.writeOutputFile(data, incomplete ? OSMParser::Coverage::Incomplete : OSMParser::Coverage::Complete);
    if (parser.writtenFilePath().isEmpty())
        Q_EMIT processingStopped();
}
