#ifndef TOOLS_OSMPROCESSOR_H
#define TOOLS_OSMPROCESSOR_H

// Runs one processing run for one area: downloads the pieces (or takes an OpenStreetMap file
// from the disk instead), reads them into the network data and writes the network file, all
// in a worker thread of its own.
// Created and destroyed in the GUI thread; its slots run in the worker thread.
#include "common/WorkerThread.h"
#include "download/Pelagor.h"
#include "extraction/OSMParser.h"
#include "network/OSMData.h"

#include <QObject>
#include <QRectF>
#include <QString>
#include <vector>


class OSMProcessor : public QObject
{
    Q_OBJECT
public:
    explicit OSMProcessor(const QRectF& area);
    // With FetchMode::RequestEveryPiece the run asks for every piece anew ("Download again");
    // the data comes from `source`; the network file is written in `format`, in standard OSM XML
    // with the bounds of the area's pieces.
    OSMProcessor(const QRectF& area, FetchMode fetchMode, DownloadSource source = DownloadSource::Api,
                 NetworkFormat format = NetworkFormat::Dorvex);
    // An extract run: reads `inputFile` clipped to the area, as pelagor-extract --bbox does, in
    // place of a download; its progress is that of the bytes read.
    OSMProcessor(const QRectF& area, const QString& inputFile, NetworkFormat format = NetworkFormat::Dorvex);
    ~OSMProcessor() override;

    // The network file goes to `path` instead of a new name in data/comp/ (see
    // OSMParser::setOutputPath). Called before the run starts.
    void setOutputPath(const QString& path, bool overwrite, OSMFileFormat::Kind kind = OSMFileFormat::Xml)
    {
        parser.setOutputPath(path, overwrite, kind);
    }
    // The network keeps the roads that its routes use (see OSMParser::keepRouteRoads), and an
    // Overpass query asks for them. Called before the run starts.
    void keepRouteRoads();
    // The network file the run wrote; empty before processingDone(). Read it once that signal has
    // arrived: the run's thread is done with it then.
    QString networkFile() const { return parser.writtenFilePath(); }
    // The area of that network file (OSMParser::area()), read as networkFile() is.
    const BoundingBox* networkArea() const { return parser.area(); }
    // Whether that network file lacks pieces (its name ends in "-incomplete").
    bool isIncomplete() const { return incomplete; }

Q_SIGNALS:
    void message(QString msg);
    void downloadProgress(int percents);
    void processingDone();
    // The run stopped before it wrote a network file (its reason is in the log): it will send
    // nothing more. processingDone() never follows.
    void processingStopped();

private Q_SLOTS:
    void downloadOSMFiles();
    void parseOSMFiles(const std::vector<QString>& filesPaths);
    void fileRead(qint64 done, qint64 total);

private:
    void connectParts();
    void extractFile();

    Pelagor downloader;
    OSMParser parser;
    OSMData data;
    QRectF areaRect;
    NetworkFormat networkFormat;
    bool incomplete = false;
    QString inputFile; // of an extract run; empty for a download
    int percentRead = -1;
    // The thread this object, the downloader and the parser live in. Last, so that it has
    // ended before the members above die: a slot that is running (parsing, say) finishes first.
    WorkerThread workerThread;
};

#endif
