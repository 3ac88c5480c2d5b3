#include "download/ReplyVerdict.h"

#include "download/PieceAnswer.h"
#include "download/PieceStore.h"

#include <QByteArray>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QVariant>

namespace {

ReplyVerdict verdict(ReplyVerdict::Kind kind, int status, const QString& reason)
{
    ReplyVerdict v;
    v.kind = kind;
    v.status = status;
    v.reason = reason;
    return v;
}

ReplyVerdict fromStatus(int status)
{
    const QString reason = QString("HTTP %1").arg(status);
    switch (status) {
    case 400:
        return verdict(ReplyVerdict::Refused, status, reason);
    case 429: // too many requests
    case 500:
    case 502:
    case 503:
    case 504:
    case 509: // bandwidth limit exceeded
        return verdict(ReplyVerdict::TryAgain, status, reason);
    default:
        return verdict(ReplyVerdict::WillNotWork, status, reason);
    }
}

// Failures on the way to the server or back that say nothing about the piece itself.
bool isPassing(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::RemoteHostClosedError: // closed or reset before the whole body came
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError: // the transfer time-out: no byte for too long
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError: // network unreachable, for example
    case QNetworkReply::ProtocolFailure: // a transfer garbled on the way: Qt's "Data corrupted"
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
        return true;
    default:
        return false;
    }
}

// A body with neither a length nor chunked transfer coding ends with the connection, so a
// connection lost part-way looks like a complete reply to Qt.
bool endedByConnection(const QNetworkReply* reply)
{
    return !reply->header(QNetworkRequest::ContentLengthHeader).isValid()
        && !reply->rawHeader("Transfer-Encoding").toLower().contains("chunked");
}

QString seconds(int ms)
{
    return QString::number((ms + 999) / 1000);
}

QString size(qint64 bytes)
{
    const qint64 mebibyte = 1024 * 1024;
    return bytes % mebibyte == 0 ? QString("%1 MiB").arg(bytes / mebibyte) : QString("%1 bytes").arg(bytes);
}

} // namespace

void ReplyVerdict::abort(QNetworkReply* reply, const char* reason)
{
    if (!reply || !reply->property(abortReason).isNull())
        return;
    reply->setProperty(abortReason, QByteArray(reason));
    if (!reply->isFinished())
        QMetaObject::invokeMethod(reply, "abort", Qt::QueuedConnection);
}

const char* const ReplyVerdict::abortReason = "abortReason";
const char* const ReplyVerdict::tooLarge = "tooLarge";
const char* const ReplyVerdict::pastDeadline = "pastDeadline";
const char* const ReplyVerdict::insecureRedirect = "insecureRedirect";
const char* const ReplyVerdict::tooManyRedirects = "tooManyRedirects";

ReplyVerdict ReplyVerdict::ofBody(const QNetworkReply* reply, const PieceAnswer& answer, Kind remarked)
{
    const QVariant statusAttribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int status = statusAttribute.isValid() ? statusAttribute.toInt() : 200;
    // Bytes that do not inflate came broken, like a transfer cut off.
    if (!answer.decodingFailure().isEmpty())
        return verdict(TryAgain, 0, answer.decodingFailure());
    switch (answer.outcome()) {
    case OSMDocumentCheck::Outcome::Whole:
        return verdict(Arrived, status, QString());
    case OSMDocumentCheck::Outcome::ErrorRemark:
        return verdict(remarked, status, answer.problem());
    default:
        break;
    }
    // Whatever it holds, it is not the piece: a captive portal's or a proxy's page, an empty body,
    // or a document whose end never came. A later try may bring the piece.
    if (endedByConnection(reply))
        return verdict(TryAgain, 0, "connection closed before the whole body arrived");
    switch (answer.outcome()) {
    case OSMDocumentCheck::Outcome::Empty:
        return verdict(TryAgain, status, "empty answer");
    case OSMDocumentCheck::Outcome::CutShort:
        return verdict(TryAgain, status, "document cut short");
    case OSMDocumentCheck::Outcome::Damaged:
        return verdict(TryAgain, status, "damaged document " + answer.problem());
    default:
        return verdict(TryAgain, status, "not an OpenStreetMap document");
    }
}

ReplyVerdict ReplyVerdict::of(const QNetworkReply* reply, const PieceAnswer& answer, int stallMs, int deadlineMs,
                              Kind remarked)
{
    const QVariant statusAttribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int status = statusAttribute.isValid() ? statusAttribute.toInt() : 0;
    const QByteArray aborted = reply->property(abortReason).toByteArray();
    if (aborted == tooLarge)
        return verdict(Refused, 0, QString("answer larger than %1").arg(size(PieceStore::maxPieceBytes())));
    if (aborted == pastDeadline)
        return verdict(TryAgain, 0, QString("no whole answer within %1 s").arg(seconds(deadlineMs)));
    // In Qt's words, as for a redirect Qt follows itself.
    if (aborted == insecureRedirect)
        return verdict(WillNotWork, 0, "Insecure redirect");
    if (aborted == tooManyRedirects)
        return verdict(WillNotWork, 0, "Too many redirects");
    if (status >= 400 && status < 600)
        return fromStatus(status);
    const QNetworkReply::NetworkError error = reply->error();
    if (error == QNetworkReply::OperationCanceledError)
        return verdict(TryAgain, 0, QString("no data for %1 s").arg(seconds(stallMs)));
    if (error != QNetworkReply::NoError)
        return verdict(isPassing(error) ? TryAgain : WillNotWork, 0, reply->errorString());
    // Qt reports an HTTP status without an error of its own (a redirect that was not followed,
    // 304 and other 3xx) as success; only a 2xx answer carries the piece's data.
    if (status < 200 || status >= 300)
        return verdict(WillNotWork, status, status ? QString("HTTP %1").arg(status) : QString("no HTTP answer"));
    return ofBody(reply, answer, remarked);
}
