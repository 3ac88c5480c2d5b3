#ifndef DOWNLOAD_PIECEFETCHER_H
#define DOWNLOAD_PIECEFETCHER_H

// Fetches the queued pieces of a download from a source, one request at a time: takes a piece
// whose file is on disk as it is, stores what arrives, splits a refused piece, waits out a busy
// or unreachable server, and stops asking when the server will not serve the area now. Reports
// every step for the log and finally the list of piece files. Lives in the processing worker
// thread.
#include "download/FetchMode.h"
#include "download/PieceAnswer.h"
#include "download/PieceQueue.h"
#include "download/RetryPolicy.h"

#include <QList>
#include <QObject>
#include <QRect>
#include <QString>
#include <vector>

class PieceSource;
class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;
class QSslError;
class QTimer;

class PieceFetcher : public QObject
{
    Q_OBJECT
public:
    explicit PieceFetcher(QObject* parent = nullptr);

    // Before a run: where the pieces come from (not owned; it must outlive the run) and whether
    // files on disk are reused.
    void setSource(const PieceSource* source) { pieceSource = source; }
    void setFetchMode(FetchMode mode) { fetchMode = mode; }
    // The run's pieces; plan them, then call requestNext().
    PieceQueue& pieces() { return queue; }
    const PieceQueue& pieces() const { return queue; }
    // A new run with `total` pieces planned.
    void restart(int total);

    // The dispatcher: takes pieces from the back of the queue until one needs the network, and
    // ends the run when every piece is accounted for.
    void requestNext();
    bool findLocalFile(const QRect& piece);
    void sendRequest(const QRect& piece);
    void savePiece(const QByteArray& data, const QRect& piece);

    int getPendingRequests() const { return pendingRequests; }
    // The run stopped before every piece was on disk: the server would not serve it now.
    bool isIncomplete() const { return !queue.missingPieces().empty(); }

public Q_SLOTS:
    // Abandons the request in flight and any wait, in the thread the fetcher lives in.
    void releaseNetwork();

Q_SIGNALS:
    void downloadingDone(const std::vector<QString>& filesPaths);
    void message(const QString& msg);
    void progress(int percents);

private Q_SLOTS:
    void handleNetworkData(QNetworkReply* reply);
    // Takes what has come of the answer in flight.
    void readAnswer();
    void downloadProgress(qint64 bytesReceived, qint64 bytesTotal);
    void sslErrors(QNetworkReply* reply, const QList<QSslError>& errors);
    void requestAgain();

private:
    void reportProgress();
    void takeAnswerBytes(QNetworkReply* reply);
    void startReply(const QNetworkRequest& request, const QByteArray& postData);
    // Ends the line of a request that got no " Done\n", so that the next text starts a line.
    void endRequestLine();
    void waitAndRequestAgain(const QRect& piece, const QString& reason, int status, const QByteArray& retryAfter);
    // The run asks the server for nothing more: what is on disk goes to the parser, and the
    // log says which pieces are missing.
    void stopIncomplete(const QRect& failed, const QString& reason);
    // The end of a run: the missing pieces, if any, are listed, then the files are handed on.
    void finish();

    QNetworkAccessManager* manager; // child of this object
    const PieceSource* pieceSource = nullptr;
    FetchMode fetchMode = FetchMode::UseFilesOnDisk;
    PieceQueue queue;
    int pendingRequests = 0;
    PieceAnswer answer; // of the request in flight
    bool stopped = false;
    bool requestLineOpen = false; // a "Request: ..." line waits for its " Done\n"
    bool noted = false;           // the source's note on the data of the run is in the log

    // Waiting out a busy server: the timing in force, the piece asked for again, its tries so
    // far, and the failed tries in a row over the whole run (a piece that arrives resets them).
    RetryPolicy retryPolicy;
    QTimer* retryTimer; // child of this object
    QRect retryPiece;
    int tries = 0;
    int failuresInARow = 0;
};

#endif
