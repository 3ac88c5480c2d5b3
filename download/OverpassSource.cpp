#include "download/OverpassSource.h"

#include "download/DownloadSource.h"
#include "download/OverpassQuery.h"
#include "download/PiecePlan.h"

#include <QNetworkReply>
#include <QRegularExpression>

#include <array>

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
    const std::array<double, 4> b = PiecePlan::bounds(tile);
    return QString("Request: \"%1%2\" (%3,%4,%5,%6) ")
        .arg(url.host(QUrl::FullyDecoded), url.path(QUrl::FullyDecoded))
        .arg(b[0])
        .arg(b[1])
        .arg(b[2])
        .arg(b[3]);
}

QNetworkRequest OverpassSource::request(const QRect&) const
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/x-www-form-urlencoded"));
    return request;
}

QByteArray OverpassSource::postData(const QRect& tile) const
{
    return "data=" + QUrl::toPercentEncoding(OverpassQuery::forTile(tile));
}

ReplyVerdict OverpassSource::verdict(const QNetworkReply* reply, const QByteArray& body,
                                     const RetryPolicy& policy) const
{
    ReplyVerdict verdict = ReplyVerdict::of(reply, body, policy.stallMs(), policy.requestDeadlineMs());
    // 400 is a query the server cannot parse: asking again or for less cannot mend it.
    if (verdict.status == 400) {
        verdict.kind = ReplyVerdict::WillNotWork;
        const QString text = pageText(body);
        if (!text.isEmpty())
            verdict.reason += ": " + text;
        return verdict;
    }
    if (verdict.kind != ReplyVerdict::Arrived)
        return verdict;
    // A query past the server's time or memory limit still ends its document, with a remark
    // before the end: what came is not the tile's data. A smaller tile may fit.
    const QByteArray tail = body.right(4096);
    const int remark = tail.lastIndexOf("<remark>");
    if (remark >= 0 && tail.indexOf("runtime error", remark) >= 0) {
        const int end = tail.indexOf("</remark>", remark);
        verdict.kind = ReplyVerdict::Refused;
        verdict.reason = QString::fromUtf8(tail.mid(remark + 8, end < 0 ? -1 : end - remark - 8)).simplified();
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
