#include "tools/OSMProcessor.h"

#include "common/BoundingBox.h"
#include "download/PiecePlan.h"

OSMProcessor::OSMProcessor(const QRectF& area)
    : OSMProcessor(area, FetchMode::UseFilesOnDisk)
{
}

OSMProcessor::OSMProcessor(const QRectF& area, FetchMode fetchMode, DownloadSource source, NetworkFormat format)
    : QObject(nullptr)
    , areaRect(area)
    , networkFormat(format)
{
    // The pieces cover the area laid on the download grid: that is the area of the data.
    parser.setBounds(PiecePlan::toBox(PiecePlan::toGridRect(BoundingBox::fromArea(area))));
    downloader.setFetchMode(fetchMode);
    downloader.setSource(source);
    connectParts();
}

OSMProcessor::OSMProcessor(const QRectF& area, const QString& inputFile, NetworkFormat format)
    : QObject(nullptr)
    , areaRect(area)
    , networkFormat(format)
    , inputFile(inputFile)
{
    // The area as pelagor-extract's --bbox takes it.
    parser.clipTo(BoundingBox::fromArea(area));
    connect(&parser, SIGNAL(bytesRead(qint64,qint64)), this, SLOT(fileRead(qint64,qint64)));
    connectParts();
}

void OSMProcessor::keepRouteRoads()
{
    parser.keepRouteRoads();
    downloader.keepRouteRoads();
}

void OSMProcessor::connectParts()
{
    parser.prepareFor(networkFormat);
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
    if (!inputFile.isEmpty())
        extractFile();
    else if (!downloader.downloadArea(areaRect))
        Q_EMIT processingStopped();
}

void OSMProcessor::extractFile()
{
    // As pelagor-extract with one input: a file that cannot be read to its end leaves no
    // network file, so that nothing broken is kept.
    QString failure;
    if (!parser.parseFile(inputFile, data, &failure)) {
        Q_EMIT message(QString("\"%1\": %2; no network file written.\n").arg(inputFile, failure));
        Q_EMIT processingStopped();
        return;
    }
    parser.writeOutputFile(data, OSMParser::Coverage::Complete, networkFormat);
    if (parser.writtenFilePath().isEmpty())
        Q_EMIT processingStopped();
}

void OSMProcessor::fileRead(qint64 done, qint64 total)
{
    // The bar moves by whole percents; the rest would only fill the GUI thread's queue.
    const int percent = total > 0 ? int(done * 100 / total) : 100;
    if (percent == percentRead)
        return;
    percentRead = percent;
    Q_EMIT downloadProgress(percent);
}

void OSMProcessor::parseOSMFiles(const std::vector<QString>& filesPaths)
{
    // The list belongs to the downloader, which emitted it; work on a copy.
    const std::vector<QString> files = filesPaths;
    // A piece that could not be read to its end leaves the network as incomplete as one that
    // never came; its file goes out of the way, so that the next run fetches it.
    std::vector<QString> unread;
    const bool whole = parser.parseFiles(files, data, &unread);
    downloader.setAsideUnreadable(unread);
    incomplete = !whole || downloader.isIncomplete();
    parser.writeOutputFile(data, incomplete ? OSMParser::Coverage::Incomplete : OSMParser::Coverage::Complete,
                           networkFormat);
    if (parser.writtenFilePath().isEmpty())
        Q_EMIT processingStopped();
}
