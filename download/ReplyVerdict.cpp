#include "download/ReplyVerdict.h"

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
// connection lost part-way looks like a complete reply to Qt. Only the body can tell then: a
// complete API document ends with its closing tag. With a length or chunks, Qt itself reports
// a body cut short as an error.
bool cutShortUnnoticed(const QNetworkReply* reply, const QByteArray& body)
{
    if (reply->header(QNetworkRequest::ContentLengthHeader).isValid())
        return false;
    if (reply->rawHeader("Transfer-Encoding").toLower().contains("chunked"))
        return false;
    return !body.trimmed().endsWith("</osm>");
}

} // namespace

ReplyVerdict ReplyVerdict::of(const QNetworkReply* reply, const QByteArray& body, int stallMs)
{
    const QVariant statusAttribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int status = statusAttribute.isValid() ? statusAttribute.toInt() : 0;
    if (status >= 400 && status < 600)
        return fromStatus(status);
    const QNetworkReply::NetworkError error = reply->error();
    if (error == QNetworkReply::OperationCanceledError)
        return verdict(TryAgain, 0, QString("no data for %1 s").arg((stallMs + 999) / 1000));
    if (error != QNetworkReply::NoError)
        return verdict(isPassing(error) ? TryAgain : WillNotWork, 0, reply->errorString());
    // Qt reports an HTTP status without an error of its own (a redirect that was not followed,
    // 304 and other 3xx) as success; only a 2xx answer carries the piece's data.
    if (status < 200 || status >= 300)
        return verdict(WillNotWork, status, status ? QString("HTTP %1").arg(status) : QString("no HTTP answer"));
    if (cutShortUnnoticed(reply, body))
        return verdict(TryAgain, 0, "connection closed before the whole body arrived");
    return verdict(Arrived, status, QString());
}
