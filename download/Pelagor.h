#ifndef DOWNLOAD_PELAGOR_H
#define DOWNLOAD_PELAGOR_H

// The area downloader: cuts the selected area into pieces of 0.01 x 0.01 degree, fetches each
// piece from the OpenStreetMap API one request at a time and keeps it as a file under
// "data/download/". Lives in the processing worker thread.
#include "download/FetchMode.h"
#include "download/RetryPolicy.h"

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QRect>
#include <QRectF>
#include <QString>
#include <vector>

class QFile;
class QNetworkAccessManager;
class QNetworkReply;
class QSslError;
class QTextStream;
class QTimer;

class Pelagor : public QObject
{
    Q_OBJECT
public:
    // Piece files that go into one merged output file.
    static constexpr int maxMergedPieces = 999999;

    explicit Pelagor(QObject* parent = nullptr);

    bool downloadArea(const QRectF& area);
    // Before downloadArea: whether the run reuses piece files on disk (the default).
    void setFetchMode(FetchMode mode) { fetchMode = mode; }
    bool checkBoundaries(const QRectF& area);
    bool prepareRequests(const QRectF& area);
    QRect toGridRect(const QRectF& area);
    qint64 countPieces();
    bool fillRequestQueue();
    void splitPiece(const QRect& piece);
    QString pieceFilePath(const QRect& piece);

    void requestNext();
    bool findLocalFile(const QRect& piece);
    void sendRequest(const QRect& piece);
    void savePiece(const QByteArray& data, const QRect& piece);
    // "W-S-E-N" of a piece, as in its file name.
    QString pieceName(const QRect& piece);

    void mergeFiles();
    bool createFinalFile(QFile*& file, QTextStream*& stream, int number);

    // Read-only views of the run's state.
    int getTotalFiles() const { return totalFiles; }
    int getPendingRequests() const { return pendingRequests; }
    int getDoneFiles() const { return doneFiles; }
    const std::vector<QRect>& getFailedPieces() const { return failedPieces; }
    const std::vector<QRect>& getRequestQueue() const { return requestQueue; }
    const std::vector<QString>& getFilesPaths() const { return filesPaths; }
    QRect getArea() const { return area; }
    // The run stopped before every piece was on disk: the server would not serve it now.
    bool isIncomplete() const { return !missingPieces.empty(); }
    const std::vector<QRect>& getMissingPieces() const { return missingPieces; }

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

private Q_SLOTS:
    void handleNetworkData(QNetworkReply* reply);
    void downloadProgress(qint64 bytesReceived, qint64 bytesTotal);
    void sslErrors(QNetworkReply* reply, const QList<QSslError>& errors);
    void requestAgain();

private:
    void reportProgress();
    // Ends the line of a request that got no " Done\n", so that the next text starts a line.
    void endRequestLine();
    void waitAndRequestAgain(const QRect& piece, const QString& reason, int status, const QByteArray& retryAfter);
    // The run asks the server for nothing more: what is on disk goes to the parser, and the
    // log says which pieces are missing.
    void stopIncomplete(const QRect& failed, const QString& reason);

    QString urlTemplate;
    QString downloadDir;
    QString mergeDir;
    QString mergedBaseName;
    QString nameSeparator;
    QString fileExtension;
    QString pieceFilter;
    QString osmEndTag;
    char tagEnd;
    int totalFiles = 0;
    int pendingRequests = 0;
    int doneFiles = 0;
    std::vector<QRect> failedPieces;
    std::vector<QRect> requestQueue;
    std::vector<QString> filesPaths;
    QRect area;
    QNetworkAccessManager* manager; // child of this object
    FetchMode fetchMode = FetchMode::UseFilesOnDisk;

    // Waiting out a busy server: the piece asked for again, its tries so far, the failed tries
    // in a row over the whole run (a piece that arrives resets them), and the timing in force.
    RetryPolicy retryPolicy;
    QTimer* retryTimer; // child of this object
    QRect retryPiece;
    int tries = 0;
    int failuresInARow = 0;
    // Pieces split since the run began, and those that never came when the run stopped.
    int splitPieces = 0;
    std::vector<QRect> missingPieces;
    bool stopped = false;
    bool requestLineOpen = false; // a "Request: ..." line waits for its " Done\n"
};

Q_DECLARE_METATYPE(std::vector<QString>)

#endif
