#ifndef DOWNLOAD_PELAGOR_H
#define DOWNLOAD_PELAGOR_H

// The area downloader: checks the selected area, lays it on the grid of 0.001 degree, cuts it
// into pieces of 0.01 x 0.01 degree and has them fetched from the OpenStreetMap API one request
// at a time, each kept as a file under "data/download/"; or, from the Overpass API, into tiles
// of at most 0.25 degree kept under "data/download/overpass/". Lives in the processing worker
// thread.
#include "download/ApiPieceSource.h"
#include "download/DownloadSource.h"
#include "download/FetchMode.h"
#include "download/OverpassSource.h"
#include "download/PieceMerger.h"

#include <QMetaType>
#include <QObject>
#include <QRect>
#include <QRectF>
#include <QString>
#include <vector>

class PieceFetcher;
class QFile;
class QTextStream;

class Pelagor : public QObject
{
    Q_OBJECT
public:
    static constexpr int maxMergedPieces = PieceMerger::maxMergedPieces;

    explicit Pelagor(QObject* parent = nullptr);

    bool downloadArea(const QRectF& area);
    // Before downloadArea: whether the run reuses piece files on disk (the default), and where
    // the data comes from (the editing API unless told otherwise).
    void setFetchMode(FetchMode mode);
    void setSource(DownloadSource source);
    // Before downloadArea: Overpass is asked also for the ways that the routes use.
    void keepRouteRoads() { overpassSource.askForRouteRoads(); }
    bool checkBoundaries(const QRectF& area);
    bool prepareRequests(const QRectF& area);
    QRect toGridRect(const QRectF& area);
    qint64 countPieces();
    bool fillRequestQueue();
    void splitPiece(const QRect& piece);
    QString pieceFilePath(const QRect& piece);
    // "W-S-E-N" of a piece, as in its file name.
    QString pieceName(const QRect& piece);

    void mergeFiles();
    bool createFinalFile(QFile*& file, QTextStream*& stream, int number);

    // Read-only views of the run's state.
    int getTotalFiles() const;
    int getPendingRequests() const;
    int getDoneFiles() const;
    const std::vector<QRect>& getFailedPieces() const;
    const std::vector<QRect>& getRequestQueue() const;
    const std::vector<QString>& getFilesPaths() const;
    QRect getArea() const { return area; }
    // The run stopped before every piece was on disk: the server would not serve it now.
    bool isIncomplete() const;
    const std::vector<QRect>& getMissingPieces() const;
    // After the run's files were read: moves each piece file among `paths` that the extraction
    // could not read out of the way (PieceStore::setAside), so that the next run fetches its
    // piece again, and says so in the log.
    void setAsideUnreadable(const std::vector<QString>& paths);

public Q_SLOTS:
    // Abandons the request in flight and any wait, in the thread the downloader lives in. Its
    // owner calls it as that thread finishes, so that the network objects and their timers end
    // in their own thread.
    void releaseNetwork();

Q_SIGNALS:
    void fileMerged(const QString& filePath);
    void downloadingDone(const std::vector<QString>& filesPaths);
    void message(const QString& msg);
    void progress(int percents);

private:
    const PieceSource& currentSource() const;
    // The folders of the chosen source's files, one level at a time.
    bool makeFolders();

    QRect area;
    ApiPieceSource apiSource;
    OverpassSource overpassSource;
    DownloadSource source = DownloadSource::Api;
    PieceMerger merger;
    PieceFetcher* fetcher; // child of this object
};

Q_DECLARE_METATYPE(std::vector<QString>)

#endif
