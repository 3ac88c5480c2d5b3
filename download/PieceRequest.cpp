#include "download/PieceRequest.h"

#include "common/ContentDecoder.h"
#include "common/UserAgent.h"
#include "download/PieceSource.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrl>
#include <QVariant>

QNetworkRequest PieceRequest::of(const PieceSource& source, const QRect& piece, int stallMs)
{
    QNetworkRequest request = source.request(piece);
    request.setRawHeader(UserAgent::header, UserAgent::value);
    // The reply handler reads the piece back from the reply's request.
    request.setAttribute(QNetworkRequest::User, piece);
    // The API answers plain HTTP with a redirect to HTTPS; without following it the redirect
    // page would be stored as the piece. Never follow a redirect to a less secure scheme. Qt
    // 5.15 loses its way in the redirects of a POST (a chain ends with "Unknown error" or a
    // status of 100 after a few), so the fetcher follows those of a query itself.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         source.postData(piece).isNull() ? QNetworkRequest::NoLessSafeRedirectPolicy
                                                         : QNetworkRequest::ManualRedirectPolicy);
    // A server that stops sending is given up on after a while and asked again.
    request.setTransferTimeout(stallMs);
    // The piece files are the store of what was downloaded. An answer kept in Qt's HTTP cache
    // could stand in for a failed request or for fresh data, so the service is always asked.
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // Inflated by the fetcher as it comes, within the piece limit, rather than by Qt, which
    // would inflate all of it first.
    request.setRawHeader("Accept-Encoding", ContentDecoder::acceptedEncodings);
    return request;
}

QRect PieceRequest::pieceOf(const QNetworkRequest& request)
{
    return request.attribute(QNetworkRequest::User).toRect();
}

PieceRequest::Redirect PieceRequest::redirect(const QNetworkReply* reply, QUrl& target)
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QVariant location = reply->attribute(QNetworkRequest::RedirectionTargetAttribute);
    if (reply->operation() != QNetworkAccessManager::PostOperation || reply->error() != QNetworkReply::NoError
        || (status != 301 && status != 302 && status != 303 && status != 307 && status != 308) || !location.isValid())
        return Redirect::None;
    // Whatever the status, the query goes on as a POST: a GET without it would ask for nothing.
    target = reply->url().resolved(location.toUrl());
    const QString from = reply->url().scheme();
    const QString to = target.scheme();
    if ((to != "http" && to != "https") || (from == "https" && to == "http"))
        return Redirect::Insecure;
    return reply->request().maximumRedirectsAllowed() <= 0 ? Redirect::TooMany : Redirect::SendAnew;
}

QNetworkRequest PieceRequest::anew(const QNetworkReply* reply, const QUrl& target)
{
    QNetworkRequest next = reply->request();
    next.setMaximumRedirectsAllowed(next.maximumRedirectsAllowed() - 1);
    next.setUrl(target);
    return next;
}
