#include "download/ApiPieceSource.h"

#include "download/DownloadSource.h"
#include "download/PiecePlan.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>
#include <QVariant>

ApiPieceSource::ApiPieceSource(const QString& urlTemplate, const QString& folder)
    : PieceSource(folder)
    , urlTemplate(urlTemplate)
{
}

QUrl ApiPieceSource::url(const QRect& piece) const
{
    const BoundingBox box = PiecePlan::toBox(piece);
    return QUrl(urlTemplate.arg(box.west()).arg(box.south()).arg(box.east()).arg(box.north()), QUrl::TolerantMode);
}

QString ApiPieceSource::requestText(const QRect& piece) const
{
    // The path follows the question mark at once, and the query the path.
    const QUrl u = url(piece);
    return QString("Request: \"%1?%2%3\" ")
        .arg(u.host(QUrl::FullyDecoded), u.path(QUrl::FullyDecoded), u.query(QUrl::PrettyDecoded));
}

QNetworkRequest ApiPieceSource::request(const QRect& piece) const
{
    return QNetworkRequest(url(piece));
}

ReplyVerdict ApiPieceSource::verdict(const QNetworkReply* reply, const PieceAnswer& answer,
                                     const RetryPolicy& policy) const
{
    // The API writes no remarks: one in its data is no answer of the API's.
    return ReplyVerdict::of(reply, answer, policy.stallMs(), policy.requestDeadlineMs());
}

std::vector<QRect> ApiPieceSource::parts(const QRect& piece) const
{
    return PiecePlan::split(piece);
}

int ApiPieceSource::tileSize() const
{
    return PiecePlan::pieceSize;
}

bool ApiPieceSource::needsTls() const
{
    return url(QRect()).scheme() == "https";
}

QString ApiPieceSource::serviceName() const
{
    return DownloadSources::serviceName(DownloadSource::Api);
}
