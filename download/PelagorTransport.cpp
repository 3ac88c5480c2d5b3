// The second half of a download: the network objects, one request at a time, pieces found on
// disk or stored from a reply, the waits before a piece is asked for again, and the end of a
// run, complete or not.
#include "download/Pelagor.h"

#include "download/PiecePlan.h"
#include "download/ReplyVerdict.h"
#include "identity/UserAgent.h"

#include <QDateTime>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkDiskCache>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QSslError>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QVariant>

#include <array>
#include <iostream>

Pelagor::Pelagor(QObject* parent)
    : QObject(parent)
    , urlTemplate("http://api.openstreetmap.org/api/0.6/map?bbox=%1,%2,%3,%4")
    , downloadDir(PiecePlan::downloadDir)
    , mergeDir("data/merge/")
    , mergedBaseName("merged")
    , nameSeparator(PiecePlan::nameSeparator)
    , fileExtension(PiecePlan::fileExtension)
    , pieceFilter("*?-*?-*?-*?.osm")
    , osmEndTag("</osm>")
    , tagEnd('>')
    , area()
    , retryPolicy(RetryPolicy::current())
{
    qRegisterMetaType<std::vector<QString>>("std::vector<QString>");

    auto* cache = new QNetworkDiskCache(this);
    cache->setCacheDirectory(QStandardPaths::writableLocation(QStandardPaths::CacheLocation));
    manager = new QNetworkAccessManager(this);
    manager->setCache(cache);
    connect(manager, SIGNAL(finished(QNetworkReply*)), this, SLOT(handleNetworkData(QNetworkReply*)));
    connect(manager, SIGNAL(sslErrors(QNetworkReply*, const QList<QSslError>&)),
            this, SLOT(sslErrors(QNetworkReply*, const QList<QSslError>&)));
    retryTimer = new QTimer(this);
    retryTimer->setSingleShot(true);
    // A coarse timer may fire up to 5 % early, sooner than the server asked.
    retryTimer->setTimerType(Qt::PreciseTimer);
    connect(retryTimer, SIGNAL(timeout()), this, SLOT(requestAgain()));
}

void Pelagor::releaseNetwork()
{
    retryTimer->stop();
    // Replies are the manager's children; deleting them aborts them without a finished().
    manager->disconnect(this);
    for (QNetworkReply* reply : manager->findChildren<QNetworkReply*>())
        delete reply;
}

void Pelagor::requestNext()
{
    if (pendingRequests <= 0) {
        while (!requestQueue.empty()) {
            const QRect piece = requestQueue.back();
            requestQueue.pop_back();
            // A fresh download asks for every piece; only a run that stops early takes what
            // is still queued from disk (stopIncomplete).
            if (fetchMode == FetchMode::UseFilesOnDisk && findLocalFile(piece))
                continue;
            tries = 0;
            sendRequest(piece);
            if (pendingRequests > 0)
                break;
        }
    }
    if (doneFiles == totalFiles && !stopped)
        Q_EMIT downloadingDone(filesPaths);
}

bool Pelagor::findLocalFile(const QRect& piece)
{
    const QString path = pieceFilePath(piece);
    if (!QFile::exists(path))
        return false;
    ++doneFiles;
    filesPaths.push_back(path);
    Q_EMIT message(QString("File found at local storage: \"%1\"\n").arg(path));
    reportProgress();
    return true;
}

void Pelagor::sendRequest(const QRect& piece)
{
    const std::array<double, 4> bounds = PiecePlan::bounds(piece);
    const QUrl url(urlTemplate.arg(bounds[0]).arg(bounds[1]).arg(bounds[2]).arg(bounds[3]), QUrl::TolerantMode);
    Q_EMIT message(QString("Request: \"%1?%2%3\" ")
                     .arg(url.host(QUrl::FullyDecoded), url.path(QUrl::FullyDecoded), url.query(QUrl::PrettyDecoded)));

    QNetworkRequest request(url);
    request.setRawHeader(UserAgent::header, UserAgent::value);
    request.setAttribute(QNetworkRequest::User, piece);
    // The API answers plain HTTP with a redirect to HTTPS; without following it the redirect
    // page would be stored as the piece. Never follow a redirect to a less secure scheme.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    // A server that stops sending is given up on after a while and asked again.
    request.setTransferTimeout(retryPolicy.stallMs());
    // The piece files are the store of what was downloaded. An answer kept in Qt's HTTP cache
    // could stand in for a failed request or for fresh data, so the API is always asked.
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    QNetworkReply* reply = manager->get(request);
    connect(reply, SIGNAL(downloadProgress(qint64, qint64)), this, SLOT(downloadProgress(qint64, qint64)));
    ++pendingRequests;
    ++tries;
    requestLineOpen = true;
}

void Pelagor::savePiece(const QByteArray& data, const QRect& piece)
{
    const QString path = pieceFilePath(piece);
    // Listed first: the parser is told about the piece even when it could not be written.
    filesPaths.push_back(path);

    // The piece appears under its final name only once it is completely written, so a file cut
    // short by a full disk or a killed process is never taken for a complete piece by a later run.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        Q_EMIT message(QString("Could not create file: %1\n").arg(path));
        return;
    }
    // A short write means the disk refused the rest.
    if (file.write(data) != data.size())
        file.cancelWriting();
    if (!file.commit())
        Q_EMIT message(QString("Error while writing to file: %1\n").arg(path));
}

void Pelagor::handleNetworkData(QNetworkReply* reply)
{
    const QRect piece = reply->request().attribute(QNetworkRequest::User).toRect();
    const QByteArray body = reply->error() == QNetworkReply::NoError ? reply->readAll() : QByteArray();
    const ReplyVerdict verdict = ReplyVerdict::of(reply, body, retryPolicy.stallMs());
    const QByteArray retryAfter = reply->rawHeader("Retry-After");
    reply->deleteLater();
    --pendingRequests;

    if (verdict.kind == ReplyVerdict::Arrived) {
        failuresInARow = 0;
        savePiece(body, piece);
    } else {
        std::cerr << "Pelagor: " << "Reply error: " << PiecePlan::gridText(piece) << " (" << verdict.reason.toStdString()
                  << ")" << std::endl;
        if (verdict.kind == ReplyVerdict::TryAgain && tries < RetryPolicy::maxTries) {
            waitAndRequestAgain(piece, verdict.reason, verdict.status, retryAfter);
            return;
        }
        failedPieces.push_back(piece);
        // Only a refused area is split. A piece one unit wide and high has nothing left to
        // split, and a split that queues nothing new would leave the piece's area out.
        int x1, y1, x2, y2;
        piece.getCoords(&x1, &y1, &x2, &y2);
        const int queued = totalFiles;
        if (verdict.kind == ReplyVerdict::Refused && (qint64(x2) - x1 > 1 || qint64(y1) - y2 > 1))
            splitPiece(piece);
        if (totalFiles == queued) {
            stopIncomplete(piece, verdict.reason);
            return;
        }
        ++splitPieces;
    }
    ++doneFiles;
    reportProgress();
    requestNext();
}

void Pelagor::waitAndRequestAgain(const QRect& piece, const QString& reason, int status,
                                  const QByteArray& retryAfter)
{
    ++failuresInARow;
    const qint64 wait = retryPolicy.waitMs(retryAfter, failuresInARow, QDateTime::currentDateTimeUtc());
    const qint64 seconds = (wait + 999) / 1000;
    endRequestLine();
    if (status != 0)
        Q_EMIT message(QString("Server busy (%1), trying again in %2 s...\n").arg(reason).arg(seconds));
    else
        Q_EMIT message(QString("No answer from the server, trying again in %1 s...\n").arg(seconds));
    // Nothing else is sent meanwhile: the piece still counts as the one request in flight.
    ++pendingRequests;
    retryPiece = piece;
    retryTimer->start(int(wait));
}

void Pelagor::requestAgain()
{
    --pendingRequests;
    sendRequest(retryPiece);
}

void Pelagor::stopIncomplete(const QRect& failed, const QString& reason)
{
    stopped = true;
    missingPieces.push_back(failed);
    endRequestLine();
    // A run that asks for every piece anew has the failed piece's earlier file still on disk:
    // the network file is made with it, though the piece counts as not downloaded.
    if (QFile::exists(pieceFilePath(failed)))
        filesPaths.push_back(pieceFilePath(failed));
    // Pieces still queued are used when their files are on disk; the others are missing.
    while (!requestQueue.empty()) {
        const QRect piece = requestQueue.back();
        requestQueue.pop_back();
        if (!findLocalFile(piece))
            missingPieces.push_back(piece);
    }
    for (const QRect& piece : missingPieces)
        Q_EMIT message(QString("Not downloaded: %1 (%2)\n")
                         .arg(pieceName(piece), piece == failed ? reason : QString("not requested")));
    Q_EMIT message(QString("Download incomplete: %1 of %2 pieces are missing. The pieces on disk are kept; start the "
                         "download again later to fetch the rest.\n")
                     .arg(missingPieces.size())
                     .arg(totalFiles - splitPieces));
    Q_EMIT downloadingDone(filesPaths);
}

void Pelagor::downloadProgress(qint64 bytesReceived, qint64 bytesTotal)
{
    Q_EMIT message(".");
    if (bytesReceived == bytesTotal) {
        Q_EMIT message(" Done\n");
        requestLineOpen = false;
    }
}

void Pelagor::endRequestLine()
{
    if (requestLineOpen)
        Q_EMIT message("\n");
    requestLineOpen = false;
}

void Pelagor::sslErrors(QNetworkReply* reply, const QList<QSslError>& errors)
{
    Q_EMIT message(QString("!ERROR! SSL Errors occured, replyErrorString: %1\n").arg(reply->errorString()));
    for (const QSslError& error : errors)
        Q_EMIT message(QString("!ERROR! SSL Errors occured, sslErrorString: %1\n").arg(error.errorString()));
}

void Pelagor::reportProgress()
{
    // A split raises totalFiles, so the percentage may fall back.
    Q_EMIT progress(static_cast<int>(static_cast<double>(doneFiles) / totalFiles * 100));
}
