#include "download/OverpassSource.h"

#include "download/DownloadSource.h"
#include "download/OverpassQuery.h"
#include "download/PieceAnswer.h"
#include "download/PiecePlan.h"

#include <QNetworkReply>
#include <QRegularExpression>

namespace {

// The text of the server's error page for the log: its words without the markup, on one line.
QString pageText(const QByteArray& body)
{
    QString text = QString::fromUtf8(body.left(4096));
    text.remove(QRegularExpression("<(head|style|script)[^>]*>.*</\\1>",
                                   QRegularExpression::DotMatchesEverythingOption
                                       | QRegularExpression::CaseInsensitiveOption));
    text.remove(QRegularExpression("<[^>]*>"));
    text = text.simplified();
    return text.size() > 300 ? text.left(300) + "..." : text;
}

} // namespace

QUrl OverpassSource::endpoint()
{
    return QUrl(DownloadSources::address(DownloadSource::Overpass));
}

OverpassSource::OverpassSource(const QString& folder)
    : PieceSource(folder)
    , url(endpoint())
{
}

QString OverpassSource::requestText(const QRect& tile) const
{
    const BoundingBox box = PiecePlan::toBox(tile);
    return QString("Request: \"%1%2\" (%3,%4,%5,%6) ")
        .arg(url.host(QUrl::FullyDecoded), url.path(QUrl::FullyDecoded))
        .arg(box.west())
        .arg(box.south())
        .arg(box.east())
        .arg(box.north());
}

QNetworkRequest OverpassSource::request(const QRect&) const
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/x-www-form-urlencoded"));
    return request;
}

QByteArray OverpassSource::postData(const QRect& tile) const
{
    return "data=" + QUrl::toPercentEncoding(OverpassQuery::forTile(tile, routeRoads ? OverpassQuery::WithRouteRoads : OverpassQuery::NetworkWays));
}

ReplyVerdict OverpassSource::verdict(const QNetworkReply* reply, const PieceAnswer& answer,
                                     const RetryPolicy& policy) const
{
    // A query past the server's time or memory limit still ends its document, with a remark
    // in it: what came is not the tile's data. A smaller tile may fit.
    ReplyVerdict verdict
        = ReplyVerdict::of(reply, answer, policy.stallMs(), policy.requestDeadlineMs(), ReplyVerdict::Refused);
    // 400 is a query the server cannot parse: asking again or for less cannot mend it.
    if (verdict.status == 400) {
        verdict.kind = ReplyVerdict::WillNotWork;
        const QString text = pageText(answer.body());
        if (!text.isEmpty())
            verdict.reason += ": " + text;
    }
    return verdict;
}

std::vector<QRect> OverpassSource::parts(const QRect& tile) const
{
    return PiecePlan::split(tile, smallestTile);
}

QString OverpassSource::arrivalNote(const QByteArray& body) const
{
    const QRegularExpressionMatch match
        = QRegularExpression("<meta osm_base=\"([^\"]*)\"").match(QString::fromUtf8(body.left(4096)));
    return match.hasMatch() ? QString("Data as of %1\n").arg(match.captured(1)) : QString();
}

int OverpassSource::tileSize() const
{
    return DownloadSources::tileSize(DownloadSource::Overpass);
}

bool OverpassSource::needsTls() const
{
    return url.scheme() == "https";
}

QString OverpassSource::serviceName() const
{
    return DownloadSources::serviceName(DownloadSource::Overpass);
}
