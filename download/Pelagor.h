#ifndef DOWNLOAD_PELAGOR_H
#define DOWNLOAD_PELAGOR_H

// The area downloader: cuts the selected area into pieces of 0.01 x 0.01 degree, fetches each
// piece from the OpenStreetMap API one request at a time and keeps it as a file under
// "data/download/". Lives in the processing worker thread.
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

class Pelagor : public QObject
{
    Q_OBJECT
public:
    // More pieces than this in one area are refused as too large; planning them would take the
    // memory of hundreds of millions of queued rectangles and days of requests.
    static constexpr qint64 maxPieces = 1000000;
    // Piece files that go into one merged output file.
    static constexpr int maxMergedPieces = 999999;

    explicit Pelagor(QObject* parent = nullptr);

    bool downloadArea(const QRectF& area);
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

Q_SIGNALS:
    void fileMerged(const QString& filePath);
    void downloadingDone(const std::vector<QString>& filesPaths);
    void message(const QString& msg);
    void progress(int percents);

private Q_SLOTS:
    void handleNetworkData(QNetworkReply* reply);
    void downloadProgress(qint64 bytesReceived, qint64 bytesTotal);
    void sslErrors(QNetworkReply* reply, const QList<QSslError>& errors);

private:
    void reportProgress();

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
};

Q_DECLARE_METATYPE(std::vector<QString>)

#endif
