#include "download/PieceFetcher.h"

#include "download/DownloadDiagnostic.h"
#include "download/PiecePlan.h"
#include "download/PieceRequest.h"
#include "download/PieceSource.h"
#include "download/ReplyVerdict.h"

#include <QDateTime>
#include <QNetworkAccessManager>
#include <QNetworkDiskCache>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslError>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QVariant>

PieceFetcher::PieceFetcher(QObject* parent)
    : QObject(parent)
    , retryPolicy(RetryPolicy::current())
{
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

void PieceFetcher::restart(int total)
{
    queue.restart(total);
    pendingRequests = 0;
    retryPolicy = RetryPolicy::current();
    tries = 0;
    failuresInARow = 0;
    stopped = false;
    requestLineOpen = false;
    noted = false;
}

void PieceFetcher::releaseNetwork()
{
    retryTimer->stop();
    // Replies are the manager's children; deleting them aborts them without a finished().
    manager->disconnect(this);
    for (QNetworkReply* reply : manager->findChildren<QNetworkReply*>())
        delete reply;
}

void PieceFetcher::requestNext()
{
    if (pendingRequests <= 0) {
        while (!queue.isEmpty()) {
            const QRect piece = queue.takeLast();
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
    if (queue.allDone() && !stopped)
        finish();
}

bool PieceFetcher::findLocalFile(const QRect& piece)
{
    const PieceStore& store = pieceSource->store();
    const QString path = store.filePath(piece);
    if (!store.hasWholeFile(piece)) {
        if (store.hasFile(piece))
            Q_EMIT message(QString("File at local storage is not a whole piece: \"%1\"\n").arg(path));
        return false;
    }
    queue.countDone();
    queue.listFile(path);
    Q_EMIT message(QString("File found at local storage: \"%1\"\n").arg(path));
    reportProgress();
    return true;
}

void PieceFetcher::sendRequest(const QRect& piece)
{
    Q_EMIT message(pieceSource->requestText(piece));
    startReply(PieceRequest::of(*pieceSource, piece, retryPolicy.stallMs()), pieceSource->postData(piece));
    ++pendingRequests;
    ++tries;
    requestLineOpen = true;
}

void PieceFetcher::startReply(const QNetworkRequest& request, const QByteArray& postData)
{
    QNetworkReply* reply = postData.isNull() ? manager->get(request) : manager->post(request, postData);
    answer = PieceAnswer();
    connect(reply, SIGNAL(readyRead()), this, SLOT(readAnswer()));
    connect(reply, SIGNAL(downloadProgress(qint64, qint64)), this, SLOT(downloadProgress(qint64, qint64)));
    // A body that trickles in a byte at a time never stalls the transfer; the whole request
    // has a deadline too. The timer dies with the reply.
    QTimer::singleShot(retryPolicy.requestDeadlineMs(), reply, [reply] { ReplyVerdict::abort(reply, ReplyVerdict::pastDeadline); });
}

void PieceFetcher::savePiece(const QByteArray& data, const QRect& piece)
{
    const QString path = pieceSource->store().filePath(piece);
    // Listed first: the parser is told about the piece even when it could not be written.
    queue.listFile(path);
    const PieceStore::Saved saved = pieceSource->store().save(piece, data);
    if (saved == PieceStore::Saved::Yes)
        return;
    Q_EMIT message(saved == PieceStore::Saved::NotCreated ? QString("Could not create file: %1\n").arg(path)
                                                          : QString("Error while writing to file: %1\n").arg(path));
    // A piece that is not on disk was not downloaded, whatever the parser reads in its place.
    queue.addMissing(piece, "could not be stored");
}

void PieceFetcher::handleNetworkData(QNetworkReply* reply)
{
    QUrl target;
    const PieceRequest::Redirect redirect = PieceRequest::redirect(reply, target);
    if (redirect == PieceRequest::Redirect::SendAnew) {
        // Still the same request of the piece: its line and its tries go on.
        const QNetworkRequest next = PieceRequest::anew(reply, target);
        reply->deleteLater();
        startReply(next, pieceSource->postData(PieceRequest::pieceOf(next)));
        return;
    }
    if (redirect != PieceRequest::Redirect::None)
        ReplyVerdict::abort(reply, redirect == PieceRequest::Redirect::Insecure ? ReplyVerdict::insecureRedirect
                                                                        : ReplyVerdict::tooManyRedirects);
    const QRect piece = PieceRequest::pieceOf(reply->request());
    // An error page's text can say why; the verdict decides whether any of it is kept.
    takeAnswerBytes(reply);
    answer.finish();
    const QByteArray body = answer.body();
    const ReplyVerdict verdict = pieceSource->verdict(reply, answer, retryPolicy);
    const QByteArray retryAfter = reply->rawHeader("Retry-After");
    reply->deleteLater();
    --pendingRequests;

    if (verdict.kind == ReplyVerdict::Arrived) {
        failuresInARow = 0;
        savePiece(body, piece);
        if (!noted) {
            noted = true;
            const QString note = pieceSource->arrivalNote(body);
            if (!note.isEmpty())
                Q_EMIT message(note);
        }
    } else {
        DownloadDiagnostic::line("Reply error: " + PiecePlan::gridText(piece) + " (" + verdict.reason.toStdString()
                                 + ")");
        if (verdict.kind == ReplyVerdict::TryAgain && tries < RetryPolicy::maxTries) {
            waitAndRequestAgain(piece, verdict.reason, verdict.status, retryAfter);
            return;
        }
        queue.addFailed(piece);
        // Only a refused area is split; a split that queues nothing new would leave the piece's
        // area out.
        const std::vector<QRect> parts
            = verdict.kind == ReplyVerdict::Refused ? pieceSource->parts(piece) : std::vector<QRect>();
        if (parts.empty() || queue.split(piece, parts) == 0) {
            stopIncomplete(piece, verdict.reason);
            return;
        }
        queue.countSplit();
    }
    queue.countDone();
    reportProgress();
    requestNext();
}

void PieceFetcher::waitAndRequestAgain(const QRect& piece, const QString& reason, int status,
                                       const QByteArray& retryAfter)
{
    ++failuresInARow;
    const qint64 wait = retryPolicy.waitMs(retryAfter, failuresInARow, QDateTime::currentDateTimeUtc());
    const qint64 seconds = (wait + 999) / 1000;
    endRequestLine();
    if (status >= 400)
        Q_EMIT message(QString("Server busy (%1), trying again in %2 s...\n").arg(reason).arg(seconds));
    else if (status != 0)
        Q_EMIT message(QString("Unusable answer (%1), trying again in %2 s...\n").arg(reason).arg(seconds));
    else
        Q_EMIT message(QString("No answer from the server, trying again in %1 s...\n").arg(seconds));
    // Nothing else is sent meanwhile: the piece still counts as the one request in flight.
    ++pendingRequests;
    retryPiece = piece;
    retryTimer->start(int(wait));
}

void PieceFetcher::requestAgain()
{
    --pendingRequests;
    sendRequest(retryPiece);
}

void PieceFetcher::stopIncomplete(const QRect& failed, const QString& reason)
{
    stopped = true;
    queue.addMissing(failed, reason);
    endRequestLine();
    // A run that asks for every piece anew has the failed piece's earlier file still on disk:
    // the network file is made with it, though the piece counts as not downloaded.
    if (pieceSource->store().hasWholeFile(failed))
        queue.listFile(pieceSource->store().filePath(failed));
    // Pieces still queued are used when their files are on disk; the others are missing.
    while (!queue.isEmpty()) {
        const QRect piece = queue.takeLast();
        if (!findLocalFile(piece))
            queue.addMissing(piece, "not requested");
    }
    finish();
}

void PieceFetcher::finish()
{
    const std::vector<QRect>& missing = queue.missingPieces();
    for (std::size_t i = 0; i < missing.size(); ++i)
        Q_EMIT message(QString("Not downloaded: %1 (%2)\n")
                           .arg(PiecePlan::pieceName(missing[i]), queue.missingReasons().at(int(i))));
    if (!missing.empty())
        Q_EMIT message(QString("Download incomplete: %1 of %2 pieces are missing. The pieces on disk are kept; start "
                               "the download again later to fetch the rest.\n")
                           .arg(missing.size())
                           .arg(queue.plannedPieces()));
    Q_EMIT downloadingDone(queue.filesPaths());
}

void PieceFetcher::readAnswer()
{
    takeAnswerBytes(qobject_cast<QNetworkReply*>(sender()));
}

void PieceFetcher::takeAnswerBytes(QNetworkReply* reply)
{
    if (!reply)
        return;
    if (!answer.hasBegun()) {
        // The headers have come with the first bytes (or with the end of an empty body).
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        answer.begin(reply->rawHeader("Content-Encoding"),
                     !status.isValid() || (status.toInt() >= 200 && status.toInt() < 300));
    }
    if (!answer.take(reply->readAll()))
        ReplyVerdict::abort(reply, ReplyVerdict::tooLarge);
}

void PieceFetcher::downloadProgress(qint64 bytesReceived, qint64 bytesTotal)
{
    Q_EMIT message(".");
    // An answer larger than any real piece, as it came or inflated, is refused before it fills
    // the memory; its line gets no " Done". Its bytes are read before its progress is told.
    if (answer.isTooLarge() || bytesReceived > PieceStore::maxPieceBytes()
        || bytesTotal > PieceStore::maxPieceBytes()) {
        ReplyVerdict::abort(qobject_cast<QNetworkReply*>(sender()), ReplyVerdict::tooLarge);
        return;
    }
    if (bytesReceived == bytesTotal) {
        Q_EMIT message(" Done\n");
        requestLineOpen = false;
    }
}

void PieceFetcher::endRequestLine()
{
    if (requestLineOpen)
        Q_EMIT message("\n");
    requestLineOpen = false;
}

void PieceFetcher::sslErrors(QNetworkReply* reply, const QList<QSslError>& errors)
{
    Q_EMIT message(QString("!ERROR! SSL Errors occured, replyErrorString: %1\n").arg(reply->errorString()));
    for (const QSslError& error : errors)
        Q_EMIT message(QString("!ERROR! SSL Errors occured, sslErrorString: %1\n").arg(error.errorString()));
}

void PieceFetcher::reportProgress()
{
    Q_EMIT progress(queue.percent());
}
