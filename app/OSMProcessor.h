#ifndef APP_OSMPROCESSOR_H
#define APP_OSMPROCESSOR_H

// Runs one processing run for one area: downloads the pieces, reads them into the
// network data and writes the network file, all in a worker thread of its own.
// Created and destroyed in the GUI thread; its slots run in the worker thread.
#include "download/Pelagor.h"
#include "extraction/OSMParser.h"
#include "network/OSMData.h"

#include <QObject>
#include <QRectF>
#include <QString>
#include <vector>

class QThread;

class OSMProcessor : public QObject
{
    Q_OBJECT
public:
    explicit OSMProcessor(const QRectF& area);
    // With FetchMode::RequestEveryPiece the run asks for every piece anew ("Download again").
    OSMProcessor(const QRectF& area, FetchMode fetchMode);
    ~OSMProcessor() override;

Q_SIGNALS:
    void message(QString msg);
    void downloadProgress(int percents);
    void processingDone();

private Q_SLOTS:
    void downloadOSMFiles();
    void parseOSMFiles(const std::vector<QString>& filesPaths);

private:
    // Owned; the destructor's body ends the thread and deletes it, so the thread is gone
    // before any member below is destroyed. The members die in reverse order: data, then the
    // parser and the downloader.
    QThread* workerThread;
    Pelagor downloader;
    OSMParser parser;
    OSMData data;
    QRectF areaRect;
};

#endif
