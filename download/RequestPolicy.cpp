#include "download/RequestPolicy.h"

#include "download/AreaCount.h"
#include "download/PiecePlan.h"

qint64 RequestPolicy::maxRequests(DownloadSource source)
{
    return source == DownloadSource::Overpass ? maxOverpassRequests : maxApiRequests;
}

bool RequestPolicy::tooLarge(const BoundingBox& box, int size)
{
    // Grid values beyond the int range are clamped by toGridRect; such an area is refused
    // rather than planned from the clamped values.
    return !PiecePlan::fitsGrid(box) || PiecePlan::countPieces(PiecePlan::toGridRect(box), size) > PiecePlan::maxPieces;
}

RequestPolicy RequestPolicy::of(const QRectF& area, DownloadSource source, FetchMode mode)
{
    RequestPolicy policy;
    policy.source = source;
    const BoundingBox box = BoundingBox::fromArea(area);
    // Equal bounds make a line or a point: its pieces, if any, would be slivers beside it.
    if (!(box.east() > box.west()) || !(box.north() > box.south())) {
        policy.decision = Verdict::NoArea;
        policy.noWidth = !(box.east() > box.west());
        return policy;
    }
    const AreaCount areaCount = AreaCount::of(box, source);
    policy.count = areaCount.toDownload(mode);
    if (areaCount.tooLarge)
        policy.decision = Verdict::TooLarge;
    else if (policy.count > maxRequests(source))
        policy.decision = Verdict::AskFirst;
    if (policy.decision == Verdict::AskFirst && source == DownloadSource::Api)
        policy.overpassRequests = AreaCount::of(box, DownloadSource::Overpass).toDownload(mode);
    return policy;
}

QString RequestPolicy::usageProblem(const QString& boxText) const
{
    switch (decision) {
    case Verdict::Go:
        return QString();
    case Verdict::NoArea:
        return QString("bad box \"%1\": it has no area (%2)")
            .arg(boxText, noWidth ? "west and east are equal" : "south and north are equal");
    case Verdict::TooLarge:
        return QString("the box needs %1 requests to %2, more than a download makes (%3): choose a smaller box")
            .arg(count)
            .arg(DownloadSources::serviceName(source))
            .arg(PiecePlan::maxPieces);
    case Verdict::AskFirst:
        break;
    }
    if (source == DownloadSource::Api)
        return QString("the box needs %1 requests to the OpenStreetMap API, more than %2; its usage policy asks those "
                       "who read much to take the data elsewhere: use --source overpass (%3 requests), or --force")
            .arg(count)
            .arg(maxApiRequests)
            .arg(overpassRequests);
    return QString("the box needs %1 requests to the Overpass API, more than %2; a public instance allows one user "
                   "about 10,000 queries and 1 GB a day: choose a smaller box, or --force")
        .arg(count)
        .arg(maxOverpassRequests);
}

QString RequestPolicy::questionTitle() const
{
    return QString("Download from %1").arg(DownloadSources::serviceName(source));
}

QString RequestPolicy::question() const
{
    if (source == DownloadSource::Api)
        return QString("This area needs %1 requests to the OpenStreetMap API, whose usage policy asks those who read "
                       "much to take the data elsewhere. Overpass needs %2. Download anyway?")
            .arg(count)
            .arg(overpassRequests);
    return QString("This area needs %1 requests to the Overpass API, more than the %2 that a public instance allows "
                   "one user in a day (about 10,000 queries and 1 GB). Download anyway?")
        .arg(count)
        .arg(maxOverpassRequests);
}

QString RequestPolicy::noAreaMessage()
{
    return QStringLiteral("The selection has no area: nothing to download");
}
